// Process record over owned channel buffers.
#include "ProcessBuffers.h"

#include <cstring>

namespace vst3host {

using namespace vst3;

namespace {
constexpr int kIn = 0;
constexpr int kOut = 1;
}  // namespace

ProcessBuffers::ProcessBuffers(int32 symbolicSampleSize, int32 inputChannels, int32 outputChannels,
                               int32 maxFrames)
    : sampleSize(symbolicSampleSize), capacity(maxFrames > 0 ? maxFrames : 0) {
    const int32 channels[2] = {inputChannels > 0 ? inputChannels : 0, outputChannels > 0 ? outputChannels : 0};
    for (int side = kIn; side <= kOut; ++side) {
        const size_t count = static_cast<size_t>(channels[side]);
        const size_t frames = static_cast<size_t>(capacity);
        if (sampleSize == kSample64) {
            storage64[side].assign(count, std::vector<double>(frames, 0.0));
            for (auto& channel : storage64[side]) pointers64[side].push_back(channel.data());
        } else {
            storage32[side].assign(count, std::vector<float>(frames, 0.0f));
            for (auto& channel : storage32[side]) pointers32[side].push_back(channel.data());
        }
        std::memset(&busses[side], 0, sizeof busses[side]);
        busses[side].numChannels = channels[side];
        if (sampleSize == kSample64)
            busses[side].channelBuffers64 = pointers64[side].data();
        else
            busses[side].channelBuffers32 = pointers32[side].data();
    }
    std::memset(&data, 0, sizeof data);
}

ProcessData& ProcessBuffers::prepare(int32 frames, IParameterChanges* changes, ProcessContext* context) {
    data.processMode = kRealtime;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames < 0 ? 0 : (frames > capacity ? capacity : frames);
    data.numInputs = busses[kIn].numChannels > 0 ? 1 : 0;
    data.numOutputs = busses[kOut].numChannels > 0 ? 1 : 0;
    data.inputs = data.numInputs ? &busses[kIn] : nullptr;
    data.outputs = data.numOutputs ? &busses[kOut] : nullptr;
    data.inputParameterChanges = changes;
    data.processContext = context;
    busses[kIn].silenceFlags = 0;
    busses[kOut].silenceFlags = 0;
    return data;
}

double ProcessBuffers::input(int32 channel, int32 frame) const {
    return sampleSize == kSample64 ? storage64[kIn].at(channel).at(frame) : storage32[kIn].at(channel).at(frame);
}

double ProcessBuffers::output(int32 channel, int32 frame) const {
    return sampleSize == kSample64 ? storage64[kOut].at(channel).at(frame) : storage32[kOut].at(channel).at(frame);
}

void ProcessBuffers::setInput(int32 channel, int32 frame, double value) {
    if (sampleSize == kSample64)
        storage64[kIn].at(channel).at(frame) = value;
    else
        storage32[kIn].at(channel).at(frame) = static_cast<float>(value);
}

void ProcessBuffers::fillOutputs(double value) {
    for (auto& channel : storage64[kOut]) channel.assign(channel.size(), value);
    for (auto& channel : storage32[kOut]) channel.assign(channel.size(), static_cast<float>(value));
}

}  // namespace vst3host
