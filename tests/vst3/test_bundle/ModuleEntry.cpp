// Entry points of the test bundle, as a host looks them up after loading the module.
#include <mutex>

#include "GainEffect.h"
#include "CPluginFactory.h"
#include "Vst3Strings.h"

#ifdef _WIN32
#define BUNDLE_EXPORT extern "C" __declspec(dllexport)
#else
#define BUNDLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace vst3;

std::mutex factoryMutex;
CPluginFactory* liveFactory = nullptr;

// Forgets itself when the host releases the last reference, so a later call rebuilds it.
class BundleFactory : public CPluginFactory {
public:
    using CPluginFactory::CPluginFactory;
    ~BundleFactory() override {
        std::lock_guard<std::mutex> lock(factoryMutex);
        if (liveFactory == this) liveFactory = nullptr;
    }
};

CPluginFactory* makeFactory() {
    PFactoryInfo info{};
    copyPadded(info.vendor, sizeof info.vendor, "Brindle Tests");
    copyPadded(info.url, sizeof info.url, "");
    copyPadded(info.email, sizeof info.email, "");
    info.flags = kUnicode;
    auto* factory = new BundleFactory(info);
    PClassInfo2 gain{};
    testbundle::GainEffect::cid.copyTo(gain.cid);
    gain.cardinality = kManyInstances;
    copyPadded(gain.category, sizeof gain.category, kVstAudioEffectClass);
    copyPadded(gain.name, sizeof gain.name, "Test Gain");
    copyPadded(gain.subCategories, sizeof gain.subCategories, "Fx");
    copyPadded(gain.version, sizeof gain.version, "1.0.0");
    copyPadded(gain.sdkVersion, sizeof gain.sdkVersion, "VST 3.7.14");
    factory->registerClass(gain, &testbundle::GainEffect::create);
    return factory;
}

}  // namespace

BUNDLE_EXPORT IPluginFactory* GetPluginFactory() {
    std::lock_guard<std::mutex> lock(factoryMutex);
    if (liveFactory) {
        liveFactory->addRef();
        return liveFactory;
    }
    liveFactory = makeFactory();
    return liveFactory;
}

#ifdef _WIN32
BUNDLE_EXPORT bool InitDll() { return true; }
BUNDLE_EXPORT bool ExitDll() { return true; }
#else
BUNDLE_EXPORT bool ModuleEntry(void*) { return true; }
BUNDLE_EXPORT bool ModuleExit() { return true; }
#endif
