// The processing frame of the plug-in base: channel configuration, connections,
// binding host buffers to the channel records and running blocks.
#include "framework/IEffectBase.h"

#include "framework/DenormalGuard.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Marks the plug-in's flag while the frame's denormal guard is active.
class FlushScope {
public:
  explicit FlushScope(bool& flag) : flag(flag) { flag = true; }
  ~FlushScope() { flag = false; }
  FlushScope(const FlushScope&) = delete;
  FlushScope& operator=(const FlushScope&) = delete;

private:
  bool& flag;
};

void Zero(double* buffer, int frames)
{
  if (buffer && frames > 0) std::memset(buffer, 0, sizeof(double) * static_cast<size_t>(frames));
}

} // namespace

bool IEffectBase::LegalIO(int inputCount, int outputCount) const
{
  for (const IOConfig& config : ioConfigs) {
    const bool inputsMatch = inputCount < 0 || config.inputs == inputCount;
    const bool outputsMatch = outputCount < 0 || config.outputs == outputCount;
    if (inputsMatch && outputsMatch) return true;
  }
  return false;
}

const IOConfig* IEffectBase::GetIOConfig(int index) const
{
  if (index < 0 || index >= IOConfigCount()) return nullptr;
  return &ioConfigs[static_cast<size_t>(index)];
}

bool IEffectBase::IsInputConnected(int index) const
{
  return index >= 0 && index < InputCount() && inputs[static_cast<size_t>(index)].connected;
}

bool IEffectBase::IsOutputConnected(int index) const
{
  return index >= 0 && index < OutputCount() && outputs[static_cast<size_t>(index)].connected;
}

bool IEffectBase::AllChannelsConnected() const
{
  for (const InputChannel& channel : inputs)
    if (!channel.connected) return false;
  for (const OutputChannel& channel : outputs)
    if (!channel.connected) return false;
  return true;
}

InputChannel* IEffectBase::GetInput(int index)
{
  if (index < 0 || index >= InputCount()) return nullptr;
  return &inputs[static_cast<size_t>(index)];
}

OutputChannel* IEffectBase::GetOutput(int index)
{
  if (index < 0 || index >= OutputCount()) return nullptr;
  return &outputs[static_cast<size_t>(index)];
}

void IEffectBase::SetInputConnections(int first, int count, bool connected)
{
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(first) + std::max(count, 0), InputCount());
  for (int64_t i = std::max(first, 0); i < end; ++i) {
    InputChannel& channel = inputs[static_cast<size_t>(i)];
    channel.connected = connected;
    if (!connected) {
      // A disconnected input reads silence, not the last block it was given.
      std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
      *channel.dataSlot = channel.scratch.data();
    }
  }
}

void IEffectBase::SetOutputConnections(int first, int count, bool connected)
{
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(first) + std::max(count, 0), OutputCount());
  for (int64_t i = std::max(first, 0); i < end; ++i) {
    OutputChannel& channel = outputs[static_cast<size_t>(i)];
    channel.connected = connected;
    if (!connected) *channel.dataSlot = channel.scratch.data();
  }
}

void IEffectBase::RestrictToStereo()
{
  if (InputCount() > 2) SetInputConnections(2, InputCount() - 2, false);
  for (int i = 2; i < OutputCount(); ++i) outputs[static_cast<size_t>(i)].connected = true;
}

void IEffectBase::ChangeBlockSize(int frames)
{
  PluginLock lock(mutex);
  if (frames < 0) return;
  frames = std::min(frames, kMaxBlockSize);
  if (frames == blockSize) return;
  // Allocate everything first so that a failure leaves the old, consistent buffers.
  std::vector<std::vector<double>> fresh;
  try {
    fresh.reserve(inputs.size() + outputs.size());
    for (size_t i = 0; i < inputs.size() + outputs.size(); ++i)
      fresh.emplace_back(static_cast<size_t>(frames), 0.0);
  } catch (const std::bad_alloc&) {
    return;
  } catch (const std::length_error&) {
    return;
  }
  size_t next = 0;
  for (InputChannel& channel : inputs) {
    const double* old = channel.scratch.data();
    channel.scratch.swap(fresh[next++]);
    if (!channel.connected || *channel.dataSlot == old) *channel.dataSlot = channel.scratch.data();
  }
  for (OutputChannel& channel : outputs) {
    const double* old = channel.scratch.data();
    channel.scratch.swap(fresh[next++]);
    if (!channel.connected || *channel.dataSlot == old) *channel.dataSlot = channel.scratch.data();
  }
  blockSize = frames;
}

