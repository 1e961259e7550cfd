// brindle-render's host for a CLAP module loaded from a path: entry and factory,
// the first plug-in, activation at the rate and block size, parameter events at
// their sample offsets, then deactivation, destroy and deinit.
#pragma once

#include "ClapHost.h"
#include "ModuleHost.h"

#include <memory>
#include <string>
#include <vector>

class ClapModuleHost : public ModuleRenderHost
{
public:
  using ModuleRenderHost::ModuleRenderHost;
  ~ClapModuleHost() override;

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
  bool Usable(int frames, RenderPrecision wanted);
  bool Ran(int32_t status);

  std::unique_ptr<claphost::ClapModule> module;
  std::unique_ptr<claphost::ClapHost> host;
  std::unique_ptr<claphost::ClapInstance> instance;
  std::vector<clap_id> paramIds;
  // The module is the plug-in the tool carries: values go in as its saved state.
  bool isOwnPlugin = false;
  bool offers64 = false;
  claphost::EventList pending;
  double rate = 0.0;
  int blockSize = 0;
  RenderPrecision precision = RenderPrecision::Double;
  bool configured = false;
};
