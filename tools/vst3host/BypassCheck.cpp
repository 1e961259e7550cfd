// The bypass parameter seen from the controller, around one processed change.
#include "BypassCheck.h"

#include "HostObjects.h"
#include "ProcessBuffers.h"

namespace vst3host {

namespace {

bool findBypass(IEditController* controller, ParamID& id) {
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk && (info.flags & kIsBypass)) {
            id = info.id;
            return true;
        }
    }
    return false;
}

std::string valueText(double value) { return std::to_string(value); }

}  // namespace

std::vector<std::string> checkBypassParameter(IComponent* component, IAudioProcessor* processor,
                                              IEditController* controller) {
    std::vector<std::string> faults;
    ParamID id = 0;
    if (!component || !processor || !controller || !findBypass(controller, id)) return faults;

    ProcessSetup setup{kRealtime, kSample32, 256, 44100.0};
    if (processor->setupProcessing(setup) != kResultOk) {
        faults.push_back("setupProcessing refused 32-bit samples at 44100 Hz");
        return faults;
    }
    component->setActive(1);
    ProcessBuffers buffers(kSample32, 2, 2, 256);
    Owned<ParameterChanges> changes(new ParameterChanges);
    for (double value : {1.0, 0.0}) {
        const std::string what = "bypass " + valueText(value);
        const tresult result = controller->setParamNormalized(id, value);
        if (result != kResultOk) faults.push_back(what + ": setParamNormalized answered " + std::to_string(result));
        const double shown = controller->getParamNormalized(id);
        if (shown != value)
            faults.push_back(what + ": the controller reports " + valueText(shown) + " before processing");
        changes->clear();
        changes->add(id, 0, value);
        if (processor->process(buffers.prepare(256, changes.get())) != kResultOk)
            faults.push_back(what + ": process failed");
        const double processed = controller->getParamNormalized(id);
        if (processed != value)
            faults.push_back(what + ": the controller reports " + valueText(processed) + " after processing");
    }
    component->setActive(0);
    return faults;
}

}  // namespace vst3host
