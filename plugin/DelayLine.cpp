// Ring buffer of the feedback delay: push at the back and pop at the front in one step.
#include "DelayLine.h"

#include <algorithm>
#include <cmath>

DelayLine::DelayLine(double feedbackShare) : ring(size_t(kMaxLength), 0.0)
{
    SetFeedback(feedbackShare);
}

void DelayLine::SetFeedback(double value)
{
    feedback = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

void DelayLine::Resize(int newLength)
{
    newLength = std::clamp(newLength, 0, kMaxLength);
    // Put the oldest entry first so the queue order is the ring order.
    std::rotate(ring.begin(), ring.begin() + start, ring.begin() + length);
    start = 0;
    if (newLength > length) {
        std::fill(ring.begin() + length, ring.begin() + newLength, 0.0);
    }
    length = newLength;
}

void DelayLine::Refill(int newLength)
{
    length = std::clamp(newLength, 0, kMaxLength);
    start = 0;
    std::fill(ring.begin(), ring.begin() + length, 0.0);
}

void DelayLine::Process(const double* input, double* output, int frames)
{
    double* queue = ring.data();
    double held = last;
    const double share = feedback;
    int position = start;
    for (int j = 0; j < frames; ++j) {
        const double x = held;
        double v = x * share + input[j];
        if (!(std::fabs(v) <= kMaxMagnitude)) {
            v = 0.0;
        }
        if (length == 0) {
            held = v;
        } else {
            held = queue[position];
            queue[position] = v;
            if (++position == length) {
                position = 0;
            }
        }
        output[j] = x;
    }
    last = held;
    start = position;
}
