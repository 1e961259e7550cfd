#include "ClapHost.h"

#include <algorithm>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace claphost {

namespace {

thread_local bool inAudioRole = false;
// Set while the factory's create_plugin runs: the plug-in may not call the host then.
thread_local bool insideCreate = false;

std::string ThreadName(bool main) {
    if (inAudioRole) return "the audio thread";
    return main ? "the main thread" : "another thread";
}

}  // namespace

// ---- Module ----

std::unique_ptr<ClapModule> ClapModule::Load(const std::string& path, std::string& error) {
    std::unique_ptr<ClapModule> module(new ClapModule);
#if defined(_WIN32)
    module->library = LoadLibraryA(path.c_str());
    if (!module->library) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    void* symbol = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module->library), "clap_entry"));
#else
    module->library = dlopen(path.c_str(), RTLD_LOCAL | RTLD_NOW);
    if (!module->library) {
        const char* message = dlerror();
        error = "cannot load " + path + ": " + (message ? message : "unknown error");
        return nullptr;
    }
    void* symbol = dlsym(module->library, "clap_entry");
#endif
    module->entry = static_cast<const clap_plugin_entry*>(symbol);
    if (!module->entry) {
        error = path + " has no clap_entry";
        return nullptr;
    }
    if (!clap_version_is_compatible(module->entry->clap_version)) {
        error = path + " was built against an incompatible CLAP version";
        return nullptr;
    }
    if (!module->entry->init || !module->entry->init(path.c_str())) {
        error = path + ": init failed";
        return nullptr;
    }
    module->initialized = true;
    return module;
}

