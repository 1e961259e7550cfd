// The brindle3 module loaded from its bundle by the host harness: the factory's
// description of the one class, and the checks a host's test suite runs on it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <thread>

#include "HostObjects.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "Vst3Module.h"
#include "Vst3Strings.h"

using namespace vst3;
using namespace vst3host;

namespace {

constexpr ParamID kBypass = 0x62706173;

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
    EXPECT_STREQ(description.version, "0.9.6");
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
    const tresult componentSaved = loaded.component()->getState(componentState);
    EXPECT_TRUE(componentSaved == kResultOk || componentSaved == kNotImplemented);
    ASSERT_EQ(loaded.controller()->getState(controllerState), kResultOk);
    EXPECT_EQ(controllerState->data().size(), 100u);

    ASSERT_EQ(flushBypass(0.0), kResultOk);
    EXPECT_EQ(loaded.controller()->getParamNormalized(kBypass), 0.0);
    componentState->rewind();
    controllerState->rewind();
    const tresult loadedComponent = loaded.component()->setState(componentState);
    EXPECT_TRUE(loadedComponent == kResultOk || loadedComponent == kNotImplemented);
    componentState->rewind();
    const tresult mirrored = loaded.controller()->setComponentState(componentState);
    EXPECT_TRUE(mirrored == kResultOk || mirrored == kNotImplemented);
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