int IEffectBase::LimitFrames(int frames) const
{
  return std::clamp(frames, 0, static_cast<int>(blockSize));
}

namespace {

// Host buffers go to the connected channels below the buffer count, in order,
// one each; null when the channel takes none or the host gave a null buffer.
template <typename Sample>
Sample* NextHostBuffer(bool connected, int channel, int count, Sample* const* buffers, int& next, int offset)
{
  if (!connected || !buffers || channel >= count) return nullptr;
  Sample* buffer = buffers[next++];
  return buffer ? buffer + offset : nullptr;
}

} // namespace

void IEffectBase::BindInputsAt(int count, const float* const* buffers, int offset, int frames)
{
  int next = 0;
  for (int i = 0; i < InputCount(); ++i) {
    InputChannel& channel = inputs[static_cast<size_t>(i)];
    double* scratch = channel.scratch.data();
    *channel.dataSlot = scratch;
    const float* source = NextHostBuffer(channel.connected, i, count, buffers, next, offset);
    if (source)
      for (int f = 0; f < frames; ++f) scratch[f] = source[f];
    else if (channel.connected)
      Zero(scratch, frames);
  }
}

void IEffectBase::BindInputsAt(int count, double* const* buffers, int offset, int frames)
{
  int next = 0;
  for (int i = 0; i < InputCount(); ++i) {
    InputChannel& channel = inputs[static_cast<size_t>(i)];
    double* source = NextHostBuffer(channel.connected, i, count, buffers, next, offset);
    *channel.dataSlot = source ? source : channel.scratch.data();
    if (!source && channel.connected) Zero(channel.scratch.data(), frames);
  }
}

void IEffectBase::BindOutputsAt(int count, float* const* buffers, int offset)
{
  int next = 0;
  for (int i = 0; i < OutputCount(); ++i) {
    OutputChannel& channel = outputs[static_cast<size_t>(i)];
    *channel.dataSlot = channel.scratch.data();
    channel.floatDest = NextHostBuffer(channel.connected, i, count, buffers, next, offset);
  }
}

void IEffectBase::BindOutputsAt(int count, double* const* buffers, int offset)
{
  int next = 0;
  for (int i = 0; i < OutputCount(); ++i) {
    OutputChannel& channel = outputs[static_cast<size_t>(i)];
    double* destination = NextHostBuffer(channel.connected, i, count, buffers, next, offset);
    *channel.dataSlot = destination ? destination : channel.scratch.data();
    channel.floatDest = nullptr;
  }
}

void IEffectBase::BindInputs(int count, const float* const* buffers, int frames)
{
  BindInputsAt(count, buffers, 0, LimitFrames(frames));
}

void IEffectBase::BindInputs(int count, double* const* buffers, int frames)
{
  BindInputsAt(count, buffers, 0, LimitFrames(frames));
}

void IEffectBase::BindOutputs(int count, float* const* buffers)
{
  BindOutputsAt(count, buffers, 0);
}

void IEffectBase::BindOutputs(int count, double* const* buffers)
{
  BindOutputsAt(count, buffers, 0);
}

void IEffectBase::ConvertOutputs(int frames, BlockMode mode)
{
  // Read through the slot: a plug-in that exchanged output entries inside
  // ProcessDouble thereby exchanged what the host's outputs receive.
  for (OutputChannel& channel : outputs) {
    const double* source = *channel.dataSlot;
    float* destination = channel.floatDest;
    if (!channel.connected || !source || !destination) continue;
    if (mode == BlockMode::Replace)
      for (int f = 0; f < frames; ++f) destination[f] = static_cast<float>(source[f]);
    else
      for (int f = 0; f < frames; ++f) destination[f] += static_cast<float>(source[f]);
  }
}

void IEffectBase::RunBlock(int frames)
{
  frames = LimitFrames(frames);
  if (frames == 0) return;
  ProcessDouble(inputData.data(), outputData.data(), frames);
  ConvertOutputs(frames, BlockMode::Replace);
}

void IEffectBase::RunBlockAccumulating(int frames)
{
  frames = LimitFrames(frames);
  if (frames == 0) return;
  ProcessDouble(inputData.data(), outputData.data(), frames);
  ConvertOutputs(frames, BlockMode::Accumulate);
}

