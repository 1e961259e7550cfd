// Cost of a block as a host sees it: Brindle through its built modules (brindle3's
// process, brindle2's processDoubleReplacing and processReplacing) beside two LV2
// stereo utilities of other makers and a plain copy, all in one run. Prints the time
// per stereo frame (ns_per_frame: the mean; best_ns_per_frame: the quickest group of
// blocks) and the multiple of real time (x_realtime, best_x_realtime);
// benchmarks/speed_table.py turns the JSON output into the README's table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "InProcessHost.h"
#include "Lv2PeerHost.h"
#include "ModuleHost.h"

namespace {

enum class Scenario { Defaults, Active, MidMode, Bypass, SilenceAfterBurst };

const char* ScenarioName(Scenario scenario)
{
    switch (scenario) {
    case Scenario::Defaults: return "defaults";
    case Scenario::Active: return "active";
    case Scenario::MidMode: return "mid";
    case Scenario::Bypass: return "bypass";
    case Scenario::SilenceAfterBurst: return "silence_after_burst";
    }
    return "";
}

// One plug-in as the benchmark drives it: settings, then blocks of one precision.
class Subject {
public:
    virtual ~Subject() = default;
    virtual bool Process(const double* const* in, double* const* out, int frames) = 0;
    virtual bool Process(const float* const* in, float* const* out, int frames) = 0;
};

// Brindle's parameter table, from the plug-in compiled into this program.
std::vector<RenderParamInfo> BrindleTable()
{
    std::vector<RenderParamInfo> table;
    InProcessHost own(CreateOfflinePlugin);
    if (!own.Create() || !own.DescribeParams(table)) {
        table.clear();
    }
    own.Release();
    return table;
}

// Brindle's plain values by parameter name, loaded the way a host loads a saved state.
std::vector<double> BrindleValues(const std::vector<RenderParamInfo>& table, Scenario scenario)
{
    std::vector<double> values;
    for (const RenderParamInfo& param : table) {
        values.push_back(param.defaultValue);
    }
    auto set = [&](const char* name, double value) {
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i].name == name) {
                values[i] = value;
            }
        }
    };
    switch (scenario) {
    case Scenario::Active:
    case Scenario::SilenceAfterBurst:
        set("Delay Amount", 100.0);
        set("Width", 0.5);
        set("Panning", 0.3);
        set("Mid Gain", 3.0);
        set("Side Gain", -3.0);
        set("Output Gain", -2.0);
        break;
    case Scenario::MidMode: set("Channel Selector", 1.0); break;
    case Scenario::Bypass: set("Bypass", 1.0); break;
    case Scenario::Defaults: break;
    }
    return values;
}

class ModuleSubject : public Subject {
public:
    bool Open(const std::string& path, Scenario scenario, double rate, int frames, RenderPrecision precision)
    {
        static const std::vector<RenderParamInfo> table = BrindleTable();
        host = CreateModuleHost(path, table);
        std::vector<RenderParamInfo> params;
        if (!host->Create() || !host->DescribeParams(params) || !host->Configure(rate, frames, precision) ||
            !host->LoadParams(BrindleValues(table, scenario))) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), host->Failure().c_str());
            return false;
        }
        return true;
    }
    bool Process(const double* const* in, double* const* out, int frames) override
    {
        return host->ProcessDouble(const_cast<double* const*>(in), out, frames);
    }
    bool Process(const float* const* in, float* const* out, int frames) override
    {
        return host->ProcessSingle(in, out, frames);
    }
    ~ModuleSubject() override
    {
        if (host) {
            host->Release();
        }
    }

private:
    std::unique_ptr<RenderHost> host;
};

// Comparable controls of a peer: symbol and value per scenario.
struct PeerSetting {
    const char* symbol;
    float value;
};

struct Peer {
    const char* name;
    const char* uri;
    std::function<std::vector<PeerSetting>(Scenario, double rate)> settings;
    bool hasBypass;
};

const Peer kPeers[] = {
    // brindle.lv2 through the same LV2 host as the peers: format against format.
    {"brindle_lv2", "urn:orvane:brindle",
     [](Scenario scenario, double) -> std::vector<PeerSetting> {
         switch (scenario) {
         case Scenario::Active:
             return {{"delay_amount", 100.0f}, {"width", 0.5f},      {"panning", 0.3f},
                     {"mid_gain", 3.0f},       {"side_gain", -3.0f}, {"output_gain", -2.0f}};
         case Scenario::MidMode: return {{"channel_selector", 1.0f}};
         case Scenario::Bypass: return {{"bypass", 1.0f}};
         default: return {};
         }
     },
     true},
    {"calf_stereo_tools", "http://calf.sourceforge.net/plugins/StereoTools",
     [](Scenario scenario, double) -> std::vector<PeerSetting> {
         switch (scenario) {
         // Width, the time between the channels, mid and side levels, balance, output level.
         case Scenario::Active:
             return {{"stereo_base", 0.5f}, {"delay", 3.55f},        {"mlev", 1.4125f},
                     {"slev", 0.7079f},     {"balance_out", 0.3f},   {"level_out", 0.7943f}};
         case Scenario::MidMode: return {{"mode", 5.0f}};  // L+R on both channels
         case Scenario::Bypass: return {{"bypass", 1.0f}};
         default: return {};
         }
     },
     true},
    {"x42_balance", "http://gareus.org/oss/lv2/balance",
     [](Scenario scenario, double rate) -> std::vector<PeerSetting> {
         switch (scenario) {
         // Gain, balance and a delay per channel (in samples, Brindle's delay times).
         case Scenario::Active:
             return {{"trim", -2.0f},
                     {"balance", 0.3f},
                     {"delayLeft", float(int(rate * 0.01575))},
                     {"delayRight", float(int(rate * 0.0122))}};
         case Scenario::MidMode: return {{"monoswap", 4.0f}};  // downmix to mono
         default: return {};
         }
     },
     false},
};

