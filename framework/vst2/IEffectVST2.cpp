// The VST 2.4 wrapper: effect record, dispatcher, parameter and process functions, host calls.
#include "IEffectVST2.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "framework/HostKind.h"
#include "graphics/IGraphics.h"
#include "framework/PresetSlot.h"
#include "framework/TextBuffer.h"
#include "graphics/IGraphics.h"

namespace {

const VstIntPtr kVendorSpecificAnswer = 0xBEEF;

// Buffer sizes, terminator included: parameter texts hold 31 characters and preset names 255;
// names and vendor texts stay within the interface's nominal sizes.
const int kParamTextSize = 32;
const int kPresetNameSize = PresetSlot::kNameSize;

// Chunks a host hands back are refused beyond this size. It is generous next to what the
// plug-in writes, so that a bank whose preset names are longer than a slot keeps is read.
const VstIntPtr kLargestHostChunk = 1 << 20;

// Hosts that only work with two inputs connected.
bool HostNeedsStereoInputs(HostKind host) {
    return host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSawStudio;
}

void FillArrangement(VstSpeakerArrangement* arrangement, int channels) {
    std::memset(arrangement, 0, sizeof(*arrangement));
    arrangement->numChannels = channels;
    if (channels == 0)
        arrangement->type = kSpeakerArrEmpty;
    else if (channels == 1)
        arrangement->type = kSpeakerArrMono;
    else if (channels == 2)
        arrangement->type = kSpeakerArrStereo;
    else
        arrangement->type = kSpeakerArrUserDefined;
}

// A host's text read without trusting a terminator beyond `limit` characters.
void CopyHostText(char* dst, int dstSize, const char* src, int limit) {
    int n = 0;
    while (n < limit && n < dstSize - 1 && src[n] != '\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
}

int ClampToInt(VstIntPtr value) {
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int32_t DecimalVersion(int32_t packed) {
    return (packed >> 16) * 10000 + ((packed >> 8) & 0xFF) * 100 + (packed & 0xFF);
}

}  // namespace

IEffectVST2::IEffectVST2(audioMasterCallback callback, int paramCount, const char* channelIOText, int presetCount,
                         const char* effectName, const char* productName, const char* makerName, int32_t version,
                         int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks, bool isInstrument,
                         bool doesMidi)
    : IEffectBase(reinterpret_cast<void*>(callback), paramCount, channelIOText, presetCount, effectName,
                  productName, makerName, version, uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi),
      hostCallback(callback) {
    SetPluginFormat(0);
    std::memset(&effect, 0, sizeof(effect));
    effect.magic = kEffectMagic;
    effect.dispatcher = &IEffectVST2::VSTDispatcher;
    effect.process = &IEffectVST2::AccumulatingProcess;
    effect.setParameter = &IEffectVST2::WriteParameter;
    effect.getParameter = &IEffectVST2::ReadParameter;
    effect.numPrograms = PresetCount();
    effect.numParams = ParamCount();
    effect.numInputs = InputCount();
    effect.numOutputs = OutputCount();
    effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    effect.initialDelay = Latency();
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = UniqueId();
    effect.version = DecimalVersion(Version());
    effect.processReplacing = &IEffectVST2::ReplacingProcess;
    effect.processDoubleReplacing = &IEffectVST2::DoubleReplacingProcess;
    if (LegalIO(1, -1)) effect.flags |= effFlagsCanMono;
    editorRect = ERect{};
    FillArrangement(&inputArrangement, InputCount());
    FillArrangement(&outputArrangement, OutputCount());
    SetInputConnections(0, InputCount(), true);
    SetOutputConnections(0, OutputCount(), true);
    ChangeBlockSize(1024);
}

IEffectVST2* IEffectVST2::FromEffect(AEffect* effect) {
    return effect ? static_cast<IEffectVST2*>(effect->object) : nullptr;
}

// ---- Functions in the effect record. No exception may reach the host. ----

VstIntPtr VSTCALLBACK IEffectVST2::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                 void* ptr, float opt) {
    IEffectVST2* plug = FromEffect(effect);
    if (!plug) return 0;
    if (opcode == effClose) {
        // Waits for a call in flight on another thread, then lets go before destruction.
        plug->Mutex().Lock();
        plug->Mutex().Unlock();
        delete plug;
        return 0;
    }
    try {
        if (opcode == effEditIdle) {
            // Linux hosts call this from their UI thread while the editor is open: the
            // window's events and redraws run here. Like every editor path it takes the
            // plug-in's lock only where it changes parameters, so audio never waits
            // for a redraw.
            if (plug->HasEditorWindow()) plug->Editor()->Idle();
            return 0;
        }
        PluginLock lock(plug->Mutex());
        return plug->Dispatch(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

float VSTCALLBACK IEffectVST2::ReadParameter(AEffect* effect, VstInt32 index) {
    IEffectVST2* plug = FromEffect(effect);
    if (!plug) return 0.0f;
    try {
        return static_cast<float>(plug->GetParamNormalized(index));
    } catch (...) {
        return 0.0f;
    }
}

void VSTCALLBACK IEffectVST2::WriteParameter(AEffect* effect, VstInt32 index, float value) {
    IEffectVST2* plug = FromEffect(effect);
    if (!plug) return;
    try {
        plug->SetParamFromHost(index, value);
    } catch (...) {
    }
}

// The common frame of the three process functions: the plug-in, its MIDI request, and a guard
// so that nothing thrown reaches the host's audio thread.
template <typename Block>
void IEffectVST2::GuardedBlock(AEffect* effect, VstInt32 frames, Block block) {
    IEffectVST2* plug = FromEffect(effect);
    if (!plug || frames <= 0) return;
    if (plug->DoesMidi()) plug->CallHost(audioMasterWantMidi);
    try {
        block(plug);
    } catch (...) {
    }
}

void VSTCALLBACK IEffectVST2::ReplacingProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    GuardedBlock(effect, frames, [&](IEffectVST2* plug) {
        plug->ProcessFloatReplacing(inputs ? plug->InputCount() : 0, inputs, outputs ? plug->OutputCount() : 0,
                                    outputs, frames);
    });
}

void VSTCALLBACK IEffectVST2::AccumulatingProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    GuardedBlock(effect, frames, [&](IEffectVST2* plug) {
        plug->ProcessFloatAccumulating(inputs ? plug->InputCount() : 0, inputs, outputs ? plug->OutputCount() : 0,
                                       outputs, frames);
    });
}

void VSTCALLBACK IEffectVST2::DoubleReplacingProcess(AEffect* effect, double** inputs, double** outputs,
                                                     VstInt32 frames) {
    GuardedBlock(effect, frames, [&](IEffectVST2* plug) {
        plug->ProcessDoubleReplacing(inputs ? plug->InputCount() : 0, inputs, outputs ? plug->OutputCount() : 0,
                                     outputs, frames);
    });
}

// ---- Dispatcher, called with the plug-in mutex held ----

VstIntPtr IEffectVST2::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        PrepareForHost();
        NotifyAllParamsChanged();
        return 0;
    case effSetProgram:
        if (!HasStateChunks()) ModifyCurrentPreset();
        SelectPreset(value < 0 || value > std::numeric_limits<int>::max() ? -1 : static_cast<int>(value));
        return 0;
    case effGetProgram:
        return CurrentPreset();
    case effSetProgramName:
        if (text) {
            char name[kPresetNameSize];
            CopyHostText(name, sizeof(name), text, kPresetNameSize - 1);
            ModifyCurrentPreset(name);
            OnPresetsChanged();
        }
        return 0;
    case effGetProgramName:
        if (text) CopyText(text, kPresetNameSize, PresetName(CurrentPreset()));
        return 0;
    case effGetParamLabel:
        if (text && ValidParam(index)) CopyText(text, kParamTextSize, GetParam(index)->HostLabel());
        return 0;
    case effGetParamDisplay:
        if (text && ValidParam(index)) GetParam(index)->FormatCurrent(text, kParamTextSize);
        return 0;
    case effGetParamName:
        if (text && ValidParam(index)) CopyText(text, kParamTextSize, GetParam(index)->Name());
        return 0;
    case effSetSampleRate:
        SetSampleRate(opt);
        OnReset();
        return 0;
    case effSetBlockSize:
        // No block fits in a size of 0 or less, and none beyond the 32-bit range exists: such
        // an announcement keeps the size the plug-in has.
        if (value > 0 && value <= std::numeric_limits<int>::max()) ChangeBlockSize(static_cast<int>(value));
        OnReset();
        return 0;
    case effMainsChanged:
        if (value) {
            OnActivated(true);
        } else {
            OnActivated(false);
            OnReset();
        }
        return 0;
    case effEditGetRect:
        if (ptr && HasEditorWindow()) {
            *static_cast<ERect**>(ptr) = &editorRect;
            return 1;
        }
        return 0;
    case effEditOpen:
        if (HasEditorWindow() && Editor()->OpenWindow(ptr)) {
            OnEditorOpened();
            return 1;
        }
        return 0;
    case effEditClose:
        if (Editor()) {
            OnEditorClosing();
            Editor()->CloseWindow();
            return 1;
        }
        return 0;
    case effIdentify:
        return kVstIdentifyReply;
    case effGetChunk:
        return GetChunk(index == 0, static_cast<void**>(ptr));
    case effSetChunk:
        return SetChunk(index == 0, ptr, value);
    case effProcessEvents:
        return ProcessEvents(static_cast<const VstEvents*>(ptr));
    case effCanBeAutomated:
        return 1;
    case effString2Parameter:
        return StringToParameter(index, text);
    case effGetProgramNameIndexed:
        if (!text) return 0;
        return CopyText(text, kPresetNameSize, PresetName(index)) > 0 ? 1 : 0;
    case effGetInputProperties:
    case effGetOutputProperties: {
        const bool input = opcode == effGetInputProperties;
        const int count = input ? InputCount() : OutputCount();
        if (!ptr || index < 0 || index >= count) return 0;
        PinProperties(input, index, static_cast<VstPinProperties*>(ptr));
        return 1;
    }
    case effGetPlugCategory:
        return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
    case effSetSpeakerArrangement:
        ApplySpeakerArrangement(true, reinterpret_cast<const VstSpeakerArrangement*>(value));
        ApplySpeakerArrangement(false, static_cast<const VstSpeakerArrangement*>(ptr));
        return 1;
    case effGetEffectName:
        if (!text) return 0;
        CopyText(text, kVstMaxEffectNameLen, EffectName());
        return 1;
    case effGetVendorString:
        if (!text) return 0;
        CopyText(text, kVstMaxVendorStrLen, MakerName());
        return 1;
    case effGetProductString:
        if (!text) return 0;
        CopyText(text, kVstMaxProductStrLen, ProductName());
        return 1;
    case effGetVendorVersion:
        return DecimalVersion(Version());
    case effVendorSpecific:
        return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return CanDo(text);
    case effGetTailSize:
        return TailSize();
    case effGetVstVersion:
        return kVstVersion;
    case effGetMidiKeyName: {
        MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
        if (!key) return 0;
        // The plug-in may write a full name buffer; the record holds less.
        char label[IEffectBase::kNameSize] = {};
        const bool named = MidiKeyLabel(key->thisKeyNumber, label);
        CopyText(key->keyName, kVstMaxNameLen, label);
        return named ? 1 : 0;
    }
    case effGetSpeakerArrangement:
        if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement;
        if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement;
        return 1;
    default:
        // effIdle, effProcessVarIo and everything unknown (effEditIdle never gets here).
        return 0;
    }
}