ClapModule::~ClapModule() {
    if (initialized && entry->deinit) entry->deinit();
    if (!library) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

const clap_plugin_factory* ClapModule::Factory() const {
    if (!entry || !entry->get_factory) return nullptr;
    return static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

// ---- Host ----

ClapHost::AudioScope::AudioScope() : previous(inAudioRole) { inAudioRole = true; }
ClapHost::AudioScope::~AudioScope() { inAudioRole = previous; }

ClapHost* ClapHost::Of(const clap_host* h) { return static_cast<ClapHost*>(h->host_data); }
bool ClapHost::OnMainThread(const clap_host* h) {
    return std::this_thread::get_id() == Of(h)->mainThread && !inAudioRole;
}
bool ClapHost::OnAudioThread(const clap_host*) { return inAudioRole; }

void ClapHost::Count(int HostCalls::*counter) {
    std::lock_guard<std::mutex> lock(mutex);
    ++(calls.*counter);
}

void ClapHost::Check(bool ok, const char* name) {
    if (ok) return;
    std::lock_guard<std::mutex> lock(mutex);
    wrongThread.push_back(std::string(name) + " on " + ThreadName(std::this_thread::get_id() == mainThread));
}

ClapHost::ClapHost(bool pacing_) : mainThread(std::this_thread::get_id()), pacing(pacing_) {
    host.clap_version = CLAP_VERSION_OURS;
    host.host_data = this;
    host.name = "Brindle CLAP harness";
    host.vendor = "Orvane";
    host.url = "";
    host.version = "1.0";
    host.get_extension = [](const clap_host* h, const char* id) -> const void* {
        ClapHost* self = Of(h);
        self->Check(!insideCreate, "get_extension inside create_plugin");
        if (!id) return nullptr;
        if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &self->params;
        if (!std::strcmp(id, CLAP_EXT_STATE)) return &self->state;
        if (!std::strcmp(id, CLAP_EXT_TAIL)) return &self->tail;
        if (!std::strcmp(id, CLAP_EXT_GUI)) return &self->gui;
        if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK)) return &self->threadCheck;
        if (!std::strcmp(id, CLAP_EXT_LOG)) return &self->log;
        if (self->pacing && !std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &self->timerSupport;
        if (self->pacing && !std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT)) return &self->fdSupport;
        return nullptr;
    };
    host.request_restart = [](const clap_host* h) { Of(h)->Count(&HostCalls::requestRestart); };
    host.request_process = [](const clap_host* h) { Of(h)->Count(&HostCalls::requestProcess); };
    host.request_callback = [](const clap_host* h) { Of(h)->Count(&HostCalls::requestCallback); };

    params.rescan = [](const clap_host* h, uint32_t flags) {
        Of(h)->Check(OnMainThread(h), "params.rescan");
        if (flags & CLAP_PARAM_RESCAN_VALUES) Of(h)->Count(&HostCalls::rescanValues);
    };
    params.clear = [](const clap_host* h, clap_id, uint32_t) { Of(h)->Check(OnMainThread(h), "params.clear"); };
    params.request_flush = [](const clap_host* h) {
        Of(h)->Check(!OnAudioThread(h), "params.request_flush");
        Of(h)->Count(&HostCalls::requestFlush);
    };
    state.mark_dirty = [](const clap_host* h) {
        Of(h)->Check(OnMainThread(h), "state.mark_dirty");
        Of(h)->Count(&HostCalls::markDirty);
    };
    tail.changed = [](const clap_host* h) {
        Of(h)->Check(OnAudioThread(h), "tail.changed");
        Of(h)->Count(&HostCalls::tailChanged);
    };
    gui.resize_hints_changed = [](const clap_host*) {};
    gui.request_resize = [](const clap_host* h, uint32_t, uint32_t) {
        Of(h)->Count(&HostCalls::requestResize);
        return false;
    };
    gui.request_show = [](const clap_host*) { return false; };
    gui.request_hide = [](const clap_host*) { return false; };
    gui.closed = [](const clap_host*, bool) {};
    timerSupport.register_timer = [](const clap_host* h, uint32_t period, clap_id* id) {
        ClapHost* self = Of(h);
        self->Check(OnMainThread(h), "timer-support.register_timer");
        if (!id) return false;
        std::lock_guard<std::mutex> lock(self->mutex);
        *id = self->nextTimer++;
        self->timers[*id] = period;
        return true;
    };
    timerSupport.unregister_timer = [](const clap_host* h, clap_id id) {
        ClapHost* self = Of(h);
        self->Check(OnMainThread(h), "timer-support.unregister_timer");
        std::lock_guard<std::mutex> lock(self->mutex);
        return self->timers.erase(id) == 1;
    };
    fdSupport.register_fd = [](const clap_host* h, int fd, uint32_t) {
        ClapHost* self = Of(h);
        self->Check(OnMainThread(h), "posix-fd-support.register_fd");
        std::lock_guard<std::mutex> lock(self->mutex);
        return fd >= 0 && self->descriptors.insert(fd).second;
    };
    fdSupport.modify_fd = [](const clap_host* h, int fd, uint32_t) {
        Of(h)->Check(OnMainThread(h), "posix-fd-support.modify_fd");
        std::lock_guard<std::mutex> lock(Of(h)->mutex);
        return Of(h)->descriptors.count(fd) == 1;
    };
    fdSupport.unregister_fd = [](const clap_host* h, int fd) {
        ClapHost* self = Of(h);
        self->Check(OnMainThread(h), "posix-fd-support.unregister_fd");
        std::lock_guard<std::mutex> lock(self->mutex);
        return self->descriptors.erase(fd) == 1;
    };
    threadCheck.is_main_thread = OnMainThread;
    threadCheck.is_audio_thread = OnAudioThread;
    log.log = [](const clap_host*, int32_t, const char*) {};
}

ClapHost::~ClapHost() = default;

HostCalls ClapHost::Calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
}

std::vector<std::string> ClapHost::WrongThreadCalls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return wrongThread;
}

std::map<clap_id, uint32_t> ClapHost::Timers() const {
    std::lock_guard<std::mutex> lock(mutex);
    return timers;
}

std::set<int> ClapHost::Descriptors() const {
    std::lock_guard<std::mutex> lock(mutex);
    return descriptors;
}

// ---- Events ----

void EventList::AddParam(uint32_t time, clap_id param, double value) {
    clap_event_param_value event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = param;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    AddRaw(&event.header);
}

void EventList::AddRaw(const clap_event_header* header) {
    const size_t offset = bytes.size();
    bytes.resize(offset + (header->size + 7) / 8);
    std::memcpy(bytes.data() + offset, header, header->size);
    // After every event of the same time: the order the caller gave is kept.
    auto later = std::upper_bound(order.begin(), order.end(), header->time, [this](uint32_t time, size_t at) {
        return time < reinterpret_cast<const clap_event_header*>(bytes.data() + at)->time;
    });
    order.insert(later, offset);
}

const clap_event_header* EventList::At(size_t index) const {
    return index < order.size() ? reinterpret_cast<const clap_event_header*>(bytes.data() + order[index]) : nullptr;
}

const clap_input_events* EventList::Input() {
    input.ctx = this;
    input.size = [](const clap_input_events* list) {
        return static_cast<uint32_t>(static_cast<EventList*>(list->ctx)->order.size());
    };
    input.get = [](const clap_input_events* list, uint32_t index) {
        return static_cast<EventList*>(list->ctx)->At(index);
    };
    return &input;
}

