// The module's entry: reference-counted init and deinit, and a factory with the one
// plug-in the module carries.
#include <atomic>
#include <cstring>
#include <mutex>

#include "ClapEntry.h"
#include "IEffectCLAP.h"

namespace {

std::mutex entryMutex;
int initCount = 0;
std::atomic<bool> initialized{false};

bool SameId(const char* id) {
    const clap_plugin_descriptor* desc = ModuleDescriptor();
    return id && desc && desc->id && std::strcmp(id, desc->id) == 0;
}

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> uint32_t { return 1; },
    [](const clap_plugin_factory*, uint32_t index) -> const clap_plugin_descriptor* {
        return index == 0 ? ModuleDescriptor() : nullptr;
    },
    [](const clap_plugin_factory*, const clap_host* host, const char* id) -> const clap_plugin* {
        // No call into the host here: that waits for the instance's init.
        if (!initialized || !host || !clap_version_is_compatible(host->clap_version) || !SameId(id)) return nullptr;
        try {
            IEffectCLAP* plug = CreateModuleEffect(host);
            return plug ? plug->Plugin(ModuleDescriptor()) : nullptr;
        } catch (...) {
            return nullptr;
        }
    },
};

// Hosts pair every init with a deinit, but a host and a wrapper inside it may both
// load the module: only the first init and the last deinit count.
bool EntryInit(const char*) {
    std::lock_guard<std::mutex> lock(entryMutex);
    if (initCount++ == 0) initialized = true;
    return true;
}

void EntryDeinit() {
    std::lock_guard<std::mutex> lock(entryMutex);
    if (initCount == 0) return;  // a deinit without its init changes nothing
    if (--initCount == 0) initialized = false;
}

const void* EntryFactory(const char* id) {
    if (!id || std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) != 0) return nullptr;
    return &kFactory;
}

}  // namespace

extern "C" {
CLAP_EXPORT extern const clap_plugin_entry clap_entry;
const clap_plugin_entry clap_entry = {CLAP_VERSION_OURS, EntryInit, EntryDeinit, EntryFactory};
}
