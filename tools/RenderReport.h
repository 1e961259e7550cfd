// Level meters, the progress bar and the closing summary line of brindle-render.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

class StereoMeter
{
public:
  void Add(const double* left, const double* right, int frames);
  double Peak(int channel) const { return peak[channel]; }
  double Rms(int channel) const;
  int64_t NonFinite() const { return nonFinite; }

private:
  double peak[2] = {0.0, 0.0};
  double sumOfSquares[2] = {0.0, 0.0};
  int64_t frames = 0;
  int64_t nonFinite = 0;
};

struct RenderStats
{
  int64_t frames = 0;
  double sampleRate = 0.0;
  double wallSeconds = 0.0;
  StereoMeter in;
  StereoMeter out;
};

std::string FormatDecibels(double level);
std::string FormatSummary(const RenderStats& stats);

// Redraws one line on a terminal when the whole percentage changes.
class ProgressBar
{
public:
  ProgressBar(std::ostream& stream, bool enabled, int64_t totalFrames);
  void Update(int64_t doneFrames);
  void Finish();

private:
  std::ostream& stream;
  bool enabled;
  int64_t totalFrames;
  int lastPercent = -1;
};

// A progress bar is worth drawing from twenty seconds of audio on.
bool WantsProgress(bool stderrIsTerminal, int64_t frames, double sampleRate);
