// A tiny stereo gain effect built only from the platform layer: the subject of the
// platform tests and of the test bundle that proves the host harness.
#pragma once

#include "SingleComponentEffect.h"

namespace testbundle {

using namespace vst3;

constexpr ParamID kGainId = 0;
constexpr ParamID kBypassId = 1;
// Gain = 2 × normalized value, so the default 0.5 is unity.
constexpr double kGainRange = 2.0;

class GainEffect : public SingleComponentEffect {
public:
    static constexpr Uid cid = makeUid(0x3F1A2B3C, 0x4D5E4F60, 0x718293A4, 0xB5C6D7E8);
    static FUnknown* create(void*) { return static_cast<IAudioProcessor*>(new GainEffect); }

    tresult initialize(FUnknown* context) override;
    tresult setActive(TBool state) override;
    tresult canProcessSampleSize(int32 symbolicSampleSize) override;
    tresult setProcessing(TBool state) override;
    tresult process(ProcessData& data) override;
    tresult setProcessorState(IBStream* state) override;
    tresult getProcessorState(IBStream* state) override;

    bool isActive() const { return active; }

private:
    void applyParameterChanges(IParameterChanges* changes);
    template <class Sample>
    void processChannels(Sample** inputs, Sample** outputs, int32 channels, int32 frames) const;

    bool active = false;
};

}  // namespace testbundle
