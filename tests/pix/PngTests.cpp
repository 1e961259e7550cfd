// PNG decoding: images written here through libpng in every colour type, damaged
// and oversized files, and images carried by the test program itself.
#include "PixPng.h"
#include "PngWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

extern "C" void ImageModuleDescribe(uint32_t id, int32_t* width, int32_t* height, uint32_t* firstPixel);

namespace {

std::vector<uint32_t> Words(PIX_MemBitmap& bitmap)
{
  std::vector<uint32_t> words;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      words.push_back(bitmap.Pixels()[y * bitmap.RowStride() + x]);
  return words;
}

std::unique_ptr<PIX_MemBitmap> Load(const std::vector<uint8_t>& bytes)
{
  return std::unique_ptr<PIX_MemBitmap>(LoadPngFromMemory(bytes.data(), bytes.size()));
}

PngSpec RgbaThreeByTwo()
{
  PngSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.rows = {{0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80, 0x70, 0x80, 0x90, 0x00},
               {0xA0, 0xB0, 0xC0, 0x01, 0xD0, 0xE0, 0xF0, 0x7F, 0x01, 0x02, 0x03, 0xFE}};
  return spec;
}

const std::vector<uint32_t> RgbaThreeByTwoWords = {0xFF102030, 0x80405060, 0x00708090,
                                                   0x01A0B0C0, 0x7FD0E0F0, 0xFE010203};

// A PNG that declares its size in IHDR and holds nothing else of use.
std::vector<uint8_t> HeaderOnly(uint32_t width, uint32_t height)
{
  PngSpec spec;
  spec.width = 1;
  spec.height = 1;
  spec.colourType = 6;
  spec.rows = {{1, 2, 3, 4}};
  std::vector<uint8_t> bytes = WritePng(spec);
  // IHDR data starts at byte 16; patch the size and recompute the chunk's CRC.
  for (int i = 0; i < 4; ++i)
  {
    bytes[16 + i] = uint8_t(width >> (24 - 8 * i));
    bytes[20 + i] = uint8_t(height >> (24 - 8 * i));
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 12; i < 29; ++i) // chunk type and data
  {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xFFFFFFFFu;
  for (int i = 0; i < 4; ++i)
    bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
  return bytes;
}

} // namespace

TEST(PixPng, EveryColourTypeBecomesExactPixelWords)
{
  struct Case
  {
    const char* name;
    PngSpec spec;
    std::vector<uint32_t> expected;
  };
  std::vector<Case> cases;
  cases.push_back({"rgba", RgbaThreeByTwo(), RgbaThreeByTwoWords});
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 2;
    spec.rows = {{0x10, 0x20, 0x30, 0xFF, 0x00, 0x80}};
    cases.push_back({"rgb loads opaque", spec, {0xFF102030, 0xFFFF0080}});
  }
  {
    PngSpec spec = RgbaThreeByTwo();
    spec.ancillary = true;
    cases.push_back({"rgba with gamma, chromaticities, resolution and text", spec, RgbaThreeByTwoWords});
  }
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 2;
    spec.rows = {{0x10, 0x20, 0x30, 0xFF, 0x00, 0x80}};
    spec.transparentColour = {0xFF, 0x00, 0x80};
    cases.push_back({"rgb with a transparent colour", spec, {0xFF102030, 0x00FF0080}});
  }
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 0;
    spec.rows = {{0x7F, 0x80}};
    spec.transparentColour = {0x7F};
    cases.push_back({"grey with a transparent level", spec, {0x007F7F7F, 0xFF808080}});
  }
  {
    PngSpec spec;
    spec.width = 3;
    spec.colourType = 3;
    spec.palette = {0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x12, 0x34, 0x56};
    spec.transparency = {0x40, 0x00};
    spec.rows = {{0, 1, 2}};
    // Entries past the transparency chunk are opaque.
    cases.push_back({"palette with transparency", spec, {0x40FF0000, 0x000000FF, 0xFF123456}});
  }
  {
    PngSpec spec;
    spec.width = 4;
    spec.colourType = 3;
    spec.bitDepth = 2;
    spec.palette = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    spec.rows = {{0xE4}}; // indices 3, 2, 1, 0
    cases.push_back({"2-bit palette", spec, {0xFF0A0B0C, 0xFF070809, 0xFF040506, 0xFF010203}});
  }
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 0;
    spec.rows = {{0x00, 0x7F}};
    cases.push_back({"grey", spec, {0xFF000000, 0xFF7F7F7F}});
  }
  {
    PngSpec spec;
    spec.width = 8;
    spec.colourType = 0;
    spec.bitDepth = 1;
    spec.rows = {{0xA5}}; // 1 0 1 0 0 1 0 1
    const uint32_t on = 0xFFFFFFFF, off = 0xFF000000;
    cases.push_back({"1-bit grey", spec, {on, off, on, off, off, on, off, on}});
  }
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 0;
    spec.bitDepth = 4;
    spec.rows = {{0x5F}}; // 5 and 15 scale by 17
    cases.push_back({"4-bit grey", spec, {0xFF555555, 0xFFFFFFFF}});
  }
  {
    PngSpec spec;
    spec.width = 2;
    spec.colourType = 4;
    spec.rows = {{0x40, 0xC0, 0xFF, 0x00}};
    cases.push_back({"grey with alpha", spec, {0xC0404040, 0x00FFFFFF}});
  }
  {
    PngSpec spec;
    spec.colourType = 6;
    spec.bitDepth = 16;
    spec.rows = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};
    cases.push_back({"16-bit rgba keeps the high bytes", spec, {0xDE12569A}});
  }
  {
    PngSpec spec;
    spec.colourType = 0;
    spec.bitDepth = 16;
    spec.rows = {{0xAB, 0xCD}};
    cases.push_back({"16-bit grey", spec, {0xFFABABAB}});
  }
  {
    // Adam7 spreads a 7 x 5 image over all seven passes.
    PngSpec spec;
    spec.width = 7;
    spec.height = 5;
    spec.interlaced = true;
    std::vector<uint32_t> expected;
    for (uint32_t y = 0; y < 5; ++y)
    {
      std::vector<uint8_t> row;
      for (uint32_t x = 0; x < 7; ++x)
      {
        const uint8_t r = uint8_t(x * 30), g = uint8_t(y * 40), b = uint8_t(x + y), a = uint8_t(200 + x);
        row.insert(row.end(), {r, g, b, a});
        expected.push_back(uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
      }
      spec.rows.push_back(row);
    }
    cases.push_back({"interlaced", spec, expected});
  }

  for (const Case& c : cases)
  {
    const std::vector<uint8_t> bytes = WritePng(c.spec);
    ASSERT_FALSE(bytes.empty()) << c.name;
    SaveSeed(c.name, bytes);
    auto bitmap = Load(bytes);
    ASSERT_TRUE(bitmap) << c.name;
    EXPECT_EQ(bitmap->Width(), int32_t(c.spec.width)) << c.name;
    EXPECT_EQ(bitmap->Height(), int32_t(c.spec.height)) << c.name;
    EXPECT_EQ(Words(*bitmap), c.expected) << c.name;
  }
}

