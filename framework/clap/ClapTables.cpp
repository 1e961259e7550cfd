#include "ClapTables.h"

#include <cstring>

#include "IEffectCLAP.h"

namespace {

// Runs call on the instance behind p, or answers fallback for a null instance or
// anything thrown.
template <typename Result, typename Call>
Result Guarded(const clap_plugin* p, Result fallback, Call call) {
    IEffectCLAP* plug = IEffectCLAP::From(p);
    if (!plug) return fallback;
    try {
        return call(*plug);
    } catch (...) {
        return fallback;
    }
}

template <typename Call>
void GuardedVoid(const clap_plugin* p, Call call) {
    Guarded(p, 0, [&](IEffectCLAP& plug) {
        call(plug);
        return 0;
    });
}

const clap_plugin_audio_ports kAudioPorts = {
    [](const clap_plugin*, bool) -> uint32_t { return 1; },
    [](const clap_plugin* p, uint32_t index, bool isInput, clap_audio_port_info* info) -> bool {
        if (!IEffectCLAP::From(p) || index != 0 || !info) return false;
        std::memset(info, 0, sizeof *info);
        info->id = 0;
        std::strncpy(info->name, isInput ? "Main Input" : "Output", sizeof info->name - 1);
        info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                      CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
        info->channel_count = 2;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = 0;
        return true;
    },
};

const clap_plugin_params kParams = {
    [](const clap_plugin* p) -> uint32_t {
        return Guarded(p, 0u, [](IEffectCLAP& plug) { return static_cast<uint32_t>(plug.ParamCount()); });
    },
    [](const clap_plugin* p, uint32_t index, clap_param_info* info) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.ParamInfo(index, info); });
    },
    [](const clap_plugin* p, clap_id id, double* value) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.ParamValue(id, value); });
    },
    [](const clap_plugin* p, clap_id id, double value, char* text, uint32_t size) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.ValueToText(id, value, text, size); });
    },
    [](const clap_plugin* p, clap_id id, const char* text, double* value) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.TextToValue(id, text, value); });
    },
    [](const clap_plugin* p, const clap_input_events* in, const clap_output_events* out) {
        GuardedVoid(p, [&](IEffectCLAP& plug) { plug.Flush(in, out); });
    },
};

const clap_plugin_state kState = {
    [](const clap_plugin* p, const clap_ostream* stream) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.SaveTo(stream); });
    },
    [](const clap_plugin* p, const clap_istream* stream) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.LoadFrom(stream); });
    },
};

const clap_plugin_latency kLatency = {
    [](const clap_plugin* p) -> uint32_t {
        return Guarded(p, 0u, [](IEffectCLAP& plug) { return static_cast<uint32_t>(plug.Latency()); });
    },
};

const clap_plugin_tail kTail = {
    [](const clap_plugin* p) -> uint32_t { return Guarded(p, 0u, [](IEffectCLAP& plug) { return plug.Tail(); }); },
};

const clap_plugin_gui kGui = {
    [](const clap_plugin* p, const char* api, bool floating) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiApiSupported(api, floating); });
    },
    [](const clap_plugin* p, const char** api, bool* floating) -> bool {
        if (!IEffectCLAP::From(p) || !api || !floating) return false;
        *api = IEffectCLAP::WindowApi();
        *floating = false;
        return true;
    },
    [](const clap_plugin* p, const char* api, bool floating) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiCreate(api, floating); });
    },
    [](const clap_plugin* p) { GuardedVoid(p, [](IEffectCLAP& plug) { plug.GuiDestroy(); }); },
    // The editor draws at one size only: the host's scale is not applied.
    [](const clap_plugin*, double) -> bool { return false; },
    [](const clap_plugin* p, uint32_t* width, uint32_t* height) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiSize(width, height); });
    },
    [](const clap_plugin*) -> bool { return false; },
    // Hints that say so: some hosts ask even when can_resize is false.
    [](const clap_plugin* p, clap_gui_resize_hints* hints) -> bool {
        if (!IEffectCLAP::From(p) || !hints) return false;
        *hints = clap_gui_resize_hints{false, false, false, 0, 0};
        return true;
    },
    // The nearest usable size is the only one.
    [](const clap_plugin* p, uint32_t* width, uint32_t* height) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiSize(width, height); });
    },
    [](const clap_plugin* p, uint32_t width, uint32_t height) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiSetSize(width, height); });
    },
    [](const clap_plugin* p, const clap_window* window) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.GuiSetParent(window); });
    },
    [](const clap_plugin*, const clap_window*) -> bool { return false; },  // embedded only
    [](const clap_plugin*, const char*) {},
    [](const clap_plugin* p) -> bool { return Guarded(p, false, [](IEffectCLAP& plug) { return plug.GuiShown(true); }); },
    [](const clap_plugin* p) -> bool { return Guarded(p, false, [](IEffectCLAP& plug) { return plug.GuiShown(false); }); },
};

