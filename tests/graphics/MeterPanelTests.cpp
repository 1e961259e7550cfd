// The meter panel in Brindle's editor, fed through the plug-in: pixels of the level
// bars, the correlation bar, the vectorscope and the clip lamps for known inputs,
// bypass and gain, and pictures that do not depend on the host's block size.
#include "BrindleTestSupport.h"
#include "MeterPanel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const double kPi = 3.14159265358979323846;

// Colours the panel draws with (opaque), and the artwork under it.
const uint32_t kTrack = 0xFF262A32u, kRms = 0xFF48C478u, kPeak = 0xFF96D6B0u, kPositive = 0xFF48C478u,
               kNegative = 0xFFE24C3Cu, kClipLit = 0xFFEC4030u, kClipOff = 0xFF464A54u;

// Editor columns inside each level bar and the rows the scale gives: +6 dBFS at row
// 110, -60 at 286, so a level of d dBFS lights the rows from 110 + (6 - d) x 176 / 66 down.
const int kInL = 650, kInR = 662, kOutL = 686, kOutR = 698;
int FirstLitRow(double db) { return int(std::ceil(110.0 + (6.0 - db) * 176.0 / 66.0)); }

using Signal = std::function<void(int64_t, double&, double&)>;

std::unique_ptr<Brindle> OpenedWithMeters(double rate = 44100.0, int block = 512)
{
  auto plug = MakeBrindle();
  plug->SetSampleRate(rate);
  plug->ChangeBlockSize(block);
  plug->OnReset();
  EditorOf(*plug).OpenWindow(nullptr);
  plug->OnEditorOpened();
  EditorOf(*plug).Tick();
  return plug;
}

// Plays seconds of signal in blocks of the given size, then lets the editor draw.
void Play(Brindle& plug, double seconds, const Signal& signal, int block = 512)
{
  const int64_t total = int64_t(std::llround(seconds * plug.SampleRate()));
  const size_t n = size_t(block);
  std::vector<double> left(n), right(n), outL(n), outR(n);
  for (int64_t done = 0; done < total; done += block) {
    const int count = int(std::min<int64_t>(block, total - done));
    for (int i = 0; i < count; ++i) signal(done + i, left[size_t(i)], right[size_t(i)]);
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outL.data(), outR.data()};
    plug.ProcessDoubleReplacing(2, in, 2, out, count);
  }
  EditorOf(plug).Tick();
}

Signal Sine(double rate, double amplitudeL, double amplitudeR, double frequency = 1000.0)
{
  return [=](int64_t n, double& l, double& r) {
    const double s = std::sin(2.0 * kPi * frequency * double(n) / rate);
    l = amplitudeL * s;
    r = amplitudeR * s;
  };
}

uint32_t At(Brindle& plug, int x, int y) { return PixelAt(*EditorOf(plug).Surface(), x, y); }

// The rows of a bar's column, top to bottom: where the peak colour starts and where
// the RMS colour starts; everything above is the track.
void ExpectBar(Brindle& plug, int x, double peakDb, double rmsDb, const char* what)
{
  const int peakRow = FirstLitRow(peakDb), rmsRow = FirstLitRow(rmsDb);
  ASSERT_LT(peakRow, rmsRow) << what;
  EXPECT_EQ(At(plug, x, peakRow - 1), kTrack) << what;
  EXPECT_EQ(At(plug, x, peakRow), kPeak) << what;
  EXPECT_EQ(At(plug, x, rmsRow - 1), kPeak) << what;
  EXPECT_EQ(At(plug, x, rmsRow), kRms) << what;
  EXPECT_EQ(At(plug, x, 285), kRms) << what;
}

// Pixels of the vectorscope that differ from its artwork, and how many of them are
// not where onAxis expects points.
struct ScopePoints {
  int lit = 0, offAxis = 0;
};
ScopePoints LitScopePoints(Brindle& plug, const std::function<bool(int, int)>& onAxis)
{
  ScopePoints points;
  auto meters = CarriedImage(kImageMeters);
  if (!meters) return points;
  for (int y = 102; y < 231; ++y)
    for (int x = 490; x < 619; ++x) {
      if (At(plug, x, y) == PixelAt(*meters, x - 470, y)) continue;
      ++points.lit;
      points.offAxis += !onAxis(x, y);
    }
  return points;
}

}  // namespace

