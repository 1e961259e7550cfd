// brindle-render --module: the built modules render exactly what the tool's own
// plug-in renders, foreign modules are hosted, and bad modules are refused.
#include "ForeignAllocations.h"
#include "InProcessHost.h"
#include "ModuleHost.h"
#include "RenderMain.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
constexpr double kPi = 3.14159265358979323846;
// Not a multiple of any block size used below, so the last block is short.
constexpr int kFileFrames = 4801;

struct RunResult
{
  int code = -1;
  std::string out;
  std::string err;
};

class ModuleHostTest : public ScratchFolderTest
{
protected:
  void SetUp() override
  {
    ScratchFolderTest::SetUp();
    // Two unrelated tones, left and right different, with a click in the middle.
    for (int i = 0; i < kFileFrames; ++i)
    {
      const double t = i / 48000.0;
      input.push_back(0.4 * std::sin(2 * kPi * 330 * t) + (i == 2400 ? 0.5 : 0.0));
      input.push_back(0.3 * std::sin(2 * kPi * 1250 * t + 0.5));
    }
    WriteF64(Path("in.f64"), input);
  }

  static RunResult Run(const std::vector<std::string>& args)
  {
    std::ostringstream out, err;
    RenderConsole console{out, err, false, nullptr};
    RunResult result;
    result.code = RunRender(
      args, [] { return std::make_unique<InProcessHost>(); }, console,
      [](const std::string& path) { return CreateModuleHost(path, OwnParamTable()); });
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  // Renders with the options (plus --module when given) into a file of its own and
  // returns that file's bytes.
  std::string Render(std::vector<std::string> options, const std::string& module, const std::string& output)
  {
    if (!module.empty())
      options.insert(options.begin(), {"--module", module});
    options.push_back(Path(output));
    const RunResult result = Run(options);
    EXPECT_EQ(result.code, 0) << result.err;
    std::ifstream file(Path(output), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  std::vector<double> input;
};

bool Present(const std::string& path)
{
  std::error_code ignored;
  return fs::exists(fs::u8path(path), ignored);
}
}  // namespace

TEST_F(ModuleHostTest, BothModulesRenderWhatTheToolsOwnPluginRenders)
{
  struct Setting
  {
    const char* what;
    std::vector<std::string> options;
    bool onDemoToo;  // one-frame blocks over the whole demo would only take time
  };
  const Setting settings[] = {
    {"everything active",
     {"--param", "Delay Amount=60", "--param", "Width=0.4", "--param", "Panning=-0.3", "--param", "Mid Gain=2",
      "--param", "Side Gain=-1.5", "--param", "Output Gain=-2", "--param", "Invert Right=on", "--param",
      "L/R swap=on", "--param", "Invert Left=on"},
     true},
    {"mid mode", {"--param", "Channel Selector=mid", "--param", "Delay Amount=30"}, true},
    {"swap on", {"--param", "L/R swap=on", "--block", "100"}, true},
    {"bypass", {"--param", "Bypass=on", "--param", "Width=-0.7", "--block", "1"}, false},
  };
  for (const Setting& setting : settings)
  {
    for (const char* precision : {"double", "single"})
    {
      for (const bool demo : {false, true})
      {
        SCOPED_TRACE(std::string(setting.what) + ", " + precision + (demo ? ", demo" : ", file"));
        if (demo && !setting.onDemoToo)
          continue;
        std::vector<std::string> options = setting.options;
        options.insert(options.end(), {"--precision", precision});
        if (demo)
          options.insert(options.end(), {"--block", "700"});
        else
          options.push_back(Path("in.f64"));

        const std::string own = Render(options, "", "own.f64");
        const std::string vst2 = Render(options, BRINDLE2_MODULE, "vst2.f64");
        const std::string vst3 = Render(options, BRINDLE3_BUNDLE, "vst3.f64");
        const std::string clap = Render(options, BRINDLE_CLAP_MODULE, "clap.f64");
        const size_t frames = demo ? 480000 : kFileFrames;
        ASSERT_EQ(own.size(), frames * 16);
        EXPECT_TRUE(vst2 == own) << "VST 2 module differs";
        EXPECT_TRUE(vst3 == own) << "VST 3 module differs";
        EXPECT_TRUE(clap == own) << "CLAP module differs";

        if (demo)
          continue;
        // Against the input, so that three hosts doing nothing cannot agree.
        const std::vector<double> output = ReadF64(Path("own.f64"));
        const bool single = std::string(precision) == "single";
        size_t changed = 0;
        for (size_t i = 0; i < input.size(); ++i)
        {
          const double in = single ? static_cast<double>(static_cast<float>(input[i])) : input[i];
          changed += output[i] != in;
        }
        if (std::string(setting.what) == "bypass")
          EXPECT_EQ(changed, 0u) << "bypass passes the input through";
        else
          EXPECT_GT(changed, input.size() / 2);
      }
    }
  }
}

TEST_F(ModuleHostTest, SettingsApplyFromTheFirstSampleInEveryHost)
{
  // Width, mid/side gains and output gain in closed form, with no glide from the defaults:
  // L' = g (gm cos(pi/4) (L + R) + gs (L - R)) / 2 and R' = g (gm cos(pi/4) (L + R) - gs (L - R)) / 2.
  const std::vector<std::string> options = {"--param", "Output Gain=-10", "--param", "Mid Gain=6",
                                            "--param", "Side Gain=-4",    "--param", "Width=0.5",
                                            Path("in.f64")};
  const std::string own = Render(options, "", "own.f64");
  EXPECT_TRUE(Render(options, BRINDLE2_MODULE, "vst2.f64") == own) << "VST 2 module differs";
  EXPECT_TRUE(Render(options, BRINDLE3_BUNDLE, "vst3.f64") == own) << "VST 3 module differs";
  EXPECT_TRUE(Render(options, BRINDLE_CLAP_MODULE, "clap.f64") == own) << "CLAP module differs";
  const std::vector<double> output = ReadF64(Path("own.f64"));
  ASSERT_EQ(output.size(), input.size());
  const double g = std::pow(10.0, -0.5), mid = std::pow(10.0, 0.3) * std::cos(kPi / 4), side = std::pow(10.0, -0.2);
  for (size_t i = 0; i < input.size(); i += 2)
  {
    const double sum = input[i] + input[i + 1], difference = input[i] - input[i + 1];
    ASSERT_NEAR(output[i], g * 0.5 * (mid * sum + side * difference), 1e-15) << i / 2;
    ASSERT_NEAR(output[i + 1], g * 0.5 * (mid * sum - side * difference), 1e-15) << i / 2;
  }
}

TEST_F(ModuleHostTest, ModulesListTheSameParameters)
{
  const RunResult own = Run({"--list-params"});
  ASSERT_EQ(own.code, 0);
  ASSERT_NE(own.out.find("Channel Selector"), std::string::npos);
  for (const char* module : {BRINDLE2_MODULE, BRINDLE3_BUNDLE, BRINDLE_CLAP_MODULE})
  {
    SCOPED_TRACE(module);
    const RunResult listed = Run({"--module", module, "--list-params"});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_EQ(listed.out, own.out);
    // Display texts resolve through the module host as well.
    const RunResult bad = Run({"--module", module, "--param", "Channel Selector=diagonal", Path("x.f64")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("one of: stereo, mid, side"), std::string::npos) << bad.err;
  }
}

TEST_F(ModuleHostTest, UnusableModulesAreRefusedWithTheReason)
{
  // Each kind of module, copied under a name that sends it to the other host.
  const std::string vst3Binary = BRINDLE3_BINARY;
  fs::copy_file(fs::u8path(vst3Binary), folder / "plugin.bin");
  fs::copy_file(fs::u8path(BRINDLE2_MODULE), folder / "fake.vst3");
  struct Case
  {
    std::string module;
    int code;
    const char* message;
  };
  const Case cases[] = {
    {Path("missing.so"), 1, "the plug-in could not be created: cannot load "},
    {Path("missing.vst3"), 1, "the plug-in could not be created: no module binary at "},
    {Path("plugin.bin"), 1, "exports neither VSTPluginMain nor main"},
    {Path("fake.vst3"), 1, "GetPluginFactory is not exported"},
    {"", 2, "--module needs a path"},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.module);
    const RunResult result = Run({"--module=" + c.module, Path("out.f64")});
    EXPECT_EQ(result.code, c.code);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_FALSE(Present(Path("out.f64")));
  }
}

TEST_F(ModuleHostTest, AForeignVst3EffectTakesItsValuesAsParameterChanges)
{
  // The harness's test bundle: a gain of twice the "Gain" value, with a state format
  // of its own, so the values must arrive as parameter changes.
  const RunResult listed = Run({"--module", BRINDLE_TEST_BUNDLE, "--list-params"});
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_NE(listed.out.find("Gain"), std::string::npos);
  EXPECT_EQ(listed.out.find("Bypass"), std::string::npos) << "the wrapper-level bypass is not offered";

  for (const char* precision : {"double", "single"})
  {
    SCOPED_TRACE(precision);
    Render({"--precision", precision, "--param", "Gain=0.75", Path("in.f64")}, BRINDLE_TEST_BUNDLE, "gain.f64");
    const std::vector<double> output = ReadF64(Path("gain.f64"));
    ASSERT_EQ(output.size(), input.size());
    const bool single = std::string(precision) == "single";
    for (size_t i = 0; i < input.size(); ++i)
    {
      const double in = single ? static_cast<double>(static_cast<float>(input[i])) : input[i];
      const double expected = single ? static_cast<double>(static_cast<float>(in * 1.5)) : in * 1.5;
      ASSERT_EQ(output[i], expected) << i;
    }
  }
}

TEST(ModulePathTest, Vst3BundlesAreKnownByTheirName)
{
  const std::pair<const char*, bool> cases[] = {
    {"build/linux/brindle3.vst3", true}, {"brindle3.VST3/", true},   {"C:\\Plugins\\x.vst3\\", true},
    {"brindle2.so", false},              {"brindle2.dll", false},     {"x.vst3.so", false},
    {"vst3", false},                     {".vst", false},
  };
  for (const auto& [path, vst3] : cases)
    EXPECT_EQ(IsVst3ModulePath(path), vst3) << path;
}

TEST_F(ModuleHostTest, AForeignVst2EffectIsHosted)
{
#if defined(_WIN32)
  GTEST_SKIP() << "the foreign module is a Linux library (package lsp-plugins-vst); native lane only";
#endif
  // A stereo delay from Debian's lsp-plugins-vst; its "samp" parameter spans 0 to
  // 10000 samples, so 0.01 is a delay of 100 frames.
  const std::string delay = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
  if (!Present(delay))
    GTEST_SKIP() << delay << " is not installed (package lsp-plugins-vst)";
  const vst2host::ForeignAllocations foreign;
  std::vector<double> impulse(2 * 1000, 0.0);
  impulse[2 * 100] = 1.0;
  impulse[2 * 100 + 1] = 0.5;
  WriteF64(Path("impulse.f64"), impulse);

  Render({"--precision", "single", "--param", "samp=0.01", Path("impulse.f64")}, delay, "delayed.f64");
  const std::vector<double> output = ReadF64(Path("delayed.f64"));
  ASSERT_EQ(output.size(), impulse.size());
  for (size_t frame = 0; frame < 1000; ++frame)
  {
    EXPECT_EQ(output[2 * frame], frame == 200 ? 1.0 : 0.0) << frame;
    EXPECT_EQ(output[2 * frame + 1], frame == 200 ? 0.5 : 0.0) << frame;
  }

  // It has no double-precision path; the message says what to do.
  RunResult result = Run({"--module", delay, Path("impulse.f64"), Path("double.f64")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("use --precision single"), std::string::npos) << result.err;
  // A mono effect does not fit a stereo render.
  result = Run({"--module", "/usr/lib/vst/lsp-plugins/comp-delay-mono.so", Path("impulse.f64"), Path("m.f64")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("only stereo effects"), std::string::npos) << result.err;
}

TEST_F(ModuleHostTest, AutomationRendersTheSameThroughBothModules)
{
  // Values whose 0 to 1 positions are exact in single precision, so that the VST 2
  // module's float setParameter carries them unchanged; blocks of 480 put the changes
  // at offsets inside blocks for the VST 3 queues.
  std::ofstream(Path("moves.txt")) << "0 Width 0.5\n"
                                      "0.013 Delay Amount 25\n"
                                      "0.02 Channel Selector mid\n"
                                      "0.031 Output Gain -5\n"
                                      "0.04 Channel Selector stereo\n"
                                      "0.05 Panning -0.5\n"
                                      "0.06 Mid Gain 2.5\n"
                                      "0.07 Invert Left on\n"
                                      "0.08 Bypass on\n"
                                      "0.09 Bypass off\n";
  for (const char* precision : {"double", "single"})
  {
    SCOPED_TRACE(precision);
    const std::vector<std::string> options = {"--block", "480", "--precision", precision, "--automation",
                                              Path("moves.txt"), Path("in.f64")};
    const std::string own = Render(options, "", "own.f64");
    const std::string vst2 = Render(options, BRINDLE2_MODULE, "vst2.f64");
    const std::string vst3 = Render(options, BRINDLE3_BUNDLE, "vst3.f64");
    ASSERT_EQ(own.size(), static_cast<size_t>(kFileFrames) * 16);
    EXPECT_TRUE(vst2 == own) << "VST 2 module differs";
    EXPECT_TRUE(vst3 == own) << "VST 3 module differs";
    const std::string still = Render({"--block", "480", "--precision", precision, Path("in.f64")}, "", "still.f64");
    EXPECT_FALSE(still == own) << "the automation changed nothing";
  }
}

TEST_F(ModuleHostTest, AutomationReachesTheClapModuleOnItsFrame)
{
  // The CLAP module takes each change at its sample offset inside a 480-frame block:
  // the same as the tool's own plug-in run in one-frame blocks, where every change
  // falls on a block's start, and not what it gives in blocks of 480.
  std::ofstream(Path("moves.txt")) << "0 Width 0.5\n"
                                      "0.013 Delay Amount 25\n"
                                      "0.02 Channel Selector mid\n"
                                      "0.031 Output Gain -5\n"
                                      "0.04 Channel Selector stereo\n"
                                      "0.0507 Panning -0.5\n"
                                      "0.08 Bypass on\n"
                                      "0.0901 Bypass off\n";
  for (const char* precision : {"double", "single"})
  {
    SCOPED_TRACE(precision);
    const std::vector<std::string> moves = {"--precision", precision, "--automation", Path("moves.txt"),
                                            Path("in.f64")};
    auto with = [&](const char* block) {
      std::vector<std::string> options = {"--block", block};
      options.insert(options.end(), moves.begin(), moves.end());
      return options;
    };
    const std::string clap = Render(with("480"), BRINDLE_CLAP_MODULE, "clap.f64");
    EXPECT_TRUE(clap == Render(with("1"), "", "own1.f64"));
    EXPECT_FALSE(clap == Render(with("480"), "", "own480.f64"));
  }
}

TEST(ModulePaths, ClapModulesByTheirSuffix)
{
  const std::pair<const char*, bool> cases[] = {
    {"build/linux/brindle.clap", true}, {"C:\\CLAP\\Brindle.CLAP", true}, {"brindle.clap.so", false},
    {"brindle3.vst3", false},           {"clap", false},
  };
  for (const auto& [path, clap] : cases)
    EXPECT_EQ(IsClapModulePath(path), clap) << path;
}
