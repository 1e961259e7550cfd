// What the meters cost the audio thread at 48 kHz, in one run: the whole chain with
// the editor closed and open, and the meters' own work alone (closed: one flag per
// block; open: peaks, sums and scope points of input and output), beside a plain copy,
// and the output's sums by each kernel.
// Prints ns per stereo frame (per_frame) for each block size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "Brindle.h"
#include "MeterSums.h"
#include "MeterTap.h"

namespace {

constexpr double kRate = 48000.0;

struct Block {
    std::vector<double> inL, inR, outL, outR;
    explicit Block(int frames) : inL(size_t(frames)), inR(size_t(frames)), outL(size_t(frames)), outR(size_t(frames))
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<double> noise(-0.5, 0.5);
        for (size_t i = 0; i < inL.size(); ++i) {
            inL[i] = noise(random);
            inR[i] = noise(random);
        }
    }
    int Frames() const { return int(inL.size()); }
};

void Report(benchmark::State& state, int frames)
{
    const double total = double(frames) * double(state.iterations());
    state.counters["per_frame"] = benchmark::Counter(total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Copy(benchmark::State& state)
{
    Block block(int(state.range(0)));
    for (auto _ : state) {
        std::copy(block.inL.begin(), block.inL.end(), block.outL.begin());
        std::copy(block.inR.begin(), block.inR.end(), block.outR.begin());
        benchmark::ClobberMemory();
    }
    Report(state, block.Frames());
}

// The plug-in at its defaults; with an editor open the meters measure every block.
void Chain(benchmark::State& state, bool editorOpen)
{
    Block block(int(state.range(0)));
    auto plug = std::make_unique<Brindle>(nullptr);
    plug->SetInputConnections(0, 2, true);
    plug->SetOutputConnections(0, 2, true);
    plug->SetSampleRate(kRate);
    plug->ChangeBlockSize(block.Frames());
    plug->OnReset();
    if (editorOpen) {
        plug->OnEditorOpened();
    }
    double* ins[2] = {block.inL.data(), block.inR.data()};
    double* outs[2] = {block.outL.data(), block.outR.data()};
    for (auto _ : state) {
        plug->ProcessDoubleReplacing(2, ins, 2, outs, block.Frames());
        benchmark::ClobberMemory();
    }
    Report(state, block.Frames());
}

void ChainEditorClosed(benchmark::State& state) { Chain(state, false); }
void ChainEditorOpen(benchmark::State& state) { Chain(state, true); }

// The meters' work alone, as the plug-in calls it around the chain.
void Meters(benchmark::State& state, bool listening)
{
    Block block(int(state.range(0)));
    MeterTap tap;
    tap.Reset(kRate, block.Frames());
    tap.SetListening(listening);
    const double* ins[2] = {block.inL.data(), block.inR.data()};
    const double* outs[2] = {block.inR.data(), block.inL.data()};
    for (auto _ : state) {
        tap.KeepInput(ins, block.Frames());
        tap.MeasureOutput(outs, block.Frames());
        benchmark::ClobberMemory();
    }
    Report(state, block.Frames());
}

void MetersEditorClosed(benchmark::State& state) { Meters(state, false); }
void MetersEditorOpen(benchmark::State& state) { Meters(state, true); }

// The output's sums alone, by each kernel: what the wide one saves on this processor.
void Sums(benchmark::State& state, MeterSums::Kernel kernel)
{
    if (kernel == nullptr) {
        state.SkipWithError("this processor has no wide kernel");
        return;
    }
    Block block(int(state.range(0)));
    for (auto _ : state) {
        MeterSums::Stereo sums = kernel(block.inL.data(), block.inR.data(), block.Frames(), true);
        benchmark::DoNotOptimize(sums);
    }
    Report(state, block.Frames());
}

void SumsPortable(benchmark::State& state) { Sums(state, MeterSums::Portable); }
void SumsWide(benchmark::State& state) { Sums(state, MeterSums::Wide()); }

}  // namespace

BENCHMARK(Copy)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(ChainEditorClosed)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(ChainEditorOpen)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(MetersEditorClosed)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(MetersEditorOpen)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(SumsPortable)->Arg(512);
BENCHMARK(SumsWide)->Arg(512);

BENCHMARK_MAIN();
