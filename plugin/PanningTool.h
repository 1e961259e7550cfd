// Constant-power panning with a sine/cosine law; the sqrt(2) compensation makes the
// centre unity gain.
#pragma once

#include "BaseProcessor.h"
#include "ParamSmoother.h"

class PanningTool : public BaseProcessor {
public:
    explicit PanningTool(double sampleRate);

    void Process(const double* const* inputs, double* const* outputs, int frames) override;
    void SetSampleRate(double rate);
    // Ends any glide: the gains stand at their targets.
    void Settle();

    double compensation;
    double position = 0.5;  // 0 hard left, 1 hard right
    double leftGain = 1.0;  // target
    double rightGain = 1.0; // target
    ParamSmoother leftSmoother;
    ParamSmoother rightSmoother;
};
