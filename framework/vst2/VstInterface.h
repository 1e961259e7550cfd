// Our own declarations of the VST 2.4 binary interface (x86_64, Windows and Linux):
// records, opcodes, constants and function types, with their layouts checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

typedef int16_t VstInt16;
typedef int32_t VstInt32;
typedef intptr_t VstIntPtr;  // never `long`: it is 4 bytes on Windows x64

struct AEffect;

extern "C" {
typedef VstIntPtr(VSTCALLBACK* audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                     VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr(VSTCALLBACK* AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                       VstIntPtr value, void* ptr, float opt);
typedef void(VSTCALLBACK* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                    VstInt32 sampleFrames);
typedef void(VSTCALLBACK* AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float value);
typedef float(VSTCALLBACK* AEffectGetParameterProc)(AEffect* effect, VstInt32 index);
typedef AEffect*(VSTCALLBACK* VstPluginMainProc)(audioMasterCallback host);
}

#pragma pack(push, 8)

const VstInt32 kEffectMagic = 0x56737450;  // 'VstP'
const VstInt32 kVstVersion = 2400;
const VstInt32 kVstIdentifyReply = 0x4E764566;  // 'NvEf', the answer to effIdentify

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;  // accumulating variant
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;  // the host's; never touched by a plug-in
    VstIntPtr resvd2;  // the host's
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;  // the plug-in's own instance
    void* user;    // the host's
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
    effFlagsCanDoubleReplacing = 1 << 12
};

// Host -> plug-in (dispatcher).
enum AEffectOpcodes {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels
};

// Plug-in -> host (audioMasterCallback). 5 is unused.
enum AudioMasterOpcodes {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime,
    audioMasterProcessEvents,
    audioMasterSetTime,
    audioMasterTempoAt,
    audioMasterGetNumAutomatableParameters,
    audioMasterGetParameterQuantization,
    audioMasterIOChanged,
    audioMasterNeedIdle,
    audioMasterSizeWindow,
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug,
    audioMasterGetNextPlug,
    audioMasterWillReplaceOrAccumulate,
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate,
    audioMasterGetOutputSpeakerArrangement,
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterSetIcon,
    audioMasterCanDo,
    audioMasterGetLanguage,
    audioMasterOpenWindow,
    audioMasterCloseWindow,
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
    audioMasterEditFile,
    audioMasterGetChunkFile,
    audioMasterGetInputSpeakerArrangement
};

// Nominal text lengths; a safe writer stays below them, terminator included.
enum VstStringConstants {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
    kVstExtMaxParamStrLen = 32
};

enum VstPlugCategory {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator,
    kPlugCategMaxCount
};

enum VstProcessLevels {
    kVstProcessLevelUnknown = 0,
    kVstProcessLevelUser,
    kVstProcessLevelRealtime,
    kVstProcessLevelPrefetch,
    kVstProcessLevelOffline
};

enum VstAutomationStates {
    kVstAutomationUnsupported = 0,
    kVstAutomationOff,
    kVstAutomationRead,
    kVstAutomationWrite,
    kVstAutomationReadWrite
};

enum VstProcessPrecision { kVstProcessPrecision32 = 0, kVstProcessPrecision64 = 1 };

enum VstHostLanguage {
    kVstLangEnglish = 1,
    kVstLangGerman,
    kVstLangFrench,
    kVstLangItalian,
    kVstLangSpanish,
    kVstLangJapanese
};

struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags;
};

enum VstTimeInfoFlags {
    kVstTransportChanged = 1 << 0,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15
};

enum VstSmpteFrameRate {
    kVstSmpte24fps = 0,
    kVstSmpte25fps = 1,
    kVstSmpte2997fps = 2,
    kVstSmpte30fps = 3,
    kVstSmpte2997dfps = 4,
    kVstSmpte30dfps = 5,
    kVstSmpteFilm16mm = 6,
    kVstSmpteFilm35mm = 7,
    kVstSmpte239fps = 10,
    kVstSmpte249fps = 11,
    kVstSmpte599fps = 12,
    kVstSmpte60fps = 13
};

