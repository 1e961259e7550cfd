// Tests of brindle-render: command line, parameter lookup, files, lifecycle and
// failure handling, driven through RunRender with a recording host.
#include "RenderMain.h"
#include "SoundIo.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
// A host with three parameters that records every call: output = input × gain,
// with the channels exchanged when "Flip" is on.
class RecordingHost : public RenderHost
{
public:
  explicit RecordingHost(std::vector<std::string>& log, int failAtBlock = -1) : log(log), failAtBlock(failAtBlock) {}

  bool Create() override
  {
    log.push_back("Create");
    return true;
  }
  bool DescribeParams(std::vector<RenderParamInfo>& params) override
  {
    log.push_back("DescribeParams");
    RenderParamInfo gain;
    gain.name = "Gain";
    gain.minValue = -10.0;
    gain.maxValue = 10.0;
    gain.step = 0.1;
    gain.precision = 1;
    gain.unit = "dB";
    RenderParamInfo mode;
    mode.name = "Mode";
    mode.maxValue = 2.0;
    mode.isDouble = false;
    mode.displayTexts = {{0.0, "stereo"}, {1.0, "mid"}, {2.0, "side"}};
    RenderParamInfo flip;
    flip.name = "Flip";
    flip.isDouble = false;
    flip.displayTexts = {{0.0, "off"}, {1.0, "on"}};
    params = {gain, mode, flip};
    return true;
  }
  bool Configure(double sampleRate, int blockSize, RenderPrecision) override
  {
    log.push_back("Configure " + Number(sampleRate) + " " + std::to_string(blockSize));
    return true;
  }
  bool LoadParams(const std::vector<double>& values) override
  {
    std::string entry = "LoadParams";
    for (double v : values)
      entry += " " + Number(v);
    log.push_back(entry);
    gain = std::pow(10.0, values.at(0) / 20.0);
    flip = values.at(2) >= 0.5;
    return true;
  }
  bool ProcessDouble(double* const* inputs, double* const* outputs, int frames) override
  {
    log.push_back("ProcessDouble " + std::to_string(frames));
    return Run(inputs, outputs, frames);
  }
  bool ProcessSingle(const float* const* inputs, float* const* outputs, int frames) override
  {
    log.push_back("ProcessSingle " + std::to_string(frames));
    return Run(inputs, outputs, frames);
  }
  bool ScheduleParamChange(int index, double plainValue, int sampleOffset) override
  {
    log.push_back("Change " + std::to_string(index) + " " + Number(plainValue) + " at " +
                  std::to_string(sampleOffset));
    if (index == 0)
      gain = std::pow(10.0, plainValue / 20.0);
    if (index == 2)
      flip = plainValue >= 0.5;
    return true;
  }
  void Release() override { log.push_back("Release"); }

private:
  static std::string Number(double v)
  {
    std::ostringstream text;
    text << v;
    return text.str();
  }
  template <typename In, typename Out>
  bool Run(In inputs, Out outputs, int frames)
  {
    if (++blocks == failAtBlock)
      return false;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < frames; ++i)
        outputs[flip ? 1 - c : c][i] = inputs[c][i] * gain;
    return true;
  }

  std::vector<std::string>& log;
  int failAtBlock;
  int blocks = 0;
  double gain = 1.0;
  bool flip = false;
};

struct RunResult
{
  int code = -1;
  std::string out;
  std::string err;
};

