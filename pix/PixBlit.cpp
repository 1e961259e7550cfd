// Blit and fill loops. Division truncates toward zero throughout, as C++ does.
#include "PixBlit.h"

#include <algorithm>
#include <cstring>

namespace {

inline int Channel(uint32_t word, int shift) { return int((word >> shift) & 0xFF); }
inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline uint32_t Pack(int a, int r, int g, int b)
{
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

uint32_t CopyMix(uint32_t s, uint32_t d, int ia)
{
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
  {
    const int sc = Channel(s, shift), dc = Channel(d, shift);
    out |= uint32_t(sc + (dc - sc) * (256 - ia) / 256) << shift;
  }
  return out;
}

uint32_t CopyAlphaFull(uint32_t s, uint32_t d)
{
  const int sA = Channel(s, 24);
  if (sA == 0)
    return d;
  if (sA == 255)
    return s;
  uint32_t out = uint32_t(std::min(Channel(d, 24) + sA, 255)) << 24;
  for (int shift = 0; shift < 24; shift += 8)
  {
    const int sc = Channel(s, shift), dc = Channel(d, shift);
    out |= uint32_t(sc + (dc - sc) * (255 - sA) / 256) << shift;
  }
  return out;
}

uint32_t CopyAlphaWeighted(uint32_t s, uint32_t d, int ia)
{
  const int sA = Channel(s, 24);
  if (sA == 0)
    return d;
  const int w = ia * (sA + 1) / 256;
  uint32_t out = uint32_t(std::min(Channel(d, 24) + w, 255)) << 24;
  for (int shift = 0; shift < 24; shift += 8)
  {
    const int sc = Channel(s, shift), dc = Channel(d, shift);
    out |= uint32_t(sc + (dc - sc) * (256 - w) / 256) << shift;
  }
  return out;
}

uint32_t AddAlpha(uint32_t s, uint32_t d, int ia)
{
  const int sA = Channel(s, 24);
  if (sA == 0)
    return d;
  const int w = ia * (sA + 1) / 256;
  uint32_t out = uint32_t(Clamp255(Channel(d, 24) + sA * w / 256)) << 24;
  for (int shift = 0; shift < 24; shift += 8)
    out |= uint32_t(Clamp255(Channel(d, shift) + w * Channel(s, shift) / 256)) << shift;
  return out;
}

uint32_t DodgeAlpha(uint32_t s, uint32_t d, int ia)
{
  const int w = ia * (Channel(s, 24) + 1) / 256;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
  {
    const int k = Channel(s, shift) * w / 256;
    const int dc = Channel(d, shift);
    const int v = k > 254 ? std::min(255, dc * 256) : std::min(255, dc * 256 / (256 - k));
    out |= uint32_t(v) << shift;
  }
  return out;
}

} // namespace

int PIX_OpacityWeight(float opacity)
{
  if (!(opacity > 0.0f))
    return 0;
  if (opacity >= 1.0f)
    return 256;
  return int(opacity * 256.0f);
}

void PIX_BlitRect(PIX_IBitmap* dest, PIX_IBitmap* src, int32_t x, int32_t y,
                  const PIX_Rect* srcRect, float opacity, uint32_t mode)
{
  if (!dest || !src || opacity == 0.0f)
    return;
  uint32_t* destPixels = dest->Pixels();
  const uint32_t* srcPixels = src->Pixels();
  if (!destPixels || !srcPixels)
    return;

  // 64-bit positions: host-sized rectangles must not wrap while being clipped.
  const int64_t srcWidth = src->Width(), srcHeight = src->Height();
  int64_t left = 0, top = 0, right = srcWidth, bottom = srcHeight;
  int64_t dx = x, dy = y;
  if (srcRect)
  {
    right = std::min<int64_t>(srcRect->R, srcWidth);
    bottom = std::min<int64_t>(srcRect->B, srcHeight);
    left = srcRect->L;
    top = srcRect->T;
    if (left < 0)
    {
      dx -= left;
      left = 0;
    }
    if (top < 0)
    {
      dy -= top;
      top = 0;
    }
  }
  if (dx < 0)
  {
    left -= dx;
    dx = 0;
  }
  if (dy < 0)
  {
    top -= dy;
    dy = 0;
  }
  const int64_t destWidth = dest->Width(), destHeight = dest->Height();
  if (left >= right || top >= bottom || dx >= destWidth || dy >= destHeight)
    return;
  const int64_t width = std::min(destWidth - dx + left, right) - left;
  const int64_t height = std::min(destHeight - dy + top, bottom) - top;
  if (width <= 0 || height <= 0)
    return;

  const int64_t destStride = dest->RowStride(), srcStride = src->RowStride();
  uint32_t* destRow = destPixels + dy * destStride + dx;
  const uint32_t* srcRow = srcPixels + top * srcStride + left;
  const uint32_t operation = mode & 0xFF;
  const bool useAlpha = (mode & BlitUseAlpha) != 0;
  if (operation > BlitDodge)
    return; // no other operation exists

  if (operation == BlitCopy && !useAlpha)
  {
    if (opacity == 1.0f)
    {
      // memmove: a bitmap may be blitted onto itself.
      for (int64_t row = 0; row < height; ++row, destRow += destStride, srcRow += srcStride)
        std::memmove(destRow, srcRow, size_t(width) * 4);
      return;
    }
    if (opacity == 0.5f)
    {
      for (int64_t row = 0; row < height; ++row, destRow += destStride, srcRow += srcStride)
        for (int64_t i = 0; i < width; ++i)
          destRow[i] = ((destRow[i] >> 1) & 0x7F7F7F7Fu) + ((srcRow[i] >> 1) & 0x7F7F7F7Fu);
      return;
    }
  }

  const int ia = PIX_OpacityWeight(opacity);
  if (ia < 1)
    return;

  // One loop per mode and weight, so that the choice is not made for every pixel.
  auto eachPixel = [&](auto mix) {
    for (int64_t row = 0; row < height; ++row, destRow += destStride, srcRow += srcStride)
      for (int64_t i = 0; i < width; ++i)
        destRow[i] = mix(srcRow[i], destRow[i]);
  };
  if (operation == BlitCopy && !useAlpha && ia == 256)
    eachPixel([](uint32_t s, uint32_t) { return s; });
  else if (operation == BlitCopy && !useAlpha)
    eachPixel([ia](uint32_t s, uint32_t d) { return CopyMix(s, d, ia); });
  else if (operation == BlitCopy && ia == 256)
    eachPixel([](uint32_t s, uint32_t d) { return CopyAlphaFull(s, d); });
  else if (operation == BlitCopy)
    eachPixel([ia](uint32_t s, uint32_t d) { return CopyAlphaWeighted(s, d, ia); });
  else if (operation == BlitAdd)
    eachPixel([ia](uint32_t s, uint32_t d) { return AddAlpha(s, d, ia); });
  else
    eachPixel([ia](uint32_t s, uint32_t d) { return DodgeAlpha(s, d, ia); });
}

void PIX_FillArea(PIX_IBitmap* dest, int32_t x, int32_t y, int32_t w, int32_t h,
                  uint32_t colour, float opacity, uint32_t mode)
{
  if (!dest)
    return;
  if (mode & BlitUseAlpha)
    opacity = float(opacity * (Channel(colour, 24) / 255.0));

  int64_t left = x, top = y, width = w, height = h;
  if (left < 0)
  {
    width += left;
    left = 0;
  }
  if (top < 0)
  {
    height += top;
    top = 0;
  }
  uint32_t* pixels = dest->Pixels();
  const int64_t stride = dest->RowStride();
  const int64_t destWidth = dest->Width(), destHeight = dest->Height();
  if (opacity == 0.0f || !pixels || stride <= 0 || width <= 0 || height <= 0 ||
      left >= destWidth || top >= destHeight)
    return;
  width = std::min(width, destWidth - left);
  height = std::min(height, destHeight - top);
  if ((mode & 0xFF) != BlitCopy)
    return; // fills only copy

  const int ia = PIX_OpacityWeight(opacity);
  if (ia < 1)
    return;
  const int cR = Channel(colour, 16), cG = Channel(colour, 8), cB = Channel(colour, 0);
  const uint32_t colourHalf = (colour >> 1) & 0x7F7F7F7Fu;
  const uint32_t colourQuarter = (colour >> 2) & 0x3F3F3F3Fu;

  // One loop per weight, so that the choice is not made again for every pixel.
  auto eachPixel = [&](auto mix) {
    for (int64_t row = 0; row < height; ++row)
    {
      uint32_t* p = pixels + (top + row) * stride + left;
      for (int64_t i = 0; i < width; ++i)
        p[i] = mix(p[i]);
    }
  };
  switch (ia)
  {
  case 256:
    eachPixel([&](uint32_t) { return colour; });
    break;
  case 128:
    eachPixel([&](uint32_t d) { return colourHalf + ((d >> 1) & 0x7F7F7F7Fu); });
    break;
  case 64:
    eachPixel([&](uint32_t d) { return ((d >> 1) & 0x7F7F7F7Fu) + ((d >> 2) & 0x3F3F3F3Fu) + colourQuarter; });
    break;
  case 192:
    eachPixel([&](uint32_t d) { return colourQuarter + ((d >> 2) & 0x3F3F3F3Fu) + colourHalf; });
    break;
  default:
  {
    const int keep = 256 - ia;
    eachPixel([&](uint32_t d) {
      return Pack(ia + (Channel(d, 24) - ia) * keep / 256, cR + (Channel(d, 16) - cR) * keep / 256,
                  cG + (Channel(d, 8) - cG) * keep / 256, cB + (Channel(d, 0) - cB) * keep / 256);
    });
  }
  }
}
