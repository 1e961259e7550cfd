// The host harness driving a VST 2.4 module we did not write (a Debian package's stereo delay),
// to show that the harness itself loads, opens, processes and closes a real plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ForeignAllocations.h"
#include "Vst2Host.h"
#include "Vst2Module.h"

using vst2host::ForeignAllocations;
using vst2host::Vst2Host;
using vst2host::Vst2Module;

namespace {

#if defined(_WIN32)
const char* const kThirdPartyModule = nullptr;
#else
const char* const kThirdPartyModule = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
#endif

bool ModuleFilePresent(const char* path) {
    if (!path) return false;
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace

TEST(ThirdPartyModule, LoadsOpensProcessesAndCloses) {
    if (!ModuleFilePresent(kThirdPartyModule))
        GTEST_SKIP() << "third-party VST 2.4 module not installed (Debian package lsp-plugins-vst, native lane only)";

    ForeignAllocations foreign;
    Vst2Module module;
    std::string error;
    ASSERT_TRUE(module.Load(kThirdPartyModule, &error)) << error;
    EXPECT_EQ(module.EntryName(), "VSTPluginMain");

    Vst2Host host;
    ASSERT_TRUE(host.Create(module, &error)) << error;
    AEffect* effect = host.Effect();
    ASSERT_NE(effect, nullptr);

    // Identity fields as the fact sheet lays them out.
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_NE(effect->uniqueID, 0);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_GT(effect->numParams, 0);
    EXPECT_NE(effect->flags & effFlagsCanReplacing, 0);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_EQ(effect->object != nullptr, true);
    // Our pointer in the host field survived creation.
    EXPECT_EQ(effect->resvd1, reinterpret_cast<VstIntPtr>(&host));

    host.Start(48000.0f, 256);
    EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);

    auto name = host.DispatchText(effGetEffectName, 0, 256);
    EXPECT_TRUE(name.terminated);
    EXPECT_FALSE(name.text.empty());
    auto vendor = host.DispatchText(effGetVendorString, 0, 256);
    EXPECT_TRUE(vendor.terminated);
    EXPECT_FALSE(vendor.text.empty());
    auto paramName = host.DispatchText(effGetParamName, 0, 256);
    EXPECT_TRUE(paramName.terminated);

    // A few blocks of a sine through both channels: the output must be finite and not all zero
    // by the last block (a delay compensator passes the signal, possibly late).
    const VstInt32 frames = 256;
    std::vector<std::vector<float>> in(2, std::vector<float>(frames)), out(2, std::vector<float>(frames));
    double outEnergy = 0.0;
    bool finite = true;
    for (int block = 0; block < 8; ++block) {
        for (VstInt32 i = 0; i < frames; ++i) {
            const float v = 0.5f * static_cast<float>(std::sin(0.05 * (block * frames + i)));
            in[0][i] = v;
            in[1][i] = -v;
        }
        ASSERT_TRUE(host.ProcessReplacing(in, out, frames));
        for (const auto& channel : out)
            for (float v : channel) {
                finite = finite && std::isfinite(v);
                outEnergy += static_cast<double>(v) * v;
            }
    }
    EXPECT_TRUE(finite);
    EXPECT_GT(outEnergy, 0.0);

    // Chunk helpers: a program chunk read and handed back leaves every parameter where it was.
    if (effect->flags & effFlagsProgramChunks) {
        std::vector<float> before;
        for (VstInt32 i = 0; i < effect->numParams; ++i) before.push_back(host.GetParameter(i));
        std::vector<uint8_t> chunk;
        const VstIntPtr size = host.GetChunk(true, &chunk);
        EXPECT_GT(size, 0);
        EXPECT_EQ(chunk.size(), static_cast<size_t>(size));
        host.SetChunk(true, chunk.data(), size);
        for (VstInt32 i = 0; i < effect->numParams; ++i) EXPECT_FLOAT_EQ(host.GetParameter(i), before[i]) << i;
    }

    // The plug-in asked the host for its version inside the entry point, and the harness
    // recorded that call against this instance.
    bool askedVersionInEntry = false;
    for (const auto& call : host.Calls())
        askedVersionInEntry = askedVersionInEntry || (call.opcode == audioMasterVersion && call.duringEntry);
    EXPECT_TRUE(askedVersionInEntry);

    host.Close();
    EXPECT_EQ(host.Effect(), nullptr);
}

TEST(ThirdPartyModule, MissingModuleAndMissingEntryAreReported) {
    Vst2Module module;
    std::string error;
    EXPECT_FALSE(module.Load("/nonexistent/brindle-no-such-module.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(module.IsLoaded());

    Vst2Host host;
    EXPECT_FALSE(host.Create(module, &error));
    EXPECT_EQ(host.Effect(), nullptr);
    // Calls on an instance that was never created answer 0 instead of crashing.
    EXPECT_EQ(host.Dispatch(effGetVstVersion), 0);
    std::vector<std::vector<float>> none;
    EXPECT_FALSE(host.ProcessReplacing(none, none, 16));
}
