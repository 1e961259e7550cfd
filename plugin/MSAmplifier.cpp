// Mid and side gain with 20 Hz glides. The round trip is always computed, so unity
// gains leave the signal exact up to the last bit of (L - R) + (L + R).
#include "MSAmplifier.h"

#include <algorithm>

MSAmplifier::MSAmplifier(double rate)
    : BaseProcessor(rate, 2), midSmoother(20.0, rate, 1.0), sideSmoother(20.0, rate, 1.0)
{
}

void MSAmplifier::Settle()
{
    midSmoother.Settle(midGain);
    sideSmoother.Settle(sideGain);
}

void MSAmplifier::SetSampleRate(double rate)
{
    sampleRate = rate;
    midSmoother.Retune(rate);
    sideSmoother.Retune(rate);
}

void MSAmplifier::Process(const double* const* inputs, double* const* outputs, int frames)
{
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    const int gliding = std::min(frames, std::max(midSmoother.Remaining(), sideSmoother.Remaining()));
    for (int i = 0; i < gliding; ++i) {
        const double gM = midSmoother.Step(midGain);
        const double gS = sideSmoother.Step(sideGain);
        const double m = (inL[i] + inR[i]) * gM;
        const double s = (inL[i] - inR[i]) * gS;
        outL[i] = (s + m) * 0.5;
        outR[i] = (m - s) * 0.5;
    }
    const double gM = midGain;
    const double gS = sideGain;
    for (int i = gliding; i < frames; ++i) {
        const double m = (inL[i] + inR[i]) * gM;
        const double s = (inL[i] - inR[i]) * gS;
        outL[i] = (s + m) * 0.5;
        outR[i] = (m - s) * 0.5;
    }
}
