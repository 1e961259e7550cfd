// Entry points of the VST 3 module: the library attach, the host's entry and exit
// calls, the factory with its one class description and the create function.
#include "ModuleEntry.h"

#include <mutex>

#include "Brindle.h"
#include "BrindleVersion.h"
#include "CPluginFactory.h"
#include "Vst3Strings.h"

#ifdef _WIN32
#include <windows.h>
#define BRINDLE_EXPORT extern "C" __declspec(dllexport)
#else
#define BRINDLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace vst3;

namespace {

void* moduleHandle = nullptr;
void* editorModuleHandle = nullptr;
wchar_t moduleFolder[260] = {};

std::mutex& FactoryMutex() {
    static std::mutex mutex;
    return mutex;
}
CPluginFactory* factory = nullptr;

// Forgets the global when the host releases the last reference, so that the next
// GetPluginFactory builds a new one.
class BrindleFactory : public CPluginFactory {
public:
    using CPluginFactory::CPluginFactory;
    ~BrindleFactory() override {
        std::lock_guard<std::mutex> lock(FactoryMutex());
        if (factory == this) factory = nullptr;
    }
};

const PFactoryInfo& FactoryDescription() {
    static const PFactoryInfo info = [] {
        PFactoryInfo description{};
        copyPadded(description.vendor, sizeof description.vendor, "Orvane");
        copyPadded(description.url, sizeof description.url, "");
        copyPadded(description.email, sizeof description.email, "");
        description.flags = kUnicode;
        return description;
    }();
    return info;
}

const PClassInfo2& ClassDescription() {
    static const PClassInfo2 info = [] {
        PClassInfo2 description{};
        makeUid(0x6B1D39A4, 0x5E20471C, static_cast<uint32>(Brindle::FourCharCode("Zqmk")),
                static_cast<uint32>(Brindle::FourCharCode("Zqbr")))
            .copyTo(description.cid);
        description.cardinality = kManyInstances;
        copyPadded(description.category, sizeof description.category, kVstAudioEffectClass);
        copyPadded(description.name, sizeof description.name, "Brindle");
        description.classFlags = kSimpleModeSupported;
        copyPadded(description.subCategories, sizeof description.subCategories, "Fx|Spatial");
        copyPadded(description.vendor, sizeof description.vendor, "");
        copyPadded(description.version, sizeof description.version, BRINDLE_VERSION_STRING);
        copyPadded(description.sdkVersion, sizeof description.sdkVersion, "VST 3.6.6");
        return description;
    }();
    return info;
}

// Serializes construction: two host threads creating instances build them in turn.
FUnknown* CreatePlugin(void*) {
    static std::mutex creationMutex;
    std::lock_guard<std::mutex> lock(creationMutex);
    Brindle* plugin = new Brindle(nullptr);
    return static_cast<IAudioProcessor*>(plugin);
}

}  // namespace

namespace vst3module {
void* ModuleHandle() { return moduleHandle; }
void* EditorModuleHandle() { return editorModuleHandle; }
const wchar_t* ModuleFolder() { return moduleFolder; }
}  // namespace vst3module

BRINDLE_EXPORT IPluginFactory* GetPluginFactory() {
    std::lock_guard<std::mutex> lock(FactoryMutex());
    if (factory) {
        factory->addRef();
        return factory;
    }
    factory = new BrindleFactory(FactoryDescription());
    factory->registerClass(ClassDescription(), &CreatePlugin);
    return factory;
}

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    moduleHandle = instance;
    const DWORD length = GetModuleFileNameW(instance, moduleFolder, 260);
    if (length == 0 || length >= 260) {
        moduleFolder[0] = 0;
        return TRUE;
    }
    // Keep the folder with its trailing backslash.
    for (DWORD i = length; i > 0; --i) {
        if (moduleFolder[i - 1] == L'\\') {
            moduleFolder[i] = 0;
            break;
        }
    }
    return TRUE;
}

BRINDLE_EXPORT bool InitDll() {
    editorModuleHandle = moduleHandle;
    return true;
}

BRINDLE_EXPORT bool ExitDll() { return true; }
#else
BRINDLE_EXPORT bool ModuleEntry(void* sharedLibraryHandle) {
    moduleHandle = sharedLibraryHandle;
    editorModuleHandle = sharedLibraryHandle;
    return true;
}

BRINDLE_EXPORT bool ModuleExit() { return true; }

// Hosts written for the Windows entry names find them here too.
BRINDLE_EXPORT bool InitDll() { return true; }
BRINDLE_EXPORT bool ExitDll() { return true; }
#endif
