// Ring buffer of the feedback delay: push at the back and pop at the front in one step.
#include "DelayLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace {
constexpr std::size_t kRingSlots = std::size_t(DelayLine::kMaxLength) + 1;

#ifdef BRINDLE_LAZY_DELAY_RINGS
// Fuzz builds build a plug-in per input; zero pages on first touch keep that cheap.
double* NewRing()
{
    double* slots = static_cast<double*>(std::calloc(kRingSlots, sizeof(double)));
    if (!slots) {
        throw std::bad_alloc();
    }
    return slots;
}
void FreeRing(double* slots) { std::free(slots); }
#else
// Written through now, so the audio thread never takes the page faults when the delay
// grows. (operator new, not malloc: a compiler may turn malloc and a zero fill into
// calloc, which can leave the pages untouched.)
double* NewRing()
{
    double* slots = new double[kRingSlots];
    std::fill(slots, slots + kRingSlots, 0.0);
    return slots;
}
void FreeRing(double* slots) { delete[] slots; }
#endif
}  // namespace

void DelayLine::RingDeleter::operator()(double* slots) const { FreeRing(slots); }

DelayLine::DelayLine(double feedbackShare) : ring(NewRing())
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
    std::rotate(ring.get(), ring.get() + start, ring.get() + length + 1);
    start = 0;
    if (newLength > length) {
        std::fill(ring.get() + length + 1, ring.get() + newLength + 1, 0.0);
    }
    length = newLength;
}

void DelayLine::Refill(int newLength)
{
    length = std::clamp(newLength, 0, kMaxLength);
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
