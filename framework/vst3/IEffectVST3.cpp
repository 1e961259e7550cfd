// The VST 3 wrapper: host calls become plug-in base operations and back.
#include "IEffectVST3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "IEffectParameter.h"
#include "IEffectVST3View.h"
#include "Vst3Strings.h"
#include "framework/HostKind.h"
#include "graphics/IGraphics.h"

using namespace vst3;

namespace {

// Speaker arrangement of a bus with the given number of channels.
SpeakerArrangement SpeakerArrangementFor(int channels) {
    switch (channels) {
        case 1: return SpeakerArr::kMono;
        case 2: return SpeakerArr::kStereo;
        case 3: return 0x103;  // L, R and centre surround
        case 4: return SpeakerArr::kAmbi1stOrderACN;
        case 5: return SpeakerArr::k50;
        case 6: return SpeakerArr::k51;
        default: return SpeakerArr::kEmpty;
    }
}

void SetLabel(std::vector<std::string>& labels, const char* text) {
    if (!labels.empty()) labels.erase(labels.begin());
    labels.insert(labels.begin(), text);
}

}  // namespace

IEffectVST3::IEffectVST3(void* hostContext_, int paramCount, const char* channelIOText, int presetCount,
                         const char* effectName, const char* productName, const char* makerName, int32_t version,
                         int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks, bool isInstrument,
                         bool doesMidi)
    : IEffectBase(hostContext_, paramCount, channelIOText, presetCount, effectName, productName, makerName, version,
                  uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi) {
    SetPluginFormat(1);
    std::memset(&processContext, 0, sizeof processContext);
    SetInputConnections(0, InputCount(), true);
    SetOutputConnections(0, OutputCount(), true);
    CreateBypassDelay();
    SetLabel(InputBusLabels(), "Main Input");
    SetLabel(OutputBusLabels(), "Output");
}

IEffectVST3::~IEffectVST3() = default;

tresult IEffectVST3::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    IHostApplication* application = queryAs<IHostApplication>(context);
    if (application) {
        String128 name = {};
        if (application->getName(name) == kResultOk) {
            name[127] = 0;
            SetHostIdentity(LookupHostKind(narrow(name, 127).c_str()), 0);
        }
    }
    if (result == kResultOk) {
        const SpeakerArrangement inputArrangement = SpeakerArrangementFor(InputCount());
        if (inputArrangement != SpeakerArr::kEmpty)
            addAudioInput(widen(InputBusLabels()[0].c_str()).c_str(), inputArrangement);
        addAudioOutput(widen(OutputBusLabels()[0].c_str()).c_str(), SpeakerArrangementFor(OutputCount()));
        RegisterParameters();
    }
    OnHostKnown();
    SelectPreset(0);
    if (application) application->release();
    return result;
}

void IEffectVST3::RegisterParameters() {
    if (PresetCount() > 0)
        parameters.addParameter(new Parameter(u"Preset", kPresetParamId, nullptr, 0.0, PresetCount(), kIsProgramChange));
    auto* bypass = new StringListParameter(u"Bypass", kBypassParamId, nullptr, kCanAutomate | kIsList | kIsBypass);
    bypass->appendString(u"off");
    bypass->appendString(u"on");
    parameters.addParameter(bypass);

    groupUnits.clear();
    for (int i = 0; i < ParamCount(); ++i) {
        const IParam* param = GetParam(i);
        UnitID unit = kRootUnitId;
        if (param->Group()[0]) {
            unit = 0;
            for (size_t g = 0; g < groupUnits.size(); ++g)
                if (groupUnits[g] == param->Group()) unit = static_cast<UnitID>(g + 1);
            if (unit == 0) {
                groupUnits.push_back(param->Group());
                unit = static_cast<UnitID>(groupUnits.size());
            }
        }
        parameters.addParameter(new IEffectParameter(param, static_cast<ParamID>(i), unit));
    }
}

tresult IEffectVST3::terminate() {
    views.clear();
    return SingleComponentEffect::terminate();
}

tresult IEffectVST3::setActive(TBool state) {
    OnActivated(state != 0);
    // As in the VST 2 wrapper: switched off, the plug-in is reset, so nothing of the last
    // run (a glide half done, an echo) carries over into the next.
    if (!state) OnReset();
    return kResultOk;
}

