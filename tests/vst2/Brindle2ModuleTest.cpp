// The brindle2 module checked from the outside, as a host sees it: identity, parameters, chunks,
// processing and host traffic. Expected figures come from the plug-in's published parameter table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BrindleVersion.h"
#include "Vst2Host.h"
#include "plugin/BrindleEditor.h"
#include "Vst2Module.h"

using vst2host::TextAnswer;
using vst2host::Vst2Host;
using vst2host::Vst2Module;

namespace {

const double kPi = 3.14159265358979323846;

// A bank chunk as hosts store it: header, then one slot with its name (the length word may
// claim more or less than the bytes that follow), its flag and the twelve values.
std::vector<uint8_t> BankChunk(int32_t nameLength, const std::string& nameBytes, const double (&values)[12]) {
    std::vector<uint8_t> bytes = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(nameLength) >> (8 * i)));
    bytes.insert(bytes.end(), nameBytes.begin(), nameBytes.end());
    bytes.push_back(1);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(values);
    bytes.insert(bytes.end(), raw, raw + sizeof values);
    return bytes;
}

class Brindle2Module : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(module.Load(BRINDLE2_MODULE_PATH, &error)) << error;
        ASSERT_TRUE(host.Create(module, &error)) << error;
        effect = host.Effect();
        host.Start(44100.0f, 512);
    }
    void TearDown() override { host.Close(); }

    // Runs `seconds` of a two-tone stereo signal through processReplacing in 512-frame blocks
    // and keeps the last block of input and output.
    void Run(double seconds, std::vector<std::vector<float>>* lastIn, std::vector<std::vector<float>>* lastOut) {
        const int frames = 512;
        std::vector<std::vector<float>> in(2, std::vector<float>(frames)), out(2, std::vector<float>(frames));
        const int blocks = static_cast<int>(seconds * 44100.0 / frames);
        for (int block = 0; block < blocks; ++block) {
            for (int i = 0; i < frames; ++i) {
                const double t = (position + i) / 44100.0;
                in[0][i] = static_cast<float>(0.4 * std::sin(2 * kPi * 220.0 * t));
                in[1][i] = static_cast<float>(0.3 * std::sin(2 * kPi * 330.0 * t));
            }
            position += frames;
            ASSERT_TRUE(host.ProcessReplacing(in, out, frames));
        }
        *lastIn = in;
        *lastOut = out;
    }

    Vst2Module module;
    Vst2Host host;
    AEffect* effect = nullptr;
    long position = 0;
};

}  // namespace

TEST_F(Brindle2Module, IdentityFieldsAndFlags) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->uniqueID, 0x5A716272);  // 'Z' 'q' 'b' 'r'
    // VST 2 hosts read the version as decimal MMmmpp: 906 for "0.9.6".
    int major = -1, minor = -1, patch = -1;
    ASSERT_EQ(std::sscanf(BRINDLE_VERSION_STRING, "%d.%d.%d", &major, &minor, &patch), 3);
    const int decimalVersion = major * 10000 + minor * 100 + patch;
    EXPECT_EQ(effect->version, decimalVersion);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 12);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags & ~effFlagsHasEditor, 0x1010);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(module.Symbol("VSTPluginMain"), nullptr);
    EXPECT_NE(module.Symbol("main"), nullptr);

    EXPECT_EQ(host.Dispatch(effGetVendorVersion), decimalVersion);
    EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.Dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(host.Dispatch(effGetTailSize), 0);
    EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.DispatchText(effGetEffectName).text, "Brindle");
    EXPECT_EQ(host.DispatchText(effGetVendorString).text, "Orvane");
    TextAnswer product = host.DispatchText(effGetProductString);
    EXPECT_EQ(product.result, 1);
    EXPECT_EQ(product.text, "");
    EXPECT_EQ(host.DispatchText(effGetProgramName).text, "Empty");
    EXPECT_EQ(host.CanDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(host.CanDo("sendVstEvents"), 0);
    EXPECT_EQ(host.CanDo("receiveVstMidiEvent"), 0);
    EXPECT_EQ(host.CanDo("bypass"), 0);
}