TEST(PixPng, DamagedInputGivesNull)
{
  const std::vector<uint8_t> good = WritePng(RgbaThreeByTwo());
  ASSERT_TRUE(Load(good));
  std::vector<uint8_t> badSignature = good;
  badSignature[1] = 'Q';
  std::vector<uint8_t> badCrc = good;
  badCrc[30] ^= 0x01; // inside the IHDR checksum
  // A header followed by a chunk that claims 2 GB and holds three bytes.
  std::vector<uint8_t> hugeChunk(good.begin(), good.begin() + 33);
  hugeChunk.insert(hugeChunk.end(), {0x7F, 0xFF, 0xFF, 0xFF, 'z', 'z', 'Z', 'z', 'a', 'b', 'c'});
  // A text chunk claiming 1.5 GB after a good header.
  std::vector<uint8_t> hugeText(good.begin(), good.begin() + 33);
  hugeText.insert(hugeText.end(), {0x5A, 0x00, 0x00, 0x00, 'i', 'T', 'X', 't', 'K', 'I', 'D', 'A', 'T'});
  std::vector<uint8_t> badData = good;
  badData[good.size() - 20] ^= 0xFF; // inside the compressed pixels

  struct Case
  {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
    {"truncated in the pixel data", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2))},
    {"truncated after the signature", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
    {"bad signature", badSignature},
    {"bad header checksum", badCrc},
    {"damaged pixel data", badData},
    {"chunk longer than the data", hugeChunk},
    {"text chunk longer than the data", hugeText},
    {"seven bytes", std::vector<uint8_t>(good.begin(), good.begin() + 7)},
  };
  for (const Case& c : cases)
  {
    SaveSeed(std::string("damaged-") + c.what, c.bytes);
    EXPECT_FALSE(Load(c.bytes)) << c.what;
  }
  EXPECT_EQ(LoadPngFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(LoadPngFromMemory(good.data(), 0), nullptr);
}