class PeerSubject : public Subject {
public:
    bool Open(const Peer& peer, Scenario scenario, double rate)
    {
        if (!host.Load(peer.uri, rate)) {
            std::fprintf(stderr, "%s\n", host.Failure().c_str());
            return false;
        }
        for (const PeerSetting& setting : peer.settings(scenario, rate)) {
            if (!host.Set(setting.symbol, setting.value)) {
                std::fprintf(stderr, "%s: %s\n", peer.name, host.Failure().c_str());
                return false;
            }
        }
        return true;
    }
    bool Process(const double* const*, double* const*, int) override { return false; }
    bool Process(const float* const* in, float* const* out, int frames) override
    {
        host.Run(in[0], in[1], out[0], out[1], frames);
        return true;
    }

private:
    Lv2PeerHost host;
};

template <typename Sample>
struct Buffers {
    std::vector<Sample> inL, inR, outL, outR;
    explicit Buffers(int frames) : inL(size_t(frames)), inR(size_t(frames)), outL(size_t(frames)), outR(size_t(frames))
    {
        Noise(0.5);
    }
    void Noise(double level)
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<double> noise(-level, level);
        for (size_t i = 0; i < inL.size(); ++i) {
            inL[i] = Sample(noise(random));
            inR[i] = Sample(noise(random));
        }
    }
    bool Run(Subject& subject)
    {
        const Sample* ins[2] = {inL.data(), inR.data()};
        Sample* outs[2] = {outL.data(), outR.data()};
        return subject.Process(ins, outs, int(inL.size()));
    }
};

// Blocks timed together: about 16384 frames, long enough for the clock, short enough
// that the quickest of many groups escapes other processes on a shared machine.
int GroupBlocks(int frames) { return std::max(1, 16384 / frames); }

// Runs one group of blocks per iteration and keeps the quickest group.
template <typename Body>
void TimeGroups(benchmark::State& state, int frames, double rate, Body&& runBlock)
{
    const int group = GroupBlocks(frames);
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int b = 0; b < group; ++b) {
            runBlock();
        }
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(end - start).count());
    }
    const double total = double(frames) * double(group) * double(state.iterations());
    // kIsRate | kInvert gives time / value: with value = frames * 1e-9 that is ns per frame.
    state.counters["ns_per_frame"] = benchmark::Counter(total * 1e-9, benchmark::Counter::kIsRate |
                                                                          benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(total / rate, benchmark::Counter::kIsRate);
    // The quickest group, per frame, and the multiple of real time it gives.
    const double bestPerFrame = best / (double(frames) * double(group));
    state.counters["best_ns_per_frame"] = bestPerFrame;
    state.counters["best_x_realtime"] = 1e9 / (bestPerFrame * rate);
}

// The plug-in of the benchmark running now. Google Benchmark calls a benchmark's body
// several times (to size the run, then once per repetition); the plug-in is opened and
// warmed up once and carries on from there.
struct Current {
    std::string name;
    std::unique_ptr<Subject> subject;
};

template <typename Sample>
void Time(benchmark::State& state, const std::string& name, const std::function<std::unique_ptr<Subject>()>& open,
          Scenario scenario, double rate, int frames)
{
    static Current current;
    Buffers<Sample> buffers(frames);
    if (current.name != name || !current.subject) {
        current.subject.reset();
        current.subject = open();
        current.name = name;
        if (!current.subject) {
            state.SkipWithError("could not open the plug-in");
            return;
        }
        // Past every glide (100 ms) before timing.
        for (int done = 0; done < int(rate / 5); done += frames) {
            if (!buffers.Run(*current.subject)) {
                current.subject.reset();
                state.SkipWithError("the plug-in refused a block");
                return;
            }
        }
        if (scenario == Scenario::SilenceAfterBurst) {
            buffers.Noise(1.0);
            for (int done = 0; done < int(rate); done += frames) {
                buffers.Run(*current.subject);
            }
        }
    }
    if (scenario == Scenario::SilenceAfterBurst) {
        buffers.Noise(0.0);
    }
    Subject& subject = *current.subject;
    TimeGroups(state, frames, rate, [&] {
        buffers.Run(subject);
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::ClobberMemory();
    });
}

