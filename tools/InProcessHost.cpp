// The in-process host of brindle-render.
#include "InProcessHost.h"

#include <exception>

bool InProcessHost::Create()
{
  // Nothing may escape towards the tool as an exception.
  try
  {
    plugin = factory ? factory() : nullptr;
  }
  catch (const std::exception&)
  {
    plugin.reset();
  }
  // The tool feeds and takes two channels.
  return plugin && plugin->LegalIO(2, 2);
}

bool InProcessHost::DescribeParams(std::vector<RenderParamInfo>& params)
{
  if (!plugin)
    return false;
  params.clear();
  for (int i = 0; i < plugin->ParamCount(); ++i)
  {
    const IParam* param = plugin->GetParam(i);
    RenderParamInfo info;
    info.name = param->Name();
    info.minValue = param->Min();
    info.maxValue = param->Max();
    info.defaultValue = param->DefaultValue();
    info.step = param->Step();
    info.precision = param->Precision();
    info.isDouble = param->Kind() == ParamKind::Double;
    info.shape = param->Shape();
    info.unit = param->Label();
    for (int t = 0; t < param->DisplayTextCount(); ++t)
    {
      const DisplayTextEntry* entry = param->DisplayTextAt(t);
      info.displayTexts.push_back({entry->value, entry->text});
    }
    params.push_back(info);
  }
  return true;
}

bool InProcessHost::Configure(double sampleRate, int size, RenderPrecision)
{
  if (!plugin || !plugin->SetupOffline(sampleRate, size))
    return false;
  blockSize = size;
  return true;
}

bool InProcessHost::LoadParams(const std::vector<double>& plainValues)
{
  return plugin && plugin->LoadPlainValues(plainValues);
}

bool InProcessHost::Usable(int frames) const
{
  return plugin && frames >= 0 && frames <= blockSize;
}

bool InProcessHost::ProcessDouble(double* const* inputs, double* const* outputs, int frames)
{
  if (!Usable(frames) || !inputs || !outputs)
    return false;
  plugin->ProcessOffline(inputs, outputs, frames);
  return true;
}

bool InProcessHost::ProcessSingle(const float* const* inputs, float* const* outputs, int frames)
{
  if (!Usable(frames) || !inputs || !outputs)
    return false;
  plugin->ProcessOffline(inputs, outputs, frames);
  return true;
}

bool InProcessHost::ScheduleParamChange(int index, double plainValue, int)
{
  const IParam* param = plugin ? plugin->GetParam(index) : nullptr;
  if (!param)
    return false;
  // As a host's change arrives: normalized, before the block.
  plugin->SetParamFromHost(index, param->NormalizedOf(plainValue));
  return true;
}

bool InProcessHost::SaveState(std::vector<uint8_t>& bytes)
{
  StateChunk chunk;
  if (!plugin || !plugin->SaveState(chunk))
    return false;
  bytes.assign(chunk.Data(), chunk.Data() + chunk.Size());
  return true;
}

bool InProcessHost::LoadState(const std::vector<uint8_t>& bytes)
{
  StateChunk chunk;
  if (!plugin || bytes.empty() || !chunk.PutBytes(bytes.data(), static_cast<int32_t>(bytes.size())))
    return false;
  return plugin->LoadState(chunk, 0) >= 0;
}

std::vector<RenderParamInfo> OwnParamTable()
{
  std::vector<RenderParamInfo> params;
  InProcessHost own;
  if (own.Create())
  {
    if (!own.DescribeParams(params))
      params.clear();
    own.Release();
  }
  return params;
}
