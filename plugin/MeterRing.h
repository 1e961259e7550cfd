// What the audio thread measures for the meters, in slices of about 5 ms, and the
// ring that carries the slices to the editor: one writer (the audio thread), one
// reader (the editor's timer), no lock. The writer never waits: when the reader is
// behind, the oldest slices are overwritten and the reader skips them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

struct MeterSlice {
    static constexpr int kMaxPoints = 64;

    int32_t frames = 0;
    float sampleRate = 0.0f;
    // Index 0 is left, 1 right.
    float inputPeak[2] = {0.0f, 0.0f};
    float inputSquares[2] = {0.0f, 0.0f};
    float outputPeak[2] = {0.0f, 0.0f};
    float outputSquares[2] = {0.0f, 0.0f};
    float outputProduct = 0.0f;  // sum of left x right over the slice
    int32_t points = 0;
    // Output samples taken at a fixed rate in time, for the vectorscope.
    float pointLeft[kMaxPoints] = {};
    float pointRight[kMaxPoints] = {};
};

class MeterRing {
public:
    static constexpr int kSlots = 256;  // 1.28 s of 5 ms slices

    // The slots are allocated by Allocate, outside the audio thread, before anyone
    // listens: an instance whose editor never opens holds none.
    MeterRing() = default;
    void Allocate()
    {
        if (!slots) {
            slots.reset(new Slot[kSlots]);
        }
    }
    bool Allocated() const { return slots != nullptr; }

    // Writer only.
    void Push(const MeterSlice& slice)
    {
        if (!slots) {
            return;
        }
        const uint64_t index = written.load(std::memory_order_relaxed);
        Slot& slot = slots[index % kSlots];
        // Odd while the slot is being written: a reader that sees it odd, or sees the
        // count change across its copy, drops the slot. The payload's stores release
        // (and the reader's loads acquire) so that a reader that saw any new word also
        // sees the odd count afterwards; on x86 these are plain moves.
        slot.sequence.store(2 * index + 1, std::memory_order_relaxed);
        slot.Store(slice);
        slot.sequence.store(2 * index + 2, std::memory_order_release);
        written.store(index + 1, std::memory_order_release);
    }

    // Reader only. Copies the next slice into out and returns true, or returns false
    // when nothing new waits. dropped counts the slices overwritten before they were read.
    bool Pop(MeterSlice& out, uint64_t& dropped)
    {
        const uint64_t available = written.load(std::memory_order_acquire);
        if (!slots) {
            return false;
        }
        for (;;) {
            if (read >= available) {
                return false;
            }
            if (available - read > uint64_t(kSlots)) {
                dropped += available - read - kSlots;
                read = available - kSlots;
            }
            const Slot& slot = slots[read % kSlots];
            const uint64_t expected = 2 * read + 2;
            const uint64_t before = slot.sequence.load(std::memory_order_acquire);
            if (before == expected) {
                slot.Load(out);
                if (slot.sequence.load(std::memory_order_relaxed) == expected) {
                    ++read;
                    return true;
                }
            }
            // Overwritten under us: the writer is a whole ring ahead.
            ++dropped;
            ++read;
        }
    }

    // Reader only: forget everything written so far.
    void SkipToNewest() { read = written.load(std::memory_order_acquire); }

private:
    static constexpr int kWords = 11 + 2 * MeterSlice::kMaxPoints;

    // The payload is atomic word by word so that a slot read while it is overwritten
    // is a detected, dropped read rather than a data race.
    struct Slot {
        std::atomic<uint64_t> sequence{0};
        std::array<std::atomic<float>, kWords> words{};
        std::atomic<int32_t> frames{0};
        std::atomic<int32_t> points{0};

        void Store(const MeterSlice& s)
        {
            frames.store(s.frames, std::memory_order_release);
            points.store(s.points, std::memory_order_release);
            const float head[11] = {s.sampleRate,       s.inputPeak[0],     s.inputPeak[1],     s.inputSquares[0],
                                    s.inputSquares[1],  s.outputPeak[0],    s.outputPeak[1],    s.outputSquares[0],
                                    s.outputSquares[1], s.outputProduct,    0.0f};
            for (int i = 0; i < 11; ++i) {
                words[size_t(i)].store(head[i], std::memory_order_release);
            }
            const int count = s.points < 0 ? 0 : (s.points > MeterSlice::kMaxPoints ? MeterSlice::kMaxPoints : s.points);
            for (int i = 0; i < count; ++i) {
                words[size_t(11 + 2 * i)].store(s.pointLeft[i], std::memory_order_release);
                words[size_t(12 + 2 * i)].store(s.pointRight[i], std::memory_order_release);
            }
        }

        void Load(MeterSlice& s) const
        {
            s.frames = frames.load(std::memory_order_acquire);
            const int32_t count = points.load(std::memory_order_acquire);
            s.points = count < 0 ? 0 : (count > MeterSlice::kMaxPoints ? MeterSlice::kMaxPoints : count);
            float head[11];
            for (int i = 0; i < 11; ++i) {
                head[i] = words[size_t(i)].load(std::memory_order_acquire);
            }
            s.sampleRate = head[0];
            s.inputPeak[0] = head[1];
            s.inputPeak[1] = head[2];
            s.inputSquares[0] = head[3];
            s.inputSquares[1] = head[4];
            s.outputPeak[0] = head[5];
            s.outputPeak[1] = head[6];
            s.outputSquares[0] = head[7];
            s.outputSquares[1] = head[8];
            s.outputProduct = head[9];
            for (int i = 0; i < s.points; ++i) {
                s.pointLeft[i] = words[size_t(11 + 2 * i)].load(std::memory_order_acquire);
                s.pointRight[i] = words[size_t(12 + 2 * i)].load(std::memory_order_acquire);
            }
        }
    };

    std::unique_ptr<Slot[]> slots;
    std::atomic<uint64_t> written{0};
    uint64_t read = 0;  // the reader's own
};
