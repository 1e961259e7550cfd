// The meters' sums, in the widest vector registers the processor has.
#include "MeterSums.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && defined(__GNUC__) && defined(__x86_64__)
#define BRINDLE_METER_AVX 1
#include <immintrin.h>
#else
#define BRINDLE_METER_AVX 0
#endif

namespace MeterSums {

namespace {

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

// Each lane of a four-wide sum takes the frames whose index modulo 4 is its own, and
// lanes 0 + 2 and 1 + 3 are joined before the two halves: the same partial sums, added
// in the same order, in both vector widths, so the readings do not depend on the CPU.
template <bool withProduct>
Stereo MeasureTail(const double* left, const double* right, int from, int frames, Stereo sums)
{
    for (int i = from; i < frames; ++i) {
        const double squares[2] = {left[i] * left[i], right[i] * right[i]};
        for (int c = 0; c < 2; ++c) {
            sums.largestSquare[c] = squares[c] > sums.largestSquare[c] ? squares[c] : sums.largestSquare[c];
            sums.squares[c] += squares[c];
        }
        if (withProduct) sums.product += left[i] * right[i];
    }
    return sums;
}

template <bool withProduct>
Stereo MeasurePortable(const double* left, const double* right, int frames)
{
    Stereo sums;
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
    return MeasureTail<withProduct>(left, right, i, frames, sums);
}

#if BRINDLE_METER_AVX
// The same sums four frames per instruction, on processors that have AVX: half the
// instructions of the two-wide loop, which is most of what an open editor costs.
template <bool withProduct>
__attribute__((target("avx"))) Stereo MeasureAvx(const double* left, const double* right, int frames)
{
    Stereo sums;
    int i = 0;
    const __m256d zero = _mm256_setzero_pd();
    __m256d largestL = zero, largestR = zero, totalL = zero, totalR = zero, product = zero;
    for (; i + 4 <= frames; i += 4) {
        const __m256d l = _mm256_loadu_pd(left + i);
        const __m256d r = _mm256_loadu_pd(right + i);
        const __m256d squareL = _mm256_mul_pd(l, l);
        const __m256d squareR = _mm256_mul_pd(r, r);
        largestL = _mm256_max_pd(squareL, largestL);
        largestR = _mm256_max_pd(squareR, largestR);
        totalL = _mm256_add_pd(totalL, squareL);
        totalR = _mm256_add_pd(totalR, squareR);
        if (withProduct) product = _mm256_add_pd(product, _mm256_mul_pd(l, r));
    }
    // Lanes 0 and 1 are the low half, 2 and 3 the high one.
    sums.largestSquare[0] = Largest(_mm256_castpd256_pd128(largestL), _mm256_extractf128_pd(largestL, 1));
    sums.largestSquare[1] = Largest(_mm256_castpd256_pd128(largestR), _mm256_extractf128_pd(largestR, 1));
    sums.squares[0] = Total(_mm256_castpd256_pd128(totalL), _mm256_extractf128_pd(totalL, 1));
    sums.squares[1] = Total(_mm256_castpd256_pd128(totalR), _mm256_extractf128_pd(totalR, 1));
    if (withProduct) sums.product = Total(_mm256_castpd256_pd128(product), _mm256_extractf128_pd(product, 1));
    return MeasureTail<withProduct>(left, right, i, frames, sums);
}
#endif

bool HasWideKernel()
{
#if BRINDLE_METER_AVX
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
#else
    return false;
#endif
}

using Measure = Stereo (*)(const double*, const double*, int);

template <bool withProduct>
Measure ChooseKernel()
{
#if BRINDLE_METER_AVX
    if (HasWideKernel()) {
        return MeasureAvx<withProduct>;
    }
#endif
    return MeasurePortable<withProduct>;
}

// Picked once per process: the processor does not change under a running plug-in.
const Measure measureInput = ChooseKernel<false>();
const Measure measureOutput = ChooseKernel<true>();

#if BRINDLE_METER_AVX
Stereo WideKernel(const double* left, const double* right, int frames, bool withProduct)
{
    return withProduct ? MeasureAvx<true>(left, right, frames) : MeasureAvx<false>(left, right, frames);
}
#endif

}  // namespace

Stereo Input(const double* left, const double* right, int frames) { return measureInput(left, right, frames); }

Stereo Output(const double* left, const double* right, int frames) { return measureOutput(left, right, frames); }

Stereo Portable(const double* left, const double* right, int frames, bool withProduct)
{
    return withProduct ? MeasurePortable<true>(left, right, frames) : MeasurePortable<false>(left, right, frames);
}

Kernel Wide()
{
#if BRINDLE_METER_AVX
    return HasWideKernel() ? WideKernel : nullptr;
#else
    return nullptr;
#endif
}

}  // namespace MeterSums