void CopyBaseline(benchmark::State& state, double rate, int frames)
{
    Buffers<double> buffers(frames);
    TimeGroups(state, frames, rate, [&] {
        std::copy(buffers.inL.begin(), buffers.inL.end(), buffers.outL.begin());
        std::copy(buffers.inR.begin(), buffers.inR.end(), buffers.outR.begin());
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::ClobberMemory();
    });
}

double Minimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

void Add(const std::string& name, std::function<void(benchmark::State&)> body)
{
    benchmark::RegisterBenchmark(name.c_str(), std::move(body))->ComputeStatistics("min", Minimum);
}

struct ModulePath {
    const char* name;
    const char* path;
    RenderPrecision precision;
};

void AddModule(const ModulePath& module, Scenario scenario, double rate, int frames)
{
    auto open = [=]() -> std::unique_ptr<Subject> {
        auto subject = std::make_unique<ModuleSubject>();
        if (!subject->Open(module.path, scenario, rate, frames, module.precision)) {
            return nullptr;
        }
        return subject;
    };
    const bool isDouble = module.precision == RenderPrecision::Double;
    const std::string name = std::string(module.name) + "/" + ScenarioName(scenario) + "/" +
                             std::to_string(int(rate)) + "/" + std::to_string(frames);
    Add(name, [=](benchmark::State& state) {
        isDouble ? Time<double>(state, name, open, scenario, rate, frames)
                 : Time<float>(state, name, open, scenario, rate, frames);
    });
}

}  // namespace

int main(int argc, char** argv)
{
    // The LV2 search path finds the built bundle first, then the installed peers.
    const char* lv2Path = std::getenv("LV2_PATH");
    const std::string searchPath = std::string(BRINDLE_LV2_SEARCH_DIR) + ":" +
                                   (lv2Path && lv2Path[0] ? lv2Path : "/usr/local/lib/lv2:/usr/lib/lv2");
    setenv("LV2_PATH", searchPath.c_str(), 1);
    const double rates[] = {44100.0, 48000.0, 96000.0};
    const int blocks[] = {32, 64, 128, 512, 1024, 4096};
    const Scenario scenarios[] = {Scenario::Defaults, Scenario::Active, Scenario::MidMode, Scenario::Bypass};
    // brindle3 runs its process in either sample size; brindle2's double path is
    // processDoubleReplacing and its single path processReplacing.
    const ModulePath modules[] = {
        {"brindle3_double", BRINDLE3_BUNDLE_PATH, RenderPrecision::Double},
        {"brindle3_single", BRINDLE3_BUNDLE_PATH, RenderPrecision::Single},
        {"brindle2_double", BRINDLE2_MODULE_PATH, RenderPrecision::Double},
        {"brindle2_single", BRINDLE2_MODULE_PATH, RenderPrecision::Single},
    };

    // Another build's modules beside these in the same run (rows named *_before), to
    // compare two versions under the same load: BRINDLE_SPEED_BEFORE=BUILD_DIR.
    std::vector<ModulePath> subjects(std::begin(modules), std::end(modules));
    static std::string beforeVst2, beforeVst3;
    if (const char* before = std::getenv("BRINDLE_SPEED_BEFORE")) {
        beforeVst2 = std::string(before) + "/brindle2.so";
        beforeVst3 = std::string(before) + "/brindle3.vst3";
        subjects.push_back({"brindle3_double_before", beforeVst3.c_str(), RenderPrecision::Double});
        subjects.push_back({"brindle3_single_before", beforeVst3.c_str(), RenderPrecision::Single});
        subjects.push_back({"brindle2_double_before", beforeVst2.c_str(), RenderPrecision::Double});
        subjects.push_back({"brindle2_single_before", beforeVst2.c_str(), RenderPrecision::Single});
    }

    for (double rate : rates) {
        for (int frames : blocks) {
            const std::string where = "/" + std::to_string(int(rate)) + "/" + std::to_string(frames);
            Add("copy/baseline" + where, [=](benchmark::State& state) { CopyBaseline(state, rate, frames); });
            for (Scenario scenario : scenarios) {
                for (const ModulePath& module : subjects) {
                    AddModule(module, scenario, rate, frames);
                }
                for (const Peer& peer : kPeers) {
                    if (scenario == Scenario::Bypass && !peer.hasBypass) {
                        continue;
                    }
                    auto open = [=, &peer]() -> std::unique_ptr<Subject> {
                        auto subject = std::make_unique<PeerSubject>();
                        if (!subject->Open(peer, scenario, rate)) {
                            return nullptr;
                        }
                        return subject;
                    };
                    const std::string name = std::string(peer.name) + "/" + ScenarioName(scenario) + where;
                    Add(name, [=](benchmark::State& state) { Time<float>(state, name, open, scenario, rate, frames); });
                }
            }
        }
    }
    // Denormals: silence after a loud burst, with everything active, in both precisions.
    for (int frames : {32, 512}) {
        for (const ModulePath& module : subjects) {
            AddModule(module, Scenario::SilenceAfterBurst, 48000.0, frames);
        }
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
