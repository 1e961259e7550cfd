// The CLAP wrapper in-process (Brindle with the window-less editor): editor edits reach
// the host as gesture and value events in order, through flush or process, never
// dropped; the host hears of them on the right threads while audio runs alongside.
#include "Brindle.h"
#include "ClapHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace claphost;

namespace {

constexpr clap_id kDelayAmount = 3, kWidth = 4, kChannelSelector = 6;
const clap_plugin_descriptor kDescriptor = {CLAP_VERSION_OURS, "test.brindle", "Brindle", "", "", "", "", "", "",
                                            nullptr};

// A Brindle on the wrapper, owned through its record as a host owns it.
class Wrapped {
public:
    explicit Wrapped(ClapHost& host) : plug(new Brindle(host.Host())), p(plug->Plugin(&kDescriptor)) {
        EXPECT_TRUE(p->init(p));
        params = static_cast<const clap_plugin_params*>(p->get_extension(p, CLAP_EXT_PARAMS));
    }
    ~Wrapped() {
        p->deactivate(p);
        p->destroy(p);
    }
    void Flush(OutputList& out, EventList* in = nullptr) {
        EventList none;
        params->flush(p, (in ? in : &none)->Input(), out.Output());
    }
    int32_t Process(OutputList& out, uint32_t frames = 64) {
        std::vector<float> left(frames, 0.1f), right(frames, -0.1f);
        float* io[2] = {left.data(), right.data()};
        clap_audio_buffer in{io, nullptr, 2, 0, 0}, outBuffer{io, nullptr, 2, 0, 0};
        EventList none;
        clap_process process{};
        process.frames_count = frames;
        process.audio_inputs = &in;
        process.audio_outputs = &outBuffer;
        process.audio_inputs_count = process.audio_outputs_count = 1;
        process.in_events = none.Input();
        process.out_events = out.Output();
        ClapHost::AudioScope audio;
        return p->process(p, &process);
    }
    void Start() {
        ASSERT_TRUE(p->activate(p, 48000, 1, 512));
        ClapHost::AudioScope audio;
        ASSERT_TRUE(p->start_processing(p));
    }

    Brindle* plug;
    const clap_plugin* p;
    const clap_plugin_params* params = nullptr;
};

struct Expected {
    uint16_t type;
    clap_id param;
    double value;
};

void ExpectEvents(const std::vector<OutputEvent>& got, const std::vector<Expected>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].type, expected[i].type);
        EXPECT_EQ(got[i].param, expected[i].param);
        EXPECT_EQ(got[i].time, 0u);
        if (expected[i].type == CLAP_EVENT_PARAM_VALUE) {
            EXPECT_DOUBLE_EQ(got[i].value, expected[i].value);
        }
    }
}

constexpr uint16_t kBegin = CLAP_EVENT_PARAM_GESTURE_BEGIN, kValue = CLAP_EVENT_PARAM_VALUE,
                   kEnd = CLAP_EVENT_PARAM_GESTURE_END;

}  // namespace

TEST(ClapWrapper, EditorGesturesReachTheHostInOrder) {
    ClapHost host;
    Wrapped w(host);
    // A knob drag: plain values in the parameter's own units, the selector in steps.
    w.plug->BeginParamEdit(kWidth);
    w.plug->SetParamFromEditor(kWidth, 0.75);  // -1..1: 0.5
    w.plug->SetParamFromEditor(kWidth, 1.0);
    w.plug->EndParamEdit(kWidth);
    w.plug->BeginParamEdit(kChannelSelector);
    w.plug->SetParamFromEditor(kChannelSelector, 0.45);  // three steps: 1 (mid)
    w.plug->EndParamEdit(kChannelSelector);
    const HostCalls calls = host.Calls();
    EXPECT_GE(calls.requestFlush, 1);
    EXPECT_EQ(calls.markDirty, 2);

    // Inactive: the host flushes on the main thread.
    OutputList out;
    w.Flush(out);
    ExpectEvents(out.events, {{kBegin, kWidth, 0},
                              {kValue, kWidth, 0.5},
                              {kValue, kWidth, 1.0},
                              {kEnd, kWidth, 0},
                              {kBegin, kChannelSelector, 0},
                              {kValue, kChannelSelector, 1.0},
                              {kEnd, kChannelSelector, 0}});
    OutputList again;
    w.Flush(again);
    EXPECT_TRUE(again.events.empty());  // each edit once

    // A host list that takes one event: the rest wait, in order, for the next process.
    w.plug->BeginParamEdit(kDelayAmount);
    w.plug->SetParamFromEditor(kDelayAmount, 0.25);
    w.plug->EndParamEdit(kDelayAmount);
    OutputList tight;
    tight.refuseAfter = 1;
    w.Flush(tight);
    w.Start();
    OutputList rest;
    EXPECT_NE(w.Process(rest), CLAP_PROCESS_ERROR);
    std::vector<OutputEvent> all = tight.events;
    all.insert(all.end(), rest.events.begin(), rest.events.end());
    ExpectEvents(all, {{kBegin, kDelayAmount, 0}, {kValue, kDelayAmount, 25.0}, {kEnd, kDelayAmount, 0}});
    EXPECT_TRUE(host.WrongThreadCalls().empty());
}

