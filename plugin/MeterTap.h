// The audio thread's side of the meters: measures the input and output of each block
// in slices of 5 ms of audio (cut at the same sample positions whatever the host's
// block size) and pushes each finished slice into the ring. While no editor listens
// it does nothing but read one flag per block.
#pragma once

#include <atomic>
#include <vector>

#include "MeterRing.h"

class MeterTap {
public:
    static constexpr double kSliceSeconds = 0.005;
    // Vectorscope samples per second of audio: every n-th sample, n the whole number
    // nearest rate / 9600 (every 5th at 44.1 and 48 kHz, every 20th at 192 kHz).
    static constexpr double kPointsPerSecond = 9600.0;

    // Sizes the input's sums for blocks of up to maxFrames and restarts the current
    // slice. Allocates: call outside the audio path.
    void Reset(double sampleRate, int maxFrames);

    // Editor's thread: start or stop measuring. A start begins a fresh slice; the first
    // one allocates the ring, which the release store publishes to the audio thread.
    void SetListening(bool on)
    {
        if (on) {
            ring.Allocate();
        }
        listening.store(on, std::memory_order_release);
    }
    bool Listening() const { return listening.load(std::memory_order_relaxed); }

    // Audio thread, before the chain: measures the input (null channels are silence)
    // for the next MeasureOutput. Blocks longer than Reset's maxFrames are not measured.
    void KeepInput(const double* const* inputs, int frames);
    // Audio thread, after the chain, with the same frames as KeepInput.
    void MeasureOutput(const double* const* outputs, int frames);

    MeterRing& Ring() { return ring; }

private:
    struct InputSums {
        double largestSquare[2] = {0.0, 0.0};
        double squares[2] = {0.0, 0.0};
    };
    void MeasureRun(const InputSums& input, const double* outL, const double* outR, int frames);
    void TakePoints(const double* outL, const double* outR, int frames);
    void StartSlice();

    MeterRing ring;
    std::atomic<bool> listening{false};
    bool kept = false;  // KeepInput measured the current block
    bool measuring = false;
    double sampleRate = 44100.0;
    int sliceFrames = 221;
    int pointStep = 5;
    int blockFrames = 0;
    std::vector<InputSums> pendingInput;

    MeterSlice slice;
    int sliceDone = 0;
    int nextPoint = 0;  // frame within the slice of the next scope point
    // Kept in double while a slice fills; peaks as their squares.
    double inputSquares[2] = {0.0, 0.0};
    double outputSquares[2] = {0.0, 0.0};
    double outputProduct = 0.0;
    double inputLargest[2] = {0.0, 0.0};
    double outputLargest[2] = {0.0, 0.0};
};
