// libpng decoding straight from memory into the rows of a heap bitmap.
#include "PixPng.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct MemoryReader
{
  const uint8_t* next;
  size_t left;
};

// A read that runs over the end is padded with zeros, on which libpng fails (CRC,
// chunk type). A read that finds nothing left at all is an error at once: a chunk
// claiming 2 GB would otherwise be skipped through zeros for seconds.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->left == 0 && count > 0)
    png_error(png, "read past the end of the data");
  std::memset(out, 0, count);
  const size_t n = count < reader->left ? count : reader->left;
  if (n > 0)
  {
    std::memcpy(out, reader->next, n);
    reader->next += n;
    reader->left -= n;
  }
}

// Decoding problems are answered by a null result, never printed.
void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Everything a failed decode must release. It lives in the caller's frame, so its
// fields keep their values across libpng's longjmp out of Decode.
struct DecodeJob
{
  png_structp png = nullptr;
  png_infop info = nullptr;
  MemoryReader reader{nullptr, 0};
  PIX_MemBitmap* bitmap = nullptr;
  png_bytep* rows = nullptr;
};

bool Decode(DecodeJob* job)
{
  if (setjmp(png_jmpbuf(job->png)))
    return false;

  png_structp png = job->png;
  png_infop info = job->info;
  png_set_read_fn(png, &job->reader, ReadFromMemory);
  // Only the pixels and their transparency matter here: every other ancillary chunk
  // (text, colour profile, gamma, ...) is skipped, not buffered, so that a damaged
  // length cannot make libpng allocate and clear gigabytes for it.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_chunk_malloc_max(png, 8000000);
  png_set_user_limits(png, PIX_MaxImageSide, PIX_MaxImageSide);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  // A damaged file can claim any size: refuse before allocating anything.
  if (width == 0 || height == 0 || width > PIX_MaxImageSide || height > PIX_MaxImageSide)
    return false;

  bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
  {
    png_set_tRNS_to_alpha(png);
    hasAlpha = true;
  }
  if (bitDepth == 16)
    png_set_strip_16(png);
  if (bitDepth < 8)
    png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if (!hasAlpha)
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  else
    png_set_swap_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  // Every row must come out as exactly four bytes per pixel to fit the bitmap.
  if (png_get_rowbytes(png, info) != size_t(width) * 4)
    return false;

  job->bitmap = new (std::nothrow) PIX_MemBitmap(int32_t(width), int32_t(height));
  if (!job->bitmap || job->bitmap->Width() != int32_t(width) || job->bitmap->Height() != int32_t(height))
    return false;
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!job->rows)
    return false;
  uint8_t* first = reinterpret_cast<uint8_t*>(job->bitmap->Pixels());
  const size_t rowBytes = size_t(job->bitmap->RowStride()) * 4;
  for (png_uint_32 row = 0; row < height; ++row)
    job->rows[row] = first + row * rowBytes;
  png_read_image(png, job->rows);
  return true;
}

} // namespace

PIX_MemBitmap* LoadPngFromMemory(const void* data, size_t length)
{
  if (!data || length <= 7 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0)
    return nullptr;

  DecodeJob job;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!job.png)
    return nullptr;
  job.info = png_create_info_struct(job.png);
  if (!job.info)
  {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    return nullptr;
  }
  job.reader = MemoryReader{static_cast<const uint8_t*>(data), length};

  const bool decoded = Decode(&job);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  std::free(job.rows);
  if (!decoded)
  {
    delete job.bitmap;
    return nullptr;
  }

  // Rows hold alpha, red, green, blue bytes; turn each into the pixel word.
  PIX_MemBitmap* bitmap = job.bitmap;
  const int32_t width = bitmap->Width(), height = bitmap->Height(), stride = bitmap->RowStride();
  for (int32_t y = 0; y < height; ++y)
  {
    uint32_t* row = bitmap->Pixels() + size_t(y) * size_t(stride);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(row);
    for (int32_t x = 0; x < width; ++x)
    {
      const uint8_t* p = bytes + size_t(x) * 4;
      row[x] = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    }
  }
  return bitmap;
}
