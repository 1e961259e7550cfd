// Slicing and measuring for the meters on the audio thread.
#include "MeterTap.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The largest square and the sum of squares of one channel over a run: the peak is the
// root of the largest square (exactly |x| for every finite x). Two frames per step in
// vector registers where the target has them; the compiler keeps max() scalar otherwise.
// Non-finite samples leave the largest square as it is.
struct ChannelSums {
    double largestSquare = 0.0;
    double squares = 0.0;
};

#if defined(__SSE2__)
double Lane0(__m128d v) { return _mm_cvtsd_f64(v); }
double Lane1(__m128d v) { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
#endif

ChannelSums Measure(const double* x, int frames)
{
    ChannelSums sums;
    int i = 0;
#if defined(__SSE2__)
    // Four partial results of each kind, so that no add waits for the one before it.
    __m128d largest[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    __m128d total[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    for (; i + 8 <= frames; i += 8) {
        for (int k = 0; k < 4; ++k) {
            const __m128d v = _mm_loadu_pd(x + i + 2 * k);
            const __m128d square = _mm_mul_pd(v, v);
            largest[k] = _mm_max_pd(square, largest[k]);  // the second operand wins over a NaN
            total[k] = _mm_add_pd(total[k], square);
        }
    }
    const __m128d largestAll = _mm_max_pd(_mm_max_pd(largest[0], largest[1]), _mm_max_pd(largest[2], largest[3]));
    const __m128d totalAll = _mm_add_pd(_mm_add_pd(total[0], total[1]), _mm_add_pd(total[2], total[3]));
    sums.largestSquare = std::max(Lane0(largestAll), Lane1(largestAll));
    sums.squares = Lane0(totalAll) + Lane1(totalAll);
#endif
    for (; i < frames; ++i) {
        const double square = x[i] * x[i];
        sums.largestSquare = square > sums.largestSquare ? square : sums.largestSquare;
        sums.squares += square;
    }
    return sums;
}

double Product(const double* left, const double* right, int frames)
{
    double sum = 0.0;
    int i = 0;
#if defined(__SSE2__)
    __m128d total[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    for (; i + 8 <= frames; i += 8) {
        for (int k = 0; k < 4; ++k) {
            total[k] = _mm_add_pd(total[k], _mm_mul_pd(_mm_loadu_pd(left + i + 2 * k), _mm_loadu_pd(right + i + 2 * k)));
        }
    }
    const __m128d totalAll = _mm_add_pd(_mm_add_pd(total[0], total[1]), _mm_add_pd(total[2], total[3]));
    sum = Lane0(totalAll) + Lane1(totalAll);
#endif
    for (; i < frames; ++i) {
        sum += left[i] * right[i];
    }
    return sum;
}

}  // namespace

void MeterTap::Reset(double rate, int maxFrames)
{
    if (std::isfinite(rate) && rate > 0.0) {
        sampleRate = rate;
    }
    sliceFrames = std::max(1, int(std::lround(sampleRate * kSliceSeconds)));
    pointStep = std::max(1.0, sampleRate / kPointsPerSecond);
    blockFrames = std::max(1, maxFrames);
    // A block starts inside one slice and may end inside another.
    pendingInput.assign(size_t(blockFrames / sliceFrames + 2), InputSums());
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
        InputSums& sums = pendingInput[run];
        for (int c = 0; c < 2; ++c) {
            const ChannelSums measured =
                inputs != nullptr && inputs[c] != nullptr ? Measure(inputs[c] + done, count) : ChannelSums();
            sums.largestSquare[c] = measured.largestSquare;
            sums.squares[c] = measured.squares;
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
    const double* outputs[2] = {outL, outR};
    for (int c = 0; c < 2; ++c) {
        const ChannelSums out = Measure(outputs[c], frames);
        inputLargest[c] = std::max(inputLargest[c], input.largestSquare[c]);
        inputSquares[c] += input.squares[c];
        outputLargest[c] = std::max(outputLargest[c], out.largestSquare);
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
        slice.inputPeak[c] = float(std::sqrt(inputLargest[c]));
        slice.inputSquares[c] = float(inputSquares[c]);
        slice.outputPeak[c] = float(std::sqrt(outputLargest[c]));
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
