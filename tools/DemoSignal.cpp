// Synthesis of the built-in demo signal.
#include "DemoSignal.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;

double MidiToHz(int note)
{
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Adds one decaying harmonic tone starting at frame start.
void AddTone(std::vector<double>& left, std::vector<double>& right, double sampleRate, double startSeconds,
             double frequency, double level, double pan, double decay, int harmonics)
{
  const int64_t start = static_cast<int64_t>(startSeconds * sampleRate);
  const int64_t length = static_cast<int64_t>(3.0 * sampleRate);
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(left.size()), start + length);
  // Constant-power placement: pan -1 is hard left, +1 hard right.
  const double angle = (pan + 1.0) * 0.25 * kPi;
  const double gainLeft = std::cos(angle) * level;
  const double gainRight = std::sin(angle) * level;
  const double attack = 0.004 * sampleRate;
  // Each partial is a rotating phasor with a decaying envelope: no transcendental
  // calls per sample.
  constexpr int kMaxHarmonics = 8;
  double phaseCos[kMaxHarmonics], phaseSin[kMaxHarmonics], stepCos[kMaxHarmonics], stepSin[kMaxHarmonics];
  double envelope[kMaxHarmonics], envelopeStep[kMaxHarmonics];
  int partials = 0;
  for (int k = 1; k <= std::min(harmonics, kMaxHarmonics) && k * frequency < 0.45 * sampleRate; ++k, ++partials)
  {
    const double omega = 2.0 * kPi * k * frequency / sampleRate;
    phaseCos[partials] = 1.0;
    phaseSin[partials] = 0.0;
    stepCos[partials] = std::cos(omega);
    stepSin[partials] = std::sin(omega);
    envelope[partials] = 1.0 / std::pow(k, 1.4);
    // Upper partials fade faster, as on a plucked string.
    envelopeStep[partials] = std::exp(-decay * (0.6 + 0.4 * k) / sampleRate);
  }
  for (int64_t n = start; n < end; ++n)
  {
    double value = 0.0;
    for (int p = 0; p < partials; ++p)
    {
      value += envelope[p] * phaseSin[p];
      const double c = phaseCos[p] * stepCos[p] - phaseSin[p] * stepSin[p];
      phaseSin[p] = phaseSin[p] * stepCos[p] + phaseCos[p] * stepSin[p];
      phaseCos[p] = c;
      envelope[p] *= envelopeStep[p];
    }
    value *= std::min(1.0, static_cast<double>(n - start) / attack);
    left[static_cast<size_t>(n)] += value * gainLeft;
    right[static_cast<size_t>(n)] += value * gainRight;
  }
}
}  // namespace

DemoSource::DemoSource(double rate) : sampleRate(rate)
{
  const size_t frames = static_cast<size_t>(kSeconds * sampleRate);
  std::vector<double> dryLeft(frames, 0.0);
  std::vector<double> dryRight(frames, 0.0);

  // A minor, F major, C major, G major: one chord per 2.5 seconds, eight notes each.
  const int chords[4][4] = {{57, 60, 64, 69}, {53, 57, 60, 65}, {48, 52, 55, 60}, {55, 59, 62, 67}};
  const int pattern[8] = {0, 1, 2, 3, 2, 1, 2, 3};
  const double noteSeconds = 2.5 / 8.0;
  for (int chord = 0; chord < 4; ++chord)
  {
    const double chordStart = chord * 2.5;
    AddTone(dryLeft, dryRight, sampleRate, chordStart, MidiToHz(chords[chord][0] - 24), 0.33, 0.0, 1.2, 3);
    for (int step = 0; step < 8; ++step)
    {
      const int index = chord * 8 + step;
      const int octave = step >= 4 ? 12 : 0;
      // The arpeggio sweeps slowly from left to right and back.
      const double pan = 0.8 * std::sin(2.0 * kPi * index / 16.0);
      AddTone(dryLeft, dryRight, sampleRate, chordStart + step * noteSeconds,
              MidiToHz(chords[chord][pattern[step]] + octave), 0.24, pan, 3.5, 6);
    }
  }

  // Two short reflections, each thrown to the opposite side, widen the image.
  const size_t delayLeft = static_cast<size_t>(0.017 * sampleRate);
  const size_t delayRight = static_cast<size_t>(0.011 * sampleRate);
  left.assign(frames, 0.0);
  right.assign(frames, 0.0);
  for (size_t n = 0; n < frames; ++n)
  {
    left[n] = dryLeft[n] + (n >= delayLeft ? 0.3 * dryRight[n - delayLeft] : 0.0);
    right[n] = dryRight[n] + (n >= delayRight ? 0.3 * dryLeft[n - delayRight] : 0.0);
  }
  // Fade the last 50 ms so the file ends without a click.
  const size_t fade = std::min(frames, static_cast<size_t>(0.05 * sampleRate));
  for (size_t i = 0; i < fade; ++i)
  {
    const double gain = static_cast<double>(i) / static_cast<double>(fade);
    left[frames - 1 - i] *= gain;
    right[frames - 1 - i] *= gain;
  }
}

int64_t DemoSource::Read(double* interleaved, int64_t frames)
{
  const int64_t count = std::max<int64_t>(0, std::min<int64_t>(frames, Frames() - position));
  for (int64_t i = 0; i < count; ++i)
  {
    interleaved[2 * i] = left[static_cast<size_t>(position + i)];
    interleaved[2 * i + 1] = right[static_cast<size_t>(position + i)];
  }
  position += count;
  return count;
}
