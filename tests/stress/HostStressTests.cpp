// Three host threads at once on a VST 3 instance, a VST 2 instance and the CLAP module:
// the audio thread processes small random blocks through all three (CLAP parameter
// events inside the blocks), a second thread automates parameters and saves and loads
// state through the VST host interfaces, a third drives the window-less editor and, as
// the CLAP host's main thread, its state, values, texts and editor calls. Under ThreadSanitizer (scripts/tsan.sh) any data race fails it; in the plain
// build it checks that the output stays finite and both instances end consistent.
#include "Brindle.h"
#include "ClapHost.h"
#include "HostObjects.h"
#include "MeterPanel.h"
#include "PluginInstance.h"
#include "Vst2Host.h"
#include "Vst2Module.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsHeadless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

extern "C" vst3::IPluginFactory* GetPluginFactory();

using namespace vst3;
using vst3host::MemoryStream;
using vst3host::Owned;

namespace
{
constexpr int kMaxBlock = 256;
constexpr int kBlocks = 300;

std::vector<unsigned char> SavedControllerState(IEditController* controller)
{
  Owned<MemoryStream> stream(new MemoryStream);
  EXPECT_EQ(controller->getState(stream.get()), kResultOk);
  return stream->data();
}

IMouseMods LeftButton()
{
  IMouseMods mods;
  mods.L = true;
  return mods;
}

// The audio thread's share: one block through each instance, with a few parameter
// changes in the VST 3 block. Returns the number of non-finite output samples.
class AudioSide
{
public:
  AudioSide(IAudioProcessor* processor, vst2host::Vst2Host& vst2, const std::vector<ParamID>& ids)
    : processor(processor), vst2(vst2), ids(ids), changes(new vst3host::ParameterChanges)
  {
    for (int c = 0; c < 2; ++c)
    {
      in64[c].assign(kMaxBlock, 0.0);
      out64[c].assign(kMaxBlock, 0.0);
      inPointers[c] = in64[c].data();
      outPointers[c] = out64[c].data();
    }
  }

  long Block(std::mt19937& random)
  {
    const int frames = std::uniform_int_distribution<int>(1, kMaxBlock)(random);
    std::uniform_real_distribution<double> sample(-0.5, 0.5);
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < 2; ++c)
        in64[c][size_t(i)] = sample(random);

    changes->clear();
    for (int n = std::uniform_int_distribution<int>(0, 3)(random); n > 0; --n)
      changes->add(ids[random() % ids.size()], int32(random() % frames), std::uniform_real_distribution<double>()(random));
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    inBus.channelBuffers64 = inPointers;
    outBus.channelBuffers64 = outPointers;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample64;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes.get();
    processor->process(data);
    long bad = 0;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < frames; ++i)
        bad += !std::isfinite(out64[c][size_t(i)]);

    std::vector<std::vector<float>> inputs(2), outputs(2, std::vector<float>(size_t(frames)));
    for (int c = 0; c < 2; ++c)
      inputs[size_t(c)].assign(in64[c].begin(), in64[c].begin() + frames);
    if (random() % 2)
    {
      vst2.ProcessReplacing(inputs, outputs, frames);
    }
    else
    {
      std::vector<std::vector<double>> in(2), out(2, std::vector<double>(size_t(frames)));
      for (int c = 0; c < 2; ++c)
        in[size_t(c)].assign(in64[c].begin(), in64[c].begin() + frames);
      vst2.ProcessDouble(in, out, frames);
      for (int c = 0; c < 2; ++c)
        outputs[size_t(c)].assign(out[size_t(c)].begin(), out[size_t(c)].end());
    }
    for (const auto& channel : outputs)
      for (float value : channel)
        bad += !std::isfinite(value);
    return bad;
  }

private:
  IAudioProcessor* processor;
  vst2host::Vst2Host& vst2;
  const std::vector<ParamID>& ids;
  Owned<vst3host::ParameterChanges> changes;
  std::vector<double> in64[2], out64[2];
  double* inPointers[2];
  double* outPointers[2];
};
}  // namespace

namespace
{
// The CLAP module's share of the audio thread: a block with a few parameter events
// at random times. Returns the number of non-finite output samples.
long ClapBlock(claphost::ClapInstance& clap, std::mt19937& random)
{
  const int frames = std::uniform_int_distribution<int>(1, kMaxBlock)(random);
  std::uniform_real_distribution<double> sample(-0.5, 0.5);
  std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i)
    left[size_t(i)] = sample(random), right[size_t(i)] = sample(random);
  claphost::EventList events;
  for (int n = std::uniform_int_distribution<int>(0, 3)(random); n > 0; --n)
    events.AddParam(uint32_t(random() % uint32_t(frames)), clap_id(random() % 12),
                    std::uniform_real_distribution<double>(-1.0, 2.0)(random));
  double* io[2] = {left.data(), right.data()};
  claphost::OutputList out;
  clap.Process(io, io, uint32_t(frames), &events, &out);
  long bad = 0;
  for (int i = 0; i < frames; ++i)
    bad += !std::isfinite(left[size_t(i)]) + !std::isfinite(right[size_t(i)]);
  return bad;
}

