// Fonts that draw short strings into bitmaps: through the window system when it
// can, otherwise through cached 8-bit glyph coverage masks composited here.
#pragma once

#include "PixBlit.h"
#include "PixPlatform.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Text format flags (the platform's values) plus our own colour-alpha flag.
enum : uint32_t
{
  TextCentre = 0x1,
  TextRight = 0x2,
  TextVerticalCentre = 0x4,
  TextBottom = 0x8,
  TextSingleLine = 0x20,
  TextNoClip = 0x100,
  TextCalculateRect = 0x400,
  TextNoPrefix = 0x800,
  // Multiply the opacity by the text colour's alpha / 255.
  TextUseForegroundAlpha = 0x40000000,
};

// Font flags.
enum : uint32_t
{
  FontOwnsPlatformFont = 0x200,
  FontPrefersPlatformDrawing = 0x400,
};

class PIX_IFont
{
public:
  virtual ~PIX_IFont() = default;
  virtual void AdoptPlatformFont(PIX_PlatformFont font, uint32_t fontFlags) = 0;
  virtual uint32_t SetForeground(uint32_t colour) = 0;
  virtual uint32_t SetBackground(uint32_t colour) = 0;
  virtual uint32_t SetSecondColor(uint32_t colour) = 0;
  virtual int32_t SetBackgroundMode(int32_t mode) = 0;
  virtual void SetBlendMode(uint32_t mode, float opacity) = 0;
  // Draws or measures; returns the text height (0 when nothing could be done).
  virtual int32_t RenderText(PIX_IBitmap* bitmap, const char* text, int32_t count, PIX_Rect* rect,
                             uint32_t format) = 0;
  virtual uint32_t GetForeground() const = 0;
  virtual PIX_PlatformFont GetPlatformFont() const = 0;
  virtual int32_t GetCellHeight() const = 0;
  virtual bool CompositeGlyph(PIX_IBitmap* bitmap, uint32_t code, int32_t x, int32_t y,
                              const PIX_Rect& clip) = 0;
};

struct PIX_Glyph
{
  int32_t dataOffset; // 1 + offset of the mask in glyphData; 0 not rendered; -1 nothing to draw
  int32_t width;
  int32_t height;
  int32_t advance;
  int32_t code;
  int32_t leftOffset; // how far left of the pen the mask's first column lies
};

class PIX_CachedFont : public PIX_IFont
{
public:
  PIX_CachedFont();
  ~PIX_CachedFont() override;
  PIX_CachedFont(const PIX_CachedFont&) = delete;
  PIX_CachedFont& operator=(const PIX_CachedFont&) = delete;

  void AdoptPlatformFont(PIX_PlatformFont font, uint32_t fontFlags) override;
  uint32_t SetForeground(uint32_t colour) override;
  uint32_t SetBackground(uint32_t colour) override;
  uint32_t SetSecondColor(uint32_t colour) override;
  int32_t SetBackgroundMode(int32_t mode) override;
  void SetBlendMode(uint32_t mode, float opacity) override;
  int32_t RenderText(PIX_IBitmap* bitmap, const char* text, int32_t count, PIX_Rect* rect,
                     uint32_t format) override;
  uint32_t GetForeground() const override { return foreground; }
  PIX_PlatformFont GetPlatformFont() const override { return platformFont; }
  int32_t GetCellHeight() const override { return cellHeight; }
  bool CompositeGlyph(PIX_IBitmap* bitmap, uint32_t code, int32_t x, int32_t y,
                      const PIX_Rect& clip) override;

private:
  const PIX_Glyph* FindGlyph(uint32_t code);
  bool RenderGlyph(PIX_Glyph& glyph);
  template <typename Visit>
  void WalkGlyphs(const char* text, size_t length, bool singleLine, Visit&& visit);
  // Width and height of the text as the own renderer lays it out.
  int32_t MeasureOwn(const char* text, size_t length, bool singleLine, int32_t* width);
  int32_t DrawOwn(PIX_IBitmap* bitmap, const char* text, size_t length, PIX_Rect* rect, uint32_t format);

  uint32_t foreground = 0;
  uint32_t background = 0xFFFFFFFF;
  uint32_t secondColor = 0xFFFFFFFF;
  int32_t backgroundMode = 1;
  uint32_t blendMode = BlitCopy;
  float alpha = 1.0f;
  uint32_t fontFlags = 0;
  int32_t cellHeight = 0;
  int32_t lineGap = 0;
  PIX_Glyph asciiGlyphs[128] = {};
  std::vector<PIX_Glyph> otherGlyphs;
  std::vector<uint8_t> glyphData;
  PIX_PlatformFont platformFont = nullptr;
  // Opacity of the text being drawn, for CompositeGlyph.
  float drawOpacity = 1.0f;
};

// Decodes one character of at most `available` bytes into *code; returns the
// bytes consumed (0 only when nothing is available). Characters beyond 16 bits
// come out as a space.
int32_t Utf8Decode(const char* bytes, size_t available, uint32_t* code);
