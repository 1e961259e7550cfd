// The heap bitmap: a 64-byte aligned buffer that grows with slack and never shrinks.
#include "PixBitmap.h"

#include <cstdlib>

PIX_MemBitmap::PIX_MemBitmap(int32_t w, int32_t h)
{
  if (w > 0 && h > 0)
    Resize(w, h);
}

PIX_MemBitmap::~PIX_MemBitmap()
{
  std::free(buffer);
}

uint32_t* PIX_MemBitmap::Pixels()
{
  if (!buffer)
    return nullptr;
  const uintptr_t address = reinterpret_cast<uintptr_t>(buffer);
  return reinterpret_cast<uint32_t*>((address + 63) & ~uintptr_t(63));
}

void PIX_MemBitmap::Release()
{
  std::free(buffer);
  buffer = nullptr;
  allocatedBytes = 0;
}

bool PIX_MemBitmap::Resize(int32_t w, int32_t h)
{
  if (w == width && h == height)
    return false;
  width = w;
  height = h;

  // 64-bit arithmetic: w × h × 4 overflows 32 bits long before memory runs out.
  uint64_t needed = 0;
  if (w > 0 && h > 0)
    needed = uint64_t(h) * uint64_t((int64_t(w) + 3) & ~int64_t(3)) * 4u;

  if (needed > PIX_MaxBitmapBytes)
  {
    Release();
  }
  else if (needed > 0)
  {
    if (!buffer)
    {
      buffer = std::malloc(size_t(needed) + 63);
      allocatedBytes = buffer ? uint32_t(needed) : 0;
    }
    else if (allocatedBytes < needed)
    {
      const uint64_t withSlack = needed * 5 / 4;
      void* grown = std::realloc(buffer, size_t(withSlack) + 63);
      if (grown)
      {
        buffer = grown;
        allocatedBytes = uint32_t(withSlack);
      }
      else
      {
        std::free(buffer);
        buffer = std::malloc(size_t(needed) + 63);
        allocatedBytes = buffer ? uint32_t(needed) : 0;
      }
    }
  }
  else
  {
    Release();
  }

  // A failed allocation leaves a consistent empty bitmap.
  if (!buffer)
  {
    width = 0;
    height = 0;
    allocatedBytes = 0;
  }
  return true;
}
