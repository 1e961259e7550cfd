// The platform layer seen through the interfaces a host uses: reference counts and
// queries, busses, processing set-up, edit controller, factory and view.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "GainEffect.h"
#include "HostObjects.h"
#include "CPluginFactory.h"
#include "CPluginView.h"
#include "Vst3Strings.h"

using namespace vst3;
using testbundle::GainEffect;

namespace {

// Tells the test when the object is destroyed.
class ProbeEffect : public GainEffect {
public:
    explicit ProbeEffect(bool& destroyed) : destroyed(destroyed) { destroyed = false; }
    ~ProbeEffect() override { destroyed = true; }

private:
    bool& destroyed;
};

// Creates, queries and initializes an effect the way a host does.
struct HostedEffect {
    HostedEffect() {
        effect = new GainEffect;
        component = static_cast<IComponent*>(effect);
        processor = static_cast<IAudioProcessor*>(effect);
        controller = static_cast<IEditController*>(effect);
        EXPECT_EQ(component->initialize(host), kResultOk);
    }
    ~HostedEffect() {
        component->terminate();
        component->release();
        host->release();
    }
    vst3host::HostApplication* host = new vst3host::HostApplication;
    GainEffect* effect;
    IComponent* component;
    IAudioProcessor* processor;
    IEditController* controller;
};

std::string text(const char16* value) { return narrow(value, 128); }

}  // namespace

