// The brindle3 module loaded from its bundle by the host harness: the factory's
// description of the one class, and the checks a host's test suite runs on it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <thread>

#include "BrindleVersion.h"
#include "BypassCheck.h"
#include "plugin/BrindleEditor.h"
#include "HostObjects.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "Vst3Module.h"
#include "Vst3Strings.h"

using namespace vst3;
using namespace vst3host;

namespace {

constexpr ParamID kBypass = 0x62706173;
constexpr ParamID kPreset = 0x70727374;

std::string modulePath() {
    std::string path = BRINDLE3_BUNDLE;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
#endif
    return path;
}

std::string hexOf(const char* bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

struct LoadedModule {
    LoadedModule() {
        module = Vst3Module::load(modulePath(), error);
        if (module) instance = PluginInstance::create(module->factory(), 0, host, error);
    }
    ~LoadedModule() {
        instance.reset();
        module.reset();
        host->release();
    }
    IComponent* component() const { return instance->component(); }
    IAudioProcessor* processor() const { return instance->processor(); }
    IEditController* controller() const { return instance->controller(); }

    HostApplication* host = new HostApplication("vstvalidator");
    std::string error;
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<PluginInstance> instance;
};

// What the component's or the controller's getState writes; empty when it fails.
std::vector<unsigned char> componentState(LoadedModule& loaded) {
    Owned<MemoryStream> stream(new MemoryStream);
    if (loaded.component()->getState(stream.get()) != kResultOk) return {};
    return stream->data();
}
std::vector<unsigned char> controllerState(LoadedModule& loaded) {
    Owned<MemoryStream> stream(new MemoryStream);
    if (loaded.controller()->getState(stream.get()) != kResultOk) return {};
    return stream->data();
}

double doubleAt(const std::vector<unsigned char>& bytes, size_t offset) {
    double value = 0.0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// The state stream a host would have saved: twelve plain values, then the bypass word.
std::vector<unsigned char> stateStream(const double (&values)[12], unsigned char bypass) {
    std::vector<unsigned char> bytes(100, 0);
    std::memcpy(bytes.data(), values, sizeof values);
    bytes[96] = bypass;
    return bytes;
}

// Sends one block of parameter changes without audio, as hosts flush them.
tresult flush(LoadedModule& loaded, std::initializer_list<std::pair<ParamID, double>> points) {
    Owned<ParameterChanges> changes(new ParameterChanges);
    for (const auto& point : points) changes->add(point.first, 0, point.second);
    ProcessBuffers none(kSample32, 0, 0, 0);
    return loaded.processor()->process(none.prepare(0, changes.get()));
}

bool allFinite(const ProcessBuffers& buffers, int32 frames) {
    for (int32 c = 0; c < 2; ++c)
        for (int32 f = 0; f < frames; ++f)
            if (!std::isfinite(buffers.output(c, f))) return false;
    return true;
}

}  // namespace

TEST(Brindle3Module, FactoryDescribesOneEffectClass) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.module) << loaded.error;
    IPluginFactory* factory = loaded.module->factory();
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Orvane");
    EXPECT_EQ(info.flags, 0x10);
    ASSERT_EQ(factory->countClasses(), 1);

