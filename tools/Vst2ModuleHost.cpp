// The VST 2.4 module host of brindle-render.
#include "Vst2ModuleHost.h"

#include "ParamValues.h"

#include <cmath>
#include <filesystem>

namespace
{
// The plug-in's unique id 'Zqbr', first character in the most significant byte.
constexpr VstInt32 kOwnUniqueId = ('Z' << 24) | ('q' << 16) | ('b' << 8) | 'r';
constexpr uint32_t kChunkMagic = 0x70666674;
constexpr uint32_t kChunkVersion = 0x00010000;
// Hosts hand out far more than the nominal 8 bytes for names and labels; so do we.
constexpr size_t kTextBuffer = 256;
}  // namespace

Vst2ModuleHost::~Vst2ModuleHost()
{
  Release();
}

bool Vst2ModuleHost::Create()
{
  failure.clear();
  std::string error;
  // A bare file name would send the loader searching the system's library folders.
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(path), ignored);
  if (!module.Load(absolute.empty() ? path : absolute.u8string(), &error))
    return Fail(error);
  vst2host::HostAnswers answers;
  answers.productString = "brindle-render";
  answers.vendorString = "Brindle";
  // Rendering a file is offline work; the plug-in may ask.
  answers.processLevel = kVstProcessLevelOffline;
  host = std::make_unique<vst2host::Vst2Host>(answers);
  if (!host->Create(module, &error))
  {
    host.reset();
    module.Unload();
    return Fail(path + ": " + error);
  }
  AEffect* effect = host->Effect();
  if (effect->numInputs != 2 || effect->numOutputs != 2)
  {
    const std::string shape = std::to_string(effect->numInputs) + " inputs and " +
                              std::to_string(effect->numOutputs) + " outputs";
    Release();
    return Fail(path + " has " + shape + "; only stereo effects (2 in, 2 out) can be hosted");
  }
  host->Dispatch(effOpen);

  std::vector<std::string> names;
  for (VstInt32 i = 0; i < effect->numParams; ++i)
    names.push_back(Text(effGetParamName, i));
  isOwnPlugin = effect->uniqueID == kOwnUniqueId && SameParamNames(names, ownParams);
  defaults.clear();
  for (VstInt32 i = 0; i < effect->numParams; ++i)
    defaults.push_back(host->GetParameter(i));
  return true;
}

std::string Vst2ModuleHost::Text(VstInt32 opcode, VstInt32 index)
{
  char text[kTextBuffer] = {};
  host->Dispatch(opcode, index, 0, text);
  text[kTextBuffer - 1] = '\0';
  return text;
}

bool Vst2ModuleHost::DescribeParams(std::vector<RenderParamInfo>& params)
{
  if (!host || !host->Effect())
    return Fail("no plug-in");
  params.clear();
  for (VstInt32 i = 0; i < host->Effect()->numParams; ++i)
  {
    // The interface gives names and units, but no plain ranges, defaults or value
    // texts, and its unit is left out while the current value has such a text;
    // those come from the tool's own table when the module is its plug-in.
    RenderParamInfo info;
    if (isOwnPlugin)
      info = ownParams[static_cast<size_t>(i)];
    else
    {
      info.minValue = 0.0;
      info.maxValue = 1.0;
      info.defaultValue = defaults[static_cast<size_t>(i)];
      info.step = 0.0;
      info.precision = 3;
      info.isDouble = true;
    }
    info.name = Text(effGetParamName, i);
    info.unit = isOwnPlugin ? ownParams[static_cast<size_t>(i)].unit : Text(effGetParamLabel, i);
    params.push_back(info);
  }
  return true;
}

bool Vst2ModuleHost::Configure(double sampleRate, int size, RenderPrecision precision)
{
  if (!host || !host->Effect())
    return Fail("no plug-in");
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || size < 1)
    return Fail("unusable sample rate or block size");
  AEffect* effect = host->Effect();
  if (precision == RenderPrecision::Double &&
      (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing))
    return Fail("the module has no double-precision processing; use --precision single");
  if (precision == RenderPrecision::Single && (!(effect->flags & effFlagsCanReplacing) || !effect->processReplacing))
    return Fail("the module has no replacing single-precision processing");
  if (resumed)
    host->Dispatch(effMainsChanged, 0, 0);
  host->Answers().sampleRate = sampleRate;
  host->Answers().blockSize = size;
  host->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  host->Dispatch(effSetBlockSize, 0, size);
  host->Dispatch(effMainsChanged, 0, 1);
  resumed = true;
  blockSize = size;
  return true;
}

