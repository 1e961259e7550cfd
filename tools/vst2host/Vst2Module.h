// Loads a VST 2.4 module from a path the way a host does and finds its entry point.
#pragma once

#include <string>

#include "VstInterface.h"

namespace vst2host {

class Vst2Module {
public:
    Vst2Module() = default;
    ~Vst2Module();
    Vst2Module(const Vst2Module&) = delete;
    Vst2Module& operator=(const Vst2Module&) = delete;

    // Opens the library and looks up `VSTPluginMain`, then `main`. False with a message on failure.
    bool Load(const std::string& path, std::string* error);
    void Unload();

    bool IsLoaded() const { return handle != nullptr; }
    VstPluginMainProc Entry() const { return entry; }
    // Which of the two names the entry was found under ("VSTPluginMain" or "main").
    const std::string& EntryName() const { return entryName; }
    // A named export, or null; used to check that both entry names are exported.
    void* Symbol(const char* name) const;

private:
    void* handle = nullptr;
    VstPluginMainProc entry = nullptr;
    std::string entryName;
};

}  // namespace vst2host
