// The module (instance handle) whose images the editor loads.
#pragma once

// Set by a module entry that is told its handle; until then the module that
// contains this code on Windows, and null (the program itself) elsewhere.
void SetModuleInstance(void* instance);
void* ModuleInstance();
