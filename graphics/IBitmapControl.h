// Controls that show one frame of a bitmap strip: the plain picture, the cycling
// switch, the overlay page that opens over everything, and the reset button.
#pragma once

#include "graphics/IControl.h"

class IBitmapControl : public IControl {
public:
  // The rectangle is one frame placed at (x, y).
  IBitmapControl(IEffectBase* plug, int x, int y, int paramIndex, const IBitmap& bitmap,
                 const IBlend& blend = IBlend());
  bool Draw(IGraphics& graphics) override;

protected:
  IBitmap bitmap;
};

// Each press steps to the next frame and wraps to the first after the last.
class ISwitchControl : public IBitmapControl {
public:
  using IBitmapControl::IBitmapControl;
  void MouseDown(int x, int y, const IMouseMods& mods) override;
  // Steps once more, like a press, rather than returning to the default.
  void MouseDoubleClick(int x, int y, const IMouseMods& mods) override;
};

// Closed (value below 0.5) it draws nothing and takes clicks only in its target
// area; open it covers its whole rectangle and any click there closes it.
class IBitmapOverlayControl : public ISwitchControl {
public:
  IBitmapOverlayControl(IEffectBase* plug, int x, int y, const IBitmap& bitmap, const IRect& targetArea,
                        const IBlend& blend = IBlend());
  bool Draw(IGraphics& graphics) override;

private:
  IRect targetArea;
};

// Pressed, it returns every other control with a known default to it, sending the
// defaults to their parameters.
class IResetControl : public IBitmapControl {
public:
  IResetControl(IEffectBase* plug, int x, int y, const IBitmap& bitmap, const IBlend& blend = IBlend());
  void MouseDown(int x, int y, const IMouseMods& mods) override;
  void MouseUp(int x, int y, const IMouseMods& mods) override;
};
