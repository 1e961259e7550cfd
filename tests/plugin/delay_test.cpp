// Feedback delay lines, the filtered delay built from them and the moving RMS.
#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "FilteredFeedbackDelay.h"
#include "MovingRms.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

FilteredFeedbackDelay<2> PluginDelay(double rate)
{
    FilteredFeedbackDelay<2> delay(rate, 0.0);
    delay.SetChannel(0, 15.75, 0.46);
    delay.SetChannel(1, 12.2, 0.4);
    return delay;
}

TEST(FilteredFeedbackDelay, LengthsFollowMillisecondsThenRescaleFromPreviousLength)
{
    FilteredFeedbackDelay<2> delay = PluginDelay(44100.0);
    // 44100 x 15.75 ms = 694.575 and 44100 x 12.2 ms = 538.02 samples, truncated.
    EXPECT_EQ(delay.DelaySamples(0), 694);
    EXPECT_EQ(delay.DelaySamples(1), 538);
    struct Step {
        double rate;
        int left, right;
    };
    const Step steps[] = {
        {48000.0, 755, 585},  // 694 x 48000 / 44100 = 755.37; 538 x ... = 585.58
        {44100.0, 693, 537},  // 755 x 44100 / 48000 = 693.66; 585 x ... = 537.47
        {44100.0, 693, 537},  // same rate: lengths stay
        {0.0, 693, 537},      // ignored
        {-48000.0, 693, 537},
        {kNaN, 693, 537},
        {std::numeric_limits<double>::infinity(), 693, 537},
        {1e9, 288001, 288001},  // limited to the ring
    };
    for (const Step& s : steps) {
        delay.SetSampleRate(s.rate);
        EXPECT_EQ(delay.DelaySamples(0), s.left) << s.rate;
        EXPECT_EQ(delay.DelaySamples(1), s.right) << s.rate;
    }
}

TEST(FilteredFeedbackDelay, SetChannelLimits)
{
    FilteredFeedbackDelay<2> delay = PluginDelay(44100.0);
    delay.SetChannel(2, 100.0, 0.9);  // no such channel
    delay.SetChannel(-1, 100.0, 0.9);
    EXPECT_EQ(delay.DelaySamples(0), 694);
    EXPECT_EQ(delay.DelaySamples(1), 538);
    EXPECT_EQ(delay.Line(1).Feedback(), 0.4);

    struct Case {
        double ms, feedback;
        int delaySamples;
        double feedbackAfter;
    };
    const Case cases[] = {
        {0.01, 0.5, 1, 0.5},    // 0.441 samples: empty queue, one sample late
        {0.0, 0.5, 1, 0.5},
        {-5.0, 1.5, 1, 1.0},    // feedback limited to [0, 1]
        {kNaN, -0.2, 1, 0.0},
        {1.0 / 44.1, kNaN, 1, 0.0},  // exactly one sample
        {2.0 / 44.1 + 1e-9, 0.3, 2, 0.3},
    };
    for (const Case& c : cases) {
        delay.SetChannel(0, c.ms, c.feedback);
        EXPECT_EQ(delay.DelaySamples(0), c.delaySamples) << c.ms;
        EXPECT_EQ(delay.Line(0).Feedback(), c.feedbackAfter) << c.ms;
    }
}

TEST(DelayLine, ImpulseGivesDecayingEchoes)
{
    DelayLine line(0.46);
    line.Resize(693);  // D = 694
    std::vector<double> signal(3000, 0.0);
    signal[0] = 1.0;
    line.Process(signal.data(), signal.data(), 1000);  // in place, in two blocks
    line.Process(signal.data() + 1000, signal.data() + 1000, 2000);
    for (size_t n = 0; n < signal.size(); ++n) {
        double expected = 0.0;
        if (n == 694) expected = 1.0;
        if (n == 1388) expected = 0.46;
        if (n == 2082) expected = 0.46 * 0.46;
        if (n == 2776) expected = 0.46 * 0.46 * 0.46;
        ASSERT_DOUBLE_EQ(signal[n], expected) << n;
    }
}

