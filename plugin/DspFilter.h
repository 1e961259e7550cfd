// Filter interface of the band-pass design code: a parameter store addressed by
// parameter id, slot descriptions, pole/zero and response queries, in-place processing.
#pragma once

#include <complex>

namespace Dsp {

using Complex = std::complex<double>;

// Parameter identifiers of the filter library.
enum ParamId {
    kParamSampleRate = 0,
    kParamFrequency = 1,
    kParamBandwidthHz = 4,
    kParamOrder = 7,
};

// Two poles and two zeros; a NaN second pole and zero mark a single real root.
struct RootPair {
    Complex poles[2];
    Complex zeros[2];
    bool IsSingle() const { return std::isnan(poles[1].real()); }
};

// Fixed-capacity copy of a design's roots.
struct PoleZeroList {
    static constexpr int kCapacity = 2;
    RootPair pairs[kCapacity];
    int count = 0;
};

// Description of one parameter slot. An invalid result answers a slot outside the design.
struct ParamSlotInfo {
    enum class Scale { Linear, LinearInteger, Logarithmic };
    enum class Unit { None, Hertz };

    bool valid = false;
    int id = -1;
    const char* shortName = "";
    const char* name = "";
    double minValue = 0.0;
    double maxValue = 0.0;
    double defaultValue = 0.0;
    Scale scale = Scale::Linear;
    Unit unit = Unit::None;

    // Position 0..1 of a value on the slot's control scale, and back.
    double ToControl(double value) const;
    double FromControl(double control) const;
    // The value as an integer, followed by " Hz" for frequencies; cut to size bytes.
    void ToText(double value, char* text, int size) const;
};

class Filter {
public:
    static constexpr int kParamSlots = 8;

    virtual ~Filter() = default;

    virtual int Kind() const = 0;
    virtual const char* Name() const = 0;
    virtual int ParamCount() const = 0;
    virtual Dsp::ParamSlotInfo ParamSlotInfo(int slot) const = 0;
    virtual PoleZeroList PoleZeros() const = 0;
    // Complex response at a normalized frequency (cycles per sample).
    virtual Complex Response(double normalizedFrequency) const = 0;
    virtual int ChannelCount() const = 0;
    virtual void Reset() = 0;
    virtual void Process(int frames, double* const* channels) = 0;
    virtual void Process(int frames, float* const* channels) = 0;
    virtual void Design(const double* params) = 0;

    // Stores value in the slot carrying id and re-designs; an unknown id changes nothing.
    void SetParam(int id, double value);
    double Param(int slot) const { return slot >= 0 && slot < kParamSlots ? params[slot] : 0.0; }

protected:
    double params[kParamSlots] = {};
};

}  // namespace Dsp
