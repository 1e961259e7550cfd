// The VST 3 wrapper over the plug-in base, driven through the host's interfaces:
// parameter list, units and presets, processing, bypass, state stream and views.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../framework/AllocationCounter.h"
#include "BypassCheck.h"
#include "HostObjects.h"
#include "IEffectVST3.h"
#include "IEffectVST3View.h"
#include "ProcessBuffers.h"
#include "Vst3Strings.h"
#include "graphics/IGraphicsHeadless.h"

using namespace vst3;
using vst3host::ComponentHandler;
using vst3host::HostApplication;
using vst3host::MemoryStream;
using vst3host::ParameterChanges;
using vst3host::ProcessBuffers;

namespace {

constexpr ParamID kPreset = IEffectVST3::kPresetParamId;
constexpr ParamID kBypass = IEffectVST3::kBypassParamId;

// Twelve parameters like the real plug-in: a level in dB, a switch, a three-way
// selector and nine plain ones. Processing doubles the signal, so it is told
// apart from the pass-through of bypass.
class TwelveParamPlugin : public IEffectVST3 {
public:
    explicit TwelveParamPlugin(bool* destroyed = nullptr)
        : IEffectVST3(nullptr, 12, "2-2", 1, "Test", "", "Maker", 0x906, 1, 2), destroyed(destroyed) {
        GetParam(0)->DefineDouble("Level", 0.0, -10.0, 10.0, 0.1, "dB");
        GetParam(1)->DefineBool("Mono");
        GetParam(2)->DefineEnum("Selector", 0, 3);
        for (int i = 3; i < 12; ++i) GetParam(i)->DefineDouble("Plain", 0.5, 0.0, 1.0, 0.01);
        AttachEditor(new IGraphicsHeadless(this, 470, 322, 25));
    }
    ~TwelveParamPlugin() override {
        if (destroyed) *destroyed = true;
    }
    void ProcessDouble(double** inputs, double** outputs, int frames) override {
        for (int c = 0; c < 2; ++c)
            for (int f = 0; f < frames; ++f) outputs[c][f] = 2.0 * inputs[c][f];
    }
    void OnParamChanged(int index) override { changed.push_back(index); }
    void OnEditorResized() override { ++resized; }
    void OnEditorOpened() override { ++opened; }

