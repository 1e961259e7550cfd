// Slicing and measuring for the meters on the audio thread.
#include "MeterTap.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The largest square and the sum of squares of each channel over a run, and (for the
// output, where the correlation is measured) the sum of left x right: the peak is the root of the largest square (exactly |x| for every
// finite x). Four frames per step in vector registers where the target has them, with
// two partial results of each kind so that no add waits for the one before it.
// A NaN sample leaves the largest square as it is.
struct StereoSums {
    double largestSquare[2] = {0.0, 0.0};
    double squares[2] = {0.0, 0.0};
    double product = 0.0;
};

#if defined(__SSE2__)
double Lane0(__m128d v) { return _mm_cvtsd_f64(v); }
double Lane1(__m128d v) { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
double Largest(__m128d a, __m128d b)
{
    const __m128d both = _mm_max_pd(a, b);
    return std::max(Lane0(both), Lane1(both));
}
double Total(__m128d a, __m128d b)
{
    const __m128d both = _mm_add_pd(a, b);
    return Lane0(both) + Lane1(both);
}
#endif

template <bool withProduct>
StereoSums Measure(const double* left, const double* right, int frames)
{
    StereoSums sums;
    int i = 0;
#if defined(__SSE2__)
    const __m128d zero = _mm_setzero_pd();
    __m128d largestL[2] = {zero, zero}, largestR[2] = {zero, zero};
    __m128d totalL[2] = {zero, zero}, totalR[2] = {zero, zero}, product[2] = {zero, zero};
    for (; i + 4 <= frames; i += 4) {
        for (int k = 0; k < 2; ++k) {
            const __m128d l = _mm_loadu_pd(left + i + 2 * k);
            const __m128d r = _mm_loadu_pd(right + i + 2 * k);
            const __m128d squareL = _mm_mul_pd(l, l);
            const __m128d squareR = _mm_mul_pd(r, r);
            largestL[k] = _mm_max_pd(squareL, largestL[k]);  // the second operand wins over a NaN
            largestR[k] = _mm_max_pd(squareR, largestR[k]);
            totalL[k] = _mm_add_pd(totalL[k], squareL);
            totalR[k] = _mm_add_pd(totalR[k], squareR);
            if (withProduct) product[k] = _mm_add_pd(product[k], _mm_mul_pd(l, r));
        }
    }
    sums.largestSquare[0] = Largest(largestL[0], largestL[1]);
    sums.largestSquare[1] = Largest(largestR[0], largestR[1]);
    sums.squares[0] = Total(totalL[0], totalL[1]);
    sums.squares[1] = Total(totalR[0], totalR[1]);
    if (withProduct) sums.product = Total(product[0], product[1]);
#endif
    for (; i < frames; ++i) {
        const double squares[2] = {left[i] * left[i], right[i] * right[i]};
        for (int c = 0; c < 2; ++c) {
            sums.largestSquare[c] = squares[c] > sums.largestSquare[c] ? squares[c] : sums.largestSquare[c];
            sums.squares[c] += squares[c];
        }
        if (withProduct) sums.product += left[i] * right[i];
    }
    return sums;
}

// Null channels are silence.
StereoSums MeasureInput(const double* const* inputs, int offset, int frames)
{
    if (inputs == nullptr || (inputs[0] == nullptr && inputs[1] == nullptr)) {
        return StereoSums();
    }
    if (inputs[0] != nullptr && inputs[1] != nullptr) {
        return Measure<false>(inputs[0] + offset, inputs[1] + offset, frames);
    }
    // One channel only: measured against itself, the other side left at silence.
    const int present = inputs[0] != nullptr ? 0 : 1;
    const double* x = inputs[present] + offset;
    StereoSums own = Measure<false>(x, x, frames);
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
    const StereoSums out = Measure<true>(outL, outR, frames);
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
