// The Turtle description of an LV2 bundle, written from the plug-in's own parameter
// table so that names, ranges, defaults, units and display texts have one source.
#pragma once

#include "framework/IEffectBase.h"

#include <string>
#include <vector>

struct Lv2BundleDescription {
  std::string uri;             // the plug-in's URI, kept forever
  std::string dspBinary;       // file names inside the bundle
  std::string uiBinary;        // empty: no editor
  std::string pluginFile;      // the plug-in's Turtle file
  std::string presetFile;      // the presets' Turtle file
  std::vector<std::string> symbols;  // one per parameter
  std::string lampSymbol;      // the lamp output's symbol
  std::string lampName;
  int minorVersion = 0;
  int microVersion = 0;
};

// The URIs the description derives from the plug-in's URI.
std::string Lv2UiUri(const std::string& pluginUri);
std::string Lv2DefaultPresetUri(const std::string& pluginUri);

std::string Lv2ManifestTurtle(const Lv2BundleDescription& bundle);
std::string Lv2PluginTurtle(const IEffectBase& plug, const Lv2BundleDescription& bundle);
// The default settings as the one preset.
std::string Lv2PresetTurtle(const IEffectBase& plug, const Lv2BundleDescription& bundle);
