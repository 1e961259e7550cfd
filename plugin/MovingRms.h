// Running root-mean-square over the last N samples, for the mono detector.
#pragma once

#include <cstddef>
#include <vector>

class MovingRms {
public:
    // Window of max(1, length) zeros. Allocates: call outside the audio path.
    void Reset(int length);
    int Length() const { return int(window.size()); }

    // Adds x, drops the oldest value and returns the RMS of the window. Non-finite
    // values count as silence and magnitudes are limited to 1e150, so the sum stays finite.
    double Push(double x);

private:
    std::vector<double> window;
    std::size_t position = 0;    // oldest value, overwritten by the next push
    double sumOfSquares = 0.0;
    double freshSum = 0.0;   // squares pushed since the window last wrapped
};
