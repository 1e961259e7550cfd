// The processing frame: binding host buffers, running blocks, long and empty
// blocks, connections, bypass and the plug-in mutex.
#include "AllocationCounter.h"
#include "TestEffect.h"
#include "framework/DenormalGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

namespace {

// Doubles each input into its output and remembers what it was given.
class GainEffect : public TestEffect {
public:
  explicit GainEffect(const char* channels = "2-2") : TestEffect(0, channels, 1) {}
  void ProcessDouble(double** in, double** out, int frames) override
  {
    ++blocks;
    largestBlock = std::max(largestBlock, frames);
    firstInput = in[0];
    firstOutput = out[0];
    for (int c = 0; c < std::min(InputCount(), OutputCount()); ++c)
      for (int f = 0; f < frames; ++f) out[c][f] = 2.0 * in[c][f];
  }
  int blocks = 0;
  int largestBlock = 0;
  double* firstInput = nullptr;
  double* firstOutput = nullptr;
};

// Writes a running frame count: shows whether pieces join up without gaps.
class CounterEffect : public TestEffect {
public:
  CounterEffect() : TestEffect(0, "2-2", 1) {}
  void ProcessDouble(double**, double** out, int frames) override
  {
    for (int f = 0; f < frames; ++f, ++counter) out[0][f] = out[1][f] = static_cast<double>(counter);
  }
  long counter = 0;
};

// Exchanges its two output entries: the host's outputs must follow.
class SwapEffect : public TestEffect {
public:
  SwapEffect() : TestEffect(0, "2-2", 1) {}
  void ProcessDouble(double** in, double** out, int frames) override
  {
    PassThrough(in, out, frames);
    std::swap(out[0], out[1]);
  }
};

void ConnectAll(IEffectBase& effect, int blockSize)
{
  effect.SetInputConnections(0, effect.InputCount(), true);
  effect.SetOutputConnections(0, effect.OutputCount(), true);
  effect.ChangeBlockSize(blockSize);
}

std::vector<float> Ramp(int frames, float start)
{
  std::vector<float> ramp(static_cast<size_t>(frames));
  for (int f = 0; f < frames; ++f) ramp[static_cast<size_t>(f)] = start + 0.25f * static_cast<float>(f);
  return ramp;
}

} // namespace

TEST(Processing, DefaultProcessCopiesInputsAndSilencesExtraOutputs)
{
  TestEffect effect(0, "1-2", 1);
  ConnectAll(effect, 8);
  std::vector<float> in = Ramp(8, 1.0f);
  std::vector<float> out0(8, 9.0f), out1(8, 9.0f);
  const float* inputs[] = {in.data()};
  float* outputs[] = {out0.data(), out1.data()};
  effect.ProcessFloatReplacing(1, inputs, 2, outputs, 8);
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, std::vector<float>(8, 0.0f));

  // Step by step in double precision: host pointers are used directly.
  std::vector<double> din = {1, 2, 3, 4}, dout0(4, 9.0), dout1(4, 9.0);
  double* dinputs[] = {din.data()};
  double* doutputs[] = {dout0.data(), dout1.data()};
  effect.BindInputs(1, dinputs, 4);
  effect.BindOutputs(2, doutputs);
  EXPECT_EQ(effect.InputData()[0], din.data());
  EXPECT_EQ(effect.OutputData()[1], dout1.data());
  effect.ProcessDouble(effect.InputData(), effect.OutputData(), 4);
  EXPECT_EQ(dout0, din);
  EXPECT_EQ(dout1, std::vector<double>(4, 0.0));
}

