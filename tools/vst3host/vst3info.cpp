// brindle-vst3info BUNDLE: loads a VST 3 bundle as a host does, prints its factory,
// classes, busses and parameters, processes a second of silence through each audio
// effect in both precisions and checks its bypass parameter as a validator does.
// Exit code 0 when every step succeeded. The build also uses it to write the bundle's
// host metadata: --class-ids prints the effect classes' ids, --moduleinfo VERSION
// writes Contents/Resources/moduleinfo.json.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "BypassCheck.h"
#include "HostObjects.h"
#include "ModuleInfo.h"
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

int printClassIds(IPluginFactory* factory) {
    for (const std::string& id : effectClassIds(factory)) std::printf("%s\n", id.c_str());
    return 0;
}

int writeModuleInfo(IPluginFactory* factory, const std::string& version, const std::string& bundle) {
    namespace fs = std::filesystem;
    fs::path folder = fs::u8path(bundle);
    if (!folder.has_filename()) folder = folder.parent_path();  // a trailing separator
    std::string error;
    const std::string json = moduleInfoJson(factory, folder.stem().u8string(), version, bundle, error);
    const fs::path resources = folder / "Contents" / "Resources";
    std::error_code made;
    fs::create_directories(resources, made);
    const fs::path target = resources / "moduleinfo.json";
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (json.empty() || !(out << json) || !(out.flush())) {
        std::fprintf(stderr, "brindle-vst3info: cannot write %s%s%s\n", target.u8string().c_str(),
                     error.empty() ? "" : ": ", error.c_str());
        return 1;
    }
    return 0;
}

const char* const kUsage =
    "usage: brindle-vst3info BUNDLE.vst3\n"
    "       brindle-vst3info --class-ids BUNDLE.vst3\n"
    "       brindle-vst3info --moduleinfo VERSION BUNDLE.vst3\n";

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool moduleInfo = mode == "--moduleinfo";
    const int expected = moduleInfo ? 4 : mode == "--class-ids" ? 3 : 2;
    if (argc != expected || (expected == 2 && mode.compare(0, 1, "-") == 0) || (moduleInfo && !*argv[2])) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string bundle = argv[argc - 1];
    std::string error;
    std::unique_ptr<Vst3Module> module = Vst3Module::load(bundle, error);
    if (!module) {
        std::fprintf(stderr, "brindle-vst3info: %s\n", error.c_str());
        return 1;
    }
    IPluginFactory* factory = module->factory();
    if (mode == "--class-ids") return printClassIds(factory);
    if (moduleInfo) return writeModuleInfo(factory, argv[2], bundle);
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
