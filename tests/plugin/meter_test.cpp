// The meters' measurements and readings against closed forms: correlation, peak hold
// and fall, RMS, vectorscope geometry and gain, block size and rate independence, and
// the ring between the audio thread and the editor.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "MeterReadings.h"
#include "MeterRing.h"
#include "MeterSums.h"
#include "MeterTap.h"

namespace {

const double kPi = 3.14159265358979323846;

// A stereo signal as a function of the frame index.
using Signal = std::function<void(int64_t frame, double& left, double& right)>;

// Feeds a tap listening at rate in blocks of blockFrames and hands every finished
// slice to the readings, as the editor's timer would.
struct MeterRig {
    MeterTap tap;
    MeterReadings readings{129, 129};
    double rate;
    int blockFrames;
    int64_t frame = 0;

    MeterRig(double sampleRate, int block) : rate(sampleRate), blockFrames(block)
    {
        tap.Reset(rate, block);
        readings.Restart(tap.Ring());
        tap.SetListening(true);
    }

    // Runs seconds of signal; the output is the input times outputGain.
    void Run(double seconds, const Signal& signal, double outputGain = 1.0)
    {
        const int64_t end = frame + int64_t(std::llround(seconds * rate));
        const size_t n = size_t(blockFrames);
        std::vector<double> inL(n), inR(n), outL(n), outR(n);
        while (frame < end) {
            const int count = int(std::min<int64_t>(blockFrames, end - frame));
            for (int i = 0; i < count; ++i) {
                signal(frame + i, inL[size_t(i)], inR[size_t(i)]);
                outL[size_t(i)] = inL[size_t(i)] * outputGain;
                outR[size_t(i)] = inR[size_t(i)] * outputGain;
            }
            const double* in[2] = {inL.data(), inR.data()};
            const double* out[2] = {outL.data(), outR.data()};
            tap.KeepInput(in, count);
            tap.MeasureOutput(out, count);
            frame += count;
            readings.Consume(tap.Ring());
        }
    }
    const MeterReadings::Level& Out(int side) const
    {
        return readings.LevelOf(side == 0 ? MeterReadings::kOutputLeft : MeterReadings::kOutputRight);
    }
};

Signal Sine(double rate, double frequency, double amplitudeL, double amplitudeR)
{
    return [=](int64_t n, double& l, double& r) {
        const double s = std::sin(2.0 * kPi * frequency * double(n) / rate);
        l = amplitudeL * s;
        r = amplitudeR * s;
    };
}

// Two independent uniform noises in [-a, a] from a fixed generator.
Signal Noise(double amplitudeL, double amplitudeR)
{
    auto state = std::make_shared<uint64_t>(0x2545F4914F6CDD1Dull);
    auto next = [state] {
        *state = *state * 6364136223846793005ull + 1442695040888963407ull;
        return double(*state >> 11) / double(1ull << 53) * 2.0 - 1.0;
    };
    return [=](int64_t, double& l, double& r) {
        l = amplitudeL * next();
        r = amplitudeR * next();
    };
}

Signal Silence()
{
    return [](int64_t, double& l, double& r) { l = r = 0.0; };
}

}  // namespace

