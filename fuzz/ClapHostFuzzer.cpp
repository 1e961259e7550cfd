// Fuzz target: the bytes are a host script on one Brindle behind the CLAP wrapper:
// activation with random rates and block bounds in any order, process calls in both
// sample sizes with parameter events at random times (past the block, out of order,
// of other spaces, cut short), flushes, output lists that refuse, editor edits, state
// saves and loads through streams that move few bytes or fail, texts both ways and
// editor calls. Output must stay finite, no call may be made into the host from the
// wrong thread, and the state must round-trip at the end.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Brindle.h"
#include "ClapHost.h"
#include "FuzzChecks.h"
#include "FuzzInput.h"
#include "SignalSource.h"

using namespace claphost;

namespace {

constexpr uint32_t kMaxFrames = 8192;
const clap_plugin_descriptor kDescriptor = {CLAP_VERSION_OURS, "com.orvane.brindle", "Brindle", "", "", "", "", "", "",
                                            nullptr};

uint32_t AnyBound(FuzzInput& in) {
    static const uint32_t bounds[] = {1, 32, 64, 512, 4096, 0, 65536, 1u << 20, UINT32_MAX};
    const uint8_t pick = in.Byte();
    if (pick < sizeof bounds / sizeof bounds[0]) return bounds[pick];
    return in.U32();
}

// A plain value as a host may send it: in range mostly, else anything.
double AnyPlain(FuzzInput& in) {
    switch (in.Byte() % 6) {
    case 0: return in.AnyDouble();
    case 1: return in.Unit() * 400.0 - 200.0;
    default: return in.Unit() * 20.0 - 10.0;
    }
}

clap_id AnyId(FuzzInput& in) {
    const uint8_t pick = in.Byte();
    if (pick < 200) return pick % 12;
    return pick % 2 ? in.U32() : CLAP_INVALID_ID;
}

// Events for a block of frames: mostly parameter values in time order, now and then
// one past the block, earlier than the last, of another space or with a short size.
void FillEvents(EventList& events, FuzzInput& in, uint32_t frames) {
    events.Clear();
    for (int n = static_cast<int>(in.IntIn(0, 10)); n > 0; --n) {
        clap_event_param_value event{};
        event.header = {sizeof event, static_cast<uint32_t>(in.IntIn(0, frames + 2)), CLAP_CORE_EVENT_SPACE_ID,
                        CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = AnyId(in);
        event.value = AnyPlain(in);
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        const uint8_t odd = in.Byte();
        if (odd == 0xF1) event.header.space_id = static_cast<uint16_t>(in.U16());
        if (odd == 0xF2) event.header.type = static_cast<uint16_t>(in.IntIn(0, 12));
        if (odd == 0xF3) event.header.size = sizeof(clap_event_header);
        events.AddRaw(&event.header);
    }
}

class Script {
public:
    explicit Script(FuzzInput& in_) : in(in_) {
        plug = new Brindle(host.Host());
        p = plug->Plugin(&kDescriptor);
        FUZZ_CHECK(p->init(p));
        params = static_cast<const clap_plugin_params*>(p->get_extension(p, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(p->get_extension(p, CLAP_EXT_STATE));
        gui = static_cast<const clap_plugin_gui*>(p->get_extension(p, CLAP_EXT_GUI));
        tail = static_cast<const clap_plugin_tail*>(p->get_extension(p, CLAP_EXT_TAIL));
        FUZZ_CHECK(params && state && gui && tail);
    }
    ~Script() {
        p->deactivate(p);
        p->destroy(p);
    }

    void Activate(double rate, uint32_t minFrames, uint32_t maxFrames) {
        const bool wasActive = active;
        const bool ok = p->activate(p, rate, minFrames, maxFrames);
        FUZZ_CHECK(!(wasActive && ok));  // never twice
        if (ok) {
            active = true;
            maxBlock = maxFrames;
        }
    }
    void Deactivate() {
        p->deactivate(p);
        active = processing = false;
    }
    void Processing(bool start) {
        ClapHost::AudioScope audio;
        if (start)
            processing = p->start_processing(p) || processing;
        else if (processing) {
            p->stop_processing(p);
            processing = false;
        }
    }

    // One block; checks that finite input gives finite output while active.
    void Process(uint32_t frames, bool wide, EventList& events, OutputList& out, SignalSource& signal) {
        std::vector<double> d[2] = {std::vector<double>(frames + 1), std::vector<double>(frames + 1)};
        std::vector<float> f[2] = {std::vector<float>(frames + 1), std::vector<float>(frames + 1)};
        for (uint32_t i = 0; i < frames; ++i) {
            signal.Next(d[0][i], d[1][i]);
            f[0][i] = static_cast<float>(d[0][i]);
            f[1][i] = static_cast<float>(d[1][i]);
        }
        double* dp[2] = {d[0].data(), d[1].data()};
        float* fp[2] = {f[0].data(), f[1].data()};
        const uint8_t form = in.Byte();
        const uint32_t inChannels = (form & 3) == 3 ? static_cast<uint32_t>(in.IntIn(0, 3)) : 2;
        const uint32_t outChannels = (form & 4) ? static_cast<uint32_t>(in.IntIn(0, 3)) : 2;
        const bool mixed = (form & 0xF0) == 0xF0;
        // A third channel has no buffer: the plug-in must not look for one.
        clap_audio_buffer input{wide && !mixed ? nullptr : fp, wide ? dp : nullptr, inChannels, 0,
                                in.Bool() ? ~0ull : 0};
        clap_audio_buffer output{wide ? nullptr : fp, wide ? dp : nullptr, outChannels, 0, 0};
        if (wide && mixed) input.data64 = nullptr;
        clap_process process{};
        process.steady_time = form & 8 ? -1 : steady;
        process.frames_count = frames;
        process.audio_inputs = &input;
        process.audio_outputs = &output;
        process.audio_inputs_count = (form & 0x30) == 0x30 ? 0 : 1;
        process.audio_outputs_count = (form & 0x30) == 0x20 ? 0 : 1;
        process.in_events = form == 0x5A ? nullptr : events.Input();
        process.out_events = form == 0xA5 ? nullptr : out.Output();
        ClapHost::AudioScope audio;
        const int32_t status = p->process(p, &process);
        steady += frames;
        if (!active) FUZZ_CHECK(status == CLAP_PROCESS_ERROR);
        if (status == CLAP_PROCESS_ERROR || process.audio_outputs_count == 0) return;
        for (uint32_t c = 0; c < std::min(output.channel_count, 2u); ++c)
            FUZZ_CHECK(wide ? AllFinite(dp[c], frames) : AllFinite(fp[c], frames));
    }

    void Flush(EventList& events, OutputList& out) {
        if (active) {
            ClapHost::AudioScope audio;
            params->flush(p, events.Input(), out.Output());
        } else {
            params->flush(p, events.Input(), out.Output());
        }
    }

    void Edit() {
        const int index = static_cast<int>(in.IntIn(-1, 13));
        const uint8_t steps = in.Byte() % 4;
        if (in.Bool()) plug->BeginParamEdit(index);
        for (uint8_t s = 0; s < steps; ++s) plug->SetParamFromEditor(index, in.HostNormalized());
        if (in.Bool()) plug->EndParamEdit(index);
        if (in.Bool()) p->on_main_thread(p);
    }

    bool Save(std::vector<unsigned char>& bytes, size_t chunk) { return SaveState(p, state, bytes, chunk); }
    bool Load(const std::vector<unsigned char>& bytes, size_t chunk, size_t failAt) {
        return LoadState(p, state, bytes, chunk, failAt);
    }

    void CheckStateRoundTrip() {
        std::vector<unsigned char> saved, again;
        FUZZ_CHECK(Save(saved, SIZE_MAX));
        FUZZ_CHECK(saved.size() == 100);
        FUZZ_CHECK(Load(saved, 5, SIZE_MAX));
        FUZZ_CHECK(Save(again, 3));
        FUZZ_CHECK(again == saved);
    }

    void Texts() {
        const clap_id id = AnyId(in);
        char text[64];
        const uint32_t size = static_cast<uint32_t>(in.IntIn(0, sizeof text));
        if (params->value_to_text(p, id, AnyPlain(in), text, size)) {
            FUZZ_CHECK(std::memchr(text, 0, size) != nullptr);
            double back = 0;
            if (params->text_to_value(p, id, text, &back)) FUZZ_CHECK(std::isfinite(back));
        }
        std::string typed;
        for (int n = static_cast<int>(in.IntIn(0, 24)); n > 0; --n) typed.push_back(static_cast<char>(in.Byte() | 1));
        double value = 0;
        if (params->text_to_value(p, id, typed.c_str(), &value)) FUZZ_CHECK(std::isfinite(value));
        clap_param_info info{};
        if (params->get_info(p, static_cast<uint32_t>(in.IntIn(0, 13)), &info))
            FUZZ_CHECK(info.min_value <= info.default_value && info.default_value <= info.max_value);
    }

    void Gui() {
        static const char* const apis[] = {"win32", "x11", "cocoa", "", nullptr};
        const char* api = apis[in.Byte() % 5];
        const bool floating = in.Bool();
        gui->is_api_supported(p, api, floating);
        const char* preferred = nullptr;
        bool isFloating = false;
        gui->get_preferred_api(p, &preferred, &isFloating);
        gui->create(p, api, floating);
        uint32_t w = 0, h = 0;
        gui->get_size(p, &w, &h);
        gui->set_scale(p, in.AnyDouble());
        gui->adjust_size(p, &w, &h);
        gui->set_size(p, in.U16(), in.U16());
        clap_window window{api, {nullptr}};
        gui->set_parent(p, in.Bool() ? &window : nullptr);
        gui->show(p);
        gui->hide(p);
        if (in.Bool()) gui->destroy(p);
    }

    void CheckValues() {
        for (clap_id id = 0; id < 12; ++id) {
            double value = std::nan("");
            FUZZ_CHECK(params->get_value(p, id, &value));
            clap_param_info info{};
            FUZZ_CHECK(params->get_info(p, id, &info));
            FUZZ_CHECK(value >= info.min_value && value <= info.max_value);
        }
    }

    FuzzInput& in;
    ClapHost host;
    Brindle* plug = nullptr;
    const clap_plugin* p = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_gui* gui = nullptr;
    const clap_plugin_tail* tail = nullptr;
    bool active = false;
    bool processing = false;
    uint32_t maxBlock = 0;
    int64_t steady = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Script script(in);
    SignalSource signal(in);
    EventList events;
    OutputList out;
    script.Activate(44100.0, 1, 512);

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.Byte() % 16) {
        case 0: {
            const double rate = in.HostRate();
            const uint32_t minFrames = AnyBound(in);
            script.Activate(rate, minFrames, AnyBound(in));
            break;
        }
        case 1: script.Deactivate(); break;
        case 2: script.Processing(in.Bool()); break;
        case 3:
        case 4:
        case 5:
        case 6: {
            const uint32_t limit = script.maxBlock > 0 && script.maxBlock < kMaxFrames ? script.maxBlock : kMaxFrames;
            const uint32_t frames = static_cast<uint32_t>(in.IntIn(0, limit));
            FillEvents(events, in, frames);
            out.events.clear();
            out.refuseAfter = in.Byte() < 32 ? in.Byte() % 4 : SIZE_MAX;
            script.Process(frames, in.Bool(), events, out, signal);
            break;
        }
        case 7:
            FillEvents(events, in, 0);
            out.events.clear();
            out.refuseAfter = in.Byte() < 32 ? in.Byte() % 4 : SIZE_MAX;
            script.Flush(events, out);
            break;
        case 8:
        case 9: script.Edit(); break;
        case 10: {
            std::vector<unsigned char> bytes;
            script.Save(bytes, static_cast<size_t>(in.IntIn(0, 120)));
            break;
        }
        case 11: {
            const std::vector<unsigned char> bytes = in.Bytes(static_cast<size_t>(in.IntIn(0, 130)));
            const size_t chunk = static_cast<size_t>(in.IntIn(1, 110));
            script.Load(bytes, chunk, in.Bool() ? static_cast<size_t>(in.IntIn(0, 110)) : SIZE_MAX);
            break;
        }
        case 12: script.Texts(); break;
        case 13: script.Gui(); break;
        case 14: {
            ClapHost::AudioScope audio;
            script.p->reset(script.p);
            script.tail->get(script.p);
            break;
        }
        default: script.CheckValues(); break;
        }
    }

    script.CheckValues();
    FUZZ_CHECK(script.host.WrongThreadCalls().empty());
    // Whatever happened, the plug-in still runs and keeps its state.
    script.Deactivate();
    script.Activate(48000.0, 1, 256);
    script.Processing(true);
    FuzzInput again(data, size);
    SignalSource tone(again);
    events.Clear();
    out.events.clear();
    out.refuseAfter = SIZE_MAX;
    script.Process(256, true, events, out, tone);
    script.CheckStateRoundTrip();
    return 0;
}