enum VstEventTypes {
    kVstMidiType = 1,
    kVstAudioType,
    kVstVideoType,
    kVstParameterType,
    kVstTriggerType,
    kVstSysExType
};

enum VstMidiEventFlags { kVstMidiEventIsRealtime = 1 << 0 };

struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    char data[16];
};

// Declared with two slots; hosts pass as many pointers as numEvents says.
struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];
};

struct VstMidiEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

enum VstPinPropertiesFlags {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,
    kVstPinUseSpeaker = 1 << 2
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    VstInt32 flags;
    VstInt32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxNameLen];
    VstInt32 type;
    char future[28];
};

// Declared with eight speakers; hosts allocate more for wider layouts.
struct VstSpeakerArrangement {
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

enum VstSpeakerArrangementType {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo,
    kSpeakerArrStereoSurround,
    kSpeakerArrStereoCenter,
    kSpeakerArrStereoSide,
    kSpeakerArrStereoCLfe,
    kSpeakerArr30Cine,
    kSpeakerArr30Music,
    kSpeakerArr31Cine,
    kSpeakerArr31Music,
    kSpeakerArr40Cine,
    kSpeakerArr40Music,
    kSpeakerArr41Cine,
    kSpeakerArr41Music,
    kSpeakerArr50,
    kSpeakerArr51,
    kSpeakerArr60Cine,
    kSpeakerArr60Music,
    kSpeakerArr61Cine,
    kSpeakerArr61Music,
    kSpeakerArr70Cine,
    kSpeakerArr70Music,
    kSpeakerArr71Cine,
    kSpeakerArr71Music,
    kSpeakerArr80Cine,
    kSpeakerArr80Music,
    kSpeakerArr81Cine,
    kSpeakerArr81Music,
    kSpeakerArr102,
    kNumSpeakerArr
};

enum VstSpeakerType {
    kSpeakerUndefined = 0x7FFFFFFF,
    kSpeakerM = 0,
    kSpeakerL,
    kSpeakerR,
    kSpeakerC,
    kSpeakerLfe,
    kSpeakerLs,
    kSpeakerRs,
    kSpeakerLc,
    kSpeakerRc,
    kSpeakerS,
    kSpeakerCs = kSpeakerS,
    kSpeakerSl,
    kSpeakerSr,
    kSpeakerTm,
    kSpeakerTfl,
    kSpeakerTfc,
    kSpeakerTfr,
    kSpeakerTrl,
    kSpeakerTrc,
    kSpeakerTrr,
    kSpeakerLfe2
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    VstInt32 flags;
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

enum VstParameterFlags {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6
};

struct MidiKeyName {
    VstInt32 thisProgramIndex;
    VstInt32 thisKeyNumber;
    char keyName[kVstMaxNameLen];
    VstInt32 reserved;
    VstInt32 flags;
};

struct MidiProgramName {
    VstInt32 thisProgramIndex;
    char name[kVstMaxNameLen];
    char midiProgram;
    char midiBankMsb;
    char midiBankLsb;
    char reserved;
    VstInt32 parentCategoryIndex;
    VstInt32 flags;
};

struct MidiProgramCategory {
    VstInt32 thisCategoryIndex;
    char name[kVstMaxNameLen];
    VstInt32 parentCategoryIndex;
    VstInt32 flags;
};

enum VstMidiProgramNameFlags { kMidiIsOmni = 1 };

struct VstPatchChunkInfo {
    VstInt32 version;
    VstInt32 pluginUniqueID;
    VstInt32 pluginVersion;
    VstInt32 numElements;
    char future[48];
};

struct VstVariableIo {
    float** inputs;
    float** outputs;
    VstInt32 numSamplesInput;
    VstInt32 numSamplesOutput;
    VstInt32* numSamplesInputProcessed;
    VstInt32* numSamplesOutputProcessed;
};

#pragma pack(pop)

// Layout checks: every size and offset below is part of the binary contract with hosts.
static_assert(sizeof(VstIntPtr) == 8 && sizeof(void*) == 8, "64-bit targets only");
static_assert(sizeof(AEffect) == 192, "AEffect size");
static_assert(offsetof(AEffect, magic) == 0, "AEffect.magic");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect.dispatcher");
static_assert(offsetof(AEffect, process) == 16, "AEffect.process");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect.setParameter");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect.getParameter");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect.numPrograms");
static_assert(offsetof(AEffect, numParams) == 44, "AEffect.numParams");
static_assert(offsetof(AEffect, numInputs) == 48, "AEffect.numInputs");
static_assert(offsetof(AEffect, numOutputs) == 52, "AEffect.numOutputs");
static_assert(offsetof(AEffect, flags) == 56, "AEffect.flags");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect.resvd1");
static_assert(offsetof(AEffect, resvd2) == 72, "AEffect.resvd2");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect.initialDelay");
static_assert(offsetof(AEffect, realQualities) == 84, "AEffect.realQualities");
static_assert(offsetof(AEffect, offQualities) == 88, "AEffect.offQualities");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect.ioRatio");
static_assert(offsetof(AEffect, object) == 96, "AEffect.object");
static_assert(offsetof(AEffect, user) == 104, "AEffect.user");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect.uniqueID");
static_assert(offsetof(AEffect, version) == 116, "AEffect.version");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect.processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect.processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 136, "AEffect.future");

