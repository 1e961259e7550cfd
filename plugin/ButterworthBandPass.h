// Butterworth band-pass of order 1 or 2: analog prototype, band transform with the
// bilinear transform, and a cascade of direct-form-II sections for two channels.
#pragma once

#include "DspFilter.h"

namespace Dsp {

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
    // One section on both channels at once: the two recursions overlap in time.
    void ProcessPairOneSection(double* left, double* right, int frames);
    static void RestartIfNonFinite(ChannelState& state);

    ChannelState states[kChannels];
};

}  // namespace Dsp
