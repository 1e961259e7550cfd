// Feedback delay lines, the filtered delay built from them and the moving RMS.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    DelayLine line(0.5);
    line.Resize(3);
    std::vector<double> in(6, 1.0), out(6);
    line.Process(in.data(), out.data(), 6);
    EXPECT_EQ(out, (std::vector<double>{0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(line.last, 1.0);
    EXPECT_EQ(line.At(0), 1.0);  // v[3]
    EXPECT_EQ(line.At(2), 1.5);  // v[5]

    DelayLine copy = line;
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

}  // namespace
