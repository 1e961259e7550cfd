// brindle.clap loaded by path through the host harness, as a host loads it: entry and
// factory, descriptor, ports, parameters and their texts, state streams, processing in
// both sample sizes against the tool's own plug-in, sample-accurate events, the tail and
// the editor's answers.
#include "BrindleEditor.h"
#include "ClapHost.h"
#include "ClapModuleHost.h"
#include "InProcessHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace claphost;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kId = "com.orvane.brindle";

enum : clap_id { kOutputGain, kMidGain, kSideGain, kDelayAmount, kWidth, kPanning, kChannelSelector, kInvertLeft,
                 kInvertRight, kSwap, kMonoTest, kBypass };

struct Loaded {
    std::unique_ptr<ClapModule> module;
    std::unique_ptr<ClapHost> host;
    std::unique_ptr<ClapInstance> instance;
};

Loaded LoadBrindle(bool pacing = true) {
    Loaded loaded;
    std::string error;
    loaded.module = ClapModule::Load(BRINDLE_CLAP_MODULE, error);
    EXPECT_TRUE(loaded.module) << error;
    if (!loaded.module) return loaded;
    loaded.host = std::make_unique<ClapHost>(pacing);
    loaded.instance = ClapInstance::Create(*loaded.module, *loaded.host, kId, error);
    EXPECT_TRUE(loaded.instance) << error;
    return loaded;
}

double DoubleAt(const std::vector<unsigned char>& bytes, size_t offset) {
    double v;
    std::memcpy(&v, bytes.data() + offset, 8);
    return v;
}

void PutDouble(std::vector<unsigned char>& bytes, size_t offset, double v) { std::memcpy(bytes.data() + offset, &v, 8); }

// Two different tones with a click: every stage of the chain has something to do.
std::vector<double> Tone(int channel, int frames) {
    std::vector<double> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = i / 48000.0;
        samples[static_cast<size_t>(i)] = channel == 0 ? 0.4 * std::sin(2 * kPi * 330 * t) + (i == 40 ? 0.5 : 0.0)
                                                       : 0.3 * std::sin(2 * kPi * 1250 * t + 0.5);
    }
    return samples;
}

}  // namespace

TEST(ClapModule, EntryFactoryAndDescriptor) {
    Loaded first = LoadBrindle();
    ASSERT_TRUE(first.instance);
    const clap_plugin_entry* entry = first.module->Entry();
    EXPECT_EQ(entry->clap_version.major, 1u);
    EXPECT_EQ(entry->get_factory("clap.preset-discovery-factory/2"), nullptr);
    EXPECT_EQ(entry->get_factory(nullptr), nullptr);
    const clap_plugin_factory* factory = first.module->Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* desc = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(desc, nullptr);
    EXPECT_STREQ(desc->id, kId);
    EXPECT_STREQ(desc->name, "Brindle");
    EXPECT_STREQ(desc->vendor, "Orvane");
    EXPECT_STREQ(desc->version, BRINDLE_VERSION_TEXT);
    EXPECT_EQ(first.instance->Plugin()->desc, desc);
    std::vector<std::string> features;
    for (const char* const* f = desc->features; *f; ++f) features.push_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo", "utility", "mixing", "mastering"}));

    // Unknown ids, missing hosts and hosts of a pre-release generation get nothing.
    ClapHost host;
    EXPECT_EQ(factory->create_plugin(factory, host.Host(), "com.orvane.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, kId), nullptr);
    clap_host old = *host.Host();
    old.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &old, kId), nullptr);
    // Nothing calls the host from inside create_plugin.
    EXPECT_TRUE(first.host->WrongThreadCalls().empty());
}