static_assert(sizeof(ERect) == 8, "ERect size");
static_assert(offsetof(ERect, top) == 0 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
                  offsetof(ERect, right) == 6,
              "ERect fields");

static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
static_assert(offsetof(VstTimeInfo, samplePos) == 0, "VstTimeInfo.samplePos");
static_assert(offsetof(VstTimeInfo, sampleRate) == 8, "VstTimeInfo.sampleRate");
static_assert(offsetof(VstTimeInfo, nanoSeconds) == 16, "VstTimeInfo.nanoSeconds");
static_assert(offsetof(VstTimeInfo, ppqPos) == 24, "VstTimeInfo.ppqPos");
static_assert(offsetof(VstTimeInfo, tempo) == 32, "VstTimeInfo.tempo");
static_assert(offsetof(VstTimeInfo, barStartPos) == 40, "VstTimeInfo.barStartPos");
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48, "VstTimeInfo.cycleStartPos");
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56, "VstTimeInfo.cycleEndPos");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo.timeSigNumerator");
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68, "VstTimeInfo.timeSigDenominator");
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72, "VstTimeInfo.smpteOffset");
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76, "VstTimeInfo.smpteFrameRate");
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80, "VstTimeInfo.samplesToNextClock");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo.flags");

static_assert(sizeof(VstEvent) == 32, "VstEvent size");
static_assert(offsetof(VstEvent, type) == 0 && offsetof(VstEvent, byteSize) == 4 &&
                  offsetof(VstEvent, deltaFrames) == 8 && offsetof(VstEvent, flags) == 12 &&
                  offsetof(VstEvent, data) == 16,
              "VstEvent fields");
static_assert(sizeof(VstEvents) == 32, "VstEvents size");
static_assert(offsetof(VstEvents, numEvents) == 0 && offsetof(VstEvents, reserved) == 8 &&
                  offsetof(VstEvents, events) == 16,
              "VstEvents fields");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
static_assert(offsetof(VstMidiEvent, noteLength) == 16, "VstMidiEvent.noteLength");
static_assert(offsetof(VstMidiEvent, noteOffset) == 20, "VstMidiEvent.noteOffset");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent.midiData");
static_assert(offsetof(VstMidiEvent, detune) == 28, "VstMidiEvent.detune");
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29, "VstMidiEvent.noteOffVelocity");
static_assert(offsetof(VstMidiEvent, reserved1) == 30 && offsetof(VstMidiEvent, reserved2) == 31,
              "VstMidiEvent reserved");
