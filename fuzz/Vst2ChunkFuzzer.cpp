// Fuzz target: program and bank chunks that a host hands to effSetChunk. The first byte
// picks the kind, the rest is the chunk. Afterwards the plug-in must still process
// finite audio and its own state must survive a round trip.
#include <cstdint>
#include <vector>

#include "FuzzChecks.h"
#include "Vst2Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t mode = in.Byte();
    const bool program = (mode & 1) != 0;
    std::vector<uint8_t> chunk = in.Bytes(in.Remaining());

    vst2host::Vst2Host host;
    fuzz::StartBrindle2(host, 48000.0f, 512);
    host.SetChunk(program, chunk.empty() ? nullptr : chunk.data(), static_cast<VstIntPtr>(chunk.size()));
    // A second kind of chunk on top of the first, as hosts restore bank then program.
    if (mode & 2) host.SetChunk(!program, chunk.data(), static_cast<VstIntPtr>(chunk.size()));
    if (mode & 4) host.Dispatch(effSetProgram, 0, (mode >> 3) % 20);

    fuzz::CheckParameters(host);
    FuzzInput signal(data, size);
    fuzz::ProcessAndCheck(host, signal, mode % 3, 512);
    fuzz::CheckChunkRoundTrip(host, true);
    fuzz::CheckChunkRoundTrip(host, false);
    for (VstInt32 i = 0; i < 20; ++i) {
        const vst2host::TextAnswer name = host.DispatchText(effGetProgramNameIndexed, i, 256);
        FUZZ_CHECK(name.bytesTouched <= 256);
    }
    host.Close();
    return 0;
}
