// brindle-lv2-ttl FOLDER: writes the bundle's Turtle files (manifest, plug-in, preset)
// from the plug-in's own parameter table, at build time.
#include "framework/lv2/BrindleLv2Module.h"
#include "framework/lv2/Lv2Entry.h"
#include "framework/lv2/Lv2Turtle.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) std::fprintf(stderr, "brindle-lv2-ttl: cannot write %s\n", path.c_str());
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brindle-lv2-ttl FOLDER\n");
    return 2;
  }
  std::unique_ptr<IEffectLV2> plug(CreateModuleEffect(nullptr));
  if (!plug) return 1;
  Lv2BundleDescription bundle;
  bundle.uri = BRINDLE_LV2_URI;
  bundle.dspBinary = BRINDLE_LV2_DSP_BINARY;
  bundle.uiBinary = BRINDLE_LV2_UI_BINARY;
  bundle.pluginFile = "brindle.ttl";
  bundle.presetFile = "presets.ttl";
  bundle.symbols.assign(kBrindlePortSymbols, kBrindlePortSymbols + kBrindlePortSymbolCount);
  bundle.lampSymbol = kBrindleLampSymbol;
  bundle.lampName = "Mono Input";
  bundle.minorVersion = BRINDLE_VERSION_MINOR;
  bundle.microVersion = BRINDLE_VERSION_PATCH;
  const std::string folder = std::string(argv[1]) + "/";
  const bool written = WriteFile(folder + "manifest.ttl", Lv2ManifestTurtle(bundle)) &&
                       WriteFile(folder + bundle.pluginFile, Lv2PluginTurtle(*plug, bundle)) &&
                       WriteFile(folder + bundle.presetFile, Lv2PresetTurtle(*plug, bundle));
  return written ? 0 : 1;
}