static_assert(sizeof(VstMidiSysexEvent) == 48, "VstMidiSysexEvent size");
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16, "VstMidiSysexEvent.dumpBytes");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24, "VstMidiSysexEvent.resvd1");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32, "VstMidiSysexEvent.sysexDump");
static_assert(offsetof(VstMidiSysexEvent, resvd2) == 40, "VstMidiSysexEvent.resvd2");

static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties size");
static_assert(offsetof(VstPinProperties, label) == 0 && offsetof(VstPinProperties, flags) == 64 &&
                  offsetof(VstPinProperties, arrangementType) == 68 &&
                  offsetof(VstPinProperties, shortLabel) == 72 && offsetof(VstPinProperties, future) == 80,
              "VstPinProperties fields");

static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties size");
static_assert(offsetof(VstSpeakerProperties, azimuth) == 0 && offsetof(VstSpeakerProperties, elevation) == 4 &&
                  offsetof(VstSpeakerProperties, radius) == 8 && offsetof(VstSpeakerProperties, reserved) == 12 &&
                  offsetof(VstSpeakerProperties, name) == 16 && offsetof(VstSpeakerProperties, type) == 80 &&
                  offsetof(VstSpeakerProperties, future) == 84,
              "VstSpeakerProperties fields");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement size");
static_assert(offsetof(VstSpeakerArrangement, type) == 0 && offsetof(VstSpeakerArrangement, numChannels) == 4 &&
                  offsetof(VstSpeakerArrangement, speakers) == 8,
              "VstSpeakerArrangement fields");

static_assert(sizeof(VstParameterProperties) == 152, "VstParameterProperties size");
static_assert(offsetof(VstParameterProperties, stepFloat) == 0, "VstParameterProperties.stepFloat");
static_assert(offsetof(VstParameterProperties, smallStepFloat) == 4, "VstParameterProperties.smallStepFloat");
static_assert(offsetof(VstParameterProperties, largeStepFloat) == 8, "VstParameterProperties.largeStepFloat");
static_assert(offsetof(VstParameterProperties, label) == 12, "VstParameterProperties.label");
static_assert(offsetof(VstParameterProperties, flags) == 76, "VstParameterProperties.flags");
static_assert(offsetof(VstParameterProperties, minInteger) == 80, "VstParameterProperties.minInteger");
static_assert(offsetof(VstParameterProperties, maxInteger) == 84, "VstParameterProperties.maxInteger");
static_assert(offsetof(VstParameterProperties, stepInteger) == 88, "VstParameterProperties.stepInteger");
static_assert(offsetof(VstParameterProperties, largeStepInteger) == 92, "VstParameterProperties.largeStepInteger");
static_assert(offsetof(VstParameterProperties, shortLabel) == 96, "VstParameterProperties.shortLabel");
static_assert(offsetof(VstParameterProperties, displayIndex) == 104, "VstParameterProperties.displayIndex");
static_assert(offsetof(VstParameterProperties, category) == 106, "VstParameterProperties.category");
static_assert(offsetof(VstParameterProperties, numParametersInCategory) == 108,
              "VstParameterProperties.numParametersInCategory");
static_assert(offsetof(VstParameterProperties, reserved) == 110, "VstParameterProperties.reserved");
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112, "VstParameterProperties.categoryLabel");
static_assert(offsetof(VstParameterProperties, future) == 136, "VstParameterProperties.future");

static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName size");
static_assert(offsetof(MidiKeyName, thisProgramIndex) == 0 && offsetof(MidiKeyName, thisKeyNumber) == 4 &&
                  offsetof(MidiKeyName, keyName) == 8 && offsetof(MidiKeyName, reserved) == 72 &&
                  offsetof(MidiKeyName, flags) == 76,
              "MidiKeyName fields");
