// Fuzz target: the bytes are a host script, a sequence of dispatcher, parameter and
// process calls on one brindle2 instance, with absurd values mixed in. After each
// process call the output must be finite; at the end the state must round-trip.
#include <climits>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FuzzChecks.h"
#include "Vst2Fuzz.h"

namespace {

constexpr VstInt32 kMaxFrames = 8192;

float SampleRate(FuzzInput& in) {
    static const float rates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f, 8000.0f, 1.0f, 0.0f, -48000.0f,
                                  1e9f, std::numeric_limits<float>::infinity(), std::nanf("")};
    const uint8_t pick = in.Byte();
    if (pick < sizeof rates / sizeof rates[0]) return rates[pick];
    return static_cast<float>(in.AnyDouble());
}

VstIntPtr BlockSize(FuzzInput& in) {
    static const VstIntPtr sizes[] = {1, 32, 64, 512, 4096, 0, -1, 65536, 1 << 20, INT_MAX,
                                      static_cast<VstIntPtr>(INT_MAX) + 1, std::numeric_limits<VstIntPtr>::min()};
    const uint8_t pick = in.Byte();
    if (pick < sizeof sizes / sizeof sizes[0]) return sizes[pick];
    return static_cast<VstInt32>(in.U32());
}

VstInt32 ParamIndex(FuzzInput& in, VstInt32 count) { return static_cast<VstInt32>(in.IntIn(-2, count + 1)); }

void SetSpeakers(vst2host::Vst2Host& host, FuzzInput& in) {
    VstSpeakerArrangement arrangements[2];
    std::memset(arrangements, 0, sizeof arrangements);
    for (auto& arrangement : arrangements) {
        arrangement.type = static_cast<VstInt32>(in.IntIn(-2, 30));
        arrangement.numChannels = static_cast<VstInt32>(in.IntIn(0, 8));
    }
    const uint8_t nulls = in.Byte();
    host.Dispatch(effSetSpeakerArrangement, 0, (nulls & 1) ? 0 : reinterpret_cast<VstIntPtr>(&arrangements[0]),
                  (nulls & 2) ? nullptr : &arrangements[1]);
}

void SendEvents(vst2host::Vst2Host& host, FuzzInput& in) {
    const int count = static_cast<int>(in.IntIn(0, 8));
    std::vector<VstMidiEvent> midi(static_cast<size_t>(count));
    // The record is declared with two slots; hosts allocate as many as they fill.
    std::vector<unsigned char> list(sizeof(VstEvents) + sizeof(VstEvent*) * static_cast<size_t>(count));
    VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
    VstEvent** slots = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
    events->numEvents = count;
    for (int i = 0; i < count; ++i) {
        VstMidiEvent& event = midi[static_cast<size_t>(i)];
        std::memset(&event, 0, sizeof event);
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = static_cast<VstInt32>(in.IntIn(-4, 1024));
        for (char& byte : event.midiData) byte = static_cast<char>(in.Byte());
        slots[i] = reinterpret_cast<VstEvent*>(&event);
    }
    host.Dispatch(effProcessEvents, 0, 0, events);
}