    Owned<IPluginFactory2> factory2 = query<IPluginFactory2>(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 description;
    ASSERT_EQ(factory2->getClassInfo2(0, &description), kResultOk);
    EXPECT_STREQ(description.category, "Audio Module Class");
    EXPECT_STREQ(description.name, "Brindle");
    EXPECT_STREQ(description.subCategories, "Fx|Spatial");
    EXPECT_STREQ(description.vendor, "");
    EXPECT_STREQ(description.version, BRINDLE_VERSION_STRING);
    EXPECT_STREQ(description.sdkVersion, "VST 3.6.6");
    EXPECT_EQ(description.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(description.classFlags, 2u);
#ifdef _WIN32
    EXPECT_EQ(hexOf(description.cid), "A4391D6B205E1C475A716D6B5A716272");
#else
    EXPECT_EQ(hexOf(description.cid), "6B1D39A45E20471C5A716D6B5A716272");
#endif
    Owned<IPluginFactory3> factory3 = query<IPluginFactory3>(factory);
    PClassInfoW wide;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::u16string(wide.name), u"Brindle");
    EXPECT_EQ(std::u16string(wide.sdkVersion), u"VST 3.6.6");

    // A second GetPluginFactory hands out the same object with one more reference.
    auto getFactory = reinterpret_cast<GetFactoryProc>(loaded.module->symbol("GetPluginFactory"));
    ASSERT_NE(getFactory, nullptr);
    IPluginFactory* again = getFactory();
    EXPECT_EQ(again, factory);
    again->release();

    void* obj = nullptr;
    EXPECT_EQ(factory->createInstance(makeUid(1, 2, 3, 4).data(), IComponent::iid.data(), &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST(Brindle3Module, PassesTheHostSuitesGeneralChecks) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    ASSERT_NE(loaded.controller(), nullptr) << "single component";

    BusInfo bus;
    for (BusDirection dir : {kInput, kOutput}) {
        ASSERT_EQ(loaded.component()->getBusCount(kAudio, dir), 1);
        ASSERT_EQ(loaded.component()->getBusInfo(kAudio, dir, 0, bus), kResultTrue);
        EXPECT_EQ(narrow(bus.name), dir == kInput ? "Main Input" : "Output");
        EXPECT_EQ(bus.channelCount, 2);
        SpeakerArrangement arrangement = 0;
        EXPECT_EQ(loaded.processor()->getBusArrangement(dir, 0, arrangement), kResultTrue);
        EXPECT_EQ(arrangement, 3u);
        EXPECT_EQ(loaded.component()->activateBus(kAudio, dir, 0, 1), kResultOk);
    }
    EXPECT_EQ(loaded.component()->getBusCount(kEvent, kInput), 0);

    for (int round = 0; round < 2; ++round) {
        IEditController* controller = loaded.controller();
        ASSERT_EQ(controller->getParameterCount(), 14);
        std::set<ParamID> ids;
        int bypasses = 0;
        for (int32 i = 0; i < controller->getParameterCount(); ++i) {
            ParameterInfo info;
            ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk) << i;
            EXPECT_GE(static_cast<int32>(info.id), 0) << i;
            EXPECT_TRUE(ids.insert(info.id).second) << "duplicate id " << info.id;
            EXPECT_GE(info.stepCount, 0) << i;
            EXPECT_FALSE(narrow(info.title).empty()) << i;
            EXPECT_GE(info.defaultNormalizedValue, 0.0) << i;
            EXPECT_LE(info.defaultNormalizedValue, 1.0) << i;
            EXPECT_EQ(info.unitId, 0) << i;
            EXPECT_FALSE((info.flags & kCanAutomate) && (info.flags & kIsReadOnly)) << i;
            if (info.flags & kIsBypass) {
                ++bypasses;
                EXPECT_EQ(info.flags & ~(kIsBypass | kCanAutomate | kIsList), 0) << i;
            }
        }
        EXPECT_EQ(bypasses, 1);
        // The suite terminates and initializes the same object and expects it whole again.
        ASSERT_EQ(loaded.component()->terminate(), kResultOk);
        ASSERT_EQ(loaded.component()->initialize(loaded.host), kResultOk);
    }
}

TEST(Brindle3Module, ProcessesLikeTheHostSuiteDrivesIt) {
    for (int32 sampleSize : {int32(kSample32), int32(kSample64)}) {
        SCOPED_TRACE(sampleSize);
        LoadedModule loaded;
        ASSERT_TRUE(loaded.instance) << loaded.error;
        IAudioProcessor* processor = loaded.processor();
        loaded.component()->activateBus(kAudio, kInput, 0, 1);
        loaded.component()->activateBus(kAudio, kOutput, 0, 1);
        ASSERT_EQ(processor->canProcessSampleSize(sampleSize), kResultTrue);
        ProcessSetup setup{kRealtime, sampleSize, 8192, 44100.0};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(loaded.component()->setActive(1), kResultOk);
        processor->setProcessing(1);

        ProcessBuffers buffers(sampleSize, 2, 2, 8192);
        for (int block = 0; block < 3; ++block) EXPECT_EQ(processor->process(buffers.prepare(64)), kResultOk);

        // Parameter flushes: no buffers at all, then bus arrays without channels.
        auto* changes = new ParameterChanges;
        changes->add(0, 0, 0.5);
        ProcessData& flush = buffers.prepare(0, changes);
        flush.numInputs = flush.numOutputs = 0;
        flush.inputs = flush.outputs = nullptr;
        EXPECT_EQ(processor->process(flush), kResultOk);
        AudioBusBuffers empty[2] = {};
        ProcessData& noChannels = buffers.prepare(0, changes);
        noChannels.inputs = &empty[0];
        noChannels.outputs = &empty[1];
        EXPECT_EQ(processor->process(noChannels), kResultOk);

        // Variable block sizes with a sine input.
        uint32 seed = 12345;
        for (int block = 0; block < 21; ++block) {
            seed = seed * 1664525u + 1013904223u;
            const int32 frames = block == 0 ? 0 : static_cast<int32>(seed % 8192);
            for (int32 f = 0; f < frames; ++f) {
                buffers.setInput(0, f, 0.5 * std::sin(0.01 * f));
                buffers.setInput(1, f, 0.25 * std::sin(0.013 * f));
            }
            EXPECT_EQ(processor->process(buffers.prepare(frames)), kResultOk) << frames;
            EXPECT_TRUE(allFinite(buffers, frames)) << frames;
        }

        // Every rate the suite tries is accepted and processes.
        ASSERT_EQ(loaded.component()->setActive(0), kResultOk);
        for (double rate : {22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0, 1234.5678,
                            12345.678, 123456.78, 1234567.8}) {
            ProcessSetup format{kRealtime, sampleSize, 8192, rate};
            EXPECT_EQ(processor->setupProcessing(format), kResultOk) << rate;
            EXPECT_EQ(loaded.component()->setActive(1), kResultOk);
            EXPECT_EQ(processor->process(buffers.prepare(64)), kResultOk) << rate;
            EXPECT_TRUE(allFinite(buffers, 64)) << rate;
            EXPECT_EQ(loaded.component()->setActive(0), kResultOk);
        }
        changes->release();
    }
}

TEST(Brindle3Module, BypassSurvivesTheHostsPresetRoundTrip) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
    ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
    ProcessBuffers none(kSample32, 0, 0, 0);
    auto* changes = new ParameterChanges;
    auto flushBypass = [&](double value) {
        changes->clear();
        changes->add(kBypass, 0, value);
        loaded.controller()->setParamNormalized(kBypass, value);
        return loaded.processor()->process(none.prepare(0, changes));
    };
    ASSERT_EQ(flushBypass(1.0), kResultOk);
    EXPECT_EQ(loaded.controller()->getParamNormalized(kBypass), 1.0);

    auto* componentState = new MemoryStream;
    auto* controllerState = new MemoryStream;
    ASSERT_EQ(loaded.component()->getState(componentState), kResultOk);
    ASSERT_EQ(loaded.controller()->getState(controllerState), kResultOk);
    EXPECT_EQ(controllerState->data().size(), 100u);

    ASSERT_EQ(flushBypass(0.0), kResultOk);
    EXPECT_EQ(loaded.controller()->getParamNormalized(kBypass), 0.0);
    componentState->rewind();
    controllerState->rewind();
    EXPECT_EQ(loaded.component()->setState(componentState), kResultOk);
    EXPECT_EQ(loaded.controller()->getParamNormalized(kBypass), 1.0);
    componentState->rewind();
    EXPECT_EQ(loaded.controller()->setComponentState(componentState), kResultOk);
    ASSERT_EQ(loaded.controller()->setState(controllerState), kResultOk);
    EXPECT_GE(loaded.controller()->getParamNormalized(kBypass), 1.0);
    componentState->release();
    controllerState->release();
    changes->release();
}

TEST(Brindle3Module, NonFiniteInputDoesNotLeaveTheOutputStuck) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    loaded.component()->activateBus(kAudio, kOutput, 0, 1);
    ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
    ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
    ProcessBuffers buffers(kSample64, 2, 2, 512);
    for (int32 f = 0; f < 512; ++f) {
        buffers.setInput(0, f, std::nan(""));
        buffers.setInput(1, f, f % 2 ? INFINITY : -INFINITY);
    }
    ASSERT_EQ(loaded.processor()->process(buffers.prepare(512)), kResultOk);
    // Two seconds of a plain signal afterwards must come out finite.
    for (int block = 0; block < 200; ++block) {
        for (int32 f = 0; f < 512; ++f) {
            buffers.setInput(0, f, 0.1);
            buffers.setInput(1, f, -0.1);
        }
        ASSERT_EQ(loaded.processor()->process(buffers.prepare(512)), kResultOk);
    }
    EXPECT_TRUE(allFinite(buffers, 512));
}

