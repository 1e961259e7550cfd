// Level meters, progress bar and summary of brindle-render.
#include "RenderReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void StereoMeter::Add(const double* left, const double* right, int count)
{
  const double* channels[2] = {left, right};
  for (int c = 0; c < 2; ++c)
  {
    for (int i = 0; i < count; ++i)
    {
      const double x = channels[c][i];
      if (!std::isfinite(x))
      {
        ++nonFinite;
        continue;
      }
      peak[c] = std::fmax(peak[c], std::fabs(x));
      sumOfSquares[c] += x * x;
    }
  }
  frames += count;
}

double StereoMeter::Rms(int channel) const
{
  return frames > 0 ? std::sqrt(sumOfSquares[channel] / static_cast<double>(frames)) : 0.0;
}

std::string FormatDecibels(double level)
{
  if (!(level > 0.0))
    return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 20.0 * std::log10(level));
  return text;
}

namespace
{
std::string MeterText(const char* side, const StereoMeter& meter)
{
  std::string text = std::string(side) + " peak " + FormatDecibels(meter.Peak(0)) + "/" +
                     FormatDecibels(meter.Peak(1)) + " dBFS, rms " + FormatDecibels(meter.Rms(0)) + "/" +
                     FormatDecibels(meter.Rms(1)) + " dBFS";
  if (meter.NonFinite() > 0)
    text += " (" + std::to_string(meter.NonFinite()) + " non-finite samples)";
  return text;
}
}  // namespace

std::string FormatSummary(const RenderStats& stats)
{
  const double audioSeconds = stats.sampleRate > 0.0 ? static_cast<double>(stats.frames) / stats.sampleRate : 0.0;
  char head[128];
  std::snprintf(head, sizeof head, "%lld frames, %.3f s at %g Hz; ", static_cast<long long>(stats.frames),
                audioSeconds, stats.sampleRate);
  char tail[96];
  if (stats.wallSeconds > 0.0)
    std::snprintf(tail, sizeof tail, "; took %.3f s, %.1fx real time", stats.wallSeconds,
                  audioSeconds / stats.wallSeconds);
  else
    std::snprintf(tail, sizeof tail, "; took %.3f s", stats.wallSeconds);
  return std::string(head) + MeterText("in L/R", stats.in) + "; " + MeterText("out L/R", stats.out) + tail;
}

ProgressBar::ProgressBar(std::ostream& stream, bool enabled, int64_t totalFrames)
  : stream(stream), enabled(enabled && totalFrames > 0), totalFrames(totalFrames)
{
}

void ProgressBar::Update(int64_t doneFrames)
{
  if (!enabled)
    return;
  // Frame counts from file headers can be wrong; never draw past the end.
  const int percent = static_cast<int>(std::min<int64_t>(100, 100 * std::max<int64_t>(0, doneFrames) / totalFrames));
  if (percent == lastPercent)
    return;
  lastPercent = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  stream << "\r[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << percent << "%" << std::flush;
}

void ProgressBar::Finish()
{
  if (enabled && lastPercent >= 0)
    stream << "\r" << std::string(48, ' ') << "\r" << std::flush;
}

bool WantsProgress(bool stderrIsTerminal, int64_t frames, double sampleRate)
{
  return stderrIsTerminal && sampleRate > 0.0 && static_cast<double>(frames) >= 20.0 * sampleRate;
}
