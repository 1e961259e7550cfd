// Design and direct-form-II processing of the Butterworth band-pass.
#include "ButterworthBandPass.h"

#include <cmath>
#include <limits>

namespace Dsp {

namespace {

const double kPi = 3.14159265358979323846;
const double kInfinity = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Low-pass prototype root to band-pass digital roots.
struct BandTransform {
    double a2 = 0.0;
    double b = 0.0;
    double b2 = 0.0;
    double ab2 = 0.0;

    void Transform(Complex c, Complex& first, Complex& second) const
    {
        if (c.real() == kInfinity) {
            first = Complex(-1.0, 0.0);
            second = Complex(1.0, 0.0);
            return;
        }
        c = (1.0 + c) / (1.0 - c);
        const double k = b2 * (a2 - 1.0);
        const Complex v = std::sqrt((4.0 * (k + 1.0) * c + 8.0 * (k - 1.0)) * c + 4.0 * (k + 1.0));
        const Complex d = 2.0 * (b - 1.0) * c + 2.0 * (1.0 + b);
        first = (ab2 * c + ab2 - v) / d;
        second = (ab2 * c + ab2 + v) / d;
    }
};

// a1, a2 of a section from two roots: a conjugate pair or two real roots.
void SectionTerms(const Complex& r1, const Complex& r2, double& c1, double& c2)
{
    if (r1.imag() != 0.0) {
        c1 = -2.0 * r1.real();
        c2 = std::norm(r1);
    } else {
        c1 = -(r1.real() + r2.real());
        c2 = r1.real() * r2.real();
    }
}

Complex SectionsResponse(const SectionCoefficients* sections, int count, double normalizedFrequency)
{
    const double w = 2.0 * kPi * normalizedFrequency;
    const Complex z1 = std::polar(1.0, -w);
    const Complex z2 = std::polar(1.0, -2.0 * w);
    Complex h(1.0, 0.0);
    for (int i = 0; i < count; ++i) {
        const SectionCoefficients& s = sections[i];
        h *= (s.b0 + s.b1 * z1 + s.b2 * z2) / (s.a0 + s.a1 * z1 + s.a2 * z2);
    }
    return h;
}

}  // namespace

ButterworthBandPassDesign::ButterworthBandPassDesign()
{
    // The slot defaults; the owner sets its own values right after construction.
    params[0] = 44100.0;
    params[1] = 2.0;
    params[2] = 2000.0;
    params[3] = 1720.0;
}

Dsp::ParamSlotInfo ButterworthBandPassDesign::ParamSlotInfo(int slot) const
{
    using Info = Dsp::ParamSlotInfo;
    Info info;
    switch (slot) {
    case 0:
        info = {true, kParamSampleRate, "Fs", "Sample Rate", 11025.0, 192000.0, 44100.0, Info::Scale::Linear,
                Info::Unit::Hertz};
        break;
    case 1:
        info = {true, kParamOrder, "Order", "Order", 1.0, 2.0, 2.0, Info::Scale::LinearInteger, Info::Unit::None};
        break;
    case 2:
        info = {true, kParamFrequency, "Fc", "Center Frequency", 10.0, 22040.0, 2000.0, Info::Scale::Logarithmic,
                Info::Unit::Hertz};
        break;
    case 3:
        info = {true, kParamBandwidthHz, "BW", "Bandwidth (Hz)", 10.0, 22040.0, 1720.0, Info::Scale::Logarithmic,
                Info::Unit::Hertz};
        break;
    default:
        break;  // invalid
    }
    return info;
}

PoleZeroList ButterworthBandPassDesign::PoleZeros() const
{
    PoleZeroList list;
    for (int i = 0; i < digital.count; ++i) {
        list.pairs[list.count++] = digital.pairs[i];
    }
    return list;
}

Complex ButterworthBandPassDesign::Response(double normalizedFrequency) const
{
    return SectionsResponse(sections, sectionCount, normalizedFrequency);
}

void ButterworthBandPassDesign::BuildPrototype(int order)
{
    prototypeOrder = order;
    prototype.count = 0;
    const Complex infinity(kInfinity, 0.0);
    for (int k = 0; k < order / 2; ++k) {
        const double theta = (2 * k + 1) * kPi / (2.0 * order) + kPi / 2.0;
        const Complex pole = std::polar(1.0, theta);
        prototype.Add({{pole, std::conj(pole)}, {infinity, infinity}});
    }
    if (order % 2 == 1) {
        prototype.Add({{Complex(-1.0, 0.0), Complex(kNaN, kNaN)}, {infinity, Complex(kNaN, kNaN)}});
    }
}

void ButterworthBandPassDesign::Design(const double* p)
{
    const double fs = p[0];
    const double order = p[1];
    const double fc = p[2];
    const double bw = p[3];
    if (!(fs > 0.0) || !std::isfinite(fs) || !std::isfinite(order) || !std::isfinite(fc) || !std::isfinite(bw)) {
        return;
    }
    const int n = order < 1.0 ? 1 : order > kMaxOrder ? kMaxOrder : int(order);
    if (n != prototypeOrder) {
        BuildPrototype(n);
    }

    const double ww = 2.0 * kPi * (bw / fs);
    double wLow = 2.0 * kPi * (fc / fs) - ww / 2.0;
    double wHigh = wLow + ww;
    if (wLow < 1e-8) {
        wLow = 1e-8;
    }
    if (wHigh > kPi - 1e-8) {
        wHigh = kPi - 1e-8;
    }
    // A band above the Nyquist frequency, or below what the clamps allow, has no design.
    if (!(wHigh > wLow)) {
        return;
    }
    const double a = std::cos((wHigh + wLow) / 2.0) / std::cos((wHigh - wLow) / 2.0);
    BandTransform transform;
    transform.b = 1.0 / std::tan((wHigh - wLow) / 2.0);
    transform.a2 = a * a;
    transform.b2 = transform.b * transform.b;
    transform.ab2 = 2.0 * a * transform.b;

    RootLayout<2> layout;
    for (int i = 0; i < prototype.count; ++i) {
        const RootPair& entry = prototype.pairs[i];
        Complex p1, p2, z1, z2;
        transform.Transform(entry.poles[0], p1, p2);
        transform.Transform(entry.zeros[0], z1, z2);
        if (entry.IsSingle()) {
            layout.Add({{p1, p2}, {z1, z2}});
        } else {
            layout.Add({{p1, std::conj(p1)}, {z1, std::conj(z1)}});
            layout.Add({{p2, std::conj(p2)}, {z2, std::conj(z2)}});
        }
    }
    const double w0 = prototype.normalFrequency;
    layout.normalFrequency = 2.0 * std::atan(std::sqrt(std::tan((wHigh + w0) / 2.0) * std::tan((wLow + w0) / 2.0)));
    layout.normalGain = prototype.normalGain;

    SectionCoefficients designed[kMaxSections];
    const int count = (layout.PoleCount() + 1) / 2;
    for (int i = 0; i < count && i < layout.count; ++i) {
        const RootPair& entry = layout.pairs[i];
        SectionCoefficients& s = designed[i];
        SectionTerms(entry.poles[0], entry.poles[1], s.a1, s.a2);
        SectionTerms(entry.zeros[0], entry.zeros[1], s.b1, s.b2);
        s.a0 = 1.0;
        s.b0 = 1.0;
    }
    const double scale =
        layout.normalGain / std::abs(SectionsResponse(designed, count, layout.normalFrequency / (2.0 * kPi)));
    designed[0].b0 *= scale;
    designed[0].b1 *= scale;
    designed[0].b2 *= scale;

    // A degenerate band (for example no width) gives non-finite coefficients, and a band
    // squeezed against 0 or the Nyquist frequency can round its poles onto or outside the
    // unit circle: keep the last good design rather than one that would grow without end.
    for (int i = 0; i < count; ++i) {
        const SectionCoefficients& s = designed[i];
        if (!std::isfinite(s.a1) || !std::isfinite(s.a2) || !std::isfinite(s.b0) || !std::isfinite(s.b1) ||
            !std::isfinite(s.b2)) {
            return;
        }
        const bool stable = std::fabs(s.a2) < 1.0 && std::fabs(s.a1) < 1.0 + s.a2;
        if (!stable) {
            return;
        }
    }
    digital = layout;
    sectionCount = count;
    for (int i = 0; i < count; ++i) {
        sections[i] = designed[i];
    }
}

void ButterworthBandPass::Reset()
{
    for (ChannelState& state : states) {
        for (int s = 0; s < kMaxSections; ++s) {
            state.w1[s] = 0.0;
            state.w2[s] = 0.0;
        }
    }
}

template <typename Sample>
void ButterworthBandPass::ProcessChannel(ChannelState& state, Sample* samples, int frames)
{
    if (sectionCount == 0) {
        return;
    }
    const SectionCoefficients first = sections[0];
    double w1 = state.w1[0];
    double w2 = state.w2[0];
    double offset = state.denormalOffset;
    if (sectionCount == 1) {
        for (int i = 0; i < frames; ++i) {
            offset = -offset;
            const double w = double(samples[i]) - first.a1 * w1 - first.a2 * w2 + offset;
            const double y = first.b0 * w + first.b1 * w1 + first.b2 * w2;
            w2 = w1;
            w1 = w;
            samples[i] = Sample(y);
        }
    } else {
        for (int i = 0; i < frames; ++i) {
            offset = -offset;
            const double w = double(samples[i]) - first.a1 * w1 - first.a2 * w2 + offset;
            double y = first.b0 * w + first.b1 * w1 + first.b2 * w2;
            w2 = w1;
            w1 = w;
            for (int s = 1; s < sectionCount; ++s) {
                const SectionCoefficients& c = sections[s];
                const double ws = y - c.a1 * state.w1[s] - c.a2 * state.w2[s];
                y = c.b0 * ws + c.b1 * state.w1[s] + c.b2 * state.w2[s];
                state.w2[s] = state.w1[s];
                state.w1[s] = ws;
            }
            samples[i] = Sample(y);
        }
    }
    state.w1[0] = w1;
    state.w2[0] = w2;
    state.denormalOffset = offset;
    RestartIfNonFinite(state);
}

void ButterworthBandPass::RestartIfNonFinite(ChannelState& state)
{
    bool finite = true;
    for (int s = 0; s < kMaxSections; ++s) {
        finite = finite && std::isfinite(state.w1[s]) && std::isfinite(state.w2[s]);
    }
    if (!finite) {
        for (int s = 0; s < kMaxSections; ++s) {
            state.w1[s] = 0.0;
            state.w2[s] = 0.0;
        }
    }
}

bool ButterworthBandPass::TakePairSection(PairSection& pair) const
{
    if (sectionCount != 1) {
        return false;
    }
    const SectionCoefficients& c = sections[0];
    const ChannelState& l = states[0];
    const ChannelState& r = states[1];
    pair.a1 = StereoPair{c.a1, c.a1};
    pair.a2 = StereoPair{c.a2, c.a2};
    pair.b0 = StereoPair{c.b0, c.b0};
    pair.b1 = StereoPair{c.b1, c.b1};
    pair.b2 = StereoPair{c.b2, c.b2};
    pair.w1 = StereoPair{l.w1[0], r.w1[0]};
    pair.w2 = StereoPair{l.w2[0], r.w2[0]};
    pair.offset = StereoPair{l.denormalOffset, r.denormalOffset};
    return true;
}

void ButterworthBandPass::PutPairSection(const PairSection& pair)
{
    for (int c = 0; c < kChannels; ++c) {
        states[c].w1[0] = pair.w1[c];
        states[c].w2[0] = pair.w2[c];
        states[c].denormalOffset = pair.offset[c];
        RestartIfNonFinite(states[c]);
    }
}

void ButterworthBandPass::ProcessPairOneSection(PairSection& taken, double* left, double* right, int frames)
{
    // A local copy whose address is never taken stays in registers.
    PairSection pair = taken;
    for (int i = 0; i < frames; ++i) {
        const StereoPair y = pair.Step(StereoPair{left[i], right[i]});
        left[i] = y[0];
        right[i] = y[1];
    }
    taken = pair;
}

void ButterworthBandPass::Process(int frames, double* const* channels)
{
    if (channels == nullptr || frames <= 0) {
        return;
    }
    PairSection pair;
    if (channels[0] != nullptr && channels[1] != nullptr && channels[0] != channels[1] && TakePairSection(pair)) {
        ProcessPairOneSection(pair, channels[0], channels[1], frames);
        PutPairSection(pair);
        return;
    }
    for (int c = 0; c < kChannels; ++c) {
        if (channels[c] != nullptr) {
            ProcessChannel(states[c], channels[c], frames);
        }
    }
}

void ButterworthBandPass::Process(int frames, float* const* channels)
{
    if (channels == nullptr || frames <= 0) {
        return;
    }
    for (int c = 0; c < kChannels; ++c) {
        if (channels[c] != nullptr) {
            ProcessChannel(states[c], channels[c], frames);
        }
    }
}

}  // namespace Dsp
