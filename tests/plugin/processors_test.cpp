// Stereo processors and their smoothers, driven through Process on small buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Amplifier.h"
#include "MSAmplifier.h"
#include "PanningTool.h"
#include "StereoTool.h"

namespace {

const double kPi = 3.14159265358979323846;

struct Stereo {
    std::vector<double> left;
    std::vector<double> right;
    double* channels[2];

    Stereo(int frames, double l, double r) : left(size_t(frames), l), right(size_t(frames), r)
    {
        channels[0] = left.data();
        channels[1] = right.data();
    }
    int Frames() const { return int(left.size()); }
};

template <typename Processor>
void RunBlock(Processor& processor, Stereo& block)
{
    processor.Process(block.channels, block.channels, block.Frames());
}

TEST(ParamSmoother, AmplifierGlideLandsExactlyOnTargetAfterLimit)
{
    Amplifier amp(44100.0);
    amp.gain = 2.0;
    amp.gainSmoother.counter = 0;
    // Split over uneven blocks: the glide must not care where blocks end.
    Stereo block(2300, 1.0, -1.0);
    double* ch[2] = {block.left.data(), block.right.data()};
    amp.Process(ch, ch, 1000);
    double* rest[2] = {block.left.data() + 1000, block.right.data() + 1000};
    amp.Process(rest, rest, 1300);

    const double a = std::exp(-2.0 * kPi * 20.0 / 44100.0);
    for (int k : {0, 1, 100, 2203, 2204}) {
        const double expected = 2.0 - std::pow(a, k + 1);  // from 1 towards 2
        EXPECT_NEAR(block.left[size_t(k)], expected, 1e-12) << k;
        EXPECT_NEAR(block.right[size_t(k)], -expected, 1e-12) << k;
    }
    EXPECT_LT(block.left[2204], 2.0);
    EXPECT_NEAR(block.left[2204], 2.0 - std::exp(-2.0 * kPi), 1e-9);
    for (size_t k = 2205; k < block.left.size(); ++k) {
        ASSERT_EQ(block.left[k], 2.0) << k;
        ASSERT_EQ(block.right[k], -2.0) << k;
    }
}

TEST(ParamSmoother, RetuneRescalesCounterAndSurvivesRatesBelowCutOff)
{
    struct Case {
        double newRate;
        int stepsBefore;
        int expectedLimit;
        int expectedCounter;
    };
    // limit 2205 at 44100; counter x (newLimit / 2205) in integer division.
    const Case cases[] = {
        {88200.0, 1000, 4410, 2000},  // quotient 2
        {44100.0, 1000, 2205, 1000},  // unchanged rate keeps the place
        {22050.0, 1000, 1102, 0},     // shorter limit restarts
        {10.0, 1000, 0, 0},           // below the 20 Hz cut-off: no glide at all
    };
    for (const Case& c : cases) {
        ParamSmoother s(20.0, 44100.0, 0.0);
        for (int i = 0; i < c.stepsBefore; ++i) {
            s.Step(1.0);
        }
        s.Retune(c.newRate);
        EXPECT_EQ(s.limit, c.expectedLimit) << c.newRate;
        EXPECT_EQ(s.counter, c.expectedCounter) << c.newRate;
        EXPECT_DOUBLE_EQ(s.coefficient, std::exp(-2.0 * kPi * 20.0 / c.newRate));
    }
    // From a limit of 0 back to a normal rate divides by nothing and restarts.
    ParamSmoother s(20.0, 10.0, 0.0);
    EXPECT_EQ(s.limit, 0);
    EXPECT_EQ(s.Step(3.0), 3.0);
    s.Retune(44100.0);
    EXPECT_EQ(s.limit, 2205);
    EXPECT_EQ(s.counter, 0);
}

TEST(PanningTool, CentrePassesExactlyAndOffCentreUsesSineCosineLaw)
{
    struct Case {
        double position;
        double leftFactor;
        double rightFactor;
        bool exact;
    };
    const double r2 = std::sqrt(2.0);
    const Case cases[] = {
        {0.5, 1.0, 1.0, true},
        {0.500009, 1.0, 1.0, true},  // inside the 0.00001 dead zone
        {0.505, 0.99212, 1.00782, false},
        {0.0, r2, 0.0, false},  // hard left: +3.01 dB, right silent
        {1.0, 0.0, r2, false},
    };
    for (const Case& c : cases) {
        PanningTool pan(44100.0);
        pan.position = c.position;
        pan.leftGain = std::cos(c.position * kPi / 2.0);
        pan.rightGain = std::sin(c.position * kPi / 2.0);
        pan.leftSmoother.counter = 0;
        pan.rightSmoother.counter = 0;
        const double inL = 0.3;
        const double inR = -0.7;
        Stereo block(4410 + 10, inL, inR);  // settled after 4410 samples at 10 Hz
        RunBlock(pan, block);
        const double outL = block.left.back();
        const double outR = block.right.back();
        if (c.exact) {
            EXPECT_EQ(outL, inL) << c.position;
            EXPECT_EQ(outR, inR) << c.position;
            EXPECT_EQ(block.left.front(), inL);
        } else {
            EXPECT_NEAR(outL, inL * c.leftFactor, 1e-5) << c.position;
            EXPECT_NEAR(outR, inR * c.rightFactor, 1e-5) << c.position;
        }
    }
}

TEST(StereoTool, WidthExtremesAndDeadZone)
{
    struct Case {
        double width;
        double l, r;
        double expectL, expectR;
        double tolerance;
    };
    const Case cases[] = {
        {-1.0, 0.8, 0.2, 0.5, 0.5, 1e-15},      // side removed: both (L + R) / 2
        {1.0, 0.8, 0.2, 0.3, -0.3, 1e-15},      // mid removed: (L - R) / 2 and its negative
        {2.0, 0.8, 0.2, 0.3, -0.3, 1e-15},      // limited to 1
        {-0.000001, 0.8, 0.2, 0.8, 0.2, 0.0},   // dead zone passes the input exactly
        {0.5, 1.0, 0.0, 0.5 * (std::cos(kPi / 4.0) + 1.0), 0.5 * (std::cos(kPi / 4.0) - 1.0), 1e-12},
        {-0.5, 1.0, 0.0, 0.5 * (1.0 + std::cos(kPi / 4.0)), 0.5 * (1.0 - std::cos(kPi / 4.0)), 1e-12},
    };
    for (const Case& c : cases) {
        StereoTool tool(44100.0, 0.0);
        tool.SetWidth(c.width);
        Stereo block(4410 + 10, c.l, c.r);
        RunBlock(tool, block);
        EXPECT_NEAR(block.left.back(), c.expectL, c.tolerance) << c.width;
        EXPECT_NEAR(block.right.back(), c.expectR, c.tolerance) << c.width;
    }
    // Width +1 on a mono input leaves only cos(pi/2) of it, about 6e-17.
    StereoTool tool(44100.0, 0.0);
    tool.SetWidth(1.0);
    Stereo mono(4420, 1.0, 1.0);
    RunBlock(tool, mono);
    EXPECT_NE(mono.left.back(), 0.0);
    EXPECT_LT(std::fabs(mono.left.back()), 1e-16);
}

TEST(MSAmplifier, GainsScaleMidAndSideSeparately)
{
    MSAmplifier ms(44100.0);
    ms.midGain = 2.0;
    ms.sideGain = 0.5;
    ms.midSmoother.counter = 0;
    ms.sideSmoother.counter = 0;
    Stereo block(2205 + 5, 1.0, 0.25);
    RunBlock(ms, block);
    // M = 1.25 x 2 = 2.5, S = 0.75 x 0.5 = 0.375; L = (S + M) / 2, R = (M - S) / 2.
    EXPECT_EQ(block.left.back(), 1.4375);
    EXPECT_EQ(block.right.back(), 1.0625);

}

}  // namespace