void IEffectVST2::PinProperties(bool input, VstInt32 index, VstPinProperties* properties) {
    const int count = input ? InputCount() : OutputCount();
    properties->flags = kVstPinIsActive;
    // Channels pair up as stereo from the first one; an odd last channel is mono.
    if (index % 2 == 0 && index < count - 1) properties->flags |= kVstPinIsStereo;
    const std::string& label = input ? GetInput(index)->label : GetOutput(index)->label;
    if (!label.empty()) {
        CopyText(properties->label, kVstMaxLabelLen, label.c_str());
    } else {
        std::snprintf(properties->label, kVstMaxLabelLen, input ? "Input %d" : "Output %d", index + 1);
    }
}

void IEffectVST2::ApplySpeakerArrangement(bool input, const VstSpeakerArrangement* arrangement) {
    if (!arrangement) return;
    const int count = input ? InputCount() : OutputCount();
    const int wanted = std::max(arrangement->numChannels, 0);
    const int connected = std::min(wanted, count);
    if (input) {
        SetInputConnections(0, connected, true);
        SetInputConnections(connected, count - connected, false);
    } else {
        SetOutputConnections(0, connected, true);
        SetOutputConnections(connected, count - connected, false);
    }
}

VstIntPtr IEffectVST2::GetChunk(bool bank, void** data) {
    if (!data) return 0;
    StateChunk& chunk = bank ? bankChunk : programChunk;
    bool ok = StampChunkHeader(chunk);
    if (ok) {
        if (bank) {
            ModifyCurrentPreset();
            ok = SerializePresets(chunk);
        } else {
            ok = SaveState(chunk);
        }
    }
    if (!ok || chunk.Size() <= 0) return 0;
    *data = chunk.Data();
    return chunk.Size();
}

