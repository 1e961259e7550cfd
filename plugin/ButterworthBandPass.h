// Butterworth band-pass of order 1 or 2: analog prototype, band transform with the
// bilinear transform, and a cascade of direct-form-II sections for two channels.
#pragma once

#include "DspFilter.h"

namespace Dsp {

// Two doubles in one register: the left and right channel of one frame, processed by
// the same packed instructions, each lane rounded exactly as a lone double would be.
using StereoPair = double __attribute__((vector_size(16)));

// Coefficients of one second-order section, a0 first as the design stores them.
struct SectionCoefficients {
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double b0 = 1.0;
};

// Roots of a design stage with the frequency and gain at which it is normalised.
template <int Capacity>
struct RootLayout {
    RootPair pairs[Capacity];
    int count = 0;
    double normalFrequency = 0.0;
    double normalGain = 1.0;

    void Add(const RootPair& pair)
    {
        if (count < Capacity) {
            pairs[count++] = pair;
        }
    }
    int PoleCount() const
    {
        int poles = 0;
        for (int i = 0; i < count; ++i) {
            poles += pairs[i].IsSingle() ? 1 : 2;
        }
        return poles;
    }
};

class ButterworthBandPassDesign : public Filter {
public:
    static constexpr int kMaxOrder = 2;
    static constexpr int kMaxSections = kMaxOrder;

    ButterworthBandPassDesign();

    int Kind() const override { return 1; }
    const char* Name() const override { return "Butterworth Band Pass"; }
    int ParamCount() const override { return 4; }
    Dsp::ParamSlotInfo ParamSlotInfo(int slot) const override;
    PoleZeroList PoleZeros() const override;
    Complex Response(double normalizedFrequency) const override;
    // Invalid parameter sets (non-finite or non-positive rate, a band that yields
    // non-finite coefficients) keep the previous design.
    void Design(const double* params) override;

    int SectionCount() const { return sectionCount; }
    const SectionCoefficients& Section(int index) const { return sections[index < 0 ? 0 : index % kMaxSections]; }
    double NormalFrequency() const { return digital.normalFrequency; }

protected:
    SectionCoefficients sections[kMaxSections];
    int sectionCount = 0;

private:
    void BuildPrototype(int order);

    RootLayout<1> prototype;  // at most 2 poles
    RootLayout<2> digital;    // at most 4 poles
    int prototypeOrder = -1;
};

class ButterworthBandPass : public ButterworthBandPassDesign {
public:
    static constexpr int kChannels = 2;

    // A one-section design on both channels at once, for loops that run the filter
    // among other per-sample work: taken from the filter, stepped, and put back.
    struct PairSection {
        StereoPair a1, a2, b0, b1, b2;
        StereoPair w1, w2, offset;

        // The newest state's term goes last, so the recursion waits on one multiply
        // and one subtraction per sample.
        StereoPair Step(StereoPair x)
        {
            offset = -offset;
            const StereoPair w = (x + offset - a2 * w2) - a1 * w1;
            const StereoPair y = b0 * w + b1 * w1 + b2 * w2;
            w2 = w1;
            w1 = w;
            return y;
        }
    };
    // False unless the design has exactly one section.
    bool TakePairSection(PairSection& pair) const;
    // Stores the state back; a channel that has become non-finite restarts from silence.
    void PutPairSection(const PairSection& pair);

    int ChannelCount() const override { return kChannels; }
    void Reset() override;
    // A channel whose section state has become non-finite (overflow) restarts from
    // silence at the end of the block, so it never keeps producing NaN.
    void Process(int frames, double* const* channels) override;
    void Process(int frames, float* const* channels) override;

private:
    struct ChannelState {
        double denormalOffset = 1e-8;
        double w1[kMaxSections] = {};
        double w2[kMaxSections] = {};
    };

    template <typename Sample>
    void ProcessChannel(ChannelState& state, Sample* samples, int frames);
    // One section on both channels at once, in one register.
    static void ProcessPairOneSection(PairSection& pair, double* left, double* right, int frames);
    static void RestartIfNonFinite(ChannelState& state);

    ChannelState states[kChannels];
};

}  // namespace Dsp
