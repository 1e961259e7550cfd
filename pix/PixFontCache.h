// Process-wide fonts, one per distinct text style, shared by everything that draws.
#pragma once

#include "PixFont.h"

#include <cstdint>

enum : int32_t
{
  TextStyleNormal = 0,
  TextStyleBold = 1,
  TextStyleItalic = 2,
};

// The parts of a text style that pick a font.
struct PIX_TextStyle
{
  int32_t size = 0;
  int32_t orientation = 0; // degrees
  int32_t style = TextStyleNormal;
  int32_t quality = 0; // 0 default, 1 non-antialiased, 2 antialiased, 3 subpixel
  char faceName[36] = {};
  PIX_CachedFont* fontObject = nullptr; // set by GetCachedFont
};

// The shared font for this style (also stored in style.fontObject), or null when
// the platform cannot make one; the next call tries again. Fonts live until the
// module unloads.
PIX_CachedFont* GetCachedFont(PIX_TextStyle& style);
