// The cached font: platform text drawing when it serves, otherwise glyph masks
// rendered once through the platform font and composited here.
#include "PixFont.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Shared by every font of the process; the last font to go deletes the scratch.
int liveFonts = 0;
PIX_SysBitmap* glyphScratch = nullptr;

PIX_SysBitmap* EnsureGlyphScratch(int32_t side)
{
  if (!glyphScratch)
  {
    glyphScratch = new PIX_SysBitmap(side, side);
    PIX_PrepareGlyphScratch(*glyphScratch);
  }
  else if (glyphScratch->Width() < side || glyphScratch->Height() < side)
  {
    glyphScratch->Resize(std::max(side, glyphScratch->Width()), std::max(side, glyphScratch->Height()));
    PIX_PrepareGlyphScratch(*glyphScratch);
  }
  if (glyphScratch->Width() < side || glyphScratch->Height() < side || !glyphScratch->Pixels())
    return nullptr;
  return glyphScratch;
}

constexpr uint32_t AlignmentFlags = TextCentre | TextRight | TextVerticalCentre | TextBottom;

} // namespace

int32_t Utf8Decode(const char* text, size_t available, uint32_t* code)
{
  if (available == 0 || !text)
  {
    *code = 0;
    return 0;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const uint32_t lead = bytes[0];
  *code = lead;
  int following = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    following = 1;
  else if (lead >= 0xE0 && lead <= 0xEF)
    following = 2;
  else if (lead >= 0xF0 && lead <= 0xF4)
    following = 3;
  if (following == 0 || available < size_t(following) + 1)
    return 1;
  for (int i = 1; i <= following; ++i)
    if (bytes[i] < 0x80 || bytes[i] > 0xBF)
      return 1;
  if (following == 1)
    *code = ((lead & 0x1F) << 6) | (bytes[1] & 0x3F);
  else if (following == 2)
    *code = (((lead & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F)) & 0xFFFF;
  else
    *code = 32; // beyond 16 bits: shown as a space
  return following + 1;
}

PIX_CachedFont::PIX_CachedFont()
{
  ++liveFonts;
}

PIX_CachedFont::~PIX_CachedFont()
{
  if (platformFont && (fontFlags & FontOwnsPlatformFont))
    PIX_DeletePlatformFont(platformFont);
  if (--liveFonts == 0)
  {
    delete glyphScratch;
    glyphScratch = nullptr;
  }
}

void PIX_CachedFont::AdoptPlatformFont(PIX_PlatformFont font, uint32_t flags)
{
  if (platformFont && platformFont != font && (fontFlags & FontOwnsPlatformFont))
    PIX_DeletePlatformFont(platformFont);
  fontFlags = flags;
  platformFont = font;
  cellHeight = 0;
  if (font)
  {
    if (PIX_SysBitmap* scratch = EnsureGlyphScratch(256))
      cellHeight = PIX_FontCellHeight(font, *scratch);
  }
  std::memset(asciiGlyphs, 0, sizeof(asciiGlyphs));
  otherGlyphs.clear();
  glyphData.clear();
}

uint32_t PIX_CachedFont::SetForeground(uint32_t colour)
{
  return std::exchange(foreground, colour);
}

uint32_t PIX_CachedFont::SetBackground(uint32_t colour)
{
  return std::exchange(background, colour);
}

uint32_t PIX_CachedFont::SetSecondColor(uint32_t colour)
{
  return std::exchange(secondColor, colour);
}

int32_t PIX_CachedFont::SetBackgroundMode(int32_t mode)
{
  return std::exchange(backgroundMode, mode);
}

void PIX_CachedFont::SetBlendMode(uint32_t mode, float opacity)
{
  blendMode = mode;
  alpha = opacity;
}

const PIX_Glyph* PIX_CachedFont::FindGlyph(uint32_t code)
{
  code &= 0xFFFF;
  if (code < 128)
  {
    PIX_Glyph& glyph = asciiGlyphs[code];
    if (glyph.dataOffset == 0)
    {
      glyph.code = int32_t(code);
      RenderGlyph(glyph);
    }
    return glyph.dataOffset > 0 ? &glyph : nullptr;
  }
  auto byCode = [](const PIX_Glyph& glyph, uint32_t c) { return uint32_t(glyph.code) < c; };
  auto found = std::lower_bound(otherGlyphs.begin(), otherGlyphs.end(), code, byCode);
  if (found == otherGlyphs.end() || uint32_t(found->code) != code)
  {
    PIX_Glyph glyph = {};
    glyph.code = int32_t(code);
    RenderGlyph(glyph);
    found = otherGlyphs.insert(found, glyph); // inserting in place keeps the order by code
  }
  return found->dataOffset > 0 ? &*found : nullptr;
}

bool PIX_CachedFont::RenderGlyph(PIX_Glyph& glyph)
{
  // Until proven otherwise the glyph has nothing to draw, so a failure is not retried.
  glyph.dataOffset = -1;
  glyph.width = glyph.height = glyph.advance = glyph.leftOffset = 0;
  if (!platformFont || cellHeight > 1023)
    return false;
  PIX_SysBitmap* scratch = EnsureGlyphScratch(2 * std::max(cellHeight, 1) + 8);
  if (!scratch)
    return false;
  const int32_t margin = cellHeight < 16 ? 2 : cellHeight / 16 + 2;

  int32_t measuredWidth = 0, measuredHeight = 0;
  if (!PIX_MeasureCharacter(platformFont, *scratch, uint16_t(glyph.code), &measuredWidth, &measuredHeight) ||
      measuredWidth < 1 || measuredHeight < 1 || measuredWidth > 4096 || measuredHeight > 4096)
    return false;
  const int32_t boxWidth = measuredWidth + 2 * margin;
  const int32_t boxHeight = measuredHeight;
  // An unusually wide character may need more than the usual square.
  scratch = EnsureGlyphScratch(std::max(boxWidth, boxHeight));
  if (!scratch)
    return false;

  PIX_FillArea(scratch, 0, 0, boxWidth, boxHeight, 0xFF000000, 1.0f, BlitCopy);
  PIX_DrawCharacter(platformFont, *scratch, uint16_t(glyph.code), margin, boxWidth, boxHeight);

  const uint32_t* pixels = scratch->Pixels();
  const int32_t stride = scratch->RowStride();
  auto coverage = [&](int32_t x, int32_t y) { return uint8_t(pixels[size_t(y) * size_t(stride) + size_t(x)] >> 16); };
  int32_t first = boxWidth, last = -1;
  for (int32_t x = 0; x < boxWidth; ++x)
    for (int32_t y = 0; y < boxHeight; ++y)
      if (coverage(x, y))
      {
        first = std::min(first, x);
        last = std::max(last, x);
        break;
      }

  glyph.advance = measuredWidth;
  glyph.height = measuredHeight;
  if (last < first)
  {
    glyph.width = 0; // a blank such as the space: it only moves the pen
    glyph.leftOffset = 0;
  }
  else
  {
    glyph.width = last - first + 1;
    glyph.leftOffset = margin - first;
  }
  const size_t offset = glyphData.size();
  if (offset >= 0x7FFFFFF0u - size_t(glyph.width) * size_t(glyph.height))
    return false;
  glyphData.resize(offset + size_t(glyph.width) * size_t(glyph.height));
  uint8_t* mask = glyphData.data() + offset;
  for (int32_t y = 0; y < glyph.height; ++y)
    for (int32_t x = 0; x < glyph.width; ++x)
      mask[size_t(y) * size_t(glyph.width) + size_t(x)] = coverage(first + x, y);
  glyph.dataOffset = int32_t(offset) + 1;
  return true;
}

// Lays the code points out from pen (0, 0): carriage returns are skipped, a line
// feed starts a new line (or counts as a space on a single line), and glyphs with
// nothing to draw do not move the pen. visit(code, glyph, pen, lineTop) comes
// before the pen moves past the glyph.
template <typename Visit>
void PIX_CachedFont::WalkGlyphs(const char* text, size_t length, bool singleLine, Visit&& visit)
{
  int64_t pen = 0, lineTop = 0;
  for (size_t at = 0; at < length;)
  {
    uint32_t code = 0;
    at += size_t(Utf8Decode(text + at, length - at, &code));
    if (code == '\r')
      continue;
    if (code == '\n')
    {
      if (!singleLine)
      {
        pen = 0;
        lineTop += cellHeight + lineGap;
        continue;
      }
      code = ' ';
    }
    const PIX_Glyph* glyph = FindGlyph(code);
    if (!glyph)
      continue;
    visit(code, *glyph, pen, lineTop);
    pen += glyph->advance;
  }
}

int32_t PIX_CachedFont::MeasureOwn(const char* text, size_t length, bool singleLine, int32_t* width)
{
  int64_t maxWidth = 0, maxHeight = 0;
  WalkGlyphs(text, length, singleLine, [&](uint32_t, const PIX_Glyph& glyph, int64_t pen, int64_t lineTop) {
    maxWidth = std::max({maxWidth, pen + glyph.advance, pen + glyph.width - glyph.leftOffset});
    maxHeight = std::max(maxHeight, lineTop + glyph.height);
  });
  *width = int32_t(std::min<int64_t>(maxWidth, 0x3FFFFFFF));
  return int32_t(std::min<int64_t>(maxHeight, 0x3FFFFFFF));
}

int32_t PIX_CachedFont::DrawOwn(PIX_IBitmap* bitmap, const char* text, size_t length, PIX_Rect* rect,
                                uint32_t format)
{
  float opacity = alpha;
  if (format & TextUseForegroundAlpha)
    opacity *= float(foreground >> 24) / 255.0f;
  if (!(opacity > 0.0f) || !bitmap->Pixels())
    return 0;
  const bool singleLine = (format & TextSingleLine) != 0;

  int64_t x = rect->L, y = rect->T;
  if (format & AlignmentFlags)
  {
    int32_t textWidth = 0;
    const int32_t textHeight = MeasureOwn(text, length, singleLine, &textWidth);
    if (format & TextCentre)
      x = rect->L + (int64_t(rect->R) - rect->L - textWidth) / 2;
    else if (format & TextRight)
      x = int64_t(rect->R) - textWidth;
    if (format & TextVerticalCentre)
      y = rect->T + (int64_t(rect->B) - rect->T - textHeight) / 2;
    else if (format & TextBottom)
      y = int64_t(rect->B) - textHeight;
  }

  PIX_Rect clip{0, 0, bitmap->Width(), bitmap->Height()};
  if (!(format & TextNoClip))
  {
    clip.L = std::max(clip.L, rect->L);
    clip.T = std::max(clip.T, rect->T);
    clip.R = std::min(clip.R, rect->R);
    clip.B = std::min(clip.B, rect->B);
  }
  if (clip.L >= clip.R || clip.T >= clip.B)
    return 0;

  drawOpacity = opacity;
  int64_t bottom = 0;
  WalkGlyphs(text, length, singleLine, [&](uint32_t code, const PIX_Glyph& glyph, int64_t pen, int64_t lineTop) {
    // Pens far outside the bitmap are only walked past; nothing there can be drawn.
    const int64_t glyphX = x + pen, glyphY = y + lineTop;
    if (glyphX > -0x40000000 && glyphX < 0x40000000 && glyphY > -0x40000000 && glyphY < 0x40000000)
      CompositeGlyph(bitmap, code, int32_t(glyphX), int32_t(glyphY), clip);
    bottom = std::max(bottom, lineTop + glyph.height);
  });
  drawOpacity = alpha;
  return int32_t(std::min<int64_t>(bottom, 0x3FFFFFFF));
}

int32_t PIX_CachedFont::RenderText(PIX_IBitmap* bitmap, const char* text, int32_t count, PIX_Rect* rect,
                                   uint32_t format)
{
  const bool measuring = (format & TextCalculateRect) != 0;
  if (!text || !rect || (!bitmap && !measuring))
    return 0;
  const size_t length = count < 0 ? std::strlen(text) : size_t(count);

  const bool platformDrawing = (fontFlags & FontPrefersPlatformDrawing) && platformFont &&
                               ((!PIX_RunsUnderWine() && !(format & TextUseForegroundAlpha)) || cellHeight > 255);
  if (platformDrawing && length <= 0x7FFFFFFF)
  {
    PIX_IBitmap* target = bitmap ? bitmap : EnsureGlyphScratch(256);
    int32_t height = 0;
    PIX_TextPaint paint{foreground, background, backgroundMode};
    if (target && PIX_PlatformDrawText(platformFont, target->DeviceContext(), target->Width(), target->Height(),
                                       text, int32_t(length), rect, format & ~TextUseForegroundAlpha, paint, &height))
      return height;
  }

  if (measuring)
  {
    int32_t width = 0;
    const int32_t height = MeasureOwn(text, length, (format & TextSingleLine) != 0, &width);
    rect->R = int32_t(std::min<int64_t>(int64_t(rect->L) + width, 0x7FFFFFFF));
    rect->B = int32_t(std::min<int64_t>(int64_t(rect->T) + height, 0x7FFFFFFF));
    return height;
  }
  return DrawOwn(bitmap, text, length, rect, format);
}

bool PIX_CachedFont::CompositeGlyph(PIX_IBitmap* bitmap, uint32_t code, int32_t x, int32_t y, const PIX_Rect& clip)
{
  if (!bitmap || !bitmap->Pixels())
    return false;
  const PIX_Glyph* glyph = FindGlyph(code);
  if (!glyph || glyph->width <= 0 || glyph->height <= 0)
    return false;

  const int64_t left = int64_t(x) - glyph->leftOffset, top = y;
  const int64_t x0 = std::max<int64_t>({left, clip.L, 0});
  const int64_t y0 = std::max<int64_t>({top, clip.T, 0});
  const int64_t x1 = std::min<int64_t>({left + glyph->width, clip.R, bitmap->Width()});
  const int64_t y1 = std::min<int64_t>({top + glyph->height, clip.B, bitmap->Height()});
  if (x0 >= x1 || y0 >= y1)
    return false;

  const int ia = PIX_OpacityWeight(drawOpacity);
  if (ia < 1)
    return false;
  const int tR = int(foreground >> 16) & 0xFF, tG = int(foreground >> 8) & 0xFF, tB = int(foreground) & 0xFF;
  const uint8_t* mask = glyphData.data() + (glyph->dataOffset - 1);
  uint32_t* pixels = bitmap->Pixels();
  const int64_t stride = bitmap->RowStride();
  for (int64_t py = y0; py < y1; ++py)
  {
    const uint8_t* maskRow = mask + (py - top) * glyph->width;
    uint32_t* row = pixels + py * stride;
    for (int64_t px = x0; px < x1; ++px)
    {
      const int c = maskRow[px - left];
      if (c == 0)
        continue;
      const int g = ia == 256 ? 255 - c : 256 - std::min(ia * c / 256, 256);
      const uint32_t d = row[px];
      const int dA = int(d >> 24), dR = int(d >> 16) & 0xFF, dG = int(d >> 8) & 0xFF, dB = int(d) & 0xFF;
      row[px] = (uint32_t(255 + (dA - 255) * g / 256) << 24) | (uint32_t(tR + (dR - tR) * g / 256) << 16) |
                (uint32_t(tG + (dG - tG) * g / 256) << 8) | uint32_t(tB + (dB - tB) * g / 256);
    }
  }
  return true;
}