TEST_F(Brindle2Module, ParameterTable) {
    struct Row {
        const char* name;
        const char* label;
        const char* display;
        float normalized;
    } rows[] = {
        {"Output Gain", "dB", "0.0", 0.5f}, {"Mid Gain", "dB", "0.0", 0.5f},      {"Side Gain", "dB", "0.0", 0.5f},
        {"Delay Amount", "", "zero", 0.0f}, {"Width", "", "0.00", 0.5f},         {"Panning", "", "center", 0.5f},
        {"Channel Selector", "", "stereo", 0.0f}, {"Invert Left", "", "off", 0.0f}, {"Invert Right", "", "off", 0.0f},
        {"L/R swap", "", "off", 0.0f},      {"Mono Test", "", "off", 0.0f},      {"Bypass", "", "off", 0.0f},
    };
    for (VstInt32 i = 0; i < 12; ++i) {
        EXPECT_EQ(host.DispatchText(effGetParamName, i).text, rows[i].name) << i;
        EXPECT_EQ(host.DispatchText(effGetParamLabel, i).text, rows[i].label) << i;
        EXPECT_EQ(host.DispatchText(effGetParamDisplay, i).text, rows[i].display) << i;
        EXPECT_FLOAT_EQ(host.GetParameter(i), rows[i].normalized) << i;
        EXPECT_EQ(host.Dispatch(effCanBeAutomated, i), 1);
    }
    EXPECT_EQ(host.DispatchText(effGetParamName, 12).bytesTouched, 0u);

    // Text to value, with and without display texts.
    struct TextRow {
        VstInt32 index;
        const char* text;
        VstIntPtr result;
        float normalized;
    } texts[] = {
        {0, "-3.5", 1, 0.325f},  // (-3.5 + 10) / 20
        // A parameter with display texts takes only those texts, even when it shows numbers too.
        {3, "25", 0, 0.0f},      {6, "side", 1, 1.0f},  {6, "Side", 0, 1.0f},  {4, "mid", 1, 0.0f},
        {5, "right", 1, 1.0f},   {5, "nowhere", 0, 1.0f}, {9, "on", 1, 1.0f},  {0, "99", 1, 1.0f},
    };
    for (const TextRow& row : texts) {
        EXPECT_EQ(host.Dispatch(effString2Parameter, row.index, 0, const_cast<char*>(row.text)), row.result)
            << row.text;
        EXPECT_FLOAT_EQ(host.GetParameter(row.index), row.normalized) << row.text;
    }
    EXPECT_EQ(host.DispatchText(effGetParamDisplay, 6).text, "side");
    EXPECT_EQ(host.DispatchText(effGetParamDisplay, 0).text, "10.0");
}

