// brindle-render's host for an LV2 plug-in, named by its bundle folder (NAME.lv2) or by
// its URI (found on the LV2 search path): instantiation with URID map and block-length
// options, control ports in plain units, activation, single-precision runs, state.
#pragma once

#include "ModuleHost.h"

#include <lilv/lilv.h>

#include <memory>
#include <string>
#include <vector>

// True for a path naming an LV2 plug-in: a folder ending in ".lv2" or a URI.
bool IsLv2ModulePath(const std::string& path);

class Lv2ModuleHost : public ModuleRenderHost
{
public:
  Lv2ModuleHost(std::string path, std::vector<RenderParamInfo> ownParams);
  ~Lv2ModuleHost() override;

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

  struct Features;
  struct StateCall;

private:
  bool Instantiate(double sampleRate, int blockSize);
  // The plug-in's state interface with the call's key and type set, when the plug-in is
  // the tool's own; null (with the failure) otherwise.
  const void* OwnState(StateCall& call);

  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  std::unique_ptr<Features> features;
  std::vector<uint32_t> audioInputs, audioOutputs, controlInputs;
  std::vector<RenderParamInfo> described;
  // Control inputs' values (plain units), and a place for every other port to write.
  std::vector<float> controls;
  std::vector<float> otherOutputs;
  bool isOwnPlugin = false;
  int blockSize = 0;
};
