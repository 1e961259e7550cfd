// Coefficient and length of the one-pole parameter smoother.
#include "ParamSmoother.h"

#include <climits>
#include <cmath>

namespace {
const double kPi = 3.14159265358979323846;

int SmoothingLimit(double sampleRate, double cutOff)
{
    const double samples = sampleRate / cutOff;
    if (!(samples >= 0.0)) {
        return 0;
    }
    return samples >= double(INT_MAX) ? INT_MAX : int(samples);
}
}  // namespace

ParamSmoother::ParamSmoother(double cut, double rate, double value)
    : coefficient(std::exp(-2.0 * kPi * cut / rate)), cutOff(cut), sampleRate(rate), current(value),
      limit(SmoothingLimit(rate, cut))
{
}

void ParamSmoother::Retune(double newRate)
{
    sampleRate = newRate;
    coefficient = std::exp(cutOff * -2.0 * kPi / newRate);
    const int newLimit = SmoothingLimit(newRate, cutOff);
    // Integer quotient: a shorter limit restarts the glide, an equal one keeps its place.
    // A rate below the cut-off gives a limit of 0, which restarts instead of dividing by it.
    counter = limit > 0 ? counter * (newLimit / limit) : 0;
    limit = newLimit;
}
