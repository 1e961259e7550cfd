// Delays the passed-through signal while the plug-in is bypassed with a non-zero latency.
#pragma once

#include <cstdint>
#include <vector>

class BypassDelayLine {
public:
  BypassDelayLine(int inputCount, int outputCount);

  // Sets the delay, sizes the store to delay x inputs samples of silence and
  // restarts writing at 0. A negative delay is ignored; false when memory runs out.
  bool SetDelay(int samples);
  int Delay() const { return delay; }

  // Each output below both counts is its input delayed by exactly Delay() frames;
  // with a delay of 0 the input is copied. Null channel pointers are skipped.
  void Process(double** inputs, double** outputs, int frames);

private:
  std::vector<double> store;  // channel c owns [c * delay, (c + 1) * delay)
  int32_t writePosition = 0;
  int32_t inputCount;
  int32_t outputCount;
  int32_t delay = 0;
};
