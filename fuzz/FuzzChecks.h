// What every fuzz target asserts besides surviving: a failed check aborts, which the
// fuzzer records as a finding with the input that caused it.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzCheckFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) FuzzCheckFailed(#condition, __FILE__, __LINE__); \
    } while (0)

template <class Sample>
bool AllFinite(const Sample* samples, long count) {
    for (long i = 0; i < count; ++i)
        if (!std::isfinite(samples[i])) return false;
    return true;
}