void Getters(vst2host::Vst2Host& host, FuzzInput& in) {
    static const VstInt32 textOpcodes[] = {effGetEffectName, effGetVendorString, effGetProductString};
    for (VstInt32 opcode : textOpcodes) host.DispatchText(opcode, 0, 64);
    host.CanDo(in.Text(40).c_str());
    VstPinProperties pin;
    host.Dispatch(effGetInputProperties, static_cast<VstInt32>(in.IntIn(-1, 3)), 0, &pin);
    host.Dispatch(effGetOutputProperties, static_cast<VstInt32>(in.IntIn(-1, 3)), 0, &pin);
    VstSpeakerArrangement* arrangements[2] = {nullptr, nullptr};
    host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangements[0]), &arrangements[1]);
    host.Dispatch(effGetTailSize);
    host.Dispatch(effGetVendorVersion);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    vst2host::Vst2Host host;
    fuzz::StartBrindle2(host, 44100.0f, 512);
    const VstInt32 params = host.Effect()->numParams;
    VstIntPtr blockSize = 512;

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.Byte() % 20) {
        case 0:
            host.Dispatch(effSetSampleRate, 0, 0, nullptr, SampleRate(in));
            break;
        case 1:
            blockSize = BlockSize(in);
            host.Dispatch(effSetBlockSize, 0, blockSize);
            break;
        case 2:
            host.Dispatch(effMainsChanged, 0, in.Bool() ? 1 : 0);
            break;
        case 3:
            host.Dispatch(in.Bool() ? effStartProcess : effStopProcess);
            break;
        case 4:
            host.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(in.IntIn(-3, 20)));
            break;
        case 5: {
            std::string name = in.Text(400);
            host.Dispatch(effSetProgramName, 0, 0, &name[0]);
            FUZZ_CHECK(host.DispatchText(effGetProgramName, 0, 256).bytesTouched <= 256);
            break;
        }
        case 6:
            FUZZ_CHECK(host.DispatchText(effGetProgramNameIndexed, static_cast<VstInt32>(in.IntIn(-2, 20)), 256)
                           .bytesTouched <= 256);
            break;
        case 7:
        case 8:
            host.SetParameter(ParamIndex(in, params), static_cast<float>(in.HostNormalized()));
            break;
        case 9: {
            static const VstInt32 textOpcodes[] = {effGetParamDisplay, effGetParamLabel, effGetParamName};
            const VstInt32 opcode = textOpcodes[in.Byte() % 3];
            FUZZ_CHECK(host.DispatchText(opcode, ParamIndex(in, params), 32).bytesTouched <= 32);
            break;
        }
        case 10: {
            std::string text = in.Text(64);
            host.Dispatch(effString2Parameter, ParamIndex(in, params), 0, in.Bool() ? &text[0] : nullptr);
            break;
        }
        case 11:
            fuzz::CheckChunkRoundTrip(host, in.Bool());
            break;
        case 12: {
            const bool program = in.Bool();
            const std::vector<uint8_t> chunk = in.Bytes(static_cast<size_t>(in.IntIn(0, 600)));
            host.SetChunk(program, chunk.data(), static_cast<VstIntPtr>(chunk.size()));
            break;
        }
        case 13:
        case 14:
        case 15: {
            // Up to and beyond the announced block size, within what the test allocates.
            const VstInt32 limit = blockSize > 0 && blockSize < kMaxFrames / 2 ? static_cast<VstInt32>(blockSize) * 2 + 7
                                                                                 : kMaxFrames;
            fuzz::ProcessAndCheck(host, in, in.Byte() % 3, static_cast<VstInt32>(in.IntIn(0, limit)));
            break;
        }
        case 16: {
            ERect* rect = nullptr;
            host.Dispatch(effEditGetRect, 0, 0, &rect);
            if (rect) FUZZ_CHECK(rect->right > rect->left && rect->bottom > rect->top);
            host.Dispatch(effEditOpen);
            host.Dispatch(effEditIdle);
            if (in.Bool()) host.Dispatch(effEditClose);
            break;
        }
        case 17:
            SetSpeakers(host, in);
            break;
        case 18:
            SendEvents(host, in);
            break;
        default:
            Getters(host, in);
            break;
        }
    }

    fuzz::CheckParameters(host);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.Dispatch(effSetBlockSize, 0, 256);
    host.Dispatch(effMainsChanged, 0, 1);
    FuzzInput signal(data, size);
    fuzz::ProcessAndCheck(host, signal, 2, 256);
    fuzz::CheckChunkRoundTrip(host, true);
    fuzz::CheckChunkRoundTrip(host, false);
    host.Close();
    return 0;
}
