// The sums the meters take of a run of stereo samples: the largest square and the sum
// of squares of each channel, and for the output the sum of left x right. The peak is
// the root of the largest square (exactly |x| for every finite x); a NaN sample leaves
// the largest square as it is.
#pragma once

namespace MeterSums {

struct Stereo {
    double largestSquare[2] = {0.0, 0.0};
    double squares[2] = {0.0, 0.0};
    double product = 0.0;  // left x right; the input's run leaves it 0
};

// The widest kernel this processor runs; both give the same sums, bit for bit.
Stereo Input(const double* left, const double* right, int frames);
Stereo Output(const double* left, const double* right, int frames);

// Each kernel by name, for comparing them. Wide() is null where the processor or the
// target lacks the instructions.
using Kernel = Stereo (*)(const double* left, const double* right, int frames, bool withProduct);
Stereo Portable(const double* left, const double* right, int frames, bool withProduct);
Kernel Wide();

}  // namespace MeterSums
