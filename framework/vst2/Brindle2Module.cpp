// The brindle2 module's plug-in: one Brindle on the VST 2 wrapper per host instance.
#include "Brindle.h"
#include "Vst2Entry.h"

IEffectVST2* CreateModuleEffect(audioMasterCallback hostCallback) { return new Brindle(hostCallback); }
