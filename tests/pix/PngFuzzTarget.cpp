// libFuzzer entry for PNG decoding (built by scripts/fuzz-png.sh, not by ctest):
// any input must give null or a bitmap whose every pixel can be read.
#include "PixPng.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::unique_ptr<PIX_MemBitmap> bitmap(LoadPngFromMemory(data, size));
  if (!bitmap)
    return 0;
  if (bitmap->Width() < 1 || bitmap->Height() < 1 || uint32_t(bitmap->Width()) > PIX_MaxImageSide ||
      uint32_t(bitmap->Height()) > PIX_MaxImageSide || bitmap->RowStride() < bitmap->Width())
    std::abort();
  // Reading every pixel lets AddressSanitizer see any row outside the buffer.
  uint32_t sum = 0;
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x)
      sum += bitmap->Pixels()[size_t(y) * size_t(bitmap->RowStride()) + size_t(x)];
  volatile uint32_t keep = sum;
  (void)keep;
  return 0;
}
