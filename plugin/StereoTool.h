// Stereo width: negative widths fade the side signal, positive ones the mid signal;
// -1 leaves mid only, +1 side only.
#pragma once

#include "BaseProcessor.h"
#include "ParamSmoother.h"

class StereoTool : public BaseProcessor {
public:
    StereoTool(double sampleRate, double width);

    void Process(const double* const* inputs, double* const* outputs, int frames) override;
    void SetSampleRate(double rate);
    // Ends any glide: the gains stand at their targets.
    void Settle();
    void SetWidth(double x);

    double width = 0.0;
    double midGain = 1.0;   // target
    double sideGain = 1.0;  // target
    ParamSmoother midSmoother;
    ParamSmoother sideSmoother;
};
