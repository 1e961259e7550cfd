// Slicing and measuring for the meters on the audio thread.
#include "MeterTap.h"

#include <algorithm>
#include <cmath>

namespace {

// Peaks and sums of one channel over a run. Written with four partial results so the
// compiler can keep them in vector registers; non-finite samples leave the peak as it is.
struct ChannelSums {
    double peak = 0.0;
    double squares = 0.0;
};

ChannelSums Measure(const double* x, int frames)
{
    double peak[4] = {0.0, 0.0, 0.0, 0.0};
    double squares[4] = {0.0, 0.0, 0.0, 0.0};
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const double v = x[i + k];
            const double a = std::fabs(v);
            peak[k] = a > peak[k] ? a : peak[k];
            squares[k] += v * v;
        }
    }
    for (; i < frames; ++i) {
        const double a = std::fabs(x[i]);
        peak[0] = a > peak[0] ? a : peak[0];
        squares[0] += x[i] * x[i];
    }
    ChannelSums sums;
    sums.peak = std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3]));
    sums.squares = (squares[0] + squares[1]) + (squares[2] + squares[3]);
    return sums;
}

double Product(const double* left, const double* right, int frames)
{
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        for (int k = 0; k < 4; ++k) {
            sum[k] += left[i + k] * right[i + k];
        }
    }
    for (; i < frames; ++i) {
        sum[0] += left[i] * right[i];
    }
    return (sum[0] + sum[1]) + (sum[2] + sum[3]);
}

}  // namespace

void MeterTap::Reset(double rate, int maxFrames)
{
    if (std::isfinite(rate) && rate > 0.0) {
        sampleRate = rate;
    }
    sliceFrames = std::max(1, int(std::lround(sampleRate * kSliceSeconds)));
    pointStep = std::max(1.0, sampleRate / kPointsPerSecond);
    copyFrames = std::max(1, maxFrames);
    for (auto& channel : inputCopy) {
        channel.assign(size_t(copyFrames), 0.0);
    }
    kept = false;
    measuring = false;
}

void MeterTap::StartSlice()
{
    sliceDone = 0;
    nextPoint = 0.0;
    slice.points = 0;
    for (int c = 0; c < 2; ++c) {
        inputSquares[c] = outputSquares[c] = 0.0;
        inputPeak[c] = outputPeak[c] = 0.0;
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
    if (frames <= 0 || frames > copyFrames) {
        return;
    }
    if (!measuring) {
        measuring = true;
        StartSlice();
    }
    for (int c = 0; c < 2; ++c) {
        double* copy = inputCopy[c].data();
        if (inputs == nullptr || inputs[c] == nullptr) {
            std::fill(copy, copy + frames, 0.0);
        } else {
            std::copy(inputs[c], inputs[c] + frames, copy);
        }
    }
    kept = true;
}

void MeterTap::MeasureOutput(const double* const* outputs, int frames)
{
    if (!kept) {
        return;
    }
    kept = false;
    const double* inL = inputCopy[0].data();
    const double* inR = inputCopy[1].data();
    for (int done = 0; done < frames;) {
        const int run = std::min(frames - done, sliceFrames - sliceDone);
        MeasureRun(inL + done, inR + done, outputs[0] + done, outputs[1] + done, run);
        done += run;
    }
}

void MeterTap::MeasureRun(const double* inL, const double* inR, const double* outL, const double* outR, int frames)
{
    const double* inputs[2] = {inL, inR};
    const double* outputs[2] = {outL, outR};
    for (int c = 0; c < 2; ++c) {
        const ChannelSums in = Measure(inputs[c], frames);
        const ChannelSums out = Measure(outputs[c], frames);
        inputPeak[c] = std::max(inputPeak[c], in.peak);
        inputSquares[c] += in.squares;
        outputPeak[c] = std::max(outputPeak[c], out.peak);
        outputSquares[c] += out.squares;
    }
    outputProduct += Product(outL, outR, frames);
    TakePoints(outL, outR, frames);
    sliceDone += frames;
    if (sliceDone < sliceFrames) {
        return;
    }
    slice.frames = sliceFrames;
    slice.sampleRate = float(sampleRate);
    for (int c = 0; c < 2; ++c) {
        slice.inputPeak[c] = float(inputPeak[c]);
        slice.inputSquares[c] = float(inputSquares[c]);
        slice.outputPeak[c] = float(outputPeak[c]);
        slice.outputSquares[c] = float(outputSquares[c]);
    }
    slice.outputProduct = float(outputProduct);
    ring.Push(slice);
    const double carried = nextPoint - sliceFrames;  // keeps the points evenly spaced across slices
    StartSlice();
    nextPoint = carried;
}

void MeterTap::TakePoints(const double* outL, const double* outR, int frames)
{
    const double end = double(sliceDone + frames);
    while (nextPoint < end) {
        const int at = std::max(0, int(nextPoint) - sliceDone);
        if (slice.points < MeterSlice::kMaxPoints) {
            slice.pointLeft[slice.points] = float(outL[at]);
            slice.pointRight[slice.points] = float(outR[at]);
            ++slice.points;
        }
        nextPoint += pointStep;
    }
}
