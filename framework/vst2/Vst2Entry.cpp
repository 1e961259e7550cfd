// Serialized instance creation for the exported entry points.
#include "Vst2Entry.h"

#include <algorithm>
#include <mutex>

namespace {

void* moduleInstance = nullptr;

std::mutex& CreationMutex() {
    // Created on first use and kept until the module unloads.
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void* Vst2ModuleInstance() { return moduleInstance; }

void SetVst2ModuleInstance(void* instance) { moduleInstance = instance; }

AEffect* CreateVst2Effect(audioMasterCallback hostCallback, Vst2Factory factory) {
    if (!factory) return nullptr;
    try {
        std::lock_guard<std::mutex> lock(CreationMutex());
        IEffectVST2* plug = factory(hostCallback);
        if (!plug) return nullptr;
        plug->FillUnsetPresets(plug->PresetCount());
        AEffect* effect = plug->Effect();
        effect->numPrograms = std::max(effect->numPrograms, 1);
        return effect;
    } catch (...) {
        return nullptr;
    }
}
