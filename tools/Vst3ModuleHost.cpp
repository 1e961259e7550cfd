// The VST 3 module host of brindle-render.
#include "Vst3ModuleHost.h"

#include <cmath>
#include <cstring>

using namespace vst3;
using namespace vst3host;

namespace
{
// The most value texts listed for one switch or selector.
constexpr int32 kMaxListedSteps = 64;

std::string Narrow(const TChar* text)
{
  std::string result;
  for (int i = 0; i < 128 && text[i]; ++i)
    result.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
  return result;
}
}  // namespace

Vst3ModuleHost::~Vst3ModuleHost()
{
  Release();
}

bool Vst3ModuleHost::Create()
{
  failure.clear();
  std::string error;
  module = Vst3Module::load(path, error);
  if (!module)
    return Fail(error);
  application.reset(new HostApplication("brindle-render"));
  IPluginFactory* factory = module->factory();
  const int32 classes = factory->countClasses();
  for (int32 i = 0; i < classes && !instance; ++i)
  {
    PClassInfo info{};
    if (factory->getClassInfo(i, &info) == kResultOk &&
        std::strncmp(info.category, kVstAudioEffectClass, sizeof info.category) == 0)
      instance = PluginInstance::create(factory, i, application.get(), error);
  }
  if (!instance)
  {
    Release();
    return Fail(path + ": " + (error.empty() ? "no audio effect class" : error));
  }

  IComponent* component = instance->component();
  if (component->getBusCount(kAudio, kInput) < 1 || component->getBusCount(kAudio, kOutput) < 1)
  {
    Release();
    return Fail(path + " has no audio input or output bus");
  }
  SpeakerArrangement in = SpeakerArr::kStereo, out = SpeakerArr::kStereo;
  instance->processor()->setBusArrangements(&in, 1, &out, 1);
  SpeakerArrangement given = 0;
  if (instance->processor()->getBusArrangement(kInput, 0, given) != kResultOk || given != SpeakerArr::kStereo ||
      instance->processor()->getBusArrangement(kOutput, 0, given) != kResultOk || given != SpeakerArr::kStereo)
  {
    Release();
    return Fail(path + " does not take stereo in and stereo out; only stereo effects can be hosted");
  }
  component->activateBus(kAudio, kInput, 0, 1);
  component->activateBus(kAudio, kOutput, 0, 1);

  paramIds.clear();
  std::vector<std::string> names;
  if (IEditController* controller = instance->controller())
  {
    handler.reset(new ComponentHandler);
    controller->setComponentHandler(handler.get());
    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
      ParameterInfo info{};
      if (controller->getParameterInfo(i, info) != kResultOk || (info.flags & (kIsProgramChange | kIsBypass)))
        continue;
      paramIds.push_back(info.id);
      names.push_back(Narrow(info.title));
    }
  }
  isOwnPlugin = IsOwnPlugin(names, paramIds);
  return true;
}

bool Vst3ModuleHost::DescribeParams(std::vector<RenderParamInfo>& params)
{
  if (!instance)
    return Fail("no plug-in");
  params.clear();
  IEditController* controller = instance->controller();
  if (!controller)
    return true;  // a separate controller class is not connected: no parameters
  for (int32 i = 0; i < controller->getParameterCount(); ++i)
  {
    ParameterInfo info{};
    if (controller->getParameterInfo(i, info) != kResultOk || (info.flags & (kIsProgramChange | kIsBypass)))
      continue;
    RenderParamInfo param;
    param.name = Narrow(info.title);
    param.unit = Narrow(info.units);
    param.minValue = controller->normalizedParamToPlain(info.id, 0.0);
    param.maxValue = controller->normalizedParamToPlain(info.id, 1.0);
    param.defaultValue = controller->normalizedParamToPlain(info.id, info.defaultNormalizedValue);
    param.isDouble = info.stepCount == 0;
    param.step = param.isDouble ? 0.0 : 1.0;
    param.precision = param.isDouble ? 3 : 0;
    if (isOwnPlugin)
    {
      // Its unit is left out, too, while the current value has a text of its own.
      DescribeAsOwn(param, params.size());
    }
    else if ((info.flags & kIsList) && info.stepCount > 0 && info.stepCount <= kMaxListedSteps)
    {
      for (int32 s = 0; s <= info.stepCount; ++s)
      {
        const double normalized = static_cast<double>(s) / info.stepCount;
        String128 text = {};
        if (controller->getParamStringByValue(info.id, normalized, text) == kResultOk)
          param.displayTexts.push_back({controller->normalizedParamToPlain(info.id, normalized), Narrow(text)});
      }
    }
    params.push_back(param);
  }
  return true;
}

bool Vst3ModuleHost::Configure(double sampleRate, int blockSize, RenderPrecision precision)
{
  if (!instance)
    return Fail("no plug-in");
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || blockSize < 1)
    return Fail("unusable sample rate or block size");
  const int32 sampleSize = precision == RenderPrecision::Double ? kSample64 : kSample32;
  if (instance->processor()->canProcessSampleSize(sampleSize) != kResultOk)
    return Fail(precision == RenderPrecision::Double
                  ? "the module has no 64-bit processing; use --precision single"
                  : "the module has no 32-bit processing");
  if (active)
  {
    if (processing)
      instance->processor()->setProcessing(0);
    instance->component()->setActive(0);
    active = processing = false;
  }
  setup = ProcessSetup{kOffline, sampleSize, blockSize, sampleRate};
  if (instance->processor()->setupProcessing(setup) != kResultOk)
    return Fail("the module refused the processing set-up");
  context = ProcessContext{};
  context.sampleRate = sampleRate;
  configured = true;
  return true;
}