TEST(Meters, CorrelationOfKnownSignals)
{
    // Independent noise: over 100 ms at 48 kHz (4800 pairs) the estimate's standard
    // deviation is 1 / sqrt(4800) = 0.0144; the tolerance is four of them.
    const double rate = 48000.0;
    struct Case {
        const char* name;
        Signal signal;
        bool hasSignal;
        double expected, tolerance;
    } cases[] = {
        {"same sine", Sine(rate, 997.0, 0.5, 0.5), true, 1.0, 1e-6},
        {"inverted right", Sine(rate, 997.0, 0.5, -0.5), true, -1.0, 1e-6},
        {"same sine, unequal levels", Sine(rate, 440.0, 0.9, 0.1), true, 1.0, 1e-6},
        {"independent noise", Noise(0.5, 0.5), true, 0.0, 0.058},
        {"left only", Sine(rate, 997.0, 0.5, 0.0), true, 0.0, 0.0},
        {"silence", Silence(), false, 0.0, 0.0},
        {"noise at -100 dBFS", Noise(1e-5, 1e-5), false, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        MeterRig rig(rate, 512);
        rig.Run(0.5, c.signal);
        EXPECT_EQ(rig.readings.HasCorrelation(), c.hasSignal) << c.name;
        EXPECT_NEAR(rig.readings.Correlation(), c.expected, c.tolerance) << c.name;
    }

    // The window is about 100 ms: 60 ms after a change from in phase to out of phase
    // the sums still lean positive, 110 ms after they are all out of phase.
    MeterRig rig(rate, 256);
    rig.Run(0.3, Sine(rate, 1000.0, 0.5, 0.5));
    rig.Run(0.04, Sine(rate, 1000.0, 0.5, -0.5));
    EXPECT_GT(rig.readings.Correlation(), 0.1);
    rig.Run(0.07, Sine(rate, 1000.0, 0.5, -0.5));
    EXPECT_NEAR(rig.readings.Correlation(), -1.0, 1e-6);
}

TEST(Meters, PeakHoldsThenFallsInTimeAtEveryRate)
{
    // A 0.1 s burst at amplitude 0.5 (-6.02 dBFS) then silence: the peak stays for
    // 1.5 s after the burst, then falls 20 dB per second. Slices are 5 ms, so the
    // fall's start is known to 5 ms: 0.1 dB.
    const double burstDb = 20.0 * std::log10(0.5);
    for (double rate : {44100.0, 96000.0}) {
        MeterRig rig(rate, 480);
        rig.Run(0.1, Sine(rate, 1000.0, 0.5, 0.5));
        const double reached = rig.Out(0).peakDb;
        EXPECT_NEAR(reached, burstDb, 0.01) << rate;
        rig.Run(1.0, Silence());
        EXPECT_EQ(rig.Out(0).peakDb, reached) << rate;  // held
        rig.Run(0.9, Silence());                                // 1.9 s after: 0.4 s of fall
        EXPECT_NEAR(rig.Out(1).peakDb, burstDb - 8.0, 0.11) << rate;
        rig.Run(1.0, Silence());  // 1.4 s of fall
        EXPECT_NEAR(rig.Out(0).peakDb, burstDb - 28.0, 0.11) << rate;
        // A louder sample jumps up at once.
        rig.Run(0.01, Sine(rate, 1000.0, 0.9, 0.9));
        EXPECT_NEAR(rig.Out(0).peakDb, 20.0 * std::log10(0.9), 0.01) << rate;
    }
}

TEST(Meters, RmsOfASineIsThreeDecibelsBelowItsPeak)
{
    // 1 kHz fits the 300 ms window a whole number of times at every rate.
    for (double rate : {44100.0, 48000.0, 192000.0}) {
        MeterRig rig(rate, 1024);
        rig.Run(1.0, Sine(rate, 1000.0, 0.5, 0.25));
        const double peakL = 20.0 * std::log10(0.5), peakR = 20.0 * std::log10(0.25);
        const double sqrtHalf = 10.0 * std::log10(0.5);  // -3.0103 dB
        EXPECT_NEAR(rig.Out(0).rmsDb, peakL + sqrtHalf, 0.01) << rate;
        EXPECT_NEAR(rig.Out(1).rmsDb, peakR + sqrtHalf, 0.01) << rate;
        EXPECT_NEAR(rig.Out(0).peakDb, peakL, 0.01) << rate;
        // The input is measured as it came in: here the output is the input x 0.1 (-20 dB).
        MeterRig gained(rate, 1024);
        gained.Run(1.0, Sine(rate, 1000.0, 0.5, 0.5), 0.1);
        EXPECT_NEAR(gained.readings.LevelOf(MeterReadings::kInputLeft).rmsDb, peakL + sqrtHalf, 0.01);
        EXPECT_NEAR(gained.Out(0).rmsDb, peakL + sqrtHalf - 20.0, 0.01);
    }
}

TEST(Meters, UnusualRatesGiveTheSameReadings)
{
    // At 13 kHz every sample is a scope point and a 5 ms slice (65 frames) has more than
    // a slice holds; at 1 kHz a slice is 5 frames; 768 kHz takes every 80th sample.
    for (double rate : {1000.0, 13000.0, 768000.0}) {
        MeterRig rig(rate, 333);
        rig.Run(0.6, Sine(rate, 100.0, 0.5, 0.5));
        EXPECT_NEAR(rig.Out(0).rmsDb, 20.0 * std::log10(0.5) - 3.0103, 0.02) << rate;
        EXPECT_NEAR(rig.readings.Correlation(), 1.0, 1e-6) << rate;
        // Twelve more blocks (more than a slice at every rate here), straight into the ring.
        std::vector<double> x(333, 0.25);
        const double* channels[2] = {x.data(), x.data()};
        for (int block = 0; block < 12; ++block) {
            rig.tap.KeepInput(channels, 333);
            rig.tap.MeasureOutput(channels, 333);
        }
        MeterSlice slice;
        uint64_t dropped = 0;
        ASSERT_TRUE(rig.tap.Ring().Pop(slice, dropped)) << rate;
        EXPECT_LE(slice.points, MeterSlice::kMaxPoints) << rate;
        EXPECT_GT(slice.points, 0) << rate;
    }
}

TEST(Meters, ReadingsDoNotDependOnTheBlockSize)
{
    const double rate = 48000.0;
    // A sine that changes level and phase, then silence, so that every reading moves.
    Signal signal = [rate](int64_t n, double& l, double& r) {
        const double t = double(n) / rate;
        const double a = t < 0.4 ? 0.8 : (t < 0.8 ? 0.1 : 0.0);
        l = a * std::sin(2.0 * kPi * 523.0 * t);
        r = a * std::sin(2.0 * kPi * 523.0 * t + (t < 0.6 ? 0.3 : 2.5));
    };
    MeterRig reference(rate, 4096);
    reference.Run(2.0, signal);
    for (int block : {32, 100, 1000, 4096}) {
        MeterRig rig(rate, block);
        rig.Run(2.0, signal);
        for (int c = 0; c < MeterReadings::kChannels; ++c) {
            const auto& a = rig.readings.LevelOf(MeterReadings::Channel(c));
            const auto& b = reference.readings.LevelOf(MeterReadings::Channel(c));
            EXPECT_NEAR(a.peakDb, b.peakDb, 1e-6) << block;
            EXPECT_NEAR(a.rmsDb, b.rmsDb, 1e-6) << block;
        }
        EXPECT_NEAR(rig.readings.Correlation(), reference.readings.Correlation(), 1e-6) << block;
        EXPECT_NEAR(rig.readings.ScopeGainDb(), reference.readings.ScopeGainDb(), 1e-6) << block;
    }
}

TEST(Meters, ClipLampsLatchAboveFullScaleUntilCleared)
{
    const double rate = 44100.0;
    MeterRig rig(rate, 256);
    rig.Run(0.1, Sine(rate, 500.0, 1.0, 0.5));  // reaches exactly 1.0 at most: no clip
    EXPECT_FALSE(rig.Out(0).clipped);
    Signal over = [](int64_t n, double& l, double& r) {
        l = 0.2;
        r = n % 1000 == 7 ? -1.0001 : 0.2;
    };
    rig.Run(0.1, over);
    EXPECT_FALSE(rig.Out(0).clipped);
    EXPECT_TRUE(rig.Out(1).clipped);
    EXPECT_TRUE(rig.readings.LevelOf(MeterReadings::kInputRight).clipped);
    rig.Run(3.0, Silence());
    EXPECT_TRUE(rig.Out(1).clipped);  // long after the peak has fallen
    rig.readings.ClearClip(MeterReadings::kOutputRight);
    EXPECT_FALSE(rig.Out(1).clipped);
    EXPECT_TRUE(rig.readings.LevelOf(MeterReadings::kInputRight).clipped);
}

TEST(Meters, ScopePointsOfMonoAndOutOfPhaseSignalsLieOnTheAxes)
{
    // A 129 x 129 grid has its centre at cell 64.
    const double rate = 48000.0;
    struct Case {
        const char* name;
        Signal signal;
        int column, row;  // -1: any
    } cases[] = {
        {"mono", Sine(rate, 331.0, 0.8, 0.8), 64, -1},
        {"out of phase", Sine(rate, 331.0, 0.8, -0.8), -1, 64},
    };
    for (const Case& c : cases) {
        MeterRig rig(rate, 512);
        rig.Run(0.2, c.signal);
        const ScopeTrace& scope = rig.readings.Scope();
        int lit = 0, offAxis = 0, lowest = 129, highest = -1;
        for (int y = 0; y < scope.Height(); ++y) {
            for (int x = 0; x < scope.Width(); ++x) {
                if (scope.At(x, y) <= 0.0f) continue;
                ++lit;
                if ((c.column >= 0 && x != c.column) || (c.row >= 0 && y != c.row)) ++offAxis;
                const int along = c.column >= 0 ? y : x;
                lowest = std::min(lowest, along);
                highest = std::max(highest, along);
            }
        }
        EXPECT_GT(lit, 50) << c.name;
        EXPECT_EQ(offAxis, 0) << c.name;
        // At 0.8 the automatic gain stays at 0 dB: the loudest points are 0.8 x 64 = 51 cells out.
        EXPECT_NEAR(highest - 64, 51, 2) << c.name;
        EXPECT_NEAR(64 - lowest, 51, 2) << c.name;
    }

    // Left only leans up and to the left, right only up and to the right, at 45 degrees.
    ScopeTrace scope(129, 129);
    int x = 0, y = 0;
    ASSERT_TRUE(scope.Position(1.0, 0.0, 1.0, x, y));
    EXPECT_EQ(x, 32);
    EXPECT_EQ(y, 32);
    ASSERT_TRUE(scope.Position(0.0, 1.0, 1.0, x, y));
    EXPECT_EQ(x, 96);
    EXPECT_EQ(y, 32);
    EXPECT_FALSE(scope.Position(1.0, 1.0, 1.1, x, y));  // beyond the edge
    EXPECT_FALSE(scope.Position(std::nan(""), 0.0, 1.0, x, y));
}

TEST(Meters, ScopeGainFallsAtOnceAndRisesSixDecibelsPerSecond)
{
    const double rate = 48000.0;
    MeterRig rig(rate, 512);
    // Mono at 0.8: mid reaches 0.8, the picture's target: 0 dB.
    rig.Run(0.5, Sine(rate, 1000.0, 0.8, 0.8));
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 0.0, 0.05);
    // 20 dB quieter: the gain rises 6 dB per second up to 20 dB.
    rig.Run(1.0, Sine(rate, 1000.0, 0.08, 0.08));
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 6.0, 0.1);
    rig.Run(2.0, Sine(rate, 1000.0, 0.08, 0.08));
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 18.0, 0.1);
    rig.Run(2.0, Sine(rate, 1000.0, 0.08, 0.08));
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 20.0, 0.1);
    // Loud again: back to 0 dB within one slice.
    rig.Run(0.01, Sine(rate, 1000.0, 0.8, 0.8));
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 0.0, 0.1);
    // Silence rises to the limit, 40 dB, and no further.
    rig.Run(10.0, Silence());
    EXPECT_NEAR(rig.readings.ScopeGainDb(), 40.0, 1e-9);
}

