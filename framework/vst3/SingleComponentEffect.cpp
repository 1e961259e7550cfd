// Default behaviour of the single-component effect.
#include "SingleComponentEffect.h"

#include <cmath>

namespace vst3 {

SingleComponentEffect::SingleComponentEffect() : processSetup{kRealtime, kSample32, 1024, 44100.0} {}

SingleComponentEffect::~SingleComponentEffect() = default;

tresult SingleComponentEffect::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    // One object holds both halves, so the host must not try to connect them.
    if (IConnectionPoint::iid.matches(iid)) {
        *obj = nullptr;
        return kNoInterface;
    }
    if (IComponent::iid.matches(iid)) return answer(static_cast<IComponent*>(this), obj);
    if (IAudioProcessor::iid.matches(iid)) return answer(static_cast<IAudioProcessor*>(this), obj);
    if (IProcessContextRequirements::iid.matches(iid))
        return answer(static_cast<IProcessContextRequirements*>(this), obj);
    if (IUnitInfo::iid.matches(iid)) return answer(static_cast<IUnitInfo*>(this), obj);
    if (IEditController::iid.matches(iid)) return answer(static_cast<IEditController*>(this), obj);
    if (IEditController2::iid.matches(iid)) return answer(static_cast<IEditController2*>(this), obj);
    if (IPluginBase::iid.matches(iid)) return answer(static_cast<IPluginBase*>(static_cast<IComponent*>(this)), obj);
    return FObject::queryInterface(iid, obj);
}

tresult SingleComponentEffect::initialize(FUnknown* context) {
    if (hostContext) return kResultFalse;
    hostContext.assign(context);
    return kResultOk;
}

tresult SingleComponentEffect::terminate() {
    parameters.removeAll();
    audioInputs.clear();
    audioOutputs.clear();
    eventInputs.clear();
    eventOutputs.clear();
    units.clear();
    componentHandler.reset();
    componentHandler2.reset();
    hostContext.reset();
    return kResultOk;
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) {
    if (type == kAudio) return dir == kInput ? &audioInputs : dir == kOutput ? &audioOutputs : nullptr;
    if (type == kEvent) return dir == kInput ? &eventInputs : dir == kOutput ? &eventOutputs : nullptr;
    return nullptr;
}

tresult SingleComponentEffect::getControllerClassId(TUID) { return kNotImplemented; }
tresult SingleComponentEffect::setIoMode(IoMode) { return kNotImplemented; }

int32 SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
    const BusList* list = getBusList(type, dir);
    return list ? list->count() : 0;
}

tresult SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& info) {
    BusList* list = getBusList(type, dir);
    Bus* bus = list ? list->at(index) : nullptr;
    if (!bus) return kInvalidArgument;
    info.mediaType = type;
    info.direction = dir;
    bus->getInfo(info);
    return kResultTrue;
}

tresult SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
    BusList* list = getBusList(type, dir);
    Bus* bus = list ? list->at(index) : nullptr;
    if (!bus) return kInvalidArgument;
    bus->setActive(state != 0);
    return kResultTrue;
}

tresult SingleComponentEffect::setActive(TBool) { return kResultOk; }
tresult SingleComponentEffect::setProcessorState(IBStream*) { return kNotImplemented; }
tresult SingleComponentEffect::getProcessorState(IBStream*) { return kNotImplemented; }

tresult SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                  SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0) return kInvalidArgument;
    if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kInvalidArgument;
    if (numIns > audioInputs.count() || numOuts > audioOutputs.count()) return kResultFalse;
    for (int32 i = 0; i < numIns; ++i) static_cast<AudioBus*>(audioInputs.at(i))->setArrangement(inputs[i]);
    for (int32 i = 0; i < numOuts; ++i) static_cast<AudioBus*>(audioOutputs.at(i))->setArrangement(outputs[i]);
    return kResultTrue;
}

tresult SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
    BusList* list = getBusList(kAudio, dir);
    Bus* bus = list ? list->at(index) : nullptr;
    if (!bus) return kInvalidArgument;
    arr = static_cast<AudioBus*>(bus)->getArrangement();
    return kResultTrue;
}

tresult SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 SingleComponentEffect::getLatencySamples() { return 0; }

tresult SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
    if (setup.processMode < kRealtime || setup.processMode > kOffline) return kInvalidArgument;
    if (setup.maxSamplesPerBlock < 1 || setup.maxSamplesPerBlock > kMaxBlockSize) return kInvalidArgument;
    if (!std::isfinite(setup.sampleRate) || setup.sampleRate <= 0.0 || setup.sampleRate > kMaxSampleRate)
        return kInvalidArgument;
    processSetup = setup;
    return kResultOk;
}

tresult SingleComponentEffect::setProcessing(TBool) { return kNotImplemented; }
tresult SingleComponentEffect::process(ProcessData&) { return kNotImplemented; }
uint32 SingleComponentEffect::getTailSamples() { return kNoTail; }

tresult SingleComponentEffect::setComponentState(IBStream*) { return kNotImplemented; }
tresult SingleComponentEffect::setControllerState(IBStream*) { return kNotImplemented; }
tresult SingleComponentEffect::getControllerState(IBStream*) { return kNotImplemented; }

int32 SingleComponentEffect::getParameterCount() { return parameters.getParameterCount(); }

