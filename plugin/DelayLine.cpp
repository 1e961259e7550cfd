// Ring buffer of the feedback delay: push at the back and pop at the front in one step.
#include "DelayLine.h"

#include <algorithm>
#include <cmath>
#include <new>

// An empty queue still has the slot of last.
DelayLine::DelayLine(double feedbackShare) : ring(new double[1]{0.0}), slots(1)
{
    SetFeedback(feedbackShare);
}

void DelayLine::SetFeedback(double value)
{
    feedback = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

bool DelayLine::Reallocate(int newSlots, int keep)
{
    if (newSlots == slots) {
        return true;
    }
    // operator new, not malloc, and every slot written now: a compiler may turn malloc
    // and a zero fill into calloc, which can leave the pages for the audio thread to touch.
    double* fresh = new (std::nothrow) double[std::size_t(newSlots)];
    if (fresh == nullptr) {
        return false;
    }
    keep = std::min(keep, newSlots);
    std::copy(ring.get(), ring.get() + keep, fresh);
    std::fill(fresh + keep, fresh + newSlots, 0.0);
    ring.reset(fresh);
    slots = newSlots;
    return true;
}

void DelayLine::Resize(int newLength)
{
    newLength = std::clamp(newLength, 0, kMaxLength);
    // Put last first so the ring order is the queue order.
    std::rotate(ring.get(), ring.get() + start, ring.get() + length + 1);
    start = 0;
    if (newLength != length && !Reallocate(newLength + 1, length + 1)) {
        newLength = std::min(newLength, slots - 1);
    }
    if (newLength > length) {
        std::fill(ring.get() + length + 1, ring.get() + newLength + 1, 0.0);
    }
    length = newLength;
}

void DelayLine::Refill(int newLength)
{
    newLength = std::clamp(newLength, 0, kMaxLength);
    // The same length (a clear, possibly on the audio thread) keeps the ring.
    if (newLength != length && !Reallocate(newLength + 1, 0)) {
        newLength = std::min(newLength, slots - 1);
    }
    length = newLength;
    start = 0;
    std::fill(ring.get() + 1, ring.get() + length + 1, 0.0);
}

DelayLine::Tap DelayLine::Begin()
{
    // last may have been set from outside since the previous block.
    ring[size_t(start)] = last;
    return Tap{ring.get(), length + 1, start, feedback};
}

void DelayLine::End(const Tap& tap)
{
    start = tap.position;
    last = ring[size_t(start)];
}

void DelayLine::Process(const double* input, double* output, int frames)
{
    Tap tap = Begin();
    for (int j = 0; j < frames;) {
        // Up to the end of the ring or of the block, whichever comes first.
        const int run = std::min(frames - j, tap.slots - tap.position);
        double* slot = tap.ring + tap.position;
        const double* in = input + j;
        double* out = output + j;
        for (int k = 0; k < run; ++k) {
            const double x = slot[k];
            slot[k] = Entering(x, tap.feedback, in[k]);
            out[k] = x;
        }
        j += run;
        tap.position += run;
        if (tap.position == tap.slots) {
            tap.position = 0;
        }
    }
    End(tap);
}
