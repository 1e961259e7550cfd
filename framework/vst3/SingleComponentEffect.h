// One object that is both the audio processor and the edit controller of a plug-in:
// bus lists, parameter container, host context and component handler bookkeeping,
// with neutral answers that a plug-in class overrides.
#pragma once

#include <vector>

#include "Bus.h"
#include "FObject.h"
#include "Parameter.h"
#include "Vst3Interfaces.h"

namespace vst3 {

// IComponent and IEditController both declare setState/getState with one signature;
// these adapters give each pair its own name so one object can answer both.
class ComponentStateSlots : public IComponent {
public:
    tresult setState(IBStream* state) final { return setProcessorState(state); }
    tresult getState(IBStream* state) final { return getProcessorState(state); }
    virtual tresult setProcessorState(IBStream* state) = 0;
    virtual tresult getProcessorState(IBStream* state) = 0;
};

class ControllerStateSlots : public IEditController {
public:
    tresult setState(IBStream* state) final { return setControllerState(state); }
    tresult getState(IBStream* state) final { return getControllerState(state); }
    virtual tresult setControllerState(IBStream* state) = 0;
    virtual tresult getControllerState(IBStream* state) = 0;
};

class SingleComponentEffect : public FObject,
                              public ComponentStateSlots,
                              public IAudioProcessor,
                              public IProcessContextRequirements,
                              public ControllerStateSlots,
                              public IEditController2,
                              public IUnitInfo {
public:
    // Largest block and sample rate accepted by setupProcessing: beyond them the
    // scratch and delay buffers sized from the setup would be absurd.
    static constexpr int32 kMaxBlockSize = 1 << 20;
    static constexpr double kMaxSampleRate = 4.0e6;

    SingleComponentEffect();
    ~SingleComponentEffect() override;

    // FUnknown
    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override { return FObject::addRef(); }
    uint32 release() override { return FObject::release(); }

    // IPluginBase
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IComponent
    tresult getControllerClassId(TUID classId) override;
    tresult setIoMode(IoMode mode) override;
    int32 getBusCount(MediaType type, BusDirection dir) override;
    tresult getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) override;
    tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult activateBus(MediaType type, BusDirection dir, int32 index, TBool state) override;
    tresult setActive(TBool state) override;
    tresult setProcessorState(IBStream* state) override;
    tresult getProcessorState(IBStream* state) override;

    // IAudioProcessor
    tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                               int32 numOuts) override;
    tresult getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) override;
    tresult canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 getLatencySamples() override;
    tresult setupProcessing(ProcessSetup& setup) override;
    tresult setProcessing(TBool state) override;
    tresult process(ProcessData& data) override;
    uint32 getTailSamples() override;

    // IProcessContextRequirements
    uint32 getProcessContextRequirements() override { return processContextRequirements; }

    // IEditController
    tresult setComponentState(IBStream* state) override;
    tresult setControllerState(IBStream* state) override;
    tresult getControllerState(IBStream* state) override;
    int32 getParameterCount() override;
    tresult getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
    tresult getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) override;
    tresult getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) override;
    ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue getParamNormalized(ParamID id) override;
    tresult setParamNormalized(ParamID id, ParamValue value) override;
    tresult setComponentHandler(IComponentHandler* handler) override;
    IPlugView* createView(FIDString name) override;

    // IEditController2
    tresult setKnobMode(KnobMode mode) override;
    tresult openHelp(TBool onlyCheck) override;
    tresult openAboutBox(TBool onlyCheck) override;

    // IUnitInfo
    int32 getUnitCount() override;
    tresult getUnitInfo(int32 unitIndex, UnitInfo& info) override;
    int32 getProgramListCount() override;
    tresult getProgramListInfo(int32 listIndex, ProgramListInfo& info) override;
    tresult getProgramName(ProgramListID listId, int32 programIndex, String128 name) override;
    tresult getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                           String128 attributeValue) override;
    tresult hasProgramPitchNames(ProgramListID listId, int32 programIndex) override;
    tresult getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch, String128 name) override;
    UnitID getSelectedUnit() override;
    tresult selectUnit(UnitID unitId) override;
    tresult getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel, UnitID& unitId) override;
    tresult setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) override;

    // Edits made in the plug-in, forwarded to the host's handler when it gave one.
    tresult beginEdit(ParamID id);
    tresult performEdit(ParamID id, ParamValue valueNormalized);
    tresult endEdit(ParamID id);
    tresult startGroupEdit();
    tresult finishGroupEdit();
    tresult setDirty(TBool state);
    tresult requestOpenEditor(FIDString name = kEditorViewType);

    FUnknown* getHostContext() const { return hostContext.get(); }
    IComponentHandler* getComponentHandler() const { return componentHandler.get(); }
    const ProcessSetup& getProcessSetup() const { return processSetup; }
    KnobMode getKnobMode() const { return knobMode; }

protected:
    AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arrangement, BusType busType = kMain,
                            uint32 flags = kDefaultActive);
    AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arrangement, BusType busType = kMain,
                             uint32 flags = kDefaultActive);
    EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                            uint32 flags = kDefaultActive);
    EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                             uint32 flags = kDefaultActive);
    void addUnit(const UnitInfo& unit) { units.push_back(unit); }
    // Null for an unknown media type or direction.
    BusList* getBusList(MediaType type, BusDirection dir);

    BusList audioInputs{kAudio, kInput};
    BusList audioOutputs{kAudio, kOutput};
    BusList eventInputs{kEvent, kInput};
    BusList eventOutputs{kEvent, kOutput};
    ParameterContainer parameters;
    ProcessSetup processSetup;
    uint32 processContextRequirements = 0;

private:
    Ref<FUnknown> hostContext;
    Ref<IComponentHandler> componentHandler;
    Ref<IComponentHandler2> componentHandler2;
    std::vector<UnitInfo> units;
    UnitID selectedUnit = kRootUnitId;
    KnobMode knobMode = kCircularMode;
};

}  // namespace vst3
