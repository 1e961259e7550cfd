// Delays the passed-through signal while the plug-in is bypassed with a non-zero latency.
#include "framework/BypassDelayLine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

BypassDelayLine::BypassDelayLine(int inputCount_, int outputCount_)
  : inputCount(std::max(inputCount_, 0)), outputCount(std::max(outputCount_, 0))
{
}

bool BypassDelayLine::SetDelay(int samples)
{
  if (samples < 0) return false;
  try {
    std::vector<double> fresh(static_cast<size_t>(samples) * static_cast<size_t>(inputCount), 0.0);
    store.swap(fresh);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  delay = samples;
  writePosition = 0;
  return true;
}

void BypassDelayLine::Process(double** inputs, double** outputs, int frames)
{
  if (!inputs || !outputs || frames <= 0) return;
  const int channels = std::min(inputCount, outputCount);
  if (delay == 0) {
    for (int c = 0; c < channels; ++c)
      if (inputs[c] && outputs[c] && inputs[c] != outputs[c])
        std::memmove(outputs[c], inputs[c], sizeof(double) * static_cast<size_t>(frames));
    return;
  }
  for (int f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      double& stored = store[static_cast<size_t>(c) * static_cast<size_t>(delay) + static_cast<size_t>(writePosition)];
      // Read the input first: the host may process in place.
      const double in = inputs[c] ? inputs[c][f] : 0.0;
      if (outputs[c]) outputs[c][f] = stored;
      stored = in;
    }
    if (++writePosition >= delay) writePosition = 0;
  }
}
