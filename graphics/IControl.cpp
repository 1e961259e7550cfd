// Base of every editor control: value flow, dirty marking, greying and hit testing.
#include "graphics/IControl.h"

#include "framework/IEffectBase.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

IControl::IControl(IEffectBase* plug_, const IRect& rect_, int paramIndex_, const IBlend& blend)
  : plug(plug_), rect(rect_), hitRect(rect_), paramIndex(paramIndex_), blendMethod(blend.method),
    blendWeight(blend.weight)
{
}

IGraphics* IControl::Graphics() const
{
  return plug ? plug->Editor() : nullptr;
}

void IControl::MouseDown(int, int, const IMouseMods& mods)
{
  if (mods.R) OpenValuePrompt();
}

void IControl::MouseDoubleClick(int, int, const IMouseMods&)
{
  TakeDefault();
}

void IControl::TakeDefault()
{
  const double fallback = defaultValue.load();
  if (fallback >= 0.0) {
    value.store(fallback);
    MarkDirty(true);
  }
}

void IControl::UpdateFromPlug(double v)
{
  // A host may send anything; a NaN would stick in the control and its frame maths.
  if (std::isnan(v)) return;
  if (defaultValue.load() < 0.0) {
    value.store(v);
    defaultValue.store(v);
  }
  if (value.load() != v) {
    value.store(v);
    // Requested before marking, so a clean by the drawing thread in between
    // still leaves the new value for two redraws.
    RequestRedraw();
    MarkDirty(false);
  }
}

void IControl::TakeUserValue(double v)
{
  if (std::isnan(v)) return;
  if (value.load() != v) {
    value.store(v);
    RequestRedraw();
    MarkDirty(true);
  }
}

void IControl::SetHidden(bool hide)
{
  hidden.store(hide);
  RequestRedraw();
  MarkDirty(false);
}

void IControl::SetGreyed(bool grey)
{
  greyed.store(grey);
  blendWeight.store(grey ? 0.25f : 1.0f);
  MarkDirty(false);
}

int IControl::FrameFor(const IBitmap& bitmap, double v)
{
  if (bitmap.N < 2) return 1;
  return std::clamp(int((bitmap.N - 1) * v + 0.5) + 1, 1, bitmap.N);
}

bool IControl::HitTest(int x, int y) const
{
  return hitRect.Contains(x, y);
}

void IControl::MarkDirty(bool pushToPlug)
{
  const double v = value.load();
  const double limited = v < minValue ? minValue : (v > maxValue ? maxValue : v);
  if (limited != v) value.store(limited);
  state.fetch_or(kDirty);
  if (pushToPlug && plug && paramIndex >= 0) plug->SetParamFromEditor(paramIndex, limited);
}

void IControl::MarkClean()
{
  // dirty = redrawRequested; redrawRequested = false, as one step.
  unsigned old = state.load();
  while (!state.compare_exchange_weak(old, (old & kRedrawRequested) ? kDirty : 0u)) {
  }
}

void IControl::OpenValuePrompt()
{
  if (paramIndex < 0 || promptDisabled || !plug) return;
  IGraphics* graphics = Graphics();
  IParam* param = plug->GetParam(paramIndex);
  if (!graphics || !param) return;
  IRect promptRect = rect;
  if (param->DisplayTextCount() == 0) {
    const int cx = int((rect.L + rect.R) * 0.5);
    const int cy = int((rect.T + rect.B) * 0.5);
    promptRect = IRect(cx - 20, cy - 8, cx + 20, cy + 8);
  }
  graphics->PromptForParameterValue(this, param, promptRect);
  RequestRedraw();
}

IPanelControl::IPanelControl(IEffectBase* plug_, const IRect& rect_, const IColor& color_)
  : IControl(plug_, rect_, -1), color(color_)
{
}

bool IPanelControl::Draw(IGraphics& graphics)
{
  const IBlend blend = GetBlend();
  graphics.FillRect(color, rect, &blend);
  return true;
}
