// One plug-in instance created through a module's factory, with the interfaces a
// host drives: component, audio processor and edit controller (single component).
#pragma once

#include <memory>
#include <string>

#include "HostObjects.h"

namespace vst3host {

class PluginInstance {
public:
    // Creates class `index` of the factory and initializes it with `host`. Null with
    // `error` set when the class is no audio effect or any step fails.
    static std::unique_ptr<PluginInstance> create(IPluginFactory* factory, int32 index, FUnknown* host,
                                                  std::string& error);
    ~PluginInstance();

    IComponent* component() const { return componentPart.get(); }
    IAudioProcessor* processor() const { return processorPart.get(); }
    // Null when the controller is a separate class, which this harness does not connect.
    IEditController* controller() const { return controllerPart.get(); }

private:
    PluginInstance() = default;

    Owned<IComponent> componentPart;
    Owned<IAudioProcessor> processorPart;
    Owned<IEditController> controllerPart;
    bool initialized = false;
};

}  // namespace vst3host
