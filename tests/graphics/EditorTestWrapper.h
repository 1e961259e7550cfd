// A plug-in wrapper with no host for the editor tests: records what reaches the
// host (gestures and edited values) and can pretend to be either host format.
#pragma once

#include "framework/IEffectBase.h"

#include <mutex>
#include <string>
#include <vector>

class EditorTestWrapper : public IEffectBase {
public:
  EditorTestWrapper(void* hostContext, int paramCount, const char* channelIOText, int presetCount,
                    const char* effectName, const char* productName, const char* makerName, int32_t version,
                    int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks, bool isInstrument,
                    bool doesMidi)
    : IEffectBase(hostContext, paramCount, channelIOText, presetCount, effectName, productName, makerName, version,
                  uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi)
  {
  }

  struct HostCall {
    std::string kind;  // "begin", "edit", "end" or "menu"
    int index;
    double value;      // the normalized value of an edit
  };

  void BeginParamEdit(int index) override { Record("begin", index, 0.0); }
  void NotifyParamEdit(int index, double normalized) override { Record("edit", index, normalized); }
  void EndParamEdit(int index) override { Record("end", index, 0.0); }
  void ShowHostContextMenu(int index, int, int) override { Record("menu", index, 0.0); }
  void NotifyProgramChange() override {}
  double TransportSamplePos() override { return 0.0; }
  double TransportTempo() override { return 120.0; }
  void TransportTimeSig(int*, int*) override {}
  void ReadTransport(TransportInfo*) override {}
  void ResizeEditorFrame(int, int) override {}
  bool SendMidiMessage(const MidiMessage*) override { return false; }

  // 1 answers as a VST 3 host would see the plug-in, 0 as a VST 2 host.
  void PretendFormat(int format) { SetPluginFormat(format); }

  std::vector<HostCall> TakeHostCalls()
  {
    std::lock_guard<std::mutex> lock(callsMutex);
    std::vector<HostCall> taken;
    taken.swap(calls);
    return taken;
  }

private:
  void Record(const char* kind, int index, double value)
  {
    std::lock_guard<std::mutex> lock(callsMutex);
    calls.push_back({kind, index, value});
  }

  std::mutex callsMutex;
  std::vector<HostCall> calls;
};
