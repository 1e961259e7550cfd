// The block loop of brindle-render.
#include "Renderer.h"

#include <algorithm>
#include <chrono>

namespace
{
// The message, with the host's own account of the failure when it has one.
std::string Explained(const RenderHost& host, const std::string& message)
{
  const std::string why = host.Failure();
  return why.empty() ? message : message + " (" + why + ")";
}
}  // namespace

RenderOutcome RenderStream(RenderHost& host, SoundSource& source, SoundSink& sink, const RenderSettings& settings,
                           RenderStats& stats, ProgressBar& progress, const volatile std::sig_atomic_t* cancel,
                           std::string& error)
{
  const int channels = source.Channels();
  if (channels < 1 || channels > 2)
  {
    error = "the input has " + std::to_string(channels) + " channels; only mono and stereo are supported";
    return RenderOutcome::Failed;
  }
  if (settings.blockSize < 1)
  {
    error = "the block size must be at least 1";
    return RenderOutcome::Failed;
  }
  const auto started = std::chrono::steady_clock::now();
  stats = RenderStats();
  stats.sampleRate = settings.sampleRate;

  if (!host.Configure(settings.sampleRate, settings.blockSize, settings.precision))
  {
    error = Explained(host, "the plug-in refused the sample rate, block size or precision");
    return RenderOutcome::Failed;
  }
  if (!host.LoadParams(settings.paramValues))
  {
    error = Explained(host, "the plug-in did not take the parameter values");
    return RenderOutcome::Failed;
  }

  // Every buffer is sized once here, before the first block.
  const size_t block = static_cast<size_t>(settings.blockSize);
  std::vector<double> interleavedIn(block * static_cast<size_t>(channels));
  std::vector<double> interleavedOut(block * 2);
  std::vector<double> inLeft(block), inRight(block), outLeft(block), outRight(block);
  std::vector<float> floatInLeft, floatInRight, floatOutLeft, floatOutRight;
  if (settings.precision == RenderPrecision::Single)
  {
    floatInLeft.resize(block);
    floatInRight.resize(block);
    floatOutLeft.resize(block);
    floatOutRight.resize(block);
  }

  size_t nextPoint = 0;
  for (;;)
  {
    if (cancel && *cancel)
      return RenderOutcome::Cancelled;
    const int64_t got = source.Read(interleavedIn.data(), settings.blockSize);
    if (got < 0)
    {
      error = "reading the input failed after " + std::to_string(stats.frames) + " frames";
      return RenderOutcome::Failed;
    }
    if (got == 0)
      break;
    const int frames = static_cast<int>(got);
    // Every change whose frame falls in this block goes to the host with its offset. Of
    // several changes of one parameter only the last is sent: a VST 3 plug-in may read
    // only a queue's last point, and the others must hear what it hears.
    size_t blockEnd = nextPoint;
    while (blockEnd < settings.automation.size() && settings.automation[blockEnd].frame < stats.frames + frames)
      ++blockEnd;
    for (; nextPoint < blockEnd; ++nextPoint)
    {
      const AutomationPoint& point = settings.automation[nextPoint];
      if (std::any_of(settings.automation.begin() + static_cast<long>(nextPoint) + 1,
                      settings.automation.begin() + static_cast<long>(blockEnd),
                      [&](const AutomationPoint& later) { return later.param == point.param; }))
        continue;
      const int offset = static_cast<int>(std::max<int64_t>(point.frame - stats.frames, 0));
      if (!host.ScheduleParamChange(point.param, point.plainValue, offset))
      {
        error = Explained(host, "the plug-in refused an automated change at frame " + std::to_string(point.frame));
        return RenderOutcome::Failed;
      }
    }
    for (int i = 0; i < frames; ++i)
    {
      inLeft[i] = interleavedIn[static_cast<size_t>(i * channels)];
      inRight[i] = interleavedIn[static_cast<size_t>(i * channels + channels - 1)];
    }
    stats.in.Add(inLeft.data(), inRight.data(), frames);

    bool processed = false;
    if (settings.precision == RenderPrecision::Double)
    {
      double* inputs[2] = {inLeft.data(), inRight.data()};
      double* outputs[2] = {outLeft.data(), outRight.data()};
      processed = host.ProcessDouble(inputs, outputs, frames);
    }
    else
    {
      // What a 32-bit host hands over: the samples rounded to float.
      for (int i = 0; i < frames; ++i)
      {
        floatInLeft[i] = static_cast<float>(inLeft[i]);
        floatInRight[i] = static_cast<float>(inRight[i]);
      }
      const float* inputs[2] = {floatInLeft.data(), floatInRight.data()};
      float* outputs[2] = {floatOutLeft.data(), floatOutRight.data()};
      processed = host.ProcessSingle(inputs, outputs, frames);
      for (int i = 0; i < frames; ++i)
      {
        outLeft[i] = floatOutLeft[i];
        outRight[i] = floatOutRight[i];
      }
    }
    if (!processed)
    {
      error = Explained(host, "the plug-in failed to process a block at frame " + std::to_string(stats.frames));
      return RenderOutcome::Failed;
    }
    stats.out.Add(outLeft.data(), outRight.data(), frames);

    for (int i = 0; i < frames; ++i)
    {
      interleavedOut[static_cast<size_t>(2 * i)] = outLeft[i];
      interleavedOut[static_cast<size_t>(2 * i + 1)] = outRight[i];
    }
    if (!sink.Write(interleavedOut.data(), frames))
    {
      error = "writing failed after " + std::to_string(stats.frames) + " frames";
      return RenderOutcome::Failed;
    }
    stats.frames += frames;
    progress.Update(stats.frames);
  }
  stats.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return RenderOutcome::Done;
}
