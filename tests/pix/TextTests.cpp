// Fonts and text: the shared font cache, UTF-8 decoding, measuring, and the font's
// own glyph renderer (translucent text, four-byte characters, clipping).
#include "PixFont.h"
#include "PixFontCache.h"
#include "PixSysBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

PIX_TextStyle Style(const char* face, int32_t size, int32_t style = TextStyleNormal)
{
  PIX_TextStyle text;
  std::strncpy(text.faceName, face, sizeof(text.faceName) - 1);
  text.size = size;
  text.style = style;
  text.quality = 2;
  return text;
}

PIX_CachedFont* Font(int32_t size = 20)
{
  PIX_TextStyle style = Style("Verdana", size);
  return GetCachedFont(style);
}

std::vector<uint32_t> Pixels(PIX_IBitmap& bitmap)
{
  std::vector<uint32_t> all;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    all.insert(all.end(), bitmap.Pixels() + y * bitmap.RowStride(), bitmap.Pixels() + y * bitmap.RowStride() + bitmap.Width());
  return all;
}

void Clear(PIX_IBitmap& bitmap, uint32_t colour)
{
  PIX_FillArea(&bitmap, 0, 0, bitmap.Width(), bitmap.Height(), colour, 1.0f, BlitCopy);
}

// Draws with the font's own renderer on every platform: colour alpha 255 with the
// colour-alpha flag keeps the opacity at 1 but rules out platform drawing.
std::vector<uint32_t> DrawOwn(PIX_CachedFont& font, const std::string& text, uint32_t format = 0)
{
  PIX_SysBitmap bitmap(160, 60);
  Clear(bitmap, 0xFFFFFFFF);
  font.SetForeground(0xFF000000);
  PIX_Rect rect{4, 4, 156, 56};
  font.RenderText(&bitmap, text.c_str(), int32_t(text.size()), &rect, format | TextUseForegroundAlpha);
  return Pixels(bitmap);
}

PIX_Rect Measure(PIX_CachedFont& font, const std::string& text, uint32_t format = 0)
{
  PIX_Rect rect{10, 20, 10, 20};
  font.RenderText(nullptr, text.c_str(), int32_t(text.size()), &rect, format | TextCalculateRect);
  return rect;
}

} // namespace

TEST(PixFontCache, EqualStylesShareOneFont)
{
  PIX_TextStyle first = Style("Verdana", 13), second = Style("Verdana", 13);
  second.quality = 1; // not part of the key
  PIX_CachedFont* font = GetCachedFont(first);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(first.fontObject, font);
  EXPECT_EQ(GetCachedFont(second), font);
  EXPECT_EQ(second.fontObject, font);
  EXPECT_GT(font->GetCellHeight(), 0);
  EXPECT_NE(font->GetPlatformFont(), nullptr);

  PIX_TextStyle otherSize = Style("Verdana", 14), otherFace = Style("Courier New", 13),
                bold = Style("Verdana", 13, TextStyleBold);
  PIX_TextStyle turned = Style("Verdana", 13);
  turned.orientation = 90;
  for (PIX_TextStyle* other : {&otherSize, &otherFace, &bold, &turned})
  {
    PIX_CachedFont* different = GetCachedFont(*other);
    ASSERT_NE(different, nullptr) << other->faceName;
    EXPECT_NE(different, font) << other->faceName;
    EXPECT_EQ(GetCachedFont(*other), different) << other->faceName;
  }

  // A face name filling the whole field, without its terminating zero, is still a key.
  PIX_TextStyle full = Style("", 13), fullAgain = Style("", 13);
  std::memset(full.faceName, 'x', sizeof(full.faceName));
  std::memset(fullAgain.faceName, 'x', sizeof(fullAgain.faceName));
  PIX_CachedFont* fullFont = GetCachedFont(full);
  EXPECT_EQ(GetCachedFont(fullAgain), fullFont);
}