class RenderToolTest : public ScratchFolderTest
{
protected:
  RunResult Run(const std::vector<std::string>& args, int failAtBlock = -1, bool terminal = false,
                const volatile std::sig_atomic_t* cancel = nullptr)
  {
    std::ostringstream out, err;
    RenderConsole console{out, err, terminal, cancel};
    log.clear();
    RunResult result;
    result.code =
      RunRender(args, [&] { return std::make_unique<RecordingHost>(log, failAtBlock); }, console);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  std::vector<std::string> FilesInFolder() const
  {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::vector<std::string> log;
};

std::vector<double> Ramp(int frames)
{
  std::vector<double> samples;
  for (int i = 0; i < frames; ++i)
  {
    samples.push_back(0.001 * i - 0.1);
    samples.push_back(-0.5 + 0.0005 * i);
  }
  return samples;
}
}  // namespace

TEST_F(RenderToolTest, BadCommandLinesAreRefusedWithAClearMessage)
{
  WriteF64(Path("in.f64"), Ramp(10));
  const std::string in = Path("in.f64");
  const std::string out = Path("out.f64");
  struct Case
  {
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const Case cases[] = {
    {{}, 2, "no output file given"},
    {{in, out, Path("third.f64")}, 2, "too many files"},
    {{"--bogus", in, out}, 2, "unknown option --bogus"},
    {{"--block", "0", in, out}, 2, "--block: 0 is outside 1 to 65536"},
    {{"--block=70000", in, out}, 2, "--block: 70000 is outside 1 to 65536"},
    {{"--block", "3.5", in, out}, 2, "--block: \"3.5\" is not a whole number"},
    {{in, out, "--block"}, 2, "--block needs a value"},
    {{"--rate", "fast", in, out}, 2, "--rate: \"fast\" is not a number"},
    {{"--rate", "999", in, out}, 2, "outside 1000 to 768000 Hz"},
    {{"--rate", "inf", in, out}, 2, "is not a number"},
    {{"--precision", "half", in, out}, 2, "\"half\" is neither single nor double"},
    {{"--param", "Gain", in, out}, 2, "--param wants NAME=VALUE"},
    {{"--param", "=3", in, out}, 2, "--param wants NAME=VALUE"},
    {{"--param", "Nope=1", in, out}, 2, "unknown parameter \"Nope\"; valid names: \"Gain\", \"Mode\", \"Flip\""},
    {{"--param", "gain=1", in, out}, 2, "unknown parameter \"gain\" (did you mean \"Gain\"?)"},
    {{"--param", "Gain=loud", in, out}, 2, "cannot read the value \"loud\" of \"Gain\": give a number"},
    {{"--param", "Gain=1dB", in, out}, 2, "cannot read the value \"1dB\""},
    {{"--param", "Gain=nan", in, out}, 2, "cannot read the value \"nan\""},
    {{"--param", "Gain=", in, out}, 2, "cannot read the value \"\""},
    {{"--param", "Gain=10.5", in, out}, 2, "the value 10.5 of \"Gain\" is outside its range -10.0 to 10.0 dB"},
    {{"--param", "Gain=-11", in, out}, 2, "outside its range -10.0 to 10.0 dB"},
    {{"--param", "Mode=3", in, out}, 2, "outside its range 0 to 2"},
    {{"--param", "Mode=1.5", in, out}, 2, "must be a whole number from 0 to 2 or one of: stereo, mid, side"},
    {{"--param", "Mode=sideways", in, out}, 2, "or one of: stereo, mid, side"},
    {{"--param", "Flip=yes", in, out}, 2, "or one of: off, on"},
    {{in, Path("out.mp3")}, 2, "unsupported file type"},
    {{Path("missing.f64"), out}, 1, "cannot read " + Path("missing.f64")},
    {{in, Path("no-such-folder/out.f64")}, 1, "cannot write " + Path("no-such-folder/out.f64")},
  };
  for (const Case& c : cases)
  {
    std::string joined;
    for (const std::string& a : c.args)
      joined += a + " ";
    SCOPED_TRACE(joined);
    const RunResult result = Run(c.args);
    EXPECT_EQ(result.code, c.code);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(out));
    // Nothing was processed, and a host that was created was released again.
    for (const std::string& entry : log)
      EXPECT_EQ(entry.find("Process"), std::string::npos);
    if (!log.empty())
    {
      EXPECT_EQ(log.back(), "Release");
    }
  }
  EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"in.f64"});
}

