// Bitmaps, blits and fills: pixel arithmetic against hand-worked words, clipping
// and allocation rules.
#include "PixBitmap.h"
#include "PixBlit.h"
#include "PixSysBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

void Fill(PIX_IBitmap& bitmap, uint32_t value)
{
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      bitmap.Pixels()[y * bitmap.RowStride() + x] = value;
}

uint32_t At(PIX_IBitmap& bitmap, int32_t x, int32_t y)
{
  return bitmap.Pixels()[y * bitmap.RowStride() + x];
}

std::vector<uint32_t> Row(PIX_IBitmap& bitmap, int32_t y)
{
  std::vector<uint32_t> row;
  for (int32_t x = 0; x < bitmap.Width(); ++x)
    row.push_back(At(bitmap, x, y));
  return row;
}

// Numbers the pixels of a 4 x 1 source 1, 2, 3, 4.
void Number(PIX_MemBitmap& source)
{
  for (int32_t x = 0; x < 4; ++x)
    source.Pixels()[x] = uint32_t(x + 1);
}

struct PixelCase
{
  const char* what;
  uint32_t source;
  uint32_t destination;
  float opacity;
  uint32_t mode;
  uint32_t expected;
};

// Blits each case's source pixel onto its destination pixel.
template <size_t N>
void ExpectBlits(const PixelCase (&cases)[N])
{
  for (const PixelCase& c : cases)
  {
    PIX_MemBitmap source(1, 1), destination(1, 1);
    source.Pixels()[0] = c.source;
    destination.Pixels()[0] = c.destination;
    PIX_BlitRect(&destination, &source, 0, 0, nullptr, c.opacity, c.mode);
    EXPECT_EQ(destination.Pixels()[0], c.expected) << c.what;
  }
}

} // namespace

TEST(PixBlit, OnePixelPerModeAndWeight)
{
  // Worked by hand from the per-channel formulas; division truncates toward zero.
  const PixelCase cases[] = {
    {"copy at 1.0 copies the word", 0x12345678, 0xFF808080, 1.0f, BlitCopy, 0x12345678},
    {"copy at 0.5 halves whole words", 0x01030507, 0xFF818385, 0.5f, BlitCopy, 0x7F414345},
    {"copy at 0.3 mixes each byte", 0x80402010, 0xFF808080, 0.3f, BlitCopy, 0xD96D635E},
    {"copy at 0.3 truncates toward zero", 0xFFFFFFFF, 0x00000000, 0.3f, BlitCopy, 0x4C4C4C4C},
    {"copy at 0 leaves the pixel", 0x12345678, 0xFF808080, 0.0f, BlitCopy, 0xFF808080},
    {"alpha 0 leaves the pixel", 0x00FFFFFF, 0x40208040, 1.0f, BlitCopy | BlitUseAlpha, 0x40208040},
    {"alpha 255 replaces", 0xFF102030, 0x40208040, 1.0f, BlitCopy | BlitUseAlpha, 0xFF102030},
    {"alpha 128 over opaque stays opaque", 0x80FF0010, 0xFF808080, 1.0f, BlitCopy | BlitUseAlpha, 0xFFC03F47},
    {"alpha 128 adds to alpha", 0x80FF0010, 0x20808080, 1.0f, BlitCopy | BlitUseAlpha, 0xA0C03F47},
    {"alpha at full weight uses 255 - sA", 0x80000000, 0xFFFFFFFF, 1.0f, BlitCopy | BlitUseAlpha, 0xFF7E7E7E},
    {"alpha at 0.999 takes the weighted path", 0x80000000, 0xFFFFFFFF, 0.999f, BlitCopy | BlitUseAlpha, 0xFF7F7F7F},
    {"alpha at 0.5 is weighted, not halved", 0x80FF0010, 0x20808080, 0.5f, BlitCopy | BlitUseAlpha, 0x60A06064},
    {"alpha 0 at 0.5 leaves the pixel", 0x00FF0010, 0x20808080, 0.5f, BlitCopy | BlitUseAlpha, 0x20808080},
    {"add at full weight", 0x80406080, 0x40A0A0A0, 1.0f, BlitAdd | BlitUseAlpha, 0x80C0D0E0},
    {"add at 0.5", 0x80406080, 0x40A0A0A0, 0.5f, BlitAdd | BlitUseAlpha, 0x60B0B8C0},
    {"add clamps at 255", 0xFFFFFFFF, 0xFFC0C0C0, 1.0f, BlitAdd | BlitUseAlpha, 0xFFFFFFFF},
    {"add of alpha 0 leaves the pixel", 0x00FFFFFF, 0x40A0A0A0, 1.0f, BlitAdd | BlitUseAlpha, 0x40A0A0A0},
    {"dodge at full weight", 0x80406080, 0x40204060, 1.0f, BlitDodge | BlitUseAlpha, 0x55244E80},
    {"dodge at 0.5", 0x80406080, 0x40204060, 0.5f, BlitDodge | BlitUseAlpha, 0x4922466D},
    {"dodge past 254 saturates", 0xFFFFFFFF, 0x00010000, 1.0f, BlitDodge | BlitUseAlpha, 0x00FF0000},
    {"bits besides 0-7 and 16 are ignored", 0x80FF0010, 0xFF808080, 1.0f,
     BlitCopy | BlitUseAlpha | 0xFF00FF00u, 0xFFC03F47},
  };
  ExpectBlits(cases);
}