TEST(Brindle3Module, TwentySecondsOfSilenceAfterASignalStayQuietAndFinite) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    loaded.component()->activateBus(kAudio, kOutput, 0, 1);
    ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
    ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
    ASSERT_EQ(loaded.component()->setActive(1), kResultOk);
    ProcessBuffers buffers(kSample32, 2, 2, 512);
    // Full delay, so the feedback lines and the band-pass hold a tail to decay.
    auto* changes = new ParameterChanges;
    changes->add(3, 0, 1.0);
    for (int32 f = 0; f < 512; ++f) {
        buffers.setInput(0, f, 0.8 * std::sin(0.14 * f));
        buffers.setInput(1, f, 0.8 * std::sin(0.11 * f));
    }
    ASSERT_EQ(loaded.processor()->process(buffers.prepare(512, changes)), kResultOk);
    changes->release();
    double loudest = 0.0;
    for (int32 f = 0; f < 512; ++f) loudest = std::max(loudest, std::fabs(buffers.output(0, f)));
    EXPECT_GT(loudest, 0.1);

    for (int32 f = 0; f < 512; ++f) buffers.setInput(0, f, 0.0), buffers.setInput(1, f, 0.0);
    const int blocks = 20 * 44100 / 512;
    for (int block = 0; block < blocks; ++block) {
        ASSERT_EQ(loaded.processor()->process(buffers.prepare(512)), kResultOk) << block;
        ASSERT_TRUE(allFinite(buffers, 512)) << block;
    }
    // Echoes fall by at least 0.46 every 16 ms: after 20 s only the filter's
    // anti-denormal offset of about 1e-8 can remain.
    for (int32 c = 0; c < 2; ++c)
        for (int32 f = 0; f < 512; ++f) EXPECT_LT(std::fabs(buffers.output(c, f)), 1e-6) << c << " " << f;
    EXPECT_EQ(loaded.component()->setActive(0), kResultOk);
}

