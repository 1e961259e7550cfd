// The bundle's host metadata, Contents/Resources/moduleinfo.json, written from what
// the loaded module's factory reports, so the file can never disagree with the binary.
#pragma once

#include <string>
#include <vector>

#include "Vst3Interfaces.h"

namespace vst3host {

// A class id as 32 upper-case hex digits: its four words in order, the same text on
// every platform whatever byte order the platform's identifiers travel in.
std::string classIdText(const char cid[16], vst3::UidLayout layout = vst3::kNativeUidLayout);

// The ids of the factory's audio effect classes, in factory order.
std::vector<std::string> effectClassIds(vst3::IPluginFactory* factory);

struct ModuleSnapshot {
    // Relative to the bundle, as the SDK's moduleinfotool writes and checks it:
    // "Contents/Resources/Snapshots/<CID>_snapshot.png".
    std::string path;
    double scale = 1.0;
};

// Snapshot files in the bundle's Contents/Resources/Snapshots whose names start with
// classId: "<CID>_snapshot.png" at scale 1, "<CID>_snapshot_2.0x.png" at scale 2.
std::vector<ModuleSnapshot> findSnapshots(const std::string& bundlePath, const std::string& classId);

// The JSON text of moduleinfo.json for the module named `name` (the bundle's name
// without .vst3) at `version`; empty with `error` set when the factory will not answer.
std::string moduleInfoJson(vst3::IPluginFactory* factory, const std::string& name, const std::string& version,
                           const std::string& bundlePath, std::string& error);

}  // namespace vst3host
