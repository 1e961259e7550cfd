// Instance creation and teardown in the order hosts use.
#include "PluginInstance.h"

#include <cstring>

namespace vst3host {

std::unique_ptr<PluginInstance> PluginInstance::create(IPluginFactory* factory, int32 index, FUnknown* host,
                                                       std::string& error) {
    PClassInfo info;
    std::memset(&info, 0, sizeof info);
    if (!factory || factory->getClassInfo(index, &info) != kResultOk) {
        error = "no class " + std::to_string(index);
        return nullptr;
    }
    if (std::strncmp(info.category, kVstAudioEffectClass, sizeof info.category) != 0) {
        error = "class " + std::to_string(index) + " is not an audio effect";
        return nullptr;
    }
    std::unique_ptr<PluginInstance> instance(new PluginInstance);
    void* object = nullptr;
    if (factory->createInstance(info.cid, IComponent::iid.data(), &object) != kResultOk || !object) {
        error = "the factory created no component";
        return nullptr;
    }
    instance->componentPart.reset(static_cast<IComponent*>(object));
    if (instance->componentPart->initialize(host) != kResultOk) {
        error = "initialize failed";
        return nullptr;
    }
    instance->initialized = true;
    instance->processorPart = query<IAudioProcessor>(instance->componentPart.get());
    if (!instance->processorPart) {
        error = "the component is no audio processor";
        return nullptr;
    }
    instance->controllerPart = query<IEditController>(instance->componentPart.get());
    return instance;
}

PluginInstance::~PluginInstance() {
    controllerPart.reset();
    processorPart.reset();
    if (initialized && componentPart) componentPart->terminate();
    componentPart.reset();
}

}  // namespace vst3host
