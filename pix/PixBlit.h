// Pixel combining: rectangle blits between bitmaps and solid fills, with a blend
// mode and an opacity, in integer arithmetic on 8-bit channels.
#pragma once

#include "PixBitmap.h"

#include <cstdint>

// Low byte of the blend-mode word: the operation.
enum : uint32_t
{
  BlitCopy = 0,
  BlitAdd = 1,
  BlitDodge = 2,
  // Weight each source pixel by its own alpha (the fill colour's for fills).
  BlitUseAlpha = 0x10000,
};

struct PIX_Rect
{
  int32_t L = 0, T = 0, R = 0, B = 0;
};

// int(opacity × 256) kept inside 0..256, so that opacities above 1, below 0 or NaN
// can neither push a channel past a byte nor reach an undefined conversion.
int PIX_OpacityWeight(float opacity);

void PIX_BlitRect(PIX_IBitmap* destination, PIX_IBitmap* source, int32_t x, int32_t y,
                  const PIX_Rect* sourceRect, float opacity, uint32_t mode);

void PIX_FillArea(PIX_IBitmap* destination, int32_t x, int32_t y, int32_t width, int32_t height,
                  uint32_t colour, float opacity, uint32_t mode);
