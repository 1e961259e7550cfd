// brindle-render's host for the plug-in compiled into the tool itself, through
// the offline wrapper.
#pragma once

#include "IEffectOffline.h"
#include "RenderHost.h"

#include <functional>
#include <memory>

// Makes the plug-in that the tool carries; defined with the plug-in's sources.
std::unique_ptr<IEffectOffline> CreateOfflinePlugin();

// The parameter table of the plug-in the tool carries; empty when it cannot be made.
std::vector<RenderParamInfo> OwnParamTable();

class InProcessHost : public RenderHost
{
public:
  using PluginFactory = std::function<std::unique_ptr<IEffectOffline>()>;

  explicit InProcessHost(PluginFactory factory = CreateOfflinePlugin) : factory(std::move(factory)) {}

  bool Create() override;
  bool DescribeParams(std::vector<RenderParamInfo>& params) override;
  bool Configure(double sampleRate, int blockSize, RenderPrecision precision) override;
  bool LoadParams(const std::vector<double>& plainValues) override;
  bool ProcessDouble(double* const* inputs, double* const* outputs, int frames) override;
  bool ProcessSingle(const float* const* inputs, float* const* outputs, int frames) override;
  bool ScheduleParamChange(int index, double plainValue, int sampleOffset) override;
  bool SaveState(std::vector<uint8_t>& bytes) override;
  bool LoadState(const std::vector<uint8_t>& bytes) override;
  void Release() override { plugin.reset(); }

private:
  bool Usable(int frames) const;

  PluginFactory factory;
  std::unique_ptr<IEffectOffline> plugin;
  int blockSize = 0;
};