TEST(PixText, Utf8DecodeTakesWholeCharactersOrSingleBytes)
{
  struct Case
  {
    const char* what;
    std::string bytes;
    int32_t consumed;
    uint32_t code;
  };
  const Case cases[] = {
    {"ASCII", "A", 1, 0x41},
    {"two bytes", "\xC3\xA9", 2, 0xE9},
    {"three bytes", "\xE2\x82\xAC", 3, 0x20AC},
    {"four bytes become a space", "\xF0\x9F\x98\x80", 4, 0x20},
    {"largest four-byte lead", "\xF4\x8F\xBF\xBF", 4, 0x20},
    {"lone continuation byte", "\x80", 1, 0x80},
    {"overlong lead C1", "\xC1\x81", 1, 0xC1},
    {"lead without continuation", "\xC3\x41", 1, 0xC3},
    {"three-byte lead cut short", "\xE2\x82", 1, 0xE2},
    {"four-byte lead cut short", "\xF0\x9F\x98", 1, 0xF0},
    {"lead past F4", "\xF5\x80\x80\x80", 1, 0xF5},
    {"byte FF", "\xFF", 1, 0xFF},
  };
  for (const Case& c : cases)
  {
    uint32_t code = 0xDEAD;
    EXPECT_EQ(Utf8Decode(c.bytes.data(), c.bytes.size(), &code), c.consumed) << c.what;
    EXPECT_EQ(code, c.code) << c.what;
  }
  // The available count is respected even when the next bytes would complete it.
  uint32_t code = 0;
  EXPECT_EQ(Utf8Decode("\xC3\xA9", 1, &code), 1);
  EXPECT_EQ(code, 0xC3u);
  EXPECT_EQ(Utf8Decode("A", 0, &code), 0);
}

TEST(PixText, OwnRendererDrawsUtf8Characters)
{
  PIX_CachedFont* font = Font();
  ASSERT_NE(font, nullptr);
  const std::vector<uint32_t> blank = DrawOwn(*font, "");

  // The two-byte é draws exactly as the single byte E9, whose value it decodes to,
  // and not as the two characters C3 and A9.
  const std::vector<uint32_t> eAcute = DrawOwn(*font, "\xC3\xA9");
  EXPECT_NE(eAcute, blank);
  EXPECT_EQ(eAcute, DrawOwn(*font, "\xE9"));
  EXPECT_NE(eAcute, DrawOwn(*font, "\xC3\x20\xA9"));
  EXPECT_LT(Measure(*font, "\xC3\xA9").R, Measure(*font, "\xC3\x20\xA9").R);

  // A four-byte character is drawn as a space.
  EXPECT_EQ(DrawOwn(*font, "A\xF0\x9F\x98\x80" "B"), DrawOwn(*font, "A B"));
  EXPECT_NE(DrawOwn(*font, "A B"), DrawOwn(*font, "AB"));

  // Carriage returns are skipped; a single line counts a line feed as a space.
  EXPECT_EQ(DrawOwn(*font, "A\r\nB"), DrawOwn(*font, "A\nB"));
  EXPECT_EQ(DrawOwn(*font, "A\rB"), DrawOwn(*font, "AB"));
  EXPECT_EQ(DrawOwn(*font, "A\nB", TextSingleLine), DrawOwn(*font, "A B", TextSingleLine));
  EXPECT_NE(DrawOwn(*font, "A\nB"), DrawOwn(*font, "A B"));
}

