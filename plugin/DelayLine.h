// One recirculating delay line: a ring of the samples in flight, the sample that left
// it last, and the share of the output fed back.
#pragma once

#include <cmath>
#include <cstddef>
#include <memory>

class DelayLine {
public:
    // Longest queue a line holds (6 s at 48 kHz).
    static constexpr int kMaxLength = 288000;
    // Far beyond any audio level.
    static constexpr double kMaxMagnitude = 1e30;

    explicit DelayLine(double feedback = 0.0);

    // Queue length; the delay in samples is Length() + 1.
    int Length() const { return length; }
    // Slots the ring holds: Length() + 1 (other counts only after memory ran out).
    int RingSlots() const { return slots; }
    // New length keeping the oldest entries: new entries at the back are 0, surplus
    // entries are dropped from the back. Limited to [0, kMaxLength].
    // A new length allocates a ring of that size and writes it through, so processing
    // never touches a fresh page: call it outside the audio path. Should memory run out,
    // the line keeps its ring and the longest length that ring holds.
    void Resize(int newLength);
    // Every entry becomes 0 at the given length, limited to [0, kMaxLength]. Allocates
    // as Resize does when the length changes; at the same length (a clear) it never does.
    void Refill(int newLength);
    // The queue from oldest to newest.
    double At(int index) const { return ring[std::size_t((start + 1 + index) % (length + 1))]; }

    void SetFeedback(double value);
    double Feedback() const { return feedback; }

    // v = input + feedback * last enters the back, the front leaves into last, and the
    // previous last is the output. input and output may be the same buffer. A
    // non-finite v, or one beyond kMaxMagnitude, enters as silence: the line never
    // circulates NaN, and nothing in it can overflow the band-pass after it.
    void Process(const double* input, double* output, int frames);

    // The line opened for a loop of the caller's own: from slot position on, each
    // sample reads its slot (the output) and overwrites it with Entering(); position
    // wraps to 0 at slots. Begin puts last in its slot, End takes it back out.
    struct Tap {
        double* ring;
        int slots;
        int position;
        double feedback;
    };
    Tap Begin();
    void End(const Tap& tap);
    // The value that enters the queue for output x and input in.
    static double Entering(double x, double share, double in)
    {
        const double v = x * share + in;
        return std::fabs(v) <= kMaxMagnitude ? v : 0.0;
    }

    double last = 0.0;

private:
    // The ring holds last followed by the queue, Length() + 1 slots from start on, so
    // each sample reads its slot and overwrites it with the value entering the queue:
    // no carried value from one sample to the next, and the loop vectorises.
    // Swaps in a ring of newSlots slots holding the first keep slots of the old one and
    // zeros after them; false (the ring left as it is) when memory runs out.
    bool Reallocate(int newSlots, int keep);

    std::unique_ptr<double[]> ring;
    int slots = 0;
    int length = 0;
    int start = 0;  // slot of last; the oldest queue entry follows it
    double feedback = 0.0;
};
