// The VST 2.4 wrapper: fills the effect record a host receives and translates its dispatcher,
// parameter and process calls into plug-in base operations, and the base's host calls back.
#pragma once

#include "framework/IEffectBase.h"
#include "framework/StateChunk.h"
#include "VstInterface.h"

class IEffectVST2 : public IEffectBase {
public:
    IEffectVST2(audioMasterCallback hostCallback, int paramCount, const char* channelIOText, int presetCount,
                const char* effectName, const char* productName, const char* makerName, int32_t version,
                int32_t uniqueId, int32_t makerId, int32_t latency = 0, bool stateChunks = false,
                bool isInstrument = false, bool doesMidi = false);
    ~IEffectVST2() override = default;

    AEffect* Effect() { return &effect; }
    static IEffectVST2* FromEffect(AEffect* effect);

    // Host side of the plug-in base.
    void BeginParamEdit(int index) override;
    void NotifyParamEdit(int index, double normalized) override;
    void EndParamEdit(int index) override;
    void NotifyProgramChange() override;
    bool IsOfflineRender() override;
    double TransportSamplePos() override;
    double TransportTempo() override;
    void TransportTimeSig(int* numerator, int* denominator) override;
    void ReadTransport(TransportInfo* info) override;
    HostKind HostId() override;
    void ResizeEditorFrame(int width, int height) override;
    void PrepareForHost() override;
    void AttachEditor(IGraphics* editor) override;
    void ChangeLatency(int samples) override;
    bool SendMidiMessage(const MidiMessage* message) override;
    bool SendSysExMessage(const SysExMessage* message) override;

    // The functions placed in the effect record.
    static VstIntPtr VSTCALLBACK VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* ptr, float opt);
    static float VSTCALLBACK ReadParameter(AEffect* effect, VstInt32 index);
    static void VSTCALLBACK WriteParameter(AEffect* effect, VstInt32 index, float value);
    static void VSTCALLBACK ReplacingProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
    static void VSTCALLBACK AccumulatingProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
    static void VSTCALLBACK DoubleReplacingProcess(AEffect* effect, double** inputs, double** outputs,
                                                   VstInt32 frames);

    // The largest chunk this plug-in writes: a bank with every slot initialized and named to
    // the limit. Anything larger offered by a host is not ours.
    int32_t LargestChunkSize() const;

private:
    template <typename Block>
    static void GuardedBlock(AEffect* effect, VstInt32 frames, Block block);
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    const VstTimeInfo* HostTime(VstInt32 requestedFlags);
    void PinProperties(bool input, VstInt32 index, VstPinProperties* properties);
    VstIntPtr GetChunk(bool bank, void** data);
    VstIntPtr SetChunk(bool bank, const void* data, VstIntPtr size);
    VstIntPtr StringToParameter(VstInt32 index, const char* text);
    VstIntPtr ProcessEvents(const VstEvents* events);
    VstIntPtr CanDo(const char* text) const;
    VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void ApplySpeakerArrangement(bool input, const VstSpeakerArrangement* arrangement);
    bool ValidParam(VstInt32 index) const { return index >= 0 && index < ParamCount(); }
    // An editor whose platform can show a window in the host's.
    bool HasEditorWindow() const;

    ERect editorRect{};
    audioMasterCallback hostCallback;
    VstSpeakerArrangement inputArrangement{};
    VstSpeakerArrangement outputArrangement{};
    bool hostPrepared = false;
    StateChunk programChunk;
    StateChunk bankChunk;
    AEffect effect{};
};
