// brindle-vst3info BUNDLE: loads a VST 3 bundle as a host does, prints its factory,
// classes, busses and parameters, processes a second of silence through each audio
// effect in both precisions and checks its bypass parameter as a validator does.
// Exit code 0 when every step succeeded.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "BypassCheck.h"
#include "HostObjects.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "Vst3Module.h"

using namespace vst3;
using namespace vst3host;

namespace {

std::string narrowText(const char16* text, int limit) {
    std::string result;
    for (int i = 0; i < limit && text[i]; ++i) result.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    return result;
}

std::string field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

bool describeInstance(PluginInstance& instance) {
    IComponent* component = instance.component();
    for (BusDirection dir : {kInput, kOutput}) {
        for (int32 i = 0; i < component->getBusCount(kAudio, dir); ++i) {
            BusInfo bus{};
            if (component->getBusInfo(kAudio, dir, i, bus) != kResultOk) return false;
            std::printf("  audio %s bus %d: \"%s\", %d channels\n", dir == kInput ? "input" : "output", i,
                        narrowText(bus.name, 128).c_str(), bus.channelCount);
            component->activateBus(kAudio, dir, i, 1);
        }
    }
    if (IEditController* controller = instance.controller()) {
        for (int32 i = 0; i < controller->getParameterCount(); ++i) {
            ParameterInfo info{};
            if (controller->getParameterInfo(i, info) != kResultOk) return false;
            String128 shown = {};
            controller->getParamStringByValue(info.id, controller->getParamNormalized(info.id), shown);
            std::printf("  parameter %2d id 0x%08X \"%s\" = %s %s (steps %d, flags 0x%X)\n", i, info.id,
                        narrowText(info.title, 128).c_str(), narrowText(shown, 128).c_str(),
                        narrowText(info.units, 128).c_str(), info.stepCount, info.flags);
        }
    }
    for (int32 size : {int32(kSample32), int32(kSample64)}) {
        if (instance.processor()->canProcessSampleSize(size) != kResultOk) continue;
        ProcessSetup setup{kRealtime, size, 512, 48000.0};
        if (instance.processor()->setupProcessing(setup) != kResultOk) return false;
        component->setActive(1);
        ProcessBuffers buffers(size, 2, 2, 512);
        bool finite = true;
        for (int block = 0; block < 94; ++block) {
            if (instance.processor()->process(buffers.prepare(512)) != kResultOk) return false;
            for (int32 f = 0; f < 512; ++f) finite = finite && std::isfinite(buffers.output(0, f));
        }
        component->setActive(0);
        std::printf("  processed 1 s of silence in %d-bit samples: %s\n", size == kSample64 ? 64 : 32,
                    finite ? "finite output" : "NON-FINITE OUTPUT");
        if (!finite) return false;
    }
    const std::vector<std::string> faults =
        checkBypassParameter(component, instance.processor(), instance.controller());
    for (const std::string& fault : faults) std::printf("  bypass parameter: %s\n", fault.c_str());
    if (faults.empty()) std::printf("  bypass parameter: ok\n");
    return faults.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brindle-vst3info BUNDLE.vst3\n");
        return 2;
    }
    std::string error;
    std::unique_ptr<Vst3Module> module = Vst3Module::load(argv[1], error);
    if (!module) {
        std::fprintf(stderr, "brindle-vst3info: %s\n", error.c_str());
        return 1;
    }
    IPluginFactory* factory = module->factory();
    PFactoryInfo info{};
    factory->getFactoryInfo(&info);
    std::printf("module %s\nvendor \"%s\", flags 0x%X, %d classes\n", module->binaryPath().c_str(),
                field(info.vendor, sizeof info.vendor).c_str(), info.flags, factory->countClasses());
    Owned<IPluginFactory2> factory2 = query<IPluginFactory2>(factory);
    auto* host = new HostApplication;
    bool ok = true;
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 description{};
        if (!factory2 || factory2->getClassInfo2(i, &description) != kResultOk) {
            PClassInfo plain{};
            factory->getClassInfo(i, &plain);
            std::memcpy(&description, &plain, sizeof plain);
        }
        std::printf("class %d \"%s\": %s, sub-categories \"%s\", version \"%s\", %s\n", i,
                    field(description.name, sizeof description.name).c_str(),
                    field(description.category, sizeof description.category).c_str(),
                    field(description.subCategories, sizeof description.subCategories).c_str(),
                    field(description.version, sizeof description.version).c_str(),
                    field(description.sdkVersion, sizeof description.sdkVersion).c_str());
        if (std::strncmp(description.category, kVstAudioEffectClass, sizeof description.category) != 0) continue;
        std::unique_ptr<PluginInstance> instance = PluginInstance::create(factory, i, host, error);
        if (!instance || !describeInstance(*instance)) {
            std::printf("  FAILED%s%s\n", instance ? "" : ": ", instance ? "" : error.c_str());
            ok = false;
        }
    }
    host->release();
    return ok ? 0 : 1;
}
