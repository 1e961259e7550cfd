// Loads a VST 3 bundle the way a host does: the library inside the bundle, its
// entry call, then the factory; unloads in the reverse order.
#pragma once

#include <memory>
#include <string>

#include "Vst3Interfaces.h"

namespace vst3host {

class Vst3Module {
public:
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    // `path` is a bundle folder (NAME.vst3) or the library file itself. Null with
    // `error` set when the library, an entry point or the factory is missing.
    static std::unique_ptr<Vst3Module> load(const std::string& path, std::string& error);

    // The library inside a bundle folder for this platform.
    static std::string binaryPathOf(const std::string& bundlePath);

    // The module's factory; the module keeps its reference until it unloads.
    vst3::IPluginFactory* factory() const { return pluginFactory; }
    const std::string& binaryPath() const { return binary; }
    // An exported symbol of the module, or null.
    void* symbol(const char* name) const;

private:
    Vst3Module() = default;

    void* library = nullptr;
    bool entered = false;
    vst3::IPluginFactory* pluginFactory = nullptr;
    std::string binary;
};

}  // namespace vst3host
