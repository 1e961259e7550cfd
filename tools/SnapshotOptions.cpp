// Command line of brindle-snapshot.
#include "SnapshotOptions.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// Exactly count comma-separated integers.
bool ReadIntegers(const std::string& text, int count, int* out)
{
  const char* p = text.c_str();
  for (int i = 0; i < count; ++i) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p || errno != 0 || v < INT_MIN / 2 || v > INT_MAX / 2) return false;
    out[i] = int(v);
    p = end;
    if (i + 1 < count) {
      if (*p != ',') return false;
      ++p;
    }
  }
  return *p == '\0';
}

}  // namespace

const char* SnapshotUsage()
{
  return "usage: brindle-snapshot [options] OUT.png\n"
         "Draws Brindle's editor once, as an opened window would, applies the mouse\n"
         "actions in order and writes the whole editor as a PNG.\n"
         "  --param NAME=VALUE  set a parameter (as a loaded state) before drawing\n"
         "  --click X,Y         press and release the left button at X,Y\n"
         "  --drag X,Y,DX,DY    press at X,Y, move by DX,DY, release\n"
         "  --wheel X,Y,N       turn the wheel N notches at X,Y\n"
         "  --fine              hold Shift during the next action\n"
         "  --version           print the version and exit\n"
         "  --input FILE        play FILE through the plug-in with the editor open before\n"
         "                      drawing, so the meters show it (mono files feed both channels)\n"
         "  --at SECONDS        stop playing at this time (after the end: silence follows);\n"
         "                      default: the end of FILE\n"
         "  --help              show this text\n";
}

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options, std::string& error)
{
  bool fine = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--param" || arg == "--click" || arg == "--drag" || arg == "--wheel" ||
                            arg == "--input" || arg == "--at";
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--version") {
      options.version = true;
      continue;
    }
    if (arg == "--fine") {
      fine = true;
      continue;
    }
    if (takesValue && i + 1 >= args.size()) {
      error = arg + " needs a value";
      return false;
    }
    if (arg == "--input") {
      options.inputPath = args[++i];
      if (options.inputPath.empty()) {
        error = "--input needs a file";
        return false;
      }
    } else if (arg == "--at") {
      const std::string& value = args[++i];
      char* end = nullptr;
      const double seconds = std::strtod(value.c_str(), &end);
      // An hour at most: the whole time is played, sample by sample.
      if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0.0 || seconds > 3600.0) {
        error = "--at expects seconds from 0 to 3600, not '" + value + "'";
        return false;
      }
      options.atSeconds = seconds;
    } else if (arg == "--param") {
      const std::string& setting = args[++i];
      const size_t equals = setting.find('=');
      if (equals == std::string::npos || equals == 0) {
        error = "--param expects NAME=VALUE, not '" + setting + "'";
        return false;
      }
      options.params.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
    } else if (takesValue) {
      SnapshotAction action;
      int v[4] = {};
      const std::string& value = args[++i];
      const int count = arg == "--drag" ? 4 : (arg == "--wheel" ? 3 : 2);
      if (!ReadIntegers(value, count, v)) {
        error = arg + " expects " + std::to_string(count) + " comma-separated integers, not '" + value + "'";
        return false;
      }
      action.x = v[0];
      action.y = v[1];
      if (arg == "--drag") {
        action.kind = SnapshotAction::Drag;
        action.dX = v[2];
        action.dY = v[3];
      } else if (arg == "--wheel") {
        action.kind = SnapshotAction::Wheel;
        action.notches = v[2];
      }
      action.shift = fine;
      fine = false;
      options.actions.push_back(action);
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (options.outputPath.empty()) {
      options.outputPath = arg;
    } else {
      error = "only one output file, not also '" + arg + "'";
      return false;
    }
  }
  if (!options.help && !options.version && options.outputPath.empty()) {
    error = "no output file";
    return false;
  }
  if (options.atSeconds >= 0.0 && options.inputPath.empty()) {
    error = "--at needs --input";
    return false;
  }
  return true;
}
