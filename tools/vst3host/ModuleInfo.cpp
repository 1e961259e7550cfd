// moduleinfo.json from the factory: its info, each class's description and the
// snapshots the bundle carries.
#include "ModuleInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "HostObjects.h"

namespace vst3host {

using namespace vst3;
namespace fs = std::filesystem;

namespace {

std::string field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* boolean(bool value) { return value ? "true" : "false"; }

// Splits "Fx|Spatial" into its parts; empty parts are dropped.
std::vector<std::string> subCategories(const std::string& joined) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        const size_t bar = std::min(joined.find('|', start), joined.size());
        if (bar > start) parts.push_back(joined.substr(start, bar - start));
        start = bar + 1;
    }
    return parts;
}

bool classDescription(IPluginFactory* factory, int32 index, PClassInfo2& description) {
    Owned<IPluginFactory2> factory2 = query<IPluginFactory2>(factory);
    description = PClassInfo2{};
    if (factory2 && factory2->getClassInfo2(index, &description) == kResultOk) return true;
    PClassInfo plain{};
    if (factory->getClassInfo(index, &plain) != kResultOk) return false;
    std::memcpy(&description, &plain, sizeof plain);
    return true;
}

}  // namespace

std::string classIdText(const char cid[16], UidLayout layout) {
    const auto byte = [cid](int i) { return static_cast<unsigned>(static_cast<unsigned char>(cid[i])); };
    // Word-order positions of the 16 bytes: COM keeps the first three fields little-endian.
    static const int kComOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    char digits[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", byte(layout == UidLayout::Com ? kComOrder[i] : i));
        text += digits;
    }
    return text;
}

std::vector<std::string> effectClassIds(IPluginFactory* factory) {
    std::vector<std::string> ids;
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 description;
        if (!classDescription(factory, i, description)) continue;
        if (std::strncmp(description.category, kVstAudioEffectClass, sizeof description.category) != 0) continue;
        ids.push_back(classIdText(description.cid));
    }
    return ids;
}

std::vector<ModuleSnapshot> findSnapshots(const std::string& bundlePath, const std::string& classId) {
    std::vector<ModuleSnapshot> found;
    std::error_code error;
    const fs::path folder = fs::u8path(bundlePath) / "Contents" / "Resources" / "Snapshots";
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().u8string();
        const std::string stem = classId + "_snapshot";
        if (name.compare(0, stem.size(), stem) != 0 || entry.path().extension() != ".png") continue;
        ModuleSnapshot snapshot{"Contents/Resources/Snapshots/" + name, 1.0};
        // "_snapshot_2.0x.png": the scale stands between the last '_' and the last 'x'.
        const std::string rest = name.substr(stem.size(), name.size() - stem.size() - 4);
        if (!rest.empty()) {
            if (rest.size() < 3 || rest.front() != '_' || rest.back() != 'x') continue;
            char* end = nullptr;
            const std::string number = rest.substr(1, rest.size() - 2);
            snapshot.scale = std::strtod(number.c_str(), &end);
            if (end != number.c_str() + number.size() || !(snapshot.scale > 0.0)) continue;
        }
        found.push_back(snapshot);
    }
    std::sort(found.begin(), found.end(),
              [](const ModuleSnapshot& a, const ModuleSnapshot& b) { return a.scale < b.scale; });
    return found;
}

std::string moduleInfoJson(IPluginFactory* factory, const std::string& name, const std::string& version,
                           const std::string& bundlePath, std::string& error) {
    PFactoryInfo info{};
    if (factory->getFactoryInfo(&info) != kResultOk) {
        error = "the factory gives no factory info";
        return {};
    }
    const std::string factoryVendor = field(info.vendor, sizeof info.vendor);
    std::string json = "{\n  \"Name\": " + jsonString(name) + ",\n  \"Version\": " + jsonString(version) + ",\n";
    json += "  \"Factory Info\": {\n    \"Vendor\": " + jsonString(factoryVendor) +
            ",\n    \"URL\": " + jsonString(field(info.url, sizeof info.url)) +
            ",\n    \"E-Mail\": " + jsonString(field(info.email, sizeof info.email)) + ",\n    \"Flags\": {\n";
    json += std::string("      \"Unicode\": ") + boolean(info.flags & kUnicode) + ",\n";
    json += std::string("      \"Classes Discardable\": ") + boolean(info.flags & kClassesDiscardable) + ",\n";
    json += std::string("      \"Component Non Discardable\": ") + boolean(info.flags & kComponentNonDiscardable) +
            "\n    }\n  },\n  \"Classes\": [";
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 description;
        if (!classDescription(factory, i, description)) {
            error = "the factory gives no description of class " + std::to_string(i);
            return {};
        }
        const std::string cid = classIdText(description.cid);
        // Hosts show the factory's vendor for a class that names none.
        std::string vendor = field(description.vendor, sizeof description.vendor);
        if (vendor.empty()) vendor = factoryVendor;
        json += i == 0 ? "\n" : ",\n";
        json += "    {\n      \"CID\": " + jsonString(cid) +
                ",\n      \"Category\": " + jsonString(field(description.category, sizeof description.category)) +
                ",\n      \"Name\": " + jsonString(field(description.name, sizeof description.name)) +
                ",\n      \"Vendor\": " + jsonString(vendor) +
                ",\n      \"Version\": " + jsonString(field(description.version, sizeof description.version)) +
                ",\n      \"SDKVersion\": " + jsonString(field(description.sdkVersion, sizeof description.sdkVersion)) +
                ",\n      \"Sub Categories\": [";
        const std::vector<std::string> parts =
            subCategories(field(description.subCategories, sizeof description.subCategories));
        for (size_t p = 0; p < parts.size(); ++p) json += (p ? ", " : "") + jsonString(parts[p]);
        json += "],\n      \"Class Flags\": " + std::to_string(description.classFlags) +
                ",\n      \"Cardinality\": " + std::to_string(description.cardinality) + ",\n      \"Snapshots\": [";
        const std::vector<ModuleSnapshot> snapshots = findSnapshots(bundlePath, cid);
        for (size_t s = 0; s < snapshots.size(); ++s) {
            char scale[32];
            std::snprintf(scale, sizeof scale, "%.1f", snapshots[s].scale);
            json += std::string(s ? "," : "") + "\n        {\"Path\": " + jsonString(snapshots[s].path) +
                    ", \"Scale Factor\": " + scale + "}";
        }
        json += snapshots.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    json += "\n  ]\n}\n";
    return json;
}

}  // namespace vst3host