static_assert(sizeof(MidiProgramName) == 80, "MidiProgramName size");
static_assert(offsetof(MidiProgramName, name) == 4 && offsetof(MidiProgramName, midiProgram) == 68 &&
                  offsetof(MidiProgramName, midiBankMsb) == 69 && offsetof(MidiProgramName, midiBankLsb) == 70 &&
                  offsetof(MidiProgramName, reserved) == 71 &&
                  offsetof(MidiProgramName, parentCategoryIndex) == 72 && offsetof(MidiProgramName, flags) == 76,
              "MidiProgramName fields");
static_assert(sizeof(MidiProgramCategory) == 76, "MidiProgramCategory size");
static_assert(offsetof(MidiProgramCategory, name) == 4 && offsetof(MidiProgramCategory, parentCategoryIndex) == 68 &&
                  offsetof(MidiProgramCategory, flags) == 72,
              "MidiProgramCategory fields");
static_assert(sizeof(VstPatchChunkInfo) == 64, "VstPatchChunkInfo size");
static_assert(offsetof(VstPatchChunkInfo, pluginUniqueID) == 4 && offsetof(VstPatchChunkInfo, pluginVersion) == 8 &&
                  offsetof(VstPatchChunkInfo, numElements) == 12 && offsetof(VstPatchChunkInfo, future) == 16,
              "VstPatchChunkInfo fields");
static_assert(sizeof(VstVariableIo) == 40, "VstVariableIo size");
static_assert(offsetof(VstVariableIo, numSamplesInput) == 16 && offsetof(VstVariableIo, numSamplesOutput) == 20 &&
                  offsetof(VstVariableIo, numSamplesInputProcessed) == 24 &&
                  offsetof(VstVariableIo, numSamplesOutputProcessed) == 32,
              "VstVariableIo fields");

// Opcode anchors from the fact sheet: a slip in the sequential enums shows here.
static_assert(effGetChunk == 23 && effString2Parameter == 27 && effGetProgramNameIndexed == 29 &&
                  effGetInputProperties == 33 && effGetPlugCategory == 35 && effProcessVarIo == 41 &&
                  effSetSpeakerArrangement == 42 && effGetEffectName == 45 && effVendorSpecific == 50 &&
                  effIdle == 53 && effGetParameterProperties == 56 && effGetMidiKeyName == 66 &&
                  effCanDo == 51 && effGetVstVersion == 58 && effGetSpeakerArrangement == 69 &&
                  effSetProcessPrecision == 77 && effGetNumMidiOutputChannels == 79,
              "dispatcher opcode numbering");
static_assert(audioMasterWantMidi == 6 && audioMasterGetTime == 7 && audioMasterProcessEvents == 8 &&
                  audioMasterIOChanged == 13 && audioMasterGetCurrentProcessLevel == 23 &&
                  audioMasterGetVendorString == 32 && audioMasterGetProductString == 33 &&
                  audioMasterGetVendorVersion == 34 && audioMasterCanDo == 37 && audioMasterUpdateDisplay == 42 &&
                  audioMasterBeginEdit == 43 && audioMasterEndEdit == 44 &&
                  audioMasterGetInputSpeakerArrangement == 49,
              "host callback opcode numbering");
static_assert(kSpeakerArr40Music == 11 && kSpeakerArr50 == 14 && kSpeakerArr51 == 15 && kSpeakerArr71Music == 23 &&
                  kSpeakerArr102 == 28 && kNumSpeakerArr == 29,
              "speaker arrangement numbering");
static_assert(kSpeakerSl == 10 && kSpeakerSr == 11 && kSpeakerLfe2 == 19, "speaker type numbering");
static_assert(kVstSysExType == 6 && kPlugCategGenerator == 11 && kPlugCategMaxCount == 12, "enum anchors");