const clap_plugin_timer_support kTimers = {
    [](const clap_plugin* p, clap_id timer) { GuardedVoid(p, [&](IEffectCLAP& plug) { plug.OnTimer(timer); }); },
};

#ifndef _WIN32
const clap_plugin_posix_fd_support kFds = {
    [](const clap_plugin* p, int fd, uint32_t flags) {
        GuardedVoid(p, [&](IEffectCLAP& plug) { plug.OnFd(fd, flags); });
    },
};
#endif

}  // namespace

namespace clap_tables {

const void* Extension(const char* id) {
    if (!id) return nullptr;
    const struct {
        const char* id;
        const void* table;
    } extensions[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts}, {CLAP_EXT_PARAMS, &kParams},
        {CLAP_EXT_STATE, &kState},            {CLAP_EXT_LATENCY, &kLatency},
        {CLAP_EXT_TAIL, &kTail},              {CLAP_EXT_GUI, &kGui},
        {CLAP_EXT_TIMER_SUPPORT, &kTimers},
#ifndef _WIN32
        {CLAP_EXT_POSIX_FD_SUPPORT, &kFds},
#endif
    };
    for (const auto& extension : extensions)
        if (std::strcmp(id, extension.id) == 0) return extension.table;
    return nullptr;
}

clap_plugin PluginRecord(const clap_plugin_descriptor* desc, IEffectCLAP* plugin) {
    clap_plugin record{};
    record.desc = desc;
    record.plugin_data = plugin;
    record.init = [](const clap_plugin* p) -> bool {
        return Guarded(p, false, [](IEffectCLAP& plug) { return plug.Init(); });
    };
    record.destroy = [](const clap_plugin* p) {
        GuardedVoid(p, [](IEffectCLAP& plug) {
            plug.GuiDestroy();
            delete &plug;
        });
    };
    record.activate = [](const clap_plugin* p, double rate, uint32_t minFrames, uint32_t maxFrames) -> bool {
        return Guarded(p, false, [&](IEffectCLAP& plug) { return plug.Activate(rate, minFrames, maxFrames); });
    };
    record.deactivate = [](const clap_plugin* p) { GuardedVoid(p, [](IEffectCLAP& plug) { plug.Deactivate(); }); };
    record.start_processing = [](const clap_plugin* p) -> bool {
        return Guarded(p, false, [](IEffectCLAP& plug) { return plug.StartProcessing(); });
    };
    record.stop_processing = [](const clap_plugin* p) {
        GuardedVoid(p, [](IEffectCLAP& plug) { plug.StopProcessing(); });
    };
    record.reset = [](const clap_plugin* p) { GuardedVoid(p, [](IEffectCLAP& plug) { plug.Reset(); }); };
    record.process = [](const clap_plugin* p, const clap_process* process) -> int32_t {
        return Guarded(p, int32_t{CLAP_PROCESS_ERROR}, [&](IEffectCLAP& plug) { return plug.Process(process); });
    };
    record.get_extension = [](const clap_plugin*, const char* id) -> const void* { return Extension(id); };
    record.on_main_thread = [](const clap_plugin* p) {
        GuardedVoid(p, [](IEffectCLAP& plug) { plug.OnMainThread(); });
    };
    return record;
}

}  // namespace clap_tables
