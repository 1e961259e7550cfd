// Linux side of the drawing library: a plain surface stands in for the DIB section,
// images come from the table embedded in the binary, fonts are FreeType faces.
#include "PixEmbeddedImages.h"
#include "PixPlatform.h"
#include "PixPng.h"
#include "PixSysBitmap.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

PIX_SysBitmap::PIX_SysBitmap(int32_t w, int32_t h)
{
  Resize(w, h);
}

PIX_SysBitmap::~PIX_SysBitmap()
{
  ReleaseSection();
}

void PIX_SysBitmap::ReleaseSection()
{
  std::free(section);
  section = nullptr;
  bits = nullptr;
}

bool PIX_SysBitmap::CanCreateSection() const
{
  return true;
}

bool PIX_SysBitmap::CreateSection()
{
  // Zeroed like a fresh DIB section, so both platforms start from the same pixels.
  section = std::calloc(size_t(rowStride) * size_t(allocatedHeight) * 4 + 63, 1);
  if (!section)
    return false;
  const uintptr_t address = reinterpret_cast<uintptr_t>(section);
  bits = reinterpret_cast<uint32_t*>((address + 63) & ~uintptr_t(63));
  return true;
}

// ---- Images carried in the binary -------------------------------------------

// Hidden, so that every module finds its own table; weak, so that a binary
// without images links and simply finds none.
extern "C" {
extern const PIX_EmbeddedImage pix_embedded_images[] __attribute__((weak, visibility("hidden")));
extern const uint32_t pix_embedded_image_count __attribute__((weak, visibility("hidden")));
}

PIX_MemBitmap* LoadPngResource(void*, uint32_t id)
{
  if (!&pix_embedded_image_count || !pix_embedded_images)
    return nullptr;
  const uint32_t wanted = id & 0xFFFF;
  for (uint32_t i = 0; i < pix_embedded_image_count; ++i)
  {
    const PIX_EmbeddedImage& image = pix_embedded_images[i];
    if (image.id == wanted)
      return image.size > 7 ? LoadPngFromMemory(image.data, image.size) : nullptr;
  }
  return nullptr;
}

// ---- FreeType faces standing in for the window system's fonts ---------------

