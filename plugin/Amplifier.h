// Output gain: every channel multiplied by one smoothed gain.
#pragma once

#include "BaseProcessor.h"
#include "ParamSmoother.h"

class Amplifier : public BaseProcessor {
public:
    explicit Amplifier(double sampleRate);

    void Process(const double* const* inputs, double* const* outputs, int frames) override;
    void SetSampleRate(double rate);
    // Ends any glide: the gains stand at their targets.
    void Settle();

    double gain = 1.0;  // target
    ParamSmoother gainSmoother;
};