TEST_F(RenderToolTest, ParameterValuesReachTheHostByNumberOrDisplayText)
{
  WriteF64(Path("in.f64"), Ramp(4));
  struct Case
  {
    std::vector<std::string> params;
    std::string loaded;
  };
  const Case cases[] = {
    {{}, "LoadParams 0 0 0"},
    {{"Gain=-3.5", "Mode=mid", "Flip=on"}, "LoadParams -3.5 1 1"},
    {{"Mode=SIDE", "Flip=1", "Flip=off"}, "LoadParams 0 2 0"},  // any case; the last one wins
    {{"Gain= 10 ", "Mode=0"}, "LoadParams 10 0 0"},
    {{"Gain=-10", "Mode=2.0"}, "LoadParams -10 2 0"},
  };
  for (const Case& c : cases)
  {
    std::vector<std::string> args;
    for (const std::string& p : c.params)
    {
      args.push_back("--param");
      args.push_back(p);
    }
    args.push_back(Path("in.f64"));
    args.push_back(Path("out.f64"));
    const RunResult result = Run(args);
    ASSERT_EQ(result.code, 0) << result.err;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[3], c.loaded);
  }
}

TEST_F(RenderToolTest, LifecycleRunsInOrderWithAShorterLastBlock)
{
  WriteF64(Path("in.f64"), Ramp(250));
  struct Case
  {
    std::vector<std::string> options;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
    {{"--rate", "32000", "--block", "100"},
     {"Create", "DescribeParams", "Configure 32000 100", "LoadParams 0 0 0", "ProcessDouble 100",
      "ProcessDouble 100", "ProcessDouble 50", "Release"}},
    {{"--block=250", "--precision=single", "--param", "Gain=6"},
     {"Create", "DescribeParams", "Configure 48000 250", "LoadParams 6 0 0", "ProcessSingle 250", "Release"}},
    {{"--block", "1000"},
     {"Create", "DescribeParams", "Configure 48000 1000", "LoadParams 0 0 0", "ProcessDouble 250", "Release"}},
  };
  for (const Case& c : cases)
  {
    std::vector<std::string> args = c.options;
    args.push_back(Path("in.f64"));
    args.push_back(Path("out.f64"));
    const RunResult result = Run(args);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(log, c.expected);
  }
}

TEST_F(RenderToolTest, OutputCarriesTheProcessedSamplesAndASummary)
{
  // Left 0.5, right -0.25 throughout: peaks and RMS are -6.0 and -12.0 dBFS.
  std::vector<double> input;
  for (int i = 0; i < 1000; ++i)
  {
    input.push_back(0.5);
    input.push_back(-0.25);
  }
  WriteF64(Path("in.f64"), input);
  const RunResult result = Run({"--param", "Flip=on", "--param", "Gain=-6", Path("in.f64"), Path("out.f64")});
  ASSERT_EQ(result.code, 0) << result.err;
  const std::vector<double> output = ReadF64(Path("out.f64"));
  ASSERT_EQ(output.size(), input.size());
  const double gain = std::pow(10.0, -6.0 / 20.0);
  for (size_t i = 0; i < output.size(); i += 2)
  {
    EXPECT_EQ(output[i], -0.25 * gain);
    EXPECT_EQ(output[i + 1], 0.5 * gain);
  }
  // -6 dB more: -12.0 and -6.0 dBFS after the flip, as peak and as RMS.
  EXPECT_NE(result.err.find("1000 frames, 0.021 s at 48000 Hz"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("in L/R peak -6.0/-12.0 dBFS, rms -6.0/-12.0 dBFS"), std::string::npos);
  EXPECT_NE(result.err.find("out L/R peak -18.0/-12.0 dBFS, rms -18.0/-12.0 dBFS"), std::string::npos);
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"in.f64", "out.f64"}));

  // A file can be rendered onto itself: it is read to the end before it is replaced.
  ASSERT_EQ(Run({"--block", "64", "--param", "Gain=-6", Path("out.f64"), Path("out.f64")}).code, 0);
  const std::vector<double> twice = ReadF64(Path("out.f64"));
  ASSERT_EQ(twice.size(), input.size());
  for (size_t i = 0; i < twice.size(); ++i)
    EXPECT_EQ(twice[i], output[i] * gain) << i;
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"in.f64", "out.f64"}));
}

