// Flushes denormal numbers to zero for the duration of a process call, so decaying
// filter and delay tails never fall onto the slow path of the processor.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>

class DenormalGuard {
public:
  // Flush-to-zero (bit 15) and denormals-are-zero (bit 6) of MXCSR. Writing MXCSR is
  // slow next to reading it, and guards nest (the frame's, then the plug-in's): only a
  // guard that changed the register writes it, and writes it back. Reading it waits for
  // the floating-point work in flight, so a guard whose caller knows an outer guard is
  // active (alreadyFlushing) does not touch the register at all.
  explicit DenormalGuard(bool alreadyFlushing = false) : saved(alreadyFlushing ? kFlushBits : _mm_getcsr())
  {
    if ((saved & kFlushBits) != kFlushBits) _mm_setcsr(saved | kFlushBits);
  }
  ~DenormalGuard()
  {
    if ((saved & kFlushBits) != kFlushBits) _mm_setcsr(saved);
  }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
  static constexpr unsigned int kFlushBits = 0x8040u;
  unsigned int saved;
};

#else

class DenormalGuard {
public:
  explicit DenormalGuard(bool = false) {}
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;
};

#endif
