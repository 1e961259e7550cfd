// Instance creation behind a module's exported entry points, shared by every VST 2.4 module.
#pragma once

#include "IEffectVST2.h"

using Vst2Factory = IEffectVST2* (*)(audioMasterCallback hostCallback);

// Builds one plug-in object for a host; each module defines it for its own plug-in class.
IEffectVST2* CreateModuleEffect(audioMasterCallback hostCallback);

// Creates an instance with factory under the module-wide creation mutex, fills its unset
// presets and returns its effect record; null when creation fails.
AEffect* CreateVst2Effect(audioMasterCallback hostCallback, Vst2Factory factory);

// The module's instance handle (Windows), recorded by the library entry for resource lookups.
void* Vst2ModuleInstance();
void SetVst2ModuleInstance(void* instance);
