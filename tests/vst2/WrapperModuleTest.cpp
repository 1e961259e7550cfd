// The VST 2 wrapper seen from a host: a module built from the wrapper and a small test plug-in
// (gain in dB, a three-way mode with texts, an invert switch), loaded by path through the harness.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Vst2Host.h"
#include "Vst2Module.h"

using vst2host::TextAnswer;
using vst2host::Vst2Host;
using vst2host::Vst2Module;

namespace {

// +6 dB, worked out by hand: 10^(6/20).
const double kSixDecibels = 1.9952623149688795;

class WrapperModule : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(module.Load(TEST_MODULE_PATH, &error)) << error;
        ASSERT_TRUE(host.Create(module, &error)) << error;
        effect = host.Effect();
        host.Start(48000.0f, 512);
    }
    void TearDown() override { host.Close(); }

    double ReadDouble(const std::vector<uint8_t>& bytes, size_t offset) {
        double v = 0.0;
        std::memcpy(&v, bytes.data() + offset, sizeof(v));
        return v;
    }

    Vst2Module module;
    Vst2Host host;
    AEffect* effect = nullptr;
};

std::vector<uint8_t> ProgramChunkBytes(bool header, const std::vector<double>& values) {
    std::vector<uint8_t> bytes;
    if (header) bytes = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    for (double v : values) {
        uint8_t raw[8];
        std::memcpy(raw, &v, 8);
        bytes.insert(bytes.end(), raw, raw + 8);
    }
    return bytes;
}

}  // namespace

TEST_F(WrapperModule, EffectRecordAfterCreation) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 3);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    // Replacing and double replacing; "2-2" allows no single input, and there is no editor.
    EXPECT_EQ(effect->flags, 0x1010);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->uniqueID, 0x54737431);
    EXPECT_EQ(effect->version, 10203);  // 0x010203 is 1.2.3
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->process, effect->processReplacing);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    for (char c : effect->future) EXPECT_EQ(c, 0);
    // Both entry names are exported and the host found the current one first.
    EXPECT_EQ(module.EntryName(), "VSTPluginMain");
    EXPECT_NE(module.Symbol("main"), nullptr);
}

TEST_F(WrapperModule, IdentityAndFixedAnswers) {
    struct Row {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr expected;
    } rows[] = {
        {effGetVendorVersion, 0, 10203},  {effGetVstVersion, 0, 2400}, {effIdentify, 0, 0x4E764566},
        {effGetPlugCategory, 0, 1},       {effGetTailSize, 0, 0},      {effGetProgram, 0, 0},
        {effCanBeAutomated, 0, 1},        {effCanBeAutomated, 99, 1},  {effEditGetRect, 0, 0},
        {effEditOpen, 0, 0},              {effEditClose, 0, 0},        {effEditIdle, 0, 0},
        {effIdle, 0, 0},                  {effProcessVarIo, 0, 0},     {effGetVu, 0, 0},
        {effSetBypass, 0, 0},             {effGetParameterProperties, 0, 0},
        {effBeginSetProgram, 0, 0},       {effSetProcessPrecision, 0, 0},
        {80, 0, 0},                       {1000, 0, 0},                {-1, 0, 0},
    };
    for (const Row& row : rows) EXPECT_EQ(host.Dispatch(row.opcode, row.index), row.expected) << row.opcode;

    struct TextRow {
        VstInt32 opcode;
        const char* text;
    } texts[] = {
        {effGetEffectName, "Test Effect"}, {effGetVendorString, "Test Maker"}, {effGetProductString, "Test Product"}};
    for (const TextRow& row : texts) {
        TextAnswer answer = host.DispatchText(row.opcode);
        EXPECT_EQ(answer.result, 1) << row.opcode;
        EXPECT_EQ(answer.text, row.text) << row.opcode;
        EXPECT_EQ(host.Dispatch(row.opcode, 0, 0, nullptr), 0) << "null buffer, opcode " << row.opcode;
    }
}

