// Moving RMS with a ring window. The running sum is replaced by an exact sum once per
// window length, so rounding left by large values that have left does not accumulate.
#include "MovingRms.h"

#include <algorithm>
#include <cmath>

void MovingRms::Reset(int length)
{
    window.assign(size_t(std::max(1, length)), 0.0);
    position = 0;
    sumOfSquares = 0.0;
    freshSum = 0.0;
}

double MovingRms::Push(double x)
{
    if (window.empty()) {
        Reset(1);
    }
    if (!std::isfinite(x)) {
        x = 0.0;
    }
    x = std::clamp(x, -1e150, 1e150);
    const double b = window[position];
    window[position] = x;
    sumOfSquares = sumOfSquares + x * x - b * b;
    if (sumOfSquares < 0.0) {
        sumOfSquares = 0.0;
    }
    freshSum += x * x;
    if (++position == window.size()) {
        // The window now holds exactly the values summed since the last wrap.
        position = 0;
        sumOfSquares = freshSum;
        freshSum = 0.0;
    }
    return std::sqrt(std::max(0.0, sumOfSquares / double(window.size())));
}