TEST(Meters, NothingIsMeasuredWhileNobodyListens)
{
    const double rate = 48000.0;
    MeterRig rig(rate, 512);
    rig.tap.SetListening(false);
    rig.Run(0.5, Sine(rate, 1000.0, 0.5, 0.5));
    MeterSlice slice;
    uint64_t dropped = 0;
    EXPECT_FALSE(rig.tap.Ring().Pop(slice, dropped));
    // Opened again: the readings are right from the first slice on, RMS included.
    rig.readings.Restart(rig.tap.Ring());
    rig.tap.SetListening(true);
    rig.Run(0.01, Sine(rate, 1000.0, 0.5, 0.5));
    EXPECT_NEAR(rig.Out(0).rmsDb, 20.0 * std::log10(0.5) - 3.0103, 0.01);
}

// A tap nobody has listened to (an instance whose editor never opened) holds no ring
// and measures nothing; the first listener allocates it and readings start at once.
TEST(Meters, TheRingExistsOnlyOnceSomebodyListens)
{
    const double rate = 48000.0;
    MeterTap tap;
    tap.Reset(rate, 256);
    std::vector<double> left(256, 0.5), right(256, -0.5);
    const double* block[2] = {left.data(), right.data()};
    for (int i = 0; i < 20; ++i) {
        tap.KeepInput(block, 256);
        tap.MeasureOutput(block, 256);
    }
    EXPECT_FALSE(tap.Ring().Allocated());
    MeterReadings readings(129, 129);
    EXPECT_FALSE(readings.Consume(tap.Ring()));
    EXPECT_EQ(readings.Scope().At(64, 64), 0.0f);

    readings.Restart(tap.Ring());
    tap.SetListening(true);
    EXPECT_TRUE(tap.Ring().Allocated());
    for (int i = 0; i < 20; ++i) {
        tap.KeepInput(block, 256);
        tap.MeasureOutput(block, 256);
    }
    ASSERT_TRUE(readings.Consume(tap.Ring()));
    EXPECT_TRUE(readings.HasCorrelation());
    EXPECT_NEAR(readings.Correlation(), -1.0, 1e-6);
}

