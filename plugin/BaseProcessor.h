// Common base of the stereo processors: the sample rate they were built for and a
// plain copy as the default processing.
#pragma once

class BaseProcessor {
public:
    BaseProcessor(double sampleRate, int channelCount);

    // Works on arrays of channel pointers; inputs and outputs may be the same array.
    virtual void Process(const double* const* inputs, double* const* outputs, int frames);

    double sampleRate;
    int channelCount;

protected:
    // Processors are held by value and never deleted through this base.
    ~BaseProcessor() = default;

    // Copies samples [first, end) of every channel; in-place channels are left alone.
    void CopyFrames(const double* const* inputs, double* const* outputs, int first, int end) const;
};
