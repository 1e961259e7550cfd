// Controls that show one frame of a bitmap strip.
#include "graphics/IBitmapControl.h"

#include "graphics/IGraphics.h"


namespace {

IRect FrameRect(int x, int y, const IBitmap& bitmap)
{
  const int frames = bitmap.N > 0 ? bitmap.N : 1;
  return IRect(x, y, x + bitmap.W, y + bitmap.H / frames);
}

}  // namespace

IBitmapControl::IBitmapControl(IEffectBase* plug_, int x, int y, int paramIndex_, const IBitmap& bitmap_,
                               const IBlend& blend)
  : IControl(plug_, FrameRect(x, y, bitmap_), paramIndex_, blend), bitmap(bitmap_)
{
}

bool IBitmapControl::Draw(IGraphics& graphics)
{
  const IBlend blend = GetBlend();
  return graphics.DrawBitmapFrame(bitmap, rect, FrameFor(bitmap, Value()), &blend);
}

void ISwitchControl::MouseDown(int, int, const IMouseMods&)
{
  double v = Value() + (bitmap.N < 2 ? 1.0 : 1.0 / (bitmap.N - 1));
  if (v > 1.001) v = 0.0;
  SetValue(v);
  MarkDirty(true);
}

void ISwitchControl::MouseDoubleClick(int x, int y, const IMouseMods& mods)
{
  ISwitchControl::MouseDown(x, y, mods);
}

IBitmapOverlayControl::IBitmapOverlayControl(IEffectBase* plug_, int x, int y, const IBitmap& bitmap_,
                                             const IRect& targetArea_, const IBlend& blend)
  : ISwitchControl(plug_, x, y, -1, bitmap_, blend), targetArea(targetArea_)
{
  // Closed from the start, so a click that comes before the first draw does not
  // open it from anywhere in its rectangle.
  hitRect = targetArea;
}

bool IBitmapOverlayControl::Draw(IGraphics& graphics)
{
  if (Value() < 0.5) {
    hitRect = targetArea;
    return true;
  }
  hitRect = rect;
  return IBitmapControl::Draw(graphics);
}

IResetControl::IResetControl(IEffectBase* plug_, int x, int y, const IBitmap& bitmap_, const IBlend& blend)
  : IBitmapControl(plug_, x, y, -1, bitmap_, blend)
{
}

void IResetControl::MouseDown(int, int, const IMouseMods&)
{
  SetValue(1.0);
  if (IGraphics* graphics = Graphics()) {
    for (int i = 0; i < graphics->ControlCount(); ++i) {
      IControl* control = graphics->GetControl(i);
      if (control == this || control->DefaultValue() < 0.0) continue;
      control->TakeDefault();
    }
  }
  MarkDirty(true);
}

void IResetControl::MouseUp(int, int, const IMouseMods&)
{
  SetValue(0.0);
  MarkDirty(true);
}
