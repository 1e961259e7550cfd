// What a module's LV2 editor entry points need from the module: its editor-side objects.
#pragma once

#include "framework/lv2/IEffectLV2Ui.h"

// Builds one editor-side plug-in object; each module defines it for its own class.
IEffectLV2Ui* CreateModuleUi(const Lv2UiHost* host);
