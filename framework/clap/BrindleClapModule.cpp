// The brindle.clap module's plug-in: one Brindle on the CLAP wrapper per instance.
#include "Brindle.h"
#include "ClapEntry.h"

namespace {

const char* const kFeatures[] = {"audio-effect", "stereo", "utility", "mixing", "mastering", nullptr};

// The id is kept for ever: hosts store it in their projects.
const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION_OURS,
    "com.orvane.brindle",
    "Brindle",
    "Orvane",
    "",
    "",
    "",
    BRINDLE_VERSION_TEXT,
    "Stereo utility: channel selector, polarity, swap, widening echo, width, panning, mid/side gain and mono check",
    kFeatures,
};

}  // namespace

const clap_plugin_descriptor* ModuleDescriptor() { return &kDescriptor; }

IEffectCLAP* CreateModuleEffect(const clap_host* host) { return new Brindle(host); }
