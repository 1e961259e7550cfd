// Running root-mean-square over the last N samples, for the mono detector.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

class MovingRms {
public:
    // Most samples PushDifferences takes at once.
    static constexpr int kMaxRun = 256;

    // Window of max(1, length) zeros. Allocates: call outside the audio path.
    void Reset(int length);
    int Length() const { return int(window.size()); }

    // Adds x, drops the oldest value and returns the RMS of the window. Non-finite
    // values count as silence and magnitudes are limited to 1e150, so the sum stays finite.
    double Push(double x)
    {
        x = Limited(x);
        const double square = x * x;
        const double oldest = window[position];
        window[position] = x;
        sumOfSquares += square - oldest * oldest;
        freshSum += square;
        if (++position == window.size()) {
            Wrap();
        }
        return Rms(sumOfSquares);
    }

    // The level below which PushDifferences counts a sample as quiet.
    void SetQuietLevel(double level);
    // Pushes left[i] - right[i] for i < frames (at most kMaxRun), exactly as Push
    // would, and sets quiet[i] to whether the RMS after that push is below the quiet
    // level. Returns the number of quiet samples.
    int PushDifferences(const double* left, const double* right, int frames, bool* quiet);

private:
    static constexpr double kMaxMagnitude = 1e150;
    // A run whose squares sum to no more than this had no difference near the limit.
    static constexpr double kOrdinarySum = 1e299;

    // Written as selects rather than branches so that block loops vectorise; x - x is 0
    // for every finite x and NaN otherwise.
    static double Limited(double x)
    {
        double clamped = x < -kMaxMagnitude ? -kMaxMagnitude : x;
        clamped = clamped > kMaxMagnitude ? kMaxMagnitude : clamped;
        return x - x == 0.0 ? clamped : 0.0;
    }
    // Rounding can leave the running sum slightly below 0.
    double Rms(double sum) const { return std::sqrt(std::max(0.0, sum * inverseLength)); }
    void Wrap();
    void FindQuietSum();

    std::vector<double> window = std::vector<double>(1, 0.0);
    std::size_t position = 0;  // oldest value, overwritten by the next push
    double sumOfSquares = 0.0;
    double freshSum = 0.0;     // squares pushed since the window last wrapped
    double inverseLength = 1.0;
    double quietLevel = 0.0;
    // The smallest running sum whose RMS is not below quietLevel: comparing the sum
    // with it gives the same verdict as the RMS without a multiply and a root per sample.
    double quietSum = 0.0;
};
