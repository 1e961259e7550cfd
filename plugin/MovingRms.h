// Running root-mean-square over the last N samples, for the mono detector.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

class MovingRms {
public:
    // Window of max(1, length) zeros. Allocates: call outside the audio path.
    void Reset(int length);
    int Length() const { return int(window.size()); }

    // Adds x, drops the oldest value and returns the RMS of the window. Non-finite
    // values count as silence and magnitudes are limited to 1e150, so the sum stays finite.
    double Push(double x)
    {
        if (!(std::fabs(x) <= kMaxMagnitude)) {
            x = std::isfinite(x) ? std::copysign(kMaxMagnitude, x) : 0.0;
        }
        const double square = x * x;
        const double oldest = window[position];
        window[position] = x;
        sumOfSquares += square - oldest * oldest;
        freshSum += square;
        if (++position == window.size()) {
            Wrap();
        }
        // Rounding can leave the running sum slightly below 0.
        return std::sqrt(std::max(0.0, sumOfSquares * inverseLength));
    }

private:
    static constexpr double kMaxMagnitude = 1e150;

    void Wrap();

    std::vector<double> window = std::vector<double>(1, 0.0);
    std::size_t position = 0;  // oldest value, overwritten by the next push
    double sumOfSquares = 0.0;
    double freshSum = 0.0;     // squares pushed since the window last wrapped
    double inverseLength = 1.0;
};