TEST_F(WrapperModule, CanDoAnswersOnlyTheTable) {
    struct Row {
        const char* text;
        VstIntPtr expected;
    } rows[] = {
        {"receiveVstTimeInfo", 1}, {"sendVstEvents", 0},       {"sendVstMidiEvent", 0},
        {"receiveVstEvents", 0},   {"receiveVstMidiEvent", 0}, {"bypass", 0},
        {"receivevsttimeinfo", 0}, {"receiveVstTimeInfoX", 0}, {"", 0},
        {"offline", 0},            {"midiProgramNames", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(host.CanDo(row.text), row.expected) << row.text;
    EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(WrapperModule, ParameterTextsStayInsideTheirLimits) {
    struct Row {
        VstInt32 opcode;
        VstInt32 index;
        const char* text;
    } rows[] = {
        {effGetParamName, 0, "Gain"},    {effGetParamName, 1, "Mode"}, {effGetParamName, 2, "Invert"},
        {effGetParamLabel, 0, "dB"},     {effGetParamLabel, 1, ""},    {effGetParamDisplay, 1, "stereo"},
        {effGetParamDisplay, 2, "off"},
    };
    for (const Row& row : rows) {
        TextAnswer answer = host.DispatchText(row.opcode, row.index);
        EXPECT_EQ(answer.text, row.text) << row.opcode << "/" << row.index;
        EXPECT_LE(answer.bytesTouched, 32u);
    }
    // Indices outside the list leave the host's buffer untouched.
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        for (VstInt32 index : {-1, 3, 1000}) {
            TextAnswer answer = host.DispatchText(opcode, index);
            EXPECT_EQ(answer.result, 0);
            EXPECT_EQ(answer.bytesTouched, 0u) << opcode << "/" << index;
        }
    EXPECT_EQ(host.Dispatch(effGetParamName, 0, 0, nullptr), 0);
}

TEST_F(WrapperModule, ParametersFromTheHost) {
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.5f);  // 0 dB in -12..12
    host.SetParameter(0, 0.75f);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    EXPECT_EQ(host.DispatchText(effGetParamDisplay, 0).text.substr(0, 1), "6");
    // A NaN from the host changes nothing; values outside 0..1 are limited.
    host.SetParameter(0, std::nanf(""));
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    host.SetParameter(0, 7.0f);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 1.0f);
    // Outside the list: 0 and nothing happens.
    EXPECT_EQ(host.GetParameter(-1), 0.0f);
    EXPECT_EQ(host.GetParameter(3), 0.0f);
    host.SetParameter(3, 0.2f);
    host.SetParameter(-7, 0.2f);
    EXPECT_FLOAT_EQ(host.GetParameter(2), 0.0f);
}

TEST_F(WrapperModule, ThreeProcessFunctions) {
    host.SetParameter(0, 0.75f);  // +6 dB
    const VstInt32 frames = 300;  // longer than nothing the host announced: 512 is the limit
    std::vector<std::vector<float>> in(2, std::vector<float>(frames)), out(2, std::vector<float>(frames, 0.1f));
    for (VstInt32 i = 0; i < frames; ++i) {
        in[0][i] = 0.25f;
        in[1][i] = -0.5f;
    }
    ASSERT_TRUE(host.ProcessReplacing(in, out, frames));
    for (VstInt32 i = 0; i < frames; ++i) {
        EXPECT_NEAR(out[0][i], 0.25 * kSixDecibels, 1e-6);
        EXPECT_NEAR(out[1][i], -0.5 * kSixDecibels, 1e-6);
    }

    // The accumulating variant adds to what the host's outputs hold.
    for (auto& channel : out) std::fill(channel.begin(), channel.end(), 0.1f);
    ASSERT_TRUE(host.ProcessAccumulating(in, out, frames));
    for (VstInt32 i = 0; i < frames; ++i) {
        EXPECT_NEAR(out[0][i], 0.1 + 0.25 * kSixDecibels, 1e-6);
        EXPECT_NEAR(out[1][i], 0.1 - 0.5 * kSixDecibels, 1e-6);
    }

    std::vector<std::vector<double>> din(2, std::vector<double>(frames, 0.125)), dout(2, std::vector<double>(frames));
    host.SetParameter(2, 1.0f);  // invert
    ASSERT_TRUE(host.ProcessDouble(din, dout, frames));
    for (VstInt32 i = 0; i < frames; ++i) EXPECT_NEAR(dout[1][i], -0.125 * kSixDecibels, 1e-12);

    // In place, as some hosts feed outputs back in: inputs are read before outputs are written.
    ASSERT_TRUE(host.ProcessDouble(dout, dout, frames));
    EXPECT_NEAR(dout[0][0], 0.125 * kSixDecibels * kSixDecibels, 1e-12);
}

TEST_F(WrapperModule, BlocksLongerThanAnnouncedAndOddSettings) {
    host.Dispatch(effSetBlockSize, 0, 64);
    std::vector<std::vector<float>> in(2, std::vector<float>(1000, 0.5f)), out(2, std::vector<float>(1000));
    ASSERT_TRUE(host.ProcessReplacing(in, out, 1000));
    EXPECT_NEAR(out[0][999], 0.5, 1e-7);
    EXPECT_NEAR(out[1][0], 0.5, 1e-7);

    // Sizes a host should never send are ignored; processing still works afterwards.
    for (VstIntPtr size : {VstIntPtr(-1), VstIntPtr(1) << 40, VstIntPtr(0)}) host.Dispatch(effSetBlockSize, 0, size);
    for (float rate : {std::nanf(""), -1.0f, 0.0f, INFINITY}) host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    for (int i = 0; i < 3; ++i) {
        host.Dispatch(effMainsChanged, 0, 0);
        host.Dispatch(effMainsChanged, 0, 0);
        host.Dispatch(effMainsChanged, 0, 1);
    }
    std::fill(out[0].begin(), out[0].end(), 9.0f);
    ASSERT_TRUE(host.ProcessReplacing(in, out, 1000));
    EXPECT_NEAR(out[0][500], 0.5, 1e-7);
    // Null channel arrays and empty blocks are survived.
    effect->processReplacing(effect, nullptr, nullptr, 64);
    effect->processDoubleReplacing(effect, nullptr, nullptr, 64);
    effect->process(effect, nullptr, nullptr, 64);
    ASSERT_TRUE(host.ProcessReplacing(in, out, 0));
}

TEST_F(WrapperModule, ProgramAndBankChunks) {
    host.SetParameter(0, 0.75f);  // +6 dB
    std::vector<uint8_t> program;
    ASSERT_EQ(host.GetChunk(true, &program), 32);  // header + three doubles
    EXPECT_EQ(program, ProgramChunkBytes(true, {6.0, 0.0, 0.0}));

    std::vector<uint8_t> bank;
    // Header, name length 5, "Empty", flag 1, the slot's three doubles: 8 + 4 + 5 + 1 + 24.
    ASSERT_EQ(host.GetChunk(false, &bank), 42);
    const std::vector<uint8_t> bankStart = {0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0, 5, 0, 0, 0, 'E', 'm', 'p', 't', 'y', 1};
    EXPECT_TRUE(std::equal(bankStart.begin(), bankStart.end(), bank.begin()));
    EXPECT_EQ(ReadDouble(bank, 18), 6.0);

    // Handing the program back changes nothing; a changed value arrives.
    EXPECT_EQ(host.SetChunk(true, program.data(), static_cast<VstIntPtr>(program.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    std::vector<uint8_t> changed = ProgramChunkBytes(true, {3.0, 2.0, 1.0});
    EXPECT_EQ(host.SetChunk(true, changed.data(), static_cast<VstIntPtr>(changed.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.625f);  // (3 + 12) / 24
    EXPECT_FLOAT_EQ(host.GetParameter(1), 1.0f);
    EXPECT_FLOAT_EQ(host.GetParameter(2), 1.0f);

    // The bank taken earlier brings +6 dB and the defaults back into the current slot.
    EXPECT_EQ(host.SetChunk(false, bank.data(), static_cast<VstIntPtr>(bank.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    EXPECT_FLOAT_EQ(host.GetParameter(1), 0.0f);

    // A bank request with a headerless chunk reads it as a program.
    std::vector<uint8_t> bare = ProgramChunkBytes(false, {-6.0, 1.0, 1.0});
    EXPECT_EQ(host.SetChunk(false, bare.data(), static_cast<VstIntPtr>(bare.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);
    EXPECT_FLOAT_EQ(host.GetParameter(1), 0.5f);
}

TEST_F(WrapperModule, BadChunksAreRefusedWithoutHarm) {
    host.SetParameter(0, 0.75f);
    std::vector<uint8_t> program;
    ASSERT_EQ(host.GetChunk(true, &program), 32);

    // No data, no size, a negative size or more than 1 MiB: 0, nothing changes.
    const VstIntPtr tooLarge = (VstIntPtr(1) << 20) + 1;
    std::vector<uint8_t> huge(static_cast<size_t>(tooLarge), 0);
    std::memcpy(huge.data(), program.data(), program.size());
    struct Row {
        const void* data;
        VstIntPtr size;
    } rows[] = {{nullptr, 32}, {program.data(), 0}, {program.data(), -32}, {huge.data(), tooLarge},
                {huge.data(), VstIntPtr(1) << 33}};
    for (const Row& row : rows)
        for (bool asProgram : {true, false}) {
            EXPECT_EQ(host.SetChunk(asProgram, row.data, row.size), 0) << row.size;
            EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f) << row.size;
        }
    EXPECT_EQ(host.Dispatch(effGetChunk, 1, 0, nullptr), 0);

    // Every cut of a valid program chunk fails, and never reads past what was handed over.
    for (size_t length = 1; length < program.size(); ++length) {
        std::vector<uint8_t> cut(program.begin(), program.begin() + length);
        EXPECT_EQ(host.SetChunk(true, cut.data(), static_cast<VstIntPtr>(cut.size())), 0) << length;
    }
    // A chunk cut after two values sets those two and reports failure.
    std::vector<uint8_t> twoValues = ProgramChunkBytes(true, {-12.0, 2.0});
    EXPECT_EQ(host.SetChunk(true, twoValues.data(), static_cast<VstIntPtr>(twoValues.size())), 0);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.0f);
    EXPECT_FLOAT_EQ(host.GetParameter(1), 1.0f);

    // Random bytes, with and without a header in front: no crash, and a good chunk still loads.
    std::mt19937 random(1234);
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> noise(1 + random() % 200);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        if (round % 2) std::memcpy(noise.data(), program.data(), std::min<size_t>(8, noise.size()));
        host.SetChunk(round % 3 == 0, noise.data(), static_cast<VstIntPtr>(noise.size()));
    }
    EXPECT_EQ(host.SetChunk(true, program.data(), static_cast<VstIntPtr>(program.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
}

TEST_F(WrapperModule, StringToParameter) {
    struct Row {
        VstInt32 index;
        const char* text;
        VstIntPtr result;
        float normalized;  // of that parameter afterwards
    } rows[] = {
        {0, "6", 1, 0.75f},       {0, "-30", 1, 0.0f},    {0, "3 dB", 1, 0.625f}, {0, "abc", 1, 0.5f},
        {0, "nan", 0, 0.5f},      {0, "inf", 1, 1.0f},    {1, "mid", 1, 0.5f},    {1, "MID", 0, 0.5f},
        {1, "side", 1, 1.0f},     {1, "2", 0, 1.0f},      {2, "on", 1, 1.0f},     {2, "off", 1, 0.0f},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(host.Dispatch(effString2Parameter, row.index, 0, const_cast<char*>(row.text)), row.result)
            << row.text;
        EXPECT_FLOAT_EQ(host.GetParameter(row.index), row.normalized) << row.text;
    }
    // A null text asks whether conversion is possible; an index outside the list cannot.
    EXPECT_EQ(host.Dispatch(effString2Parameter, 0, 0, nullptr), 1);
    EXPECT_EQ(host.Dispatch(effString2Parameter, 3, 0, const_cast<char*>("1")), 0);
    EXPECT_EQ(host.Dispatch(effString2Parameter, -1, 0, nullptr), 0);
    // A text with no terminator in the host's buffer is read only up to the text limit.
    std::vector<char> unterminated(64, '7');
    EXPECT_EQ(host.Dispatch(effString2Parameter, 0, 0, unterminated.data()), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 1.0f);
}

TEST_F(WrapperModule, ProgramsAndTheirNames) {
    EXPECT_EQ(host.DispatchText(effGetProgramName).text, "Empty");
    TextAnswer indexed = host.DispatchText(effGetProgramNameIndexed, 0);
    EXPECT_EQ(indexed.result, 1);
    EXPECT_EQ(indexed.text, "Empty");
    for (VstInt32 index : {-1, 1, 50}) EXPECT_EQ(host.DispatchText(effGetProgramNameIndexed, index).result, 0);
    EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

    host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Wide"));
    EXPECT_EQ(host.DispatchText(effGetProgramName).text, "Wide");
    // A name without a terminator is cut at 255 characters, and so is what comes back.
    std::vector<char> longName(600, 'n');
    host.Dispatch(effSetProgramName, 0, 0, longName.data());
    TextAnswer back = host.DispatchText(effGetProgramName, 0, 600);
    EXPECT_EQ(back.text, std::string(255, 'n'));
    EXPECT_EQ(back.bytesTouched, 256u);
    host.Dispatch(effSetProgramName, 0, 0, nullptr);
    EXPECT_EQ(host.Dispatch(effGetProgramName, 0, 0, nullptr), 0);

    // Selecting the one slot keeps its values; indices outside the slots change nothing.
    host.SetParameter(0, 0.25f);
    host.Dispatch(effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);
    for (VstIntPtr index : {VstIntPtr(-1), VstIntPtr(1), VstIntPtr(1) << 40}) {
        host.Dispatch(effSetProgram, 0, index);
        EXPECT_EQ(host.Dispatch(effGetProgram), 0);
        EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);
    }
}

TEST_F(WrapperModule, PinsAndSpeakerArrangements) {
    struct Row {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr result;
        VstInt32 flags;
        const char* label;
    } rows[] = {
        {effGetInputProperties, 0, 1, 3, "Input 1"},   {effGetInputProperties, 1, 1, 1, "Input 2"},
        {effGetOutputProperties, 0, 1, 3, "Output 1"}, {effGetOutputProperties, 1, 1, 1, "Output 2"},
        {effGetInputProperties, 2, 0, -7, ""},         {effGetOutputProperties, -1, 0, -7, ""},
    };
    for (const Row& row : rows) {
        VstPinProperties pin;
        std::memset(&pin, 0, sizeof(pin));
        pin.flags = -7;
        pin.arrangementType = 42;
        std::strcpy(pin.shortLabel, "host");
        EXPECT_EQ(host.Dispatch(row.opcode, row.index, 0, &pin), row.result) << row.index;
        EXPECT_EQ(pin.flags, row.flags);
        EXPECT_STREQ(pin.label, row.label);
        EXPECT_EQ(pin.arrangementType, 42);  // left as the host gave it
        EXPECT_STREQ(pin.shortLabel, "host");
    }
    EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, nullptr), 0);

    VstSpeakerArrangement* inputs = nullptr;
    VstSpeakerArrangement* outputs = nullptr;
    EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputs), &outputs), 1);
    ASSERT_NE(inputs, nullptr);
    ASSERT_NE(outputs, nullptr);
    EXPECT_EQ(inputs->type, kSpeakerArrStereo);
    EXPECT_EQ(inputs->numChannels, 2);
    EXPECT_EQ(outputs->numChannels, 2);
    EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);

    // One input channel: the second input is disconnected and reads silence (fresh scratch
    // after a block-size change), so the second output is silent.
    VstSpeakerArrangement mono{};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    VstSpeakerArrangement stereo{};
    stereo.type = kSpeakerArrStereo;
    stereo.numChannels = 2;
    EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo), 1);
    host.Dispatch(effSetBlockSize, 0, 256);
    std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.5f)), out(2, std::vector<float>(64, 9.0f));
    ASSERT_TRUE(host.ProcessReplacing(in, out, 64));
    EXPECT_FLOAT_EQ(out[0][10], 0.5f);
    EXPECT_FLOAT_EQ(out[1][10], 0.0f);
    // The wrapper's own records do not follow the host's request.
    EXPECT_EQ(inputs->numChannels, 2);

    VstSpeakerArrangement negative{};
    negative.numChannels = -5;
    EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&negative), nullptr), 1);
    EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo), 1);
    ASSERT_TRUE(host.ProcessReplacing(in, out, 64));
    EXPECT_FLOAT_EQ(out[1][10], 0.5f);
}

