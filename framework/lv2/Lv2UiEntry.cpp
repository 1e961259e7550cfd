// The exported lv2ui_descriptor of an editor module. No exception may reach the host.
#include "framework/lv2/Lv2UiEntry.h"

#include <cstring>
#include <memory>

namespace {

// The host's calls and the plug-in object, together for the instance's life.
struct UiInstance {
  Lv2UiHost host;
  std::unique_ptr<IEffectLV2Ui> plug;
};

UiInstance* Instance(LV2UI_Handle handle) { return static_cast<UiInstance*>(handle); }

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  try {
    if (!pluginUri || std::strcmp(pluginUri, BRINDLE_LV2_URI) != 0) return nullptr;
    auto instance = std::make_unique<UiInstance>();
    instance->host = Lv2UiHost{write, controller, features};
    instance->plug.reset(CreateModuleUi(&instance->host));
    if (!instance->plug) return nullptr;
    void* window = instance->plug->OpenEditor();
    if (!window) return nullptr;
    if (widget) *widget = window;
    return instance.release();
  } catch (...) {
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle handle) {
  try {
    delete Instance(handle);
  } catch (...) {
  }
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  try {
    if (handle) Instance(handle)->plug->PortEvent(port, size, format, buffer);
  } catch (...) {
  }
}

int Idle(LV2UI_Handle handle) {
  try {
    return handle ? Instance(handle)->plug->Idle() : 1;
  } catch (...) {
    return 1;
  }
}

const LV2UI_Idle_Interface idleInterface = {Idle};

const void* ExtensionData(const char* uri) {
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  return nullptr;
}

const LV2UI_Descriptor descriptor = {BRINDLE_LV2_URI "#ui", Instantiate, Cleanup, PortEvent, ExtensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
