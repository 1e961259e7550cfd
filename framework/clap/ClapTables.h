// The function tables a CLAP host calls: the instance record and the extensions,
// each entry a thunk onto IEffectCLAP that lets no exception reach the host.
#pragma once

#include "ClapInterface.h"

class IEffectCLAP;

namespace clap_tables {

// The instance record for plugin, with desc as its descriptor.
clap_plugin PluginRecord(const clap_plugin_descriptor* desc, IEffectCLAP* plugin);

// The plug-in side of an extension, or null for ids we do not implement.
const void* Extension(const char* id);

}  // namespace clap_tables
