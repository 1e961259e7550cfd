// The host harness driving the test bundle the way a host does: load by path, read
// the factory, create and initialize an instance, process, save and restore state.
#include <gtest/gtest.h>

#include <cstring>

#include "HostObjects.h"
#include "Vst3Module.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"

using namespace vst3;
using namespace vst3host;

namespace {

constexpr ParamID kGainId = 0;  // the test bundle's parameters
constexpr ParamID kBypassId = 1;

std::string bundlePath() {
    std::string path = BRINDLE_TEST_BUNDLE;
#ifdef _WIN32
    // The build passes a Unix path; Wine shows the Unix root as drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

struct LoadedBundle {
    LoadedBundle() {
        module = Vst3Module::load(bundlePath(), error);
        if (module) instance = PluginInstance::create(module->factory(), 0, host, error);
    }
    ~LoadedBundle() {
        instance.reset();
        module.reset();
        host->release();
    }
    // Runs one block of `frames` with the input ramp c + f / 100 and returns the status.
    tresult run(ProcessBuffers& buffers, int32 frames, ParameterChanges* changes = nullptr) {
        for (int32 c = 0; c < 2; ++c)
            for (int32 f = 0; f < frames && f < buffers.maxFrames(); ++f) buffers.setInput(c, f, c + f / 100.0);
        return instance->processor()->process(buffers.prepare(frames, changes));
    }
    HostApplication* host = new HostApplication;
    std::string error;
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<PluginInstance> instance;
};

}  // namespace

TEST(Vst3Harness, FindsTheBinaryInsideTheBundleAndReportsMissingOnes) {
#ifdef _WIN32
    const std::string expected = "x86_64-win/brindletestgain.vst3";
#else
    const std::string expected = "x86_64-linux/brindletestgain.so";
#endif
    const std::string binary = Vst3Module::binaryPathOf(bundlePath());
    std::string normalized = binary.substr(binary.size() - expected.size());
    for (char& c : normalized) c = c == '\\' ? '/' : c;
    EXPECT_EQ(normalized, expected);

    std::string error;
    EXPECT_EQ(Vst3Module::load(bundlePath() + "-missing.vst3", error), nullptr);
    EXPECT_NE(error.find("no module binary"), std::string::npos) << error;
}

TEST(Vst3Harness, LoadsTheBundleAndReadsItsFactory) {
    LoadedBundle bundle;
    ASSERT_TRUE(bundle.module) << bundle.error;
    IPluginFactory* factory = bundle.module->factory();
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Brindle Tests");
    EXPECT_EQ(info.flags, kUnicode);
    ASSERT_EQ(factory->countClasses(), 1);

    Owned<IPluginFactory3> factory3 = query<IPluginFactory3>(factory);
    ASSERT_TRUE(factory3);
    PClassInfoW wide;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::u16string(wide.name), u"Test Gain");
    EXPECT_STREQ(wide.category, "Audio Module Class");
    EXPECT_STREQ(wide.subCategories, "Fx");
    EXPECT_EQ(wide.cardinality, kManyInstances);
}

TEST(Vst3Harness, InstanceIsASingleComponentThatReleasesTheHostOnTeardown) {
    LoadedBundle bundle;
    ASSERT_TRUE(bundle.instance) << bundle.error;
    EXPECT_NE(bundle.instance->controller(), nullptr);
    EXPECT_FALSE(query<IConnectionPoint>(bundle.instance->component()));
    EXPECT_EQ(bundle.host->referenceCount(), 2u);
    bundle.instance.reset();
    EXPECT_EQ(bundle.host->referenceCount(), 1u);
}

