// The LV2 wrapper of the plug-in base on the editor side.
#include "framework/lv2/IEffectLV2Ui.h"

#include "framework/lv2/Lv2Feature.h"
#include "graphics/IGraphics.h"

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>

#include <cmath>
#include <cstring>

IEffectLV2Ui::IEffectLV2Ui(const Lv2UiHost* host, int paramCount, const char* channelIOText, int presetCount,
                           const char* effectName, const char* productName, const char* makerName, int32_t version,
                           int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks, bool isInstrument,
                           bool doesMidi)
  : IEffectBase(const_cast<Lv2UiHost*>(host), paramCount, channelIOText, presetCount, effectName, productName,
                makerName, version, uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi)
{
  SetPluginFormat(2);
  if (!host) return;
  write = host->write;
  controller = host->controller;
  parent = const_cast<void*>(FindLv2Feature(host->features, LV2_UI__parent));
  resize = static_cast<const LV2UI_Resize*>(FindLv2Feature(host->features, LV2_UI__resize));
  touch = static_cast<const LV2UI_Touch*>(FindLv2Feature(host->features, LV2_UI__touch));
  dspInstance = const_cast<void*>(FindLv2Feature(host->features, LV2_INSTANCE_ACCESS_URI));
  const auto* dataAccess =
    static_cast<const LV2_Extension_Data_Feature*>(FindLv2Feature(host->features, LV2_DATA_ACCESS_URI));
  if (dataAccess) dspExtensionData = dataAccess->data_access;
}

const void* IEffectLV2Ui::DspExtensionData(const char* uri) const
{
  return dspInstance && dspExtensionData && uri ? dspExtensionData(uri) : nullptr;
}

IEffectLV2Ui::~IEffectLV2Ui()
{
  if (Editor()) Editor()->CloseWindow();
}

void* IEffectLV2Ui::OpenEditor()
{
  if (!Editor() || !parent) return nullptr;
  void* window = Editor()->OpenWindow(parent);
  if (!window) return nullptr;
  windowOpened = true;
  OnEditorOpened();
  ResizeEditorFrame(Editor()->Width(), Editor()->Height());
  return window;
}

void IEffectLV2Ui::ResizeEditorFrame(int width, int height)
{
  if (resize && resize->ui_resize) resize->ui_resize(resize->handle, width, height);
}

void IEffectLV2Ui::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  if (format != 0 || size != sizeof(float) || !buffer) return;
  float value = 0.0f;
  std::memcpy(&value, buffer, sizeof value);
  if (port == lv2ports::LampPort(ParamCount())) {
    if (std::isfinite(value)) ShowLampLevel(value);
    return;
  }
  const int index = lv2ports::ParamOfPort(port, ParamCount());
  IParam* param = GetParam(index);
  if (!param || std::isnan(value)) return;
  // The host's value, shown without being sent back.
  const double plain = lv2ports::LimitedPortValue(*param, value);
  PluginLock lock(Mutex());
  if (Editor()) Editor()->SetControlsFromParameter(index, plain, false);
  param->SetClamped(plain);
  OnParamChanged(index);
}

int IEffectLV2Ui::Idle()
{
  if (!Editor()) return 1;
  Editor()->Idle();
  return windowOpened && !Editor()->GetWindow() ? 1 : 0;
}

void IEffectLV2Ui::Touch(int index, bool grabbed)
{
  if (touch && touch->touch && GetParam(index)) touch->touch(touch->handle, lv2ports::ParamPort(index), grabbed);
}

void IEffectLV2Ui::BeginParamEdit(int index) { Touch(index, true); }

void IEffectLV2Ui::EndParamEdit(int index) { Touch(index, false); }

void IEffectLV2Ui::NotifyParamEdit(int index, double)
{
  // The port carries plain units: the parameter's value after its own rounding.
  const IParam* param = GetParam(index);
  if (!param || !write) return;
  const float value = static_cast<float>(param->Value());
  write(controller, lv2ports::ParamPort(index), sizeof value, 0, &value);
}

void IEffectLV2Ui::TransportTimeSig(int* numerator, int* denominator)
{
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
}