VstIntPtr IEffectVST2::SetChunk(bool bank, const void* data, VstIntPtr size) {
    // Nothing to read, or far more than any state of ours: the parameters stay as they are.
    // Anything in between is read, and its own lengths decide (a long preset name is cut).
    if (!data || size <= 0 || size > kLargestHostChunk) return 0;
    StateChunk& chunk = bank ? bankChunk : programChunk;
    chunk.Clear();
    if (!chunk.PutBytes(data, static_cast<int32_t>(size))) return 0;
    int32_t position = 0;
    const int32_t version = ReadChunkHeader(chunk, position);
    if (bank && version >= kChunkVersion) {
        position = UnserializePresets(chunk, position);
    } else {
        position = LoadState(chunk, position);
        ModifyCurrentPreset();
    }
    if (position < 0) return 0;
    RefreshEditorParams();
    return 1;
}

VstIntPtr IEffectVST2::StringToParameter(VstInt32 index, const char* text) {
    if (!ValidParam(index)) return 0;
    if (!text) return 1;
    IParam* param = GetParam(index);
    char copy[kParamTextSize];
    CopyHostText(copy, sizeof(copy), text, kParamTextSize - 1);
    double value = 0.0;
    if (param->DisplayTextCount() == 0) {
        value = std::strtod(copy, nullptr);
        if (param->NegateDisplay()) value = -value;
    } else if (!param->LookupDisplayText(copy, &value)) {
        return 0;
    }
    // "nan" reads as a number but is no value: nothing changes.
    if (std::isnan(value)) return 0;
    value = std::min(std::max(value, param->Min()), param->Max());
    if (Editor()) Editor()->SetControlsFromParameter(index, value, false);
    param->SetClamped(value);
    OnParamChanged(index);
    return 1;
}

