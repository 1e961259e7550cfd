// The exported lv2_descriptor of a DSP module and the instance calls it hands out.
// No exception may reach the host.
#include "framework/lv2/Lv2Entry.h"

#include <cstring>
#include <memory>

namespace {

IEffectLV2* Plug(LV2_Handle instance) { return static_cast<IEffectLV2*>(instance); }

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  try {
    std::unique_ptr<IEffectLV2> plug(CreateModuleEffect(features));
    if (!plug || !plug->LegalIO(2, 2) || !plug->Setup(rate)) return nullptr;
    return plug.release();
  } catch (...) {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
  if (instance) Plug(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance) {
  try {
    if (instance) Plug(instance)->Activate();
  } catch (...) {
  }
}

void Run(LV2_Handle instance, uint32_t frames) {
  try {
    if (instance) Plug(instance)->Run(frames);
  } catch (...) {
  }
}

void Deactivate(LV2_Handle instance) {
  try {
    if (instance) Plug(instance)->Deactivate();
  } catch (...) {
  }
}

void Cleanup(LV2_Handle instance) { delete Plug(instance); }

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
  try {
    return instance ? Plug(instance)->SaveLv2State(store, handle) : LV2_STATE_ERR_UNKNOWN;
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*) {
  try {
    return instance ? Plug(instance)->RestoreLv2State(retrieve, handle) : LV2_STATE_ERR_UNKNOWN;
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const LV2_State_Interface stateInterface = {Save, Restore};

const void* ExtensionData(const char* uri) {
  if (!uri) return nullptr;
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &stateInterface;
  return ModuleExtensionData(uri);
}

const LV2_Descriptor descriptor = {BRINDLE_LV2_URI, Instantiate, ConnectPort, Activate, Run,
                                   Deactivate,      Cleanup,     ExtensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