tresult IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) {
    if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kInvalidArgument;
    SetInputConnections(0, InputCount(), false);
    SetOutputConnections(0, OutputCount(), false);
    const int requestedInputs = numIns > 0 ? channelCountOf(inputs[0]) : 0;
    const int requestedOutputs = numOuts > 0 ? channelCountOf(outputs[0]) : 0;
    if (!LegalIO(requestedInputs, requestedOutputs)) return kResultFalse;

    auto replace = [](BusList& list, int requested, const char16* name) {
        auto* bus = static_cast<AudioBus*>(list.at(0));
        if (!bus || channelCountOf(bus->getArrangement()) == requested) return;
        list.replaceAt(0, std::make_unique<AudioBus>(name, kMain, kDefaultActive, SpeakerArrangementFor(requested)));
    };
    replace(audioInputs, requestedInputs, u"Input");
    replace(audioOutputs, requestedOutputs, u"Output");
    return numIns == 1 ? kResultOk : kResultFalse;
}

tresult IEffectVST3::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultOk : kResultFalse;
}

uint32 IEffectVST3::getLatencySamples() { return static_cast<uint32>(Latency()); }
uint32 IEffectVST3::getTailSamples() { return static_cast<uint32>(TailSize()); }

tresult IEffectVST3::setupProcessing(ProcessSetup& setup) {
    // The base refuses unknown sample sizes and absurd block sizes or rates.
    const tresult result = SingleComponentEffect::setupProcessing(setup);
    if (result != kResultOk) return result;
    SetSampleRate(setup.sampleRate);
    SwitchBypass(false);
    ChangeBlockSize(setup.maxSamplesPerBlock);
    OnReset();
    return kResultOk;
}

void IEffectVST3::ApplyParameterChanges(IParameterChanges* changes) {
    if (!changes) return;
    const int32 queues = changes->getParameterCount();
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue) continue;
        int32 offset = 0;
        ParamValue value = 0.0;
        const int32 points = queue->getPointCount();
        if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk) continue;
        const ParamID id = queue->getParameterId();
        if (id == kBypassParamId) {
            SwitchBypass(value > 0.5);
        } else if (id == kPresetParamId) {
            // Only products that an int holds can name a slot; beyond that the cast is undefined.
            const double slot = value * PresetCount();
            if (slot > -2147483648.0 && slot < 2147483648.0) SelectPreset(static_cast<int>(slot));
        } else if (id < static_cast<ParamID>(ParamCount())) {
            SetParamFromHost(static_cast<int>(id), value);
        }
    }
}

void IEffectVST3::ConnectChannels(const ProcessData& data, int& inputChannels, int& outputChannels) {
    const bool hasInputs = data.numInputs > 0 && data.inputs && data.inputs[0].channelBuffers32;
    inputChannels = hasInputs ? std::max<int32>(data.inputs[0].numChannels, 0) : 0;
    outputChannels = 0;
    if (data.numOutputs > 0 && data.outputs && data.outputs[0].channelBuffers32)
        outputChannels = std::max<int32>(data.outputs[0].numChannels, 0);
    // Channels of an inactive bus are written into scratch; the host's buffers stay as they are.
    const Bus* bus = audioOutputs.at(0);
    const bool active = bus && bus->isActive();
    // The usual block finds every channel connected as it was: nothing to change.
    if (active && inputChannels >= InputCount() && outputChannels >= OutputCount() && AllChannelsConnected())
        return;
    if (hasInputs) {
        SetInputConnections(0, inputChannels, true);
        SetInputConnections(inputChannels, InputCount(), false);
    }
    SetOutputConnections(0, outputChannels, active);
    SetOutputConnections(outputChannels, OutputCount(), false);
    if (!active) outputChannels = 0;
}

tresult IEffectVST3::process(ProcessData& data) {
    PluginLock lock(Mutex());
    if (data.processContext) processContext = *data.processContext;
    ApplyParameterChanges(data.inputParameterChanges);
    if (data.numSamples <= 0) return kResultOk;
    // Buffers of another sample size than the set-up's would be read and written past their ends.
    if (data.symbolicSampleSize != processSetup.symbolicSampleSize) return kResultFalse;

    int inputChannels = 0;
    int outputChannels = 0;
    ConnectChannels(data, inputChannels, outputChannels);
    // Blocks longer than the announced maximum are run in pieces by the base, under the
    // lock taken above.
    if (processSetup.symbolicSampleSize == kSample64) {
        double* const* in = inputChannels ? data.inputs[0].channelBuffers64 : nullptr;
        double* const* out = outputChannels ? data.outputs[0].channelBuffers64 : nullptr;
        ProcessDoubleReplacingLocked(inputChannels, in, outputChannels, out, data.numSamples);
    } else {
        const float* const* in = inputChannels ? data.inputs[0].channelBuffers32 : nullptr;
        float* const* out = outputChannels ? data.outputs[0].channelBuffers32 : nullptr;
        ProcessFloatReplacingLocked(inputChannels, in, outputChannels, out, data.numSamples);
    }
    return kResultOk;
}