TEST(PixBlit, OpacityOutsideZeroToOneStaysInsideAByte)
{
  // Above 1 acts as 1; NaN and negatives as 0: nothing wraps around a byte.
  const PixelCase cases[] = {
    {"1.5 copies", 0x80402010, 0xFF808080, 1.5f, BlitCopy, 0x80402010},
    {"1.5 with alpha is full weight", 0x80000000, 0xFFFFFFFF, 1.5f, BlitCopy | BlitUseAlpha, 0xFF7E7E7E},
    {"-0.5 draws nothing", 0x80402010, 0xFF808080, -0.5f, BlitCopy, 0xFF808080},
    {"NaN draws nothing", 0x80402010, 0xFF808080, std::numeric_limits<float>::quiet_NaN(),
     BlitAdd | BlitUseAlpha, 0xFF808080},
  };
  ExpectBlits(cases);
}

TEST(PixBlit, ClipsToBothBitmaps)
{
  struct ClipCase
  {
    const char* what;
    int32_t x, y;
    bool withRect;
    PIX_Rect rect;
    std::vector<uint32_t> expected;
  };
  const ClipCase cases[] = {
    {"whole source", 0, 0, false, {}, {1, 2, 3, 4}},
    {"negative x takes from further right", -1, 0, false, {}, {2, 3, 4, 0}},
    {"past the right edge", 2, 0, false, {}, {0, 0, 1, 2}},
    {"negative rectangle left moves the destination", 0, 0, true, {-2, 0, 2, 1}, {0, 0, 1, 2}},
    {"rectangle past the source edges", 0, 0, true, {2, 0, 10, 5}, {3, 4, 0, 0}},
    {"x at the width draws nothing", 4, 0, false, {}, {0, 0, 0, 0}},
    {"y below the bitmap draws nothing", 0, 1, false, {}, {0, 0, 0, 0}},
    {"negative y past the source draws nothing", 0, -1, false, {}, {0, 0, 0, 0}},
    {"empty rectangle draws nothing", 0, 0, true, {2, 0, 2, 1}, {0, 0, 0, 0}},
  };
  for (const ClipCase& c : cases)
  {
    PIX_MemBitmap source(4, 1), destination(4, 1);
    Number(source);
    Fill(destination, 0);
    PIX_BlitRect(&destination, &source, c.x, c.y, c.withRect ? &c.rect : nullptr, 1.0f, BlitCopy);
    EXPECT_EQ(Row(destination, 0), c.expected) << c.what;
  }
}

