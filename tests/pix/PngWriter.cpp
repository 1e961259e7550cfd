// Test helper: libpng's writer into a byte vector.
#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Append(png_structp png, png_bytep data, png_size_t length)
{
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

} // namespace

std::vector<uint8_t> WritePng(const PngSpec& spec)
{
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < spec.palette.size(); i += 3)
    palette.push_back(png_color{spec.palette[i], spec.palette[i + 1], spec.palette[i + 2]});
  if (!palette.empty())
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!spec.transparency.empty())
    png_set_tRNS(png, info, spec.transparency.data(), int(spec.transparency.size()), nullptr);
  if (!spec.transparentColour.empty())
  {
    png_color_16 colour = {};
    colour.gray = spec.transparentColour[0];
    if (spec.transparentColour.size() == 3)
    {
      colour.red = spec.transparentColour[0];
      colour.green = spec.transparentColour[1];
      colour.blue = spec.transparentColour[2];
    }
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  if (spec.ancillary)
  {
    png_set_gAMA(png, info, 1.0 / 2.2);
    png_set_cHRM(png, info, 0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06);
    png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_zTXt;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>("made by the pix tests");
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& row : spec.rows)
    rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void SaveSeed(const std::string& name, const std::vector<uint8_t>& bytes)
{
  const char* folder = std::getenv("BRINDLE_PNG_SEEDS");
  if (!folder || !*folder)
    return;
  const std::string path = std::string(folder) + "/" + name + ".png";
  if (FILE* file = std::fopen(path.c_str(), "wb"))
  {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}
