// The font cache: a list under its own mutex, held only for one lookup or insertion.
#include "PixFontCache.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct CacheEntry
{
  int32_t size;
  int32_t orientation;
  int32_t style;
  char faceName[36];
  std::unique_ptr<PIX_CachedFont> font;
};

struct FontCache
{
  std::mutex mutex;
  std::vector<CacheEntry> entries;
};

// Destroyed with the module, deleting every font it holds.
FontCache& Cache()
{
  static FontCache cache;
  return cache;
}

PIX_CachedFont* Find(FontCache& cache, const PIX_TextStyle& style)
{
  for (const CacheEntry& entry : cache.entries)
    if (entry.size == style.size && entry.orientation == style.orientation && entry.style == style.style &&
        std::strncmp(entry.faceName, style.faceName, sizeof(entry.faceName)) == 0)
      return entry.font.get();
  return nullptr;
}

int32_t QualityOf(int32_t styleQuality)
{
  switch (styleQuality)
  {
  case 1: return 3; // non-antialiased
  case 2: return 4; // antialiased
  case 3: return 5; // subpixel
  default: return 0;
  }
}

} // namespace

PIX_CachedFont* GetCachedFont(PIX_TextStyle& style)
{
  FontCache& cache = Cache();
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (PIX_CachedFont* font = Find(cache, style))
      return style.fontObject = font;
  }

  // The face name field need not carry its terminating zero.
  char faceName[sizeof(style.faceName) + 1] = {};
  std::memcpy(faceName, style.faceName, sizeof(style.faceName));
  PIX_FontRequest request;
  request.height = style.size;
  request.escapement = style.orientation * 10;
  request.weight = style.style == TextStyleBold ? 700 : 400;
  request.italic = style.style == TextStyleItalic;
  request.quality = QualityOf(style.quality);
  request.faceName = faceName;
  PIX_PlatformFont platformFont = PIX_CreatePlatformFont(request);
  if (!platformFont)
    return nullptr;
  auto font = std::make_unique<PIX_CachedFont>();
  font->AdoptPlatformFont(platformFont, FontOwnsPlatformFont | FontPrefersPlatformDrawing);

  std::lock_guard<std::mutex> lock(cache.mutex);
  // Another thread may have made the same font meanwhile: equal styles share one.
  if (PIX_CachedFont* existing = Find(cache, style))
    return style.fontObject = existing;
  CacheEntry entry{style.size, style.orientation, style.style, {}, std::move(font)};
  std::memcpy(entry.faceName, style.faceName, sizeof(entry.faceName));
  cache.entries.push_back(std::move(entry));
  return style.fontObject = cache.entries.back().font.get();
}
