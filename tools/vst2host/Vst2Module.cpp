// Library loading for the host harness: LoadLibrary on Windows, dlopen elsewhere.
#include "Vst2Module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vst2host {

Vst2Module::~Vst2Module() { Unload(); }

void* Vst2Module::Symbol(const char* name) const {
    if (!handle) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

bool Vst2Module::Load(const std::string& path, std::string* error) {
    Unload();
#if defined(_WIN32)
    handle = LoadLibraryA(path.c_str());
    if (!handle) {
        if (error) *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
#else
    // Local and lazy, as hosts do, so the module's `main` never meets the host's own.
    handle = dlopen(path.c_str(), RTLD_LOCAL | RTLD_LAZY);
    if (!handle) {
        const char* message = dlerror();
        if (error) *error = "cannot load " + path + ": " + (message ? message : "unknown error");
        return false;
    }
#endif
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = Symbol(name)) {
            entry = reinterpret_cast<VstPluginMainProc>(symbol);
            entryName = name;
            return true;
        }
    }
    if (error) *error = path + " exports neither VSTPluginMain nor main";
    Unload();
    return false;
}

void Vst2Module::Unload() {
    if (handle) {
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
        dlclose(handle);
#endif
    }
    handle = nullptr;
    entry = nullptr;
    entryName.clear();
}

}  // namespace vst2host