TEST(PixPng, RefusesImagesLargerThanTheLimit)
{
  // Claimed sizes whose pixel bytes overflow 32 bits, or exceed 16384 on a side.
  const uint32_t sizes[][2] = {{16385, 1}, {1, 16385}, {40000, 30000}, {65536, 16384}, {1000000, 1000000}};
  for (const auto& size : sizes)
  {
    const std::vector<uint8_t> bytes = HeaderOnly(size[0], size[1]);
    SaveSeed("oversized-" + std::to_string(size[0]) + "x" + std::to_string(size[1]), bytes);
    EXPECT_FALSE(Load(bytes)) << size[0] << "x" << size[1];
  }

  // The limit itself decodes.
  PngSpec wide;
  wide.width = 16384;
  wide.colourType = 0;
  wide.rows = {std::vector<uint8_t>(16384, 0x33)};
  auto bitmap = Load(WritePng(wide));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->Width(), 16384);
  EXPECT_EQ(bitmap->Pixels()[16383], 0xFF333333u);

  // One pixel more, however valid the file, is refused.
  wide.width = 16385;
  wide.rows = {std::vector<uint8_t>(16385, 0x33)};
  EXPECT_FALSE(Load(WritePng(wide)));
}

TEST(PixPngResource, FindsImagesCarriedByTheProgramById)
{
#ifdef _WIN32
  void* module = GetModuleHandleA(nullptr);
#else
  void* module = nullptr;
#endif
  std::unique_ptr<PIX_MemBitmap> rgba(LoadPngResource(module, 201));
  ASSERT_TRUE(rgba);
  EXPECT_EQ(rgba->Width(), 3);
  EXPECT_EQ(rgba->Height(), 2);
  EXPECT_EQ(Words(*rgba), RgbaThreeByTwoWords);

  std::unique_ptr<PIX_MemBitmap> palette(LoadPngResource(module, 202));
  ASSERT_TRUE(palette);
  EXPECT_EQ(Words(*palette), (std::vector<uint32_t>{0x40FF0000, 0xFF0000FF}));

  // Only the low 16 bits of the id count.
  std::unique_ptr<PIX_MemBitmap> high(LoadPngResource(module, 0x10000 + 201));
  ASSERT_TRUE(high);
  EXPECT_EQ(Words(*high), RgbaThreeByTwoWords);

  EXPECT_EQ(LoadPngResource(module, 203), nullptr); // five bytes: too short
  EXPECT_EQ(LoadPngResource(module, 204), nullptr); // not carried
  EXPECT_EQ(LoadPngResource(module, 0), nullptr);
}

TEST(PixPngResource, EachModuleFindsItsOwnImages)
{
  // Id 201 is the 3 x 2 RGBA image in this program and the 2 x 1 palette image in
  // the module.
  int32_t width = 0, height = 0;
  uint32_t first = 0;
  ImageModuleDescribe(201, &width, &height, &first);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  EXPECT_EQ(first, 0x40FF0000u);
  ImageModuleDescribe(202, &width, &height, &first); // only the program has 202
  EXPECT_EQ(width, 0);

#ifdef _WIN32
  void* program = GetModuleHandleA(nullptr);
#else
  void* program = nullptr;
#endif
  std::unique_ptr<PIX_MemBitmap> own(LoadPngResource(program, 201));
  ASSERT_TRUE(own);
  EXPECT_EQ(own->Width(), 3);
}
