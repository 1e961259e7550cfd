// One-pole smoother that glides a gain to its target over int(sampleRate / cutOff)
// samples and then holds the target exactly.
#pragma once

struct ParamSmoother {
    ParamSmoother(double cutOff, double sampleRate, double current);

    // Re-tunes to a new rate; target and current value stay, the counter is rescaled.
    void Retune(double newRate);

    // The value to use for this sample while gliding towards target.
    double Step(double target)
    {
        if (counter < limit) {
            ++counter;
            current = (current - target) * coefficient + target;
            return current;
        }
        return target;
    }

    // Stands at target at once, as if the glide had run its course.
    void Settle(double target)
    {
        current = target;
        counter = limit;
    }

    // Samples left before the smoother holds its target.
    int Remaining() const { return counter < limit ? limit - counter : 0; }

    double coefficient;
    double cutOff;
    double sampleRate;
    double current;
    int counter = 0;
    int limit;
};
