// A wrapper with no host behind it for the plug-in tests: records the calls the plug-in
// base makes to the host. Also a fake editor whose controls record what the plug-in sends.
#pragma once

#include <string>
#include <vector>

#include "framework/IEffectBase.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsHeadless.h"

class TestWrapper : public IEffectBase {
public:
    TestWrapper(void* hostContext, int paramCount, const char* channelIOText, int presetCount, const char* effectName,
                const char* productName, const char* makerName, int32_t version, int32_t uniqueId, int32_t makerId,
                int32_t latency, bool stateChunks, bool isInstrument, bool doesMidi)
        : IEffectBase(hostContext, paramCount, channelIOText, presetCount, effectName, productName, makerName, version,
                      uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi)
    {
    }

    void BeginParamEdit(int index) override { hostCalls.push_back("begin " + std::to_string(index)); }
    void NotifyParamEdit(int index, double) override { hostCalls.push_back("edit " + std::to_string(index)); }
    void EndParamEdit(int index) override { hostCalls.push_back("end " + std::to_string(index)); }
    void NotifyProgramChange() override { hostCalls.push_back("program"); }
    double TransportSamplePos() override { return 0.0; }
    double TransportTempo() override { return 120.0; }
    void TransportTimeSig(int* numerator, int* denominator) override
    {
        if (numerator != nullptr) *numerator = 4;
        if (denominator != nullptr) *denominator = 4;
    }
    void ReadTransport(TransportInfo*) override {}
    void ResizeEditorFrame(int, int) override { hostCalls.push_back("resize"); }
    bool SendMidiMessage(const MidiMessage*) override { return false; }

    std::vector<std::string> hostCalls;
};

// Records every value the plug-in pushes, and the page state where controls support it.
class FakeControl : public IControl {
public:
    FakeControl(IEffectBase* plug, int paramIndex) : IControl(plug, IRect(), paramIndex) {}
    bool Draw(IGraphics&) override { return true; }
    void UpdateFromPlug(double v) override
    {
        received.push_back(v);
        IControl::UpdateFromPlug(v);
    }
    std::vector<double> received;
};

// Eighteen controls at the indices of the editor layout; 1 and 2 are the pages, 15 the
// lamp, 8 to 14 the stereo-only controls.
class FakeEditor : public IGraphicsHeadless {
public:
    explicit FakeEditor(IEffectBase* plug) : IGraphicsHeadless(plug, 470, 322, 25)
    {
        const int params[18] = {-1, -1, -1, 0, 1, 2, 6, -1, 5, 3, 4, 7, 8, 9, 10, -1, 11, -1};
        for (int paramIndex : params) {
            AddControl(new FakeControl(plug, paramIndex));
        }
    }
    FakeControl* Fake(int index) const { return static_cast<FakeControl*>(GetControl(index)); }
};
