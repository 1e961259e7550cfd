// The exported entry points of a VST 2.4 module, compiled into each module beside its
// CreateModuleEffect: VSTPluginMain, the legacy main, and the Windows library entry.
#include "Vst2Entry.h"

#if defined(_WIN32)
#include <windows.h>
#define BRINDLE_VST_EXPORT __declspec(dllexport)
#else
#define BRINDLE_VST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

BRINDLE_VST_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback hostCallback) {
    return CreateVst2Effect(hostCallback, &CreateModuleEffect);
}

// C++ allows no `::main` returning a pointer; the assembler name gives the export its legacy name.
BRINDLE_VST_EXPORT AEffect* VSTCALLBACK LegacyVstMain(audioMasterCallback hostCallback) __asm__("main");
AEffect* VSTCALLBACK LegacyVstMain(audioMasterCallback hostCallback) { return VSTPluginMain(hostCallback); }

}  // extern "C"

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    SetVst2ModuleInstance(instance);
    return TRUE;
}
#endif
