// A small plug-in on the VST 2 wrapper for the wrapper's tests: a gain in dB, a three-way mode
// with display texts and an invert switch, one preset slot.
#pragma once

#include "IEffectVST2.h"

class TestEffect : public IEffectVST2 {
public:
    enum Params { kGain = 0, kMode, kInvert, kParamCount };

    // channelIOText lets a test build other channel layouts; doesMidi turns on MIDI answers.
    explicit TestEffect(audioMasterCallback hostCallback, const char* channelIOText = "2-2", bool doesMidi = false);

    void OnParamChanged(int index) override;
    void ProcessDouble(double** inputs, double** outputs, int frames) override;
    // Writes a label longer than any host record holds, to show the wrapper cuts it.
    bool MidiKeyLabel(int note, char* text) override;

    int paramChanges = 0;

private:
    double gain = 1.0;
};
