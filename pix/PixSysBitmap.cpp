// Resizing rules shared by every platform: shrinking keeps the section, growing
// past it makes a new one, and a failure leaves an empty bitmap.
#include "PixSysBitmap.h"

bool PIX_SysBitmap::Resize(int32_t w, int32_t h)
{
  if (!CanCreateSection())
  {
    width = 0;
    height = 0;
    bits = nullptr;
    return false;
  }
  if (w == width && h == height)
    return false;
  width = w;
  height = h;
  if (w > 0 && h > 0 && rowStride >= w && allocatedHeight >= h && bits)
    return true;

  rowStride = w > 0 ? int32_t((int64_t(w) + 3) & ~int64_t(3)) : 0;
  allocatedHeight = h;
  ReleaseSection();
  const bool wanted = rowStride >= 1 && h >= 1;
  if (!wanted || uint64_t(rowStride) * uint64_t(h) * 4u > PIX_MaxBitmapBytes || !CreateSection())
  {
    ReleaseSection();
    width = 0;
    height = 0;
    rowStride = 0;
    allocatedHeight = 0;
    return wanted;
  }
  return true;
}