TEST_F(WrapperModule, VendorSpecificAndKeyNames) {
    std::vector<char> text(64, 'x');
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, text.data(), 0.75f), 0xBEEF);
    EXPECT_EQ(std::string(text.data()).substr(0, 1), "6");
    std::vector<char> untouched(64, 'x');
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 99, untouched.data(), 0.5f), 0xBEEF);
    EXPECT_EQ(untouched[0], 'x');
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, 0, nullptr, 0.5f), 0);
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 1), 0xBEEF);  // an enum
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 0), 0);       // a continuous value
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 99), 0);
    EXPECT_EQ(host.Dispatch(effVendorSpecific, 3, 0), 0);

    // The test plug-in labels key 60 with a 127-character text; the record takes 63 of them.
    MidiKeyName key;
    std::memset(&key, 0, sizeof(key));
    key.thisKeyNumber = 60;
    key.reserved = 0x1234;
    key.flags = 0x5678;
    EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 1);
    EXPECT_EQ(std::string(key.keyName), "Key60" + std::string(58, 'k'));
    EXPECT_EQ(key.reserved, 0x1234);
    EXPECT_EQ(key.flags, 0x5678);
    EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

TEST_F(WrapperModule, HostIsIdentifiedOnceOnOpen) {
    // SetUp opened the instance: one product-string and one vendor-version question.
    EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1u);
    EXPECT_EQ(host.CountCalls(audioMasterGetVendorVersion), 1u);
    host.Dispatch(effOpen);
    EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1u);
    // Nothing was asked inside the entry point, and the wrapper never sends IO or size changes.
    for (const auto& call : host.Calls()) {
        EXPECT_FALSE(call.duringEntry) << call.opcode;
        EXPECT_NE(call.opcode, audioMasterIOChanged);
        EXPECT_NE(call.opcode, audioMasterSizeWindow);
        EXPECT_TRUE(call.effectGiven);
    }
}

