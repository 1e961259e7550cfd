// Tests of the offline wrapper and the in-process host: what the plug-in sees,
// in which order, when brindle-render drives it.
#include "InProcessHost.h"
#include "RenderMain.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace
{
std::string Number(double v)
{
  std::ostringstream text;
  text << v;
  return text.str();
}

// Three parameters; scales the left channel by the "Level" gain and the right by
// 2, and records every call that reaches it.
class RecordingPlugin : public IEffectOffline
{
public:
  explicit RecordingPlugin(std::vector<std::string>& log)
    : IEffectOffline(nullptr, 3, "2-2", 1, "Recorder", "", "Tests", 0x100, 0x52656331, 0x54657374), log(log)
  {
    GetParam(0)->DefineDouble("Level", 0.0, -10.0, 10.0, 0.1, "dB");
    GetParam(1)->DefineEnum("Mode", 1, 3);
    GetParam(1)->AddDisplayText(0, "stereo");
    GetParam(1)->AddDisplayText(1, "mid");
    GetParam(1)->AddDisplayText(2, "side");
    GetParam(2)->DefineBool("Flip");
  }
  ~RecordingPlugin() override { log.push_back("destroyed"); }

  void OnReset() override
  {
    log.push_back("OnReset " + Number(SampleRate()) + " " + std::to_string(BlockSize()));
  }
  void OnParamChanged(int index) override
  {
    log.push_back("OnParamChanged " + std::to_string(index) + " " + Number(GetParam(index)->Value()));
    if (index == 0)
      gain = std::pow(10.0, GetParam(0)->Value() / 20.0);
  }
  void ProcessDouble(double** inputs, double** outputs, int frames) override
  {
    log.push_back("ProcessDouble " + std::to_string(frames));
    for (int i = 0; i < frames; ++i)
    {
      outputs[0][i] = inputs[0][i] * gain;
      outputs[1][i] = inputs[1][i] * 2.0;
    }
  }

private:
  std::vector<std::string>& log;
  double gain = 1.0;
};

class OfflineHostTest : public ScratchFolderTest
{
protected:
  int Run(const std::vector<std::string>& args, InProcessHost::PluginFactory factory)
  {
    std::ostringstream out, err;
    RenderConsole console{out, err, false, nullptr};
    const int code = RunRender(args, [&] { return std::make_unique<InProcessHost>(factory); }, console);
    errors = err.str();
    listing = out.str();
    return code;
  }

  InProcessHost::PluginFactory Recorder()
  {
    return [this] { return std::make_unique<RecordingPlugin>(log); };
  }

  std::vector<std::string> log;
  std::string errors;
  std::string listing;
};
}  // namespace

TEST_F(OfflineHostTest, PluginSeesResetThenEveryParameterInOrderThenBlocks)
{
  WriteF64(Path("in.f64"), std::vector<double>(2 * 250, 0.5));
  ASSERT_EQ(Run({"--rate", "32000", "--block", "100", "--param", "Level=-3.5", "--param", "Flip=on",
                 Path("in.f64"), Path("out.f64")},
                Recorder()),
            0)
    << errors;
  // "Mode" keeps its default of 1 ("mid").
  const std::vector<std::string> expected = {
    "OnReset 32000 100", "OnParamChanged 0 -3.5", "OnParamChanged 1 1", "OnParamChanged 2 1",
    "ProcessDouble 100", "ProcessDouble 100",     "ProcessDouble 50",   "destroyed"};
  EXPECT_EQ(log, expected);
}

TEST_F(OfflineHostTest, BothPrecisionsCarryTheSamplesThroughThePluginBase)
{
  // 0.1 is not a float: the single path hands the plug-in float(0.1).
  std::vector<double> input;
  for (int i = 0; i < 300; ++i)
  {
    input.push_back(0.1 * (i % 7));
    input.push_back(-0.3);
  }
  WriteF64(Path("in.f64"), input);
  const double gain = std::pow(10.0, 6.0 / 20.0);
  for (const char* precision : {"double", "single"})
  {
    SCOPED_TRACE(precision);
    const bool single = std::strcmp(precision, "single") == 0;
    ASSERT_EQ(Run({"--precision", precision, "--block", "64", "--param", "Level=6", Path("in.f64"), Path("out.f64")},
                  Recorder()),
              0)
      << errors;
    const std::vector<double> output = ReadF64(Path("out.f64"));
    ASSERT_EQ(output.size(), input.size());
    for (size_t i = 0; i < input.size(); i += 2)
    {
      const double left = single ? static_cast<float>(static_cast<float>(input[i]) * gain) : input[i] * gain;
      const double right = single ? static_cast<float>(static_cast<float>(input[i + 1]) * 2.0) : input[i + 1] * 2.0;
      ASSERT_EQ(output[i], left) << i;
      ASSERT_EQ(output[i + 1], right) << i;
    }
  }
}

TEST_F(OfflineHostTest, ParameterTableComesFromThePlugin)
{
  ASSERT_EQ(Run({"--list-params"}, Recorder()), 0) << errors;
  const std::string expected =
    "index  name              range              default         display texts\n"
    "    0  Level             -10.0 to 10.0 dB   0.0\n"
    "    1  Mode              0 to 2             1 (mid)         0 = stereo, 1 = mid, 2 = side\n"
    "    2  Flip              0 to 1             0 (off)         0 = off, 1 = on\n";
  EXPECT_EQ(listing, expected);
  EXPECT_EQ(log, std::vector<std::string>{"destroyed"});
}

TEST_F(OfflineHostTest, HostRefusesWhatThePluginCannotTake)
{
  // A plug-in that cannot be made, or throws while being made, is reported.
  EXPECT_EQ(Run({Path("out.f64")}, [] { return std::unique_ptr<IEffectOffline>(); }), 1);
  EXPECT_NE(errors.find("the plug-in could not be created"), std::string::npos);
  EXPECT_EQ(Run({Path("out.f64")}, []() -> std::unique_ptr<IEffectOffline> { throw std::runtime_error("no"); }), 1);
  EXPECT_FALSE(fs::exists(Path("out.f64")));

  InProcessHost host(Recorder());
  double left[8] = {}, right[8] = {};
  double* buffers[2] = {left, right};
  EXPECT_FALSE(host.ProcessDouble(buffers, buffers, 4)) << "before Create";
  ASSERT_TRUE(host.Create());
  EXPECT_FALSE(host.Configure(0.0, 8, RenderPrecision::Double));
  EXPECT_FALSE(host.Configure(std::nan(""), 8, RenderPrecision::Double));
  EXPECT_FALSE(host.Configure(48000.0, 0, RenderPrecision::Double));
  ASSERT_TRUE(host.Configure(48000.0, 4, RenderPrecision::Double));
  EXPECT_FALSE(host.LoadParams({1.0, 2.0})) << "one value short";
  EXPECT_TRUE(host.LoadParams({1.0, 2.0, 0.0}));
  EXPECT_FALSE(host.ProcessDouble(buffers, buffers, 5)) << "longer than the block size";
  EXPECT_TRUE(host.ProcessDouble(buffers, buffers, 4));
  host.Release();
  EXPECT_FALSE(host.ProcessDouble(buffers, buffers, 4)) << "after Release";
}
