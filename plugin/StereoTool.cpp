// Stereo width with 10 Hz glides; only the gain chosen by the sign of the width is applied.
#include "StereoTool.h"

#include <algorithm>
#include <cmath>

namespace {
const double kHalfPi = 1.57079632679489661923;
}

StereoTool::StereoTool(double rate, double initialWidth)
    : BaseProcessor(rate, 2), midSmoother(10.0, rate, 1.0), sideSmoother(10.0, rate, 1.0)
{
    SetWidth(initialWidth);
}

void StereoTool::Settle()
{
    midSmoother.Settle(midGain);
    sideSmoother.Settle(sideGain);
}

void StereoTool::SetSampleRate(double rate)
{
    sampleRate = rate;
    midSmoother.Retune(rate);
    sideSmoother.Retune(rate);
}

void StereoTool::SetWidth(double x)
{
    if (std::isnan(x)) {
        return;  // keeps the last width rather than gliding into NaN
    }
    const double a = std::clamp(x, -1.0, 1.0);
    width = a;
    if (a >= 0.0) {
        midGain = std::cos(a * kHalfPi);
        sideGain = 1.0;
    } else {
        sideGain = std::cos(a * kHalfPi);
        midGain = 1.0;
    }
    midSmoother.counter = 0;
    sideSmoother.counter = 0;
}

void StereoTool::Process(const double* const* inputs, double* const* outputs, int frames)
{
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    const bool passThrough = std::fabs(width) < 0.00001;
    const bool narrowing = width < 0.0;
    const int gliding = std::min(frames, std::max(midSmoother.Remaining(), sideSmoother.Remaining()));
    for (int i = 0; i < gliding; ++i) {
        const double gS = sideSmoother.Step(sideGain);
        const double gM = midSmoother.Step(midGain);
        if (passThrough) {
            outL[i] = inL[i];
            outR[i] = inR[i];
            continue;
        }
        const double m = narrowing ? inL[i] + inR[i] : (inL[i] + inR[i]) * gM;
        const double s = narrowing ? (inL[i] - inR[i]) * gS : inL[i] - inR[i];
        outL[i] = (m + s) * 0.5;
        outR[i] = (m - s) * 0.5;
    }
    if (passThrough) {
        CopyFrames(inputs, outputs, gliding, frames);
        return;
    }
    if (narrowing) {
        const double gS = sideGain;
        for (int i = gliding; i < frames; ++i) {
            const double m = inL[i] + inR[i];
            const double s = (inL[i] - inR[i]) * gS;
            outL[i] = (m + s) * 0.5;
            outR[i] = (m - s) * 0.5;
        }
    } else {
        const double gM = midGain;
        for (int i = gliding; i < frames; ++i) {
            const double m = (inL[i] + inR[i]) * gM;
            const double s = inL[i] - inR[i];
            outL[i] = (m + s) * 0.5;
            outR[i] = (m - s) * 0.5;
        }
    }
}
