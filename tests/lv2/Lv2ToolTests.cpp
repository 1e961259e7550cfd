// brindle.lv2 through the LV2 tools of Debian (sord_validate, lv2info, lv2apply) and
// through brindle-render --module; each test skips, saying so, where its tool is missing.
#include "InProcessHost.h"
#include "ModuleHost.h"
#include "Lv2TestHost.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct ShellRun {
  int status = -1;
  std::string output;  // standard output and error together
};

ShellRun Shell(const std::string& command) {
  ShellRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer;
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool HaveTool(const char* name) { return Shell(std::string("command -v ") + name).status == 0; }

// A search path holding our bundle alone (the build folder holds much else).
std::string BundleParent() {
  const std::filesystem::path folder = std::filesystem::path(LV2_TEST_WORK) / "lv2-path";
  const std::filesystem::path link = folder / "brindle.lv2";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  if (!std::filesystem::exists(link, ignored)) std::filesystem::create_directory_symlink(BRINDLE_LV2_BUNDLE, link, ignored);
  return folder.string();
}

// The LV2 vocabulary bundles Debian's lv2-dev installs: the terms our Turtle uses.
std::string SchemaFiles() {
  std::string files;
  for (const char* vocabulary : {"atom", "buf-size", "core", "data-access", "instance-access", "options", "parameters",
                                 "port-groups", "port-props", "presets", "schemas", "state", "ui", "units", "urid"}) {
    const std::filesystem::path folder = std::filesystem::path("/usr/lib/lv2") / (std::string(vocabulary) + ".lv2");
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
      if (entry.path().extension() == ".ttl") files += " " + entry.path().string();
  }
  return files;
}

std::vector<float> ReadSound(const std::string& path, int* channels) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  std::vector<float> samples;
  if (!file) return samples;
  samples.resize(size_t(info.frames) * size_t(info.channels));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  *channels = info.channels;
  return samples;
}

}  // namespace

TEST(Lv2Tools, SordValidateFindsNoErrorInTheBundleTurtle) {
  if (!HaveTool("sord_validate")) GTEST_SKIP() << "sord_validate (Debian sordi) is not installed";
  const std::string schemas = SchemaFiles();
  if (schemas.empty()) GTEST_SKIP() << "the LV2 schemas of lv2-dev are not installed";
  const std::string bundle = BRINDLE_LV2_BUNDLE;
  const ShellRun run =
    Shell("sord_validate -l" + schemas + " " + bundle + "/manifest.ttl " + bundle + "/brindle.ttl " + bundle + "/presets.ttl");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Found 0 errors"), std::string::npos) << run.output;
}

TEST(Lv2Tools, Lv2infoListsThePluginCleanly) {
  if (!HaveTool("lv2info")) GTEST_SKIP() << "lv2info (Debian lilv-utils) is not installed";
  // With the system's bundles, as users have it: the class names come from lv2core.
  const ShellRun run = Shell("LV2_PATH=" + BundleParent() + ":/usr/lib/lv2 lv2info urn:orvane:brindle");
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char* expected : {"Name:              Brindle", "Class:             Utility Plugin",
                               "Author:            Orvane", "Has latency:       no",
                               "http://lv2plug.in/ns/extensions/ui#X11UI", "Presets: \n\t         Default",
                               "Symbol:      mono_input", "Symbol:      channel_selector"})
    EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;
  for (const char* complaint : {"error", "warning", "Error", "Warning"})
    EXPECT_EQ(run.output.find(complaint), std::string::npos) << run.output;
}

