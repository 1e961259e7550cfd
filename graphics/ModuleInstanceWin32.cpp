// The module handle on Windows: the library that contains this code, so that a
// plug-in module finds its own resources rather than the host's.
#include "graphics/ModuleInstance.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<void*> moduleInstance{nullptr};
// Any object of this module: its address names the module.
const char moduleMarker = 0;

void* ContainingModule()
{
  HMODULE module = nullptr;
  const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExA(flags, &moduleMarker, &module)) return nullptr;
  return module;
}

}  // namespace

void SetModuleInstance(void* instance) { moduleInstance.store(instance); }

void* ModuleInstance()
{
  void* instance = moduleInstance.load();
  return instance ? instance : ContainingModule();
}
