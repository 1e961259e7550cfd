// brindle-render: runs the plug-in on a sound file (or the built-in demo).
#include "InProcessHost.h"
#include "ModuleHost.h"
#include "Platform.h"
#include "RenderMain.h"

#include <csignal>
#include <iostream>

namespace
{
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
  interrupted = 1;
}
}  // namespace

int main(int argc, char** argv)
{
  // Ctrl-C stops at the next block, so the temporary output can be removed.
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  const std::vector<std::string> args(argv + 1, argv + argc);
  RenderConsole console{std::cout, std::cerr, StderrIsTerminal(), &interrupted};
  // A module that presents the built-in plug-in's parameters takes that table's
  // ranges and display texts where its interface has none.
  const auto makeModuleHost = [](const std::string& path) { return CreateModuleHost(path, OwnParamTable()); };
  return RunRender(args, [] { return std::make_unique<InProcessHost>(); }, console, makeModuleHost);
}