TEST(Vst3Harness, ProcessesBothPrecisionsWithParameterChanges) {
    for (int32 sampleSize : {int32(kSample32), int32(kSample64)}) {
        SCOPED_TRACE(sampleSize);
        LoadedBundle bundle;
        ASSERT_TRUE(bundle.instance) << bundle.error;
        IAudioProcessor* processor = bundle.instance->processor();
        ProcessSetup setup{kRealtime, sampleSize, 256, 48000.0};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(bundle.instance->component()->setActive(1), kResultOk);
        ProcessBuffers buffers(sampleSize, 2, 2, 512);
        auto* changes = new ParameterChanges;

        // Gain = 2 × normalized; the last point of a queue wins: 0.2 then 0.25 gives 0.5.
        changes->add(kGainId, 0, 0.2);
        changes->add(kGainId, 100, 0.25);
        ASSERT_EQ(bundle.run(buffers, 128, changes), kResultOk);
        EXPECT_NEAR(buffers.output(0, 10), 0.05, 1e-7);
        EXPECT_NEAR(buffers.output(1, 127), 1.135, 1e-6);
        EXPECT_DOUBLE_EQ(bundle.instance->controller()->getParamNormalized(kGainId), 0.25);

        changes->clear();
        changes->add(kBypassId, 0, 0.51);
        ASSERT_EQ(bundle.run(buffers, 64, changes), kResultOk);
        EXPECT_DOUBLE_EQ(buffers.output(1, 20), buffers.input(1, 20));

        // A parameter flush without audio, and a block larger than announced.
        changes->clear();
        changes->add(kBypassId, 0, 0.0);
        ProcessData& flush = buffers.prepare(0, changes);
        flush.inputs = flush.outputs = nullptr;
        flush.numInputs = flush.numOutputs = 0;
        EXPECT_EQ(processor->process(flush), kResultOk);
        EXPECT_EQ(bundle.instance->controller()->getParamNormalized(kBypassId), 0.0);
        buffers.fillOutputs(7.0);
        ProcessData& oversized = buffers.prepare(300);
        EXPECT_EQ(processor->process(oversized), kInvalidArgument);
        EXPECT_EQ(buffers.output(0, 0), 7.0);
        changes->release();
    }
}

TEST(Vst3Harness, StateTravelsThroughAMemoryStreamAndShortStreamsAreRefused) {
    LoadedBundle first;
    ASSERT_TRUE(first.instance) << first.error;
    ASSERT_EQ(first.instance->controller()->setParamNormalized(kGainId, 0.8), kResultOk);
    auto* saved = new MemoryStream;
    ASSERT_EQ(first.instance->component()->getState(saved), kResultOk);
    EXPECT_EQ(saved->data().size(), 12u);

    LoadedBundle second;
    ASSERT_TRUE(second.instance) << second.error;
    saved->rewind();
    ASSERT_EQ(second.instance->component()->setState(saved), kResultOk);
    EXPECT_EQ(second.instance->controller()->getParamNormalized(kGainId), 0.8);

    // A stream that fails part way leaves the instance as it was.
    saved->rewind();
    saved->failReadsFrom(4);
    ASSERT_EQ(first.instance->controller()->setParamNormalized(kGainId, 0.3), kResultOk);
    EXPECT_EQ(first.instance->component()->setState(saved), kResultFalse);
    EXPECT_EQ(first.instance->controller()->getParamNormalized(kGainId), 0.3);
    EXPECT_EQ(first.instance->component()->setState(nullptr), kInvalidArgument);
    saved->release();
}

TEST(Vst3Harness, HostObjectsAnswerTheirInterfacesAndKeepCounts) {
    auto* stream = new MemoryStream;
    Owned<ISizeableStream> sizeable = query<ISizeableStream>(static_cast<IBStream*>(stream));
    ASSERT_TRUE(sizeable);
    EXPECT_EQ(stream->referenceCount(), 2u);
    unsigned char bytes[4] = {1, 2, 3, 4};
    int32 count = 0;
    EXPECT_EQ(stream->write(bytes, 4, &count), kResultOk);
    int64 position = -1;
    EXPECT_EQ(stream->seek(-1, kIBSeekEnd, &position), kResultOk);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(stream->read(bytes, 4, &count), kResultOk);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(stream->seek(-9, kIBSeekCur, &position), kInvalidArgument);
    EXPECT_EQ(stream->read(nullptr, 4, &count), kInvalidArgument);
    sizeable.reset();
    stream->release();

    auto* queue = new ParamValueQueue;
    int32 index = -1;
    queue->reset(5);
    queue->addPoint(30, 0.3, index);
    queue->addPoint(10, 0.1, index);
    EXPECT_EQ(index, 0);
    queue->addPoint(30, 0.35, index);
    int32 offset = 0;
    ParamValue value = 0;
    EXPECT_EQ(queue->getPointCount(), 2);
    EXPECT_EQ(queue->getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 30);
    EXPECT_EQ(value, 0.35);
    EXPECT_EQ(queue->getPoint(2, offset, value), kResultFalse);
    EXPECT_EQ(queue->getPoint(-1, offset, value), kResultFalse);
    queue->release();
}
