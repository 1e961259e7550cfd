// brindle-render's host for a VST 2.4 module loaded from a path: entry point and
// effOpen, rate and block size, resume, parameters, processing, then suspend,
// effClose and unload.
#pragma once

#include "ModuleHost.h"
#include "Vst2Host.h"
#include "Vst2Module.h"

#include <memory>
#include <string>
#include <vector>

class Vst2ModuleHost : public ModuleRenderHost
{
public:
  // ownParams: the table of the plug-in built into the tool (see CreateModuleHost).
  using ModuleRenderHost::ModuleRenderHost;
  ~Vst2ModuleHost() override;

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
  bool Usable(int frames);
  std::string Text(VstInt32 opcode, VstInt32 index);

  vst2host::Vst2Module module;
  std::unique_ptr<vst2host::Vst2Host> host;
  // The module is the plug-in the tool carries: values go in as a program chunk.
  bool isOwnPlugin = false;
  // Normalized values read after creation, for modules of other makers.
  std::vector<float> defaults;
  bool resumed = false;
  int blockSize = 0;
};
