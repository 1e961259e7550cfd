// Moving RMS with a ring window. The running sum is replaced by an exact sum once per
// window length, so rounding left by large values that have left does not accumulate.
#include "MovingRms.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

void MovingRms::Reset(int length)
{
    window.assign(size_t(std::max(1, length)), 0.0);
    position = 0;
    sumOfSquares = 0.0;
    freshSum = 0.0;
    inverseLength = 1.0 / double(window.size());
    FindQuietSum();
}

void MovingRms::Wrap()
{
    // The window now holds exactly the values summed since the last wrap.
    position = 0;
    sumOfSquares = freshSum;
    freshSum = 0.0;
}

void MovingRms::SetQuietLevel(double level)
{
    quietLevel = level;
    FindQuietSum();
}

void MovingRms::FindQuietSum()
{
    // Rms() never falls as the sum grows, so the sums that count as quiet are all those
    // below one boundary. Non-negative doubles order like their bit patterns: search those.
    auto bits = [](double value) {
        uint64_t word;
        std::memcpy(&word, &value, sizeof word);
        return word;
    };
    auto value = [](uint64_t word) {
        double result;
        std::memcpy(&result, &word, sizeof result);
        return result;
    };
    uint64_t low = 0;  // Rms(0) = 0: quiet unless the level is 0 or less
    uint64_t high = bits(std::numeric_limits<double>::infinity());
    if (!(Rms(0.0) < quietLevel)) {
        quietSum = 0.0;
        return;
    }
    // Invariant: Rms(value(low)) < quietLevel, Rms(value(high)) is not.
    while (high - low > 1) {
        const uint64_t middle = low + (high - low) / 2;
        if (Rms(value(middle)) < quietLevel) {
            low = middle;
        } else {
            high = middle;
        }
    }
    quietSum = value(high);
}

int MovingRms::PushDifferences(const double* left, const double* right, int frames, bool* quiet)
{
    frames = std::min(frames, kMaxRun);
    double squares[kMaxRun];
    double changes[kMaxRun];
    double displaced[kMaxRun];  // the window's values that the run overwrites
    int count = 0;
    for (int done = 0; done < frames;) {
        // Up to the end of the window, where the running sum is replaced.
        const int run = std::min(frames - done, int(window.size() - position));
        double* slot = window.data() + position;
        // Off the serial path, vectorised: the differences, their squares and what
        // each push adds to the running sum. Ordinary differences need no limit; the
        // serial loop finds out whether all were ordinary.
        for (int k = 0; k < run; ++k) {
            const double x = left[done + k] - right[done + k];
            const double oldest = slot[k];
            displaced[k] = oldest;
            squares[k] = x * x;
            changes[k] = squares[k] - oldest * oldest;
            slot[k] = x;
        }
        // The serial path: the two running sums, in the order Push adds them, and the
        // number of quiet verdicts. The verdicts themselves are only needed when they
        // differ within the run, which is rare: then the sums are run again.
        const double boundary = quietSum;
        const double firstSum = sumOfSquares;
        const double firstFresh = freshSum;
        double sum = firstSum;
        double fresh = firstFresh;
        int quietHere = 0;
        for (int k = 0; k < run; ++k) {
            sum += changes[k];
            fresh += squares[k];
            quietHere += sum < boundary ? 1 : 0;
        }
        // Squares add up without cancelling: a sum of at most kOrdinarySum (or a
        // window that already held more) vouches that no difference went beyond the
        // limit. Otherwise the run is done again with limited values.
        if (!(fresh <= kOrdinarySum)) {
            sum = firstSum;
            fresh = firstFresh;
            quietHere = 0;
            for (int k = 0; k < run; ++k) {
                const double x = Limited(left[done + k] - right[done + k]);
                squares[k] = x * x;
                changes[k] = squares[k] - displaced[k] * displaced[k];
                slot[k] = x;
                sum += changes[k];
                fresh += squares[k];
                quietHere += sum < boundary ? 1 : 0;
            }
        }
        position += size_t(run);
        const bool wrapped = position == window.size();
        if (wrapped) {
            // The last push of the window compares the exact sum instead.
            position = 0;
            quietHere += (fresh < boundary ? 1 : 0) - (sum < boundary ? 1 : 0);
            sum = fresh;
            fresh = 0.0;
        }
        sumOfSquares = sum;
        freshSum = fresh;
        if (quietHere == 0 || quietHere == run) {
            std::fill(quiet + done, quiet + done + run, quietHere > 0);
        } else {
            double again = firstSum;
            for (int k = 0; k < run; ++k) {
                again += changes[k];
                quiet[done + k] = again < boundary;
            }
            if (wrapped) {
                quiet[done + run - 1] = sum < boundary;
            }
        }
        count += quietHere;
        done += run;
    }
    return count;
}
