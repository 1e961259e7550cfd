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
    inverseLength = 1.0 / double(window.size());
}

void MovingRms::Wrap()
{
    // The window now holds exactly the values summed since the last wrap.
    position = 0;
    sumOfSquares = freshSum;
    freshSum = 0.0;
}