TEST(MeterPanel, SilenceShowsEmptyBarsAndNoSignal)
{
  auto meters = CarriedImage(kImageMeters);
  ASSERT_NE(meters, nullptr);
  for (bool opened : {false, true}) {
    auto plug = opened ? OpenedWithMeters() : MakeBrindle();
    if (!opened) EditorOf(*plug).OpenWindow(nullptr);
    Play(*plug, 0.5, [](int64_t, double& l, double& r) { l = r = 0.0; });
    EditorOf(*plug).Draw(IRect(0, 0, kEditorWidth, kEditorHeight));
    for (int x : {kInL, kInR, kOutL, kOutR}) {
      EXPECT_EQ(At(*plug, x, 111), kTrack);
      EXPECT_EQ(At(*plug, x, 285), kTrack);
      EXPECT_EQ(At(*plug, x, 100), kClipOff);
    }
    // The whole vectorscope is its artwork; the correlation bar shows no fill.
    int differ = 0;
    for (int y = 102; y < 231; ++y)
      for (int x = 490; x < 619; ++x) differ += At(*plug, x, y) != PixelAt(*meters, x - 470, y);
    EXPECT_EQ(differ, 0) << opened;
    EXPECT_EQ(At(*plug, 500, 70), kTrack);
    EXPECT_EQ(At(*plug, 690, 70), kTrack);
  }
}

TEST(MeterPanel, MonoSineLightsTheBarsCorrelationAndVerticalAxis)
{
  // Amplitude 0.5: peak -6.02 dBFS, RMS -9.03 dBFS (the peak less 3.01 dB).
  const double peak = 20.0 * std::log10(0.5), rms = peak - 10.0 * std::log10(2.0);
  auto plug = OpenedWithMeters();
  Play(*plug, 1.0, Sine(44100.0, 0.5, 0.5));
  for (int x : {kInL, kInR, kOutL, kOutR}) ExpectBar(*plug, x, peak, rms, "mono");

  // Correlation +1: the fill runs from the centre (595) to the bar's right end (699).
  EXPECT_EQ(At(*plug, 594, 74), kTrack);
  EXPECT_EQ(At(*plug, 600, 74), kPositive);
  EXPECT_EQ(At(*plug, 690, 74), kPositive);

  // The vectorscope's points all lie in its middle column (554 of 490..618).
  const ScopePoints points = LitScopePoints(*plug, [](int x, int) { return x == 554; });
  EXPECT_GT(points.lit, 40);
  EXPECT_EQ(points.offAxis, 0);
}

TEST(MeterPanel, OutOfPhaseGainAndBypass)
{
  const double peak = 20.0 * std::log10(0.5), rms = peak - 10.0 * std::log10(2.0);
  {
    // Out of phase: correlation -1 fills from the centre to the left end, points lie
    // on the middle row (166 of 102..230).
    auto plug = OpenedWithMeters();
    Play(*plug, 1.0, Sine(44100.0, 0.5, -0.5));
    EXPECT_EQ(At(*plug, 596, 74), kTrack);
    EXPECT_EQ(At(*plug, 590, 74), kNegative);
    EXPECT_EQ(At(*plug, 500, 74), kNegative);
    const ScopePoints points = LitScopePoints(*plug, [](int, int y) { return y == 166; });
    EXPECT_GT(points.lit, 40);
    EXPECT_EQ(points.offAxis, 0);
  }
  {
    // Output gain -10 dB: the input bars show the input, the output bars 10 dB less.
    auto plug = OpenedWithMeters();
    plug->SetParamFromHost(Brindle::kOutputGain, 0.0);
    Play(*plug, 1.0, Sine(44100.0, 0.5, 0.5));
    ExpectBar(*plug, kInL, peak, rms, "input, gain -10 dB");
    ExpectBar(*plug, kOutR, peak - 10.0, rms - 10.0, "output, gain -10 dB");
    // Bypassed, the output is what the host receives: the input. The same when the
    // host bypasses the plug-in itself (the VST 3 bypass).
    plug->SetParamFromHost(Brindle::kBypass, 1.0);
    Play(*plug, 2.0, Sine(44100.0, 0.5, 0.5));
    ExpectBar(*plug, kOutR, peak, rms, "bypass");
    plug->SetParamFromHost(Brindle::kBypass, 0.0);
    plug->SetBypassed(true);
    Play(*plug, 2.0, Sine(44100.0, 0.25, 0.25));
    ExpectBar(*plug, kInL, peak - 6.0206, rms - 6.0206, "host bypass, input");
    ExpectBar(*plug, kOutR, peak - 6.0206, rms - 6.0206, "host bypass, output");
  }
}