TEST(ClapModule, InitAndDeinitAreCounted) {
    std::string error;
    auto module = ClapModule::Load(BRINDLE_CLAP_MODULE, error);  // init 1
    ASSERT_TRUE(module) << error;
    const clap_plugin_entry* entry = module->Entry();
    const clap_plugin_factory* factory = module->Factory();
    ClapHost host;
    auto create = [&] {
        const clap_plugin* p = factory->create_plugin(factory, host.Host(), kId);
        if (p) p->destroy(p);
        return p != nullptr;
    };
    ASSERT_TRUE(entry->init("second user"));  // 2
    entry->deinit();                         // 1: still in use
    EXPECT_TRUE(create());
    entry->deinit();  // 0: released
    EXPECT_FALSE(create());
    entry->deinit();  // one too many changes nothing
    ASSERT_TRUE(entry->init("again"));  // 1
    EXPECT_TRUE(create());
    // The module's destructor gives the last deinit.
}

TEST(ClapModule, AudioPortsAndLatency) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance && b.instance->ports);
    const clap_plugin* p = b.instance->Plugin();
    for (bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        EXPECT_EQ(b.instance->ports->count(p, input), 1u);
        clap_audio_port_info info{};
        ASSERT_TRUE(b.instance->ports->get(p, 0, input, &info));
        EXPECT_EQ(info.id, 0u);
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, "stereo");
        EXPECT_EQ(info.in_place_pair, 0u);
        EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);
        EXPECT_FALSE(info.flags & CLAP_AUDIO_PORT_PREFERS_64BITS);
        EXPECT_FALSE(b.instance->ports->get(p, 1, input, &info));
        EXPECT_FALSE(b.instance->ports->get(p, 0, input, nullptr));
    }
    ASSERT_NE(b.instance->latency, nullptr);
    EXPECT_EQ(b.instance->latency->get(p), 0u);
    EXPECT_EQ(p->get_extension(p, "clap.note-ports"), nullptr);
    EXPECT_EQ(p->get_extension(p, "clap.render"), nullptr);
}

TEST(ClapModule, ParameterInfos) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance && b.instance->params);
    const clap_plugin* p = b.instance->Plugin();
    constexpr uint32_t A = CLAP_PARAM_IS_AUTOMATABLE, S = CLAP_PARAM_IS_STEPPED;
    struct Expected {
        const char* name;
        double min, max, def;
        uint32_t flags;
    };
    const Expected expected[] = {
        {"Output Gain", -10, 10, 0, A},       {"Mid Gain", -10, 10, 0, A},
        {"Side Gain", -10, 10, 0, A},         {"Delay Amount", 0, 100, 0, A},
        {"Width", -1, 1, 0, A},               {"Panning", -1, 1, 0, A},
        {"Channel Selector", 0, 2, 0, A | S | CLAP_PARAM_IS_ENUM},
        {"Invert Left", 0, 1, 0, A | S},      {"Invert Right", 0, 1, 0, A | S},
        {"L/R swap", 0, 1, 0, A | S},         {"Mono Test", 0, 1, 0, A | S},
        {"Bypass", 0, 1, 0, A | S | CLAP_PARAM_IS_BYPASS},
    };
    ASSERT_EQ(b.instance->params->count(p), 12u);
    for (uint32_t i = 0; i < 12; ++i) {
        SCOPED_TRACE(expected[i].name);
        clap_param_info info{};
        ASSERT_TRUE(b.instance->params->get_info(p, i, &info));
        EXPECT_EQ(info.id, i);  // the index is the id, kept for ever
        EXPECT_STREQ(info.name, expected[i].name);
        EXPECT_STREQ(info.module, "");
        EXPECT_EQ(info.min_value, expected[i].min);
        EXPECT_EQ(info.max_value, expected[i].max);
        EXPECT_EQ(info.default_value, expected[i].def);
        EXPECT_EQ(info.flags, expected[i].flags);
        EXPECT_EQ(b.instance->Value(i), expected[i].def);
    }
    clap_param_info info{};
    EXPECT_FALSE(b.instance->params->get_info(p, 12, &info));
    double value = 0;
    EXPECT_FALSE(b.instance->params->get_value(p, 12, &value));
    EXPECT_FALSE(b.instance->params->get_value(p, 0, nullptr));
}