TEST(MeterRing, ReaderBehindLosesTheOldestSlices)
{
    MeterRing ring;
    ring.Allocate();
    MeterSlice slice;
    const int pushed = MeterRing::kSlots + 44;
    for (int i = 0; i < pushed; ++i) {
        slice.frames = i;
        ring.Push(slice);
    }
    uint64_t dropped = 0;
    MeterSlice out;
    ASSERT_TRUE(ring.Pop(out, dropped));
    EXPECT_EQ(out.frames, 44);
    EXPECT_EQ(dropped, 44u);
    int last = out.frames;
    while (ring.Pop(out, dropped)) {
        EXPECT_EQ(out.frames, last + 1);
        last = out.frames;
    }
    EXPECT_EQ(last, pushed - 1);
}

TEST(MeterRing, ConcurrentReaderNeverSeesATornSlice)
{
    // The writer fills every field of slice i with i; whatever the reader gets must be
    // whole, in order, and what it misses is counted as dropped.
    MeterRing ring;
    ring.Allocate();
    const int count = 200000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        MeterSlice slice;
        slice.points = MeterSlice::kMaxPoints;
        for (int i = 1; i <= count; ++i) {
            const float v = float(i);
            slice.frames = i;
            slice.sampleRate = v;
            slice.inputPeak[0] = slice.inputPeak[1] = slice.outputPeak[0] = slice.outputPeak[1] = v;
            slice.outputProduct = v;
            for (int k = 0; k < MeterSlice::kMaxPoints; ++k) slice.pointLeft[k] = slice.pointRight[k] = v;
            ring.Push(slice);
        }
        done.store(true);
    });
    uint64_t dropped = 0;
    int64_t received = 0;
    int last = 0, torn = 0;
    MeterSlice out;
    for (;;) {
        const bool finished = done.load();
        while (ring.Pop(out, dropped)) {
            ++received;
            const float v = float(out.frames);
            bool whole = out.sampleRate == v && out.inputPeak[1] == v && out.outputProduct == v &&
                         out.points == MeterSlice::kMaxPoints;
            for (int k = 0; k < out.points; ++k) whole = whole && out.pointLeft[k] == v && out.pointRight[k] == v;
            if (!whole) ++torn;
            EXPECT_GT(out.frames, last);
            last = out.frames;
        }
        if (finished) break;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(last, count);
    EXPECT_EQ(uint64_t(received) + dropped, uint64_t(count));
}

