// PNG images decoded into heap bitmaps, from memory or from the module's own images.
#pragma once

#include "PixBitmap.h"

#include <cstddef>
#include <cstdint>

// Decoded images larger than this on either side are refused.
constexpr uint32_t PIX_MaxImageSide = 16384;

// A new bitmap the caller owns, or null for anything that is not a decodable PNG.
PIX_MemBitmap* LoadPngFromMemory(const void* data, size_t length);

// The image with this id (low 16 bits) that the module carries; the module is the
// instance handle on Windows. Null when there is none or it does not decode.
PIX_MemBitmap* LoadPngResource(void* module, uint32_t id);