    std::vector<int> changed;
    int resized = 0;
    int opened = 0;
    bool* destroyed;
};

struct Wrapped {
    Wrapped() {
        plugin = new TwelveParamPlugin(&destroyed);
        EXPECT_EQ(component()->initialize(host), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
        EXPECT_EQ(processor()->setupProcessing(setup), kResultOk);
        component()->activateBus(kAudio, kInput, 0, 1);
        component()->activateBus(kAudio, kOutput, 0, 1);
    }
    ~Wrapped() {
        if (plugin) {
            component()->terminate();
            component()->release();
        }
        host->release();
    }
    IComponent* component() { return plugin; }
    IAudioProcessor* processor() { return plugin; }
    IEditController* controller() { return plugin; }
    IUnitInfo* units() { return plugin; }

    tresult runBlock(ProcessBuffers& buffers, int32 frames, ParameterChanges* changes = nullptr) {
        for (int32 c = 0; c < 2; ++c)
            for (int32 f = 0; f < frames && f < buffers.maxFrames(); ++f) buffers.setInput(c, f, 0.25 * (c + 1));
        return processor()->process(buffers.prepare(frames, changes));
    }
    tresult sendPoint(ParamID id, double value) {
        auto* changes = new ParameterChanges;
        changes->add(id, 0, value);
        ProcessBuffers none(kSample32, 0, 0, 0);
        ProcessData& flush = none.prepare(0, changes);
        const tresult result = processor()->process(flush);
        changes->release();
        return result;
    }
    std::vector<unsigned char> savedState() {
        auto* stream = new MemoryStream;
        EXPECT_EQ(controller()->getState(stream), kResultOk);
        std::vector<unsigned char> bytes = stream->data();
        stream->release();
        return bytes;
    }

    HostApplication* host = new HostApplication("Some Host");
    bool destroyed = false;
    TwelveParamPlugin* plugin;
};

std::string text(const char16* value) { return narrow(value, 128); }

void putDouble(std::vector<unsigned char>& bytes, size_t offset, double value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

double doubleAt(const std::vector<unsigned char>& bytes, size_t offset) {
    double value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

}  // namespace

TEST(Vst3Wrapper, ParameterListAheadOfThePluginsParameters) {
    Wrapped w;
    ASSERT_EQ(w.controller()->getParameterCount(), 14);
    ParameterInfo info;
    ASSERT_EQ(w.controller()->getParameterInfo(0, info), kResultOk);
    EXPECT_EQ(info.id, 0x70727374u);
    EXPECT_EQ(text(info.title), "Preset");
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.flags, 0x8000);
    ASSERT_EQ(w.controller()->getParameterInfo(1, info), kResultOk);
    EXPECT_EQ(info.id, 0x62706173u);
    EXPECT_EQ(text(info.title), "Bypass");
    EXPECT_EQ(info.flags, 0x10009);
    EXPECT_EQ(info.stepCount, 1);

    struct Expected {
        int32 index;
        const char* title;
        const char* units;
        int32 steps;
        double defaultNormalized;
    };
    // Level: (0 - (-10)) / 20 = 0.5; Plain: 0.5 on 0..1.
    const Expected expected[] = {{2, "Level", "dB", 0, 0.5}, {3, "Mono", "", 1, 0.0}, {4, "Selector", "", 2, 0.0},
                                 {13, "Plain", "", 0, 0.5}};
    for (const auto& e : expected) {
        ASSERT_EQ(w.controller()->getParameterInfo(e.index, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(e.index - 2));
        EXPECT_EQ(text(info.title), e.title);
        EXPECT_EQ(text(info.units), e.units);
        EXPECT_EQ(info.stepCount, e.steps);
        EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, e.defaultNormalized);
        EXPECT_EQ(info.flags, kCanAutomate);
        EXPECT_EQ(info.unitId, 0);
    }
    EXPECT_EQ(w.controller()->getParameterInfo(14, info), kResultFalse);

    // A second initialize builds nothing twice.
    EXPECT_EQ(w.component()->initialize(w.host), kResultFalse);
    EXPECT_EQ(w.controller()->getParameterCount(), 14);
    EXPECT_EQ(w.component()->getBusCount(kAudio, kInput), 1);
}

TEST(Vst3Wrapper, ParameterTextsValuesAndUnknownIds) {
    Wrapped w;
    IEditController* c = w.controller();
    String128 shown;
    EXPECT_EQ(c->getParamStringByValue(kBypass, 1.0, shown), kResultFalse);
    EXPECT_EQ(c->getParamStringByValue(1, 1.0, shown), kResultOk);
    EXPECT_EQ(text(shown), "on");
    EXPECT_EQ(c->getParamStringByValue(0, 0.5, shown), kResultOk);
    EXPECT_EQ(text(shown), "0.0");
    EXPECT_EQ(c->getParamStringByValue(0, 0.75, shown), kResultOk);
    EXPECT_EQ(text(shown), "5.0");

    ParamValue value = -1;
    char16 withUnit[] = u"-3.5 dB";
    EXPECT_EQ(c->getParamValueByString(0, withUnit, value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 0.325);  // (-3.5 + 10) / 20
    char16 noNumber[] = u"loud";
    EXPECT_EQ(c->getParamValueByString(0, noNumber, value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 0.5);  // 0 dB
    char16 on[] = u"on";
    EXPECT_EQ(c->getParamValueByString(kBypass, on, value), kResultOk);
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(c->getParamValueByString(99, on, value), kResultFalse);

    EXPECT_EQ(c->plainParamToNormalized(0, 25.0), 1.0);
    EXPECT_DOUBLE_EQ(c->plainParamToNormalized(0, 5.0), 0.75);
    EXPECT_EQ(c->plainParamToNormalized(kPreset, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(c->normalizedParamToPlain(0, 0.25), -5.0);
    EXPECT_EQ(c->normalizedParamToPlain(kBypass, 0.7), 1.0);
    EXPECT_EQ(c->normalizedParamToPlain(99, 0.7), 0.7);

    // Setting a value touches neither the plug-in's handlers nor the bypass.
    w.plugin->changed.clear();
    EXPECT_EQ(c->setParamNormalized(0, 0.75), kResultOk);
    EXPECT_DOUBLE_EQ(c->getParamNormalized(0), 0.75);
    EXPECT_TRUE(w.plugin->changed.empty());
    EXPECT_DOUBLE_EQ(doubleAt(w.savedState(), 0), 5.0);
    EXPECT_EQ(c->setParamNormalized(0, std::nan("")), kInvalidArgument);
    EXPECT_DOUBLE_EQ(c->getParamNormalized(0), 0.75);
    // The bypass switch takes the host's value at once; the audio waits for process.
    EXPECT_EQ(c->setParamNormalized(kBypass, 1.0), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypass), 1.0);
    EXPECT_FALSE(w.plugin->IsBypassed());
    EXPECT_EQ(c->setParamNormalized(kBypass, 2.0), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypass), 1.0);
    EXPECT_EQ(c->setParamNormalized(kBypass, 0.0), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypass), 0.0);
    EXPECT_EQ(c->setParamNormalized(kPreset, 1.0), kResultFalse);
    EXPECT_EQ(c->getParamNormalized(kPreset), 0.0);
    EXPECT_EQ(c->getParamNormalized(12), 0.0);
}

TEST(Vst3Wrapper, UnitsAndTheProgramList) {
    Wrapped w;
    IUnitInfo* u = w.units();
    EXPECT_EQ(u->getUnitCount(), 1);
    UnitInfo unit;
    ASSERT_EQ(u->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(text(unit.name), "Root Unit");
    EXPECT_EQ(unit.parentUnitId, -1);
    EXPECT_EQ(unit.programListId, -1);
    EXPECT_EQ(u->getUnitInfo(1, unit), kResultFalse);
    EXPECT_EQ(u->getUnitInfo(-1, unit), kResultFalse);

    EXPECT_EQ(u->getProgramListCount(), 0);
    ProgramListInfo list;
    ASSERT_EQ(u->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(text(list.name), "Factory Presets");
    EXPECT_EQ(list.programCount, 1);
    EXPECT_EQ(u->getProgramListInfo(1, list), kResultFalse);

    String128 name;
    ASSERT_EQ(u->getProgramName(0x70727374, 0, name), kResultOk);
    EXPECT_EQ(text(name), "user preset 1");
    ASSERT_EQ(u->getProgramName(0x70727374, 5, name), kResultOk);
    EXPECT_EQ(text(name), "");
    EXPECT_EQ(u->getProgramName(0x70727374, -1, name), kResultOk);
    EXPECT_EQ(u->getProgramName(7, 0, name), kResultFalse);
    EXPECT_EQ(u->getProgramName(0x70727374, 0, nullptr), kInvalidArgument);
    EXPECT_EQ(u->selectUnit(0), kNotImplemented);
}

TEST(Vst3Wrapper, ProcessesBothPrecisionsAndPassesThroughWhenBypassed) {
    for (int32 sampleSize : {int32(kSample32), int32(kSample64)}) {
        SCOPED_TRACE(sampleSize);
        Wrapped w;
        ProcessSetup setup{kRealtime, sampleSize, 64, 44100.0};
        ASSERT_EQ(w.processor()->setupProcessing(setup), kResultOk);
        ProcessBuffers buffers(sampleSize, 2, 2, 160);
        ASSERT_EQ(w.runBlock(buffers, 32), kResultOk);
        EXPECT_EQ(buffers.output(0, 31), 0.5);
        EXPECT_EQ(buffers.output(1, 0), 1.0);

        // 0.5 is not bypassed, 0.51 is; the next set-up clears it.
        auto* changes = new ParameterChanges;
        changes->add(kBypass, 0, 0.5);
        ASSERT_EQ(w.runBlock(buffers, 32, changes), kResultOk);
        EXPECT_EQ(buffers.output(0, 0), 0.5);
        changes->clear();
        changes->add(kBypass, 0, 0.51);
        ASSERT_EQ(w.runBlock(buffers, 32, changes), kResultOk);
        EXPECT_EQ(buffers.output(0, 0), 0.25);
        EXPECT_EQ(w.controller()->getParamNormalized(kBypass), 1.0);
        ASSERT_EQ(w.processor()->setupProcessing(setup), kResultOk);
        EXPECT_EQ(w.controller()->getParamNormalized(kBypass), 0.0);

        // A block longer than announced is processed whole, in pieces.
        buffers.fillOutputs(-1.0);
        ASSERT_EQ(w.runBlock(buffers, 150), kResultOk);
        EXPECT_EQ(buffers.output(1, 149), 1.0);
        changes->release();
    }
}

TEST(Vst3Wrapper, ParameterQueuesAndPresetPoints) {
    Wrapped w;
    ProcessBuffers buffers(kSample32, 2, 2, 64);
    auto* changes = new ParameterChanges;
    changes->add(0, 0, 0.2);
    changes->add(0, 40, 0.8);
    w.plugin->changed.clear();
    ASSERT_EQ(w.runBlock(buffers, 64, changes), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.8);
    EXPECT_EQ(w.plugin->changed, std::vector<int>{0});
    changes->release();

    // One preset slot: 1.0 names the slot after it (ignored), 0.99 reloads slot 0,
    // which holds the values of the first initialize (Level 0 dB).
    EXPECT_EQ(w.sendPoint(kPreset, 1.0), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.8);
    EXPECT_EQ(w.sendPoint(kPreset, std::nan("")), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.8);
    EXPECT_EQ(w.sendPoint(kPreset, 0.99), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.5);
    EXPECT_EQ(w.sendPoint(999, 0.3), kResultOk);  // unknown ids are ignored
}

TEST(Vst3Wrapper, InactiveOutputBusLeavesHostBuffersAlone) {
    Wrapped w;
    ASSERT_EQ(w.component()->activateBus(kAudio, kOutput, 0, 0), kResultTrue);
    ProcessBuffers buffers(kSample32, 2, 2, 64);
    buffers.fillOutputs(7.0);
    ASSERT_EQ(w.runBlock(buffers, 64), kResultOk);
    EXPECT_EQ(buffers.output(0, 0), 7.0);
    EXPECT_EQ(buffers.output(1, 63), 7.0);
}

TEST(Vst3Wrapper, BusArrangementsAcceptOnlyStereo) {
    Wrapped w;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    EXPECT_EQ(w.processor()->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
    BusInfo info;
    w.component()->getBusInfo(kAudio, kInput, 0, info);
    EXPECT_EQ(text(info.name), "Main Input");
    w.component()->getBusInfo(kAudio, kOutput, 0, info);
    EXPECT_EQ(text(info.name), "Output");
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(w.processor()->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
    w.component()->getBusInfo(kAudio, kInput, 0, info);
    EXPECT_EQ(info.channelCount, 2);
    // A refusal leaves the arrangement the host reads back as it was.
    for (BusDirection dir : {kInput, kOutput}) {
        SpeakerArrangement current = 0;
        EXPECT_EQ(w.processor()->getBusArrangement(dir, 0, current), kResultOk);
        EXPECT_EQ(current, SpeakerArr::kStereo);
    }
    EXPECT_EQ(w.processor()->setBusArrangements(nullptr, 1, &stereo, 1), kInvalidArgument);
    EXPECT_EQ(w.processor()->setBusArrangements(&stereo, -1, &stereo, 1), kInvalidArgument);
    EXPECT_EQ(w.processor()->canProcessSampleSize(kSample64), kResultOk);
    EXPECT_EQ(w.processor()->setProcessing(1), kNotImplemented);
}

TEST(Vst3Wrapper, StateStreamLayoutAndDamagedStreams) {
    Wrapped w;
    std::vector<unsigned char> bytes = w.savedState();
    ASSERT_EQ(bytes.size(), 100u);
    EXPECT_EQ(doubleAt(bytes, 0), 0.0);   // Level, plain dB
    EXPECT_EQ(doubleAt(bytes, 24), 0.5);  // first Plain parameter
    EXPECT_EQ(std::vector<unsigned char>(bytes.end() - 4, bytes.end()), (std::vector<unsigned char>{0, 0, 0, 0}));
    ASSERT_EQ(w.sendPoint(kBypass, 1.0), kResultOk);
    bytes = w.savedState();
    EXPECT_EQ(std::vector<unsigned char>(bytes.end() - 4, bytes.end()), (std::vector<unsigned char>{1, 0, 0, 0}));
    EXPECT_EQ(w.component()->getState(nullptr), kInvalidArgument);

    // A stream holding the values but no bypass: read succeeds with nothing -> not bypassed.
    std::vector<unsigned char> values(bytes.begin(), bytes.begin() + 96);
    putDouble(values, 0, 5.0);
    auto* shortStream = new MemoryStream(values);
    EXPECT_EQ(w.controller()->setState(shortStream), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.75);
    EXPECT_EQ(w.controller()->getParamNormalized(kBypass), 0.0);
    shortStream->release();

    // The same stream reporting the trailing read as failed: values restored, bypass kept.
    ASSERT_EQ(w.sendPoint(kBypass, 1.0), kResultOk);
    values = std::vector<unsigned char>(bytes.begin(), bytes.begin() + 96);
    auto* failing = new MemoryStream(values);
    failing->failReadsFrom(96);
    EXPECT_EQ(w.controller()->setState(failing), kResultFalse);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(0), 0.5);
    EXPECT_EQ(w.controller()->getParamNormalized(kBypass), 1.0);
    failing->release();

    // Forty bytes: the first five parameters take the stream's values, the rest keep theirs.
    std::vector<unsigned char> forty(40, 0);  // five plain values of 0.0
    ASSERT_EQ(w.controller()->setParamNormalized(5, 1.0), kResultOk);
    ASSERT_EQ(w.controller()->setParamNormalized(6, 1.0), kResultOk);
    auto* partial = new MemoryStream(forty);
    EXPECT_EQ(w.controller()->setState(partial), kResultOk);
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(4), 0.0);  // parameter 4 from the stream
    EXPECT_DOUBLE_EQ(w.controller()->getParamNormalized(5), 1.0);  // parameter 5 kept
    partial->release();

    // Damaged bytes (NaN patterns everywhere) leave every parameter at a finite value.
    auto* damaged = new MemoryStream(std::vector<unsigned char>(100, 0xFF));
    EXPECT_EQ(w.controller()->setState(damaged), kResultOk);
    for (ParamID id = 0; id < 12; ++id) EXPECT_TRUE(std::isfinite(w.controller()->getParamNormalized(id))) << id;
    damaged->release();

    // A host stream that cannot be written to is not told the state was saved.
    auto* full = new MemoryStream;
    full->failWrites(true);
    EXPECT_EQ(w.controller()->getState(full), kResultFalse);
    full->release();
    EXPECT_EQ(w.controller()->setState(nullptr), kInvalidArgument);
}

namespace {
// Counts the window operations the view asks of the editor.
class WindowCountingEditor : public IGraphicsHeadless {
public:
    using IGraphicsHeadless::IGraphicsHeadless;
    const char* WindowPlatformType() const override { return "HWND"; }
    void* OpenWindow(void* parent) override {
        ++opened;
        lastParent = parent;
        return this;
    }
    void CloseWindow() override { ++closed; }
    int opened = 0, closed = 0;
    void* lastParent = nullptr;
};

class CountingFrame : public vst3host::HostObject<IPlugFrame> {
public:
    tresult resizeView(IPlugView* view, ViewRect* size) override {
        ++requests;
        lastView = view;
        lastSize = *size;
        return kResultOk;
    }
    int requests = 0;
    IPlugView* lastView = nullptr;
    ViewRect lastSize{};
};
}  // namespace

TEST(Vst3Wrapper, ViewsKeepThePluginAliveAndCarryResizes) {
    Wrapped w;
    // An editor that draws into memory only has no window for any host: no view.
    EXPECT_EQ(w.controller()->createView("editor"), nullptr);
    w.plugin->AttachEditor(new WindowCountingEditor(w.plugin, 470, 322, 25));
    EXPECT_EQ(w.controller()->createView("Editor"), nullptr);
    EXPECT_EQ(w.controller()->createView("editorial"), nullptr);
    EXPECT_EQ(w.controller()->createView(nullptr), nullptr);
    IPlugView* first = w.controller()->createView("editor");
    IPlugView* second = w.controller()->createView("editor");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(w.plugin->Views().size(), 2u);

    ViewRect size{};
    ASSERT_EQ(first->getSize(&size), kResultOk);
    EXPECT_EQ(size.left, 0);
    EXPECT_EQ(size.right, 470);
    EXPECT_EQ(size.bottom, 322);
    // Destroying the first view leaves the second as the one resizes go through.
    EXPECT_EQ(first->release(), 0u);
    ASSERT_EQ(w.plugin->Views().size(), 1u);
    auto* frame = new CountingFrame;
    second->setFrame(frame);
    ViewRect other{0, 0, 100, 100};
    EXPECT_EQ(second->onSize(&other), kResultOk);
    EXPECT_EQ(w.plugin->resized, 0);
    w.plugin->ResizeEditorFrame(470, 400);
    EXPECT_EQ(frame->requests, 1);
    EXPECT_EQ(frame->lastView, second);
    EXPECT_EQ(frame->lastSize.bottom, 400);
    EXPECT_EQ(second->onSize(&frame->lastSize), kResultOk);
    EXPECT_EQ(second->onSize(&frame->lastSize), kResultOk);
    EXPECT_EQ(w.plugin->resized, 1);

    // The host lets go of the plug-in first: the view keeps it alive.
    w.component()->terminate();
    EXPECT_TRUE(w.plugin->Views().empty());
    w.component()->release();
    w.plugin = nullptr;
    EXPECT_FALSE(w.destroyed);
    EXPECT_EQ(second->getSize(&size), kResultOk);
    second->release();
    EXPECT_TRUE(w.destroyed);
    frame->release();
}

TEST(Vst3Wrapper, ViewOpensTheWindowOnlyForHwndAndClosesItOnRemoval) {
    Wrapped w;
    auto* editor = new WindowCountingEditor(w.plugin, 470, 322, 25);
    w.plugin->AttachEditor(editor);
    IPlugView* view = w.controller()->createView("editor");
    ASSERT_NE(view, nullptr);
    int parent = 0;
    // A foreign window type opens nothing and is not reported as attached.
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
    EXPECT_EQ(view->attached(&parent, "X11EmbedWindowID"), kResultFalse);
    EXPECT_EQ(view->attached(&parent, nullptr), kResultFalse);
    EXPECT_EQ(view->attached(nullptr, "HWND"), kResultFalse);
    EXPECT_EQ(editor->opened, 0);
    EXPECT_EQ(w.plugin->opened, 0);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
    for (int round = 1; round <= 2; ++round) {
        EXPECT_EQ(view->attached(&parent, "HWND"), kResultOk);
        EXPECT_EQ(editor->opened, round);
        EXPECT_EQ(editor->lastParent, &parent);
        EXPECT_EQ(w.plugin->opened, round);
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(editor->closed, round);
    }
    view->release();
}

TEST(Vst3Wrapper, EditsAndLatencyReachTheHandler) {
    Wrapped w;
    w.plugin->BeginParamEdit(3);  // no handler yet: nothing happens
    auto* handler = new ComponentHandler;
    ASSERT_EQ(w.controller()->setComponentHandler(handler), kResultTrue);
    w.plugin->BeginParamEdit(3);
    w.plugin->NotifyParamEdit(3, 0.25);
    w.plugin->EndParamEdit(3);
    w.plugin->ChangeLatency(32);
    ASSERT_EQ(handler->calls.size(), 4u);
    EXPECT_EQ(handler->calls[0].method, "beginEdit");
    EXPECT_EQ(handler->calls[1].id, 3u);
    EXPECT_EQ(handler->calls[1].value, 0.25);
    EXPECT_EQ(handler->calls[3].method, "restartComponent");
    EXPECT_EQ(handler->calls[3].id, 8u);  // latency changed
    EXPECT_EQ(w.processor()->getLatencySamples(), 32u);
    w.plugin->ShowHostContextMenu(0, 1, 2);  // the handler has no context menus: nothing happens
    EXPECT_EQ(handler->calls.size(), 4u);
    w.component()->terminate();
    EXPECT_EQ(handler->referenceCount(), 1u);
    handler->release();
    EXPECT_EQ(w.component()->initialize(w.host), kResultOk);
}

TEST(Vst3Wrapper, ProcessAllocatesNothing) {
    for (int32 sampleSize : {int32(kSample32), int32(kSample64)}) {
        Wrapped w;
        ProcessSetup setup{kRealtime, sampleSize, 64, 48000.0};
        ASSERT_EQ(w.processor()->setupProcessing(setup), kResultOk);
        ProcessBuffers buffers(sampleSize, 2, 2, 160);
        auto* changes = new ParameterChanges;
        ProcessContext context{};
        context.tempo = 133.0;
        w.plugin->changed.reserve(64);  // the test's own record must not count
        CountAllocations(true);
        for (int block = 0; block < 8; ++block) {
            changes->clear();
            changes->add(0, 0, block / 8.0);
            changes->add(kBypass, 0, block % 2 ? 1.0 : 0.0);
            w.processor()->process(buffers.prepare(block % 3 ? 64 : 150, changes, &context));
        }
        EXPECT_EQ(CountAllocations(false), 0) << sampleSize;
        EXPECT_EQ(w.plugin->TransportTempo(), 133.0);
        changes->release();
    }
}

namespace {
class RecordingMenu : public vst3host::HostObject<IContextMenu> {
public:
    int32 getItemCount() override { return 0; }
    tresult getItem(int32, IContextMenuItem&, IContextMenuTarget**) override { return kResultFalse; }
    tresult addItem(const IContextMenuItem&, IContextMenuTarget*) override { return kResultOk; }
    tresult removeItem(const IContextMenuItem&, IContextMenuTarget*) override { return kResultOk; }
    tresult popup(UCoord x, UCoord y) override {
        popups.push_back({x, y});
        return kResultOk;
    }
    std::vector<std::pair<int, int>> popups;
};

class MenuHandler : public vst3host::HostObject<IComponentHandler, IComponentHandler3> {
public:
    tresult beginEdit(ParamID) override { return kResultOk; }
    tresult performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult endEdit(ParamID) override { return kResultOk; }
    tresult restartComponent(int32) override { return kResultOk; }
    IContextMenu* createContextMenu(IPlugView* view, const ParamID* id) override {
        askedView = view;
        askedId = id ? *id : kNoParamId;
        menu->addRef();
        return menu;
    }
    RecordingMenu* menu = new RecordingMenu;
    IPlugView* askedView = nullptr;
    ParamID askedId = kNoParamId;
};
}  // namespace

TEST(Vst3Wrapper, ContextMenuGoesThroughTheFirstView) {
    Wrapped w;
    auto* handler = new MenuHandler;
    ASSERT_EQ(w.controller()->setComponentHandler(handler), kResultTrue);
    w.plugin->ShowHostContextMenu(4, 10, 20);  // no view yet: nothing
    EXPECT_TRUE(handler->menu->popups.empty());
    w.plugin->AttachEditor(new WindowCountingEditor(w.plugin, 470, 322, 25));
    IPlugView* view = w.controller()->createView("editor");
    w.plugin->ShowHostContextMenu(4, 10, 20);
    EXPECT_EQ(handler->askedView, view);
    EXPECT_EQ(handler->askedId, 4u);
    ASSERT_EQ(handler->menu->popups.size(), 1u);
    EXPECT_EQ(handler->menu->popups[0], std::make_pair(10, 20));
    EXPECT_EQ(handler->menu->referenceCount(), 1u);  // the wrapper released its menu
    view->release();
    w.component()->terminate();
    handler->menu->release();
    handler->release();
    EXPECT_EQ(w.component()->initialize(w.host), kResultOk);
}

namespace {
// The controller as it was before it took the bypass: refused, and stale until process.
class StaleBypassPlugin : public TwelveParamPlugin {
public:
    tresult setParamNormalized(ParamID id, ParamValue value) override {
        return id == kBypass ? kResultFalse : TwelveParamPlugin::setParamNormalized(id, value);
    }
    ParamValue getParamNormalized(ParamID id) override {
        return id == kBypass ? (IsBypassed() ? 1.0 : 0.0) : TwelveParamPlugin::getParamNormalized(id);
    }
};
}  // namespace

TEST(Vst3Wrapper, TheHarnessBypassCheckPassesThisControllerAndCatchesAStaleOne) {
    Wrapped w;
    EXPECT_TRUE(vst3host::checkBypassParameter(w.component(), w.processor(), w.controller()).empty());

    auto* stale = new StaleBypassPlugin;
    auto* host = new HostApplication;
    ASSERT_EQ(stale->initialize(host), kResultOk);
    const std::vector<std::string> faults = vst3host::checkBypassParameter(stale, stale, stale);
    // Each direction: the refusal and the stale value before processing; after it all agrees.
    ASSERT_EQ(faults.size(), 4u);
    EXPECT_NE(faults[0].find("setParamNormalized answered 1"), std::string::npos) << faults[0];
    EXPECT_NE(faults[1].find("reports 0.000000 before processing"), std::string::npos) << faults[1];
    EXPECT_NE(faults[3].find("reports 1.000000 before processing"), std::string::npos) << faults[3];
    stale->terminate();
    stale->release();
    host->release();
}
