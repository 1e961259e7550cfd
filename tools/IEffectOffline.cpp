// The offline wrapper of the plug-in base.
#include "IEffectOffline.h"

#include "framework/StateChunk.h"

#include <cmath>

bool IEffectOffline::SetupOffline(double sampleRate, int blockSize)
{
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || blockSize < 1)
    return false;
  PluginLock lock(Mutex());
  SetSampleRate(sampleRate);
  ChangeBlockSize(blockSize);
  if (BlockSize() != blockSize)
    return false;  // the scratch buffers could not be made
  SetInputConnections(0, InputCount(), true);
  SetOutputConnections(0, OutputCount(), true);
  renderedFrames = 0;
  OnReset();
  return true;
}

bool IEffectOffline::LoadPlainValues(const std::vector<double>& values)
{
  if (static_cast<int>(values.size()) != ParamCount())
    return false;
  StateChunk chunk;
  if (!StampChunkHeader(chunk))
    return false;
  for (double value : values)
  {
    if (!chunk.PutDouble(value))
      return false;
  }
  PluginLock lock(Mutex());
  int32_t position = 0;
  ReadChunkHeader(chunk, position);
  return LoadState(chunk, position) >= 0;
}

void IEffectOffline::ProcessOffline(double* const* inputs, double* const* outputs, int frames)
{
  ProcessDoubleReplacing(2, inputs, 2, outputs, frames);
  renderedFrames += frames;
}

void IEffectOffline::ProcessOffline(const float* const* inputs, float* const* outputs, int frames)
{
  ProcessFloatReplacing(2, inputs, 2, outputs, frames);
  renderedFrames += frames;
}

void IEffectOffline::ReadTransport(TransportInfo* info)
{
  if (info)
    info->samplePos = static_cast<double>(renderedFrames);
}
