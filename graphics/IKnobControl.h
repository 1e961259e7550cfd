// Knobs: a bitmap strip turned by dragging and the wheel, with the parameter's
// display text printed below the image.
#pragma once

#include "graphics/IControl.h"

class IKnobControl : public IControl {
public:
  enum Direction { kVertical = 0, kHorizontal = 1 };

protected:
  IKnobControl(IEffectBase* plug, const IRect& rect, int paramIndex);

  int direction = kVertical;
  // A drag over this many knob heights (ten times as many with Shift or Ctrl)
  // covers the whole range.
  double dragDivisor = 4.0;
};

class IKnobMultiControlText : public IKnobControl {
public:
  IKnobMultiControlText(IEffectBase* plug, const IRect& rect, int paramIndex, const IBitmap& bitmap,
                        const IText& text);
  void MouseDown(int x, int y, const IMouseMods& mods) override;
  void MouseDrag(int x, int y, int dX, int dY, const IMouseMods& mods) override;
  void MouseWheel(int x, int y, const IMouseMods& mods, int notches) override;
  bool Draw(IGraphics& graphics) override;

  const IRect& TextRect() const { return textRect; }
  const IRect& KnobRect() const { return knobRect; }

private:
  IRect textRect;
  IRect knobRect;
  IBitmap bitmap;
};
