// Figures for the editor: an idle timer tick (the knobs redraw their values on
// every tick), a redraw of the whole window, and building a plug-in with its editor.
#include "BrindleTestSupport.h"

#include <benchmark/benchmark.h>

namespace {

void IdleTick(benchmark::State& state)
{
  auto plug = MakeBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  editor.OpenWindow(nullptr);
  editor.Tick();
  for (auto _ : state) benchmark::DoNotOptimize(editor.Tick());
}
BENCHMARK(IdleTick);

void WholeWindow(benchmark::State& state)
{
  auto plug = MakeBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  for (auto _ : state) benchmark::DoNotOptimize(editor.Draw(IRect(0, 0, kEditorWidth, kEditorHeight)));
}
BENCHMARK(WholeWindow);

// Images are decoded once per process, so this is the cost of every instance after the first.
void PluginWithEditor(benchmark::State& state)
{
  for (auto _ : state) benchmark::DoNotOptimize(MakeBrindle());
}
BENCHMARK(PluginWithEditor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
