// Host harness for CLAP modules: loads a .clap by path and drives it through the
// binary interface only, as a host does. The host side answers the extensions a
// stereo effect with an editor uses and checks the thread of every call the plug-in
// makes into it: the thread that made the host is the main thread, and a call is on
// the audio thread while an AudioScope is alive on its thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ClapInterface.h"

namespace claphost {

class ClapModule {
public:
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    // Loads the library, finds clap_entry and calls its init with path. Null with
    // error set when any of that fails.
    static std::unique_ptr<ClapModule> Load(const std::string& path, std::string& error);

    const clap_plugin_entry* Entry() const { return entry; }
    const clap_plugin_factory* Factory() const;

private:
    ClapModule() = default;
    void* library = nullptr;
    const clap_plugin_entry* entry = nullptr;
    bool initialized = false;
};

// What the harness's host saw, counted per kind.
struct HostCalls {
    int requestFlush = 0;
    int requestProcess = 0;
    int requestCallback = 0;
    int requestRestart = 0;
    int rescanValues = 0;
    int markDirty = 0;
    int tailChanged = 0;
    int requestResize = 0;
};

class ClapHost {
public:
    // pacing: offer the timer and descriptor support a Linux editor needs.
    explicit ClapHost(bool pacing = true);
    ~ClapHost();
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_host* Host() const { return &host; }
    // Makes the calling thread the main thread (a host whose UI runs on a thread of
    // its own), before the plug-in is used from it.
    void AdoptMainThread() { mainThread = std::this_thread::get_id(); }

    // Marks the calling thread as the instance's audio thread while alive.
    class AudioScope {
    public:
        AudioScope();
        ~AudioScope();
        AudioScope(const AudioScope&) = delete;
        AudioScope& operator=(const AudioScope&) = delete;

    private:
        bool previous;
    };

    HostCalls Calls() const;
    // Plug-in calls made on a thread their rules exclude, as "function on thread".
    std::vector<std::string> WrongThreadCalls() const;
    // Registered timers (id to period in ms) and watched descriptors.
    std::map<clap_id, uint32_t> Timers() const;
    std::set<int> Descriptors() const;

private:
    static ClapHost* Of(const clap_host* h);
    static bool OnMainThread(const clap_host* h);
    static bool OnAudioThread(const clap_host* h);
    void Count(int HostCalls::*counter);
    // Records name as misplaced unless ok.
    void Check(bool ok, const char* name);

    clap_host host{};
    std::atomic<std::thread::id> mainThread;
    bool pacing;
    mutable std::mutex mutex;
    HostCalls calls;
    std::vector<std::string> wrongThread;
    std::map<clap_id, uint32_t> timers;
    std::set<int> descriptors;
    clap_id nextTimer = 1;

    clap_host_params params{};
    clap_host_state state{};
    clap_host_tail tail{};
    clap_host_gui gui{};
    clap_host_timer_support timerSupport{};
    clap_host_posix_fd_support fdSupport{};
    clap_host_thread_check threadCheck{};
    clap_host_log log{};
};

// Input events for one process or flush call, kept sorted by time. Clear keeps the
// storage, so a host reusing the list allocates nothing per block.
class EventList {
public:
    void AddParam(uint32_t time, clap_id param, double value);
    // Any event, copied byte for byte (header.size bytes from header).
    void AddRaw(const clap_event_header* header);
    void Clear() {
        bytes.clear();
        order.clear();
    }
    bool Empty() const { return order.empty(); }
    const clap_input_events* Input();

private:
    const clap_event_header* At(size_t index) const;

    // Events back to back, each at an 8-byte boundary; order holds their offsets by time.
    std::vector<uint64_t> bytes;
    std::vector<size_t> order;
    clap_input_events input{};
};

// Output events the plug-in pushed, in order. A limit makes try_push refuse.
struct OutputEvent {
    uint16_t type = 0;
    uint32_t time = 0;
    clap_id param = CLAP_INVALID_ID;
    double value = 0.0;
};

class OutputList {
public:
    std::vector<OutputEvent> events;
    size_t refuseAfter = SIZE_MAX;  // pushes accepted from now on
    const clap_output_events* Output();

private:
    clap_output_events output{};
};

// A plug-in's state saved into bytes through a stream that moves at most chunk bytes
// per call (0: a stream whose every write fails), and loaded from bytes through one
// that moves at most chunk bytes per call and fails the read that would pass failAt.
bool SaveState(const clap_plugin* plugin, const clap_plugin_state* state, std::vector<unsigned char>& bytes,
               size_t chunk = SIZE_MAX);
bool LoadState(const clap_plugin* plugin, const clap_plugin_state* state, const std::vector<unsigned char>& bytes,
               size_t chunk = SIZE_MAX, size_t failAt = SIZE_MAX);

// One plug-in instance of a module, with the plug-in's extensions.
class ClapInstance {
public:
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    // The factory's plug-in with id (or its first when id is empty), made and
    // initialised; null with error set otherwise.
    static std::unique_ptr<ClapInstance> Create(const ClapModule& module, ClapHost& host, const std::string& id,
                                                std::string& error);

    const clap_plugin* Plugin() const { return plugin; }
    const clap_plugin_audio_ports* ports = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_latency* latency = nullptr;
    const clap_plugin_tail* tail = nullptr;
    const clap_plugin_gui* gui = nullptr;
    const clap_plugin_timer_support* timers = nullptr;
    const clap_plugin_posix_fd_support* fds = nullptr;

    bool Activate(double rate, uint32_t minFrames, uint32_t maxFrames);
    void Deactivate();
    // Start and stop the processing bracket, on the calling thread as audio thread.
    bool StartProcessing();
    void StopProcessing();
    bool Active() const { return active; }

    // One process call on the calling thread as audio thread; events may be null.
    int32_t Process(float* const* in, float* const* out, uint32_t frames, EventList* events, OutputList* outEvents);
    int32_t Process(double* const* in, double* const* out, uint32_t frames, EventList* events,
                    OutputList* outEvents);
    // params.flush, on the audio thread when active, else the main thread.
    void Flush(EventList* events, OutputList* outEvents);

    // State through streams that move at most chunk bytes per call.
    bool Save(std::vector<unsigned char>& bytes, size_t chunk = SIZE_MAX);
    // failAt: the read that would go past this many bytes answers -1.
    bool Load(const std::vector<unsigned char>& bytes, size_t chunk = SIZE_MAX, size_t failAt = SIZE_MAX);

    // Plain value and text of a parameter by id.
    double Value(clap_id id) const;
    std::string Text(clap_id id, double value) const;

private:
    ClapInstance() = default;
    int32_t RunProcess(const clap_audio_buffer& in, clap_audio_buffer& out, uint32_t frames, EventList* events,
                       OutputList* outEvents);

    const clap_plugin* plugin = nullptr;
    bool active = false;
    bool processing = false;
    int64_t steadyTime = 0;
};

}  // namespace claphost
