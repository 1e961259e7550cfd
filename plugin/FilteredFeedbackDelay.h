// Widening echo: per channel a recirculating delay line with its own time and
// feedback, then one band-pass over the delayed signal. Outputs the wet signal only.
#pragma once

#include <algorithm>
#include <cmath>

#include "BaseProcessor.h"
#include "ButterworthBandPass.h"
#include "DelayLine.h"

template <int Channels>
class FilteredFeedbackDelay : public BaseProcessor {
    static_assert(Channels == Dsp::ButterworthBandPass::kChannels, "the band-pass filters two channels");

public:
    FilteredFeedbackDelay(double sampleRate, double feedback) : BaseProcessor(sampleRate, Channels)
    {
        for (DelayLine& line : lines) {
            line.SetFeedback(feedback);
        }
        filter.SetParam(Dsp::kParamSampleRate, sampleRate);
        filter.SetParam(Dsp::kParamOrder, 2.0);
    }

    void Process(const double* const* inputs, double* const* outputs, int frames) override
    {
        for (int c = 0; c < Channels; ++c) {
            lines[c].Process(inputs[c], outputs[c], frames);
        }
        filter.Process(frames, outputs);
    }

    // channels[c] += amount * the filtered echo of channels[c], as Process into a copy
    // and the sum would give, in one pass: the lines, both filter channels and the sum
    // share each frame. False (nothing done) unless the channels are two separate
    // buffers and the filter has one section.
    bool AddEcho(double* const* channels, int frames, double amount)
    {
        Dsp::ButterworthBandPass::PairSection taken;
        if (Channels != 2 || channels[0] == channels[1] || !filter.TakePairSection(taken)) {
            return false;
        }
        // A local copy whose address is never taken stays in registers.
        Dsp::ButterworthBandPass::PairSection pair = taken;
        double* left = channels[0];
        double* right = channels[1];
        DelayLine::Tap tapL = lines[0].Begin();
        DelayLine::Tap tapR = lines[1].Begin();
        const Dsp::StereoPair share{tapL.feedback, tapR.feedback};
        const Dsp::StereoPair level{amount, amount};
        const Dsp::StereoPair limit{DelayLine::kMaxMagnitude, DelayLine::kMaxMagnitude};
        for (int j = 0; j < frames;) {
            // Up to the end of either ring or of the block: no wrap inside the loop.
            const int run = std::min({frames - j, tapL.slots - tapL.position, tapR.slots - tapR.position});
            double* slotL = tapL.ring + tapL.position;
            double* slotR = tapR.ring + tapR.position;
            double* outL = left + j;
            double* outR = right + j;
            for (int k = 0; k < run; ++k) {
                const Dsp::StereoPair dry{outL[k], outR[k]};
                const Dsp::StereoPair x{slotL[k], slotR[k]};
                // DelayLine::Entering on both lines.
                const Dsp::StereoPair v = x * share + dry;
                const Dsp::StereoPair entering = ((v <= limit) & (v >= -limit)) ? v : Dsp::StereoPair{0.0, 0.0};
                slotL[k] = entering[0];
                slotR[k] = entering[1];
                const Dsp::StereoPair mixed = pair.Step(x) * level + dry;
                outL[k] = mixed[0];
                outR[k] = mixed[1];
            }
            j += run;
            tapL.position = Advance(tapL, run);
            tapR.position = Advance(tapR, run);
        }
        lines[0].End(tapL);
        lines[1].End(tapR);
        taken = pair;
        filter.PutPairSection(taken);
        return true;
    }

    // Delay of int(sampleRate * ms / 1000) samples; below one sample the queue is empty.
    void SetChannel(int channel, double milliseconds, double feedback)
    {
        if (channel < 0 || channel > lineCount - 1) {
            return;
        }
        lines[channel].Resize(QueueLength(sampleRate * 0.001 * milliseconds));
        lines[channel].SetFeedback(feedback);
    }

    // Silence in every line at its current length; last, feedback and filter state stay.
    void Clear()
    {
        for (DelayLine& line : lines) {
            line.Refill(line.Length());
        }
    }

    // Rescales the delay lengths from their previous lengths, empties the lines and
    // re-designs the filter. Non-finite and non-positive rates are ignored.
    void SetSampleRate(double newRate)
    {
        if (!(newRate > 0.0) || !std::isfinite(newRate)) {
            return;
        }
        // Without a usable old rate the lengths cannot be rescaled and stay as they are.
        const bool rescale = sampleRate > 0.0 && std::isfinite(sampleRate);
        const double oldRate = sampleRate;
        sampleRate = newRate;
        for (DelayLine& line : lines) {
            const double samples = double(line.Length() + 1);
            line.Refill(QueueLength(rescale ? samples * newRate / oldRate : samples));
        }
        filter.SetParam(Dsp::kParamSampleRate, newRate);
    }

    // Delay of a channel in samples.
    int DelaySamples(int channel) const { return lines[channel < 0 ? 0 : channel % Channels].Length() + 1; }
    DelayLine& Line(int channel) { return lines[channel < 0 ? 0 : channel % Channels]; }
    Dsp::ButterworthBandPass& Filter() { return filter; }
    const Dsp::ButterworthBandPass& Filter() const { return filter; }

private:
    static int Advance(const DelayLine::Tap& tap, int run)
    {
        const int position = tap.position + run;
        return position == tap.slots ? 0 : position;
    }

    // int(samples) - 1, limited to the ring; fractions truncate toward zero.
    static int QueueLength(double samples)
    {
        if (!(samples >= 1.0)) {
            return 0;
        }
        if (samples >= double(DelayLine::kMaxLength) + 1.0) {
            return DelayLine::kMaxLength;
        }
        return int(samples) - 1;
    }

    DelayLine lines[Channels];
    Dsp::ButterworthBandPass filter;
    static constexpr int lineCount = Channels;
};
