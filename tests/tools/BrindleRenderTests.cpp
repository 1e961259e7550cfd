// brindle-render with the plug-in it carries: what a user of the tool relies on.
#include "InProcessHost.h"
#include "RenderMain.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Every stage busy: delay, width, panning, both mid/side gains, output gain, a
// polarity flip and the channel swap.
const std::vector<std::string> kEverythingActive = {
  "--param", "Delay Amount=60",  "--param", "Width=0.4",        "--param", "Panning=-0.3",
  "--param", "Mid Gain=2",       "--param", "Side Gain=-1.5",   "--param", "Output Gain=-2",
  "--param", "Invert Right=on",  "--param", "L/R swap=on"};

class BrindleRenderTest : public ScratchFolderTest
{
protected:
  void SetUp() override
  {
    ScratchFolderTest::SetUp();
    // One second of two unrelated tones with noise, left and right different.
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> noise(-0.1, 0.1);
    for (int i = 0; i < 48000; ++i)
    {
      const double t = i / 48000.0;
      input.push_back(0.3 * std::sin(2 * kPi * 440 * t) + noise(random));
      input.push_back(0.25 * std::sin(2 * kPi * 660 * t + 1.0) + noise(random));
    }
    WriteF64(Path("in.f64"), input);
  }

  // Renders in.f64 with the options and returns the output samples.
  std::vector<double> Render(std::vector<std::string> options, std::string* messages = nullptr)
  {
    options.push_back(Path("in.f64"));
    options.push_back(Path("out.f64"));
    std::ostringstream out, err;
    RenderConsole console{out, err, false, nullptr};
    const int code = RunRender(options, [] { return std::make_unique<InProcessHost>(); }, console);
    EXPECT_EQ(code, 0) << err.str();
    if (messages)
      *messages = err.str();
    return ReadF64(Path("out.f64"));
  }

  std::vector<double> input;
};
}  // namespace

TEST_F(BrindleRenderTest, DefaultsGiveTheInputBackUpToLastBitRounding)
{
  const std::vector<double> output = Render({});
  ASSERT_EQ(output.size(), input.size());
  for (size_t i = 0; i < input.size(); i += 2)
  {
    // ((L - R) + (L + R)) × 0.5 in double: a few units in the last place of |L| + |R|.
    const double bound = 4.0 * std::ldexp(std::fabs(input[i]) + std::fabs(input[i + 1]), -52);
    ASSERT_NEAR(output[i], input[i], bound) << i;
    ASSERT_NEAR(output[i + 1], input[i + 1], bound) << i;
  }
}

TEST_F(BrindleRenderTest, BlockSizeDoesNotChangeASingleBit)
{
  const std::vector<std::string> settings[] = {
    kEverythingActive,
    {"--param", "Channel Selector=side", "--param", "Delay Amount=100", "--param", "Mono Test=on"},
  };
  for (const std::vector<std::string>& options : settings)
  {
    std::vector<std::string> withBlock = options;
    withBlock.insert(withBlock.begin(), {"--block", "512"});
    const std::vector<double> reference = Render(withBlock);
    ASSERT_EQ(reference.size(), input.size());
    for (const char* block : {"1", "37", "4096"})
    {
      SCOPED_TRACE(block);
      withBlock[1] = block;
      const std::vector<double> output = Render(withBlock);
      ASSERT_EQ(output.size(), reference.size());
      EXPECT_EQ(std::memcmp(output.data(), reference.data(), output.size() * sizeof(double)), 0);
    }
  }
}

TEST_F(BrindleRenderTest, SingleAndDoublePrecisionAgreeToFloatRounding)
{
  std::vector<std::string> single = kEverythingActive;
  single.insert(single.end(), {"--precision", "single"});
  const std::vector<double> doubles = Render(kEverythingActive);
  const std::vector<double> singles = Render(single);
  ASSERT_EQ(doubles.size(), singles.size());
  double largest = 0.0, worst = 0.0;
  for (size_t i = 0; i < doubles.size(); ++i)
  {
    largest = std::max(largest, std::fabs(doubles[i]));
    worst = std::max(worst, std::fabs(doubles[i] - singles[i]));
  }
  // Input and output each rounded to float (2^-24 relative), through a chain of
  // gains of a few units at most.
  ASSERT_GT(largest, 0.1);
  EXPECT_LT(worst, 16 * std::ldexp(largest, -24));
}