TEST(MeterSums, WideKernelAddsExactlyAsThePortableOne)
{
    const MeterSums::Kernel wide = MeterSums::Wide();
    if (wide == nullptr) {
        GTEST_SKIP() << "this processor has no wide kernel";
    }
    // Lengths around the four-frame step, and samples with NaN, infinity, zero and
    // huge and tiny magnitudes, so that any change of order or lane shows in the bits.
    std::vector<double> left(1031), right(1031);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < left.size(); ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const double u = double(state >> 11) / double(1ull << 53) - 0.5;
        left[i] = u * std::pow(10.0, double(int(i % 13) - 6));
        right[i] = -0.37 * u + 1e-3 * double(i % 7);
    }
    left[17] = std::nan("");
    right[40] = std::numeric_limits<double>::infinity();
    left[99] = 0.0;
    for (int offset : {0, 1, 3}) {
        for (int frames : {0, 1, 3, 4, 5, 7, 8, 63, 240, 1024}) {
            for (bool withProduct : {false, true}) {
                const double* l = left.data() + offset;
                const double* r = right.data() + offset;
                const MeterSums::Stereo a = MeterSums::Portable(l, r, frames, withProduct);
                const MeterSums::Stereo b = wide(l, r, frames, withProduct);
                for (int c = 0; c < 2; ++c) {
                    EXPECT_EQ(std::memcmp(&a.largestSquare[c], &b.largestSquare[c], sizeof(double)), 0)
                        << offset << "+" << frames << " channel " << c;
                    EXPECT_EQ(std::memcmp(&a.squares[c], &b.squares[c], sizeof(double)), 0)
                        << offset << "+" << frames << " channel " << c;
                }
                EXPECT_EQ(std::memcmp(&a.product, &b.product, sizeof(double)), 0) << offset << "+" << frames;
            }
        }
    }
}
