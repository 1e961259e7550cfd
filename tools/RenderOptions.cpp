// Command-line parsing of brindle-render.
#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace
{
bool ParseNumber(const std::string& text, double& value)
{
  if (text.empty())
    return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(begin, &end);
  if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}

// Accepts both "--name value" and "--name=value".
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name, const std::string& inlineValue,
               bool hasInline, std::string& value, std::string& error)
{
  if (hasInline)
  {
    value = inlineValue;
    return true;
  }
  if (i + 1 >= args.size())
  {
    error = name + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}
}  // namespace

std::string RenderUsage()
{
  return "usage: brindle-render [options] [IN] OUT\n"
         "Runs the plug-in on IN (or on a built-in 10-second demo when IN is left out) and writes OUT.\n"
         "The plug-in is the one built into the tool, or a module given with --module.\n"
         "Files: .wav, .flac, .aif/.aiff (native build) and .f64 (raw interleaved stereo little-endian float64).\n"
         "A mono IN is fed to both channels; more than two channels are refused. OUT is stereo, its type\n"
         "follows its extension and it keeps IN's sample format where that type allows (FLAC holds at most\n"
         "24 bits; the demo is 24-bit; .f64 is always float64). OUT is replaced only once it is complete.\n"
         "options:\n"
         "  --param NAME=VALUE         set a parameter in plain units or by its display text (repeatable),\n"
         "                             e.g. --param \"Width=0.5\" --param \"Channel Selector=mid\"\n"
         "  --automation FILE          change parameters over time: lines \"SECONDS NAME VALUE\", VALUE in\n"
         "                             plain units or a display text as for --param; '#' starts a comment\n"
         "  --list-params              list the parameters and exit\n"
         "  --rate HZ                  sample rate to run at (default: the input's; 48000 for .f64 and the demo)\n"
         "  --block N                  block size in frames, 1 to 65536 (default 512)\n"
         "  --precision single|double  processing path (default double)\n"
         "  --module PATH              host a built module instead: a VST 3 bundle (a folder or file\n"
         "                             ending in .vst3), a CLAP module (.clap), an LV2 bundle folder\n"
         "                             (.lv2) or plug-in URI (Linux; single precision), or else a\n"
         "                             VST 2.4 library (.so, .dll)\n"
         "  --version                  print the version and exit\n"
         "  --help                     show this text\n"
         "exit status: 0 done, 1 file or processing failure, 2 bad command line, 130 interrupted\n";
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error)
{
  std::vector<std::string> files;
  bool onlyFiles = false;
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& arg = args[i];
    if (onlyFiles || arg.size() < 2 || arg[0] != '-')
    {
      files.push_back(arg);
      continue;
    }
    if (arg == "--")
    {
      onlyFiles = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const bool hasInline = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
    const std::string name = hasInline ? arg.substr(0, equals) : arg;
    const std::string inlineValue = hasInline ? arg.substr(equals + 1) : std::string();
    std::string value;

    if (name == "--help" || name == "-h")
    {
      options.help = true;
    }
    else if (name == "--version")
    {
      options.version = true;
    }
    else if (name == "--list-params")
    {
      options.listParams = true;
    }
    else if (name == "--param")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      const size_t split = value.find('=');
      if (split == std::string::npos || split == 0)
      {
        error = "--param wants NAME=VALUE, got \"" + value + "\"";
        return false;
      }
      options.params.emplace_back(value.substr(0, split), value.substr(split + 1));
    }
    else if (name == "--automation")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      if (value.empty())
      {
        error = "--automation needs a file";
        return false;
      }
      options.automationPath = value;
    }
    else if (name == "--module")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      if (value.empty())
      {
        error = "--module needs a path";
        return false;
      }
      options.modulePath = value;
    }
    else if (name == "--rate")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      double rate = 0.0;
      if (!ParseNumber(value, rate))
      {
        error = "--rate: \"" + value + "\" is not a number";
        return false;
      }
      if (rate < kMinSampleRate || rate > kMaxSampleRate)
      {
        error = "--rate: " + value + " Hz is outside 1000 to 768000 Hz";
        return false;
      }
      options.sampleRate = rate;
    }
    else if (name == "--block")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      double block = 0.0;
      if (!ParseNumber(value, block) || block != std::floor(block))
      {
        error = "--block: \"" + value + "\" is not a whole number";
        return false;
      }
      if (block < 1 || block > kMaxBlockSize)
      {
        error = "--block: " + value + " is outside 1 to 65536";
        return false;
      }
      options.blockSize = static_cast<int>(block);
    }
    else if (name == "--precision")
    {
      if (!TakeValue(args, i, name, inlineValue, hasInline, value, error))
        return false;
      if (value == "single")
        options.precision = RenderPrecision::Single;
      else if (value == "double")
        options.precision = RenderPrecision::Double;
      else
      {
        error = "--precision: \"" + value + "\" is neither single nor double";
        return false;
      }
    }
    else
    {
      error = "unknown option " + arg;
      return false;
    }
  }

  if (options.help || options.version || options.listParams)
    return true;
  if (files.empty())
  {
    error = "no output file given";
    return false;
  }
  if (files.size() > 2)
  {
    error = "too many files: give at most IN and OUT";
    return false;
  }
  options.outputPath = files.back();
  if (files.size() == 2)
    options.inputPath = files.front();
  return true;
}
