// Platform-neutral core of the plug-in editor: owns the controls and carries
// parameter values from the plug-in into them.
#include "graphics/IGraphics.h"

#include "framework/IEffectBase.h"
#include "graphics/IControl.h"

IGraphics::IGraphics(IEffectBase* plug_, int width_, int height_, int fps_)
  : plug(plug_), width(width_), height(height_), fps(fps_)
{
}

IGraphics::~IGraphics()
{
  for (IControl* control : controls) delete control;
  controls.clear();
}

int IGraphics::AddControl(IControl* control)
{
  if (!control) return -1;
  controls.push_back(control);
  return ControlCount() - 1;
}

void IGraphics::SetControlsFromParameter(int paramIndex, double value, bool normalized)
{
  if (!normalized) {
    const IParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
    if (!param) return;
    value = param->NormalizedOf(value);
  }
  for (IControl* control : controls)
    if (control->ParamIdx() == paramIndex) control->UpdateFromPlug(value);
}

void IGraphics::CreateDrawSurfaces()
{
  surfaceWidth = width;
  surfaceHeight = height;
}

IControl* IGraphics::GetControl(int index) const
{
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls[static_cast<size_t>(index)];
}
