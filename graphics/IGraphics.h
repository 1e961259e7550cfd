// Platform-neutral core of the plug-in editor: owns the controls and carries
// parameter values from the plug-in into them.
#pragma once

#include <vector>

class IControl;
class IEffectBase;

class IGraphics {
public:
  IGraphics(IEffectBase* plug, int width, int height, int fps);
  // Deletes every control.
  virtual ~IGraphics();
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Takes ownership; returns the control's index, or -1 for a null control.
  int AddControl(IControl* control);
  // Every control tied to paramIndex gets the value through UpdateFromPlug; a
  // plain value (normalized false) is first mapped with the parameter's curve.
  virtual void SetControlsFromParameter(int paramIndex, double value, bool normalized);
  // Makes the drawing surfaces for the editor's size. Until the drawing library
  // is linked in, only the requested surface size is recorded.
  virtual void CreateDrawSurfaces();

  IEffectBase* GetPlug() const { return plug; }
  int Width() const { return width; }
  int Height() const { return height; }
  int FPS() const { return fps; }
  int ControlCount() const { return static_cast<int>(controls.size()); }
  // Null for an index outside the list.
  IControl* GetControl(int index) const;
  int SurfaceWidth() const { return surfaceWidth; }
  int SurfaceHeight() const { return surfaceHeight; }

protected:
  std::vector<IControl*> controls;
  IEffectBase* plug;
  int width;
  int height;
  int fps;

private:
  int surfaceWidth = 0;
  int surfaceHeight = 0;
};
