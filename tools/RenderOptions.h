// Command line of brindle-render: [options] [IN] OUT.
#pragma once

#include "RenderHost.h"

#include <string>
#include <utility>
#include <vector>

struct RenderOptions
{
  std::string inputPath;  // empty: render the built-in demo signal
  std::string outputPath;
  std::string modulePath;  // empty: the plug-in built into the tool
  std::string automationPath;  // empty: no automation
  std::vector<std::pair<std::string, std::string>> params;  // name and value text, in command-line order
  double sampleRate = 0.0;                                  // 0: the input's rate
  int blockSize = 512;
  RenderPrecision precision = RenderPrecision::Double;
  bool listParams = false;
  bool help = false;
  bool version = false;
};

constexpr double kMinSampleRate = 1000.0;
constexpr double kMaxSampleRate = 768000.0;
constexpr int kMaxBlockSize = 65536;

// False with a message for anything the tool cannot run with.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);
std::string RenderUsage();
