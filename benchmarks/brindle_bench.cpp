// Cost of the plug-in's processing per stereo frame at 48 kHz, for typical settings and
// block sizes, beside a plain copy of the block. Prints time per frame and x real time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "Brindle.h"
#include "BrindleSettings.h"

namespace {

constexpr double kRate = 48000.0;

enum class Scenario { Defaults, Active, MidMode, Bypass, SilenceAfterBurst };

struct Bench {
    std::unique_ptr<Brindle> plug = std::make_unique<Brindle>(nullptr);
    std::vector<double> inL, inR, outL, outR;

    explicit Bench(int frames)
        : inL(size_t(frames)), inR(size_t(frames)), outL(size_t(frames)), outR(size_t(frames))
    {
        plug->SetInputConnections(0, 2, true);
        plug->SetOutputConnections(0, 2, true);
        plug->SetSampleRate(kRate);
        plug->ChangeBlockSize(frames);
        plug->OnReset();
        Noise(0.5);
    }

    void Noise(double level)
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<double> noise(-level, level);
        for (size_t i = 0; i < inL.size(); ++i) {
            inL[i] = noise(random);
            inR[i] = noise(random);
        }
    }

    void Run()
    {
        double* ins[2] = {inL.data(), inR.data()};
        double* outs[2] = {outL.data(), outR.data()};
        plug->ProcessDoubleReplacing(2, ins, 2, outs, int(inL.size()));
    }
};

void Report(benchmark::State& state, int frames)
{
    const double total = double(frames) * double(state.iterations());
    // Seconds per stereo frame (printed with an SI prefix: 10n is 10 ns), and seconds of
    // 48 kHz audio per second of processing time (1k/s is 1000 x real time).
    state.counters["per_frame"] = benchmark::Counter(total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(total / kRate, benchmark::Counter::kIsRate);
}

void Process(benchmark::State& state, Scenario scenario)
{
    const int frames = int(state.range(0));
    Bench bench(frames);
    Brindle& plug = *bench.plug;
    switch (scenario) {
    case Scenario::Defaults:
        break;
    case Scenario::Active:
    case Scenario::SilenceAfterBurst:
        EverythingActive(plug);
        break;
    case Scenario::MidMode:
        Set(plug, Brindle::kChannelSelector, 1.0);
        break;
    case Scenario::Bypass:
        Set(plug, Brindle::kBypass, 1.0);
        break;
    }
    // Past every glide (100 ms) before timing.
    for (int done = 0; done < int(kRate / 5); done += frames) {
        bench.Run();
    }
    if (scenario == Scenario::SilenceAfterBurst) {
        bench.Noise(1.0);
        for (int done = 0; done < int(kRate); done += frames) {
            bench.Run();
        }
        bench.Noise(0.0);
    }
    for (auto _ : state) {
        bench.Run();
        benchmark::DoNotOptimize(bench.outL.data());
        benchmark::ClobberMemory();
    }
    Report(state, frames);
}

void CopyBaseline(benchmark::State& state)
{
    const int frames = int(state.range(0));
    Bench bench(frames);
    for (auto _ : state) {
        std::copy(bench.inL.begin(), bench.inL.end(), bench.outL.begin());
        std::copy(bench.inR.begin(), bench.inR.end(), bench.outR.begin());
        benchmark::DoNotOptimize(bench.outL.data());
        benchmark::ClobberMemory();
    }
    Report(state, frames);
}

}  // namespace

BENCHMARK(CopyBaseline)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Process, defaults, Scenario::Defaults)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Process, everything_active, Scenario::Active)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Process, mid_mode, Scenario::MidMode)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Process, bypass, Scenario::Bypass)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Process, silence_after_burst, Scenario::SilenceAfterBurst)->Arg(32)->Arg(512)->Arg(4096);

BENCHMARK_MAIN();
