// The test module's plug-in class behind the shared VST 2.4 exports.
#include "TestEffect.h"
#include "Vst2Entry.h"

IEffectVST2* CreateModuleEffect(audioMasterCallback hostCallback) { return new TestEffect(hostCallback); }
