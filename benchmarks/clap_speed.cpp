// Cost of a block through brindle.clap beside brindle3 in the same run (both built
// modules loaded by path, as brindle-render --module loads them), at 48 kHz and 512
// frames, in both sample sizes, at the defaults and with everything active; and the
// cost of blocks that carry 8 parameter events, spread (9 pieces in the CLAP module)
// or all at the start (the same changes without cuts; brindle3 applies a queue's
// last value before the block, so it sees fewer changes).
// Prints ns_per_frame (mean) per benchmark; with --benchmark_repetitions also the
// quickest repetition ("_min").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "InProcessHost.h"
#include "ModuleHost.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kFrames = 512;
constexpr int kEventsPerBlock = 8;

// With events: 8 changes of Width and Panning in each block, spread over it (the CLAP
// module cuts the block into 9 pieces) or all at its start (no cuts, the same changes).
// Switch events: "Mono Test" sent its own value (off) 8 times a block, spread: the
// cuts and the event handling without the glides that moving values start.
enum class Load { Defaults, Active, ActiveWithEvents, ActiveWithEventsAtStart, ActiveWithSwitchEvents };

// Plain values in the parameter table's order.
std::vector<double> Values(const std::vector<RenderParamInfo>& table, Load load) {
    std::vector<double> values;
    for (const RenderParamInfo& param : table) values.push_back(param.defaultValue);
    if (load == Load::Defaults) return values;
    const std::pair<const char*, double> active[] = {{"Delay Amount", 100.0}, {"Width", 0.5},      {"Panning", 0.3},
                                                     {"Mid Gain", 3.0},       {"Side Gain", -3.0}, {"Output Gain", -2.0}};
    for (const auto& [name, value] : active)
        for (size_t i = 0; i < table.size(); ++i)
            if (table[i].name == name) values[i] = value;
    return values;
}

// The table of the plug-in compiled into this program.
std::vector<RenderParamInfo> Table() {
    std::vector<RenderParamInfo> table;
    InProcessHost own(CreateOfflinePlugin);
    if (!own.Create() || !own.DescribeParams(table)) table.clear();
    own.Release();
    return table;
}

int IndexOf(const std::vector<RenderParamInfo>& table, const char* name) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].name == name) return static_cast<int>(i);
    return -1;
}

template <typename Sample>
void Run(benchmark::State& state, const std::string& path, RenderPrecision precision, Load load) {
    static const std::vector<RenderParamInfo> table = Table();
    std::unique_ptr<RenderHost> host = CreateModuleHost(path, table);
    std::vector<RenderParamInfo> params;
    if (!host->Create() || !host->DescribeParams(params) || !host->Configure(kRate, kFrames, precision) ||
        !host->LoadParams(Values(table, load))) {
        state.SkipWithError((path + ": " + host->Failure()).c_str());
        return;
    }
    std::vector<Sample> inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames);
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    for (int i = 0; i < kFrames; ++i) inL[size_t(i)] = Sample(noise(random)), inR[size_t(i)] = Sample(noise(random));
    const Sample* ins[2] = {inL.data(), inR.data()};
    Sample* outs[2] = {outL.data(), outR.data()};
    // Automation as a host plays it: Width and Panning moving a little at 8 times a block.
    const int width = IndexOf(table, "Width"), panning = IndexOf(table, "Panning");
    const int monoTest = IndexOf(table, "Mono Test");
    long block = 0;
    auto process = [&] {
        if (load == Load::ActiveWithEvents || load == Load::ActiveWithEventsAtStart) {
            for (int e = 0; e < kEventsPerBlock; ++e) {
                const double phase = 0.01 * double(block * kEventsPerBlock + e);
                const int offset = load == Load::ActiveWithEvents ? e * kFrames / kEventsPerBlock : 0;
                host->ScheduleParamChange(e % 2 ? panning : width, 0.5 * std::sin(phase), offset);
            }
        }
        if (load == Load::ActiveWithSwitchEvents) {
            for (int e = 0; e < kEventsPerBlock; ++e) host->ScheduleParamChange(monoTest, 0.0, e * kFrames / kEventsPerBlock);
        }
        ++block;
        if constexpr (sizeof(Sample) == sizeof(double))
            return host->ProcessDouble(const_cast<double* const*>(ins), outs, kFrames);
        else
            return host->ProcessSingle(ins, outs, kFrames);
    };
    // Past every glide (100 ms) before timing.
    for (int done = 0; done < int(kRate / 5); done += kFrames) process();
    for (auto _ : state) {
        if (!process()) {
            state.SkipWithError("the plug-in refused a block");
            break;
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    // Time per iteration divided by the frames of a block, in ns.
    state.counters["ns_per_frame"] = benchmark::Counter(kFrames * 1e-9, benchmark::Counter::kIsIterationInvariantRate |
                                                                            benchmark::Counter::kInvert);
    host->Release();
}

double Minimum(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv) {
    struct Module {
        const char* name;
        const char* path;
    };
    const Module modules[] = {{"brindle3", BRINDLE3_BUNDLE_PATH}, {"clap", BRINDLE_CLAP_PATH}};
    const std::pair<Load, const char*> loads[] = {
        {Load::Defaults, "defaults"},
        {Load::Active, "active"},
        {Load::ActiveWithEvents, "active_8_events"},
        {Load::ActiveWithEventsAtStart, "active_8_events_at_start"},
        {Load::ActiveWithSwitchEvents, "active_8_switch_events"}};
    for (const auto& [load, loadName] : loads) {
        for (const Module& module : modules) {
            for (const RenderPrecision precision : {RenderPrecision::Double, RenderPrecision::Single}) {
                const bool wide = precision == RenderPrecision::Double;
                const std::string name = std::string(module.name) + (wide ? "_double/" : "_single/") + loadName +
                                         "/48000/" + std::to_string(kFrames);
                const std::string path = module.path;
                const Load chosen = load;
                benchmark::RegisterBenchmark(name.c_str(),
                                             [=](benchmark::State& state) {
                                                 wide ? Run<double>(state, path, precision, chosen)
                                                      : Run<float>(state, path, precision, chosen);
                                             })
                    ->ComputeStatistics("min", Minimum);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