TEST_F(Brindle2Module, ProgramAndBankChunks) {
    const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    std::vector<uint8_t> program;
    ASSERT_EQ(host.GetChunk(true, &program), 104);  // 8 + 12 doubles
    EXPECT_EQ(std::memcmp(program.data(), header, 8), 0);
    for (size_t i = 8; i < 104; ++i) EXPECT_EQ(program[i], 0) << i;  // every default is 0.0

    std::vector<uint8_t> bank;
    ASSERT_EQ(host.GetChunk(false, &bank), 114);  // 8 + 4 + "Empty" + flag + 96
    EXPECT_EQ(std::memcmp(bank.data(), header, 8), 0);
    const uint8_t slot[] = {5, 0, 0, 0, 'E', 'm', 'p', 't', 'y', 1};
    EXPECT_EQ(std::memcmp(bank.data() + 8, slot, sizeof(slot)), 0);

    // Change two values, take a program chunk, reset them, and load it back with index 1 and 0.
    host.SetParameter(0, 0.75f);
    host.SetParameter(6, 1.0f);
    std::vector<uint8_t> changed;
    ASSERT_EQ(host.GetChunk(true, &changed), 104);
    double gain = 0.0, selector = 0.0;
    std::memcpy(&gain, changed.data() + 8, 8);
    std::memcpy(&selector, changed.data() + 8 + 6 * 8, 8);
    EXPECT_DOUBLE_EQ(gain, 5.0);  // -10 + 20 * 0.75
    EXPECT_DOUBLE_EQ(selector, 2.0);
    std::vector<uint8_t> changedBank;
    ASSERT_EQ(host.GetChunk(false, &changedBank), 114);
    for (bool asProgram : {true, false}) {
        host.SetParameter(0, 0.5f);
        host.SetParameter(6, 0.0f);
        const std::vector<uint8_t>& bytes = asProgram ? changed : changedBank;
        EXPECT_EQ(host.SetChunk(asProgram, bytes.data(), static_cast<VstIntPtr>(bytes.size())), 1);
        EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f) << asProgram;
        EXPECT_FLOAT_EQ(host.GetParameter(6), 1.0f) << asProgram;
    }
    // The same bytes again leave everything as it is.
    EXPECT_EQ(host.SetChunk(true, changed.data(), static_cast<VstIntPtr>(changed.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);

    // Damaged and oversized chunks.
    EXPECT_EQ(host.SetChunk(true, changed.data(), 0), 0);
    EXPECT_EQ(host.SetChunk(true, changed.data(), -1), 0);
    EXPECT_EQ(host.SetChunk(true, nullptr, 104), 0);
    std::vector<uint8_t> oversized((1 << 20) + 1, 0);
    EXPECT_EQ(host.SetChunk(false, oversized.data(), static_cast<VstIntPtr>(oversized.size())), 0);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    std::vector<uint8_t> cut(changed.begin(), changed.begin() + 60);
    EXPECT_EQ(host.SetChunk(true, cut.data(), static_cast<VstIntPtr>(cut.size())), 0);
    std::vector<uint8_t> cutBank(bank.begin(), bank.begin() + 50);
    EXPECT_EQ(host.SetChunk(false, cutBank.data(), static_cast<VstIntPtr>(cutBank.size())), 0);
}

TEST_F(Brindle2Module, DefaultsPassTheSignalInAllThreeProcessFunctions) {
    std::vector<std::vector<float>> in, out;
    Run(0.2, &in, &out);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < in[c].size(); ++i) EXPECT_NEAR(out[c][i], in[c][i], 1e-6) << c << "/" << i;

    std::vector<std::vector<float>> accumulated(2, std::vector<float>(512, 0.25f));
    ASSERT_TRUE(host.ProcessAccumulating(in, accumulated, 512));
    for (size_t i = 0; i < 512; i += 37) EXPECT_NEAR(accumulated[0][i], 0.25f + in[0][i], 1e-6);

    std::vector<std::vector<double>> din(2, std::vector<double>(512)), dout(2, std::vector<double>(512));
    for (size_t i = 0; i < 512; ++i) {
        din[0][i] = 0.5 * std::sin(0.01 * i);
        din[1][i] = -0.25;
    }
    ASSERT_TRUE(host.ProcessDouble(din, dout, 512));
    for (size_t i = 0; i < 512; i += 31) {
        EXPECT_NEAR(dout[0][i], din[0][i], 1e-12);
        EXPECT_NEAR(dout[1][i], din[1][i], 1e-12);
    }
}

TEST_F(Brindle2Module, SettingsChangeTheSound) {
    std::vector<std::vector<float>> in, out;
    // +6 dB output gain: once the gain has glided there, out = in * 10^(6/20).
    host.Dispatch(effString2Parameter, 0, 0, const_cast<char*>("6"));
    Run(0.5, &in, &out);
    for (size_t i = 0; i < 512; i += 17) EXPECT_NEAR(out[0][i], in[0][i] * 1.9952623149688795, 1e-5);
    host.Dispatch(effString2Parameter, 0, 0, const_cast<char*>("0"));

    // Left and right exchanged.
    host.SetParameter(9, 1.0f);
    Run(0.5, &in, &out);
    for (size_t i = 0; i < 512; i += 17) {
        EXPECT_NEAR(out[0][i], in[1][i], 1e-5);
        EXPECT_NEAR(out[1][i], in[0][i], 1e-5);
    }
    host.SetParameter(9, 0.0f);

    // Mono test: both outputs carry the same signal.
    host.SetParameter(10, 1.0f);
    Run(0.5, &in, &out);
    for (size_t i = 0; i < 512; i += 17) EXPECT_NEAR(out[0][i], out[1][i], 1e-6);
}

