// Shared driving and checks of the VST 3 fuzz targets.
#include "Vst3Fuzz.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzChecks.h"
#include "IEffectVST3.h"
#include "SignalSource.h"

extern "C" vst3::IPluginFactory* GetPluginFactory();

namespace fuzz {

using namespace vst3;
using vst3host::MemoryStream;
using vst3host::Owned;

Brindle3::Brindle3()
    : factory(GetPluginFactory()), host(new vst3host::HostApplication), handler(new vst3host::ComponentHandler) {
    std::string error;
    instance = vst3host::PluginInstance::create(factory.get(), 0, host.get(), error);
    if (!instance || !Controller()) FuzzCheckFailed(error.c_str(), __FILE__, __LINE__);
    Controller()->setComponentHandler(handler.get());
    for (int32 i = 0; i < Controller()->getParameterCount(); ++i) {
        ParameterInfo info;
        std::memset(&info, 0, sizeof info);
        if (Controller()->getParameterInfo(i, info) == kResultOk) ids.push_back(info.id);
    }
}

Brindle3::~Brindle3() {
    if (instance) {
        Processor()->setProcessing(false);
        Component()->setActive(false);
        Controller()->setComponentHandler(nullptr);
    }
    instance.reset();
}

ParamID Brindle3::AnyId(FuzzInput& in) const {
    const uint8_t pick = in.Byte();
    if (pick < 8 * ids.size()) return ids[pick % ids.size()];
    return pick == 255 ? in.U32() : static_cast<ParamID>(pick % 32);
}

void Brindle3::Start(int32 sampleSize, int32 maxFrames, double sampleRate) {
    ProcessSetup setup{kRealtime, sampleSize, maxFrames, sampleRate};
    Processor()->setupProcessing(setup);
    Component()->setActive(true);
    Processor()->setProcessing(true);
}

tresult ProcessAndCheck(Brindle3& plugin, FuzzInput& in, const BlockShape& shape, IParameterChanges* changes) {
    const size_t frames = static_cast<size_t>(shape.frames > 0 ? shape.frames : 0);
    const int32 channels[2] = {shape.inputChannels > 0 ? shape.inputChannels : 0,
                               shape.outputChannels > 0 ? shape.outputChannels : 0};
    std::vector<std::vector<double>> storage64[2];
    std::vector<std::vector<float>> storage32[2];
    std::vector<double*> pointers64[2];
    std::vector<float*> pointers32[2];
    AudioBusBuffers busses[2];
    SignalSource source(in);
    for (int side = 0; side < 2; ++side) {
        const size_t count = static_cast<size_t>(channels[side]);
        storage64[side].assign(count, std::vector<double>(frames, 0.0));
        storage32[side].assign(count, std::vector<float>(frames, 0.0f));
        for (size_t c = 0; c < count; ++c) {
            pointers64[side].push_back(storage64[side][c].data());
            pointers32[side].push_back(storage32[side][c].data());
        }
        std::memset(&busses[side], 0, sizeof busses[side]);
        busses[side].numChannels = channels[side];
        if (shape.nullChannelArrays) continue;
        if (shape.sampleSize == kSample32)
            busses[side].channelBuffers32 = pointers32[side].data();
        else
            busses[side].channelBuffers64 = pointers64[side].data();
    }
    for (size_t i = 0; i < frames; ++i) {
        double left, right;
        source.Next(left, right);
        const double pair[2] = {left, right};
        for (size_t c = 0; c < storage64[0].size(); ++c) {
            storage64[0][c][i] = pair[c % 2];
            storage32[0][c][i] = static_cast<float>(pair[c % 2]);
        }
    }

    ProcessData data;
    std::memset(&data, 0, sizeof data);
    data.processMode = kRealtime;
    data.symbolicSampleSize = shape.sampleSize;
    data.numSamples = shape.frames;
    data.numInputs = shape.inputChannels < 0 ? 0 : 1;
    data.numOutputs = shape.outputChannels < 0 ? 0 : 1;
    data.inputs = data.numInputs ? &busses[0] : nullptr;
    data.outputs = data.numOutputs ? &busses[1] : nullptr;
    data.inputParameterChanges = changes;
    const tresult result = plugin.Processor()->process(data);

    for (const auto& channel : storage64[1]) FUZZ_CHECK(AllFinite(channel.data(), static_cast<long>(frames)));
    for (const auto& channel : storage32[1]) FUZZ_CHECK(AllFinite(channel.data(), static_cast<long>(frames)));
    return result;
}

namespace {

// The saved state, or nothing when this side keeps no state of its own.
bool Saved(Brindle3& plugin, bool component, std::vector<unsigned char>& bytes) {
    Owned<MemoryStream> stream(new MemoryStream);
    const tresult result =
        component ? plugin.Component()->getState(stream.get()) : plugin.Controller()->getState(stream.get());
    if (result == kNotImplemented) return false;
    FUZZ_CHECK(result == kResultOk);
    bytes = stream->data();
    return true;
}

std::vector<ParamValue> Normalized(Brindle3& plugin) {
    std::vector<ParamValue> values;
    for (ParamID id : plugin.Ids()) values.push_back(plugin.Controller()->getParamNormalized(id));
    return values;
}

}  // namespace

void CheckStateRoundTrip(Brindle3& plugin) {
    std::vector<ParamValue> expected = Normalized(plugin);
    std::vector<unsigned char> saved;
    for (bool component : {true, false}) {
        std::vector<unsigned char> first, second;
        if (!Saved(plugin, component, first)) continue;
        Owned<MemoryStream> stream(new MemoryStream(first));
        const tresult loaded =
            component ? plugin.Component()->setState(stream.get()) : plugin.Controller()->setState(stream.get());
        FUZZ_CHECK(loaded == kResultOk);
        FUZZ_CHECK(Saved(plugin, component, second) && second == first);
        if (component) {
            // What a host does next: the controller learns the component's state.
            Owned<MemoryStream> again(new MemoryStream(first));
            FUZZ_CHECK(plugin.Controller()->setComponentState(again.get()) == kResultOk);
        }
        saved = first;
    }
    // The state carries the bypass that the audio follows. A switch moved only on the
    // controller, never sent through process, gives way to it.
    FUZZ_CHECK(saved.size() >= 4);
    const bool bypassSaved = saved[saved.size() - 4] | saved[saved.size() - 3] | saved[saved.size() - 2] |
                             saved[saved.size() - 1];
    const std::vector<ParamValue> after = Normalized(plugin);
    for (size_t i = 0; i < after.size(); ++i) {
        if (plugin.Ids()[i] == IEffectVST3::kBypassParamId) expected[i] = bypassSaved ? 1.0 : 0.0;
        if (after[i] == expected[i]) continue;
        std::fprintf(stderr, "parameter %u: %.17g expected after the round trip, %.17g read\n",
                     static_cast<unsigned>(plugin.Ids()[i]), expected[i], after[i]);
        FuzzCheckFailed("the state read back the same values", __FILE__, __LINE__);
    }
}

void CheckParameters(Brindle3& plugin) {
    for (ParamValue value : Normalized(plugin)) FUZZ_CHECK(std::isfinite(value) && value >= 0.0 && value <= 1.0);
}

}  // namespace fuzz
