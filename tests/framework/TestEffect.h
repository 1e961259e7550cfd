// A small wrapper over the plug-in base that records every call the base makes
// to the host, and a fake editor whose controls record what the plug-in sends.
#pragma once

#include "framework/IEffectBase.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsHeadless.h"
#include "PixSysBitmap.h"

#include <ostream>
#include <string>
#include <vector>

// One recorded call: what it was, which parameter, which value.
struct HostCall {
  std::string what;
  int index;
  double value;
  bool operator==(const HostCall& other) const
  {
    return what == other.what && index == other.index && value == other.value;
  }
  friend std::ostream& operator<<(std::ostream& out, const HostCall& call)
  {
    return out << call.what << "(" << call.index << ", " << call.value << ")";
  }
};

class TestEffect : public IEffectBase {
public:
  TestEffect(int paramCount = 12, const char* channels = "2-2", int presetCount = 1)
    : IEffectBase(nullptr, paramCount, channels, presetCount, "Brindle", "", "Orvane", 0x906,
                  FourChars("Zqbr"), FourChars("Zqmk"))
  {
  }

  static int32_t FourChars(const char* code)
  {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(code[3])));
  }

  void OnParamChanged(int index) override { calls.push_back({"OnParamChanged", index, Value(index)}); }
  void OnPresetsChanged() override { calls.push_back({"OnPresetsChanged", -1, 0.0}); }
  void BeginParamEdit(int index) override { calls.push_back({"BeginParamEdit", index, 0.0}); }
  void NotifyParamEdit(int index, double normalized) override { calls.push_back({"NotifyParamEdit", index, normalized}); }
  void EndParamEdit(int index) override { calls.push_back({"EndParamEdit", index, 0.0}); }
  void NotifyProgramChange() override { calls.push_back({"NotifyProgramChange", -1, 0.0}); }
  double TransportSamplePos() override { return 0.0; }
  double TransportTempo() override { return 120.0; }
  void TransportTimeSig(int* numerator, int* denominator) override
  {
    if (numerator) *numerator = 4;
    if (denominator) *denominator = 4;
  }
  void ReadTransport(TransportInfo*) override {}
  void ResizeEditorFrame(int width, int height) override { calls.push_back({"ResizeEditorFrame", width, static_cast<double>(height)}); }
  bool SendMidiMessage(const MidiMessage* message) override
  {
    calls.push_back({"SendMidiMessage", message ? message->status : -1, 0.0});
    return true;
  }

  double Value(int index) const { return GetParam(index) ? GetParam(index)->Value() : -999.0; }
  int CountOf(const std::string& what) const
  {
    int n = 0;
    for (const HostCall& call : calls) n += call.what == what;
    return n;
  }

  using IEffectBase::CreateBypassDelay;
  using IEffectBase::SetHostIdentity;
  using IEffectBase::SetPluginFormat;

  std::vector<HostCall> calls;
};

// Records every value the plug-in pushes into it, besides the base behaviour.
class RecordingControl : public IControl {
public:
  RecordingControl(IEffectBase* plug, int paramIndex, std::vector<HostCall>* log)
    : IControl(plug, IRect(), paramIndex), log(log)
  {
  }
  bool Draw(IGraphics&) override { return true; }
  void UpdateFromPlug(double v) override
  {
    if (log) log->push_back({"UpdateFromPlug", ParamIdx(), v});
    IControl::UpdateFromPlug(v);
  }
  // Lets a test act as the user: the value then goes to the plug-in.
  void UserSets(double v)
  {
    SetValue(v);
    MarkDirty(true);
  }
  bool IsDirty() const { return NeedsRedraw(); }

private:
  std::vector<HostCall>* log;
};

class FakeEditor : public IGraphicsHeadless {
public:
  FakeEditor(IEffectBase* plug, bool* destroyed = nullptr) : IGraphicsHeadless(plug, 470, 322, 25), destroyed(destroyed) {}
  ~FakeEditor() override
  {
    if (destroyed) *destroyed = true;
  }
  int SurfaceWidth() const { return Surface() ? Surface()->Width() : 0; }
  int SurfaceHeight() const { return Surface() ? Surface()->Height() : 0; }
  RecordingControl* Control(int index) const { return static_cast<RecordingControl*>(GetControl(index)); }

private:
  bool* destroyed;
};