TEST(Brindle3Module, ProcessRunsOnAnotherThread) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    loaded.component()->activateBus(kAudio, kOutput, 0, 1);
    ProcessSetup setup{kRealtime, kSample32, 8192, 44100.0};
    ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
    ASSERT_EQ(loaded.component()->setActive(1), kResultOk);
    int failures = 0;
    std::thread audio([&] {
        ProcessBuffers buffers(kSample32, 2, 2, 64);
        loaded.processor()->setProcessing(1);
        for (int block = 0; block < 9999; ++block)
            if (loaded.processor()->process(buffers.prepare(64)) != kResultOk) ++failures;
        loaded.processor()->setProcessing(0);
    });
    audio.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(loaded.component()->setActive(0), kResultOk);
}

TEST(Brindle3Module, ComponentAndControllerCarryOneState) {
    LoadedModule source;
    ASSERT_TRUE(source.instance) << source.error;
    // Output Gain at normalized 0.25 is -5 dB; Channel Selector at 1.0 is side (2).
    ASSERT_EQ(flush(source, {{0, 0.25}, {6, 1.0}, {kBypass, 1.0}}), kResultOk);
    const std::vector<unsigned char> saved = componentState(source);
    ASSERT_EQ(saved.size(), 100u);
    EXPECT_EQ(saved, controllerState(source));
    EXPECT_EQ(doubleAt(saved, 0), -5.0);
    EXPECT_EQ(doubleAt(saved, 48), 2.0);
    EXPECT_EQ(std::vector<unsigned char>(saved.begin() + 96, saved.end()), (std::vector<unsigned char>{1, 0, 0, 0}));

    // Restored through either side, both in either order, or with the component state
    // mirrored to the controller afterwards as hosts do: always the same result.
    enum Path { kComponent, kController, kMirror };
    const std::vector<Path> orders[] = {{kComponent},
                                        {kController},
                                        {kComponent, kController},
                                        {kController, kComponent},
                                        {kComponent, kMirror},
                                        {kController, kComponent, kMirror, kController}};
    for (const std::vector<Path>& order : orders) {
        SCOPED_TRACE(order.size() * 10 + order.front());
        LoadedModule target;
        ASSERT_TRUE(target.instance) << target.error;
        for (Path path : order) {
            Owned<MemoryStream> stream(new MemoryStream(saved));
            const tresult result = path == kComponent    ? target.component()->setState(stream.get())
                                   : path == kController ? target.controller()->setState(stream.get())
                                                         : target.controller()->setComponentState(stream.get());
            EXPECT_EQ(result, kResultOk);
        }
        EXPECT_EQ(componentState(target), saved);
        EXPECT_EQ(target.controller()->getParamNormalized(0), 0.25);
        EXPECT_EQ(target.controller()->getParamNormalized(6), 1.0);
        EXPECT_EQ(target.controller()->getParamNormalized(kBypass), 1.0);
    }

    // Handing the component's state to the controller alone changes nothing: it is already there.
    LoadedModule untouched;
    ASSERT_TRUE(untouched.instance) << untouched.error;
    const std::vector<unsigned char> defaults = componentState(untouched);
    Owned<MemoryStream> mirrored(new MemoryStream(saved));
    EXPECT_EQ(untouched.controller()->setComponentState(mirrored.get()), kResultOk);
    EXPECT_EQ(componentState(untouched), defaults);
    EXPECT_EQ(doubleAt(defaults, 0), 0.0);
}

