// The process-wide cache of decoded editor bitmaps, shared by every editor and kept
// until the module unloads. Its mutex is held only for one lookup or insertion.
#pragma once

class PIX_IBitmap;

// True when the id is cached (its bitmap, possibly null, goes to *bitmap).
bool FindCachedBitmap(int resourceId, PIX_IBitmap** bitmap);
// Caches loaded for the id (ownership passes, null included) unless another
// editor got there first; returns the bitmap the cache keeps for the id.
PIX_IBitmap* CacheBitmap(int resourceId, PIX_IBitmap* loaded);