TEST_F(Brindle2Module, NonFiniteInputDoesNotLeaveTheOutputStuck) {
    host.SetParameter(3, 0.5f);  // the feedback delay at 50 %
    std::vector<std::vector<float>> in, out;
    Run(0.1, &in, &out);
    std::vector<std::vector<float>> poisoned(2, std::vector<float>(512, 0.1f)), sink(2, std::vector<float>(512));
    poisoned[0][100] = std::nanf("");
    poisoned[1][200] = INFINITY;
    ASSERT_TRUE(host.ProcessReplacing(poisoned, sink, 512));
    Run(1.0, &in, &out);
    for (int c = 0; c < 2; ++c)
        for (float v : out[c]) ASSERT_TRUE(std::isfinite(v)) << "channel " << c;
    double energy = 0.0;
    for (float v : out[0]) energy += v * v;
    EXPECT_GT(energy, 0.0);
}

TEST_F(Brindle2Module, PinsArrangementsAndHostTraffic) {
    VstPinProperties pin{};
    EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.label, "Input 1");
    EXPECT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_STREQ(pin.label, "Output 2");
    EXPECT_EQ(host.Dispatch(effGetInputProperties, 2, 0, &pin), 0);

    VstSpeakerArrangement* inputs = nullptr;
    VstSpeakerArrangement* outputs = nullptr;
    EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputs), &outputs), 1);
    ASSERT_TRUE(inputs && outputs);
    EXPECT_EQ(inputs->type, kSpeakerArrStereo);
    EXPECT_EQ(outputs->numChannels, 2);

    // One input: the host's first buffer feeds the first input only; the second reads its
    // (fresh, silent) scratch buffer, so the right output is silent with default settings.
    VstSpeakerArrangement mono{};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), nullptr), 1);
    host.Dispatch(effSetBlockSize, 0, 256);
    std::vector<std::vector<float>> in(2, std::vector<float>(256, 0.5f)), out(2, std::vector<float>(256, 9.0f));
    in[1].assign(256, -0.5f);
    ASSERT_TRUE(host.ProcessReplacing(in, out, 256));
    EXPECT_NEAR(out[0][128], 0.5f, 1e-6);
    EXPECT_NEAR(out[1][128], 0.0f, 1e-6);

    // The host was asked for its name and version once, on open, and never outside it.
    EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1u);
    EXPECT_EQ(host.CountCalls(audioMasterGetVendorVersion), 1u);
    host.Dispatch(effOpen);
    EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1u);
    // Host parameter changes are not echoed back as automation.
    host.SetParameter(4, 0.3f);
    EXPECT_EQ(host.CountCalls(audioMasterAutomate), 0u);
    for (const auto& call : host.Calls()) {
        EXPECT_FALSE(call.duringEntry);
        EXPECT_NE(call.opcode, audioMasterIOChanged);
        EXPECT_NE(call.opcode, audioMasterSizeWindow);
    }
}

TEST_F(Brindle2Module, LongPresetNamesInABankAreCutAndDamagedBanksRefused) {
    const double values[12] = {5.0, 0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 0};  // +5 dB, mid
    const std::string longName = std::string(300, 'n') + "END";
    std::vector<uint8_t> bank = BankChunk(static_cast<int32_t>(longName.size()), longName, values);
    ASSERT_EQ(host.SetChunk(false, bank.data(), static_cast<VstIntPtr>(bank.size())), 1);
    EXPECT_EQ(host.DispatchText(effGetProgramName, 0, 1024).text, std::string(255, 'n'));
    EXPECT_EQ(host.DispatchText(effGetProgramNameIndexed, 0, 1024).text, std::string(255, 'n'));
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.75f);
    EXPECT_FLOAT_EQ(host.GetParameter(6), 0.5f);
    // Saved again, the bank holds the cut name: 8 + 4 + 255 + 1 + 96 bytes.
    std::vector<uint8_t> saved;
    EXPECT_EQ(host.GetChunk(false, &saved), 364);

    // A name filling a 1 MiB chunk is still read; one byte more and the chunk is refused whole.
    const int32_t largest = (1 << 20) - 8 - 4 - 1 - 96;
    const double other[12] = {-5.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bank = BankChunk(largest, std::string(static_cast<size_t>(largest), 'x'), other);
    ASSERT_EQ(bank.size(), size_t(1) << 20);
    EXPECT_EQ(host.SetChunk(false, bank.data(), static_cast<VstIntPtr>(bank.size())), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);
    EXPECT_EQ(host.DispatchText(effGetProgramName, 0, 1024).text, std::string(255, 'x'));
    bank = BankChunk(largest + 1, std::string(static_cast<size_t>(largest + 1), 'y'), values);
    EXPECT_EQ(host.SetChunk(false, bank.data(), static_cast<VstIntPtr>(bank.size())), 0);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);
    EXPECT_EQ(host.DispatchText(effGetProgramName, 0, 1024).text, std::string(255, 'x'));

    // Damaged lengths: negative, past the 32-bit range, and more name than the chunk holds.
    struct Damaged {
        const char* what;
        int32_t length;
        size_t bytesGiven;
    } damaged[] = {
        {"negative", -1, 10},
        {"overflowing", 0x7FFFFFF0, 10},
        {"cut short", 400, 200},
    };
    for (const Damaged& row : damaged) {
        SCOPED_TRACE(row.what);
        bank = BankChunk(row.length, std::string(row.bytesGiven, 'z'), values);
        EXPECT_EQ(host.SetChunk(false, bank.data(), static_cast<VstIntPtr>(bank.size())), 0);
    }
}