TEST(PixText, MeasuringChangesOnlyTheRectanglesSize)
{
  for (int32_t size : {20, 300})
  {
    PIX_CachedFont* font = Font(size);
    ASSERT_NE(font, nullptr);
    for (uint32_t extra : {0u, uint32_t(TextUseForegroundAlpha)})
    {
      PIX_SysBitmap bitmap(64, 64);
      Clear(bitmap, 0xFF336699);
      const std::vector<uint32_t> before = Pixels(bitmap);
      font->SetForeground(0xFF000000);
      PIX_Rect rect{10, 20, 10, 20};
      const int32_t height = font->RenderText(&bitmap, "Hello", -1, &rect, TextCalculateRect | TextSingleLine | extra);
      EXPECT_EQ(rect.L, 10);
      EXPECT_EQ(rect.T, 20);
      EXPECT_GT(rect.R, rect.L);
      // One line is one character cell high.
      EXPECT_EQ(height, font->GetCellHeight()) << size;
      EXPECT_EQ(rect.B - rect.T, height) << size;
      EXPECT_EQ(Pixels(bitmap), before) << size;
    }
  }

  // Two lines are two cells high; the width is the longer line's.
  PIX_CachedFont* font = Font();
  const PIX_Rect one = Measure(*font, "AAAA"), two = Measure(*font, "A\nAAAA");
  EXPECT_EQ(two.B - two.T, 2 * font->GetCellHeight());
  EXPECT_EQ(two.R, one.R);
  const PIX_Rect single = Measure(*font, "A\nAAAA", TextSingleLine);
  EXPECT_EQ(single.B - single.T, font->GetCellHeight());
  EXPECT_EQ(single.R, Measure(*font, "A AAAA", TextSingleLine).R);

  // Without a bitmap only measuring is served.
  PIX_Rect rect{0, 0, 100, 100};
  EXPECT_EQ(font->RenderText(nullptr, "A", -1, &rect, 0), 0);
  EXPECT_EQ(rect.R, 100);
}

TEST(PixText, TranslucentTextUsesTheColourAlpha)
{
  PIX_CachedFont* font = Font(24);
  ASSERT_NE(font, nullptr);
  auto draw = [&](uint32_t colour) {
    PIX_SysBitmap bitmap(120, 40);
    Clear(bitmap, 0xFFFFFFFF);
    font->SetForeground(colour);
    PIX_Rect rect{2, 2, 118, 38};
    font->RenderText(&bitmap, "HH", -1, &rect, TextUseForegroundAlpha);
    return Pixels(bitmap);
  };
  auto darkest = [](const std::vector<uint32_t>& pixels) {
    int least = 255;
    for (uint32_t p : pixels)
      least = std::min(least, int(p & 0xFF));
    return least;
  };

  // Fully covered pixels of opaque black text become black: g = 255 - 255 = 0.
  const std::vector<uint32_t> opaque = draw(0xFF000000);
  EXPECT_EQ(darkest(opaque), 0);

  // Alpha 128: opacity 128 / 255, ia = int(0.50196 × 256) = 128, and a fully
  // covered pixel gets g = 256 - 128 × 255 / 256 = 129, so 255 × 129 / 256 = 128.
  const std::vector<uint32_t> translucent = draw(0x80000000);
  EXPECT_EQ(darkest(translucent), 128);
  for (uint32_t p : translucent)
  {
    // The font's own renderer keeps the pixels opaque and the grey neutral.
    ASSERT_EQ(p >> 24, 0xFFu);
    ASSERT_EQ((p >> 16) & 0xFF, p & 0xFF);
    ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
  }

  // Colour alpha 0 draws nothing; so does a zero opacity set on the font.
  EXPECT_EQ(draw(0x00000000), draw(0x00FFFFFF));
  EXPECT_EQ(darkest(draw(0x00000000)), 255);
  font->SetBlendMode(BlitCopy, 0.0f);
  EXPECT_EQ(darkest(draw(0xFF000000)), 255);
  font->SetBlendMode(BlitCopy, 1.0f);
}

