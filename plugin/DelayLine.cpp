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
    const double share = feedback;
    double held = last;
    if (length == 0) {
        for (int j = 0; j < frames; ++j) {
            const double x = held;
            const double v = x * share + input[j];
            held = std::fabs(v) <= kMaxMagnitude ? v : 0.0;
            output[j] = x;
        }
        last = held;
        return;
    }
    double* queue = ring.data();
    int position = start;
    int j = 0;
    while (j < frames) {
        // Up to the end of the ring or of the block, whichever comes first.
        const int run = std::min(frames - j, length - position);
        double* slot = queue + position;
        for (int k = 0; k < run; ++k) {
            const double x = held;
            const double v = x * share + input[j + k];
            held = slot[k];
            slot[k] = std::fabs(v) <= kMaxMagnitude ? v : 0.0;
            output[j + k] = x;
        }
        j += run;
        position += run;
        if (position == length) {
            position = 0;
        }
    }
    last = held;
    start = position;
}
