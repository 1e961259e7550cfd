// Window-system services behind the bitmaps, images and fonts; each platform
// implements them in its own source file.
#pragma once

#include "PixBlit.h"
#include "PixSysBitmap.h"

#include <cstdint>

using PIX_PlatformFont = void*;

// What a text style asks of the platform font.
struct PIX_FontRequest
{
  int32_t height = 0;     // cell height when positive, character height when negative
  int32_t escapement = 0; // tenths of a degree
  int32_t weight = 400;
  bool italic = false;
  int32_t quality = 0; // 0 default, 3 non-antialiased, 4 antialiased, 5 subpixel
  const char* faceName = "";
};

PIX_PlatformFont PIX_CreatePlatformFont(const PIX_FontRequest& request);
void PIX_DeletePlatformFont(PIX_PlatformFont font);

// The glyph scratch surface draws white text on an opaque black background.
void PIX_PrepareGlyphScratch(PIX_SysBitmap& scratch);
// Character cell height of the font (its text metrics height).
int32_t PIX_FontCellHeight(PIX_PlatformFont font, PIX_SysBitmap& scratch);
// Size of one character measured alone on a single line.
bool PIX_MeasureCharacter(PIX_PlatformFont font, PIX_SysBitmap& scratch, uint16_t code,
                          int32_t* width, int32_t* height);
// Draws one character with its pen at (x, 0) into the scratch box, already black;
// the red channel of each pixel receives the coverage.
void PIX_DrawCharacter(PIX_PlatformFont font, PIX_SysBitmap& scratch, uint16_t code, int32_t x,
                       int32_t boxWidth, int32_t boxHeight);

// Whether the process runs under the Wine compatibility layer (asked once).
bool PIX_RunsUnderWine();

// Text colours and mode for the platform's own text drawing.
struct PIX_TextPaint
{
  uint32_t foreground;
  uint32_t background;
  int32_t backgroundMode; // 1 transparent, 2 opaque
};

// Draws or measures (format 0x400) UTF-8 or raw text through the window system.
// False when the platform cannot draw into this target; *height receives the text
// height otherwise.
bool PIX_PlatformDrawText(PIX_PlatformFont font, void* deviceContext, int32_t targetWidth,
                          int32_t targetHeight, const char* text, int32_t count, PIX_Rect* rect,
                          uint32_t format, const PIX_TextPaint& paint, int32_t* height);
