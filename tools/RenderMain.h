// The whole brindle-render program behind main(), with its host, streams and
// terminal passed in so that tests can drive it.
#pragma once

#include "RenderHost.h"

#include <csignal>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using RenderHostFactory = std::function<std::unique_ptr<RenderHost>()>;
// Makes the host for a module path given with --module.
using ModuleHostFactory = std::function<std::unique_ptr<RenderHost>(const std::string& path)>;

struct RenderConsole
{
  std::ostream& out;
  std::ostream& err;
  bool stderrIsTerminal = false;
  const volatile std::sig_atomic_t* cancel = nullptr;
};

enum RenderExitCode
{
  kExitDone = 0,
  kExitFailed = 1,       // unreadable input, unwritable output, plug-in failure
  kExitBadCommand = 2,   // options, parameter names or values, output type
  kExitInterrupted = 130
};

constexpr double kDefaultSampleRate = 48000.0;

// args excludes the program name. Without makeModuleHost, --module is refused.
int RunRender(const std::vector<std::string>& args, const RenderHostFactory& makeHost, RenderConsole& console,
              const ModuleHostFactory& makeModuleHost = nullptr);