TEST(PixBlit, WalksRowsWithEachBitmapsStride)
{
  // Source 3 wide (stride 4) into a 5 wide destination (stride 8), at (1, 1),
  // through the per-pixel path so that every row is computed.
  PIX_MemBitmap source(3, 2), destination(5, 3);
  ASSERT_EQ(source.RowStride(), 4);
  ASSERT_EQ(destination.RowStride(), 8);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      source.Pixels()[y * 4 + x] = 0xFF000000u | uint32_t(10 * y + x);
  Fill(destination, 0);
  PIX_BlitRect(&destination, &source, 1, 1, nullptr, 0.999f, BlitCopy);
  EXPECT_EQ(Row(destination, 0), (std::vector<uint32_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(Row(destination, 1), (std::vector<uint32_t>{0, 0xFF000000, 0xFF000001, 0xFF000002, 0}));
  EXPECT_EQ(Row(destination, 2), (std::vector<uint32_t>{0, 0xFF00000A, 0xFF00000B, 0xFF00000C, 0}));
}

TEST(PixBlit, MissingOrEmptyBitmapsDrawNothing)
{
  PIX_MemBitmap source(4, 1), empty, destination(4, 1);
  Number(source);
  Fill(destination, 7);
  PIX_BlitRect(&destination, nullptr, 0, 0, nullptr, 1.0f, BlitCopy);
  PIX_BlitRect(&destination, &empty, 0, 0, nullptr, 1.0f, BlitCopy);
  PIX_BlitRect(nullptr, &source, 0, 0, nullptr, 1.0f, BlitCopy);
  PIX_BlitRect(&empty, &source, 0, 0, nullptr, 1.0f, BlitCopy);
  PIX_FillArea(nullptr, 0, 0, 4, 1, 0xFFFFFFFF, 1.0f, BlitCopy);
  PIX_FillArea(&empty, 0, 0, 4, 1, 0xFFFFFFFF, 1.0f, BlitCopy);
  EXPECT_EQ(Row(destination, 0), (std::vector<uint32_t>{7, 7, 7, 7}));
}

TEST(PixFill, WordsForEachWeight)
{
  // Colour A 80 R C0 G 40 B 00 over A 40 R 20 G 80 B 40.
  const uint32_t colour = 0x80C04000, under = 0x40208040;
  const PixelCase cases[] = {
    {"full weight stores the colour", colour, under, 1.0f, BlitCopy, 0x80C04000},
    {"half", colour, under, 0.5f, BlitCopy, 0x60706020},
    {"quarter", colour, under, 0.25f, BlitCopy, 0x50487030},
    {"three quarters", colour, under, 0.75f, BlitCopy, 0x70985010},
    {"0.3: alpha moves toward the weight", colour, under, 0.3f, BlitCopy, 0x44506D2D},
    {"0.999 is not the full-weight store", colour, under, 0.999f, BlitCopy, 0xFFC04000},
    {"opaque colour with alpha weighting stores it", 0xFFC04000, under, 1.0f, BlitCopy | BlitUseAlpha, 0xFFC04000},
    {"colour alpha 128 halves", colour, under, 1.0f, BlitCopy | BlitUseAlpha, 0x60706020},
    {"zero opacity leaves it", colour, under, 0.0f, BlitCopy, under},
    {"transparent colour with alpha weighting leaves it", 0x00C04000, under, 1.0f, BlitCopy | BlitUseAlpha, under},
    {"NaN leaves it", colour, under, std::numeric_limits<float>::quiet_NaN(), BlitCopy, under},
  };
  for (const PixelCase& c : cases)
  {
    PIX_MemBitmap destination(1, 1);
    destination.Pixels()[0] = c.destination;
    PIX_FillArea(&destination, 0, 0, 1, 1, c.source, c.opacity, c.mode);
    EXPECT_EQ(destination.Pixels()[0], c.expected) << c.what;
  }
}

TEST(PixFill, ClipsTheArea)
{
  struct FillCase
  {
    const char* what;
    int32_t x, y, w, h;
    std::vector<uint32_t> row0, row1;
  };
  const FillCase cases[] = {
    {"inside", 1, 0, 2, 1, {0, 9, 9, 0}, {0, 0, 0, 0}},
    {"negative x shrinks the width", -2, 0, 3, 2, {9, 0, 0, 0}, {9, 0, 0, 0}},
    {"negative y shrinks the height", 0, -1, 4, 2, {9, 9, 9, 9}, {0, 0, 0, 0}},
    {"larger than the bitmap", 2, 1, 100, 100, {0, 0, 0, 0}, {0, 0, 9, 9}},
    {"x at the width", 4, 0, 2, 2, {0, 0, 0, 0}, {0, 0, 0, 0}},
    {"nothing left after a negative x", -3, 0, 3, 2, {0, 0, 0, 0}, {0, 0, 0, 0}},
    {"huge negative position", INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (const FillCase& c : cases)
  {
    PIX_MemBitmap destination(4, 2);
    Fill(destination, 0);
    PIX_FillArea(&destination, c.x, c.y, c.w, c.h, 9, 1.0f, BlitCopy);
    EXPECT_EQ(Row(destination, 0), c.row0) << c.what;
    EXPECT_EQ(Row(destination, 1), c.row1) << c.what;
  }
}

TEST(PixMemBitmap, GrowsWithSlackAndNeverShrinks)
{
  PIX_MemBitmap bitmap(5, 3);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.RowStride(), 8);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Pixels()) % 64, 0u);
  EXPECT_EQ(bitmap.AllocatedBytes(), 96u); // 3 rows × 8 × 4

  struct Step
  {
    int32_t w, h;
    bool changed;
    uint32_t allocated;
    int32_t stride;
  };
  const Step steps[] = {
    {6, 3, true, 96, 8},     // 96 bytes still fit
    {6, 3, false, 96, 8},    // same size: nothing to do
    {9, 3, true, 180, 12},   // needs 144: grows to 144 × 5 / 4
    {2, 2, true, 180, 4},    // smaller: the allocation stays
    {10, 4, true, 240, 12},  // needs 192 > 180: 192 × 5 / 4
    {0, 5, true, 0, 0},      // no pixels: freed and emptied
  };
  for (const Step& step : steps)
  {
    EXPECT_EQ(bitmap.Resize(step.w, step.h), step.changed) << step.w << "x" << step.h;
    EXPECT_EQ(bitmap.AllocatedBytes(), step.allocated) << step.w << "x" << step.h;
    EXPECT_EQ(bitmap.RowStride(), step.stride) << step.w << "x" << step.h;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Pixels()) % 64, 0u);
  }
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.Pixels(), nullptr);
}

