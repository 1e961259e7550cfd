// Default processing of the stereo processors: copy every channel.
#include "BaseProcessor.h"

#include <algorithm>

BaseProcessor::BaseProcessor(double rate, int channels) : sampleRate(rate), channelCount(channels) {}

void BaseProcessor::Process(const double* const* inputs, double* const* outputs, int frames)
{
    for (int c = 0; c < channelCount; ++c) {
        if (inputs[c] != outputs[c]) {
            std::copy(inputs[c], inputs[c] + frames, outputs[c]);
        }
    }
}
