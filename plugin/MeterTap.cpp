// Slicing and measuring for the meters on the audio thread.
#include "MeterTap.h"

#include <algorithm>
#include <cmath>

#include "MeterSums.h"

namespace {

using StereoSums = MeterSums::Stereo;

// Null channels are silence.
StereoSums MeasureInput(const double* const* inputs, int offset, int frames)
{
    if (inputs == nullptr || (inputs[0] == nullptr && inputs[1] == nullptr)) {
        return StereoSums();
    }
    if (inputs[0] != nullptr && inputs[1] != nullptr) {
        return MeterSums::Input(inputs[0] + offset, inputs[1] + offset, frames);
    }
    // One channel only: measured against itself, the other side left at silence.
    const int present = inputs[0] != nullptr ? 0 : 1;
    const double* x = inputs[present] + offset;
    StereoSums own = MeterSums::Input(x, x, frames);
    StereoSums sums;
    sums.largestSquare[present] = own.largestSquare[0];
    sums.squares[present] = own.squares[0];
    return sums;
}

}  // namespace

void MeterTap::Reset(double rate, int maxFrames)
{
    if (std::isfinite(rate) && rate > 0.0) {
        sampleRate = rate;
    }
    sliceFrames = std::max(1, int(std::lround(sampleRate * kSliceSeconds)));
    pointStep = std::max(1, int(std::lround(sampleRate / kPointsPerSecond)));
    blockFrames = std::max(1, maxFrames);
    // A block starts inside one slice and may end inside another.
    pendingInput.assign(size_t(blockFrames / sliceFrames + 2), InputSums());
    kept = false;
    measuring = false;
}

void MeterTap::StartSlice()
{
    sliceDone = 0;
    nextPoint = 0;
    slice.points = 0;
    for (int c = 0; c < 2; ++c) {
        inputSquares[c] = outputSquares[c] = 0.0;
        inputLargest[c] = outputLargest[c] = 0.0;
    }
    outputProduct = 0.0;
}

void MeterTap::KeepInput(const double* const* inputs, int frames)
{
    kept = false;
    if (!listening.load(std::memory_order_acquire)) {
        measuring = false;
        return;
    }
    if (frames <= 0 || frames > blockFrames) {
        return;
    }
    if (!measuring) {
        measuring = true;
        StartSlice();
    }
    // The input's sums for each run up to a slice's end, for MeasureOutput to join
    // with the output's: the chain may overwrite the input before then.
    size_t run = 0;
    for (int done = 0, inSlice = sliceDone; done < frames; ++run) {
        const int count = std::min(frames - done, sliceFrames - inSlice);
        const StereoSums measured = MeasureInput(inputs, done, count);
        InputSums& sums = pendingInput[run];
        for (int c = 0; c < 2; ++c) {
            sums.largestSquare[c] = measured.largestSquare[c];
            sums.squares[c] = measured.squares[c];
        }
        done += count;
        inSlice = 0;
    }
    kept = true;
}

void MeterTap::MeasureOutput(const double* const* outputs, int frames)
{
    if (!kept) {
        return;
    }
    kept = false;
    size_t run = 0;
    for (int done = 0; done < frames; ++run) {
        const int count = std::min(frames - done, sliceFrames - sliceDone);
        MeasureRun(pendingInput[run], outputs[0] + done, outputs[1] + done, count);
        done += count;
    }
}

void MeterTap::MeasureRun(const InputSums& input, const double* outL, const double* outR, int frames)
{
    const StereoSums out = MeterSums::Output(outL, outR, frames);
    for (int c = 0; c < 2; ++c) {
        inputLargest[c] = std::max(inputLargest[c], input.largestSquare[c]);
        inputSquares[c] += input.squares[c];
        outputLargest[c] = std::max(outputLargest[c], out.largestSquare[c]);
        outputSquares[c] += out.squares[c];
    }
    outputProduct += out.product;
    TakePoints(outL, outR, frames);
    sliceDone += frames;
    if (sliceDone < sliceFrames) {
        return;
    }
    slice.frames = sliceFrames;
    slice.sampleRate = float(sampleRate);
    for (int c = 0; c < 2; ++c) {
        slice.inputPeak[c] = float(std::sqrt(inputLargest[c]));
        slice.inputSquares[c] = float(inputSquares[c]);
        slice.outputPeak[c] = float(std::sqrt(outputLargest[c]));
        slice.outputSquares[c] = float(outputSquares[c]);
    }
    slice.outputProduct = float(outputProduct);
    ring.Push(slice);
    // Keeps the points evenly spaced across slices (0 when the slice ran out of room).
    const int carried = std::max(0, nextPoint - sliceFrames);
    StartSlice();
    nextPoint = carried;
}
void MeterTap::TakePoints(const double* outL, const double* outR, int frames)
{
    const int end = std::min(sliceDone + frames, sliceDone + (MeterSlice::kMaxPoints - slice.points) * pointStep);
    int count = slice.points;
    for (; nextPoint < end; nextPoint += pointStep) {
        const int at = nextPoint - sliceDone;
        slice.pointLeft[count] = float(outL[at]);
        slice.pointRight[count] = float(outR[at]);
        ++count;
    }
    slice.points = count;
}
