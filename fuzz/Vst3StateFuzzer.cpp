// Fuzz target: state streams a host hands to the controller's setState (and to the
// component and setComponentState), including streams that fail part-way. The first
// byte picks the receiver, the second where reads start failing, the rest is the stream.
#include <cstdint>
#include <vector>

#include "FuzzChecks.h"
#include "Vst3Fuzz.h"

using namespace vst3;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t receiver = in.Byte();
    const uint8_t failure = in.Byte();
    std::vector<unsigned char> bytes = in.Bytes(in.Remaining());

    fuzz::Brindle3 plugin;
    plugin.Start(kSample64, 512, 48000.0);
    vst3host::Owned<vst3host::MemoryStream> stream(new vst3host::MemoryStream(bytes));
    if (failure != 0xFF) stream->failReadsFrom(failure);
    switch (receiver % 3) {
    case 0: plugin.Controller()->setState(stream.get()); break;
    case 1: plugin.Controller()->setComponentState(stream.get()); break;
    default: plugin.Component()->setState(stream.get()); break;
    }
    if (receiver & 4) plugin.Controller()->setState(nullptr);

    fuzz::CheckParameters(plugin);
    FuzzInput signal(data, size);
    fuzz::BlockShape shape;
    shape.frames = 512;
    shape.sampleSize = (receiver & 8) ? kSample32 : kSample64;
    fuzz::ProcessAndCheck(plugin, signal, shape, nullptr);
    fuzz::CheckStateRoundTrip(plugin);
    return 0;
}
