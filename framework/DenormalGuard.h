// Flushes denormal numbers to zero for the duration of a process call, so decaying
// filter and delay tails never fall onto the slow path of the processor.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>

class DenormalGuard {
public:
  // Flush-to-zero (bit 15) and denormals-are-zero (bit 6) of MXCSR.
  DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | 0x8040u); }
  ~DenormalGuard() { _mm_setcsr(saved); }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
  unsigned int saved;
};

#else

class DenormalGuard {
public:
  DenormalGuard() = default;
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;
};

#endif
