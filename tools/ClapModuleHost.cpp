// The CLAP module host of brindle-render.
#include "ClapModuleHost.h"

#include <cmath>

using namespace claphost;

namespace
{
// The most value texts listed for one stepped parameter.
constexpr double kMaxListedSteps = 64;
}  // namespace

ClapModuleHost::~ClapModuleHost()
{
  Release();
}

bool ClapModuleHost::Create()
{
  failure.clear();
  std::string error;
  module = ClapModule::Load(path, error);
  if (!module)
    return Fail(error);
  host = std::make_unique<ClapHost>();
  instance = ClapInstance::Create(*module, *host, "", error);
  if (!instance)
  {
    Release();
    return Fail(path + ": " + error);
  }
  const clap_plugin* plugin = instance->Plugin();
  const clap_plugin_audio_ports* ports = instance->ports;
  clap_audio_port_info in{}, out{};
  if (!ports || ports->count(plugin, true) < 1 || ports->count(plugin, false) < 1 ||
      !ports->get(plugin, 0, true, &in) || !ports->get(plugin, 0, false, &out) || in.channel_count != 2 ||
      out.channel_count != 2)
  {
    Release();
    return Fail(path + " does not take stereo in and stereo out; only stereo effects can be hosted");
  }
  offers64 = (in.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS) && (out.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);

  paramIds.clear();
  std::vector<std::string> names;
  const uint32_t count = instance->params ? instance->params->count(plugin) : 0;
  for (uint32_t i = 0; i < count; ++i)
  {
    clap_param_info info{};
    if (!instance->params->get_info(plugin, i, &info) || (info.flags & CLAP_PARAM_IS_READONLY))
      continue;
    paramIds.push_back(info.id);
    names.push_back(info.name);
  }
  isOwnPlugin = IsOwnPlugin(names, paramIds);
  return true;
}

bool ClapModuleHost::DescribeParams(std::vector<RenderParamInfo>& params)
{
  if (!instance)
    return Fail("no plug-in");
  params.clear();
  const clap_plugin* plugin = instance->Plugin();
  const uint32_t count = instance->params ? instance->params->count(plugin) : 0;
  for (uint32_t i = 0; i < count; ++i)
  {
    clap_param_info info{};
    if (!instance->params->get_info(plugin, i, &info) || (info.flags & CLAP_PARAM_IS_READONLY))
      continue;
    RenderParamInfo param;
    param.name = info.name;
    param.minValue = info.min_value;
    param.maxValue = info.max_value;
    param.defaultValue = info.default_value;
    param.isDouble = !(info.flags & CLAP_PARAM_IS_STEPPED);
    param.step = param.isDouble ? 0.0 : 1.0;
    param.precision = param.isDouble ? 3 : 0;
    if (isOwnPlugin)
    {
      DescribeAsOwn(param, params.size());
    }
    else if (!param.isDouble && info.max_value - info.min_value <= kMaxListedSteps)
    {
      for (double v = info.min_value; v <= info.max_value; v += 1.0)
        param.displayTexts.push_back({v, instance->Text(info.id, v)});
    }
    params.push_back(param);
  }
  return true;
}

bool ClapModuleHost::Configure(double sampleRate, int blockSize_, RenderPrecision precision_)
{
  if (!instance)
    return Fail("no plug-in");
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || blockSize_ < 1)
    return Fail("unusable sample rate or block size");
  if (precision_ == RenderPrecision::Double && !offers64)
    return Fail("the module has no 64-bit processing; use --precision single");
  instance->Deactivate();
  rate = sampleRate;
  blockSize = blockSize_;
  precision = precision_;
  configured = true;
  return true;
}

bool ClapModuleHost::LoadParams(const std::vector<double>& plainValues)
{
  if (!instance || !configured)
    return Fail("the plug-in is not set up");
  if (plainValues.size() != paramIds.size())
    return Fail("expected " + std::to_string(paramIds.size()) + " parameter values");
  pending.Clear();
  if (isOwnPlugin)
  {
    // The saved state: one double per parameter, then a 32-bit word of 0.
    std::vector<uint8_t> bytes;
    for (double value : plainValues)
      AppendLittleEndianDouble(bytes, value);
    AppendLittleEndian32(bytes, 0);
    if (!LoadState(bytes))
      return false;
  }
  else
  {
    // Values for other makers' plug-ins go in as events before activation.
    EventList values;
    for (size_t i = 0; i < paramIds.size(); ++i)
      values.AddParam(0, paramIds[i], plainValues[i]);
    instance->Flush(&values, nullptr);
  }
  if (!instance->Activate(rate, 1, static_cast<uint32_t>(blockSize)) || !instance->StartProcessing())
    return Fail("the module refused to activate");
  return true;
}

bool ClapModuleHost::Usable(int frames, RenderPrecision wanted)
{
  if (!instance || !instance->Active())
    return Fail("the plug-in is not set up");
  if (frames < 0 || frames > blockSize)
    return Fail("block longer than the configured size");
  if (wanted != precision)
    return Fail(precision == RenderPrecision::Double ? "set up for 64-bit samples" : "set up for 32-bit samples");
  return true;
}

bool ClapModuleHost::Ran(int32_t status)
{
  pending.Clear();
  if (status == CLAP_PROCESS_ERROR)
    return Fail("the module failed to process a block");
  return true;
}

bool ClapModuleHost::ProcessDouble(double* const* inputs, double* const* outputs, int frames)
{
  if (!inputs || !outputs || !Usable(frames, RenderPrecision::Double))
    return false;
  return Ran(instance->Process(inputs, outputs, static_cast<uint32_t>(frames), &pending, nullptr));
}

bool ClapModuleHost::ProcessSingle(const float* const* inputs, float* const* outputs, int frames)
{
  if (!inputs || !outputs || !Usable(frames, RenderPrecision::Single))
    return false;
  float* in[2] = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
  return Ran(instance->Process(in, outputs, static_cast<uint32_t>(frames), &pending, nullptr));
}

bool ClapModuleHost::ScheduleParamChange(int index, double plainValue, int sampleOffset)
{
  if (!instance)
    return Fail("the plug-in is not set up");
  if (index < 0 || static_cast<size_t>(index) >= paramIds.size())
    return Fail("no parameter " + std::to_string(index));
  pending.AddParam(static_cast<uint32_t>(std::max(sampleOffset, 0)), paramIds[static_cast<size_t>(index)], plainValue);
  return true;
}

bool ClapModuleHost::SaveState(std::vector<uint8_t>& bytes)
{
  if (!instance || !instance->Save(bytes))
    return Fail("the module gave no state");
  return true;
}

bool ClapModuleHost::LoadState(const std::vector<uint8_t>& bytes)
{
  if (!instance || !instance->Load(bytes))
    return Fail("the module refused the state");
  return true;
}

void ClapModuleHost::Release()
{
  // Deactivate and destroy the instance, then the host, then deinit and unload.
  instance.reset();
  host.reset();
  module.reset();
  configured = false;
}