TEST_F(RenderToolTest, FailuresLeaveNoOutputBehindAndKeepAnOldOne)
{
  WriteF64(Path("in.f64"), Ramp(300));
  WriteF64(Path("old.f64"), {1.0, 2.0});
  volatile std::sig_atomic_t stop = 1;

  // The host fails on its second block.
  RunResult result = Run({"--block", "100", Path("in.f64"), Path("old.f64")}, 2);
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("the plug-in failed to process a block at frame 100"), std::string::npos) << result.err;
  EXPECT_EQ(log.back(), "Release");
  EXPECT_EQ(ReadF64(Path("old.f64")), (std::vector<double>{1.0, 2.0}));

  result = Run({Path("in.f64"), Path("new.f64")}, -1, false, &stop);
  EXPECT_EQ(result.code, 130);
  EXPECT_NE(result.err.find("interrupted"), std::string::npos);
  EXPECT_EQ(log.back(), "Release");

  // A folder in the way of the output is not replaced.
  fs::create_directories(folder / "taken.f64" / "inside");
  result = Run({Path("in.f64"), Path("taken.f64")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("cannot write " + Path("taken.f64") + ": it exists and is not a regular file"),
            std::string::npos)
    << result.err;
  EXPECT_TRUE(fs::is_directory(folder / "taken.f64" / "inside"));

  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"in.f64", "old.f64", "taken.f64"}));
}

#ifndef _WIN32
TEST_F(RenderToolTest, OutputThroughALinkRewritesTheFileItPointsAt)
{
  WriteF64(Path("in.f64"), Ramp(10));
  WriteF64(Path("real.f64"), {9.0, 9.0});
  fs::create_symlink(folder / "real.f64", folder / "link.f64");
  const RunResult result = Run({Path("in.f64"), Path("link.f64")});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_TRUE(fs::is_symlink(folder / "link.f64"));
  EXPECT_EQ(ReadF64(Path("real.f64")), Ramp(10));
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"in.f64", "link.f64", "real.f64"}));
}
#endif

TEST_F(RenderToolTest, RawFilesAreLittleEndianStereoFloat64)
{
  std::string error;
  auto sink = CreateRawF64Sink(Path("a.f64"), error);
  ASSERT_TRUE(sink) << error;
  const double frames[] = {1.0, -2.0, 0.1, -0.0};
  ASSERT_TRUE(sink->Write(frames, 2));
  ASSERT_TRUE(sink->Close());

  // 1.0 is 0x3FF0000000000000 and -2.0 is 0xC000000000000000, least significant byte first.
  std::ifstream file(Path("a.f64"), std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 32u);
  const unsigned char expectedStart[16] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0};
  EXPECT_TRUE(std::equal(expectedStart, expectedStart + 16, bytes.begin()));

  auto source = OpenSoundSource(Path("a.f64"), error);
  ASSERT_TRUE(source) << error;
  EXPECT_EQ(source->Channels(), 2);
  EXPECT_EQ(source->Frames(), 2);
  double back[4] = {};
  EXPECT_EQ(source->Read(back, 10), 2);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(std::memcmp(&back[i], &frames[i], 8), 0) << i;  // -0.0 keeps its sign
  EXPECT_EQ(source->Read(back, 10), 0);

  // A size that is not a whole number of 16-byte frames is refused.
  std::ofstream(Path("odd.f64"), std::ios::binary) << std::string(24, '\0');
  EXPECT_FALSE(OpenSoundSource(Path("odd.f64"), error));
  EXPECT_NE(error.find("24 bytes is not a whole number of stereo float64 frames"), std::string::npos) << error;
}

