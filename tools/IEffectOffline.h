// The offline wrapper: a plug-in base with no host behind it, driven directly by
// brindle-render. It lives beside the tool because the tool is its only user.
#pragma once

#include "framework/IEffectBase.h"

#include <vector>

class IEffectOffline : public IEffectBase
{
public:
  using IEffectBase::IEffectBase;

  // Rate and largest block, both channels connected each way, then OnReset.
  // False for a rate that is not positive and finite or a block below one frame.
  bool SetupOffline(double sampleRate, int blockSize);
  // The plain values, loaded through the saved-state path (header, then one
  // double per parameter), so every OnParamChanged runs in index order.
  bool LoadPlainValues(const std::vector<double>& values);
  // Two buffers each way.
  void ProcessOffline(double* const* inputs, double* const* outputs, int frames);
  void ProcessOffline(const float* const* inputs, float* const* outputs, int frames);

  // No host takes edits, programs, MIDI or editor sizes.
  void BeginParamEdit(int) override {}
  void NotifyParamEdit(int, double) override {}
  void EndParamEdit(int) override {}
  void NotifyProgramChange() override {}
  bool IsOfflineRender() override { return true; }
  // There is no transport: the position counts the frames rendered since the
  // last set-up and the tempo is 0 (unknown).
  double TransportSamplePos() override { return static_cast<double>(renderedFrames); }
  double TransportTempo() override { return 0.0; }
  void TransportTimeSig(int*, int*) override {}
  void ReadTransport(TransportInfo* info) override;
  void ResizeEditorFrame(int, int) override {}
  bool SendMidiMessage(const MidiMessage*) override { return false; }

private:
  long long renderedFrames = 0;
};