TEST(PixMemBitmap, SizesBeyondMemoryLeaveAnEmptyBitmap)
{
  // Each of these wraps to a small or zero byte count in 32-bit arithmetic.
  const int32_t sizes[][2] = {{40000, 30000}, {65536, 16384}, {INT32_MAX, 2}, {1 << 20, 1 << 20}};
  for (const auto& size : sizes)
  {
    PIX_MemBitmap bitmap(4, 4);
    EXPECT_TRUE(bitmap.Resize(size[0], size[1]));
    EXPECT_EQ(bitmap.Width(), 0) << size[0] << "x" << size[1];
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.AllocatedBytes(), 0u);
    // Drawing on it is harmless, and it can be used again.
    PIX_FillArea(&bitmap, 0, 0, 100, 100, 0xFFFFFFFF, 1.0f, BlitCopy);
    EXPECT_TRUE(bitmap.Resize(3, 3));
    EXPECT_EQ(bitmap.Width(), 3);
    ASSERT_NE(bitmap.Pixels(), nullptr);
    PIX_FillArea(&bitmap, 0, 0, 3, 3, 0xFFFFFFFF, 1.0f, BlitCopy);
    EXPECT_EQ(At(bitmap, 2, 2), 0xFFFFFFFFu);
  }
}

TEST(PixSysBitmap, ShrinkingKeepsTheSectionGrowingRecreatesIt)
{
  PIX_SysBitmap bitmap(10, 10);
  ASSERT_NE(bitmap.Pixels(), nullptr);
  EXPECT_EQ(bitmap.RowStride(), 12);
  EXPECT_EQ(bitmap.AllocatedHeight(), 10);
  EXPECT_FALSE(bitmap.IsBottomUp());
  EXPECT_EQ(Row(bitmap, 9), std::vector<uint32_t>(10, 0)); // starts cleared

  // Top row first: the first word of memory is pixel (0, 0).
  PIX_FillArea(&bitmap, 0, 0, 1, 1, 0xFF112233, 1.0f, BlitCopy);
  EXPECT_EQ(bitmap.Pixels()[0], 0xFF112233u);

  uint32_t* const before = bitmap.Pixels();
  EXPECT_TRUE(bitmap.Resize(5, 5));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.RowStride(), 12);
  EXPECT_EQ(bitmap.AllocatedHeight(), 10);
  EXPECT_EQ(bitmap.Pixels(), before);
  EXPECT_FALSE(bitmap.Resize(5, 5));

  EXPECT_TRUE(bitmap.Resize(13, 5));
  EXPECT_EQ(bitmap.RowStride(), 16);
  EXPECT_EQ(bitmap.AllocatedHeight(), 5);
  ASSERT_NE(bitmap.Pixels(), nullptr);
  PIX_FillArea(&bitmap, 0, 0, 13, 5, 0xFFFFFFFF, 1.0f, BlitCopy);
  EXPECT_EQ(At(bitmap, 12, 4), 0xFFFFFFFFu);

  bitmap.Resize(40000, 30000);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.Pixels(), nullptr);
  EXPECT_TRUE(bitmap.Resize(4, 4));
  EXPECT_NE(bitmap.Pixels(), nullptr);
}

TEST(PixBlit, UnknownOperationsDrawNothing)
{
  PIX_MemBitmap source(2, 1), destination(2, 1);
  Fill(source, 0xFF102030);
  for (uint32_t mode : {3u, 0xFFu, 3u | BlitUseAlpha})
  {
    Fill(destination, 0x11223344);
    PIX_BlitRect(&destination, &source, 0, 0, nullptr, 0.7f, mode);
    EXPECT_EQ(Row(destination, 0), (std::vector<uint32_t>{0x11223344, 0x11223344})) << mode;
    PIX_FillArea(&destination, 0, 0, 2, 1, 0xFF102030, 0.7f, mode);
    EXPECT_EQ(Row(destination, 0), (std::vector<uint32_t>{0x11223344, 0x11223344})) << mode;
  }
}

TEST(PixBlit, OntoItselfShiftsPixels)
{
  PIX_MemBitmap bitmap(4, 1);
  Number(bitmap);
  PIX_Rect firstThree{0, 0, 3, 1};
  PIX_BlitRect(&bitmap, &bitmap, 1, 0, &firstThree, 1.0f, BlitCopy);
  EXPECT_EQ(Row(bitmap, 0), (std::vector<uint32_t>{1, 1, 2, 3}));
}