TEST_F(RenderToolTest, DemoIsStereoAndNeitherSilentNorClipped)
{
  const RunResult result = Run({"--rate", "44100", Path("demo.f64")});
  ASSERT_EQ(result.code, 0) << result.err;
  const std::vector<double> demo = ReadF64(Path("demo.f64"));
  ASSERT_EQ(demo.size(), 2u * 441000u);
  double peak = 0.0, sumLeft = 0.0, sumRight = 0.0, sumSide = 0.0;
  for (size_t i = 0; i < demo.size(); i += 2)
  {
    peak = std::max({peak, std::fabs(demo[i]), std::fabs(demo[i + 1])});
    sumLeft += demo[i] * demo[i];
    sumRight += demo[i + 1] * demo[i + 1];
    sumSide += (demo[i] - demo[i + 1]) * (demo[i] - demo[i + 1]);
  }
  const double frames = demo.size() / 2.0;
  EXPECT_LT(peak, 1.0);
  EXPECT_GT(peak, 0.1);
  // Both channels carry a clearly audible signal, and they differ: there is side content.
  EXPECT_GT(std::sqrt(sumLeft / frames), 0.01);
  EXPECT_GT(std::sqrt(sumRight / frames), 0.01);
  EXPECT_GT(std::sqrt(sumSide / frames), 0.01);
  // Every second of it sounds.
  for (int second = 0; second < 10; ++second)
  {
    double energy = 0.0;
    for (int i = second * 44100; i < (second + 1) * 44100; ++i)
      energy += demo[2 * i] * demo[2 * i];
    EXPECT_GT(energy, 0.0) << second;
  }
}

TEST_F(RenderToolTest, ProgressBarOnlyOnATerminalForLongFiles)
{
  WriteF64(Path("long.f64"), std::vector<double>(2 * 1000 * 25, 0.1));
  WriteF64(Path("short.f64"), std::vector<double>(2 * 1000 * 5, 0.1));
  struct Case
  {
    std::string input;
    bool terminal;
    bool bar;
  };
  const Case cases[] = {
    {"long.f64", true, true},
    {"long.f64", false, false},
    {"short.f64", true, false},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.input + (c.terminal ? " terminal" : " pipe"));
    const RunResult result = Run({"--rate", "1000", Path(c.input), Path("out.f64")}, -1, c.terminal);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err.find("] 100%") != std::string::npos, c.bar) << result.err;
    // Redrawn as the render goes on, about every 2 % with blocks of 512 frames.
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\r') > 20, c.bar);
  }
}

#if BRINDLE_HAVE_SNDFILE
#include <sndfile.h>

namespace
{
// Writes a file of any channel count straight through libsndfile. Its own
// double-to-16-bit conversion scales by 32767, so 16-bit samples are scaled here.
void WriteWithSndfile(const std::string& path, int format, int channels, int rate, std::vector<double> samples)
{
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
  {
    sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    for (double& s : samples)
      s *= 32768.0;
  }
  EXPECT_EQ(sf_writef_double(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels),
            static_cast<sf_count_t>(samples.size()) / channels);
  sf_close(file);
}

struct FileContents
{
  SF_INFO info{};
  std::vector<double> samples;
};

FileContents ReadWithSndfile(const std::string& path)
{
  FileContents contents;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &contents.info);
  if (!file)
    return contents;
  contents.samples.resize(static_cast<size_t>(contents.info.frames * contents.info.channels));
  sf_readf_double(file, contents.samples.data(), contents.info.frames);
  sf_close(file);
  return contents;
}
}  // namespace