// State stream: the SaveState chunk, then the bypass flag as a little-endian int32.
tresult IEffectVST3::getControllerState(IBStream* state) {
    if (!state) return kInvalidArgument;
    PluginLock lock(Mutex());
    StateChunk chunk;
    if (!SaveState(chunk)) return kResultFalse;
    const int32_t flag = bypassed ? 1 : 0;
    unsigned char tail[4] = {static_cast<unsigned char>(flag), 0, 0, 0};
    int32 written = 0;
    // A host stream that fails must not be told the state was saved.
    if (state->write(chunk.Data(), chunk.Size(), &written) != kResultOk || written != chunk.Size()) return kResultFalse;
    if (state->write(tail, 4, &written) != kResultOk || written != 4) return kResultFalse;
    return kResultOk;
}

tresult IEffectVST3::setControllerState(IBStream* state) {
    if (!state) return kInvalidArgument;
    PluginLock lock(Mutex());
    StateChunk chunk;
    SaveState(chunk);
    if (chunk.Size() == 0) return kResultFalse;
    // Bytes a short stream does not deliver keep the current state's values.
    int32 read = 0;
    state->read(chunk.Data(), chunk.Size(), &read);
    LoadState(chunk, 0);
    unsigned char tail[4] = {0, 0, 0, 0};
    if (state->read(tail, 4, &read) != kResultOk) return kResultFalse;
    const int32_t flag = static_cast<int32_t>(static_cast<uint32_t>(tail[0]) | static_cast<uint32_t>(tail[1]) << 8 |
                                              static_cast<uint32_t>(tail[2]) << 16 |
                                              static_cast<uint32_t>(tail[3]) << 24);
    SwitchBypass(flag != 0);
    RefreshEditorParams();
    return kResultOk;
}

tresult IEffectVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) {
    const IParam* param = id < static_cast<ParamID>(ParamCount()) ? GetParam(static_cast<int>(id)) : nullptr;
    if (!param) return kResultFalse;
    if (!string) return kInvalidArgument;
    IEffectParameter::FormatNormalized(*param, valueNormalized, string);
    return kResultOk;
}

ParamValue IEffectVST3::plainParamToNormalized(ParamID id, ParamValue plainValue) {
    const IParam* param = id < static_cast<ParamID>(ParamCount()) ? GetParam(static_cast<int>(id)) : nullptr;
    return param ? param->NormalizedOf(plainValue) : plainValue;
}

void IEffectVST3::SwitchBypass(bool on) {
    bypassed = on;
    bypassSwitch = on ? 1.0 : 0.0;
}

ParamValue IEffectVST3::getParamNormalized(ParamID id) {
    // The audio thread changes values and the bypass inside process, under this lock.
    PluginLock lock(Mutex());
    if (id == kBypassParamId) return bypassSwitch;
    const IParam* param = id < static_cast<ParamID>(ParamCount()) ? GetParam(static_cast<int>(id)) : nullptr;
    return param ? param->Normalized() : 0.0;
}

tresult IEffectVST3::setParamNormalized(ParamID id, ParamValue value) {
    if (id == kBypassParamId) {
        if (!std::isfinite(value)) return kInvalidArgument;
        // Only the controller's switch moves; the audio follows the change that reaches process.
        bypassSwitch = std::clamp(value, 0.0, 1.0);
        return kResultOk;
    }
    IParam* param = id < static_cast<ParamID>(ParamCount()) ? GetParam(static_cast<int>(id)) : nullptr;
    if (!param) return kResultFalse;
    if (!std::isfinite(value)) return kInvalidArgument;
    PluginLock lock(Mutex());
    param->SetFromNormalized(value);
    return kResultOk;
}

IPlugView* IEffectVST3::createView(FIDString name) {
    if (!name || std::strcmp(name, kEditorViewType) != 0) return nullptr;
    // A view is offered only where the editor has a window to open in.
    if (!Editor() || !Editor()->WindowPlatformType()) return nullptr;
    auto* view = new IEffectVST3View(this);
    views.push_back(view);
    return view;
}

void IEffectVST3::ForgetView(IEffectVST3View* view) {
    for (auto it = views.begin(); it != views.end(); ++it) {
        if (*it == view) {
            views.erase(it);
            return;
        }
    }
}

