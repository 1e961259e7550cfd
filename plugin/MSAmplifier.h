// Mid and side gain: both channels through mid/side and back, each part with its
// own smoothed gain.
#pragma once

#include "BaseProcessor.h"
#include "ParamSmoother.h"

class MSAmplifier : public BaseProcessor {
public:
    explicit MSAmplifier(double sampleRate);

    void Process(const double* const* inputs, double* const* outputs, int frames) override;
    void SetSampleRate(double rate);
    // Ends any glide: the gains stand at their targets.
    void Settle();

    double midGain = 1.0;   // target
    double sideGain = 1.0;  // target
    ParamSmoother midSmoother;
    ParamSmoother sideSmoother;
};
