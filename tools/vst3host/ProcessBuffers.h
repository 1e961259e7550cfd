// Audio buffers and the process record for one main input bus and one main output
// bus, in single or double precision, sized once for the largest block.
#pragma once

#include <vector>

#include "Vst3Interfaces.h"

namespace vst3host {

class ProcessBuffers {
public:
    ProcessBuffers(vst3::int32 symbolicSampleSize, vst3::int32 inputChannels, vst3::int32 outputChannels,
                   vst3::int32 maxFrames);

    // The record for a block of `frames` (at most maxFrames) with the given changes.
    vst3::ProcessData& prepare(vst3::int32 frames, vst3::IParameterChanges* changes = nullptr,
                               vst3::ProcessContext* context = nullptr);

    vst3::int32 maxFrames() const { return capacity; }
    // Sample f of a channel, converted to double whatever the precision.
    double input(vst3::int32 channel, vst3::int32 frame) const;
    double output(vst3::int32 channel, vst3::int32 frame) const;
    void setInput(vst3::int32 channel, vst3::int32 frame, double value);
    void fillOutputs(double value);

private:
    vst3::int32 sampleSize;
    vst3::int32 capacity;
    std::vector<std::vector<float>> storage32[2];
    std::vector<std::vector<double>> storage64[2];
    std::vector<float*> pointers32[2];
    std::vector<double*> pointers64[2];
    vst3::AudioBusBuffers busses[2];
    vst3::ProcessData data;
};

}  // namespace vst3host