// lv2apply and brindle-render --module render the same file through the bundle, and both
// equal the in-process single-precision render (float WAV in, float WAV out).
TEST(Lv2Tools, Lv2applyAndBrindleRenderModuleEqualTheInProcessRender) {
  const std::string work = std::string(LV2_TEST_WORK) + "/lv2apply";
  std::filesystem::create_directories(work);
  const std::string input = work + "/in.wav";
  // A two-second input of ours: left and right tones.
  {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(input.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> frames(96000 * 2);
    for (size_t i = 0; i < 96000; ++i) {
      frames[2 * i] = float(0.5 * std::sin(2.0 * M_PI * 440.0 * double(i) / 48000.0));
      frames[2 * i + 1] = float(0.25 * std::sin(2.0 * M_PI * 300.0 * double(i) / 48000.0));
    }
    sf_writef_float(file, frames.data(), 96000);
    sf_close(file);
  }
  const std::string settings = "--param \"Output Gain=-3\" --param \"Delay Amount=40\" --param \"Width=0.5\" "
                               "--param \"Panning=0.25\" --param \"Invert Left=on\"";
  const std::string reference = work + "/in-process.wav";
  const std::string viaModule = work + "/module.wav";
  // One frame per block, as lv2apply runs.
  const std::string render = std::string(BRINDLE_RENDER) + " --precision single --block 1 " + settings + " ";
  ShellRun run = Shell(render + input + " " + reference);
  ASSERT_EQ(run.status, 0) << run.output;
  run = Shell(render + "--module " + BRINDLE_LV2_BUNDLE + " " + input + " " + viaModule);
  ASSERT_EQ(run.status, 0) << run.output;
  int channels = 0;
  const std::vector<float> expected = ReadSound(reference, &channels);
  ASSERT_EQ(channels, 2);
  ASSERT_EQ(expected.size(), 192000u);
  EXPECT_TRUE(ReadSound(viaModule, &channels) == expected);

#if defined(BRINDLE_SANITIZED_MODULES)
  GTEST_SKIP() << "lv2apply cannot load a module built with a sanitizer";
#endif
  if (!HaveTool("lv2apply")) GTEST_SKIP() << "lv2apply (Debian lilv-utils) is not installed";
  const std::string applied = work + "/lv2apply.wav";
  run = Shell("LV2_PATH=" + BundleParent() + " lv2apply -i " + input + " -o " + applied +
              " -c output_gain -3 -c delay_amount 40 -c width 0.5 -c panning 0.25 -c invert_left 1 urn:orvane:brindle");
  ASSERT_EQ(run.status, 0) << run.output;
  const std::vector<float> got = ReadSound(applied, &channels);
  ASSERT_EQ(got.size(), expected.size());
  size_t differing = 0;
  for (size_t i = 0; i < got.size(); ++i) differing += got[i] != expected[i];
  EXPECT_EQ(differing, 0u);
}

TEST(Lv2Tools, BrindleRenderHostsTheBundleByFolderOrUriAndKeepsItsState) {
  auto host = CreateModuleHost(BRINDLE_LV2_BUNDLE, OwnParamTable());
  ASSERT_TRUE(host->Create()) << host->Failure();
  std::vector<RenderParamInfo> params;
  ASSERT_TRUE(host->DescribeParams(params));
  ASSERT_EQ(params.size(), 12u);
  EXPECT_EQ(params[6].name, "Channel Selector");
  EXPECT_FALSE(host->Configure(48000.0, 256, RenderPrecision::Double));
  EXPECT_NE(host->Failure().find("single precision"), std::string::npos);
  ASSERT_TRUE(host->Configure(48000.0, 256, RenderPrecision::Single)) << host->Failure();
  std::vector<double> values(12, 0.0);
  values[4] = 0.6;  // exact through the state, though no port holds it
  ASSERT_TRUE(host->LoadParams(values)) << host->Failure();
  float in[2][256] = {}, out[2][256];
  const float* inputs[2] = {in[0], in[1]};
  float* outputs[2] = {out[0], out[1]};
  ASSERT_TRUE(host->ProcessSingle(inputs, outputs, 256));
  std::vector<uint8_t> state;
  ASSERT_TRUE(host->SaveState(state)) << host->Failure();
  ASSERT_EQ(state.size(), 100u);
  double width = 0.0;
  std::memcpy(&width, state.data() + 32, sizeof width);
  EXPECT_EQ(width, 0.6);
  host->Release();

  // By URI, found on the LV2 search path.
  setenv("LV2_PATH", BundleParent().c_str(), 1);
  auto byUri = CreateModuleHost("urn:orvane:brindle", OwnParamTable());
  EXPECT_TRUE(byUri->Create()) << byUri->Failure();
  byUri->Release();
  auto missing = CreateModuleHost("/nonexistent/brindle.lv2", OwnParamTable());
  EXPECT_FALSE(missing->Create());
  EXPECT_NE(missing->Failure().find("no such bundle folder"), std::string::npos) << missing->Failure();
}
