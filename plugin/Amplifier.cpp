// Output gain with a 20 Hz glide.
#include "Amplifier.h"

#include <algorithm>

Amplifier::Amplifier(double rate) : BaseProcessor(rate, 2), gainSmoother(20.0, rate, 1.0) {}

void Amplifier::Settle()
{
    gainSmoother.Settle(gain);
}

void Amplifier::SetSampleRate(double rate)
{
    sampleRate = rate;
    gainSmoother.Retune(rate);
}

void Amplifier::Process(const double* const* inputs, double* const* outputs, int frames)
{
    // While gliding the gain changes per sample; afterwards it is the target itself.
    const int gliding = std::min(frames, gainSmoother.Remaining());
    for (int i = 0; i < gliding; ++i) {
        const double g = gainSmoother.Step(gain);
        for (int c = 0; c < channelCount; ++c) {
            outputs[c][i] = g * inputs[c][i];
        }
    }
    const double g = gain;
    // Unity gain leaves every sample as it is: nothing to do in place.
    if (g == 1.0 && inputs == outputs) {
        return;
    }
    for (int c = 0; c < channelCount; ++c) {
        const double* in = inputs[c];
        double* out = outputs[c];
        for (int i = gliding; i < frames; ++i) {
            out[i] = g * in[i];
        }
    }
}
