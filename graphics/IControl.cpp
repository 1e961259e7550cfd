// Base of every editor control: a normalized value tied to one parameter of the plug-in.
#include "graphics/IControl.h"

#include "framework/IEffectBase.h"

IControl::IControl(IEffectBase* plug_, int paramIndex_) : plug(plug_), paramIndex(paramIndex_) {}

void IControl::UpdateFromPlug(double v)
{
  if (defaultValue < 0.0) {
    value = v;
    defaultValue = v;
  }
  if (value != v) {
    value = v;
    MarkDirty(false);
    redrawRequested = true;
  }
}

void IControl::MarkDirty(bool pushToPlug)
{
  value = value < minValue ? minValue : (value > maxValue ? maxValue : value);
  dirty = true;
  if (pushToPlug && plug && paramIndex >= 0) plug->SetParamFromEditor(paramIndex, value);
}

void IControl::MarkClean()
{
  dirty = redrawRequested;
  redrawRequested = false;
}
