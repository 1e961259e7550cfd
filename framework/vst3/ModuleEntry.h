// Module-wide values of the VST 3 module, recorded when the library is loaded.
#pragma once

namespace vst3module {

// The library's handle as the system gave it (HINSTANCE on Windows, the dlopen
// handle on Linux once the host called ModuleEntry), or null.
void* ModuleHandle();
// The handle the editor uses for the module's resources; set by the entry call.
void* EditorModuleHandle();
// The library's folder with its trailing separator (UTF-16 on Windows), or empty.
const wchar_t* ModuleFolder();

}  // namespace vst3module