TEST_F(Brindle2Module, SettingsMadeBeforeResumeApplyFromTheFirstSample) {
    // -10 dB of output gain, made while the plug-in is suspended, in each way a host may.
    const double gain = std::pow(10.0, -0.5);
    std::vector<uint8_t> program;
    host.SetParameter(0, 0.0f);
    ASSERT_EQ(host.GetChunk(true, &program), 104);
    std::vector<uint8_t> bank;
    ASSERT_EQ(host.GetChunk(false, &bank), 114);
    enum Way { kSetParameter, kString2Parameter, kProgramChunk, kBankChunk };
    for (Way way : {kSetParameter, kString2Parameter, kProgramChunk, kBankChunk}) {
        SCOPED_TRACE(way);
        host.Close();
        std::string error;
        ASSERT_TRUE(host.Create(module, &error)) << error;
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effSetBlockSize, 0, 256);
        host.Dispatch(effOpen);
        if (way == kSetParameter) host.SetParameter(0, 0.0f);
        if (way == kString2Parameter) host.Dispatch(effString2Parameter, 0, 0, const_cast<char*>("-10"));
        if (way == kProgramChunk || way == kBankChunk) {
            const std::vector<uint8_t>& chunk = way == kProgramChunk ? program : bank;
            ASSERT_EQ(host.SetChunk(way == kProgramChunk, chunk.data(), static_cast<VstIntPtr>(chunk.size())), 1);
        }
        host.Dispatch(effMainsChanged, 0, 1);

        std::vector<std::vector<float>> in(2, std::vector<float>(256, 0.5f)), out(2, std::vector<float>(256));
        in[1].assign(256, -0.25f);
        ASSERT_TRUE(host.ProcessReplacing(in, out, 256));
        for (int i = 0; i < 256; ++i) {
            ASSERT_NEAR(out[0][i], 0.5 * gain, 1e-7) << i;
            ASSERT_NEAR(out[1][i], -0.25 * gain, 1e-7) << i;
        }

        // With audio flowing a change glides; a suspend halfway ends the glide.
        host.SetParameter(0, 0.5f);
        ASSERT_TRUE(host.ProcessReplacing(in, out, 16));
        EXPECT_GT(out[0][0], 0.5 * gain + 1e-4);
        EXPECT_LT(out[0][15], 0.25f);
        host.Dispatch(effMainsChanged, 0, 0);
        host.Dispatch(effMainsChanged, 0, 1);
        ASSERT_TRUE(host.ProcessReplacing(in, out, 16));
        EXPECT_FLOAT_EQ(out[0][0], 0.5f);
        EXPECT_FLOAT_EQ(out[1][15], -0.25f);
    }
}

TEST_F(Brindle2Module, TheEditorIsOfferedExactlyWhereItCanOpen) {
    // Flag, rectangle and opening agree, whichever platform the module is built for.
    const bool flagged = (effect->flags & effFlagsHasEditor) != 0;
    ERect* rect = nullptr;
    const VstIntPtr answered = host.Dispatch(effEditGetRect, 0, 0, &rect);
    EXPECT_EQ(answered, flagged ? 1 : 0);
    if (answered) {
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, kEditorWidth);
        EXPECT_EQ(rect->bottom - rect->top, kEditorHeight);
    } else {
        EXPECT_EQ(rect, nullptr);
    }
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
}