TEST(ClapWrapper, MoreEditsThanTheQueueHoldsAreKept) {
    ClapHost host;
    Wrapped w(host);
    constexpr int kEdits = 1000;  // 3000 events: more than the ring's 1024
    std::vector<Expected> expected;
    for (int i = 0; i < kEdits; ++i) {
        const double normalized = (i % 200) / 199.0;
        w.plug->BeginParamEdit(kWidth);
        w.plug->SetParamFromEditor(kWidth, normalized);
        w.plug->EndParamEdit(kWidth);
        expected.push_back({kBegin, kWidth, 0});
        expected.push_back({kValue, kWidth, w.plug->GetParam(kWidth)->Value()});
        expected.push_back({kEnd, kWidth, 0});
    }
    OutputList out;
    for (int round = 0; round < 5; ++round) {
        w.Flush(out);
        w.p->on_main_thread(w.p);  // the host's answer to request_callback
    }
    ExpectEvents(out.events, expected);
    EXPECT_GE(host.Calls().requestCallback, 1);
}

TEST(ClapWrapper, EditsStateAndAudioOnTheirOwnThreads) {
    ClapHost host;
    Wrapped w(host);
    w.Start();
    std::atomic<bool> stop{false};
    std::vector<OutputEvent> received;  // the audio thread's until it is joined
    std::atomic<size_t> receivedCount{0};
    // The audio thread processes without pause and collects what the editor sends.
    std::thread audio([&] {
        while (!stop) {
            OutputList out;
            w.Process(out, 32);
            received.insert(received.end(), out.events.begin(), out.events.end());
            receivedCount = received.size();
        }
    });
    const clap_plugin_state* state = static_cast<const clap_plugin_state*>(w.p->get_extension(w.p, CLAP_EXT_STATE));
    constexpr int kEdits = 300;
    for (int i = 0; i < kEdits; ++i) {
        w.plug->BeginParamEdit(kDelayAmount);
        w.plug->SetParamFromEditor(kDelayAmount, (i % 10) / 10.0);
        w.plug->EndParamEdit(kDelayAmount);
        double value = 0;
        EXPECT_TRUE(w.params->get_value(w.p, kDelayAmount, &value));
        if (i % 50 == 0) {
            std::vector<unsigned char> bytes;
            EXPECT_TRUE(SaveState(w.p, state, bytes));
            EXPECT_EQ(bytes.size(), 100u);
            EXPECT_TRUE(LoadState(w.p, state, bytes, 9));
        }
    }
    // Let the audio thread drain what is left, then stop it.
    for (int wait = 0; wait < 2000; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (receivedCount >= 3u * kEdits) break;
    }
    stop = true;
    audio.join();
    ASSERT_EQ(received.size(), 3u * kEdits);
    for (size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(received[i].type, (std::vector<uint16_t>{kBegin, kValue, kEnd})[i % 3]) << i;
    EXPECT_TRUE(host.WrongThreadCalls().empty());
    // The check itself: a flush request from the audio thread is reported.
    {
        ClapHost::AudioScope audioRole;
        static_cast<const clap_host_params*>(host.Host()->get_extension(host.Host(), CLAP_EXT_PARAMS))
            ->request_flush(host.Host());
    }
    EXPECT_EQ(host.WrongThreadCalls().size(), 1u);
}
