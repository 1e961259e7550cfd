// Processing and state of the test gain effect.
#include "GainEffect.h"

#include <cstring>

namespace testbundle {

tresult GainEffect::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk) return result;
    addAudioInput(u"Stereo In", SpeakerArr::kStereo);
    addAudioOutput(u"Stereo Out", SpeakerArr::kStereo);
    parameters.addParameter(new Parameter(u"Gain", kGainId, u"x", 0.5));
    auto* bypass = new StringListParameter(u"Bypass", kBypassId, nullptr, kCanAutomate | kIsList | kIsBypass);
    bypass->appendString(u"off");
    bypass->appendString(u"on");
    parameters.addParameter(bypass);
    return kResultOk;
}

tresult GainEffect::setActive(TBool state) {
    active = state != 0;
    return kResultOk;
}

tresult GainEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue : kResultFalse;
}

tresult GainEffect::setProcessing(TBool) { return kResultOk; }

void GainEffect::applyParameterChanges(IParameterChanges* changes) {
    if (!changes) return;
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue || queue->getPointCount() <= 0) continue;
        int32 offset = 0;
        ParamValue value = 0;
        if (queue->getPoint(queue->getPointCount() - 1, offset, value) != kResultOk) continue;
        if (Parameter* parameter = parameters.getParameter(queue->getParameterId())) parameter->setNormalized(value);
    }
}

template <class Sample>
void GainEffect::processChannels(Sample** inputs, Sample** outputs, int32 channels, int32 frames) const {
    const Parameter* bypass = parameters.getParameter(kBypassId);
    const Parameter* gainParameter = parameters.getParameter(kGainId);
    const bool bypassed = bypass && bypass->getNormalized() > 0.5;
    const double gain = bypassed || !gainParameter ? 1.0 : kGainRange * gainParameter->getNormalized();
    for (int32 c = 0; c < channels; ++c) {
        const Sample* in = inputs[c];
        Sample* out = outputs[c];
        if (!out) continue;
        for (int32 f = 0; f < frames; ++f) out[f] = in ? static_cast<Sample>(in[f] * gain) : Sample(0);
    }
}

tresult GainEffect::process(ProcessData& data) {
    applyParameterChanges(data.inputParameterChanges);
    // A host may flush parameters without audio; blocks beyond the announced size are refused.
    if (data.numSamples <= 0 || data.numOutputs <= 0 || !data.outputs) return kResultOk;
    if (data.numSamples > processSetup.maxSamplesPerBlock) return kInvalidArgument;
    AudioBusBuffers& out = data.outputs[0];
    const bool hasInput = data.numInputs > 0 && data.inputs;
    const int32 inputChannels = hasInput ? data.inputs[0].numChannels : 0;
    const int32 channels = out.numChannels < inputChannels ? out.numChannels : inputChannels;
    if (channels <= 0 || !out.channelBuffers32 || !data.inputs[0].channelBuffers32) return kResultOk;
    if (data.symbolicSampleSize == kSample64)
        processChannels(data.inputs[0].channelBuffers64, out.channelBuffers64, channels, data.numSamples);
    else
        processChannels(data.inputs[0].channelBuffers32, out.channelBuffers32, channels, data.numSamples);
    out.silenceFlags = 0;
    return kResultOk;
}

// State: the gain's normalized value as a little-endian double, then bypass as int32.
tresult GainEffect::getProcessorState(IBStream* state) {
    if (!state) return kInvalidArgument;
    double gain = parameters.getParameter(kGainId) ? parameters.getParameter(kGainId)->getNormalized() : 0.5;
    int32 bypass = parameters.getParameter(kBypassId) && parameters.getParameter(kBypassId)->getNormalized() > 0.5;
    int32 written = 0;
    if (state->write(&gain, sizeof gain, &written) != kResultOk || written != sizeof gain) return kResultFalse;
    if (state->write(&bypass, sizeof bypass, &written) != kResultOk || written != sizeof bypass) return kResultFalse;
    return kResultOk;
}

tresult GainEffect::setProcessorState(IBStream* state) {
    if (!state) return kInvalidArgument;
    unsigned char bytes[sizeof(double) + sizeof(int32)];
    int32 read = 0;
    if (state->read(bytes, sizeof bytes, &read) != kResultOk || read != static_cast<int32>(sizeof bytes))
        return kResultFalse;
    double gain = 0;
    int32 bypass = 0;
    std::memcpy(&gain, bytes, sizeof gain);
    std::memcpy(&bypass, bytes + sizeof gain, sizeof bypass);
    if (Parameter* parameter = parameters.getParameter(kGainId)) parameter->setNormalized(gain);
    if (Parameter* parameter = parameters.getParameter(kBypassId)) parameter->setNormalized(bypass ? 1.0 : 0.0);
    return kResultOk;
}

}  // namespace testbundle