TEST(ClapModule, ValueTextsBothWays) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance && b.instance->params);
    const clap_plugin* p = b.instance->Plugin();
    struct Case {
        clap_id id;
        double value;
        const char* text;
    };
    // The editor's and the other formats' texts, with the unit beside numbers.
    const Case shown[] = {
        {kOutputGain, 3.0, "3.0 dB"},  {kMidGain, -10.0, "-10.0 dB"},     {kSideGain, 0.26, "0.3 dB"},
        {kDelayAmount, 0.0, "zero"},   {kDelayAmount, 40.0, "40.0 %"},     {kWidth, -1.0, "mid"},
        {kWidth, 0.0, "0.00"},         {kWidth, 0.25, "0.25"},             {kWidth, 1.0, "side"},
        {kPanning, 0.0, "center"},     {kPanning, -1.0, "left"},           {kPanning, 0.5, "0.50"},
        {kChannelSelector, 0, "stereo"}, {kChannelSelector, 2, "side"},    {kInvertLeft, 1, "on"},
        {kBypass, 0, "off"},           {kOutputGain, 25.0, "10.0 dB"},  // outside the range: its end
    };
    for (const Case& c : shown) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(b.instance->Text(c.id, c.value), c.text);
    }
    char small[4] = {'x', 'x', 'x', 'x'};
    ASSERT_TRUE(b.instance->params->value_to_text(p, kOutputGain, 3.0, small, sizeof small));
    EXPECT_STREQ(small, "3.0");  // cut to the room given, terminated
    EXPECT_FALSE(b.instance->params->value_to_text(p, 99, 0.0, small, sizeof small));
    EXPECT_FALSE(b.instance->params->value_to_text(p, kWidth, std::nan(""), small, sizeof small));

    const Case parsed[] = {
        {kOutputGain, -3.5, "-3.5 dB"}, {kOutputGain, 4.0, " 4 "},        {kOutputGain, 10.0, "20 dB"},
        {kDelayAmount, 0.0, "zero"},    {kDelayAmount, 12.5, "12.5 %"},   {kWidth, -1.0, "mid"},
        {kPanning, 1.0, "right"},       {kChannelSelector, 1, "mid"},     {kChannelSelector, 2, "2"},
        {kSwap, 1, "on"},               {kMonoTest, 0, "off"},
    };
    for (const Case& c : parsed) {
        SCOPED_TRACE(c.text);
        double value = -99;
        EXPECT_TRUE(b.instance->params->text_to_value(p, c.id, c.text, &value));
        EXPECT_DOUBLE_EQ(value, c.value);
    }
    for (const char* bad : {"", "loud", "3 dBFS", "nan", "inf"}) {
        SCOPED_TRACE(bad);
        double value = -99;
        EXPECT_FALSE(b.instance->params->text_to_value(p, kOutputGain, bad, &value));
    }
    double value = 0;
    EXPECT_FALSE(b.instance->params->text_to_value(p, kOutputGain, nullptr, &value));
}

