// The VST 2 wrapper's calls to the host, driven from the plug-in side: the test plug-in is linked
// in, created through the shared entry code and talks to the harness's recording host.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestEffect.h"
#include "Vst2Entry.h"
#include "Vst2Host.h"

using vst2host::HostCall;
using vst2host::SentEvent;
using vst2host::Vst2Host;

namespace {

IEffectVST2* MakeStereo(audioMasterCallback callback) { return new TestEffect(callback); }
IEffectVST2* MakeMidi(audioMasterCallback callback) { return new TestEffect(callback, "2-2", true); }
IEffectVST2* MakeQuad(audioMasterCallback callback) { return new TestEffect(callback, "4-4"); }
IEffectVST2* MakeMonoCapable(audioMasterCallback callback) { return new TestEffect(callback, "1-1 2-2"); }
IEffectVST2* MakeThree(audioMasterCallback callback) { return new TestEffect(callback, "3-3"); }

AEffect* VSTCALLBACK StereoEntry(audioMasterCallback callback) { return CreateVst2Effect(callback, &MakeStereo); }
AEffect* VSTCALLBACK MidiEntry(audioMasterCallback callback) { return CreateVst2Effect(callback, &MakeMidi); }
AEffect* VSTCALLBACK QuadEntry(audioMasterCallback callback) { return CreateVst2Effect(callback, &MakeQuad); }
AEffect* VSTCALLBACK MonoCapableEntry(audioMasterCallback callback) {
    return CreateVst2Effect(callback, &MakeMonoCapable);
}
AEffect* VSTCALLBACK ThreeEntry(audioMasterCallback callback) { return CreateVst2Effect(callback, &MakeThree); }

TestEffect* Plug(Vst2Host& host) { return static_cast<TestEffect*>(IEffectVST2::FromEffect(host.Effect())); }

const HostCall* LastCall(const std::vector<HostCall>& calls, VstInt32 opcode) {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->opcode == opcode) return &*it;
    return nullptr;
}

}  // namespace

TEST(WrapperHostCalls, EditorGestureReachesTheHost) {
    Vst2Host host;
    std::string error;
    ASSERT_TRUE(host.Create(&StereoEntry, &error)) << error;
    host.Start(44100.0f, 512);
    host.ClearCalls();

    TestEffect* plug = Plug(host);
    plug->BeginParamEdit(1);
    plug->SetParamFromEditor(0, 0.8);
    plug->EndParamEdit(1);
    plug->NotifyProgramChange();

    std::vector<HostCall> calls = host.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].index, 0);
    EXPECT_FLOAT_EQ(calls[1].opt, 0.8f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(calls[2].index, 1);
    EXPECT_EQ(calls[3].opcode, audioMasterUpdateDisplay);
    // The host reads the value the editor set.
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.8f);
}