TEST(Processing, HostBuffersGoToConnectedChannelsInOrder)
{
  TestEffect effect(0, "2-2", 1);
  effect.ChangeBlockSize(4);
  effect.SetInputConnections(1, 1, true);
  const std::vector<float> first = {0.5f, -0.25f, 0.125f, 1.0f};
  const std::vector<float> second = {7.0f, 7.0f, 7.0f, 7.0f};
  const float* buffers[] = {first.data(), second.data()};
  effect.BindInputs(2, buffers, 4);
  InputChannel* in0 = effect.GetInput(0);
  InputChannel* in1 = effect.GetInput(1);
  EXPECT_EQ(effect.InputData()[1], in1->scratch.data());
  EXPECT_EQ(in1->scratch, (std::vector<double>{0.5, -0.25, 0.125, 1.0}));
  EXPECT_EQ(effect.InputData()[0], in0->scratch.data());
  EXPECT_EQ(in0->scratch, std::vector<double>(4, 0.0));

  // Outputs: the single one connected takes the first host buffer.
  effect.SetOutputConnections(1, 1, true);
  std::vector<float> host0(4, 3.0f), host1(4, 3.0f);
  float* outputs[] = {host0.data(), host1.data()};
  effect.BindOutputs(2, outputs);
  EXPECT_EQ(effect.GetOutput(1)->floatDest, host0.data());
  effect.RunBlock(4);
  EXPECT_EQ(host0, first);                        // output 1 copies input 1 into the first host buffer...
  EXPECT_EQ(host1, std::vector<float>(4, 3.0f));  // ...and nothing else is written
}

TEST(Processing, RunBlockFollowsExchangedOutputsAndAccumulates)
{
  SwapEffect swap;
  ConnectAll(swap, 4);
  const std::vector<float> left = {1, 2, 3, 4}, right = {-1, -2, -3, -4};
  std::vector<float> outLeft(4, 0.0f), outRight(4, 0.0f);
  const float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {outLeft.data(), outRight.data()};
  swap.ProcessFloatReplacing(2, inputs, 2, outputs, 4);
  EXPECT_EQ(outLeft, right);
  EXPECT_EQ(outRight, left);

  GainEffect gain;
  ConnectAll(gain, 4);
  std::vector<float> sumLeft(4, 0.5f), sumRight(4, 0.5f);
  float* sums[] = {sumLeft.data(), sumRight.data()};
  gain.ProcessFloatAccumulating(2, inputs, 2, sums, 4);
  EXPECT_EQ(sumLeft, (std::vector<float>{2.5f, 4.5f, 6.5f, 8.5f}));
  EXPECT_EQ(sumRight, (std::vector<float>{-1.5f, -3.5f, -5.5f, -7.5f}));
}

TEST(Processing, BlocksLongerThanTheBlockSizeRunInPieces)
{
  const int blockSize = 16;
  const int frames = 40;  // 16 + 16 + 8
  GainEffect gain;
  ConnectAll(gain, blockSize);
  const std::vector<float> left = Ramp(frames, -3.0f), right = Ramp(frames, 5.0f);
  std::vector<float> outLeft(frames + 4, 99.0f), outRight(frames + 4, 99.0f);
  const float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {outLeft.data(), outRight.data()};
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, frames);
  for (int f = 0; f < frames; ++f) {
    ASSERT_EQ(outLeft[f], 2.0f * left[f]) << f;
    ASSERT_EQ(outRight[f], 2.0f * right[f]) << f;
  }
  EXPECT_EQ(outLeft[frames], 99.0f);  // nothing past the block
  EXPECT_EQ(gain.blocks, 3);
  EXPECT_EQ(gain.largestBlock, blockSize);

  std::vector<double> dleft(frames, 1.5), dright(frames, -1.5), dout0(frames), dout1(frames);
  double* dinputs[] = {dleft.data(), dright.data()};
  double* doutputs[] = {dout0.data(), dout1.data()};
  gain.largestBlock = 0;
  gain.ProcessDoubleReplacing(2, dinputs, 2, doutputs, frames);
  EXPECT_EQ(dout0, std::vector<double>(frames, 3.0));
  EXPECT_EQ(dout1, std::vector<double>(frames, -3.0));
  EXPECT_EQ(gain.largestBlock, blockSize);
  EXPECT_EQ(gain.firstInput, dleft.data() + 32);  // the last piece starts 32 frames in

  // The pieces join up: a running count comes out unbroken.
  CounterEffect counter;
  ConnectAll(counter, 7);
  std::vector<float> count0(frames), count1(frames);
  float* counts[] = {count0.data(), count1.data()};
  counter.ProcessFloatReplacing(2, inputs, 2, counts, frames);
  for (int f = 0; f < frames; ++f) ASSERT_EQ(count0[f], static_cast<float>(f));
}