VstIntPtr IEffectVST2::ProcessEvents(const VstEvents* events) {
    if (!events) return 0;
    VstEvent* const* entries = events->events;  // runs past the two declared slots
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (!event) continue;
        if (event->type == kVstMidiType) {
            const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
            MidiMessage message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            OnMidiMessage(&message);
        } else if (event->type == kVstSysExType) {
            const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
            SysExMessage message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->sysexDump ? std::max(sysex->dumpBytes, 0) : 0;
            message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
            OnSysEx(&message);
        }
    }
    return 1;
}

VstIntPtr IEffectVST2::CanDo(const char* text) const {
    if (!text) return 0;
    if (std::strcmp(text, "receiveVstTimeInfo") == 0) return 1;
    for (const char* midi : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent"})
        if (std::strcmp(text, midi) == 0) return DoesMidi() ? 1 : 0;
    return 0;
}

VstIntPtr IEffectVST2::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    const bool validParam = value >= 0 && value < ParamCount();
    if (index == 7 && ptr) {
        if (validParam)
            GetParam(static_cast<int>(value))->FormatForHost(opt, true, static_cast<char*>(ptr), true, kParamTextSize);
        return kVendorSpecificAnswer;
    }
    if (index == 8)
        return validParam && GetParam(static_cast<int>(value))->Kind() != ParamKind::Double ? kVendorSpecificAnswer
                                                                                              : 0;
    return 0;
}

// ---- Host calls ----

VstIntPtr IEffectVST2::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    // A host that handed over no callback gets no calls.
    if (!hostCallback) return 0;
    return hostCallback(&effect, opcode, index, value, ptr, opt);
}

const VstTimeInfo* IEffectVST2::HostTime(VstInt32 requestedFlags) {
    return reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, requestedFlags));
}

void IEffectVST2::BeginParamEdit(int index) { CallHost(audioMasterBeginEdit, index); }