TEST(WrapperHostCalls, ProcessLevelAndTransport) {
    Vst2Host host;
    std::string error;
    ASSERT_TRUE(host.Create(&StereoEntry, &error)) << error;
    TestEffect* plug = Plug(host);

    host.Answers().processLevel = kVstProcessLevelOffline;
    EXPECT_TRUE(plug->IsOfflineRender());
    host.Answers().processLevel = kVstProcessLevelRealtime;
    EXPECT_FALSE(plug->IsOfflineRender());

    // No time from the host: zeros, and a TransportInfo left as the caller made it.
    host.Answers().answerTime = false;
    EXPECT_EQ(plug->TransportSamplePos(), 0.0);
    EXPECT_EQ(plug->TransportTempo(), 0.0);
    TransportInfo untouched;
    plug->ReadTransport(&untouched);
    EXPECT_EQ(untouched.tempo, 120.0);
    EXPECT_EQ(untouched.numerator, 4);

    VstTimeInfo& time = host.Answers().timeInfo;
    host.Answers().answerTime = true;
    time = VstTimeInfo{};
    time.samplePos = 1000.6;
    time.ppqPos = 8.5;
    time.tempo = 96.0;
    time.barStartPos = 8.0;
    time.cycleStartPos = 4.0;
    time.cycleEndPos = 12.0;
    time.timeSigNumerator = 6;
    time.timeSigDenominator = 8;
    time.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstBarsValid | kVstCyclePosValid |
                 kVstTransportPlaying;
    EXPECT_EQ(plug->TransportSamplePos(), 1001.0);  // rounded to the nearest sample
    EXPECT_EQ(plug->TransportTempo(), 96.0);
    int numerator = -1, denominator = -1;
    plug->TransportTimeSig(&numerator, &denominator);
    EXPECT_EQ(numerator, 6);
    EXPECT_EQ(denominator, 8);
    TransportInfo info;
    plug->ReadTransport(&info);
    EXPECT_EQ(info.samplePos, 1000.6);
    EXPECT_EQ(info.ppqPos, 8.5);
    EXPECT_EQ(info.tempo, 96.0);
    EXPECT_EQ(info.lastBar, 8.0);
    EXPECT_EQ(info.cycleStart, 4.0);
    EXPECT_EQ(info.cycleEnd, 12.0);
    EXPECT_EQ(info.numerator, 6);
    EXPECT_EQ(info.denominator, 8);
    EXPECT_TRUE(info.transportIsRunning);
    EXPECT_FALSE(info.transportCycle);
    // ReadTransport asked for exactly the five kinds it reads.
    const std::vector<HostCall> calls = host.Calls();
    const HostCall* ask = LastCall(calls, audioMasterGetTime);
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->value, 0x3E00);

    // Flags missing or values unusable: the defaults stay.
    time.flags = kVstTransportPlaying;
    time.samplePos = -5.0;
    EXPECT_EQ(plug->TransportSamplePos(), 0.0);
    EXPECT_EQ(plug->TransportTempo(), 0.0);
    plug->TransportTimeSig(&numerator, &denominator);
    EXPECT_EQ(numerator, 0);
    EXPECT_EQ(denominator, 0);
    TransportInfo none;
    plug->ReadTransport(&none);  // none of the five flags: nothing at all
    EXPECT_EQ(none.samplePos, 0.0);
    time.flags = kVstTempoValid | kVstPpqPosValid;
    time.tempo = std::nan("");
    time.ppqPos = -1.0;
    TransportInfo guarded;
    plug->ReadTransport(&guarded);
    EXPECT_EQ(guarded.tempo, 120.0);
    EXPECT_EQ(guarded.ppqPos, 0.0);
    EXPECT_EQ(plug->TransportTempo(), 0.0);
}

TEST(WrapperHostCalls, HostIdentificationAndStereoRestriction) {
    struct Row {
        const char* product;
        VstIntPtr vendorVersion;
        HostKind expectedKind;
        int32_t expectedVersion;
        size_t versionQuestions;
        float thirdOutput;  // output 3 of a 4-4 plug-in fed 0.5 on every input
    } rows[] = {
        {"Adobe AUDITION", 30000, kHostAudition, 0x030000, 1, 0.0f},
        {"My SAWSTUDIO", 10203, kHostSawStudio, 0x010203, 1, 0.0f},
        {"Cubase 12", 120001, kHostCubase, 0x0C0001, 1, 0.5f},
        {"", 906, kHostUnknown, 0, 0, 0.5f},
    };
    for (const Row& row : rows) {
        vst2host::HostAnswers answers;
        answers.productString = row.product;
        answers.vendorVersion = row.vendorVersion;
        Vst2Host host(answers);
        std::string error;
        ASSERT_TRUE(host.Create(&QuadEntry, &error)) << error;
        host.Start(44100.0f, 128);
        host.Dispatch(effOpen);  // a second open asks nothing more
        TestEffect* plug = Plug(host);
        EXPECT_EQ(plug->HostId(), row.expectedKind) << row.product;
        EXPECT_EQ(plug->HostVersion(), row.expectedVersion) << row.product;
        EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1u) << row.product;
        EXPECT_EQ(host.CountCalls(audioMasterGetVendorVersion), row.versionQuestions) << row.product;
        EXPECT_EQ(host.Effect()->numInputs, 4);

        std::vector<std::vector<float>> in(4, std::vector<float>(16, 0.5f)), out(4, std::vector<float>(16, 9.0f));
        ASSERT_TRUE(host.ProcessReplacing(in, out, 16));
        EXPECT_FLOAT_EQ(out[1][3], 0.5f) << row.product;
        EXPECT_FLOAT_EQ(out[2][3], row.thirdOutput) << row.product;
    }
}

