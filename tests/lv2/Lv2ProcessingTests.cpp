// brindle.lv2's run(): bit for bit the in-process single-precision render for the same
// settings and blocks, whatever the blocks, buffers and control values a host hands it.
#include "InProcessHost.h"
#include "Lv2TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace lv2test;

namespace {

constexpr double kRate = 48000.0;
constexpr int kFrames = 24000;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Two different tones, so that every stereo tool changes the result.
struct Signal {
  std::vector<float> left, right;
  explicit Signal(int frames, bool mono = false) : left(size_t(frames)), right(size_t(frames)) {
    for (int i = 0; i < frames; ++i) {
      const double t = i / kRate;
      left[size_t(i)] = float(0.5 * std::sin(2.0 * M_PI * 440.0 * t));
      right[size_t(i)] = mono ? left[size_t(i)] : float(0.3 * std::sin(2.0 * M_PI * 660.0 * t + 0.2));
    }
  }
};

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
  bool operator==(const Stereo& other) const { return left == other.left && right == other.right; }
};

// The twelve plain values, defaults first.
using Values = std::vector<double>;
Values Defaults() { return Values(12, 0.0); }
Values With(std::initializer_list<std::pair<int, double>> changes) {
  Values values = Defaults();
  for (const auto& change : changes) values[size_t(change.first)] = change.second;
  return values;
}

// What brindle-render --precision single renders in-process.
Stereo RenderInProcess(const Values& values, const std::vector<int>& blocks, const Signal& in) {
  InProcessHost host;
  int largest = 1;
  for (int b : blocks) largest = std::max(largest, b);
  Stereo out(in.left.size());
  if (!host.Create() || !host.Configure(kRate, largest, RenderPrecision::Single) || !host.LoadParams(values)) {
    ADD_FAILURE() << "in-process host failed";
    return out;
  }
  size_t done = 0;
  for (size_t b = 0; done < in.left.size(); ++b) {
    const size_t frames = std::min(size_t(blocks[b % blocks.size()]), in.left.size() - done);
    const float* inputs[2] = {in.left.data() + done, in.right.data() + done};
    float* outputs[2] = {out.left.data() + done, out.right.data() + done};
    host.ProcessSingle(inputs, outputs, int(frames));
    done += frames;
  }
  host.Release();
  return out;
}

enum class Buffers { Separate, InPlace, Alternating };

// The same through the LV2 module: control ports set before the first run.
Stereo RenderLv2(const Bundle& bundle, const std::vector<float>& ports, const std::vector<int>& blocks,
                 const Signal& in, Buffers buffers = Buffers::Separate) {
  int largest = 1;
  for (int b : blocks) largest = std::max(largest, b);
  Instance lv2(bundle, kRate, largest);
  Stereo out(in.left.size());
  if (!lv2.instance) {
    ADD_FAILURE() << "no instance";
    return out;
  }
  for (size_t i = 0; i < ports.size(); ++i) lv2.SetControl(int(i), ports[i]);
  Stereo work(in.left.size());
  if (buffers == Buffers::InPlace) work = Stereo{};
  std::vector<float> spareLeft(static_cast<size_t>(largest)), spareRight(static_cast<size_t>(largest));
  size_t done = 0;
  for (size_t b = 0; done < in.left.size(); ++b) {
    const size_t frames = std::min(size_t(blocks[b % blocks.size()]), in.left.size() - done);
    if (buffers == Buffers::InPlace) {
      // The host's one buffer per channel: input in, output out.
      std::copy(in.left.begin() + long(done), in.left.begin() + long(done + frames), out.left.begin() + long(done));
      std::copy(in.right.begin() + long(done), in.right.begin() + long(done + frames), out.right.begin() + long(done));
      lv2.Run(out.left.data() + done, out.right.data() + done, out.left.data() + done, out.right.data() + done,
              uint32_t(frames));
    } else if (buffers == Buffers::Alternating && b % 2 == 1) {
      // Another pair of output buffers every other run.
      lv2.Run(in.left.data() + done, in.right.data() + done, spareLeft.data(), spareRight.data(), uint32_t(frames));
      std::copy(spareLeft.begin(), spareLeft.begin() + long(frames), out.left.begin() + long(done));
      std::copy(spareRight.begin(), spareRight.begin() + long(frames), out.right.begin() + long(done));
    } else {
      lv2.Run(in.left.data() + done, in.right.data() + done, out.left.data() + done, out.right.data() + done,
              uint32_t(frames));
    }
    done += frames;
  }
  return out;
}

std::vector<float> AsPorts(const Values& values) { return std::vector<float>(values.begin(), values.end()); }

bool AllFinite(const Stereo& s) {
  for (size_t i = 0; i < s.left.size(); ++i)
    if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) return false;
  return true;
}

}  // namespace