bool Vst2ModuleHost::LoadParams(const std::vector<double>& plainValues)
{
  AEffect* effect = host ? host->Effect() : nullptr;
  if (!effect)
    return Fail("no plug-in");
  if (plainValues.size() != static_cast<size_t>(effect->numParams))
    return Fail("expected " + std::to_string(effect->numParams) + " parameter values");
  if (isOwnPlugin)
  {
    // The program chunk: header, version, then one double per parameter.
    std::vector<uint8_t> chunk;
    AppendLittleEndian32(chunk, kChunkMagic);
    AppendLittleEndian32(chunk, kChunkVersion);
    for (double value : plainValues)
      AppendLittleEndianDouble(chunk, value);
    if (host->SetChunk(true, chunk.data(), static_cast<VstIntPtr>(chunk.size())) != 1)
      return Fail("the module refused the program chunk");
    return true;
  }
  // Other plug-ins have chunk formats of their own: set what differs from the start.
  for (VstInt32 i = 0; i < effect->numParams; ++i)
  {
    const float value = static_cast<float>(plainValues[static_cast<size_t>(i)]);
    if (value != defaults[static_cast<size_t>(i)])
      host->SetParameter(i, value);
  }
  return true;
}

bool Vst2ModuleHost::Usable(int frames)
{
  if (!host || !host->Effect() || !resumed)
    return Fail("the plug-in is not set up");
  if (frames < 0 || frames > blockSize)
    return Fail("block longer than the configured size");
  return true;
}

bool Vst2ModuleHost::ProcessDouble(double* const* inputs, double* const* outputs, int frames)
{
  if (!Usable(frames) || !inputs || !outputs)
    return false;
  AEffect* effect = host->Effect();
  if (!effect->processDoubleReplacing)
    return Fail("the module has no double-precision processing");
  double* in[2] = {inputs[0], inputs[1]};
  double* out[2] = {outputs[0], outputs[1]};
  effect->processDoubleReplacing(effect, in, out, frames);
  // The harness records every host call; nobody reads them here, and a long file
  // must not grow the record.
  host->ClearCalls();
  return true;
}

bool Vst2ModuleHost::ProcessSingle(const float* const* inputs, float* const* outputs, int frames)
{
  if (!Usable(frames) || !inputs || !outputs)
    return false;
  AEffect* effect = host->Effect();
  if (!effect->processReplacing)
    return Fail("the module has no single-precision processing");
  // The interface passes inputs as writable; a plug-in may scribble on them, and
  // the tool refills them every block.
  float* in[2] = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
  float* out[2] = {outputs[0], outputs[1]};
  effect->processReplacing(effect, in, out, frames);
  host->ClearCalls();
  return true;
}

bool Vst2ModuleHost::ScheduleParamChange(int index, double plainValue, int)
{
  AEffect* effect = host ? host->Effect() : nullptr;
  if (!effect)
    return Fail("no plug-in");
  if (index < 0 || index >= effect->numParams)
    return Fail("no parameter " + std::to_string(index));
  // The interface has no changes inside a block: setParameter before it. Other
  // makers' parameters are described as 0 to 1, which is what the default range maps.
  const RenderParamInfo range = isOwnPlugin ? ownParams[static_cast<size_t>(index)] : RenderParamInfo();
  host->SetParameter(index, static_cast<float>(NormalizedParamValue(range, plainValue)));
  return true;
}

bool Vst2ModuleHost::SaveState(std::vector<uint8_t>& bytes)
{
  if (!host || !host->Effect())
    return Fail("no plug-in");
  return host->GetChunk(true, &bytes) > 0 || Fail("the module gave no program chunk");
}

bool Vst2ModuleHost::LoadState(const std::vector<uint8_t>& bytes)
{
  if (!host || !host->Effect())
    return Fail("no plug-in");
  return host->SetChunk(true, bytes.data(), static_cast<VstIntPtr>(bytes.size())) == 1 ||
         Fail("the module refused the program chunk");
}

void Vst2ModuleHost::Release()
{
  resumed = false;
  // Suspend and effClose; the instance is gone before the library goes.
  if (host)
    host->Close();
  host.reset();
  module.Unload();
}
