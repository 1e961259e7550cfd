// The wrapper tests' plug-in: out = in * gain (negated when inverted), per channel.
#include "TestEffect.h"

#include <cmath>
#include <cstring>
#include <string>

TestEffect::TestEffect(audioMasterCallback hostCallback, const char* channelIOText, bool doesMidi)
    : IEffectVST2(hostCallback, kParamCount, channelIOText, 1, "Test Effect", "Test Product", "Test Maker",
                  0x010203, 0x54737431 /* 'Tst1' */, 0x5473746D /* 'Tstm' */, 0, false, false, doesMidi) {
    GetParam(kGain)->DefineDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
    GetParam(kMode)->DefineEnum("Mode", 0, 3);
    GetParam(kMode)->AddDisplayText(0.0, "stereo");
    GetParam(kMode)->AddDisplayText(1.0, "mid");
    GetParam(kMode)->AddDisplayText(2.0, "side");
    GetParam(kInvert)->DefineBool("Invert");
}

void TestEffect::OnParamChanged(int index) {
    ++paramChanges;
    if (index == kGain || index == kInvert) {
        gain = std::pow(10.0, GetParam(kGain)->Value() / 20.0);
        if (GetParam(kInvert)->Value() >= 0.5) gain = -gain;
    }
}

void TestEffect::ProcessDouble(double** inputs, double** outputs, int frames) {
    const int channels = InputCount() < OutputCount() ? InputCount() : OutputCount();
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i] * gain;
    for (int c = channels; c < OutputCount(); ++c)
        for (int i = 0; i < frames; ++i) outputs[c][i] = 0.0;
}

bool TestEffect::MidiKeyLabel(int note, char* text) {
    if (!text) return false;
    // "Key<note>" followed by 'k' up to the full buffer: 127 characters.
    const std::string prefix = "Key" + std::to_string(note);
    std::memset(text, 'k', kNameSize - 1);
    std::memcpy(text, prefix.data(), prefix.size());
    text[kNameSize - 1] = '\0';
    return true;
}
