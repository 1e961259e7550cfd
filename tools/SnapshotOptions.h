// Command line of brindle-snapshot: parameter settings, mouse actions and the output.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct SnapshotAction {
  enum Kind { Click, Drag, Wheel };
  Kind kind = Click;
  int x = 0, y = 0;
  int dX = 0, dY = 0;  // drag distance
  int notches = 0;     // wheel
  bool shift = false;  // --fine before the action: Shift held
};

struct SnapshotOptions {
  std::vector<std::pair<std::string, std::string>> params;  // name and value text, in order
  std::vector<SnapshotAction> actions;                      // in command-line order
  std::string outputPath;
  std::string inputPath;  // a sound file played through the plug-in before drawing
  double atSeconds = -1.0;  // where in it to stop; negative: at its end
  bool help = false;
  bool version = false;
};

// False with a message for anything it cannot read.
bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options, std::string& error);

const char* SnapshotUsage();