void IEffectVST2::NotifyParamEdit(int index, double normalized) {
    CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IEffectVST2::EndParamEdit(int index) { CallHost(audioMasterEndEdit, index); }

void IEffectVST2::NotifyProgramChange() { CallHost(audioMasterUpdateDisplay); }

bool IEffectVST2::IsOfflineRender() {
    return CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

double IEffectVST2::TransportSamplePos() {
    const VstTimeInfo* time = HostTime(0);
    if (!time || !(time->samplePos >= 0.0) || !std::isfinite(time->samplePos)) return 0.0;
    return std::floor(time->samplePos + 0.5);
}

double IEffectVST2::TransportTempo() {
    const VstTimeInfo* time = HostTime(kVstTempoValid);
    if (!time || !(time->flags & kVstTempoValid) || !(time->tempo >= 0.0) || !std::isfinite(time->tempo)) return 0.0;
    return time->tempo;
}

void IEffectVST2::TransportTimeSig(int* numerator, int* denominator) {
    if (numerator) *numerator = 0;
    if (denominator) *denominator = 0;
    const VstTimeInfo* time = HostTime(kVstTimeSigValid);
    if (!time || !(time->flags & kVstTimeSigValid) || time->timeSigNumerator < 0 || time->timeSigDenominator < 0)
        return;
    if (numerator) *numerator = time->timeSigNumerator;
    if (denominator) *denominator = time->timeSigDenominator;
}

void IEffectVST2::ReadTransport(TransportInfo* info) {
    const VstInt32 wanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
    const VstTimeInfo* time = HostTime(wanted);
    if (!info || !time || !(time->flags & wanted)) return;
    // Positions and tempo are taken only when finite; a host's NaN must not reach the plug-in.
    auto usable = [](double v) { return std::isfinite(v) && v >= 0.0; };
    if (std::isfinite(time->samplePos)) info->samplePos = time->samplePos;
    if ((time->flags & kVstPpqPosValid) && usable(time->ppqPos)) info->ppqPos = time->ppqPos;
    if ((time->flags & kVstTempoValid) && usable(time->tempo) && time->tempo > 0.0) info->tempo = time->tempo;
    if ((time->flags & kVstBarsValid) && usable(time->barStartPos)) info->lastBar = time->barStartPos;
    if ((time->flags & kVstCyclePosValid) && usable(time->cycleStartPos) && usable(time->cycleEndPos)) {
        info->cycleStart = time->cycleStartPos;
        info->cycleEnd = time->cycleEndPos;
    }
    if ((time->flags & kVstTimeSigValid) && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
        info->numerator = time->timeSigNumerator;
        info->denominator = time->timeSigDenominator;
    }
    info->transportIsRunning = (time->flags & kVstTransportPlaying) != 0;
    info->transportCycle = (time->flags & kVstTransportCycleActive) != 0;
}

HostKind IEffectVST2::HostId() {
    if (hostId != kHostNotIdentified) return hostId;
    // One byte more than the host may fill, so an unterminated answer still ends.
    char product[257];
    product[0] = '\0';
    CallHost(audioMasterGetProductString, 0, 0, product);
    product[256] = '\0';
    int32_t packed = 0;
    if (product[0] != '\0') {
        const VstIntPtr vendorVersion = CallHost(audioMasterGetVendorVersion);
        packed = PackHostVersion(ClampToInt(vendorVersion));
    }
    SetHostIdentity(LookupHostKind(product), packed);
    return hostId;
}

void IEffectVST2::ResizeEditorFrame(int width, int height) {
    if (!Editor()) return;
    editorRect = ERect{0, 0, static_cast<VstInt16>(height), static_cast<VstInt16>(width)};
    OnEditorResized();
}

void IEffectVST2::PrepareForHost() {
    if (hostPrepared) return;
    hostPrepared = true;
    if (HostNeedsStereoInputs(HostId())) RestrictToStereo();
    effect.numInputs = InputCount();
    inputArrangement.numChannels = InputCount();
    effect.numOutputs = OutputCount();
    outputArrangement.numChannels = OutputCount();
    OnHostKnown();
}

bool IEffectVST2::HasEditorWindow() const { return Editor() && Editor()->WindowPlatformType(); }

void IEffectVST2::AttachEditor(IGraphics* editor) {
    IEffectBase::AttachEditor(editor);
    if (!Editor()) return;
    // Hosts offer their own generic controls when the flag is off, which is what a
    // platform without an editor window needs.
    if (HasEditorWindow()) {
        effect.flags |= effFlagsHasEditor;
    } else {
        effect.flags &= ~effFlagsHasEditor;
    }
    editorRect = ERect{0, 0, static_cast<VstInt16>(Editor()->Height()), static_cast<VstInt16>(Editor()->Width())};
}

void IEffectVST2::ChangeLatency(int samples) {
    IEffectBase::ChangeLatency(samples);
    effect.initialDelay = Latency();
}

bool IEffectVST2::SendMidiMessage(const MidiMessage* message) {
    if (!message) return false;
    VstMidiEvent midi{};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof(VstMidiEvent);
    midi.deltaFrames = message->offset;
    midi.midiData[0] = static_cast<char>(message->status);
    midi.midiData[1] = static_cast<char>(message->data1);
    midi.midiData[2] = static_cast<char>(message->data2);
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&midi);
    return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IEffectVST2::SendSysExMessage(const SysExMessage* message) {
    if (!message) return false;
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(VstMidiSysexEvent);
    sysex.deltaFrames = message->offset;
    sysex.dumpBytes = message->size;
    sysex.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message->data));
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&sysex);
    return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}
