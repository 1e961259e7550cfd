// Bundle loading with dlopen (Linux) or LoadLibraryW (Windows).
#include "Vst3Module.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vst3host {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char* const kArchitectureFolder = "x86_64-win";
const char* const kBinarySuffix = ".vst3";

void* openLibrary(const std::string& path, std::string& error) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), units);
    HMODULE handle = LoadLibraryW(wide.c_str());
    if (!handle) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(handle);
}
void* symbolOf(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
#else
const char* const kArchitectureFolder = "x86_64-linux";
const char* const kBinarySuffix = ".so";

void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown error");
    }
    return handle;
}
void* symbolOf(void* library, const char* name) { return dlsym(library, name); }
void closeLibrary(void* library) { dlclose(library); }
#endif

using EntryProc = bool (*)(void*);
using InitProc = bool (*)();
using ExitProc = bool (*)();

template <class Function>
Function entry(void* library, const char* name) {
    return reinterpret_cast<Function>(symbolOf(library, name));
}

}  // namespace

std::string Vst3Module::binaryPathOf(const std::string& bundlePath) {
    fs::path bundle = fs::u8path(bundlePath);
    if (!bundle.has_filename()) bundle = bundle.parent_path();
    const std::string name = bundle.stem().u8string();
    return (bundle / "Contents" / kArchitectureFolder / (name + kBinarySuffix)).u8string();
}

std::unique_ptr<Vst3Module> Vst3Module::load(const std::string& path, std::string& error) {
    std::error_code ignored;
    std::unique_ptr<Vst3Module> module(new Vst3Module);
    module->binary = fs::is_directory(fs::u8path(path), ignored) ? binaryPathOf(path) : path;
    if (!fs::exists(fs::u8path(module->binary), ignored)) {
        error = "no module binary at " + module->binary;
        return nullptr;
    }
    module->library = openLibrary(module->binary, error);
    if (!module->library) return nullptr;

    auto getFactory = entry<vst3::GetFactoryProc>(module->library, "GetPluginFactory");
    if (!getFactory) {
        error = "GetPluginFactory is not exported";
        return nullptr;
    }
#ifdef _WIN32
    if (auto init = entry<InitProc>(module->library, "InitDll"); init && !init()) {
        error = "InitDll failed";
        return nullptr;
    }
    module->entered = true;
#else
    auto moduleEntry = entry<EntryProc>(module->library, "ModuleEntry");
    if (!moduleEntry || !entry<ExitProc>(module->library, "ModuleExit")) {
        error = "ModuleEntry or ModuleExit is not exported";
        return nullptr;
    }
    if (!moduleEntry(module->library)) {
        error = "ModuleEntry failed";
        return nullptr;
    }
    module->entered = true;
#endif
    module->pluginFactory = getFactory();
    if (!module->pluginFactory) {
        error = "GetPluginFactory returned no factory";
        return nullptr;
    }
    return module;
}

void* Vst3Module::symbol(const char* name) const { return library && name ? symbolOf(library, name) : nullptr; }

Vst3Module::~Vst3Module() {
    if (!library) return;
    if (pluginFactory) pluginFactory->release();
    // The exit call pairs with a successful entry call only.
    if (entered) {
#ifdef _WIN32
        if (auto exitDll = entry<ExitProc>(library, "ExitDll")) exitDll();
#else
        if (auto moduleExit = entry<ExitProc>(library, "ModuleExit")) moduleExit();
#endif
    }
    closeLibrary(library);
}

}  // namespace vst3host
