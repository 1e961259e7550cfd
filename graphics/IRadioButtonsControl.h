// A row of three buttons of one bitmap (off frame, on frame); the value picks one.
#pragma once

#include "graphics/IControl.h"

#include <vector>

class IRadioButtonsControl : public IControl {
public:
  IRadioButtonsControl(IEffectBase* plug, const IRect& rect, int paramIndex, const IBitmap& bitmap);
  void MouseDown(int x, int y, const IMouseMods& mods) override;
  bool Draw(IGraphics& graphics) override;

  const std::vector<IRect>& ButtonRects() const { return buttonRects; }

private:
  std::vector<IRect> buttonRects;
  IBitmap bitmap;
};