TEST(WrapperHostCalls, MidiInAndOut) {
    Vst2Host host;
    std::string error;
    ASSERT_TRUE(host.Create(&MidiEntry, &error)) << error;
    host.Start(44100.0f, 64);
    for (const char* text : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent"})
        EXPECT_EQ(host.CanDo(text), 1) << text;

    // Short MIDI events go straight back to the host; SysEx is taken and kept.
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = 24;  // as one host writes it; never relied upon
    note.deltaFrames = 5;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    char dump[] = {static_cast<char>(0xF0), 0x7E, static_cast<char>(0xF7)};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.dumpBytes = 3;
    sysex.sysexDump = dump;
    VstEvent other{};
    other.type = kVstAudioType;
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[4];
    } list{4, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, &other, reinterpret_cast<VstEvent*>(&sysex)}};
    EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &list), 1);
    EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, nullptr), 0);

    std::vector<SentEvent> sent = host.SentEvents();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, kVstMidiType);
    EXPECT_EQ(sent[0].byteSize, 32);
    EXPECT_EQ(sent[0].deltaFrames, 5);
    EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0x90, 60, 100, 0}));

    SysExMessage message;
    const uint8_t bytes[] = {0xF0, 0x01, 0x02, 0xF7};
    message.offset = 7;
    message.size = 4;
    message.data = bytes;
    EXPECT_TRUE(Plug(host)->SendSysExMessage(&message));
    host.Answers().processEventsAnswer = 0;
    EXPECT_FALSE(Plug(host)->SendSysExMessage(&message));
    sent = host.SentEvents();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].type, kVstSysExType);
    EXPECT_EQ(sent[1].byteSize, 48);
    EXPECT_EQ(sent[1].deltaFrames, 7);
    EXPECT_EQ(sent[1].bytes, (std::vector<uint8_t>(bytes, bytes + 4)));

    // A MIDI plug-in asks for MIDI on every block.
    host.ClearCalls();
    std::vector<std::vector<float>> in(2, std::vector<float>(8)), out(2, std::vector<float>(8));
    ASSERT_TRUE(host.ProcessReplacing(in, out, 8));
    EXPECT_EQ(host.CountCalls(audioMasterWantMidi), 1u);
}

TEST(WrapperHostCalls, ChannelLayoutsShapeTheRecord) {
    Vst2Host monoCapable, three;
    std::string error;
    ASSERT_TRUE(monoCapable.Create(&MonoCapableEntry, &error)) << error;
    EXPECT_EQ(monoCapable.Effect()->flags, 0x1018);  // plus the can-mono bit
    EXPECT_EQ(monoCapable.Effect()->numInputs, 2);

    ASSERT_TRUE(three.Create(&ThreeEntry, &error)) << error;
    VstSpeakerArrangement* inputs = nullptr;
    three.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputs), nullptr);
    ASSERT_NE(inputs, nullptr);
    EXPECT_EQ(inputs->type, kSpeakerArrUserDefined);
    EXPECT_EQ(inputs->numChannels, 3);
    // Channels pair up from the first; the odd last one is mono.
    const VstInt32 expectedFlags[] = {3, 1, 1};
    for (VstInt32 index = 0; index < 3; ++index) {
        VstPinProperties pin{};
        EXPECT_EQ(three.Dispatch(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_EQ(pin.flags, expectedFlags[index]) << index;
    }

    // A latency change shows in the record.
    Plug(three)->ChangeLatency(64);
    EXPECT_EQ(three.Effect()->initialDelay, 64);
}