TEST(Vst3Object, QueryInterfaceHandsOutEachInterfaceWithOneReference) {
    bool destroyed = false;
    auto* effect = new ProbeEffect(destroyed);
    FUnknown* unknown = static_cast<IComponent*>(effect);
    struct Answer {
        const char* name;
        const Uid& iid;
        void* expected;
    };
    const Answer answered[] = {
        {"FUnknown", FUnknown::iid, static_cast<FUnknown*>(static_cast<FObject*>(effect))},
        {"IPluginBase", IPluginBase::iid, static_cast<IPluginBase*>(static_cast<IComponent*>(effect))},
        {"IComponent", IComponent::iid, static_cast<IComponent*>(effect)},
        {"IAudioProcessor", IAudioProcessor::iid, static_cast<IAudioProcessor*>(effect)},
        {"IProcessContextRequirements", IProcessContextRequirements::iid,
         static_cast<IProcessContextRequirements*>(effect)},
        {"IEditController", IEditController::iid, static_cast<IEditController*>(effect)},
        {"IEditController2", IEditController2::iid, static_cast<IEditController2*>(effect)},
        {"IUnitInfo", IUnitInfo::iid, static_cast<IUnitInfo*>(effect)},
    };
    for (const auto& a : answered) {
        void* obj = nullptr;
        EXPECT_EQ(unknown->queryInterface(a.iid.data(), &obj), kResultOk) << a.name;
        EXPECT_EQ(obj, a.expected) << a.name;
        EXPECT_EQ(effect->referenceCount(), 2) << a.name;
        if (obj) static_cast<FUnknown*>(obj)->release();
    }
    const Uid refused[] = {IConnectionPoint::iid, IPlugView::iid, IBStream::iid, IPluginFactory::iid,
                           makeUid(1, 2, 3, 4)};
    for (const auto& iid : refused) {
        void* obj = effect;  // garbage the answer must overwrite
        EXPECT_EQ(unknown->queryInterface(iid.data(), &obj), kNoInterface);
        EXPECT_EQ(obj, nullptr);
        EXPECT_EQ(effect->referenceCount(), 1);
    }
    EXPECT_EQ(unknown->queryInterface(IComponent::iid.data(), nullptr), kInvalidArgument);

    EXPECT_EQ(unknown->addRef(), 2u);
    EXPECT_EQ(unknown->release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(unknown->release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST(Vst3Object, InitializeHoldsTheHostUntilTerminateAndCanRunAgain) {
    HostedEffect hosted;
    EXPECT_EQ(hosted.host->referenceCount(), 2u);
    EXPECT_EQ(hosted.component->initialize(hosted.host), kResultFalse);
    EXPECT_EQ(hosted.host->referenceCount(), 2u);
    EXPECT_EQ(hosted.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(hosted.controller->getParameterCount(), 2);

    EXPECT_EQ(hosted.component->terminate(), kResultOk);
    EXPECT_EQ(hosted.host->referenceCount(), 1u);
    EXPECT_EQ(hosted.component->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(hosted.controller->getParameterCount(), 0);
    EXPECT_EQ(hosted.component->terminate(), kResultOk);

    // A host may terminate and initialize the same object; everything comes back.
    EXPECT_EQ(hosted.component->initialize(hosted.host), kResultOk);
    EXPECT_EQ(hosted.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(hosted.controller->getParameterCount(), 2);
}

TEST(Vst3Busses, InfoActivationAndBadIndices) {
    HostedEffect hosted;
    BusInfo info;
    EXPECT_EQ(hosted.component->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kAudio);
    EXPECT_EQ(info.direction, kOutput);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(text(info.name), "Stereo Out");
    EXPECT_EQ(info.busType, kMain);
    EXPECT_EQ(info.flags, static_cast<uint32>(kDefaultActive));
    EXPECT_EQ(hosted.component->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(hosted.component->getBusCount(7, kInput), 0);

    struct BadBus {
        MediaType type;
        BusDirection dir;
        int32 index;
    };
    const BadBus bad[] = {{kAudio, kInput, -1}, {kAudio, kInput, 1},      {kAudio, 2, 0},
                          {kEvent, kInput, 0},  {kNumMediaTypes, kInput, 0}, {kAudio, kOutput, INT_MAX}};
    for (const auto& b : bad) {
        BusInfo untouched;
        std::memset(&untouched, 0xA5, sizeof untouched);
        BusInfo probe = untouched;
        EXPECT_EQ(hosted.component->getBusInfo(b.type, b.dir, b.index, probe), kInvalidArgument) << b.index;
        EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
        EXPECT_EQ(hosted.component->activateBus(b.type, b.dir, b.index, 1), kInvalidArgument);
        SpeakerArrangement arrangement = 77;
        if (b.type == kAudio) {
            EXPECT_EQ(hosted.processor->getBusArrangement(b.dir, b.index, arrangement), kInvalidArgument);
            EXPECT_EQ(arrangement, 77u);
        }
    }
    EXPECT_EQ(hosted.component->activateBus(kAudio, kInput, 0, 1), kResultTrue);
    EXPECT_EQ(hosted.component->activateBus(kAudio, kInput, 0, 0), kResultTrue);
}

TEST(Vst3Busses, ArrangementsFollowTheHostWithinTheBusCount) {
    HostedEffect hosted;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement surround[2] = {SpeakerArr::k51, SpeakerArr::k51};
    EXPECT_EQ(hosted.processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    SpeakerArrangement current = 0;
    EXPECT_EQ(hosted.processor->getBusArrangement(kInput, 0, current), kResultTrue);
    EXPECT_EQ(current, 0x80000u);
    BusInfo info;
    hosted.component->getBusInfo(kAudio, kInput, 0, info);
    EXPECT_EQ(info.channelCount, 1);

    // More busses than exist: refused, nothing changes.
    EXPECT_EQ(hosted.processor->setBusArrangements(surround, 2, surround, 1), kResultFalse);
    hosted.component->getBusInfo(kAudio, kOutput, 0, info);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(hosted.processor->setBusArrangements(&mono, -1, &mono, 1), kInvalidArgument);
    EXPECT_EQ(hosted.processor->setBusArrangements(nullptr, 1, &mono, 1), kInvalidArgument);
    EXPECT_EQ(hosted.processor->setBusArrangements(surround, 1, surround, 1), kResultTrue);
    hosted.component->getBusInfo(kAudio, kOutput, 0, info);
    EXPECT_EQ(info.channelCount, 6);
}

TEST(Vst3Processing, SetupRefusesAbsurdValuesAndKeepsTheLastGoodOne) {
    HostedEffect hosted;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct SetupCase {
        ProcessSetup setup;
        tresult expected;
    };
    const SetupCase cases[] = {
        {{kRealtime, kSample32, 512, 48000.0}, kResultOk},
        {{kOffline, kSample64, 8192, 1234567.8}, kResultOk},
        {{kRealtime, 2, 512, 48000.0}, kResultFalse},
        {{kRealtime, kSample32, 0, 48000.0}, kInvalidArgument},
        {{kRealtime, kSample32, -64, 48000.0}, kInvalidArgument},
        {{kRealtime, kSample32, INT_MAX, 48000.0}, kInvalidArgument},
        {{kRealtime, kSample32, 512, nan}, kInvalidArgument},
        {{kRealtime, kSample32, 512, inf}, kInvalidArgument},
        {{kRealtime, kSample32, 512, 0.0}, kInvalidArgument},
        {{kRealtime, kSample32, 512, -44100.0}, kInvalidArgument},
        {{7, kSample32, 512, 48000.0}, kInvalidArgument},
    };
    for (const auto& c : cases) {
        ProcessSetup setup = c.setup;
        EXPECT_EQ(hosted.processor->setupProcessing(setup), c.expected)
            << setup.maxSamplesPerBlock << " " << setup.sampleRate;
    }
    const ProcessSetup& kept = hosted.effect->getProcessSetup();
    EXPECT_EQ(kept.maxSamplesPerBlock, 8192);
    EXPECT_EQ(kept.sampleRate, 1234567.8);
    EXPECT_EQ(hosted.processor->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(hosted.processor->canProcessSampleSize(-1), kResultFalse);
}

TEST(Vst3Controller, ParameterOperationsAndUnknownIds) {
    HostedEffect hosted;
    IEditController* controller = hosted.controller;
    ParameterInfo info;
    EXPECT_EQ(controller->getParameterInfo(1, info), kResultOk);
    EXPECT_EQ(info.id, testbundle::kBypassId);
    EXPECT_EQ(text(info.title), "Bypass");
    EXPECT_EQ(info.flags, kCanAutomate | kIsList | kIsBypass);
    EXPECT_EQ(info.stepCount, 1);
    for (int32 index : {-1, 2, INT_MIN}) EXPECT_EQ(controller->getParameterInfo(index, info), kResultFalse);

    EXPECT_EQ(controller->setParamNormalized(testbundle::kGainId, 1.7), kResultTrue);
    EXPECT_EQ(controller->getParamNormalized(testbundle::kGainId), 1.0);
    EXPECT_EQ(controller->setParamNormalized(testbundle::kGainId, std::nan("")), kInvalidArgument);
    EXPECT_EQ(controller->getParamNormalized(testbundle::kGainId), 1.0);

    String128 shown;
    EXPECT_EQ(controller->getParamStringByValue(testbundle::kGainId, 0.123456, shown), kResultTrue);
    EXPECT_EQ(text(shown), "0.1235");
    EXPECT_EQ(controller->getParamStringByValue(testbundle::kBypassId, 0.7, shown), kResultTrue);
    EXPECT_EQ(text(shown), "on");
    EXPECT_EQ(controller->getParamStringByValue(testbundle::kGainId, 0.5, nullptr), kInvalidArgument);
    ParamValue value = -1;
    char16 on[] = u"on";
    EXPECT_EQ(controller->getParamValueByString(testbundle::kBypassId, on, value), kResultTrue);
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(controller->getParamValueByString(testbundle::kGainId, nullptr, value), kResultFalse);

    const ParamID unknown = 99;
    EXPECT_EQ(controller->setParamNormalized(unknown, 0.5), kResultFalse);
    EXPECT_EQ(controller->getParamNormalized(unknown), 0.0);
    EXPECT_EQ(controller->getParamStringByValue(unknown, 0.5, shown), kResultFalse);
    EXPECT_EQ(controller->getParamValueByString(unknown, on, value), kResultFalse);
    EXPECT_EQ(controller->normalizedParamToPlain(unknown, 0.25), 0.25);
    EXPECT_EQ(controller->plainParamToNormalized(unknown, 3.5), 3.5);
    EXPECT_EQ(controller->createView("editor"), nullptr);

    IUnitInfo* units = static_cast<IUnitInfo*>(hosted.effect);
    UnitInfo unit;
    EXPECT_EQ(units->getUnitCount(), 0);
    EXPECT_EQ(units->getUnitInfo(0, unit), kResultFalse);
    EXPECT_EQ(units->getProgramListCount(), 0);
}

TEST(Vst3Controller, EditsReachTheHostsHandlerWhichIsHeldOnce) {
    HostedEffect hosted;
    auto* handler = new vst3host::ComponentHandler;
    EXPECT_EQ(hosted.effect->beginEdit(testbundle::kGainId), kResultFalse);
    EXPECT_EQ(hosted.effect->startGroupEdit(), kNotImplemented);

    EXPECT_EQ(hosted.controller->setComponentHandler(handler), kResultTrue);
    // One reference for the handler and one for its second interface.
    EXPECT_EQ(handler->referenceCount(), 3u);
    EXPECT_EQ(hosted.controller->setComponentHandler(handler), kResultTrue);
    EXPECT_EQ(handler->referenceCount(), 3u);

    hosted.effect->beginEdit(testbundle::kGainId);
    hosted.effect->performEdit(testbundle::kGainId, 0.75);
    hosted.effect->endEdit(testbundle::kGainId);
    EXPECT_EQ(hosted.effect->startGroupEdit(), kResultOk);
    ASSERT_EQ(handler->calls.size(), 4u);
    EXPECT_EQ(handler->calls[1].method, "performEdit");
    EXPECT_EQ(handler->calls[1].value, 0.75);
    // Forwarding an edit does not change the stored value.
    EXPECT_EQ(hosted.controller->getParamNormalized(testbundle::kGainId), 0.5);

    EXPECT_EQ(hosted.controller->setComponentHandler(nullptr), kResultTrue);
    EXPECT_EQ(handler->referenceCount(), 1u);
    handler->release();
}

TEST(Vst3Factory, DescribesItsClassesAndCreatesByClassId) {
    PFactoryInfo factoryInfo{};
    copyPadded(factoryInfo.vendor, sizeof factoryInfo.vendor, "Vendor");
    factoryInfo.flags = kUnicode;
    auto* factory = new CPluginFactory(factoryInfo);

    static bool destroyed = false;
    PClassInfo2 gain{};
    GainEffect::cid.copyTo(gain.cid);
    gain.cardinality = kManyInstances;
    copyPadded(gain.category, sizeof gain.category, kVstAudioEffectClass);
    // A name that fills its whole field has no terminator.
    std::memset(gain.name, 'N', sizeof gain.name);
    copyPadded(gain.subCategories, sizeof gain.subCategories, "Fx|Tools");
    copyPadded(gain.version, sizeof gain.version, "1.2.3");
    ASSERT_TRUE(factory->registerClass(gain, [](void*) -> FUnknown* {
        return static_cast<IComponent*>(new ProbeEffect(destroyed));
    }));
    PClassInfoW wide{};
    const Uid otherCid = makeUid(9, 9, 9, 9);
    otherCid.copyTo(wide.cid);
    widenInto(wide.name, 64, "Wide Only");
    ASSERT_TRUE(factory->registerClass(wide, &GainEffect::create));

    IPluginFactory* host = factory;
    for (const Uid* iid : {&IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid}) {
        void* obj = nullptr;
        EXPECT_EQ(host->queryInterface(iid->data(), &obj), kResultOk);
        EXPECT_EQ(obj, static_cast<IPluginFactory3*>(factory));
        host->release();
    }
    PFactoryInfo readBack;
    EXPECT_EQ(host->getFactoryInfo(&readBack), kResultOk);
    EXPECT_STREQ(readBack.vendor, "Vendor");
    EXPECT_EQ(host->getFactoryInfo(nullptr), kInvalidArgument);
    EXPECT_EQ(host->countClasses(), 2);

    PClassInfo plain;
    EXPECT_EQ(host->getClassInfo(0, &plain), kResultOk);
    EXPECT_STREQ(plain.category, "Audio Module Class");
    PClassInfoW unicode;
    EXPECT_EQ(factory->getClassInfoUnicode(0, &unicode), kResultOk);
    EXPECT_EQ(std::u16string(unicode.name, 64), std::u16string(64, u'N'));
    EXPECT_EQ(narrow(unicode.version, 64), "1.2.3");
    EXPECT_STREQ(unicode.subCategories, "Fx|Tools");
    PClassInfo2 extended;
    EXPECT_EQ(factory->getClassInfo2(1, &extended), kResultFalse);  // registered in UTF-16 only
    EXPECT_EQ(factory->getClassInfoUnicode(1, &unicode), kResultOk);
    EXPECT_EQ(narrow(unicode.name), "Wide Only");
    for (int32 index : {-1, 2}) {
        EXPECT_EQ(host->getClassInfo(index, &plain), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(index, &extended), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfoUnicode(index, &unicode), kInvalidArgument);
    }
    EXPECT_EQ(host->getClassInfo(0, nullptr), kInvalidArgument);

    void* obj = &obj;
    EXPECT_EQ(host->createInstance(makeUid(1, 1, 1, 1).data(), IComponent::iid.data(), &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    // The object is made, refuses the interface and must not outlive the call.
    EXPECT_EQ(host->createInstance(gain.cid, IConnectionPoint::iid.data(), &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(host->createInstance(nullptr, IComponent::iid.data(), &obj), kInvalidArgument);
    EXPECT_EQ(host->createInstance(gain.cid, IComponent::iid.data(), nullptr), kInvalidArgument);

    EXPECT_EQ(host->createInstance(gain.cid, IAudioProcessor::iid.data(), &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(static_cast<IAudioProcessor*>(obj)->release(), 0u);  // the host held the only reference
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(host->release(), 0u);
}

namespace {
class RecordingFrame : public vst3host::HostObject<IPlugFrame> {
public:
    tresult resizeView(IPlugView*, ViewRect*) override { return kResultOk; }
};
}  // namespace

TEST(Vst3View, SizeParentAndFrame) {
    const ViewRect initial{0, 0, 470, 322};
    auto* view = new CPluginView(&initial);
    IPlugView* plugView = view;
    ViewRect size{};
    EXPECT_EQ(plugView->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), 470);
    EXPECT_EQ(size.getHeight(), 322);
    EXPECT_EQ(plugView->getSize(nullptr), kInvalidArgument);
    EXPECT_EQ(plugView->onSize(nullptr), kInvalidArgument);
    ViewRect larger{0, 0, 600, 400};
    EXPECT_EQ(plugView->onSize(&larger), kResultTrue);
    plugView->getSize(&size);
    EXPECT_EQ(size.right, 600);

    int parent = 0;
    EXPECT_EQ(plugView->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
    EXPECT_FALSE(view->isAttached());
    EXPECT_EQ(plugView->attached(&parent, kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_TRUE(view->isAttached());
    EXPECT_EQ(plugView->removed(), kResultOk);
    EXPECT_FALSE(view->isAttached());
    EXPECT_EQ(plugView->canResize(), kResultFalse);

    void* obj = nullptr;
    EXPECT_EQ(plugView->queryInterface(IPlugViewContentScaleSupport::iid.data(), &obj), kNoInterface);

    auto* frame = new RecordingFrame;
    EXPECT_EQ(plugView->setFrame(frame), kResultTrue);
    EXPECT_EQ(frame->referenceCount(), 2u);
    EXPECT_EQ(plugView->setFrame(frame), kResultTrue);
    EXPECT_EQ(frame->referenceCount(), 2u);
    EXPECT_EQ(plugView->release(), 0u);  // destroying the view lets go of the frame
    EXPECT_EQ(frame->referenceCount(), 1u);
    frame->release();
}
