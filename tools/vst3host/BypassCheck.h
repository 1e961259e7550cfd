// What a host's validator checks on a plug-in's bypass parameter: the controller takes
// the host's value at once and still reports it after the change has been processed.
#pragma once

#include <string>
#include <vector>

#include "Vst3Interfaces.h"

namespace vst3host {

// Switches the bypass parameter on and off through the controller, each time followed by
// a block that carries the change, as a host's generic editor and its audio thread do.
// Returns one line per fault; empty when all is well or there is no bypass parameter.
// Leaves the plug-in set up for 32-bit samples at 44.1 kHz and inactive.
std::vector<std::string> checkBypassParameter(vst3::IComponent* component, vst3::IAudioProcessor* processor,
                                              vst3::IEditController* controller);

}  // namespace vst3host