tresult SingleComponentEffect::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    const Parameter* parameter = parameters.getParameterByIndex(paramIndex);
    if (!parameter) return kResultFalse;
    info = parameter->getInfo();
    return kResultTrue;
}

tresult SingleComponentEffect::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) {
    const Parameter* parameter = parameters.getParameter(id);
    if (!parameter) return kResultFalse;
    if (!string) return kInvalidArgument;
    parameter->toString(valueNormalized, string);
    return kResultTrue;
}

tresult SingleComponentEffect::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) {
    const Parameter* parameter = parameters.getParameter(id);
    if (!parameter || !string) return kResultFalse;
    return parameter->fromString(string, valueNormalized) ? kResultTrue : kResultFalse;
}

ParamValue SingleComponentEffect::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
    const Parameter* parameter = parameters.getParameter(id);
    return parameter ? parameter->toPlain(valueNormalized) : valueNormalized;
}

ParamValue SingleComponentEffect::plainParamToNormalized(ParamID id, ParamValue plainValue) {
    const Parameter* parameter = parameters.getParameter(id);
    return parameter ? parameter->toNormalized(plainValue) : plainValue;
}

ParamValue SingleComponentEffect::getParamNormalized(ParamID id) {
    const Parameter* parameter = parameters.getParameter(id);
    return parameter ? parameter->getNormalized() : 0.0;
}

tresult SingleComponentEffect::setParamNormalized(ParamID id, ParamValue value) {
    Parameter* parameter = parameters.getParameter(id);
    if (!parameter) return kResultFalse;
    if (!std::isfinite(value)) return kInvalidArgument;
    parameter->setNormalized(value);
    return kResultTrue;
}

tresult SingleComponentEffect::setComponentHandler(IComponentHandler* handler) {
    if (handler == componentHandler.get()) return kResultTrue;
    componentHandler.assign(handler);
    componentHandler2.adopt(queryAs<IComponentHandler2>(handler));
    return kResultTrue;
}

IPlugView* SingleComponentEffect::createView(FIDString) { return nullptr; }

tresult SingleComponentEffect::setKnobMode(KnobMode mode) {
    knobMode = mode;
    return kResultTrue;
}

tresult SingleComponentEffect::openHelp(TBool) { return kResultFalse; }
tresult SingleComponentEffect::openAboutBox(TBool) { return kResultFalse; }

int32 SingleComponentEffect::getUnitCount() { return static_cast<int32>(units.size()); }

tresult SingleComponentEffect::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex < 0 || unitIndex >= getUnitCount()) return kResultFalse;
    info = units[static_cast<size_t>(unitIndex)];
    return kResultTrue;
}

int32 SingleComponentEffect::getProgramListCount() { return 0; }
tresult SingleComponentEffect::getProgramListInfo(int32, ProgramListInfo&) { return kResultFalse; }
tresult SingleComponentEffect::getProgramName(ProgramListID, int32, String128) { return kResultFalse; }
tresult SingleComponentEffect::getProgramInfo(ProgramListID, int32, CString, String128) { return kResultFalse; }
tresult SingleComponentEffect::hasProgramPitchNames(ProgramListID, int32) { return kResultFalse; }
tresult SingleComponentEffect::getProgramPitchName(ProgramListID, int32, int16, String128) { return kResultFalse; }
UnitID SingleComponentEffect::getSelectedUnit() { return selectedUnit; }

tresult SingleComponentEffect::selectUnit(UnitID unitId) {
    selectedUnit = unitId;
    return kResultTrue;
}

tresult SingleComponentEffect::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) { return kResultFalse; }
tresult SingleComponentEffect::setUnitProgramData(int32, int32, IBStream*) { return kResultFalse; }

tresult SingleComponentEffect::beginEdit(ParamID id) {
    return componentHandler ? componentHandler->beginEdit(id) : kResultFalse;
}

tresult SingleComponentEffect::performEdit(ParamID id, ParamValue valueNormalized) {
    return componentHandler ? componentHandler->performEdit(id, valueNormalized) : kResultFalse;
}

tresult SingleComponentEffect::endEdit(ParamID id) {
    return componentHandler ? componentHandler->endEdit(id) : kResultFalse;
}

tresult SingleComponentEffect::startGroupEdit() {
    return componentHandler2 ? componentHandler2->startGroupEdit() : kNotImplemented;
}

tresult SingleComponentEffect::finishGroupEdit() {
    return componentHandler2 ? componentHandler2->finishGroupEdit() : kNotImplemented;
}

tresult SingleComponentEffect::setDirty(TBool state) {
    return componentHandler2 ? componentHandler2->setDirty(state) : kNotImplemented;
}

tresult SingleComponentEffect::requestOpenEditor(FIDString name) {
    return componentHandler2 ? componentHandler2->requestOpenEditor(name) : kNotImplemented;
}

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                               uint32 flags) {
    return static_cast<AudioBus*>(audioInputs.append(std::make_unique<AudioBus>(name, busType, flags, arrangement)));
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                                uint32 flags) {
    return static_cast<AudioBus*>(audioOutputs.append(std::make_unique<AudioBus>(name, busType, flags, arrangement)));
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType busType, uint32 flags) {
    return static_cast<EventBus*>(eventInputs.append(std::make_unique<EventBus>(name, busType, flags, channels)));
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType busType, uint32 flags) {
    return static_cast<EventBus*>(eventOutputs.append(std::make_unique<EventBus>(name, busType, flags, channels)));
}

}  // namespace vst3
