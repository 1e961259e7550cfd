// Writes an editor surface as an 8-bit RGBA PNG through libpng.
#include "SnapshotPng.h"

#include "PixBitmap.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

// Runs libpng with its failures turned into a return value; nothing is
// constructed or destroyed between setjmp and a longjmp out of libpng.
bool Encode(PngWriter& writer, std::FILE* file, int width, int height, std::vector<png_bytep>& rows)
{
  if (setjmp(png_jmpbuf(writer.png))) return false;
  png_init_io(writer.png, file);
  png_set_IHDR(writer.png, writer.info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(writer.png, writer.info);
  png_write_image(writer.png, rows.data());
  png_write_end(writer.png, nullptr);
  return true;
}

}  // namespace

bool WriteSurfacePng(PIX_IBitmap& surface, const std::string& path)
{
  const int width = surface.Width();
  const int height = surface.Height();
  const uint32_t* pixels = surface.Pixels();
  if (width < 1 || height < 1 || !pixels) return false;

  // Pixel words (alpha, red, green, blue from the top byte) to R, G, B, A bytes.
  std::vector<png_byte> bytes(size_t(width) * size_t(height) * 4u);
  std::vector<png_bytep> rows(static_cast<size_t>(height), nullptr);
  for (int y = 0; y < height; ++y) {
    const int sourceRow = surface.IsBottomUp() ? height - 1 - y : y;
    const uint32_t* source = pixels + size_t(sourceRow) * size_t(surface.RowStride());
    png_bytep row = bytes.data() + size_t(y) * size_t(width) * 4u;
    rows[size_t(y)] = row;
    for (int x = 0; x < width; ++x) {
      const uint32_t word = source[x];
      row[4 * x + 0] = png_byte(word >> 16);
      row[4 * x + 1] = png_byte(word >> 8);
      row[4 * x + 2] = png_byte(word);
      row[4 * x + 3] = png_byte(word >> 24);
    }
  }

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = false;
  {
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    writer.info = writer.png ? png_create_info_struct(writer.png) : nullptr;
    written = writer.info && Encode(writer, file, width, height, rows);
  }
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) std::remove(path.c_str());
  return written && closed;
}