TEST(Brindle3Module, ComponentStateFollowsTheControllersRulesForShortAndFailingStreams) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    IComponent* component = loaded.component();
    IEditController* controller = loaded.controller();
    const double values[12] = {5.0, -2.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<unsigned char> full = stateStream(values, 0);

    // Twelve values and no bypass word: the read of nothing succeeds, so bypass is off.
    ASSERT_EQ(flush(loaded, {{kBypass, 1.0}}), kResultOk);
    Owned<MemoryStream> noBypass(new MemoryStream(std::vector<unsigned char>(full.begin(), full.begin() + 96)));
    EXPECT_EQ(component->setState(noBypass.get()), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(0), 0.75);  // (5 + 10) / 20
    EXPECT_EQ(controller->getParamNormalized(1), 0.4);
    EXPECT_EQ(controller->getParamNormalized(kBypass), 0.0);

    // The same stream failing on the bypass word: values restored, bypass kept, failure told.
    ASSERT_EQ(flush(loaded, {{0, 0.5}, {kBypass, 1.0}}), kResultOk);
    Owned<MemoryStream> failing(new MemoryStream(full));
    failing->failReadsFrom(96);
    EXPECT_EQ(component->setState(failing.get()), kResultFalse);
    EXPECT_EQ(controller->getParamNormalized(0), 0.75);
    EXPECT_EQ(controller->getParamNormalized(kBypass), 1.0);

    // Forty bytes: the first five values come from the stream, the others stay.
    ASSERT_EQ(flush(loaded, {{5, 1.0}, {6, 1.0}}), kResultOk);
    Owned<MemoryStream> forty(new MemoryStream(std::vector<unsigned char>(40, 0)));
    EXPECT_EQ(component->setState(forty.get()), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(0), 0.5);
    EXPECT_EQ(controller->getParamNormalized(4), 0.5);
    EXPECT_EQ(controller->getParamNormalized(5), 1.0);
    EXPECT_EQ(controller->getParamNormalized(6), 1.0);

    EXPECT_EQ(component->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(component->getState(nullptr), kInvalidArgument);
    Owned<MemoryStream> diskFull(new MemoryStream);
    diskFull->failWrites(true);
    EXPECT_EQ(component->getState(diskFull.get()), kResultFalse);
}

TEST(Brindle3Module, TheControllerTakesTheBypassAtOnceAndTheAudioFollowsTheProcessedChange) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    // What a host's validator checks, in the controller and after a processed change.
    for (const std::string& fault :
         checkBypassParameter(loaded.component(), loaded.processor(), loaded.controller()))
        ADD_FAILURE() << fault;

    IEditController* controller = loaded.controller();
    EXPECT_EQ(controller->setParamNormalized(kBypass, std::nan("")), kInvalidArgument);
    EXPECT_EQ(controller->setParamNormalized(kPreset, 1.0), kResultFalse);

    // +10 dB of output gain tells processing (x 10^0.5) from bypass (x 1).
    const double values[12] = {10.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Owned<MemoryStream> state(new MemoryStream(stateStream(values, 0)));
    ASSERT_EQ(loaded.component()->setState(state.get()), kResultOk);
    loaded.component()->activateBus(kAudio, kOutput, 0, 1);
    ProcessSetup setup{kRealtime, kSample64, 64, 48000.0};
    ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
    ASSERT_EQ(loaded.component()->setActive(1), kResultOk);
    ProcessBuffers buffers(kSample64, 2, 2, 64);
    for (int32 f = 0; f < 64; ++f) buffers.setInput(0, f, 0.5), buffers.setInput(1, f, 0.5);
    Owned<ParameterChanges> changes(new ParameterChanges);
    const double processed = 0.5 * std::sqrt(10.0);

    struct Step {
        const char* what;
        double controllerValue;  // set through setParamNormalized first, or -1 for none
        double queued;           // the block's bypass change, or -1 for none
        double expectedOutput;
        double reported;
    } steps[] = {
        {"switch shown on, nothing processed yet", 1.0, -1, processed, 1.0},
        {"the change reaches process", -1, 1.0, 0.5, 1.0},
        {"switch shown off, still bypassed", 0.0, -1, 0.5, 0.0},
        {"the change reaches process", -1, 0.0, processed, 0.0},
        {"a value between, shown as given", 0.7, -1, processed, 0.7},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.controllerValue >= 0) {
            EXPECT_EQ(controller->setParamNormalized(kBypass, step.controllerValue), kResultOk);
            EXPECT_EQ(controller->getParamNormalized(kBypass), step.controllerValue);
        }
        changes->clear();
        if (step.queued >= 0) changes->add(kBypass, 0, step.queued);
        ASSERT_EQ(loaded.processor()->process(buffers.prepare(64, changes.get())), kResultOk);
        EXPECT_NEAR(buffers.output(0, 0), step.expectedOutput, 1e-12);
        EXPECT_NEAR(buffers.output(1, 63), step.expectedOutput, 1e-12);
        EXPECT_EQ(controller->getParamNormalized(kBypass), step.reported);
    }
    EXPECT_EQ(loaded.component()->setActive(0), kResultOk);
}

