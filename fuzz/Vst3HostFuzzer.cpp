// Fuzz target: the bytes are a host script on one brindle3 instance: set-up with random
// sizes and rates, bus arrangements and activation, process calls with random parameter
// queues, bypass and zero-channel flushes, state and views. Output must stay finite, and
// the state must round-trip at the end.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "FuzzChecks.h"
#include "IEffectVST3.h"
#include "Vst3Fuzz.h"

using namespace vst3;

namespace {

constexpr int32 kMaxFrames = 8192;

int32 BlockSize(FuzzInput& in) {
    static const int32 sizes[] = {1, 32, 64, 512, 4096, 0, -1, 65536, 1 << 20, INT_MAX, INT_MIN};
    const uint8_t pick = in.Byte();
    if (pick < sizeof sizes / sizeof sizes[0]) return sizes[pick];
    return static_cast<int32>(in.U32());
}

SpeakerArrangement Arrangement(FuzzInput& in) {
    static const SpeakerArrangement known[] = {SpeakerArr::kStereo, SpeakerArr::kMono, SpeakerArr::kEmpty,
                                               SpeakerArr::k51, SpeakerArr::kStereoSurround};
    const uint8_t pick = in.Byte();
    if (pick < 5 * 16) return known[pick % 5];
    return static_cast<SpeakerArrangement>(in.U32()) << (pick % 33);
}

// Up to a few queues of points at random offsets, inside and outside the block.
void FillChanges(vst3host::ParameterChanges& changes, const fuzz::Brindle3& plugin, FuzzInput& in, int32 frames) {
    changes.clear();
    const int points = static_cast<int>(in.IntIn(0, 12));
    for (int i = 0; i < points; ++i) {
        const ParamID id = plugin.AnyId(in);
        const int32 offset = static_cast<int32>(in.IntIn(-2, frames + 2));
        changes.add(id, offset, in.HostNormalized());
    }
}

void DriveView(fuzz::Brindle3& plugin, FuzzInput& in) {
    static const char* const names[] = {"editor", "", "other"};
    IPlugView* view = plugin.Controller()->createView(in.Bool() ? names[in.Byte() % 3] : nullptr);
    if (!view) return;
    static const char* const types[] = {kPlatformTypeHWND, kPlatformTypeX11EmbedWindowID, "NSView", ""};
    const char* type = types[in.Byte() % 4];
    view->isPlatformTypeSupported(type);
    ViewRect rect{};
    FUZZ_CHECK(view->getSize(&rect) == kResultOk);
    FUZZ_CHECK(rect.getWidth() > 0 && rect.getHeight() > 0);
    view->getSize(nullptr);
    // No parent window exists here: the view must refuse it and stay usable.
    view->attached(nullptr, type);
    for (int i = static_cast<int>(in.IntIn(0, 4)); i > 0; --i) {
        switch (in.Byte() % 5) {
        case 0: view->onWheel(static_cast<float>(in.AnyDouble())); break;
        case 1: view->onKeyDown(static_cast<char16>(in.U16()), static_cast<int16>(in.U16()), 0); break;
        case 2: {
            ViewRect size{static_cast<int32>(in.U16()), static_cast<int32>(in.U16()), static_cast<int32>(in.U32()),
                          static_cast<int32>(in.U32())};
            view->onSize(in.Bool() ? &size : nullptr);
            view->checkSizeConstraint(in.Bool() ? &size : nullptr);
            break;
        }
        case 3: view->onFocus(in.Bool()); break;
        default: view->setFrame(nullptr); break;
        }
    }
    view->removed();
    view->release();
}

void Inspect(fuzz::Brindle3& plugin, FuzzInput& in) {
    const MediaType type = static_cast<MediaType>(in.IntIn(-1, 2));
    const BusDirection direction = static_cast<BusDirection>(in.IntIn(-1, 2));
    const int32 index = static_cast<int32>(in.IntIn(-1, 2));
    BusInfo info;
    plugin.Component()->getBusInfo(type, direction, index, info);
    plugin.Component()->getBusCount(type, direction);
    SpeakerArrangement arrangement = 0;
    plugin.Processor()->getBusArrangement(direction, index, arrangement);
    plugin.Processor()->canProcessSampleSize(static_cast<int32>(in.IntIn(-1, 2)));
    plugin.Processor()->getLatencySamples();
    plugin.Processor()->getTailSamples();
    ParameterInfo parameter;
    plugin.Controller()->getParameterInfo(static_cast<int32>(in.IntIn(-2, 20)), parameter);
}

void ParameterTexts(fuzz::Brindle3& plugin, FuzzInput& in) {
    const ParamID id = plugin.AnyId(in);
    String128 text;
    std::memset(text, 0, sizeof text);
    if (plugin.Controller()->getParamStringByValue(id, in.HostNormalized(), text) == kResultOk) {
        ParamValue back = -1.0;
        if (plugin.Controller()->getParamValueByString(id, text, back) == kResultOk)
            FUZZ_CHECK(std::isfinite(back) && back >= 0.0 && back <= 1.0);
    }
    // A text of the host's own, without a terminator in its first 128 characters.
    for (char16& c : text) c = static_cast<char16>(in.Byte());
    ParamValue value = 0.0;
    plugin.Controller()->getParamValueByString(id, text, value);
    const ParamValue plain = plugin.Controller()->normalizedParamToPlain(id, in.HostNormalized());
    plugin.Controller()->plainParamToNormalized(id, plain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    fuzz::Brindle3 plugin;
    plugin.Start(kSample64, 512, 44100.0);
    vst3host::Owned<vst3host::ParameterChanges> changes(new vst3host::ParameterChanges);
    int32 sampleSize = kSample64;
    int32 maxFrames = 512;

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.Byte() % 18) {
        case 0: {
            ProcessSetup setup{static_cast<int32>(in.IntIn(-1, 3)), static_cast<int32>(in.IntIn(-1, 2)),
                               BlockSize(in), in.HostRate()};
            if (plugin.Processor()->setupProcessing(setup) == kResultOk) {
                sampleSize = setup.symbolicSampleSize;
                maxFrames = setup.maxSamplesPerBlock;
            }
            break;
        }
        case 1: {
            SpeakerArrangement inputs[2] = {Arrangement(in), Arrangement(in)};
            SpeakerArrangement outputs[2] = {Arrangement(in), Arrangement(in)};
            plugin.Processor()->setBusArrangements(inputs, static_cast<int32>(in.IntIn(0, 2)), outputs,
                                                   static_cast<int32>(in.IntIn(0, 2)));
            break;
        }
        case 2:
            plugin.Component()->activateBus(static_cast<MediaType>(in.IntIn(-1, 2)),
                                            static_cast<BusDirection>(in.IntIn(-1, 2)),
                                            static_cast<int32>(in.IntIn(-1, 2)), in.Bool());
            break;
        case 3:
            plugin.Component()->setActive(in.Bool());
            break;
        case 4:
            plugin.Processor()->setProcessing(in.Bool());
            break;
        case 5:
        case 6:
        case 7: {
            fuzz::BlockShape shape;
            const uint8_t form = in.Byte();
            shape.sampleSize = (form & 0xE0) == 0xE0 ? static_cast<int32>(in.IntIn(-1, 2)) : sampleSize;
            const int32 limit = maxFrames > 0 && maxFrames < kMaxFrames / 2 ? maxFrames * 2 + 7 : kMaxFrames;
            shape.frames = (form & 0x18) == 0x18 ? static_cast<int32>(in.IntIn(-3, 3)) : static_cast<int32>(in.IntIn(0, limit));
            shape.inputChannels = (form & 3) == 3 ? static_cast<int32>(in.IntIn(-1, 3)) : 2;
            shape.outputChannels = (form & 4) ? static_cast<int32>(in.IntIn(-1, 3)) : 2;
            shape.nullChannelArrays = form == 0x5A;
            FillChanges(*changes.get(), plugin, in, shape.frames);
            fuzz::ProcessAndCheck(plugin, in, shape, in.Bool() ? changes.get() : nullptr);
            break;
        }
        case 8: {
            // A flush: no buses, no samples, only parameter changes.
            fuzz::BlockShape shape;
            shape.inputChannels = shape.outputChannels = -1;
            shape.sampleSize = sampleSize;
            FillChanges(*changes.get(), plugin, in, 0);
            fuzz::ProcessAndCheck(plugin, in, shape, changes.get());
            break;
        }
        case 9: {
            changes->clear();
            changes->add(IEffectVST3::kBypassParamId, static_cast<int32>(in.IntIn(0, 64)), in.HostNormalized());
            fuzz::BlockShape shape;
            shape.sampleSize = sampleSize;
            shape.frames = static_cast<int32>(in.IntIn(0, 256));
            fuzz::ProcessAndCheck(plugin, in, shape, changes.get());
            break;
        }
        case 10:
            fuzz::CheckStateRoundTrip(plugin);
            break;
        case 11: {
            vst3host::Owned<vst3host::MemoryStream> stream(
                new vst3host::MemoryStream(in.Bytes(static_cast<size_t>(in.IntIn(0, 200)))));
            const uint8_t receiver = in.Byte();
            if (receiver & 0x80) stream->failReadsFrom(receiver & 0x3F);
            if (receiver & 1)
                plugin.Component()->setState(stream.get());
            else
                plugin.Controller()->setComponentState(stream.get());
            break;
        }
        case 12:
        case 13: {
            const ParamID id = plugin.AnyId(in);
            plugin.Controller()->setParamNormalized(id, in.HostNormalized());
            const ParamValue value = plugin.Controller()->getParamNormalized(id);
            FUZZ_CHECK(std::isfinite(value));
            break;
        }
        case 14:
            ParameterTexts(plugin, in);
            break;
        case 15:
            DriveView(plugin, in);
            break;
        case 16: {
            vst3host::Owned<vst3host::MemoryStream> stream(new vst3host::MemoryStream);
            if (in.Bool()) stream->failWrites(true);
            plugin.Component()->getState(stream.get());
            plugin.Controller()->getState(stream.get());
            break;
        }
        default:
            Inspect(plugin, in);
            break;
        }
    }

    fuzz::CheckParameters(plugin);
    plugin.Processor()->setProcessing(false);
    plugin.Component()->setActive(false);
    plugin.Start(kSample64, 256, 48000.0);
    FuzzInput signal(data, size);
    fuzz::BlockShape shape;
    shape.frames = 256;
    fuzz::ProcessAndCheck(plugin, signal, shape, nullptr);
    fuzz::CheckStateRoundTrip(plugin);
    return 0;
}