TEST_F(WrapperModule, AudioThreadAndHostThreadMeetInTheMutex) {
    // One thread processes while another changes settings and state; the plug-in mutex keeps
    // every block consistent, so the output is always one of the gains the host set.
    std::thread audio([this] {
        std::vector<std::vector<float>> in(2, std::vector<float>(256, 0.5f)), out(2, std::vector<float>(256));
        for (int block = 0; block < 2000; ++block) {
            ASSERT_TRUE(host.ProcessReplacing(in, out, 256));
            for (const auto& channel : out)
                for (float v : channel) ASSERT_TRUE(std::fabs(v) <= 0.5f * 3.99f + 1e-3f) << v;
        }
    });
    std::vector<uint8_t> chunk;
    for (int round = 0; round < 2000; ++round) {
        host.SetParameter(0, (round % 5) / 4.0f);
        host.Dispatch(effSetBlockSize, 0, 64 + (round % 3) * 100);
        host.GetChunk(round % 2 == 0, &chunk);
        host.SetChunk(round % 2 == 0, chunk.data(), static_cast<VstIntPtr>(chunk.size()));
        host.DispatchText(effGetParamDisplay, 0);
    }
    audio.join();
}

TEST(WrapperModuleEntry, InstancesAreIndependentAndTheLegacyEntryWorks) {
    Vst2Module module;
    std::string error;
    ASSERT_TRUE(module.Load(TEST_MODULE_PATH, &error)) << error;
    auto legacy = reinterpret_cast<VstPluginMainProc>(module.Symbol("main"));
    ASSERT_NE(legacy, nullptr);

    Vst2Host first, second;
    ASSERT_TRUE(first.Create(module, &error)) << error;
    ASSERT_TRUE(second.Create(legacy, &error)) << error;
    EXPECT_NE(first.Effect(), second.Effect());
    first.Start(44100.0f, 256);
    second.Start(44100.0f, 256);
    first.SetParameter(0, 1.0f);
    EXPECT_FLOAT_EQ(second.GetParameter(0), 0.5f);

    // A host that hands over no callback: the instance works and makes no host calls.
    AEffect* orphan = legacy(nullptr);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->dispatcher(orphan, effOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(orphan->dispatcher(orphan, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
    orphan->dispatcher(orphan, effClose, 0, 0, nullptr, 0.0f);

    // A record whose object was cleared answers 0.
    AEffect blank{};
    EXPECT_EQ(first.Effect()->dispatcher(&blank, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(first.Effect()->getParameter(&blank, 0), 0.0f);
}