TEST(PixText, OwnRendererAlignsAndClips)
{
  PIX_CachedFont* font = Font();
  ASSERT_NE(font, nullptr);
  const PIX_Rect size = Measure(*font, "Hi", TextSingleLine);
  const int32_t w = size.R - size.L, h = size.B - size.T;

  // Centred in (0, 0, 101, 61): x = (101 - w) / 2, y = (61 - h) / 2.
  auto draw = [&](PIX_Rect rect, uint32_t format) {
    PIX_SysBitmap bitmap(120, 70);
    Clear(bitmap, 0xFFFFFFFF);
    font->SetForeground(0xFF000000);
    font->RenderText(&bitmap, "Hi", -1, &rect, format | TextNoClip | TextUseForegroundAlpha);
    return Pixels(bitmap);
  };
  const std::vector<uint32_t> centred = draw({0, 0, 101, 61}, TextCentre | TextVerticalCentre | TextSingleLine);
  const int32_t x = (101 - w) / 2, y = (61 - h) / 2;
  EXPECT_EQ(centred, draw({x, y, x + w, y + h}, TextSingleLine));
  const std::vector<uint32_t> corner = draw({0, 0, 101, 61}, TextRight | TextBottom | TextSingleLine);
  EXPECT_EQ(corner, draw({101 - w, 61 - h, 101, 61}, TextSingleLine));

  // Clipped to the rectangle unless told not to.
  PIX_SysBitmap bitmap(120, 70);
  for (bool clip : {true, false})
  {
    Clear(bitmap, 0xFFFFFFFF);
    PIX_Rect rect{10, 10, 20, 40};
    font->RenderText(&bitmap, "WWWW", -1, &rect, (clip ? 0u : uint32_t(TextNoClip)) | TextUseForegroundAlpha);
    bool outside = false;
    for (int32_t py = 0; py < 70; ++py)
      for (int32_t px = 0; px < 120; ++px)
        if ((px < 10 || px >= 20 || py < 10 || py >= 40) && bitmap.Pixels()[py * bitmap.RowStride() + px] != 0xFFFFFFFF)
          outside = true;
    EXPECT_EQ(outside, !clip);
  }

  // Text running off any edge of the bitmap draws only what lands on it.
  for (PIX_Rect rect : {PIX_Rect{-30, -10, 40, 30}, PIX_Rect{100, 60, 400, 400}, PIX_Rect{INT32_MIN, 0, INT32_MAX, 70}})
  {
    font->RenderText(&bitmap, "WWWW", -1, &rect, TextNoClip | TextUseForegroundAlpha);
    font->RenderText(&bitmap, "WWWW", -1, &rect, TextCentre | TextVerticalCentre | TextUseForegroundAlpha);
  }
}

#ifdef _WIN32
// Fonts with cells over 255 pixels draw through GDI even under Wine.
TEST(PixText, PlatformDrawingConvertsUtf8ToWideText)
{
  PIX_CachedFont* font = Font(300);
  ASSERT_NE(font, nullptr);
  ASSERT_GT(font->GetCellHeight(), 255);

  // "é" as UTF-8 is one wide character; with a byte that is not UTF-8 the whole
  // string falls back to three narrow characters.
  const PIX_Rect wide = Measure(*font, "\xC3\xA9"), narrow = Measure(*font, "\xC3\xA9\xFF");
  EXPECT_GT(wide.R - wide.L, 0);
  EXPECT_GT(narrow.R - narrow.L, 2 * (wide.R - wide.L));
  EXPECT_EQ(wide.R - wide.L, (Measure(*font, "e").R - Measure(*font, "e").L));

  PIX_SysBitmap bitmap(400, 400);
  Clear(bitmap, 0xFFFFFFFF);
  font->SetForeground(0xFF0000FF);
  PIX_Rect rect{0, 0, 400, 400};
  EXPECT_EQ(font->RenderText(&bitmap, "\xC3\xA9", -1, &rect, 0), font->GetCellHeight());
  const std::vector<uint32_t> pixels = Pixels(bitmap);
  // GDI paints the text colour's red, green and blue.
  EXPECT_NE(std::find_if(pixels.begin(), pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0x0000FF; }),
            pixels.end());
}
#endif