TEST(Lv2Processing, EqualsTheInProcessSinglePrecisionRenderBitForBit) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  const Signal in(kFrames);
  // Values a single-precision port carries exactly, so both paths get the same numbers.
  const struct {
    const char* what;
    Values values;
  } settings[] = {
    {"defaults", Defaults()},
    {"every knob", With({{0, -3.0}, {1, 2.5}, {2, -1.5}, {3, 40.0}, {4, 0.5}, {5, 0.25}})},
    {"mid, invert left, swap", With({{6, 1.0}, {7, 1.0}, {9, 1.0}, {0, 6.0}})},
    {"side, invert right, mono test", With({{6, 2.0}, {8, 1.0}, {10, 1.0}})},
    {"full delay, width at the side end", With({{3, 100.0}, {4, 1.0}, {5, -1.0}})},
    {"bypass", With({{11, 1.0}, {0, 6.0}, {3, 50.0}})},
  };
  const std::vector<std::vector<int>> blockPatterns = {{512}, {1, 7, 64, 333, 4096, 2}, {4096}};
  const Stereo untouched = RenderInProcess(Defaults(), {512}, Signal(kFrames));
  for (const auto& setting : settings) {
    for (const auto& blocks : blockPatterns) {
      SCOPED_TRACE(std::string(setting.what) + ", first block " + std::to_string(blocks[0]));
      const Stereo expected = RenderInProcess(setting.values, blocks, in);
      EXPECT_TRUE(RenderLv2(bundle, AsPorts(setting.values), blocks, in) == expected);
    }
  }
  // The comparison can tell settings apart: the knobs change the sound.
  EXPECT_FALSE(RenderInProcess(settings[1].values, {512}, in) == untouched);
}

TEST(Lv2Processing, InPlaceBuffersAndBuffersChangedBetweenRunsGiveTheSameSound) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  const Signal in(kFrames);
  const Values values = With({{3, 40.0}, {4, 0.5}, {5, 0.25}, {7, 1.0}, {9, 1.0}});
  const std::vector<int> blocks = {256, 100, 1, 999};
  const Stereo expected = RenderInProcess(values, blocks, in);
  EXPECT_TRUE(RenderLv2(bundle, AsPorts(values), blocks, in, Buffers::InPlace) == expected);
  EXPECT_TRUE(RenderLv2(bundle, AsPorts(values), blocks, in, Buffers::Alternating) == expected);
}

TEST(Lv2Processing, BadControlValuesAreLimitedAsHostValuesAre) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  const Signal in(4800);
  // Port value, then the plain value a host's limited value comes to.
  const struct {
    int param;
    float port;
    double plain;
  } cases[] = {
    {0, kNaN, 0.0},     // ignored: the default stays
    {0, kInf, 10.0},    // the range's ends
    {0, -kInf, -10.0},
    {1, 50.0f, 10.0},
    {3, -5.0f, 0.0},
    {4, 2.0f, 1.0},
    {6, 7.0f, 2.0},     // selectors and switches: the nearest step in range
    {6, 1.4f, 1.0},
    {6, 1.6f, 2.0},
    {6, -3.0f, 0.0},
    {7, 0.7f, 1.0},
    {8, 0.3f, 0.0},
    {11, kInf, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("parameter " + std::to_string(c.param) + " port " + std::to_string(c.port));
    std::vector<float> ports(12, 0.0f);
    ports[size_t(c.param)] = c.port;
    Values values = Defaults();
    values[size_t(c.param)] = c.plain;
    const Stereo got = RenderLv2(bundle, ports, {480}, in);
    EXPECT_TRUE(AllFinite(got));
    EXPECT_TRUE(got == RenderInProcess(values, {480}, in));
  }

  // NaN after a value keeps that value.
  Instance lv2(bundle, kRate, 480);
  ASSERT_NE(lv2.instance, nullptr);
  Stereo out(in.left.size());
  for (int block = 0; block < 10; ++block) {
    lv2.SetControl(0, block < 3 ? -3.0f : kNaN);
    const size_t at = size_t(block) * 480;
    lv2.Run(in.left.data() + at, in.right.data() + at, out.left.data() + at, out.right.data() + at, 480);
  }
  EXPECT_TRUE(out == RenderInProcess(With({{0, -3.0}}), {480}, in));
}

TEST(Lv2Processing, MonoInputLampFollowsTheInput) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Instance lv2(bundle, kRate, 512);
  ASSERT_NE(lv2.instance, nullptr);
  const Signal mono(48000, true);
  const Signal stereo(48000);
  Stereo out(512);
  auto runSecond = [&](const Signal& s) {
    for (size_t at = 0; at + 512 <= s.left.size(); at += 512)
      lv2.Run(s.left.data() + at, s.right.data() + at, out.left.data(), out.right.data(), 512);
  };
  runSecond(stereo);
  EXPECT_EQ(lv2.Lamp(), 0.0f);
  runSecond(mono);
  EXPECT_EQ(lv2.Lamp(), 1.0f);
  runSecond(stereo);
  EXPECT_EQ(lv2.Lamp(), 0.0f);
}

TEST(Lv2Processing, RunsWithoutAnyHostFeatureAndAtAnyFrameCount) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  // No URID map and no block-length option: the module still runs, in pieces.
  Instance bare(bundle, 44100.0, 0, false);
  ASSERT_NE(bare.instance, nullptr);
  const Signal in(20000);
  const Values values = With({{0, -3.0}, {4, 0.5}});
  for (size_t i = 0; i < values.size(); ++i) bare.SetControl(int(i), float(values[i]));
  Stereo out(in.left.size());
  bare.Run(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 0);
  bare.Run(in.left.data(), in.right.data(), out.left.data(), out.right.data(), 20000);
  EXPECT_TRUE(AllFinite(out));
  EXPECT_NE(out.left, in.left);
  // A rate of zero or NaN is refused at instantiation.
  EXPECT_EQ(Instance(bundle, 0.0, 512).instance, nullptr);
  EXPECT_EQ(Instance(bundle, std::nan(""), 512).instance, nullptr);
}
