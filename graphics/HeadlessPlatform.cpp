// Editors of tools and tests draw into memory only.
#include "graphics/IGraphicsHeadless.h"

IGraphics* CreatePlatformGraphics(IEffectBase* plug, int width, int height, int fps)
{
  return new IGraphicsHeadless(plug, width, height, fps);
}
