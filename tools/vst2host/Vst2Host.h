// One plug-in instance seen from the host side: creation through the module's entry, a host
// callback that records every call and answers like a small host, and helpers for dispatcher
// calls, texts, chunks and processing. Uses nothing of the plug-in but the binary interface.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "VstInterface.h"
#include "Vst2Module.h"

namespace vst2host {

// One call the plug-in made to the host.
struct HostCall {
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    float opt = 0.0f;
    bool duringEntry = false;  // made inside the module's entry point
    bool effectGiven = false;  // the plug-in passed a non-null AEffect
    std::string text;          // the asked text for audioMasterCanDo
};

// What the host answers; tests change these before or between calls.
struct HostAnswers {
    std::string productString = "Harness Host";
    std::string vendorString = "Harness";
    VstIntPtr vendorVersion = 10203;  // 1.2.3 written as major * 10000 + minor * 100 + patch
    VstIntPtr processLevel = kVstProcessLevelUser;
    VstIntPtr processEventsAnswer = 1;
    bool answerTime = false;  // audioMasterGetTime returns &timeInfo when set, else 0
    VstTimeInfo timeInfo{};
    std::vector<std::string> canDo{"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "sizeWindow"};
    double sampleRate = 44100.0;
    VstIntPtr blockSize = 512;
};

// A MIDI or SysEx event the plug-in sent through audioMasterProcessEvents, copied during the call.
struct SentEvent {
    VstInt32 type = 0;
    VstInt32 byteSize = 0;
    VstInt32 deltaFrames = 0;
    std::vector<uint8_t> bytes;  // midiData[0..3], or the SysEx dump
};

// A text the plug-in wrote into a host buffer.
struct TextAnswer {
    VstIntPtr result = 0;
    std::string text;         // up to the first terminator inside the buffer
    bool terminated = false;  // a terminator was found inside the buffer
    size_t bytesTouched = 0;  // one past the last byte that differs from the fill pattern
};

class Vst2Host {
public:
    explicit Vst2Host(HostAnswers hostAnswers = HostAnswers());
    ~Vst2Host();
    Vst2Host(const Vst2Host&) = delete;
    Vst2Host& operator=(const Vst2Host&) = delete;

    // Calls the module's entry with this host's callback and checks the magic. The module must
    // outlive the instance.
    bool Create(const Vst2Module& module, std::string* error);
    // The same with an entry function at hand (a plug-in linked into the caller).
    bool Create(VstPluginMainProc entry, std::string* error);
    AEffect* Effect() const { return effect; }

    // The usual start: sample rate, block size, effOpen, resume.
    void Start(float sampleRate, VstInt32 blockSize);
    // Suspend and effClose; the AEffect is gone afterwards.
    void Close();

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // Dispatches with a buffer of bufferSize bytes filled with a pattern, to see how far the
    // plug-in wrote.
    TextAnswer DispatchText(VstInt32 opcode, VstInt32 index = 0, size_t bufferSize = 256, VstIntPtr value = 0);
    VstIntPtr CanDo(const char* text) { return Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); }

    float GetParameter(VstInt32 index);
    void SetParameter(VstInt32 index, float value);

    // effGetChunk: program when `program`, bank otherwise. Returns the reported size and copies
    // the bytes into *bytes (empty when the answer is 0 or the pointer null).
    VstIntPtr GetChunk(bool program, std::vector<uint8_t>* bytes);
    VstIntPtr SetChunk(bool program, const void* data, VstIntPtr size);

    // Processing with one buffer per channel; false (nothing called) when fewer channels are
    // given than the effect declares or a buffer is shorter than frames.
    bool ProcessReplacing(std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                          VstInt32 frames);
    bool ProcessAccumulating(std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                             VstInt32 frames);
    bool ProcessDouble(std::vector<std::vector<double>>& inputs, std::vector<std::vector<double>>& outputs,
                       VstInt32 frames);
    // Plays a stereo signal through processReplacing in blocks of blockFrames, the output
    // thrown away (for what the plug-in measures); false when a block was refused.
    bool PlayReplacing(const std::vector<float>& left, const std::vector<float>& right, int blockFrames);

    HostAnswers& Answers() { return answers; }
    std::vector<HostCall> Calls() const;
    size_t CountCalls(VstInt32 opcode) const;
    std::vector<SentEvent> SentEvents() const;
    void ClearCalls();

    // The callback every instance hands to the entry point.
    static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

private:
    VstIntPtr Answer(AEffect* caller, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    HostAnswers answers;
    AEffect* effect = nullptr;
    bool creating = false;
    mutable std::mutex callsMutex;
    std::vector<HostCall> calls;
    std::vector<SentEvent> sentEvents;
};

}  // namespace vst2host