const clap_output_events* OutputList::Output() {
    output.ctx = this;
    output.try_push = [](const clap_output_events* list, const clap_event_header* header) {
        auto* self = static_cast<OutputList*>(list->ctx);
        if (!header || self->refuseAfter == 0) return false;
        if (self->refuseAfter != SIZE_MAX) --self->refuseAfter;
        OutputEvent event;
        event.type = header->type;
        event.time = header->time;
        if (header->type == CLAP_EVENT_PARAM_VALUE && header->size >= sizeof(clap_event_param_value)) {
            clap_event_param_value value;
            std::memcpy(&value, header, sizeof value);
            event.param = value.param_id;
            event.value = value.value;
        } else if (header->size >= sizeof(clap_event_param_gesture)) {
            clap_event_param_gesture gesture;
            std::memcpy(&gesture, header, sizeof gesture);
            event.param = gesture.param_id;
        }
        self->events.push_back(event);
        return true;
    };
    return &output;
}

// ---- Instance ----

std::unique_ptr<ClapInstance> ClapInstance::Create(const ClapModule& module, ClapHost& host, const std::string& id,
                                                   std::string& error) {
    const clap_plugin_factory* factory = module.Factory();
    if (!factory || !factory->get_plugin_count || !factory->get_plugin_descriptor || !factory->create_plugin) {
        error = "the module has no plug-in factory";
        return nullptr;
    }
    std::string chosen = id;
    if (chosen.empty()) {
        const clap_plugin_descriptor* desc =
            factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0) : nullptr;
        if (!desc || !desc->id) {
            error = "the module's factory has no plug-in";
            return nullptr;
        }
        chosen = desc->id;
    }
    std::unique_ptr<ClapInstance> instance(new ClapInstance);
    insideCreate = true;
    instance->plugin = factory->create_plugin(factory, host.Host(), chosen.c_str());
    insideCreate = false;
    if (!instance->plugin) {
        error = "the factory made no plug-in for " + chosen;
        return nullptr;
    }
    if (!instance->plugin->init(instance->plugin)) {
        error = "the plug-in's init failed";
        return instance->plugin->destroy(instance->plugin), nullptr;
    }
    const clap_plugin* p = instance->plugin;
    auto extension = [p](const char* name) { return p->get_extension(p, name); };
    instance->ports = static_cast<const clap_plugin_audio_ports*>(extension(CLAP_EXT_AUDIO_PORTS));
    instance->params = static_cast<const clap_plugin_params*>(extension(CLAP_EXT_PARAMS));
    instance->state = static_cast<const clap_plugin_state*>(extension(CLAP_EXT_STATE));
    instance->latency = static_cast<const clap_plugin_latency*>(extension(CLAP_EXT_LATENCY));
    instance->tail = static_cast<const clap_plugin_tail*>(extension(CLAP_EXT_TAIL));
    instance->gui = static_cast<const clap_plugin_gui*>(extension(CLAP_EXT_GUI));
    instance->timers = static_cast<const clap_plugin_timer_support*>(extension(CLAP_EXT_TIMER_SUPPORT));
    instance->fds = static_cast<const clap_plugin_posix_fd_support*>(extension(CLAP_EXT_POSIX_FD_SUPPORT));
    return instance;
}

ClapInstance::~ClapInstance() {
    if (!plugin) return;
    Deactivate();
    plugin->destroy(plugin);
}

bool ClapInstance::Activate(double rate, uint32_t minFrames, uint32_t maxFrames) {
    if (active) Deactivate();
    active = plugin->activate(plugin, rate, minFrames, maxFrames);
    steadyTime = 0;
    return active;
}

void ClapInstance::Deactivate() {
    if (!active) return;
    StopProcessing();
    plugin->deactivate(plugin);
    active = false;
}

bool ClapInstance::StartProcessing() {
    if (!active) return false;
    if (processing) return true;
    ClapHost::AudioScope audio;
    processing = plugin->start_processing(plugin);
    return processing;
}

void ClapInstance::StopProcessing() {
    if (!processing) return;
    ClapHost::AudioScope audio;
    plugin->stop_processing(plugin);
    processing = false;
}

