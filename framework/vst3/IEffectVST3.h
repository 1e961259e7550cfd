// Presents a plug-in built on IEffectBase to a VST 3 host as one object that is both
// its audio processor and its edit controller, with a preset and a bypass parameter.
#pragma once

#include <atomic>
#include <vector>

#include "SingleComponentEffect.h"
#include "framework/IEffectBase.h"

class IEffectVST3View;

class IEffectVST3 : public IEffectBase, public vst3::SingleComponentEffect {
public:
    static constexpr vst3::ParamID kPresetParamId = 0x70727374;  // 'prst'
    static constexpr vst3::ParamID kBypassParamId = 0x62706173;  // 'bpas'

    IEffectVST3(void* hostContext, int paramCount, const char* channelIOText, int presetCount,
                const char* effectName, const char* productName, const char* makerName, int32_t version,
                int32_t uniqueId, int32_t makerId, int32_t latency = 0, bool stateChunks = false,
                bool isInstrument = false, bool doesMidi = false);
    ~IEffectVST3() override;

    // IPluginBase
    vst3::tresult initialize(vst3::FUnknown* context) override;
    vst3::tresult terminate() override;

    // IComponent: the same state stream as the controller's, for hosts that keep only
    // the component's state (and for preset files, which store it first).
    vst3::tresult setActive(vst3::TBool state) override;
    vst3::tresult setProcessorState(vst3::IBStream* state) override { return setControllerState(state); }
    vst3::tresult getProcessorState(vst3::IBStream* state) override { return getControllerState(state); }

    // IAudioProcessor
    vst3::tresult setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                     vst3::SpeakerArrangement* outputs, vst3::int32 numOuts) override;
    vst3::tresult canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 getLatencySamples() override;
    vst3::tresult setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult process(vst3::ProcessData& data) override;
    vst3::uint32 getTailSamples() override;

    // IEditController. The component's state is already in this object, so handing it
    // to the controller changes nothing.
    vst3::tresult setComponentState(vst3::IBStream*) override { return vst3::kResultOk; }
    vst3::tresult setControllerState(vst3::IBStream* state) override;
    vst3::tresult getControllerState(vst3::IBStream* state) override;
    vst3::tresult getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                        vst3::String128 string) override;
    vst3::ParamValue plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) override;
    vst3::ParamValue getParamNormalized(vst3::ParamID id) override;
    vst3::tresult setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::IPlugView* createView(vst3::FIDString name) override;

    // IUnitInfo
    vst3::int32 getUnitCount() override;
    vst3::tresult getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) override;
    vst3::int32 getProgramListCount() override;
    vst3::tresult getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo& info) override;
    vst3::tresult getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex, vst3::String128 name) override;
    vst3::tresult getProgramInfo(vst3::ProgramListID listId, vst3::int32 programIndex, vst3::CString attributeId,
                                 vst3::String128 attributeValue) override;
    vst3::tresult hasProgramPitchNames(vst3::ProgramListID listId, vst3::int32 programIndex) override;
    vst3::tresult getProgramPitchName(vst3::ProgramListID listId, vst3::int32 programIndex, vst3::int16 midiPitch,
                                      vst3::String128 name) override;
    vst3::UnitID getSelectedUnit() override;
    vst3::tresult selectUnit(vst3::UnitID unitId) override;
    vst3::tresult getUnitByBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 busIndex,
                               vst3::int32 channel, vst3::UnitID& unitId) override;
    vst3::tresult setUnitProgramData(vst3::int32 listOrUnitId, vst3::int32 programIndex,
                                     vst3::IBStream* data) override;

    // Plug-in base operations toward the host
    void BeginParamEdit(int index) override;
    void NotifyParamEdit(int index, double normalized) override;
    void EndParamEdit(int index) override;
    void NotifyProgramChange() override {}
    bool IsOfflineRender() override;
    double TransportSamplePos() override;
    double TransportTempo() override;
    void TransportTimeSig(int* numerator, int* denominator) override;
    void ReadTransport(TransportInfo* info) override;
    void ResizeEditorFrame(int width, int height) override;
    void PrepareForHost() override {}
    void ChangeLatency(int samples) override;
    bool SendMidiMessage(const MidiMessage*) override { return false; }
    bool SendSysExMessage(const SysExMessage*) override { return false; }
    void ShowHostContextMenu(int param, int x, int y) override;

    // Views created by createView and not yet destroyed; the first is the one in use.
    const std::vector<IEffectVST3View*>& Views() const { return views; }
    void ForgetView(IEffectVST3View* view);

private:
    void RegisterParameters();
    void ApplyParameterChanges(vst3::IParameterChanges* changes);
    void ConnectChannels(const vst3::ProcessData& data, int& inputChannels, int& outputChannels);
    // Audio bypass and the switch the controller reports, together.
    void SwitchBypass(bool on);

    vst3::ProcessContext processContext;
    std::vector<IEffectVST3View*> views;
    std::vector<std::string> groupUnits;  // unit i + 1 is named groupUnits[i]
    // The bypass switch as the controller shows it: the host's value from
    // setParamNormalized at once, then whatever the audio side last applied. The
    // controller writes it without the plug-in mutex, process under it.
    std::atomic<vst3::ParamValue> bypassSwitch{0.0};
};
