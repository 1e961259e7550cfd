// The built-in ten-second demo: a plucked arpeggio moving across the stereo
// field over a centred bass, with short cross reflections for stereo depth.
#pragma once

#include "SoundIo.h"

#include <vector>

class DemoSource : public SoundSource
{
public:
  static constexpr double kSeconds = 10.0;

  explicit DemoSource(double sampleRate);

  int Channels() const override { return 2; }
  double SampleRate() const override { return sampleRate; }
  int64_t Frames() const override { return static_cast<int64_t>(left.size()); }
  SampleEncoding Encoding() const override { return SampleEncoding::Pcm24; }
  std::string Description() const override { return "built-in demo"; }
  int64_t Read(double* interleaved, int64_t frames) override;

private:
  double sampleRate;
  std::vector<double> left;
  std::vector<double> right;
  int64_t position = 0;
};
