// Ring buffer of the feedback delay: push at the back and pop at the front in one step.
#include "DelayLine.h"

#include <algorithm>
#include <cmath>

DelayLine::DelayLine(double feedbackShare) : ring(size_t(kMaxLength) + 1, 0.0)
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
    // Put last first so the ring order is the queue order.
    std::rotate(ring.begin(), ring.begin() + start, ring.begin() + length + 1);
    start = 0;
    if (newLength > length) {
        std::fill(ring.begin() + length + 1, ring.begin() + newLength + 1, 0.0);
    }
    length = newLength;
}

void DelayLine::Refill(int newLength)
{
    length = std::clamp(newLength, 0, kMaxLength);
    start = 0;
    std::fill(ring.begin() + 1, ring.begin() + length + 1, 0.0);
}

void DelayLine::Process(const double* input, double* output, int frames)
{
    const double share = feedback;
    const int slots = length + 1;
    double* queue = ring.data();
    // last may have been set from outside since the previous block.
    queue[start] = last;
    int position = start;
    int j = 0;
    while (j < frames) {
        // Up to the end of the ring or of the block, whichever comes first.
        const int run = std::min(frames - j, slots - position);
        double* slot = queue + position;
        const double* in = input + j;
        double* out = output + j;
        for (int k = 0; k < run; ++k) {
            const double x = slot[k];
            const double v = x * share + in[k];
            slot[k] = std::fabs(v) <= kMaxMagnitude ? v : 0.0;
            out[k] = x;
        }
        j += run;
        position += run;
        if (position == slots) {
            position = 0;
        }
    }
    start = position;
    last = queue[position];
}
