// What a CLAP module gives the shared entry: its one descriptor and a way to make
// its plug-in for a host.
#pragma once

#include "ClapInterface.h"

class IEffectCLAP;

const clap_plugin_descriptor* ModuleDescriptor();
// A new instance for host, or null; the caller hands the host its record.
IEffectCLAP* CreateModuleEffect(const clap_host* host);