TEST_F(RenderToolTest, SoundFilesRoundTripInTheirOwnEncoding)
{
  struct Case
  {
    std::string name;
    SampleEncoding written;
    SampleEncoding expected;
    double quantum;  // every test value is a multiple of it, so it survives exactly
  };
  const Case cases[] = {
    {"a.wav", SampleEncoding::Pcm16, SampleEncoding::Pcm16, 1.0 / 32768},
    {"b.wav", SampleEncoding::Pcm24, SampleEncoding::Pcm24, 1.0 / 8388608},
    {"c.wav", SampleEncoding::Pcm32, SampleEncoding::Pcm32, 1.0 / 2147483648.0},
    {"d.wav", SampleEncoding::Float32, SampleEncoding::Float32, 1.0 / 65536},
    {"e.wav", SampleEncoding::Float64, SampleEncoding::Float64, 1e-9},
    {"f.flac", SampleEncoding::Pcm16, SampleEncoding::Pcm16, 1.0 / 32768},
    {"g.flac", SampleEncoding::Float64, SampleEncoding::Pcm24, 1.0 / 8388608},
    {"h.flac", SampleEncoding::Pcm32, SampleEncoding::Pcm24, 1.0 / 8388608},
    {"i.aiff", SampleEncoding::Pcm24, SampleEncoding::Pcm24, 1.0 / 8388608},
    {"j.aif", SampleEncoding::Pcm16, SampleEncoding::Pcm16, 1.0 / 32768},
    {"k.aiff", SampleEncoding::Float32, SampleEncoding::Float32, 1.0 / 65536},
  };
  // Full scale both ways, small and odd values.
  const double steps[] = {-1.0, 1.0 - 1.0 / 32768, 0.0, 3.0, -7.0, 12345.0, -4321.0, 1.0};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    std::vector<double> written;
    for (double s : steps)
      written.push_back(std::fabs(s) <= 1.0 ? s : s * c.quantum);
    std::string error;
    auto sink = CreateSoundSink(Path(c.name), FileKindOfPath(c.name), 44100, c.written, error);
    ASSERT_TRUE(sink) << error;
    ASSERT_TRUE(sink->Write(written.data(), static_cast<int64_t>(written.size() / 2)));
    ASSERT_TRUE(sink->Close());

    auto source = OpenSoundSource(Path(c.name), error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Encoding(), c.expected);
    EXPECT_EQ(source->Channels(), 2);
    EXPECT_EQ(source->SampleRate(), 44100);
    ASSERT_EQ(source->Frames(), static_cast<int64_t>(written.size() / 2));
    std::vector<double> back(written.size());
    EXPECT_EQ(source->Read(back.data(), source->Frames()), source->Frames());
    for (size_t i = 0; i < written.size(); ++i)
    {
      // Integer files cannot hold +1.0: it becomes the largest value below it.
      const double expected = (written[i] == 1.0 && c.expected != SampleEncoding::Float32 &&
                               c.expected != SampleEncoding::Float64)
                                ? 1.0 - c.quantum
                                : written[i];
      EXPECT_EQ(back[i], expected) << i;
    }
  }
}

TEST_F(RenderToolTest, IntegerFilesRoundToNearestAndClip)
{
  const double q = 1.0 / 32768;
  const double written[] = {0.4 * q, 0.6 * q, -0.6 * q, 2.5, -3.0, std::nan(""), 100.4 * q, -100.6 * q};
  const double expected[] = {0.0, q, -q, 1.0 - q, -1.0, 0.0, 100 * q, -101 * q};
  std::string error;
  auto sink = CreateSoundSink(Path("r.wav"), FileKind::Wav, 8000, SampleEncoding::Pcm16, error);
  ASSERT_TRUE(sink) << error;
  ASSERT_TRUE(sink->Write(written, 4));
  ASSERT_TRUE(sink->Close());
  const FileContents contents = ReadWithSndfile(Path("r.wav"));
  ASSERT_EQ(contents.samples.size(), 8u);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(contents.samples[i], expected[i]) << i;
}