// The CLAP host's main-thread work between editor steps.
void ClapMainThreadStep(claphost::ClapInstance& clap, int step)
{
  const clap_plugin* p = clap.Plugin();
  std::vector<unsigned char> state;
  if (clap.Save(state, 7))
    clap.Load(state, 13);
  for (clap_id id = 0; id < 12; ++id)
    clap.Text(id, clap.Value(id));
  if (step % 10 == 0 && clap.gui->create(p, clap.gui->is_api_supported(p, "win32", false) ? "win32" : "x11", false))
  {
    uint32_t width = 0, height = 0;
    clap.gui->get_size(p, &width, &height);
    clap.gui->destroy(p);
  }
}
}  // namespace

TEST(HostThreads, AudioAutomationAndEditorOnBothModulesAtOnce)
{
  // VST 3, created and set up as a host does it.
  Owned<IPluginFactory> factory(GetPluginFactory());
  Owned<vst3host::HostApplication> application(new vst3host::HostApplication);
  Owned<vst3host::ComponentHandler> handler(new vst3host::ComponentHandler);
  std::string error;
  auto instance = vst3host::PluginInstance::create(factory.get(), 0, application.get(), error);
  ASSERT_TRUE(instance) << error;
  IEditController* controller = instance->controller();
  ASSERT_NE(controller, nullptr);
  controller->setComponentHandler(handler.get());
  ProcessSetup setup{kRealtime, kSample64, kMaxBlock, 48000.0};
  ASSERT_EQ(instance->processor()->setupProcessing(setup), kResultOk);
  instance->component()->setActive(1);
  instance->processor()->setProcessing(1);
  std::vector<ParamID> ids;
  for (int32 i = 0; i < controller->getParameterCount(); ++i)
  {
    ParameterInfo info{};
    if (controller->getParameterInfo(i, info) == kResultOk)
      ids.push_back(info.id);
  }
  ASSERT_GE(ids.size(), 12u);
  // The instance's own editor, without a window: what the view would show.
  IEffectBase* plugin = dynamic_cast<IEffectBase*>(instance->component());
  ASSERT_NE(plugin, nullptr);
  IGraphicsHeadless& editor = *static_cast<IGraphicsHeadless*>(plugin->Editor());
  editor.OpenWindow(nullptr);
  // As the view does once its window is open: the meters measure and draw.
  plugin->OnEditorOpened();
  editor.Tick();

  // VST 2, the built module loaded by path.
  vst2host::Vst2Module module;
  ASSERT_TRUE(module.Load(BRINDLE2_MODULE_PATH, &error)) << error;
  vst2host::Vst2Host vst2;
  ASSERT_TRUE(vst2.Create(module, &error)) << error;
  vst2.Start(48000.0f, kMaxBlock);
  const VstInt32 vst2Params = vst2.Effect()->numParams;

  // CLAP, the built module loaded by path; the UI thread becomes its host's main thread.
  auto clapModule = claphost::ClapModule::Load(BRINDLE_CLAP_MODULE, error);
  ASSERT_TRUE(clapModule) << error;
  claphost::ClapHost clapHost;
  auto clap = claphost::ClapInstance::Create(*clapModule, clapHost, "com.orvane.brindle", error);
  ASSERT_TRUE(clap) << error;
  ASSERT_TRUE(clap->Activate(48000.0, 1, kMaxBlock));
  ASSERT_TRUE(clap->StartProcessing());

  std::atomic<int> started{0};
  std::atomic<bool> done{false};
  std::atomic<long> nonFinite{0};
  auto waitForAll = [&] {
    ++started;
    while (started < 3)
      std::this_thread::yield();
  };

  std::thread audio([&] {
    std::mt19937 random(1);
    AudioSide side(instance->processor(), vst2, ids);
    waitForAll();
    for (int block = 0; block < kBlocks; ++block)
      nonFinite += side.Block(random) + ClapBlock(*clap, random);
    done = true;
  });

  std::thread automation([&] {
    std::mt19937 random(2);
    std::uniform_real_distribution<double> unit;
    waitForAll();
    for (int round = 0; !done || round < 20; ++round)
    {
      const ParamID id = ids[random() % ids.size()];
      controller->setParamNormalized(id, unit(random));
      String128 text = {};
      controller->getParamStringByValue(id, controller->getParamNormalized(id), text);
      const VstInt32 index = VstInt32(random() % uint32_t(vst2Params));
      vst2.SetParameter(index, float(unit(random)));
      vst2.GetParameter(index);
      vst2.DispatchText(effGetParamDisplay, index, 32);
      if (round % 4 == 0)
      {
        Owned<MemoryStream> saved(new MemoryStream);
        if (controller->getState(saved.get()) == kResultOk)
        {
          saved->rewind();
          controller->setState(saved.get());
        }
        Owned<MemoryStream> component(new MemoryStream);
        if (instance->component()->getState(component.get()) == kResultOk)
        {
          component->rewind();
          instance->component()->setState(component.get());
        }
        const bool program = round % 8 == 0;
        std::vector<uint8_t> chunk;
        if (vst2.GetChunk(program, &chunk) > 0)
          vst2.SetChunk(program, chunk.data(), VstIntPtr(chunk.size()));
      }
    }
  });

  std::thread ui([&] {
    // Radio buttons, switches, a knob, the bypass, the reset of the stereo page and a
    // clip lamp.
    const int spots[][2] = {{100, 78}, {264, 78}, {130, 78}, {46, 254}, {166, 78}, {46, 296}, {651, 100}};
    clapHost.AdoptMainThread();
    waitForAll();
    for (int step = 0; !done || step < 30; ++step)
    {
      const int* at = spots[step % 7];
      switch (step % 3)
      {
      case 0:
        editor.MouseDown(at[0], at[1], LeftButton());
        editor.MouseUp(at[0], at[1], LeftButton());
        break;
      case 1:
        editor.MouseDown(at[0], at[1], LeftButton());
        for (int dy = 1; dy <= 12; dy += 3)
          editor.MouseMovedWithButton(at[0], at[1] - dy, LeftButton());
        editor.MouseUp(at[0], at[1] - 12, LeftButton());
        break;
      default:
        editor.MouseWheel(at[0], at[1], IMouseMods(), step % 2 ? 1 : -1);
        break;
      }
      editor.Tick();
      ClapMainThreadStep(*clap, step);
      if (step % 10 == 0)
      {
        // A host opening and closing its view while all this goes on.
        if (IPlugView* view = controller->createView("editor"))
        {
          ViewRect rect{};
          view->getSize(&rect);
          view->release();
        }
      }
    }
  });

  audio.join();
  automation.join();
  ui.join();
  editor.Tick();

  EXPECT_EQ(nonFinite.load(), 0);
  // Both instances end with a state that loads back as itself.
  const std::vector<unsigned char> state = SavedControllerState(controller);
  Owned<MemoryStream> again(new MemoryStream(state));
  EXPECT_EQ(controller->setState(again.get()), kResultOk);
  EXPECT_EQ(SavedControllerState(controller), state);
  std::vector<uint8_t> chunk, chunkAgain;
  ASSERT_GT(vst2.GetChunk(true, &chunk), 0);
  EXPECT_EQ(vst2.SetChunk(true, chunk.data(), VstIntPtr(chunk.size())), 1);
  vst2.GetChunk(true, &chunkAgain);
  EXPECT_EQ(chunkAgain, chunk);
  // The editor shows the page of whatever value the selector has now.
  const bool stereo = plugin->GetParam(Brindle::kChannelSelector)->Value() == 0.0;
  EXPECT_EQ(editor.GetControl(2)->IsHidden(), !stereo);
  EXPECT_EQ(editor.GetControl(1)->IsHidden(), stereo);
  // The meters took the audio thread's slices while it ran.
  const MeterPanel* meters = nullptr;
  for (int i = 0; i < editor.ControlCount() && !meters; ++i)
    meters = dynamic_cast<const MeterPanel*>(editor.GetControl(i));
  ASSERT_NE(meters, nullptr);
  EXPECT_GT(meters->Readings().LevelOf(MeterReadings::kInputLeft).peakDb, MeterReadings::kFloorDb);

  // The CLAP instance too, and no call reached its host on the wrong thread.
  clapHost.AdoptMainThread();
  std::vector<unsigned char> clapState, clapAgain;
  ASSERT_TRUE(clap->Save(clapState));
  ASSERT_TRUE(clap->Load(clapState));
  ASSERT_TRUE(clap->Save(clapAgain));
  EXPECT_EQ(clapAgain, clapState);
  EXPECT_TRUE(clapHost.WrongThreadCalls().empty());
  clap.reset();

  vst2.Close();
  instance->processor()->setProcessing(0);
  instance->component()->setActive(0);
  controller->setComponentHandler(nullptr);
}
