// Butterworth band-pass: coefficients against the bilinear-transformed analog band-pass
// worked out in closed form, band edges, slot descriptions and processing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "ButterworthBandPass.h"

namespace {

const double kPi = 3.14159265358979323846;

Dsp::ButterworthBandPass MakeFilter(double fs, double centre, double bandwidth, int order)
{
    Dsp::ButterworthBandPass filter;
    filter.SetParam(Dsp::kParamSampleRate, fs);
    filter.SetParam(Dsp::kParamFrequency, centre);
    filter.SetParam(Dsp::kParamBandwidthHz, bandwidth);
    filter.SetParam(Dsp::kParamOrder, order);
    return filter;
}

// First-order band-pass: s -> bilinear transform of B s / (s^2 + B s + W0^2) with
// pre-warped edges tan(w/2); gives b0 = B / n, a1 = 2 (W0^2 - 1) / n, a2 = (1 - B + W0^2) / n.
struct ClosedForm {
    double a1, a2, b0, normalHz;
};
ClosedForm FirstOrder(double fs, double low, double high)
{
    const double ol = std::tan(kPi * low / fs);
    const double oh = std::tan(kPi * high / fs);
    const double b = oh - ol;
    const double w2 = ol * oh;
    const double n = 1.0 + b + w2;
    return {2.0 * (w2 - 1.0) / n, (1.0 - b + w2) / n, b / n, std::atan(std::sqrt(w2)) / kPi * fs};
}

TEST(ButterworthBandPass, FirstOrderCoefficients)
{
    struct Case {
        double fs, centre, bandwidth;
        double a1, a2, b0;  // published figures where given, else 0 (closed form only)
    };
    const Case cases[] = {
        {44100.0, 1000.0, 400.0, -1.925652316, 0.944574027, 0.0277129863},
        {48000.0, 1000.0, 400.0, -1.932953279, 0.948964567, 0.0255177166},
        {96000.0, 3000.0, 1000.0, 0.0, 0.0, 0.0},
        {22050.0, 5000.0, 2500.0, 0.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const Dsp::ButterworthBandPass f = MakeFilter(c.fs, c.centre, c.bandwidth, 1);
        ASSERT_EQ(f.SectionCount(), 1);
        const Dsp::SectionCoefficients& s = f.Section(0);
        const ClosedForm cf = FirstOrder(c.fs, c.centre - c.bandwidth / 2.0, c.centre + c.bandwidth / 2.0);
        EXPECT_EQ(s.a0, 1.0);
        EXPECT_NEAR(s.a1, cf.a1, 1e-12) << c.fs;
        EXPECT_NEAR(s.a2, cf.a2, 1e-12) << c.fs;
        EXPECT_NEAR(s.b0, cf.b0, 1e-12) << c.fs;
        EXPECT_NEAR(s.b1, 0.0, 1e-15) << c.fs;
        EXPECT_NEAR(s.b2, -cf.b0, 1e-12) << c.fs;
        EXPECT_NEAR(f.NormalFrequency() / (2.0 * kPi) * c.fs, cf.normalHz, 1e-6) << c.fs;
        if (c.a1 != 0.0) {
            EXPECT_NEAR(s.a1, c.a1, 1e-9);
            EXPECT_NEAR(s.a2, c.a2, 1e-9);
            EXPECT_NEAR(s.b0, c.b0, 1e-10);
        }
    }
    const Dsp::ButterworthBandPass f = MakeFilter(44100.0, 1000.0, 400.0, 1);
    EXPECT_NEAR(f.NormalFrequency() / (2.0 * kPi) * 44100.0, 979.93, 0.005);
}

TEST(ButterworthBandPass, ResponseIsUnityAtCentreHalfPowerAtEdgesZeroAtEnds)
{
    struct Case {
        double fs, centre, bandwidth;
        int order;
    };
    const Case cases[] = {
        {44100.0, 1000.0, 400.0, 1},
        {44100.0, 1000.0, 400.0, 2},
        {48000.0, 6000.0, 3000.0, 2},
    };
    for (const Case& c : cases) {
        const Dsp::ButterworthBandPass f = MakeFilter(c.fs, c.centre, c.bandwidth, c.order);
        EXPECT_EQ(f.SectionCount(), c.order);
        EXPECT_NEAR(std::abs(f.Response(f.NormalFrequency() / (2.0 * kPi))), 1.0, 1e-12);
        // Butterworth of any order is 3 dB down at the (exactly mapped) band edges.
        const double low = (c.centre - c.bandwidth / 2.0) / c.fs;
        const double high = (c.centre + c.bandwidth / 2.0) / c.fs;
        EXPECT_NEAR(std::abs(f.Response(low)), std::sqrt(0.5), 1e-9) << c.order;
        EXPECT_NEAR(std::abs(f.Response(high)), std::sqrt(0.5), 1e-9) << c.order;
        EXPECT_NEAR(std::abs(f.Response(0.0)), 0.0, 1e-12);
        EXPECT_NEAR(std::abs(f.Response(0.5)), 0.0, 1e-12);
        EXPECT_EQ(f.PoleZeros().count, c.order);
    }
}

TEST(ButterworthBandPass, LowerEdgeClampsAndUnknownIdsChangeNothing)
{
    // Centre 100 Hz, 400 Hz wide: the lower edge would be negative and clamps to 1e-8 rad.
    const Dsp::ButterworthBandPass clamped = MakeFilter(44100.0, 100.0, 400.0, 1);
    const double wHigh = 2.0 * kPi * 300.0 / 44100.0;
    const double ol = std::tan(1e-8 / 2.0), oh = std::tan(wHigh / 2.0);
    const double n = 1.0 + (oh - ol) + ol * oh;
    EXPECT_NEAR(clamped.Section(0).b0, (oh - ol) / n, 1e-12);
    EXPECT_NEAR(std::abs(clamped.Response(300.0 / 44100.0)), std::sqrt(0.5), 1e-9);

    Dsp::ButterworthBandPass f = MakeFilter(44100.0, 1000.0, 400.0, 1);
    const Dsp::SectionCoefficients before = f.Section(0);
    f.SetParam(2, 5000.0);  // no slot carries id 2
    f.SetParam(Dsp::kParamBandwidthHz, 0.0);  // degenerate band: keeps the last design
    f.SetParam(Dsp::kParamSampleRate, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(std::memcmp(&before, &f.Section(0), sizeof before), 0);
    EXPECT_EQ(f.Param(2), 1000.0);
}

TEST(ButterworthBandPass, StaysStableAtRatesTheBandDoesNotFit)
{
    // A host may announce any positive rate. Where the band lies above the Nyquist
    // frequency, or is too narrow for double precision, every section must stay stable
    // (|a2| < 1 and |a1| < 1 + a2) and the output bounded.
    for (const double rate : {2.86e-17, 1.0, 1000.0, 1500.0, 2100.0, 3e11, 1e12, 1e15, 1e300}) {
        for (const int order : {1, 2}) {
            Dsp::ButterworthBandPass f = MakeFilter(44100.0, 1000.0, 400.0, order);
            f.SetParam(Dsp::kParamSampleRate, rate);
            for (int s = 0; s < order; ++s) {
                const Dsp::SectionCoefficients& c = f.Section(s);
                EXPECT_LT(std::fabs(c.a2), 1.0) << rate << " Hz, order " << order;
                EXPECT_LT(std::fabs(c.a1), 1.0 + c.a2) << rate << " Hz, order " << order;
            }
            std::vector<double> left(48000), right(48000);
            uint32_t noise = 1;
            for (size_t i = 0; i < left.size(); ++i) {
                noise = noise * 1664525u + 1013904223u;
                left[i] = right[i] = static_cast<int32_t>(noise) / 2147483648.0;
            }
            double* ch[2] = {left.data(), right.data()};
            f.Process(int(left.size()), ch);
            double peak = 0.0;
            for (double v : left) peak = std::isfinite(v) ? std::max(peak, std::fabs(v)) : HUGE_VAL;
            EXPECT_LT(peak, 10.0) << rate << " Hz, order " << order;
        }
    }
}

TEST(ButterworthBandPass, ParameterSlots)
{
    const Dsp::ButterworthBandPass f = MakeFilter(44100.0, 1000.0, 400.0, 1);
    EXPECT_EQ(f.Kind(), 1);
    EXPECT_STREQ(f.Name(), "Butterworth Band Pass");
    EXPECT_EQ(f.ParamCount(), 4);
    EXPECT_EQ(f.ChannelCount(), 2);
    struct Case {
        int slot, id;
        const char* shortName;
        const char* name;
        double min, max, def;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "Fs", "Sample Rate", 11025, 192000, 44100, 48000.7, "48000 Hz"},
        {1, 7, "Order", "Order", 1, 2, 2, 2.0, "2"},
        {2, 1, "Fc", "Center Frequency", 10, 22040, 2000, 999.99, "999 Hz"},
        {3, 4, "BW", "Bandwidth (Hz)", 10, 22040, 1720, 400.0, "400 Hz"},
    };
    for (const Case& c : cases) {
        const Dsp::ParamSlotInfo info = f.ParamSlotInfo(c.slot);
        EXPECT_TRUE(info.valid);
        EXPECT_EQ(info.id, c.id);
        EXPECT_STREQ(info.shortName, c.shortName);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_EQ(info.minValue, c.min);
        EXPECT_EQ(info.maxValue, c.max);
        EXPECT_EQ(info.defaultValue, c.def);
        char text[32];
        info.ToText(c.value, text, sizeof text);
        EXPECT_STREQ(text, c.text);
        EXPECT_NEAR(info.ToControl(c.min), 0.0, 1e-12);
        EXPECT_NEAR(info.ToControl(c.max), 1.0, 1e-12);
    }
    // Logarithmic base 1.5: the geometric middle of 10 and 22040 sits at 0.5.
    const Dsp::ParamSlotInfo centre = f.ParamSlotInfo(2);
    EXPECT_NEAR(centre.ToControl(std::sqrt(10.0 * 22040.0)), 0.5, 1e-12);
    EXPECT_NEAR(centre.FromControl(0.5), std::sqrt(10.0 * 22040.0), 1e-9);
    EXPECT_EQ(f.ParamSlotInfo(1).FromControl(0.49), 1.0);
    EXPECT_EQ(f.ParamSlotInfo(1).FromControl(0.5), 2.0);
    for (int bad : {-1, 4, 8, 1000}) {
        EXPECT_FALSE(f.ParamSlotInfo(bad).valid) << bad;
    }
}

TEST(ButterworthBandPass, ProcessingFollowsTheResponseAndRecoversFromOverflow)
{
    const double fs = 44100.0;
    Dsp::ButterworthBandPass f = MakeFilter(fs, 1000.0, 400.0, 2);
    // Silence gives the alternating offset through the cascade, not exact zeros.
    std::vector<double> left(4, 0.0), right(4, 0.0);
    double* ch[2] = {left.data(), right.data()};
    f.Process(4, ch);
    EXPECT_NEAR(left[0], -1e-8 * f.Section(0).b0, 1e-25);
    EXPECT_NE(left[1], 0.0);
    EXPECT_EQ(left, right);

    // A sine at 2 kHz settles at the response magnitude there.
    Dsp::ButterworthBandPass g = MakeFilter(fs, 1000.0, 400.0, 2);
    const double freq = 2000.0;
    const int frames = 44100;
    std::vector<double> sine(static_cast<size_t>(frames), 0.0), copy;
    for (int i = 0; i < frames; ++i) {
        sine[size_t(i)] = std::sin(2.0 * kPi * freq * i / fs);
    }
    copy = sine;
    double* sc[2] = {sine.data(), copy.data()};
    g.Process(frames, sc);
    double peak = 0.0;
    for (int i = frames / 2; i < frames; ++i) {
        peak = std::max(peak, std::fabs(sine[size_t(i)]));
    }
    EXPECT_NEAR(peak, std::abs(g.Response(freq / fs)), 1e-3);

    // Overflowing values or NaN leave the state non-finite; the next block is clean.
    std::vector<double> bad = {1e308, -1e308, std::numeric_limits<double>::quiet_NaN(), 1e308};
    std::vector<double> bad2 = bad;
    double* bc[2] = {bad.data(), bad2.data()};
    g.Process(4, bc);
    std::vector<double> after(256, 0.5), after2(256, 0.5);
    double* ac[2] = {after.data(), after2.data()};
    g.Process(256, ac);
    for (double v : after) {
        ASSERT_TRUE(std::isfinite(v));
    }
}

}  // namespace