TEST(ClapModule, StateStreamsWholeShortAndDamaged) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance && b.instance->state);
    // Settings through the host's route: events in a flush while inactive.
    EventList settings;
    settings.AddParam(0, kOutputGain, -2.5);
    settings.AddParam(0, kDelayAmount, 30.0);
    settings.AddParam(0, kChannelSelector, 2.0);
    b.instance->Flush(&settings, nullptr);

    std::vector<unsigned char> whole;
    ASSERT_TRUE(b.instance->Save(whole));
    ASSERT_EQ(whole.size(), 100u);
    EXPECT_EQ(DoubleAt(whole, 0), -2.5);
    EXPECT_EQ(DoubleAt(whole, 8 * kDelayAmount), 30.0);
    EXPECT_EQ(DoubleAt(whole, 8 * kChannelSelector), 2.0);
    EXPECT_EQ(std::vector<unsigned char>(whole.begin() + 96, whole.end()), (std::vector<unsigned char>{0, 0, 0, 0}));
    // Hosts that move a few bytes per call get the same stream.
    for (size_t chunk : {1, 7, 64}) {
        std::vector<unsigned char> pieces;
        ASSERT_TRUE(b.instance->Save(pieces, chunk));
        EXPECT_EQ(pieces, whole) << chunk;
    }
    std::vector<unsigned char> none;
    EXPECT_FALSE(b.instance->Save(none, 0));  // a stream that fails every write

    // Round trip through a fresh instance, three bytes per read.
    Loaded other = LoadBrindle();
    ASSERT_TRUE(other.instance->Load(whole, 3));
    EXPECT_EQ(other.instance->Value(kOutputGain), -2.5);
    EXPECT_EQ(other.instance->Value(kChannelSelector), 2.0);
    EXPECT_EQ(other.host->Calls().rescanValues, 1);

    // Forty-five bytes: five whole values from the stream, the cut sixth and the rest kept.
    std::vector<unsigned char> zeros(45, 0);
    ASSERT_TRUE(other.instance->Load(zeros));
    EXPECT_EQ(other.instance->Value(kOutputGain), 0.0);
    EXPECT_EQ(other.instance->Value(kDelayAmount), 0.0);
    EXPECT_EQ(other.instance->Value(kWidth), 0.0);
    EXPECT_EQ(other.instance->Value(kChannelSelector), 2.0);

    // A stream that fails part way changes nothing and says so.
    std::vector<unsigned char> changed = whole;
    PutDouble(changed, 0, 7.0);
    EXPECT_FALSE(other.instance->Load(changed, 8, 50));
    EXPECT_EQ(other.instance->Value(kOutputGain), 0.0);
    // An empty stream holds no state.
    EXPECT_FALSE(other.instance->Load({}));

    // NaN patterns and values past the ranges leave finite values inside them.
    std::vector<unsigned char> damaged(100, 0xFF);
    PutDouble(damaged, 8 * kWidth, 1e300);
    PutDouble(damaged, 8 * kPanning, -1e300);
    EXPECT_TRUE(other.instance->Load(damaged));
    for (clap_id id = 0; id < 12; ++id) EXPECT_TRUE(std::isfinite(other.instance->Value(id))) << id;
    EXPECT_EQ(other.instance->Value(kWidth), 1.0);
    EXPECT_EQ(other.instance->Value(kPanning), -1.0);
    EXPECT_TRUE(other.host->WrongThreadCalls().empty());
}

namespace {

// Renders 3 blocks of frames through a RenderHost, with the changes given per block.
struct Change {
    int block;
    int param;
    double value;
    int offset;
};

template <typename Sample>
std::vector<Sample> RenderWith(RenderHost& host, RenderPrecision precision, const std::vector<int>& blocks,
                               const std::vector<Change>& changes) {
    int total = 0;
    int largest = 0;
    for (int b : blocks) total += b, largest = std::max(largest, b);
    std::vector<Sample> out;
    EXPECT_TRUE(host.Create()) << host.Failure();
    EXPECT_TRUE(host.Configure(48000.0, largest, precision)) << host.Failure();
    EXPECT_TRUE(host.LoadParams({0, 1.5, -2, 25, 0.3, -0.2, 0, 0, 1, 0, 0, 0})) << host.Failure();
    const std::vector<double> left = Tone(0, total), right = Tone(1, total);
    int at = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        for (const Change& c : changes)
            if (c.block == static_cast<int>(b)) {
                EXPECT_TRUE(host.ScheduleParamChange(c.param, c.value, c.offset));
            }
        const int n = blocks[b];
        std::vector<Sample> inL(left.begin() + at, left.begin() + at + n), inR(right.begin() + at, right.begin() + at + n);
        std::vector<Sample> outL(static_cast<size_t>(n)), outR(static_cast<size_t>(n));
        Sample* in[2] = {inL.data(), inR.data()};
        Sample* outs[2] = {outL.data(), outR.data()};
        bool ok;
        if constexpr (sizeof(Sample) == sizeof(double))
            ok = host.ProcessDouble(in, outs, n);
        else
            ok = host.ProcessSingle(in, outs, n);
        EXPECT_TRUE(ok) << host.Failure();
        for (int i = 0; i < n; ++i) out.push_back(outL[static_cast<size_t>(i)]), out.push_back(outR[static_cast<size_t>(i)]);
        at += n;
    }
    host.Release();
    return out;
}

