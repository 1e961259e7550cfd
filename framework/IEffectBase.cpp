// Base class of every plug-in: construction, parameters, editor and host-side paths.
#include "framework/IEffectBase.h"

#include "framework/TextBuffer.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

IEffectBase::IEffectBase(void* hostContext_, int paramCount, const char* channelIOText, int presetCount,
                         const char* effectName_, const char* productName_, const char* makerName_,
                         int32_t version_, int32_t uniqueId_, int32_t makerId_, int32_t latency_,
                         bool stateChunks_, bool isInstrument_, bool doesMidi_)
  : hostContext(hostContext_), uniqueId(uniqueId_), makerId(makerId_), version(version_),
    stateChunks(stateChunks_), isInstrument(isInstrument_), doesMidi(doesMidi_),
    latency(std::max(latency_, 0))
{
  params.resize(static_cast<size_t>(std::max(paramCount, 0)));
  presets.resize(static_cast<size_t>(std::max(presetCount, 0)));
  CopyText(effectName, kNameSize, effectName_);
  CopyText(productName, kNameSize, productName_);
  CopyText(makerName, kNameSize, makerName_);

  ioConfigs = ParseChannelConfig(channelIOText);
  int inputCount = 0;
  int outputCount = 0;
  for (const IOConfig& config : ioConfigs) {
    inputCount = std::max(inputCount, config.inputs);
    outputCount = std::max(outputCount, config.outputs);
  }
  inputData.assign(static_cast<size_t>(inputCount), nullptr);
  outputData.assign(static_cast<size_t>(outputCount), nullptr);
  inputs.resize(static_cast<size_t>(inputCount));
  outputs.resize(static_cast<size_t>(outputCount));
  for (size_t i = 0; i < inputs.size(); ++i) inputs[i].dataSlot = &inputData[i];
  for (size_t i = 0; i < outputs.size(); ++i) outputs[i].dataSlot = &outputData[i];
}

IEffectBase::~IEffectBase()
{
  delete editor;
  editor = nullptr;
}

IParam* IEffectBase::GetParam(int index)
{
  if (index < 0 || index >= ParamCount()) return nullptr;
  return &params[static_cast<size_t>(index)];
}

const IParam* IEffectBase::GetParam(int index) const
{
  if (index < 0 || index >= ParamCount()) return nullptr;
  return &params[static_cast<size_t>(index)];
}

void IEffectBase::SetSampleRate(double rate)
{
  if (std::isfinite(rate) && rate > 0.0) sampleRate = rate;
}

void IEffectBase::OnMidiMessage(const MidiMessage* message)
{
  SendMidiMessage(message);
}

bool IEffectBase::MidiKeyLabel(int /*note*/, char* text)
{
  if (text) text[0] = '\0';
  return false;
}

void IEffectBase::NotifyAllParamsChanged()
{
  for (int i = 0; i < ParamCount(); ++i) OnParamChanged(i);
}

void IEffectBase::SetParamFromHost(int index, double normalized)
{
  PluginLock lock(mutex);
  IParam* param = GetParam(index);
  if (!param || std::isnan(normalized)) return;
  normalized = std::clamp(normalized, 0.0, 1.0);
  if (editor) editor->SetControlsFromParameter(index, normalized, true);
  param->SetFromNormalized(normalized);
  OnParamChanged(index);
}

double IEffectBase::GetParamNormalized(int index)
{
  PluginLock lock(mutex);
  const IParam* param = GetParam(index);
  return param ? param->Normalized() : 0.0;
}

void IEffectBase::SetParamFromEditor(int index, double normalized)
{
  PluginLock lock(mutex);
  IParam* param = GetParam(index);
  if (!param || std::isnan(normalized)) return;
  normalized = std::clamp(normalized, 0.0, 1.0);
  param->SetFromNormalized(normalized);
  // The host learns the control's value, before the parameter's quantization.
  NotifyParamEdit(index, normalized);
  OnParamChanged(index);
}

void IEffectBase::AttachEditor(IGraphics* newEditor)
{
  PluginLock lock(mutex);
  if (!newEditor) return;
  for (int i = 0; i < ParamCount(); ++i)
    newEditor->SetControlsFromParameter(i, params[static_cast<size_t>(i)].Normalized(), true);
  newEditor->CreateDrawSurfaces();
  if (editor != newEditor) delete editor;
  editor = newEditor;
}

void IEffectBase::RefreshEditorParams()
{
  if (!editor) return;
  for (int i = 0; i < ParamCount(); ++i)
    editor->SetControlsFromParameter(i, params[static_cast<size_t>(i)].Value(), false);
}

bool IEffectBase::StateEquals(const double* values, int startIndex) const
{
  if (!values || startIndex < 0) return false;
  for (size_t i = 0; i < params.size(); ++i) {
    const double mineExact = params[i].Value();
    const double theirsExact = values[static_cast<size_t>(startIndex) + i];
    // Values beyond the float range (or NaN) have no single-precision form to compare.
    if (!(std::fabs(mineExact) <= FLT_MAX && std::fabs(theirsExact) <= FLT_MAX)) return false;
    const float mine = static_cast<float>(mineExact);
    const float theirs = static_cast<float>(theirsExact);
    if (!(std::fabs(mine - theirs) < 0.00001f)) return false;
  }
  return true;
}

void IEffectBase::ChangeLatency(int samples)
{
  if (samples < 0) return;
  PluginLock lock(mutex);
  latency = samples;
  if (bypassDelay) bypassDelay->SetDelay(samples);
}

bool IEffectBase::SetHostIdentity(HostKind id, int32_t packedVersion)
{
  if (hostId != kHostNotIdentified) return false;
  hostId = id;
  hostVersion = packedVersion;
  return true;
}

void IEffectBase::CreateBypassDelay()
{
  if (InputCount() < 1 || bypassDelay) return;
  bypassDelay = std::make_unique<BypassDelayLine>(InputCount(), OutputCount());
  bypassDelay->SetDelay(latency);
}
