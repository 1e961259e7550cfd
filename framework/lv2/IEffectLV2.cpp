// The LV2 wrapper of the plug-in base (the DSP side).
#include "framework/lv2/IEffectLV2.h"

#include "framework/lv2/Lv2Feature.h"
#include "graphics/IGraphics.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool SameValue(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

IEffectLV2::IEffectLV2(const LV2_Feature* const* hostFeatures, int paramCount, const char* channelIOText,
                       int presetCount, const char* effectName, const char* productName, const char* makerName,
                       int32_t version, int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks,
                       bool isInstrument, bool doesMidi)
  : IEffectBase(const_cast<LV2_Feature**>(hostFeatures), paramCount, channelIOText, presetCount, effectName,
                productName, makerName, version, uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi)
{
  SetPluginFormat(2);
  uridMap = static_cast<LV2_URID_Map*>(const_cast<void*>(FindLv2Feature(hostFeatures, LV2_URID__map)));
  // The host's largest block, when it tells it; run() splits longer calls anyway.
  const auto* options = static_cast<const LV2_Options_Option*>(FindLv2Feature(hostFeatures, LV2_OPTIONS__options));
  const LV2_URID maxBlock = Map(LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID atomInt = Map(LV2_ATOM__Int);
  for (const LV2_Options_Option* o = options; o && o->key; ++o) {
    if (o->key == maxBlock && maxBlock && o->type == atomInt && o->size == sizeof(int32_t) && o->value) {
      int32_t frames = 0;
      std::memcpy(&frames, o->value, sizeof frames);
      if (frames > 0) hostBlockSize = frames;
    }
  }
  controls.assign(static_cast<size_t>(ParamCount()), nullptr);
  lastPortValues.assign(static_cast<size_t>(ParamCount()), std::numeric_limits<float>::quiet_NaN());
  SetInputConnections(0, InputCount(), true);
  SetOutputConnections(0, OutputCount(), true);
}

LV2_URID IEffectLV2::Map(const char* uri) const {
  return uridMap && uridMap->map ? uridMap->map(uridMap->handle, uri) : 0;
}

bool IEffectLV2::Setup(double rate) {
  if (!(rate > 0.0) || !std::isfinite(rate)) return false;
  PluginLock lock(Mutex());
  SetSampleRate(rate);
  ChangeBlockSize(hostBlockSize > 0 ? hostBlockSize : kDefaultBlockSize);
  OnReset();
  return true;
}

void IEffectLV2::ConnectPort(uint32_t port, void* data) {
  float* buffer = static_cast<float*>(data);
  if (port <= lv2ports::kOutputRight) {
    audio[port] = buffer;
  } else if (port == lv2ports::LampPort(ParamCount())) {
    lampOutput = buffer;
  } else {
    const int index = lv2ports::ParamOfPort(port, ParamCount());
    if (index >= 0) controls[static_cast<size_t>(index)] = buffer;
  }
}

void IEffectLV2::Activate() {
  // As a VST 2 host's resume: the next block starts from settled values.
  OnReset();
  OnActivated(true);
}

void IEffectLV2::Deactivate() {
  OnActivated(false);
  OnReset();
}

void IEffectLV2::ApplyPortValue(int index, double value) {
  IParam* param = GetParam(index);
  if (!param || std::isnan(value)) return;
  value = lv2ports::LimitedPortValue(*param, value);
  PluginLock lock(Mutex());
  if (Editor()) Editor()->SetControlsFromParameter(index, value, false);
  param->SetClamped(value);
  OnParamChanged(index);
}

void IEffectLV2::Run(uint32_t frames) {
  // Control ports once per call, changed ones only, in index order.
  for (size_t i = 0; i < controls.size(); ++i) {
    if (!controls[i]) continue;
    const float value = *controls[i];
    if (SameValue(value, lastPortValues[i])) continue;
    lastPortValues[i] = value;
    ApplyPortValue(static_cast<int>(i), value);
  }
  if (frames > 0) {
    // LV2 counts frames in 32 bits; the base takes an int and runs in pieces anyway.
    const int count = static_cast<int>(std::min<uint32_t>(frames, std::numeric_limits<int>::max()));
    const float* in[2] = {audio[lv2ports::kInputLeft], audio[lv2ports::kInputRight]};
    float* out[2] = {audio[lv2ports::kOutputLeft], audio[lv2ports::kOutputRight]};
    ProcessFloatReplacing(2, in, 2, out, count);
  }
  if (lampOutput) *lampOutput = LampLevel() >= 0.5 ? 1.0f : 0.0f;
}

std::vector<uint8_t> IEffectLV2::StateBytes() {
  PluginLock lock(Mutex());
  StateChunk chunk;
  std::vector<uint8_t> bytes;
  if (!SaveState(chunk)) return bytes;
  bytes.assign(chunk.Data(), chunk.Data() + chunk.Size());
  // The VST 3 module's flag word: its host bypass, which LV2 hosts keep to themselves.
  const uint8_t flag[lv2ports::kFlagBytes] = {static_cast<uint8_t>(bypassed ? 1 : 0), 0, 0, 0};
  bytes.insert(bytes.end(), flag, flag + lv2ports::kFlagBytes);
  return bytes;
}

void IEffectLV2::LoadStateBytes(const uint8_t* data, size_t size) {
  PluginLock lock(Mutex());
  StateChunk chunk;
  SaveState(chunk);
  if (chunk.Size() == 0) return;
  // Bytes the data does not reach keep the current values; the flag word has no
  // counterpart here (an LV2 host bypasses in its own way) and is read past.
  if (data) std::memcpy(chunk.Data(), data, std::min(size, static_cast<size_t>(chunk.Size())));
  LoadState(chunk, 0);
  // The ports still hold what they held: only a later change of a port overrides the state.
  for (int i = 0; i < ParamCount(); ++i) lastPortValues[static_cast<size_t>(i)] = static_cast<float>(GetParam(i)->Value());
  RefreshEditorParams();
}

LV2_State_Status IEffectLV2::SaveLv2State(LV2_State_Store_Function store, LV2_State_Handle handle) {
  const LV2_URID key = Map(BRINDLE_LV2_URI "#state");
  const LV2_URID type = Map(LV2_ATOM__Chunk);
  if (!store || !key || !type) return LV2_STATE_ERR_NO_FEATURE;
  const std::vector<uint8_t> bytes = StateBytes();
  if (bytes.empty()) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, key, bytes.data(), bytes.size(), type, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IEffectLV2::RestoreLv2State(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
  const LV2_URID key = Map(BRINDLE_LV2_URI "#state");
  const LV2_URID chunkType = Map(LV2_ATOM__Chunk);
  if (!retrieve || !key) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, key, &size, &type, &flags);
  // Without our property the settings stay as they are (the host restores the ports).
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != chunkType) return LV2_STATE_ERR_BAD_TYPE;
  LoadStateBytes(static_cast<const uint8_t*>(data), size);
  return LV2_STATE_SUCCESS;
}

void IEffectLV2::TransportTimeSig(int* numerator, int* denominator) {
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
}