template <typename Sample>
void CheckSampleAccurateEvents(RenderPrecision precision) {
    // Changes at 0, 17 and 300 of one 512-frame block, then a block with none...
    const std::vector<Change> inBlock = {
        {0, kWidth, -0.6, 0}, {0, kDelayAmount, 70, 17}, {0, kOutputGain, -6, 300}, {0, kChannelSelector, 1, 300}};
    ClapModuleHost clap(BRINDLE_CLAP_MODULE, OwnParamTable());
    const std::vector<Sample> whole = RenderWith<Sample>(clap, precision, {512, 512}, inBlock);
    // ...equal the same changes at the start of blocks cut at 17 and 300.
    const std::vector<Change> cut = {
        {0, kWidth, -0.6, 0}, {1, kDelayAmount, 70, 0}, {2, kOutputGain, -6, 0}, {2, kChannelSelector, 1, 0}};
    ClapModuleHost clapCut(BRINDLE_CLAP_MODULE, OwnParamTable());
    const std::vector<Sample> pieces = RenderWith<Sample>(clapCut, precision, {17, 283, 212, 512}, cut);
    ASSERT_EQ(whole.size(), pieces.size());
    EXPECT_TRUE(whole == pieces);
    // And the tool's own plug-in cut there gives the same samples.
    InProcessHost own;
    EXPECT_TRUE(RenderWith<Sample>(own, precision, {17, 283, 212, 512}, cut) == whole);
    // Had the changes all come at the block's start, the output would differ.
    std::vector<Change> early = inBlock;
    for (Change& c : early) c.offset = 0;
    ClapModuleHost clapEarly(BRINDLE_CLAP_MODULE, OwnParamTable());
    EXPECT_FALSE(RenderWith<Sample>(clapEarly, precision, {512, 512}, early) == whole);
}

}  // namespace

TEST(ClapModule, EventsInsideABlockEqualBlocksCutAtTheirTimes) {
    {
        SCOPED_TRACE("64-bit");
        CheckSampleAccurateEvents<double>(RenderPrecision::Double);
    }
    {
        SCOPED_TRACE("32-bit");
        CheckSampleAccurateEvents<float>(RenderPrecision::Single);
    }
}

TEST(ClapModule, ProcessingEqualsTheToolsOwnPluginForBlockSizes) {
    for (const auto& blocks : std::vector<std::vector<int>>{{1, 1, 1, 61}, {256, 256}, {700, 33}}) {
        for (const RenderPrecision precision : {RenderPrecision::Double, RenderPrecision::Single}) {
            SCOPED_TRACE(std::to_string(blocks[0]) + (precision == RenderPrecision::Double ? " double" : " single"));
            ClapModuleHost clap(BRINDLE_CLAP_MODULE, OwnParamTable());
            InProcessHost own;
            const std::vector<Change> changes = {{1, kPanning, 0.7, 0}};
            if (precision == RenderPrecision::Double)
                EXPECT_TRUE(RenderWith<double>(clap, precision, blocks, changes) ==
                            RenderWith<double>(own, precision, blocks, changes));
            else
                EXPECT_TRUE(RenderWith<float>(clap, precision, blocks, changes) ==
                            RenderWith<float>(own, precision, blocks, changes));
        }
    }
}

