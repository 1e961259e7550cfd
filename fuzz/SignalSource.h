// A finite stereo test signal whose shape the fuzzer picks: noise, a sine, a constant,
// the same signal on both channels (lights the mono lamp) or silence with denormals.
#pragma once

#include <cmath>
#include <cstdint>

#include "FuzzInput.h"

class SignalSource {
public:
    explicit SignalSource(FuzzInput& in)
        : shape(in.Byte() % 5), state(in.U32() | 1u), amplitude(in.Sample()), step(0.001 + in.Unit() * 0.5) {}

    void Next(double& left, double& right) {
        switch (shape) {
        case 0:
            left = amplitude * Noise();
            right = amplitude * Noise();
            break;
        case 1:
            phase += step;
            left = amplitude * std::sin(phase);
            right = amplitude * std::cos(phase * 0.5);
            break;
        case 2:
            left = amplitude;
            right = -amplitude;
            break;
        case 3:
            left = right = amplitude * Noise();
            break;
        default:
            left = 1e-310 * Noise();
            right = -left;
            break;
        }
    }

private:
    // -1 to 1 from a small linear congruential generator.
    double Noise() {
        state = state * 1664525u + 1013904223u;
        return static_cast<int32_t>(state) / 2147483648.0;
    }

    int shape;
    uint32_t state;
    double amplitude;
    double step;
    double phase = 0.0;
};
