// Default processing of the stereo processors: copy every channel.
#include "BaseProcessor.h"

#include <algorithm>

BaseProcessor::BaseProcessor(double rate, int channels) : sampleRate(rate), channelCount(channels) {}

void BaseProcessor::Process(const double* const* inputs, double* const* outputs, int frames)
{
    CopyFrames(inputs, outputs, 0, frames);
}

void BaseProcessor::CopyFrames(const double* const* inputs, double* const* outputs, int first, int end) const
{
    // The chain runs in place: one array for both sides leaves nothing to copy.
    if (static_cast<const void*>(inputs) == static_cast<const void*>(outputs) || first >= end) {
        return;
    }
    for (int c = 0; c < channelCount; ++c) {
        if (inputs[c] != outputs[c] && first < end) {
            std::copy(inputs[c] + first, inputs[c] + end, outputs[c] + first);
        }
    }
}