TEST_F(RenderToolTest, RenderedFilesKeepRateEncodingAndChannels)
{
  // 16-bit stereo at 22050 Hz; the recording host passes samples through unchanged.
  std::vector<double> stereo;
  for (int i = 0; i < 500; ++i)
  {
    stereo.push_back((i % 200 - 100) / 256.0);
    stereo.push_back(-(i % 50) / 64.0);
  }
  WriteWithSndfile(Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, stereo);
  struct Case
  {
    std::vector<std::string> options;
    std::string output;
    int format;
    int rate;
  };
  const Case cases[] = {
    {{}, "out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050},
    {{}, "out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050},
    {{}, "out.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050},
    {{"--block", "7", "--precision", "single"}, "single.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050},
    {{"--rate", "48000"}, "relabelled.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.output);
    std::vector<std::string> args = c.options;
    args.push_back(Path("in.wav"));
    args.push_back(Path(c.output));
    const RunResult result = Run(args);
    ASSERT_EQ(result.code, 0) << result.err;
    const FileContents contents = ReadWithSndfile(Path(c.output));
    EXPECT_EQ(contents.info.format, c.format);
    EXPECT_EQ(contents.info.samplerate, c.rate);
    EXPECT_EQ(contents.info.channels, 2);
    EXPECT_EQ(contents.samples, stereo);
    EXPECT_EQ(result.err.find("nothing is resampled") != std::string::npos, c.rate != 22050) << result.err;
  }

  // A float file to FLAC becomes 24-bit; a float64 .f64 file to WAV stays float64.
  WriteWithSndfile(Path("float.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, stereo);
  ASSERT_EQ(Run({Path("float.wav"), Path("float.flac")}).code, 0);
  EXPECT_EQ(ReadWithSndfile(Path("float.flac")).info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  WriteF64(Path("in.f64"), stereo);
  ASSERT_EQ(Run({Path("in.f64"), Path("from-raw.wav")}).code, 0);
  const FileContents fromRaw = ReadWithSndfile(Path("from-raw.wav"));
  EXPECT_EQ(fromRaw.info.format, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
  EXPECT_EQ(fromRaw.info.samplerate, 48000);
  EXPECT_EQ(fromRaw.samples, stereo);
}

TEST_F(RenderToolTest, InputsTheToolCannotRunAsTheyAreAreHandled)
{
  const std::vector<double> mono = {0.25, -0.5, 0.125, 0.0};
  WriteWithSndfile(Path("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 44100, mono);
  RunResult result = Run({Path("mono.wav"), Path("out.wav")});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.err.find("note: mono input, fed to both channels"), std::string::npos);
  EXPECT_EQ(ReadWithSndfile(Path("out.wav")).samples,
            (std::vector<double>{0.25, 0.25, -0.5, -0.5, 0.125, 0.125, 0.0, 0.0}));

  WriteWithSndfile(Path("three.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, std::vector<double>(30, 0.0));
  result = Run({Path("three.wav"), Path("out3.wav")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("it has 3 channels; only mono and stereo are supported"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("out3.wav")));

  // A rate the plug-in is not run at unless asked to.
  WriteWithSndfile(Path("slow.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 500, std::vector<double>(20, 0.1));
  result = Run({Path("slow.wav"), Path("slow-out.wav")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("has a sample rate of 500 Hz, outside 1000 to 768000 Hz; give --rate"), std::string::npos);
  EXPECT_EQ(Run({"--rate", "8000", Path("slow.wav"), Path("slow-out.wav")}).code, 0);
  EXPECT_EQ(ReadWithSndfile(Path("slow-out.wav")).info.samplerate, 8000);

  std::ofstream(Path("junk.wav"), std::ios::binary) << "this is not a sound file at all";
  result = Run({Path("junk.wav"), Path("out4.wav")});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("cannot read " + Path("junk.wav") + ": "), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("out4.wav")));
}
#endif

TEST_F(RenderToolTest, AutomationReachesTheHostInTheBlockThatContainsEachTime)
{
  // 1000 Hz and blocks of 100: block k holds the frames from 100 k, i.e. the times
  // from 0.1 k s. The file is out of order on purpose; of the two Mode changes in the
  // second block only the later one is sent.
  WriteF64(Path("in.f64"), Ramp(250));
  std::ofstream(Path("moves.txt")) << "# gain, mode and flip over a quarter of a second\n"
                                      "0 Gain 3\n"
                                      "\n"
                                      "0.15 Mode mid\n"
                                      "0.12 Mode side\n"
                                      "   0.1\t\"Flip\"   on  \n"
                                      "0.2499 Gain -2.5\n"
                                      "5 Gain 1\n";
  const RunResult result = Run({"--rate", "1000", "--block", "100", "--automation", Path("moves.txt"),
                                Path("in.f64"), Path("out.f64")});
  ASSERT_EQ(result.code, 0) << result.err;
  const std::vector<std::string> expected = {
    "Create", "DescribeParams", "Configure 1000 100", "LoadParams 0 0 0",
    "Change 0 3 at 0", "ProcessDouble 100",
    "Change 2 1 at 0", "Change 1 1 at 50", "ProcessDouble 100",
    "Change 0 -2.5 at 49", "ProcessDouble 50", "Release"};
  EXPECT_EQ(log, expected);
  // The recording host applies a change to its whole block: +3 dB, then flipped, then -2.5 dB.
  const std::vector<double> out = ReadF64(Path("out.f64"));
  const std::vector<double> in = Ramp(250);
  ASSERT_EQ(out.size(), in.size());
  const double up = std::pow(10.0, 3.0 / 20.0), down = std::pow(10.0, -2.5 / 20.0);
  EXPECT_DOUBLE_EQ(out[2 * 10], in[2 * 10] * up);
  EXPECT_DOUBLE_EQ(out[2 * 150], in[2 * 150 + 1] * up);
  EXPECT_DOUBLE_EQ(out[2 * 220 + 1], in[2 * 220] * down);
}

TEST_F(RenderToolTest, BadAutomationLinesNameTheirLineAndWriteNothing)
{
  WriteF64(Path("in.f64"), Ramp(10));
  struct Case
  {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
    {"abc Gain 1\n", "line 1: the line must start with a time in seconds"},
    {"# fine\n0 Gain 1\n-0.5 Gain 1\n", "line 3: the time -0.5 is negative"},
    {"1e999 Gain 1\n", "line 1: the line must start with a time"},
    {"0.5s Gain 1\n", "line 1: the line must start with a time"},
    {"0.5\n", "line 1: a parameter name and a value must follow the time"},
    {"0.5 Loudness 3\n", "line 1: unknown parameter \"Loudness\"; valid names: \"Gain\""},
    {"\n\n0.5 gain 3\n", "line 3: unknown parameter \"gain\" (did you mean \"Gain\"?)"},
    {"0.5 Gain\n", "line 1: no value for \"Gain\""},
    {"0.5 Gain 11\n", "line 1: the value 11 of \"Gain\" is outside its range -10.0 to 10.0 dB"},
    {"0.5 Mode diagonal\n", "line 1: cannot read the value \"diagonal\" of \"Mode\": give a number or one of"},
    {"0.5 \"Gain 1\n", "line 1: the parameter name has no closing quote"},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.text);
    std::ofstream(Path("moves.txt"), std::ios::trunc) << c.text;
    const RunResult result = Run({"--automation", Path("moves.txt"), Path("in.f64"), Path("out.f64")});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find(Path("moves.txt") + ": " + c.message), std::string::npos) << result.err;
    for (const std::string& entry : log)
      EXPECT_EQ(entry.find("Process"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("out.f64")));
  }
  const RunResult missing = Run({"--automation", Path("none.txt"), Path("in.f64"), Path("out.f64")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("cannot read the automation file " + Path("none.txt")), std::string::npos);
  EXPECT_EQ(Run({"--automation", "", Path("in.f64"), Path("out.f64")}).code, 2);
  EXPECT_FALSE(fs::exists(Path("out.f64")));
}
