// Flushes denormal numbers to zero while an object of this class lives, and restores
// the caller's floating-point mode afterwards (SSE control register on x86).
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define BRINDLE_HAS_SSE_CONTROL 1
#endif

class DenormalGuard {
public:
#ifdef BRINDLE_HAS_SSE_CONTROL
    DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(saved); }
#else
    DenormalGuard() = default;
#endif
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#ifdef BRINDLE_HAS_SSE_CONTROL
    static constexpr unsigned kFlushToZero = 0x8000;      // FTZ: denormal results become 0
    static constexpr unsigned kDenormalsAreZero = 0x0040; // DAZ: denormal inputs read as 0
    unsigned saved;
#endif
};