TEST(ClapModule, ProcessRefusesMixedSampleSizesAndTakesEmptyBlocks) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance->Activate(48000, 1, 64));
    ASSERT_TRUE(b.instance->StartProcessing());
    std::vector<float> f(64, 0.25f);
    std::vector<double> d(64, 0.25);
    float* fp[2] = {f.data(), f.data()};
    double* dp[2] = {d.data(), d.data()};
    clap_audio_buffer in32{fp, nullptr, 2, 0, 0};
    clap_audio_buffer out64{nullptr, dp, 2, 0, 0};
    clap_process process{};
    process.frames_count = 64;
    process.audio_inputs = &in32;
    process.audio_outputs = &out64;
    process.audio_inputs_count = process.audio_outputs_count = 1;
    const clap_plugin* p = b.instance->Plugin();
    {
        ClapHost::AudioScope audio;
        EXPECT_EQ(p->process(p, &process), CLAP_PROCESS_ERROR);
        EXPECT_EQ(p->process(p, nullptr), CLAP_PROCESS_ERROR);
    }
    // Zero frames: events apply, nothing else happens.
    EventList events;
    events.AddParam(0, kWidth, 0.5);
    EXPECT_NE(b.instance->Process(fp, fp, 0, &events, nullptr), CLAP_PROCESS_ERROR);
    EXPECT_EQ(b.instance->Value(kWidth), 0.5);
    // Events of other spaces and unknown ids are skipped.
    clap_event_param_value foreign{};
    foreign.header = {sizeof foreign, 0, 7, CLAP_EVENT_PARAM_VALUE, 0};
    foreign.param_id = kWidth;
    foreign.value = -0.5;
    EventList odd;
    odd.AddRaw(&foreign.header);
    odd.AddParam(3, 4000, 1.0);
    odd.AddParam(5, kWidth, std::nan(""));
    EXPECT_NE(b.instance->Process(fp, fp, 64, &odd, nullptr), CLAP_PROCESS_ERROR);
    EXPECT_EQ(b.instance->Value(kWidth), 0.5);
}

TEST(ClapModule, TailLastsWhileTheEchoIsAbove120dBDown) {
    Loaded b = LoadBrindle();
    ASSERT_TRUE(b.instance && b.instance->tail);
    const clap_plugin* p = b.instance->Plugin();
    ASSERT_TRUE(b.instance->Activate(48000, 1, 4800));
    EXPECT_EQ(b.instance->tail->get(p), 0u);  // no echo at the defaults
    EventList full;
    full.AddParam(0, kDelayAmount, 100);
    std::vector<double> left(4800), right(4800);
    double* io[2] = {left.data(), right.data()};
    // A 1 kHz tone (the band-pass centre) for 0.1 s fills both lines, then silence.
    for (int i = 0; i < 4800; ++i) left[size_t(i)] = right[size_t(i)] = std::sin(2 * kPi * 1000 * i / 48000.0);
    ASSERT_NE(b.instance->Process(io, io, 4800, &full, nullptr), CLAP_PROCESS_ERROR);
    // Worked out by hand: left line 19 passes of 15.75 ms (0.46^19 < 1e-6 * 0.54),
    // right 16 of 12.2 ms; the band-pass rings ln(1e6) / (pi * 400 Hz) = 10.99 ms more:
    // 310.24 ms, 14892 samples at 48 kHz.
    const uint32_t tail = b.instance->tail->get(p);
    EXPECT_EQ(tail, 14892u);
    EXPECT_EQ(b.host->Calls().tailChanged, 1);
    // The echo is still audible in the last stretch before the end, and not after it.
    double beforeEnd = 0, afterEnd = 0;
    for (uint32_t done = 0; done < tail + 9600; done += 4800) {
        std::fill(left.begin(), left.end(), 0.0);
        std::fill(right.begin(), right.end(), 0.0);
        ASSERT_NE(b.instance->Process(io, io, 4800, nullptr, nullptr), CLAP_PROCESS_ERROR);
        for (uint32_t i = 0; i < 4800; ++i) {
            const double peak = std::max(std::fabs(left[i]), std::fabs(right[i]));
            if (done + i >= tail) afterEnd = std::max(afterEnd, peak);
            else if (done + i >= tail * 6 / 10) beforeEnd = std::max(beforeEnd, peak);
        }
    }
    EXPECT_GT(beforeEnd, 1e-6);
    EXPECT_LT(afterEnd, 1e-6);

    // Bypass and mid mode stop the echo: nothing rings on.
    EventList off;
    off.AddParam(0, kBypass, 1);
    b.instance->Process(io, io, 16, &off, nullptr);
    EXPECT_EQ(b.instance->tail->get(p), 0u);
    EXPECT_EQ(b.host->Calls().tailChanged, 2);
    b.instance->Deactivate();
    ASSERT_TRUE(b.instance->Activate(44100, 1, 512));
    EventList on;
    on.AddParam(0, kBypass, 0);
    on.AddParam(0, kChannelSelector, 1);
    b.instance->Process(io, io, 16, &on, nullptr);
    EXPECT_EQ(b.instance->tail->get(p), 0u);
    EventList stereo;
    stereo.AddParam(0, kChannelSelector, 0);
    b.instance->Process(io, io, 16, &stereo, nullptr);
    EXPECT_EQ(b.instance->tail->get(p), 13682u);  // 310.24 ms at 44.1 kHz
    EXPECT_TRUE(b.host->WrongThreadCalls().empty());
}

