// Panning with 10 Hz glides; near the centre the signal passes untouched.
#include "PanningTool.h"

#include <algorithm>
#include <cmath>

PanningTool::PanningTool(double rate)
    : BaseProcessor(rate, 2), compensation(std::sqrt(2.0)), leftSmoother(10.0, rate, 1.0),
      rightSmoother(10.0, rate, 1.0)
{
}

void PanningTool::Settle()
{
    leftSmoother.Settle(leftGain);
    rightSmoother.Settle(rightGain);
}

void PanningTool::SetSampleRate(double rate)
{
    sampleRate = rate;
    leftSmoother.Retune(rate);
    rightSmoother.Retune(rate);
}

void PanningTool::Process(const double* const* inputs, double* const* outputs, int frames)
{
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    const bool centred = std::fabs(position - 0.5) < 0.00001;
    const int gliding = std::min(frames, std::max(leftSmoother.Remaining(), rightSmoother.Remaining()));
    // The smoothers advance on every sample, also while the centre passes through.
    for (int i = 0; i < gliding; ++i) {
        const double gL = leftSmoother.Step(leftGain);
        const double gR = rightSmoother.Step(rightGain);
        if (centred) {
            outL[i] = inL[i];
            outR[i] = inR[i];
        } else {
            outL[i] = gL * inL[i] * compensation;
            outR[i] = gR * inR[i] * compensation;
        }
    }
    if (centred) {
        CopyFrames(inputs, outputs, gliding, frames);
        return;
    }
    const double gL = leftGain;
    const double gR = rightGain;
    for (int i = gliding; i < frames; ++i) {
        outL[i] = gL * inL[i] * compensation;
        outR[i] = gR * inR[i] * compensation;
    }
}
