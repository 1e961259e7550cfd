// brindle-render's host for a VST 3 bundle loaded from a path: factory, component
// initialized with a host context, buses, processing set-up, state, activation,
// processing in blocks and teardown in reverse.
#pragma once

#include "HostObjects.h"
#include "PluginInstance.h"
#include "ModuleHost.h"
#include "Vst3Module.h"

#include <memory>
#include <string>
#include <vector>

class Vst3ModuleHost : public ModuleRenderHost
{
public:
  // ownParams: the table of the plug-in built into the tool (see CreateModuleHost).
  using ModuleRenderHost::ModuleRenderHost;
  ~Vst3ModuleHost() override;

  bool Create() override;
  bool DescribeParams(std::vector<RenderParamInfo>& params) override;
  bool Configure(double sampleRate, int blockSize, RenderPrecision precision) override;
  bool LoadParams(const std::vector<double>& plainValues) override;
  bool ProcessDouble(double* const* inputs, double* const* outputs, int frames) override;
  bool ProcessSingle(const float* const* inputs, float* const* outputs, int frames) override;
  bool ScheduleParamChange(int index, double plainValue, int sampleOffset) override;
  bool SaveState(std::vector<uint8_t>& bytes) override;
  bool LoadState(const std::vector<uint8_t>& bytes) override;
  void Release() override;

private:
  bool Start();
  bool Process(vst3::AudioBusBuffers& in, vst3::AudioBusBuffers& out, int frames);

  std::unique_ptr<vst3host::Vst3Module> module;
  vst3host::Owned<vst3host::HostApplication> application;
  vst3host::Owned<vst3host::ComponentHandler> handler;
  std::unique_ptr<vst3host::PluginInstance> instance;
  // The plug-in parameters the tool shows, by their host ids (wrapper-level preset
  // and bypass switches are left out).
  std::vector<vst3::ParamID> paramIds;
  // The module is the plug-in the tool carries: values go in as its saved state.
  bool isOwnPlugin = false;
  // Changes for the next block: the starting values of other makers' modules, and
  // scheduled automation.
  vst3host::Owned<vst3host::ParameterChanges> pendingChanges;
  vst3::ProcessSetup setup{};
  vst3::ProcessContext context{};
  bool configured = false;
  bool active = false;
  bool processing = false;
};