void IEffectBase::PassThrough(double** inputBuffers, double** outputBuffers, int frames)
{
  if (!outputBuffers || frames <= 0) return;
  const size_t bytes = sizeof(double) * static_cast<size_t>(frames);
  for (int i = 0; i < OutputCount(); ++i) {
    double* out = outputBuffers[i];
    if (!out) continue;
    const double* in = (inputBuffers && i < InputCount()) ? inputBuffers[i] : nullptr;
    if (!in)
      std::memset(out, 0, bytes);
    else if (in != out)
      std::memmove(out, in, bytes);
  }
}

void IEffectBase::ProcessDouble(double** inputBuffers, double** outputBuffers, int frames)
{
  PassThrough(inputBuffers, outputBuffers, frames);
}

void IEffectBase::RunPlugin(int frames)
{
  if (!bypassed)
    ProcessDouble(inputData.data(), outputData.data(), frames);
  else
    ProcessBypassed(inputData.data(), outputData.data(), frames);
}

void IEffectBase::ProcessBypassed(double** inputBuffers, double** outputBuffers, int frames)
{
  if (latency != 0 && bypassDelay)
    bypassDelay->Process(inputBuffers, outputBuffers, frames);
  else
    PassThrough(inputBuffers, outputBuffers, frames);
}

void IEffectBase::ProcessFloat(int inputCount, const float* const* inputBuffers, int outputCount,
                               float* const* outputBuffers, int frames, BlockMode mode)
{
  PluginLock lock(mutex);
  RunFloat(inputCount, inputBuffers, outputCount, outputBuffers, frames, mode);
}

void IEffectBase::RunFloat(int inputCount, const float* const* inputBuffers, int outputCount,
                           float* const* outputBuffers, int frames, BlockMode mode)
{
  DenormalGuard denormals;
  FlushScope flushing(flushingDenormals);
  if (frames <= 0) return;
  if (!outputBuffers) outputCount = 0;
  if (blockSize <= 0) {
    if (mode == BlockMode::Replace)
      for (int i = 0; i < outputCount; ++i)
        if (outputBuffers[i]) std::memset(outputBuffers[i], 0, sizeof(float) * static_cast<size_t>(frames));
    return;
  }
  for (int offset = 0; offset < frames;) {
    const int piece = std::min(static_cast<int>(blockSize), frames - offset);
    BindInputsAt(inputCount, inputBuffers, offset, piece);
    BindOutputsAt(outputCount, outputBuffers, offset);
    RunPlugin(piece);
    ConvertOutputs(piece, mode);
    offset += piece;
  }
}

void IEffectBase::ProcessFloatReplacing(int inputCount, const float* const* inputBuffers, int outputCount,
                                        float* const* outputBuffers, int frames)
{
  ProcessFloat(inputCount, inputBuffers, outputCount, outputBuffers, frames, BlockMode::Replace);
}

void IEffectBase::ProcessFloatAccumulating(int inputCount, const float* const* inputBuffers, int outputCount,
                                           float* const* outputBuffers, int frames)
{
  ProcessFloat(inputCount, inputBuffers, outputCount, outputBuffers, frames, BlockMode::Accumulate);
}

void IEffectBase::ProcessDoubleReplacing(int inputCount, double* const* inputBuffers, int outputCount,
                                         double* const* outputBuffers, int frames)
{
  PluginLock lock(mutex);
  ProcessDoubleReplacingLocked(inputCount, inputBuffers, outputCount, outputBuffers, frames);
}

void IEffectBase::ProcessFloatReplacingLocked(int inputCount, const float* const* inputBuffers, int outputCount,
                                              float* const* outputBuffers, int frames)
{
  RunFloat(inputCount, inputBuffers, outputCount, outputBuffers, frames, BlockMode::Replace);
}

void IEffectBase::ProcessDoubleReplacingLocked(int inputCount, double* const* inputBuffers, int outputCount,
                                               double* const* outputBuffers, int frames)
{
  DenormalGuard denormals;
  FlushScope flushing(flushingDenormals);
  if (frames <= 0) return;
  if (!outputBuffers) outputCount = 0;
  if (blockSize <= 0) {
    for (int i = 0; i < outputCount; ++i) Zero(outputBuffers[i], frames);
    return;
  }
  for (int offset = 0; offset < frames;) {
    const int piece = std::min(static_cast<int>(blockSize), frames - offset);
    BindInputsAt(inputCount, inputBuffers, offset, piece);
    BindOutputsAt(outputCount, outputBuffers, offset);
    RunPlugin(piece);
    offset += piece;
  }
}