bool Vst3ModuleHost::LoadParams(const std::vector<double>& plainValues)
{
  if (!instance || !configured)
    return Fail("the plug-in is not set up");
  if (plainValues.size() != paramIds.size())
    return Fail("expected " + std::to_string(paramIds.size()) + " parameter values");
  IEditController* controller = instance->controller();
  pendingChanges.reset(new ParameterChanges);
  if (isOwnPlugin)
  {
    // The saved state: one double per parameter, then the wrapper's bypass word (off).
    std::vector<unsigned char> bytes;
    for (double value : plainValues)
      AppendLittleEndianDouble(bytes, value);
    AppendLittleEndian32(bytes, 0);
    return LoadState(bytes) && Start();
  }
  for (size_t i = 0; i < paramIds.size(); ++i)
  {
    const double normalized = controller->plainParamToNormalized(paramIds[i], plainValues[i]);
    if (normalized == controller->getParamNormalized(paramIds[i]))
      continue;
    controller->setParamNormalized(paramIds[i], normalized);
    if (!pendingChanges->add(paramIds[i], 0, normalized))
      return Fail("too many parameters changed at once");
  }
  return Start();
}

bool Vst3ModuleHost::Start()
{
  instance->component()->setActive(1);
  active = true;
  // Optional for plug-ins: kNotImplemented is a fine answer.
  instance->processor()->setProcessing(1);
  processing = true;
  return true;
}

bool Vst3ModuleHost::Process(AudioBusBuffers& in, AudioBusBuffers& out, int frames)
{
  if (!active)
    return Fail("the plug-in is not set up");
  if (frames < 0 || frames > setup.maxSamplesPerBlock)
    return Fail("block longer than the configured size");
  ProcessData data{};
  data.processMode = setup.processMode;
  data.symbolicSampleSize = setup.symbolicSampleSize;
  data.numSamples = frames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = pendingChanges->getParameterCount() > 0 ? pendingChanges.get() : nullptr;
  data.processContext = &context;
  if (instance->processor()->process(data) != kResultOk)
    return Fail("the module failed to process a block");
  pendingChanges->clear();
  context.projectTimeSamples += frames;
  context.continousTimeSamples += frames;
  return true;
}

bool Vst3ModuleHost::ProcessDouble(double* const* inputs, double* const* outputs, int frames)
{
  if (!inputs || !outputs)
    return false;
  if (setup.symbolicSampleSize != kSample64)
    return Fail("set up for 32-bit samples");
  AudioBusBuffers in{}, out{};
  in.numChannels = out.numChannels = 2;
  in.channelBuffers64 = const_cast<double**>(inputs);
  out.channelBuffers64 = const_cast<double**>(outputs);
  return Process(in, out, frames);
}

bool Vst3ModuleHost::ProcessSingle(const float* const* inputs, float* const* outputs, int frames)
{
  if (!inputs || !outputs)
    return false;
  if (setup.symbolicSampleSize != kSample32)
    return Fail("set up for 64-bit samples");
  // The record's buffers are writable; the tool refills its inputs every block.
  float* in32[2] = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
  float* out32[2] = {outputs[0], outputs[1]};
  AudioBusBuffers in{}, out{};
  in.numChannels = out.numChannels = 2;
  in.channelBuffers32 = in32;
  out.channelBuffers32 = out32;
  return Process(in, out, frames);
}

bool Vst3ModuleHost::ScheduleParamChange(int index, double plainValue, int sampleOffset)
{
  IEditController* controller = instance ? instance->controller() : nullptr;
  if (!controller || !pendingChanges)
    return Fail("the plug-in is not set up");
  if (index < 0 || static_cast<size_t>(index) >= paramIds.size())
    return Fail("no parameter " + std::to_string(index));
  const ParamID id = paramIds[static_cast<size_t>(index)];
  const double normalized = controller->plainParamToNormalized(id, plainValue);
  // The controller hears of it as from a host's automation lane, the processor in the block.
  controller->setParamNormalized(id, normalized);
  if (!pendingChanges->add(id, sampleOffset, normalized))
    return Fail("too many parameter changes in one block");
  return true;
}

bool Vst3ModuleHost::SaveState(std::vector<uint8_t>& bytes)
{
  IEditController* controller = instance ? instance->controller() : nullptr;
  if (!controller)
    return Fail("no plug-in");
  // The component's stream, or the controller's where the component keeps none.
  Owned<MemoryStream> stream(new MemoryStream);
  tresult result = instance->component()->getState(stream.get());
  if (result == kNotImplemented)
    result = controller->getState(stream.get());
  if (result != kResultOk)
    return Fail("the module gave no state");
  bytes = stream->data();
  return true;
}

bool Vst3ModuleHost::LoadState(const std::vector<uint8_t>& bytes)
{
  IEditController* controller = instance ? instance->controller() : nullptr;
  if (!controller)
    return Fail("no plug-in");
  Owned<MemoryStream> stream(new MemoryStream(bytes));
  // A single-component plug-in may keep its state on either side; one that
  // does not implement the component side says so.
  const tresult componentResult = instance->component()->setState(stream.get());
  if (componentResult != kResultOk && componentResult != kNotImplemented)
    return Fail("the module refused the component state");
  stream->rewind();
  if (controller->setState(stream.get()) != kResultOk)
    return Fail("the module refused the controller state");
  return true;
}

void Vst3ModuleHost::Release()
{
  if (instance)
  {
    if (processing)
      instance->processor()->setProcessing(0);
    if (active)
      instance->component()->setActive(0);
    if (IEditController* controller = instance->controller(); controller && handler)
      controller->setComponentHandler(nullptr);
  }
  processing = active = configured = false;
  // Terminate and release the instance, then the host objects, then the module.
  instance.reset();
  pendingChanges.reset();
  handler.reset();
  application.reset();
  module.reset();
}