TEST(Processing, ProcessCallsAllocateNothing)
{
  GainEffect gain;
  ConnectAll(gain, 16);
  gain.CreateBypassDelay();
  gain.ChangeLatency(5);
  auto* editor = new FakeEditor(&gain);
  editor->AddControl(new RecordingControl(&gain, -1, nullptr));
  gain.AttachEditor(editor);
  std::vector<float> left = Ramp(50, 1.0f), right = Ramp(50, 2.0f);
  std::vector<double> dleft(50, 1.0), dright(50, 2.0);
  float* floats[] = {left.data(), right.data()};
  double* doubles[] = {dleft.data(), dright.data()};

  CountAllocations(true);
  for (bool bypass : {false, true}) {
    gain.SetBypassed(bypass);
    gain.ProcessFloatReplacing(2, floats, 2, floats, 50);  // in place, in four pieces
    gain.ProcessFloatAccumulating(2, floats, 2, floats, 50);
    gain.ProcessDoubleReplacing(2, doubles, 2, doubles, 50);
  }
  EXPECT_EQ(CountAllocations(false), 0);
  EXPECT_EQ(gain.blocks, 12);
}

TEST(Processing, WithoutABlockSizeProcessingGivesSilence)
{
  GainEffect gain;
  gain.SetInputConnections(0, 2, true);
  gain.SetOutputConnections(0, 2, true);
  const std::vector<float> in(8, 1.0f);
  const float* inputs[] = {in.data(), in.data()};
  std::vector<float> out0(8, 4.0f), out1(8, 4.0f);
  float* outputs[] = {out0.data(), out1.data()};
  gain.ProcessFloatAccumulating(2, inputs, 2, outputs, 8);
  EXPECT_EQ(out0, std::vector<float>(8, 4.0f));
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, 8);
  EXPECT_EQ(out0, std::vector<float>(8, 0.0f));
  EXPECT_EQ(out1, std::vector<float>(8, 0.0f));
  std::vector<double> dout(8, 4.0);
  double* doutputs[] = {dout.data(), nullptr};
  gain.ProcessDoubleReplacing(0, nullptr, 2, doutputs, 8);
  EXPECT_EQ(dout, std::vector<double>(8, 0.0));
  gain.RunBlock(8);
  EXPECT_EQ(gain.blocks, 0);
}

TEST(Processing, MissingHostBuffersReadSilence)
{
  GainEffect gain;
  ConnectAll(gain, 8);
  const std::vector<float> in(8, 1.0f);
  std::vector<float> out0(8, 4.0f), out1(8, 4.0f);
  struct Case {
    int inputCount;
    const float* in0;
    const float* in1;
    float expectedRight;
  };
  const Case cases[] = {
    {2, in.data(), in.data(), 2.0f},
    {1, in.data(), in.data(), 0.0f},  // only one buffer given
    {2, in.data(), nullptr, 0.0f},
    {0, nullptr, nullptr, 0.0f},
  };
  for (const Case& c : cases) {
    const float* inputs[] = {c.in0, c.in1};
    float* outputs[] = {out0.data(), out1.data()};
    gain.ProcessFloatReplacing(c.inputCount, inputs, 2, outputs, 8);
    EXPECT_EQ(out1, std::vector<float>(8, c.expectedRight)) << c.inputCount;
  }
  // Outputs without buffers are skipped; null arrays are survived.
  const float* inputs[] = {in.data(), in.data()};
  float* oneOutput[] = {nullptr, out1.data()};
  gain.ProcessFloatReplacing(2, inputs, 2, oneOutput, 8);
  EXPECT_EQ(out1, std::vector<float>(8, 2.0f));
  gain.ProcessFloatReplacing(2, nullptr, 2, nullptr, 8);
  gain.ProcessFloatReplacing(2, inputs, 2, oneOutput, -5);
}