TEST(MeterPanel, ClipLampsLightAboveFullScaleAndGoOutWhenClicked)
{
  auto plug = OpenedWithMeters();
  // Only the left input passes 0 dBFS; output gain -10 dB keeps the outputs below it.
  plug->SetParamFromHost(Brindle::kOutputGain, 0.0);
  Play(*plug, 0.2, Sine(44100.0, 1.2, 0.9));
  EXPECT_EQ(At(*plug, kInL, 100), kClipLit);
  EXPECT_EQ(At(*plug, kInR, 100), kClipOff);
  EXPECT_EQ(At(*plug, kOutL, 100), kClipOff);
  Play(*plug, 3.0, [](int64_t, double& l, double& r) { l = r = 0.0; });
  EXPECT_EQ(At(*plug, kInL, 100), kClipLit);  // still lit long after
  Click(EditorOf(*plug), kInR, 100);           // a click on another lamp leaves it lit
  EXPECT_EQ(At(*plug, kInL, 100), kClipLit);
  Click(EditorOf(*plug), kInL, 100);
  EXPECT_EQ(At(*plug, kInL, 100), kClipOff);
}

TEST(MeterPanel, PictureDoesNotDependOnTheBlockSize)
{
  // A changing signal (level steps and a phase turn) through the whole chain.
  Signal signal = [](int64_t n, double& l, double& r) {
    const double t = double(n) / 48000.0;
    const double a = t < 0.5 ? 0.7 : 0.05;
    l = a * std::sin(2.0 * kPi * 300.0 * t);
    r = a * std::sin(2.0 * kPi * 300.0 * t + (t < 0.8 ? 0.5 : 2.8));
  };
  std::vector<uint32_t> reference;
  for (int block : {4096, 32, 1000}) {
    auto plug = OpenedWithMeters(48000.0, block);
    plug->SetParamFromHost(Brindle::kWidth, 0.7);
    Play(*plug, 1.2, signal, block);
    std::vector<uint32_t> picture;
    for (int y = 0; y < kEditorHeight; ++y)
      for (int x = MeterPanelLayout::kLeft; x < kEditorWidth; ++x) picture.push_back(At(*plug, x, y));
    if (reference.empty()) {
      reference = picture;
      continue;
    }
    size_t differ = 0;
    for (size_t i = 0; i < picture.size(); ++i) differ += picture[i] != reference[i];
    EXPECT_EQ(differ, 0u) << block;
  }
}

TEST(MeterPanel, MetersFallWhenTheHostStopsProcessing)
{
  // After ten timer ticks without audio each further tick counts as 40 ms of silence.
  const double peak = 20.0 * std::log10(0.5), rms = peak - 10.0 * std::log10(2.0);
  auto plug = OpenedWithMeters();
  IGraphicsHeadless& editor = EditorOf(*plug);
  Play(*plug, 1.0, Sine(44100.0, 0.5, 0.5));
  // Each check redraws the whole editor: a tick leaves the surface outside the area it
  // drew as the background's fill left it.
  const IRect whole(0, 0, kEditorWidth, kEditorHeight);
  for (int tick = 0; tick < 10; ++tick) editor.Tick();
  editor.Draw(whole);
  ExpectBar(*plug, kOutL, peak, rms, "ten idle ticks: unchanged");
  // 20 ticks of silence (0.8 s): the RMS window is silent, the peak still held.
  for (int tick = 0; tick < 20; ++tick) editor.Tick();
  editor.Draw(whole);
  EXPECT_EQ(At(*plug, kOutL, FirstLitRow(peak)), kPeak);
  EXPECT_EQ(At(*plug, kOutL, 285), kPeak);
  EXPECT_EQ(At(*plug, 650, 74), kTrack);  // no signal
  // 100 more (4 s): 1.5 s of hold and 2.5 s of fall take -6 dBFS below -60.
  for (int tick = 0; tick < 100; ++tick) editor.Tick();
  editor.Draw(whole);
  EXPECT_EQ(At(*plug, kOutL, 285), kTrack);
}
