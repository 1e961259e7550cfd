// The LV2 wrapper of the plug-in base (the DSP side): control ports become parameter
// values once per run, audio runs through the base's single-precision path, and the
// saved state is the VST 3 module's bytes.
#pragma once

#include "framework/IEffectBase.h"
#include "framework/lv2/Lv2Ports.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <vector>

class IEffectLV2 : public IEffectBase {
public:
  // hostFeatures is the feature list of instantiate (may be null).
  IEffectLV2(const LV2_Feature* const* hostFeatures, int paramCount, const char* channelIOText, int presetCount,
             const char* effectName, const char* productName, const char* makerName, int32_t version,
             int32_t uniqueId, int32_t makerId, int32_t latency = 0, bool stateChunks = false,
             bool isInstrument = false, bool doesMidi = false);
  ~IEffectLV2() override = default;

  // ---- LV2 instance calls ----
  // Rate, largest block (the host's bufsz:maxBlockLength when it offers one) and a reset.
  // False for a rate that is not positive and finite.
  bool Setup(double rate);
  // Ports outside the layout are ignored; a null buffer disconnects the port.
  void ConnectPort(uint32_t port, void* data);
  void Activate();
  void Run(uint32_t frames);
  void Deactivate();
  LV2_State_Status SaveLv2State(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status RestoreLv2State(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // The state bytes (parameters, then the flag word) and loading such bytes: values the
  // bytes do not reach keep theirs, NaN keeps the value, others are limited to the range.
  std::vector<uint8_t> StateBytes();
  void LoadStateBytes(const uint8_t* data, size_t size);
  // A control value as a port carries it: NaN is ignored, others are limited to the
  // range and switches and selectors take the nearest step.
  void ApplyPortValue(int index, double value);

  // The plug-in's mono lamp, 0 (dark) to 1 (lit); the lamp output shows it as 0 or 1.
  virtual double LampLevel() const { return 0.0; }

  // ---- Host side: the DSP instance has no editor to report edits from ----
  void BeginParamEdit(int) override {}
  void NotifyParamEdit(int, double) override {}
  void EndParamEdit(int) override {}
  void NotifyProgramChange() override {}
  double TransportSamplePos() override { return 0.0; }
  double TransportTempo() override { return 0.0; }
  void TransportTimeSig(int* numerator, int* denominator) override;
  void ReadTransport(TransportInfo*) override {}
  void ResizeEditorFrame(int, int) override {}
  bool SendMidiMessage(const MidiMessage*) override { return false; }

  static constexpr int kDefaultBlockSize = 4096;

private:
  LV2_URID Map(const char* uri) const;

  LV2_URID_Map* uridMap = nullptr;
  int32_t hostBlockSize = 0;
  float* audio[4] = {};
  std::vector<float*> controls;
  // The last value seen on each control port: only a changed port is applied, so a
  // restored state keeps its exact values while the ports hold their single-precision form.
  std::vector<float> lastPortValues;
  float* lampOutput = nullptr;
};
