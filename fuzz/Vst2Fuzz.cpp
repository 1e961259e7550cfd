// Shared driving and checks of the VST 2 fuzz targets.
#include "Vst2Fuzz.h"

#include <cmath>
#include <string>
#include <vector>

#include "FuzzChecks.h"
#include "SignalSource.h"
#include "Vst2Entry.h"

namespace fuzz {

AEffect* VSTCALLBACK Brindle2Entry(audioMasterCallback hostCallback) {
    return CreateVst2Effect(hostCallback, &CreateModuleEffect);
}

void StartBrindle2(vst2host::Vst2Host& host, float sampleRate, VstInt32 blockSize) {
    std::string error;
    if (!host.Create(&Brindle2Entry, &error)) FuzzCheckFailed(error.c_str(), __FILE__, __LINE__);
    host.Start(sampleRate, blockSize);
}

void ProcessAndCheck(vst2host::Vst2Host& host, FuzzInput& in, int kind, VstInt32 frames) {
    if (frames < 0) frames = 0;
    SignalSource source(in);
    const size_t count = static_cast<size_t>(frames);
    if (kind == 2) {
        std::vector<std::vector<double>> inputs(2, std::vector<double>(count)), outputs(2, std::vector<double>(count));
        for (size_t i = 0; i < count; ++i) source.Next(inputs[0][i], inputs[1][i]);
        FUZZ_CHECK(host.ProcessDouble(inputs, outputs, frames));
        for (const auto& channel : outputs) FUZZ_CHECK(AllFinite(channel.data(), frames));
        return;
    }
    std::vector<std::vector<float>> inputs(2, std::vector<float>(count)), outputs(2, std::vector<float>(count));
    for (size_t i = 0; i < count; ++i) {
        double left, right;
        source.Next(left, right);
        inputs[0][i] = static_cast<float>(left);
        inputs[1][i] = static_cast<float>(right);
    }
    FUZZ_CHECK(kind == 1 ? host.ProcessAccumulating(inputs, outputs, frames)
                         : host.ProcessReplacing(inputs, outputs, frames));
    for (const auto& channel : outputs) FUZZ_CHECK(AllFinite(channel.data(), frames));
}

void CheckChunkRoundTrip(vst2host::Vst2Host& host, bool program) {
    const VstInt32 params = host.Effect()->numParams;
    std::vector<float> before;
    for (VstInt32 i = 0; i < params; ++i) before.push_back(host.GetParameter(i));
    std::vector<uint8_t> saved;
    if (host.GetChunk(program, &saved) <= 0 || saved.empty()) return;
    FUZZ_CHECK(host.SetChunk(program, saved.data(), static_cast<VstIntPtr>(saved.size())) != 0);
    std::vector<uint8_t> again;
    host.GetChunk(program, &again);
    FUZZ_CHECK(again == saved);
    for (VstInt32 i = 0; i < params; ++i) FUZZ_CHECK(host.GetParameter(i) == before[static_cast<size_t>(i)]);
}

void CheckParameters(vst2host::Vst2Host& host) {
    for (VstInt32 i = 0; i < host.Effect()->numParams; ++i) {
        const float value = host.GetParameter(i);
        FUZZ_CHECK(std::isfinite(value) && value >= 0.0f && value <= 1.0f);
    }
}

}  // namespace fuzz