TEST(DelayLine, ResizeKeepsOldestEntriesAndClearKeepsLast)
{
    // D = 4, feedback 0.5, six ones in: v = 1, 1, 1, 1, 1.5, 1.5; the value that left
    // last is v[2] = 1.
    const auto sixOnesIn = [](DelayLine& target) {
        target.Resize(3);
        std::vector<double> in(6, 1.0), out(6);
        target.Process(in.data(), out.data(), 6);
        return out;
    };
    DelayLine line(0.5);
    EXPECT_EQ(sixOnesIn(line), (std::vector<double>{0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(line.last, 1.0);
    EXPECT_EQ(line.At(0), 1.0);  // v[3]
    EXPECT_EQ(line.At(2), 1.5);  // v[5]

    DelayLine copy(0.5);
    sixOnesIn(copy);
    copy.Resize(5);  // two zeros at the back, order kept
    EXPECT_EQ(copy.At(0), 1.0);
    EXPECT_EQ(copy.At(1), 1.5);
    EXPECT_EQ(copy.At(2), 1.5);
    EXPECT_EQ(copy.At(3), 0.0);
    EXPECT_EQ(copy.At(4), 0.0);
    copy.Resize(1);  // surplus dropped from the back
    EXPECT_EQ(copy.At(0), 1.0);

    // After a clear only the held value and its echoes remain.
    line.Refill(line.Length());
    std::vector<double> zeros(13, 0.0), tail(13);
    line.Process(zeros.data(), tail.data(), 13);
    EXPECT_EQ(tail, (std::vector<double>{1, 0, 0, 0, 0.5, 0, 0, 0, 0.25, 0, 0, 0, 0.125}));
}

TEST(DelayLine, NonFiniteInputNeverCirculates)
{
    DelayLine line(1.0);  // full feedback would keep a NaN forever
    line.Resize(9);
    std::vector<double> block(10, 0.25);
    block[3] = kNaN;
    block[4] = std::numeric_limits<double>::infinity();
    block[5] = 1e300;  // finite, but its echoes would overflow what follows
    line.Process(block.data(), block.data(), 10);
    for (int round = 0; round < 20; ++round) {
        std::vector<double> next(10, 0.0);
        line.Process(next.data(), next.data(), 10);
        for (double v : next) {
            ASSERT_LE(std::fabs(v), 1.0) << round;
        }
    }
}

// The plug-in's delay with its band-pass as the plug-in sets it up.
FilteredFeedbackDelay<2> PluginDelayWithFilter(double rate)
{
    FilteredFeedbackDelay<2> delay = PluginDelay(rate);
    Dsp::ButterworthBandPass& filter = delay.Filter();
    filter.SetParam(Dsp::kParamFrequency, 1000.0);
    filter.SetParam(Dsp::kParamBandwidthHz, 400.0);
    filter.SetParam(Dsp::kParamOrder, 1.0);
    return delay;
}

TEST(FilteredFeedbackDelay, EchoAddedInOnePassEqualsProcessThenSum)
{
    // The one-pass sum must give the same bits as Process into a copy followed by
    // echo * amount + dry, across ring wraps (694 and 538 samples) and odd block sizes.
    struct Case {
        double amount;
        std::vector<int> blocks;
    };
    const Case cases[] = {
        {1.0, {512}},
        {0.37, {1, 37, 700, 5, 1024}},
        {0.001, {538, 694, 160}},
    };
    for (const Case& c : cases) {
        FilteredFeedbackDelay<2> oneRun = PluginDelayWithFilter(44100.0);
        FilteredFeedbackDelay<2> twoRuns = PluginDelayWithFilter(44100.0);
        std::mt19937 random(3);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        for (int round = 0; round < 4; ++round) {
            for (int frames : c.blocks) {
                std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
                for (int i = 0; i < frames; ++i) {
                    left[size_t(i)] = noise(random);
                    right[size_t(i)] = noise(random);
                }
                std::vector<double> expectL = left, expectR = right;
                double* expect[2] = {expectL.data(), expectR.data()};
                twoRuns.Process(expect, expect, frames);
                for (int i = 0; i < frames; ++i) {
                    expectL[size_t(i)] = expectL[size_t(i)] * c.amount + left[size_t(i)];
                    expectR[size_t(i)] = expectR[size_t(i)] * c.amount + right[size_t(i)];
                }
                double* channels[2] = {left.data(), right.data()};
                ASSERT_TRUE(oneRun.AddEcho(channels, frames, c.amount));
                ASSERT_EQ(std::memcmp(left.data(), expectL.data(), left.size() * sizeof(double)), 0) << c.amount;
                ASSERT_EQ(std::memcmp(right.data(), expectR.data(), right.size() * sizeof(double)), 0) << c.amount;
            }
        }
        for (int line = 0; line < 2; ++line) {
            EXPECT_EQ(oneRun.Line(line).last, twoRuns.Line(line).last);
            EXPECT_EQ(oneRun.Line(line).At(0), twoRuns.Line(line).At(0));
        }
    }

    // One buffer for both channels, or a two-section design: nothing done.
    FilteredFeedbackDelay<2> delay = PluginDelayWithFilter(44100.0);
    std::vector<double> buffer(64, 0.5);
    double* same[2] = {buffer.data(), buffer.data()};
    EXPECT_FALSE(delay.AddEcho(same, 64, 1.0));
    delay.Filter().SetParam(Dsp::kParamOrder, 2.0);
    std::vector<double> other(64, 0.5);
    double* pair[2] = {buffer.data(), other.data()};
    EXPECT_FALSE(delay.AddEcho(pair, 64, 1.0));
    EXPECT_EQ(buffer, std::vector<double>(64, 0.5));
}

// The line as it behaved with one ring of kMaxLength + 1 slots allocated up front,
// sample by sample: the reference for lines whose ring follows their length.
struct FixedRingLine {
    std::vector<double> ring = std::vector<double>(size_t(DelayLine::kMaxLength) + 1, 0.0);
    int length = 0;
    int start = 0;
    double last = 0.0;
    double feedback;

    explicit FixedRingLine(double share) : feedback(share) {}
    static int Limit(int n) { return std::min(std::max(n, 0), DelayLine::kMaxLength); }
    void Resize(int n)
    {
        n = Limit(n);
        std::rotate(ring.begin(), ring.begin() + start, ring.begin() + length + 1);
        start = 0;
        for (int i = length + 1; i <= n; ++i) {
            ring[size_t(i)] = 0.0;
        }
        length = n;
    }
    void Refill(int n)
    {
        length = Limit(n);
        start = 0;
        std::fill(ring.begin() + 1, ring.begin() + length + 1, 0.0);
    }
    void Process(const double* in, double* out, int frames)
    {
        ring[size_t(start)] = last;
        int position = start;
        for (int k = 0; k < frames; ++k) {
            const double x = ring[size_t(position)];
            const double v = x * feedback + in[k];
            ring[size_t(position)] = std::fabs(v) <= 1e30 ? v : 0.0;
            out[k] = x;
            position = (position + 1) % (length + 1);
        }
        start = position;
        last = ring[size_t(start)];
    }
    double At(int index) const { return ring[size_t((start + 1 + index) % (length + 1))]; }
};

TEST(DelayLine, RingFollowsTheLengthAndBehavesAsTheFixedRing)
{
    // Random lengths (beyond both ends too), refills, clears and blocks; every output
    // bit, every entry and the held value must equal the fixed ring's.
    std::mt19937 random(5);
    const int lengths[] = {0, 1, 2, 5, 693, 754, 3023, 2341, DelayLine::kMaxLength, DelayLine::kMaxLength + 7, -4};
    std::uniform_int_distribution<int> pick(0, int(std::size(lengths)) - 1);
    std::uniform_int_distribution<int> action(0, 9);
    std::uniform_int_distribution<int> blockSize(1, 2500);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (const double share : {0.46, 1.0}) {
        DelayLine line(share);
        FixedRingLine reference(share);
        EXPECT_EQ(line.RingSlots(), 1);
        for (int step = 0; step < 400; ++step) {
            const int a = action(random);
            if (a == 0) {
                const int n = lengths[pick(random)];
                line.Resize(n);
                reference.Resize(n);
            } else if (a == 1) {
                const int n = lengths[pick(random)];
                line.Refill(n);
                reference.Refill(n);
            } else if (a == 2) {
                line.Refill(line.Length());  // a clear
                reference.Refill(reference.length);
            } else {
                const int frames = blockSize(random);
                const size_t count = static_cast<size_t>(frames);
                std::vector<double> in(count), expected(count), out(count);
                for (double& v : in) {
                    v = noise(random);
                }
                if (a == 3) {
                    in[0] = kNaN;
                }
                reference.Process(in.data(), expected.data(), frames);
                line.Process(in.data(), out.data(), frames);
                ASSERT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(double)), 0) << step;
            }
            ASSERT_EQ(line.Length(), reference.length) << step;
            ASSERT_EQ(line.RingSlots(), line.Length() + 1) << step;
            ASSERT_EQ(line.last, reference.last) << step;
            for (int i : {0, line.Length() / 2, line.Length() - 1}) {
                if (i >= 0 && i < line.Length()) {
                    ASSERT_EQ(line.At(i), reference.At(i)) << step << " entry " << i;
                }
            }
        }
    }
}

TEST(FilteredFeedbackDelay, RingsHoldWhatEachRateNeeds)
{
    // 15.75 ms and 12.2 ms, truncated to samples: the rings hold exactly that many slots
    // (the queue plus the slot of the sample held back).
    struct Case {
        double rate;
        int left, right;
    };
    const Case cases[] = {
        {44100.0, 694, 538},    // 694.575, 538.02
        {48000.0, 756, 585},    // 756, 585.6
        {96000.0, 1512, 1171},  // 1512, 1171.2
        {192000.0, 3024, 2342}, // 3024, 2342.4
    };
    for (const Case& c : cases) {
        FilteredFeedbackDelay<2> delay = PluginDelay(c.rate);
        EXPECT_EQ(delay.Line(0).RingSlots(), c.left) << c.rate;
        EXPECT_EQ(delay.Line(1).RingSlots(), c.right) << c.rate;
        EXPECT_EQ(delay.DelaySamples(0), c.left) << c.rate;
    }
    // The longest line still holds 288000 samples and one held back.
    FilteredFeedbackDelay<2> delay(48000.0, 0.0);
    delay.SetChannel(0, 60000.0, 0.5);
    EXPECT_EQ(delay.Line(0).RingSlots(), DelayLine::kMaxLength + 1);
    EXPECT_EQ(delay.DelaySamples(0), DelayLine::kMaxLength + 1);
}

TEST(FilteredFeedbackDelay, AThousandRateChangesKeepTheRingsAtTheirNeed)
{
    struct Rate {
        double rate;
        int left, right;  // 15.75 ms and 12.2 ms in samples, truncated
    };
    const Rate rates[] = {
        {48000.0, 756, 585}, {192000.0, 3024, 2342}, {44100.0, 694, 538},
        {96000.0, 1512, 1171}, {88200.0, 1389, 1076}, {176400.0, 2778, 2152},
    };
    FilteredFeedbackDelay<2> delay = PluginDelay(44100.0);
    std::vector<double> left(512), right(512);
    double* channels[2] = {left.data(), right.data()};
#ifdef __GLIBC__
    size_t heapAfterFirstRound = 0;
#endif
    for (int change = 0; change < 1000; ++change) {
        const Rate& r = rates[change % 6];
        delay.SetSampleRate(r.rate);
        // As a host sets the plug-in up again: the times from milliseconds.
        delay.SetChannel(0, 15.75, 0.46);
        delay.SetChannel(1, 12.2, 0.4);
        ASSERT_EQ(delay.Line(0).RingSlots(), r.left) << change;
        ASSERT_EQ(delay.Line(1).RingSlots(), r.right) << change;
        std::fill(left.begin(), left.end(), 0.5);
        std::fill(right.begin(), right.end(), -0.25);
        delay.Process(channels, channels, 512);
#ifdef __GLIBC__
        // The heap in use at the same point of every round: nothing leaks or piles up.
        if (change % 6 == 5) {
            const size_t inUse = mallinfo2().uordblks;
            if (change == 5) {
                heapAfterFirstRound = inUse;
            }
            ASSERT_EQ(inUse, heapAfterFirstRound) << change;
        }
#endif
    }
}

TEST(MovingRms, WindowAverageAndRecoveryFromBadValues)
{
    MovingRms rms;
    rms.Reset(4);
    EXPECT_EQ(rms.Push(1.0), 0.5);  // squares 1, 0, 0, 0
    rms.Push(1.0);
    rms.Push(1.0);
    EXPECT_EQ(rms.Push(1.0), 1.0);
    EXPECT_DOUBLE_EQ(rms.Push(3.0), std::sqrt(3.0));  // 1, 1, 1, 9

    // NaN, infinity and enormous values do not stick: after two windows of silence the
    // result is exactly 0 again.
    for (double bad : {kNaN, std::numeric_limits<double>::infinity(), 1e300, -1e200}) {
        rms.Reset(1000);
        rms.Push(0.5);
        rms.Push(bad);
        EXPECT_TRUE(std::isfinite(rms.Push(0.25))) << bad;
        double last = -1.0;
        for (int i = 0; i < 2000; ++i) {
            last = rms.Push(0.0);
        }
        EXPECT_EQ(last, 0.0) << bad;
    }

    MovingRms empty;
    empty.Reset(0);  // a window of at least one value
    EXPECT_EQ(empty.Length(), 1);
    EXPECT_EQ(empty.Push(-2.0), 2.0);
}

TEST(MovingRms, BlockVerdictsMatchPushSampleBySample)
{
    // PushDifferences against Push on the differences, verdict by verdict, for
    // signals that hover about the quiet level (many changes of verdict), stay on one
    // side of it, or carry values the window must limit; windows shorter and longer
    // than a run, so that the running sum is replaced inside runs.
    const double level = 1e-4;
    struct Case {
        const char* name;
        int window;
        double sideLevel;  // half-width of the noise in L - R
        int run;
    };
    const Case cases[] = {
        {"hovering", 7, 1.8e-4, 256},
        {"hovering, long window", 300, 1.75e-4, 37},
        {"mono", 50, 0.0, 256},
        {"loud", 11, 0.5, 100},
        {"bad values", 13, 1e-4, 64},
    };
    for (const Case& c : cases) {
        MovingRms block, single;
        block.Reset(c.window);
        single.Reset(c.window);
        block.SetQuietLevel(level);
        std::mt19937 random(11);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        int changes = 0;
        bool previous = false;
        for (int round = 0; round < 40; ++round) {
            std::vector<double> left(static_cast<size_t>(c.run)), right(static_cast<size_t>(c.run));
            for (size_t i = 0; i < left.size(); ++i) {
                left[i] = noise(random) * 0.3;
                right[i] = left[i] - noise(random) * c.sideLevel;
            }
            if (std::string(c.name) == "bad values" && round % 3 == 0) {
                left[5] = kNaN;
                right[9] = std::numeric_limits<double>::infinity();
                left[20] = 1e200;
            }
            bool quiet[MovingRms::kMaxRun];
            const int count = block.PushDifferences(left.data(), right.data(), c.run, quiet);
            int expectedCount = 0;
            for (int i = 0; i < c.run; ++i) {
                const bool expected = single.Push(left[size_t(i)] - right[size_t(i)]) < level;
                ASSERT_EQ(quiet[i], expected) << c.name << " round " << round << " sample " << i;
                expectedCount += expected ? 1 : 0;
                changes += expected != previous ? 1 : 0;
                previous = expected;
            }
            ASSERT_EQ(count, expectedCount) << c.name;
        }
        // The windows end in the same state.
        EXPECT_EQ(block.Push(0.25), single.Push(0.25)) << c.name;
        if (c.sideLevel > 0.0 && c.sideLevel < 1e-3) {
            EXPECT_GT(changes, 20) << c.name << ": the case must cross the level often";
        }
    }

    // A huge value swallows the squares added while it is in the window, so when it
    // leaves, the running sum lacks one square of 1.03e-4: 7 x 1.0609e-8 is below the
    // quiet sum 8 x 1e-8, the exact 8 x 1.0609e-8 above. Pushes 1 to 7 of the next
    // window are quiet; the last, where the exact sum takes over, is not.
    MovingRms rms;
    rms.Reset(8);
    rms.SetQuietLevel(level);
    const std::vector<double> zeros(8, 0.0);
    std::vector<double> huge(8, 1.03e-4);
    huge[0] = 1e150;
    const std::vector<double> hovering(8, 1.03e-4);
    bool quiet[8];
    EXPECT_EQ(rms.PushDifferences(huge.data(), zeros.data(), 8, quiet), 0);
    EXPECT_EQ(rms.PushDifferences(hovering.data(), zeros.data(), 8, quiet), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(quiet[i]) << i;
    }
    EXPECT_FALSE(quiet[7]);
}

}  // namespace