TEST(Processing, BlockSizeChangesResizeAndClearScratch)
{
  TestEffect effect(0, "2-2", 1);
  effect.SetInputConnections(0, 1, true);
  effect.ChangeBlockSize(4);
  InputChannel* in1 = effect.GetInput(1);
  ASSERT_EQ(in1->scratch.size(), 4u);
  EXPECT_EQ(effect.InputData()[1], in1->scratch.data());
  in1->scratch[2] = 5.0;
  effect.ChangeBlockSize(4);  // same size: kept
  EXPECT_EQ(in1->scratch[2], 5.0);
  effect.ChangeBlockSize(-1);  // ignored
  EXPECT_EQ(effect.BlockSize(), 4);
  EXPECT_EQ(in1->scratch[2], 5.0);
  effect.ChangeBlockSize(6);
  EXPECT_EQ(in1->scratch, std::vector<double>(6, 0.0));
  EXPECT_EQ(effect.InputData()[1], in1->scratch.data());
  EXPECT_EQ(effect.GetOutput(0)->scratch.size(), 6u);

  // An absurd size is limited rather than allocated; asking again changes nothing.
  effect.ChangeBlockSize(INT_MAX);
  EXPECT_EQ(effect.BlockSize(), IEffectBase::kMaxBlockSize);
  EXPECT_EQ(in1->scratch.size(), static_cast<size_t>(IEffectBase::kMaxBlockSize));
  in1->scratch[0] = 1.0;
  effect.ChangeBlockSize(INT_MAX - 1);
  EXPECT_EQ(in1->scratch[0], 1.0);
}

TEST(Processing, ConnectionsCoverOnlyExistingChannels)
{
  struct Case {
    int first, count;
    std::vector<bool> connected;
  };
  const Case cases[] = {
    {0, 4, {true, true, true, true}}, {-1, 2, {true, false, false, false}},
    {1, INT_MAX, {false, true, true, true}}, {5, 1, {false, false, false, false}},
    {2, -3, {false, false, false, false}},
  };
  for (const Case& c : cases) {
    TestEffect effect(0, "4-4", 1);
    effect.SetInputConnections(c.first, c.count, true);
    effect.SetOutputConnections(c.first, c.count, true);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(effect.IsInputConnected(i), c.connected[i]) << c.first << "," << c.count << " in " << i;
      EXPECT_EQ(effect.IsOutputConnected(i), c.connected[i]) << c.first << "," << c.count << " out " << i;
    }
  }

  // Disconnecting clears what the input read while it was connected.
  TestEffect effect(0, "4-4", 1);
  ConnectAll(effect, 2);
  const std::vector<float> in = {3, 3};
  const float* inputs[] = {in.data(), in.data(), in.data(), in.data()};
  effect.BindInputs(4, inputs, 2);
  effect.SetInputConnections(3, 1, false);
  EXPECT_EQ(effect.GetInput(3)->scratch, std::vector<double>(2, 0.0));
  EXPECT_EQ(effect.InputData()[3], effect.GetInput(3)->scratch.data());

  // Stereo restriction: inputs from the third on go, outputs from the third on come.
  TestEffect wide(0, "4-4", 1);
  wide.SetInputConnections(0, 4, true);
  wide.RestrictToStereo();
  EXPECT_TRUE(wide.IsInputConnected(1));
  EXPECT_FALSE(wide.IsInputConnected(2));
  EXPECT_FALSE(wide.IsInputConnected(3));
  EXPECT_FALSE(wide.IsOutputConnected(1));
  EXPECT_TRUE(wide.IsOutputConnected(2));
  EXPECT_TRUE(wide.IsOutputConnected(3));
  TestEffect stereo(0, "2-2", 1);
  stereo.RestrictToStereo();
  EXPECT_FALSE(stereo.IsOutputConnected(0));
  EXPECT_FALSE(stereo.IsOutputConnected(1));
}