TEST(Brindle3Module, SettingsApplyFromTheFirstSampleWhateverTheHostsOrder) {
    // -10 dB of output gain: every sample of the first block carries 10^-0.5.
    const double gain = std::pow(10.0, -0.5);
    const double values[12] = {-10.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    enum Order { kStateThenSetup, kSetupThenState, kFirstBlockQueue };
    for (int32 sampleSize : {int32(kSample32), int32(kSample64)}) {
        const double tolerance = sampleSize == kSample64 ? 1e-15 : 1e-7;
        for (Order order : {kStateThenSetup, kSetupThenState, kFirstBlockQueue}) {
            SCOPED_TRACE(sampleSize * 10 + order);
            LoadedModule loaded;
            ASSERT_TRUE(loaded.instance) << loaded.error;
            IComponent* component = loaded.component();
            Owned<MemoryStream> state(new MemoryStream(stateStream(values, 0)));
            Owned<ParameterChanges> changes(new ParameterChanges);
            component->activateBus(kAudio, kOutput, 0, 1);
            ProcessSetup setup{kRealtime, sampleSize, 256, 44100.0};
            if (order == kStateThenSetup) {
                ASSERT_EQ(component->setState(state.get()), kResultOk);
            }
            ASSERT_EQ(loaded.processor()->setupProcessing(setup), kResultOk);
            ASSERT_EQ(component->setActive(1), kResultOk);
            if (order == kSetupThenState) {
                ASSERT_EQ(component->setState(state.get()), kResultOk);
            }
            if (order == kFirstBlockQueue) changes->add(0, 0, 0.0);

            ProcessBuffers buffers(sampleSize, 2, 2, 256);
            for (int32 f = 0; f < 256; ++f) buffers.setInput(0, f, 0.5), buffers.setInput(1, f, -0.25);
            ASSERT_EQ(loaded.processor()->process(buffers.prepare(256, changes.get())), kResultOk);
            for (int32 f = 0; f < 256; ++f) {
                ASSERT_NEAR(buffers.output(0, f), 0.5 * gain, tolerance) << f;
                ASSERT_NEAR(buffers.output(1, f), -0.25 * gain, tolerance) << f;
            }

            // Once audio flows a change glides: back to 0 dB, the first sample has barely moved.
            changes->clear();
            changes->add(0, 0, 0.5);
            ASSERT_EQ(loaded.processor()->process(buffers.prepare(16, changes.get())), kResultOk);
            EXPECT_GT(buffers.output(0, 0), 0.5 * gain + 1e-4);
            EXPECT_LT(buffers.output(0, 15), 0.5 * 0.5);
            // Switched off and on halfway: the glide is over when audio comes back.
            ASSERT_EQ(component->setActive(0), kResultOk);
            ASSERT_EQ(component->setActive(1), kResultOk);
            ASSERT_EQ(loaded.processor()->process(buffers.prepare(16)), kResultOk);
            EXPECT_NEAR(buffers.output(0, 0), 0.5, tolerance);
            EXPECT_NEAR(buffers.output(1, 15), -0.25, tolerance);
        }
    }
}

TEST(Brindle3Module, TheViewClaimsAtMostOneWindowTypeAndRefusesForeignOnes) {
    LoadedModule loaded;
    ASSERT_TRUE(loaded.instance) << loaded.error;
    Owned<IPlugView> view(loaded.controller()->createView("editor"));
    ASSERT_TRUE(view);
    EXPECT_EQ(loaded.controller()->createView("inspector"), nullptr);
    int claimed = 0;
    for (const char* type : {"HWND", "X11EmbedWindowID", "NSView"})
        if (view->isPlatformTypeSupported(type) == kResultTrue) ++claimed;
    EXPECT_LE(claimed, 1);
    for (const char* foreign : {"NSView", "", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(foreign ? foreign : "null");
        EXPECT_EQ(view->isPlatformTypeSupported(foreign), kResultFalse);
        int parent = 0;
        EXPECT_EQ(view->attached(&parent, foreign), kResultFalse);
    }
    ViewRect size{};
    EXPECT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, kEditorWidth);
    EXPECT_EQ(size.bottom - size.top, kEditorHeight);
}