TEST(ClapModule, EditorAnswers) {
    Loaded paced = LoadBrindle(true);
    ASSERT_TRUE(paced.instance && paced.instance->gui);
    const clap_plugin* p = paced.instance->Plugin();
    const clap_plugin_gui* gui = paced.instance->gui;
#ifdef _WIN32
    const char* own = "win32";
    const char* foreign = "x11";
#else
    const char* own = "x11";
    const char* foreign = "win32";
#endif
    EXPECT_TRUE(gui->is_api_supported(p, own, false));
    EXPECT_FALSE(gui->is_api_supported(p, own, true));  // embedded only
    EXPECT_FALSE(gui->is_api_supported(p, foreign, false));
    EXPECT_FALSE(gui->is_api_supported(p, nullptr, false));
    const char* preferred = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &preferred, &floating));
    EXPECT_STREQ(preferred, own);
    EXPECT_FALSE(floating);
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(gui->get_size(p, &w, &h));  // not before create
    EXPECT_FALSE(gui->create(p, own, true));
    ASSERT_TRUE(gui->create(p, own, false));
    EXPECT_FALSE(gui->create(p, own, false));  // one editor at a time
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, uint32_t(kEditorWidth));
    EXPECT_EQ(h, uint32_t(kEditorHeight));
    EXPECT_FALSE(gui->set_scale(p, 2.0));
    EXPECT_FALSE(gui->can_resize(p));
    clap_gui_resize_hints hints{true, true, true, 1, 1};
    ASSERT_TRUE(gui->get_resize_hints(p, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically || hints.preserve_aspect_ratio);
    uint32_t aw = 1000, ah = 10;
    EXPECT_TRUE(gui->adjust_size(p, &aw, &ah));
    EXPECT_EQ(aw, w);
    EXPECT_EQ(ah, h);
    EXPECT_FALSE(gui->set_size(p, w + 1, h));
    EXPECT_TRUE(gui->set_size(p, w, h));
    clap_window none{own, {nullptr}};
    EXPECT_FALSE(gui->set_parent(p, &none));
    clap_window wrongApi{foreign, {nullptr}};
    wrongApi.ptr = reinterpret_cast<void*>(1);
    EXPECT_FALSE(gui->set_parent(p, &wrongApi));
    gui->destroy(p);
    gui->destroy(p);  // twice is harmless
    EXPECT_TRUE(paced.host->Timers().empty());

#ifndef _WIN32
    // A host without timer and descriptor support could never let the editor draw.
    Loaded unpaced = LoadBrindle(false);
    ASSERT_TRUE(unpaced.instance && unpaced.instance->gui);
    EXPECT_FALSE(unpaced.instance->gui->create(unpaced.instance->Plugin(), own, false));
#endif
}
