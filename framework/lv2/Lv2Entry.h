// What a module's LV2 entry points need from the module: its plug-in objects.
#pragma once

#include "framework/lv2/IEffectLV2.h"

// Builds one plug-in object for a host instance; each module defines it for its own class.
IEffectLV2* CreateModuleEffect(const LV2_Feature* const* features);
// The module's own extension data for uri beyond the wrapper's, or null.
const void* ModuleExtensionData(const char* uri);