TEST(Processing, BypassPassesThroughOrDelaysByTheLatency)
{
  GainEffect gain;
  ConnectAll(gain, 8);
  gain.CreateBypassDelay();
  gain.SetBypassed(true);
  const std::vector<float> left = {1, 2, 3, 4, 5, 6}, right = {-1, -2, -3, -4, -5, -6};
  std::vector<float> out0(6), out1(6);
  const float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {out0.data(), out1.data()};
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, 6);
  EXPECT_EQ(out0, left);
  EXPECT_EQ(gain.blocks, 0);

  gain.ChangeLatency(2);
  ASSERT_NE(gain.GetBypassDelay(), nullptr);
  EXPECT_EQ(gain.GetBypassDelay()->Delay(), 2);
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, 6);
  EXPECT_EQ(out0, (std::vector<float>{0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(out1, (std::vector<float>{0, 0, -1, -2, -3, -4}));
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, 3);  // carries on from the last call
  EXPECT_EQ(std::vector<float>(out0.begin(), out0.begin() + 3), (std::vector<float>{5, 6, 1}));

  gain.SetBypassed(false);
  gain.ProcessFloatReplacing(2, inputs, 2, outputs, 6);
  EXPECT_EQ(out0, (std::vector<float>{2, 4, 6, 8, 10, 12}));
}

TEST(Processing, DelayLineDelaysEachChannelInPlace)
{
  BypassDelayLine line(2, 2);
  ASSERT_TRUE(line.SetDelay(3));
  EXPECT_FALSE(line.SetDelay(-1));
  EXPECT_EQ(line.Delay(), 3);
  std::vector<double> a = {1, 2, 3, 4, 5}, b = {10, 20, 30, 40, 50};
  double* buffers[] = {a.data(), b.data()};
  line.Process(buffers, buffers, 5);  // in place
  EXPECT_EQ(a, (std::vector<double>{0, 0, 0, 1, 2}));
  EXPECT_EQ(b, (std::vector<double>{0, 0, 0, 10, 20}));
  ASSERT_TRUE(line.SetDelay(0));
  std::vector<double> c = {7, 8}, d(2, 0.0);
  double* in[] = {c.data(), c.data()};
  double* out[] = {d.data(), nullptr};
  line.Process(in, out, 2);
  EXPECT_EQ(d, c);
}

#if defined(__x86_64__) || defined(_M_X64)
TEST(Processing, DenormalsAreFlushedWhileProcessing)
{
  struct Probe : TestEffect {
    Probe() : TestEffect(0, "2-2", 1) {}
    void ProcessDouble(double**, double**, int) override
    {
      volatile double tiny = 1e-300;
      product = tiny * 1e-20;  // a denormal without flushing
    }
    double product = -1.0;
  } probe;
  ConnectAll(probe, 4);
  std::vector<float> buffer(4, 0.0f);
  float* buffers[] = {buffer.data(), buffer.data()};
  probe.ProcessFloatReplacing(2, buffers, 2, buffers, 4);
  EXPECT_EQ(probe.product, 0.0);
  volatile double tiny = 1e-300;
  EXPECT_GT(tiny * 1e-20, 0.0);  // and restored afterwards
}
#endif

TEST(Mutex, IsRecursiveAndHoldsOffOtherThreads)
{
  TestEffect effect(1, "2-2", 1);
  effect.GetParam(0)->DefineDouble("P", 0.0, 0.0, 1.0, 0.01);
  std::atomic<bool> done(false);
  std::thread other;
  {
    PluginLock outer(effect.Mutex());
    PluginLock inner(effect.Mutex());  // same thread again
    effect.SetParamFromHost(0, 0.25);  // takes it a third time
    other = std::thread([&] {
      effect.SetParamFromHost(0, 0.75);
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done.load());
    EXPECT_DOUBLE_EQ(effect.Value(0), 0.25);
  }
  other.join();
  EXPECT_TRUE(done.load());
  EXPECT_DOUBLE_EQ(effect.Value(0), 0.75);
}

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
TEST(Processing, DenormalGuardsNestAndRestoreTheHostsSetting)
{
  // Flush-to-zero (0x8000) and denormals-are-zero (0x0040): on inside every guard,
  // back to the host's setting after the outermost one, whether or not the host had
  // them on already.
  const unsigned int host = _mm_getcsr();
  for (const unsigned int start : {host & ~0x8040u, host | 0x8040u}) {
    _mm_setcsr(start);
    {
      DenormalGuard outer;
      EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u);
      {
        DenormalGuard inner;
        EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u);
      }
      EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u);
      volatile double tiny = 1e-310;
      EXPECT_EQ(tiny * 0.5, 0.0);  // a denormal result is flushed
    }
    EXPECT_EQ(_mm_getcsr(), start);
  }
  _mm_setcsr(host);
}
#endif