namespace {

struct LinuxFont
{
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int32_t ascender = 0;
  int32_t cellHeight = 0;
  bool monochrome = false;
};

bool Contains(const std::string& haystack, const char* needle)
{
  return haystack.find(needle) != std::string::npos;
}

// Faces that are not installed map onto the DejaVu family by their kind.
std::string FontFileFor(const PIX_FontRequest& request)
{
  std::string face = request.faceName ? request.faceName : "";
  std::transform(face.begin(), face.end(), face.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  const bool bold = request.weight >= 600;
  std::string file;
  if (Contains(face, "mono") || Contains(face, "courier") || Contains(face, "console"))
    file = "DejaVuSansMono";
  else if (!Contains(face, "sans") &&
           (Contains(face, "serif") || Contains(face, "times") || Contains(face, "georgia") || Contains(face, "roman")))
    file = "DejaVuSerif";
  else
    file = "DejaVuSans";
  const bool serif = file == "DejaVuSerif";
  if (bold && request.italic)
    file += serif ? "-BoldItalic" : "-BoldOblique";
  else if (bold)
    file += "-Bold";
  else if (request.italic)
    file += serif ? "-Italic" : "-Oblique";
  return "/usr/share/fonts/truetype/dejavu/" + file + ".ttf";
}

LinuxFont* AsFont(PIX_PlatformFont font) { return static_cast<LinuxFont*>(font); }

} // namespace

PIX_PlatformFont PIX_CreatePlatformFont(const PIX_FontRequest& request)
{
  auto* font = new LinuxFont;
  font->monochrome = request.quality == 3;
  if (FT_Init_FreeType(&font->library) != 0)
  {
    delete font;
    return nullptr;
  }
  // A height of 0 asks for the default size, as on Windows.
  const int64_t height = request.height == 0 ? 16 : request.height;
  FT_Size_RequestRec size = {};
  // Positive heights give the cell (ascender to descender), negative the em size.
  size.type = height > 0 ? FT_SIZE_REQUEST_TYPE_REAL_DIM : FT_SIZE_REQUEST_TYPE_NOMINAL;
  size.height = FT_Long(std::min<int64_t>(height > 0 ? height : -height, 4096) * 64);
  if (FT_New_Face(font->library, FontFileFor(request).c_str(), 0, &font->face) != 0 ||
      FT_Request_Size(font->face, &size) != 0)
  {
    PIX_DeletePlatformFont(font);
    return nullptr;
  }
  const FT_Size_Metrics& metrics = font->face->size->metrics;
  font->ascender = int32_t((metrics.ascender + 32) >> 6);
  // A positive height is the cell height itself, as the window system keeps it.
  font->cellHeight = height > 0 ? int32_t(size.height >> 6) : font->ascender + int32_t((-metrics.descender + 32) >> 6);
  return font;
}

void PIX_DeletePlatformFont(PIX_PlatformFont platformFont)
{
  LinuxFont* font = AsFont(platformFont);
  if (!font)
    return;
  if (font->face)
    FT_Done_Face(font->face);
  if (font->library)
    FT_Done_FreeType(font->library);
  delete font;
}

void PIX_PrepareGlyphScratch(PIX_SysBitmap&) {}

int32_t PIX_FontCellHeight(PIX_PlatformFont font, PIX_SysBitmap&)
{
  return font ? AsFont(font)->cellHeight : 0;
}

bool PIX_MeasureCharacter(PIX_PlatformFont platformFont, PIX_SysBitmap&, uint16_t code, int32_t* width,
                          int32_t* height)
{
  LinuxFont* font = AsFont(platformFont);
  if (!font || FT_Load_Char(font->face, code, FT_LOAD_DEFAULT) != 0)
    return false;
  *width = int32_t((font->face->glyph->advance.x + 32) >> 6);
  *height = font->cellHeight;
  return true;
}

void PIX_DrawCharacter(PIX_PlatformFont platformFont, PIX_SysBitmap& scratch, uint16_t code, int32_t x,
                       int32_t boxWidth, int32_t boxHeight)
{
  LinuxFont* font = AsFont(platformFont);
  const FT_Int32 target = font && font->monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (!font || FT_Load_Char(font->face, code, FT_LOAD_RENDER | target) != 0)
    return;
  const FT_GlyphSlot slot = font->face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
    return;
  const int64_t right = std::min<int64_t>(boxWidth, scratch.Width());
  const int64_t bottom = std::min<int64_t>(boxHeight, scratch.Height());
  const int64_t originX = int64_t(x) + slot->bitmap_left;
  const int64_t originY = int64_t(font->ascender) - slot->bitmap_top;
  uint32_t* pixels = scratch.Pixels();
  for (int64_t row = 0; row < int64_t(bitmap.rows); ++row)
  {
    const int64_t py = originY + row;
    if (py < 0 || py >= bottom)
      continue;
    const unsigned char* source = bitmap.buffer + row * bitmap.pitch;
    for (int64_t column = 0; column < int64_t(bitmap.width); ++column)
    {
      const int64_t px = originX + column;
      if (px < 0 || px >= right)
        continue;
      uint32_t coverage = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY
                              ? source[column]
                              : ((source[column >> 3] >> (7 - (column & 7))) & 1) * 255u;
      uint32_t& pixel = pixels[py * scratch.RowStride() + px];
      coverage = std::max(coverage, (pixel >> 16) & 0xFF);
      pixel = 0xFF000000u | (coverage << 16) | (coverage << 8) | coverage;
    }
  }
}

bool PIX_RunsUnderWine()
{
  return false;
}

// No window-system text here: the font's own renderer draws everything.
bool PIX_PlatformDrawText(PIX_PlatformFont, void*, int32_t, int32_t, const char*, int32_t, PIX_Rect*, uint32_t,
                          const PIX_TextPaint&, int32_t*)
{
  return false;
}