int32 IEffectVST3::getUnitCount() { return 1 + static_cast<int32>(groupUnits.size()); }

tresult IEffectVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex < 0 || unitIndex > static_cast<int32>(groupUnits.size())) return kResultFalse;
    std::memset(&info, 0, sizeof info);
    info.id = unitIndex;
    info.parentUnitId = unitIndex == 0 ? kNoParentUnitId : kRootUnitId;
    info.programListId = kNoProgramListId;
    widenInto(info.name, 128, unitIndex == 0 ? "Root Unit" : groupUnits[static_cast<size_t>(unitIndex - 1)].c_str());
    return kResultOk;
}

int32 IEffectVST3::getProgramListCount() { return 0; }

tresult IEffectVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0) return kResultFalse;
    std::memset(&info, 0, sizeof info);
    info.id = static_cast<ProgramListID>(kPresetParamId);
    widenInto(info.name, 128, "Factory Presets");
    info.programCount = PresetCount();
    return kResultOk;
}

tresult IEffectVST3::getProgramName(ProgramListID listId, int32 programIndex, String128 name) {
    if (listId != static_cast<ProgramListID>(kPresetParamId)) return kResultFalse;
    if (!name) return kInvalidArgument;
    widenInto(name, 128, PresetName(programIndex));
    return kResultOk;
}

tresult IEffectVST3::getProgramInfo(ProgramListID, int32, CString, String128) { return kNotImplemented; }
tresult IEffectVST3::hasProgramPitchNames(ProgramListID, int32) { return kNotImplemented; }
tresult IEffectVST3::getProgramPitchName(ProgramListID, int32, int16, String128) { return kNotImplemented; }
UnitID IEffectVST3::getSelectedUnit() { return kRootUnitId; }
tresult IEffectVST3::selectUnit(UnitID) { return kNotImplemented; }
tresult IEffectVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) { return kNotImplemented; }
tresult IEffectVST3::setUnitProgramData(int32, int32, IBStream*) { return kNotImplemented; }

void IEffectVST3::BeginParamEdit(int index) { beginEdit(static_cast<ParamID>(index)); }
void IEffectVST3::NotifyParamEdit(int index, double normalized) {
    performEdit(static_cast<ParamID>(index), normalized);
}
void IEffectVST3::EndParamEdit(int index) { endEdit(static_cast<ParamID>(index)); }

bool IEffectVST3::IsOfflineRender() { return processSetup.processMode == kOffline; }
double IEffectVST3::TransportSamplePos() { return static_cast<int32_t>(processContext.projectTimeSamples); }
double IEffectVST3::TransportTempo() { return processContext.tempo; }

void IEffectVST3::TransportTimeSig(int* numerator, int* denominator) {
    if (numerator) *numerator = processContext.timeSigNumerator;
    if (denominator) *denominator = processContext.timeSigDenominator;
}

void IEffectVST3::ReadTransport(TransportInfo* info) {
    if (!info) return;
    info->tempo = processContext.tempo;
    info->samplePos = static_cast<double>(processContext.projectTimeSamples);
    info->ppqPos = processContext.projectTimeMusic;
    info->lastBar = processContext.barPositionMusic;
    info->cycleStart = processContext.cycleStartMusic;
    info->cycleEnd = processContext.cycleEndMusic;
    info->numerator = processContext.timeSigNumerator;
    info->denominator = processContext.timeSigDenominator;
    info->transportIsRunning = (processContext.state & kPlaying) != 0;
    info->transportCycle = (processContext.state & kCycleActive) != 0;
}

void IEffectVST3::ResizeEditorFrame(int width, int height) {
    if (!Editor() || views.empty()) return;
    IEffectVST3View* view = views.front();
    if (!view->getFrame()) return;
    view->ExpectResize();
    ViewRect rect{0, 0, width, height};
    view->getFrame()->resizeView(view, &rect);
}

void IEffectVST3::ChangeLatency(int samples) {
    IEffectBase::ChangeLatency(samples);
    if (IComponentHandler* handler = getComponentHandler()) handler->restartComponent(kLatencyChanged);
}

void IEffectVST3::ShowHostContextMenu(int param, int x, int y) {
    IComponentHandler* handler = getComponentHandler();
    if (!handler || views.empty()) return;
    IComponentHandler3* handler3 = queryAs<IComponentHandler3>(handler);
    if (!handler3) return;
    const ParamID id = static_cast<ParamID>(param);
    if (IContextMenu* menu = handler3->createContextMenu(views.front(), &id)) {
        menu->popup(x, y);
        menu->release();
    }
    handler3->release();
}
