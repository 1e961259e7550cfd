// The LV2 wrapper of the plug-in base on the editor side (ui:X11UI): an instance of the
// plug-in that only holds the editor's values. Its controls never touch the DSP instance,
// so a host may run it in another process: edits leave through the host's write function,
// inside ui:touch gestures when the host offers them, and the host's port events come
// back into the controls and the lamp. The host paces it through ui:idleInterface.
#pragma once

#include "framework/IEffectBase.h"
#include "framework/lv2/Lv2Ports.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

struct Lv2UiHost {
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  const LV2_Feature* const* features = nullptr;
};

class IEffectLV2Ui : public IEffectBase {
public:
  IEffectLV2Ui(const Lv2UiHost* host, int paramCount, const char* channelIOText, int presetCount,
               const char* effectName, const char* productName, const char* makerName, int32_t version,
               int32_t uniqueId, int32_t makerId, int32_t latency = 0, bool stateChunks = false,
               bool isInstrument = false, bool doesMidi = false);
  ~IEffectLV2Ui() override;

  // Opens the editor in the host's ui:parent and asks ui:resize for its size. Returns
  // the editor's X window id, or null (no parent feature, or no window could be made).
  void* OpenEditor();
  // A host's port event: control values in the float protocol only.
  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  // One idle call: events and, when due, a redraw. Non-zero once the window is gone.
  int Idle();

  // Shows a lamp level measured by the DSP instance.
  virtual void ShowLampLevel(double) {}

  // The DSP instance and its module's extension data for uri, when the host offers
  // instance and data access (it runs the editor in the DSP's process); else null.
  void* DspInstance() const { return dspInstance; }
  const void* DspExtensionData(const char* uri) const;

  // ---- Host side ----
  void BeginParamEdit(int index) override;
  void NotifyParamEdit(int index, double normalized) override;
  void EndParamEdit(int index) override;
  void NotifyProgramChange() override {}
  double TransportSamplePos() override { return 0.0; }
  double TransportTempo() override { return 0.0; }
  void TransportTimeSig(int* numerator, int* denominator) override;
  void ReadTransport(TransportInfo*) override {}
  void ResizeEditorFrame(int width, int height) override;
  bool SendMidiMessage(const MidiMessage*) override { return false; }

private:
  void Touch(int index, bool grabbed);

  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  void* parent = nullptr;
  const LV2UI_Resize* resize = nullptr;
  const LV2UI_Touch* touch = nullptr;
  bool windowOpened = false;
  void* dspInstance = nullptr;
  const void* (*dspExtensionData)(const char* uri) = nullptr;
};
