// The process-wide cache of decoded editor bitmaps.
#include "graphics/IBitmapCache.h"

#include "PixBitmap.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

struct CachedBitmap {
  int resourceId;
  std::unique_ptr<PIX_IBitmap> bitmap;
};

// Destroyed with the module, deleting every bitmap it holds.
struct BitmapCache {
  std::mutex mutex;
  std::vector<CachedBitmap> entries;

  CachedBitmap* Find(int resourceId)
  {
    for (CachedBitmap& entry : entries)
      if (entry.resourceId == resourceId) return &entry;
    return nullptr;
  }
};

BitmapCache& Cache()
{
  static BitmapCache cache;
  return cache;
}

}  // namespace

bool FindCachedBitmap(int resourceId, PIX_IBitmap** bitmap)
{
  BitmapCache& cache = Cache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  CachedBitmap* entry = cache.Find(resourceId);
  if (!entry) return false;
  if (bitmap) *bitmap = entry->bitmap.get();
  return true;
}

PIX_IBitmap* CacheBitmap(int resourceId, PIX_IBitmap* loaded)
{
  std::unique_ptr<PIX_IBitmap> owned(loaded);
  BitmapCache& cache = Cache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (CachedBitmap* entry = cache.Find(resourceId)) return entry->bitmap.get();
  cache.entries.push_back({resourceId, std::move(owned)});
  return cache.entries.back().bitmap.get();
}
