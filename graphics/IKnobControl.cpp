// Knobs with their value text.
#include "graphics/IKnobControl.h"

#include "framework/IEffectBase.h"
#include "graphics/IGraphics.h"


IKnobControl::IKnobControl(IEffectBase* plug_, const IRect& rect_, int paramIndex_)
  : IControl(plug_, rect_, paramIndex_)
{
}

IKnobMultiControlText::IKnobMultiControlText(IEffectBase* plug_, const IRect& rect_, int paramIndex_,
                                             const IBitmap& bitmap_, const IText& text_)
  : IKnobControl(plug_, rect_, paramIndex_), bitmap(bitmap_)
{
  text = text_;
  textRect = IRect(rect.L, rect.B - text.size, rect.R, rect.B);
  knobRect = IRect(rect.L, rect.T, rect.L + bitmap.W, rect.T + bitmap.H / (bitmap.N > 0 ? bitmap.N : 1));
  promptDisabled = false;
}

void IKnobMultiControlText::MouseDown(int x, int y, const IMouseMods& mods)
{
  if (!textRect.Contains(x, y)) {
    // A press alone sends the current value, as a drag of no distance.
    MouseDrag(x, y, 0, 0, mods);
    return;
  }
  IGraphics* graphics = Graphics();
  IParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
  if (paramIndex >= 0 && !promptDisabled && graphics && param) {
    graphics->PromptForParameterValue(this, param, textRect);
    RequestRedraw();
  }
}

void IKnobMultiControlText::MouseDrag(int, int, int dX, int dY, const IMouseMods& mods)
{
  double divisor = dragDivisor;
  if (mods.C || mods.S) divisor *= 10.0;
  // Four control heights (value text included) cover the whole range.
  double v = Value();
  if (direction == kVertical) {
    const int span = rect.T - rect.B;
    if (span != 0) v += double(dY) / double(span) / divisor;
  } else {
    const int span = rect.R - rect.L;
    if (span != 0) v += double(dX) / double(span) / divisor;
  }
  SetValue(v);
  MarkDirty(true);
}

void IKnobMultiControlText::MouseWheel(int, int, const IMouseMods& mods, int notches)
{
  SetValue(Value() + notches * ((mods.C || mods.S) ? 0.001 : 0.01));
  MarkDirty(true);
}

bool IKnobMultiControlText::Draw(IGraphics& graphics)
{
  const IBlend blend = GetBlend();
  graphics.DrawBitmapFrame(bitmap, knobRect, FrameFor(bitmap, Value()), &blend);

  const IParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
  if (!param) return true;
  char display[IParam::kTextSize] = {};
  // Formatted from the control's own value: the parameter's value belongs to the
  // threads that hold the plug-in's mutex.
  param->FormatForHost(Value(), true, display, true);
  if (display[0] == '\0') return true;
  text.color = IsGreyed() ? IColor(255, 200, 200, 200) : IColor(255, 85, 85, 85);
  RequestRedraw();
  IRect box = textRect;
  return graphics.DrawText(text, display, box);
}