TEST_F(BrindleRenderTest, NamedSettingsReachThePlugin)
{
  // Bypass copies the input exactly, whatever else is set.
  std::vector<std::string> bypass = kEverythingActive;
  bypass.insert(bypass.end(), {"--param", "Bypass=on"});
  EXPECT_EQ(Render(bypass), input);

  // The mono check gives both outputs the same samples.
  std::vector<double> output = Render({"--param", "Mono Test=on", "--param", "Panning=0.5"});
  for (size_t i = 0; i < output.size(); i += 2)
    ASSERT_EQ(output[i], output[i + 1]) << i;

  // Mid selects (L + R) / 2 on both channels, once the width has glided there
  // (100 ms at 48 kHz: the state is loaded after the reset, as a host does).
  output = Render({"--param", "Channel Selector=mid"});
  for (size_t i = 2 * 4800; i < output.size(); i += 2)
  {
    const double mid = 0.5 * (input[i] + input[i + 1]);
    ASSERT_NEAR(output[i], mid, 1e-15) << i;
    ASSERT_NEAR(output[i + 1], mid, 1e-15) << i;
  }

  // -6 dB of output gain once its 50 ms glide from 0 dB is over.
  output = Render({"--param", "Output Gain=-6"});
  const double gain = std::pow(10.0, -6.0 / 20.0);
  for (size_t i = 2 * 4800; i < output.size(); ++i)
    ASSERT_NEAR(output[i], input[i] * gain, 1e-12) << i;
}

TEST_F(BrindleRenderTest, NonFiniteInputDoesNotSilenceTheRestOfTheFile)
{
  // 100 frames of NaN and infinity 0.3 s in, everything active.
  const size_t start = 2 * 14400;
  for (size_t i = start; i < start + 200; i += 2)
  {
    input[i] = std::nan("");
    input[i + 1] = (i / 2) % 2 ? HUGE_VAL : -HUGE_VAL;
  }
  WriteF64(Path("in.f64"), input);
  std::string messages;
  const std::vector<double> output = Render(kEverythingActive, &messages);
  ASSERT_EQ(output.size(), input.size());
  EXPECT_NE(messages.find("(200 non-finite samples)"), std::string::npos) << messages;
  for (size_t i = 0; i < start; ++i)
    ASSERT_TRUE(std::isfinite(output[i])) << i;
  // The longest delay is 15.75 ms; a tenth of a second later all is finite again.
  size_t firstAfter = start + 200 + 2 * 4800;
  for (size_t i = firstAfter; i < output.size(); ++i)
    ASSERT_TRUE(std::isfinite(output[i])) << i;
  double tail = 0.0;
  for (size_t i = firstAfter; i < output.size(); ++i)
    tail = std::max(tail, std::fabs(output[i]));
  EXPECT_GT(tail, 0.1) << "the signal comes back, not just silence";
}

TEST_F(BrindleRenderTest, AutomationTakesEffectFromTheBlockContainingItsTime)
{
  // 0.0501 s at 48 kHz is frame 2404, inside the block of 480 that starts at frame 2400:
  // everything before that block is the unautomated render, bit for bit, and the block
  // itself already changes.
  std::ofstream(Path("gain.txt")) << "0.0501 Output Gain -6\n";
  const std::vector<double> plain = Render({"--block", "480"});
  const std::vector<double> moved = Render({"--block", "480", "--automation", Path("gain.txt")});
  ASSERT_EQ(plain.size(), moved.size());
  const size_t blockStart = 2 * 2400;
  EXPECT_EQ(std::memcmp(plain.data(), moved.data(), blockStart * sizeof(double)), 0);
  size_t changedInBlock = 0;
  for (size_t i = blockStart; i < blockStart + 2 * 480; ++i)
    changedInBlock += plain[i] != moved[i];
  EXPECT_GT(changedInBlock, 400u);
  // Half a second later the gain has long arrived: -6 dB is a factor of 0.501.
  for (size_t i = 2 * 30000; i < 2 * 30100; ++i)
    EXPECT_NEAR(moved[i], plain[i] * std::pow(10.0, -6.0 / 20.0), 1e-9) << i;
}
