// Speed of the blit and fill paths at the editor's size (470 x 322), and of PNG
// decoding and text drawing: prints figures, sets no limits.
#include "PixBlit.h"
#include "PixFontCache.h"
#include "PixPng.h"
#include "PixSysBitmap.h"
#include "PngWriter.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

constexpr int32_t EditorWidth = 470, EditorHeight = 322;

void Blit(benchmark::State& state, float opacity, uint32_t mode)
{
  PIX_SysBitmap destination(EditorWidth, EditorHeight);
  PIX_MemBitmap source(EditorWidth, EditorHeight);
  PIX_FillArea(&source, 0, 0, EditorWidth, EditorHeight, 0x80406080, 1.0f, BlitCopy);
  for (auto _ : state)
  {
    PIX_BlitRect(&destination, &source, 0, 0, nullptr, opacity, mode);
    benchmark::DoNotOptimize(destination.Pixels()[0]);
  }
  state.SetItemsProcessed(state.iterations() * EditorWidth * EditorHeight);
}

void Fill(benchmark::State& state, float opacity)
{
  PIX_SysBitmap destination(EditorWidth, EditorHeight);
  for (auto _ : state)
  {
    PIX_FillArea(&destination, 0, 0, EditorWidth, EditorHeight, 0xFF336699, opacity, BlitCopy);
    benchmark::DoNotOptimize(destination.Pixels()[0]);
  }
  state.SetItemsProcessed(state.iterations() * EditorWidth * EditorHeight);
}

void DecodeKnobStrip(benchmark::State& state)
{
  // The size of the plug-in's largest strips: 48 x 3120 RGBA.
  PngSpec spec;
  spec.width = 48;
  spec.height = 3120;
  for (uint32_t y = 0; y < spec.height; ++y)
  {
    std::vector<uint8_t> row(48 * 4);
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = uint8_t((i * 7 + y * 13) & 0xFF);
    spec.rows.push_back(row);
  }
  const std::vector<uint8_t> bytes = WritePng(spec);
  for (auto _ : state)
  {
    std::unique_ptr<PIX_MemBitmap> bitmap(LoadPngFromMemory(bytes.data(), bytes.size()));
    benchmark::DoNotOptimize(bitmap.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void DrawValueText(benchmark::State& state)
{
  PIX_TextStyle style;
  std::strcpy(style.faceName, "Verdana");
  style.size = 13;
  PIX_CachedFont* font = GetCachedFont(style);
  PIX_SysBitmap bitmap(100, 30);
  font->SetForeground(0xFFFFFFFF);
  for (auto _ : state)
  {
    PIX_Rect rect{0, 0, 100, 30};
    font->RenderText(&bitmap, "-12.5 dB", -1, &rect, TextCentre | TextVerticalCentre | TextSingleLine);
    benchmark::DoNotOptimize(bitmap.Pixels()[0]);
  }
}

} // namespace

BENCHMARK_CAPTURE(Blit, copy_1_0, 1.0f, BlitCopy);
BENCHMARK_CAPTURE(Blit, copy_0_5, 0.5f, BlitCopy);
BENCHMARK_CAPTURE(Blit, copy_0_3, 0.3f, BlitCopy);
BENCHMARK_CAPTURE(Blit, copy_alpha_1_0, 1.0f, BlitCopy | BlitUseAlpha);
BENCHMARK_CAPTURE(Blit, add_alpha, 1.0f, BlitAdd | BlitUseAlpha);
BENCHMARK_CAPTURE(Blit, dodge_alpha, 1.0f, BlitDodge | BlitUseAlpha);
BENCHMARK_CAPTURE(Fill, full, 1.0f);
BENCHMARK_CAPTURE(Fill, half, 0.5f);
BENCHMARK_CAPTURE(Fill, quarter, 0.25f);
BENCHMARK_CAPTURE(Fill, point_3, 0.3f);
BENCHMARK(DecodeKnobStrip);
BENCHMARK(DrawValueText);
BENCHMARK_MAIN();