int32_t ClapInstance::RunProcess(const clap_audio_buffer& in, clap_audio_buffer& out, uint32_t frames,
                                 EventList* events, OutputList* outEvents) {
    if (!processing && !StartProcessing()) return CLAP_PROCESS_ERROR;
    EventList none;
    OutputList ignored;
    clap_process process{};
    process.steady_time = steadyTime;
    process.frames_count = frames;
    process.audio_inputs = &in;
    process.audio_outputs = &out;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 1;
    process.in_events = (events ? events : &none)->Input();
    process.out_events = (outEvents ? outEvents : &ignored)->Output();
    ClapHost::AudioScope audio;
    const int32_t status = plugin->process(plugin, &process);
    steadyTime += frames;
    return status;
}

int32_t ClapInstance::Process(float* const* in, float* const* out, uint32_t frames, EventList* events,
                              OutputList* outEvents) {
    clap_audio_buffer input{const_cast<float**>(in), nullptr, 2, 0, 0};
    clap_audio_buffer output{const_cast<float**>(out), nullptr, 2, 0, 0};
    return RunProcess(input, output, frames, events, outEvents);
}

int32_t ClapInstance::Process(double* const* in, double* const* out, uint32_t frames, EventList* events,
                              OutputList* outEvents) {
    clap_audio_buffer input{nullptr, const_cast<double**>(in), 2, 0, 0};
    clap_audio_buffer output{nullptr, const_cast<double**>(out), 2, 0, 0};
    return RunProcess(input, output, frames, events, outEvents);
}

void ClapInstance::Flush(EventList* events, OutputList* outEvents) {
    if (!params || !params->flush) return;
    EventList none;
    OutputList ignored;
    const clap_input_events* in = (events ? events : &none)->Input();
    const clap_output_events* out = (outEvents ? outEvents : &ignored)->Output();
    if (active) {
        ClapHost::AudioScope audio;
        params->flush(plugin, in, out);
    } else {
        params->flush(plugin, in, out);
    }
}

namespace {
struct OutStream {
    std::vector<unsigned char>* bytes;
    size_t chunk;
};
struct InStream {
    const std::vector<unsigned char>* bytes;
    size_t chunk;
    size_t failAt;
    size_t position;
};
}  // namespace

bool SaveState(const clap_plugin* plugin, const clap_plugin_state* state, std::vector<unsigned char>& bytes,
               size_t chunk) {
    bytes.clear();
    if (!plugin || !state) return false;
    OutStream target{&bytes, chunk};
    clap_ostream stream{&target, [](const clap_ostream* s, const void* data, uint64_t size) -> int64_t {
                            auto* t = static_cast<OutStream*>(s->ctx);
                            if (t->chunk == 0) return -1;
                            const size_t moved = static_cast<size_t>(std::min<uint64_t>(size, t->chunk));
                            const auto* from = static_cast<const unsigned char*>(data);
                            t->bytes->insert(t->bytes->end(), from, from + moved);
                            return static_cast<int64_t>(moved);
                        }};
    return state->save(plugin, &stream);
}

bool LoadState(const clap_plugin* plugin, const clap_plugin_state* state, const std::vector<unsigned char>& bytes,
               size_t chunk, size_t failAt) {
    if (!plugin || !state) return false;
    InStream source{&bytes, chunk, failAt, 0};
    clap_istream stream{&source, [](const clap_istream* s, void* data, uint64_t size) -> int64_t {
                            auto* t = static_cast<InStream*>(s->ctx);
                            size_t moved = static_cast<size_t>(
                                std::min<uint64_t>({size, t->chunk, t->bytes->size() - t->position}));
                            if (moved > 0 && t->position + moved > t->failAt) return -1;
                            if (moved > 0) std::memcpy(data, t->bytes->data() + t->position, moved);
                            t->position += moved;
                            return static_cast<int64_t>(moved);
                        }};
    return state->load(plugin, &stream);
}

bool ClapInstance::Save(std::vector<unsigned char>& bytes, size_t chunk) {
    return SaveState(plugin, state, bytes, chunk);
}

bool ClapInstance::Load(const std::vector<unsigned char>& bytes, size_t chunk, size_t failAt) {
    return LoadState(plugin, state, bytes, chunk, failAt);
}

double ClapInstance::Value(clap_id id) const {
    double value = -12345.0;
    if (!params || !params->get_value(plugin, id, &value)) return -12345.0;
    return value;
}

std::string ClapInstance::Text(clap_id id, double value) const {
    char text[256] = {};
    if (!params || !params->value_to_text(plugin, id, value, text, sizeof text)) return "<none>";
    return text;
}

}  // namespace claphost
