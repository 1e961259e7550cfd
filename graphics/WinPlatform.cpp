// Editors of the Windows modules open in the host's window.
#include "graphics/IGraphicsWin.h"

IGraphics* CreatePlatformGraphics(IEffectBase* plug, int width, int height, int fps)
{
  return new IGraphicsWin(plug, width, height, fps);
}
