// The module handle on Linux: images are carried by the binary itself.
#include "graphics/ModuleInstance.h"

#include <atomic>

namespace {
std::atomic<void*> moduleInstance{nullptr};
}

void SetModuleInstance(void* instance) { moduleInstance.store(instance); }
void* ModuleInstance() { return moduleInstance.load(); }
