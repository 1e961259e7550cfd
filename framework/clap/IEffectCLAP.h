// Presents a plug-in built on IEffectBase to a CLAP host: the instance record, its
// audio ports, parameters in plain units, sample-accurate parameter events, state,
// tail and the embedded editor.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "ClapInterface.h"
#include "EditQueue.h"
#include "framework/IEffectBase.h"

class IEffectCLAP : public IEffectBase {
public:
    // State stream: one double per parameter, then a 32-bit word kept for the other
    // formats' bypass flag (always 0 here: the Bypass parameter is the only bypass).
    static constexpr int kStateFlagBytes = 4;

    IEffectCLAP(const clap_host* host, int paramCount, const char* channelIOText, int presetCount,
                const char* effectName, const char* productName, const char* makerName, int32_t version,
                int32_t uniqueId, int32_t makerId, int32_t latency = 0, bool stateChunks = false,
                bool isInstrument = false, bool doesMidi = false);
    ~IEffectCLAP() override;

    // The record handed to the host; desc is the module's descriptor.
    const clap_plugin* Plugin(const clap_plugin_descriptor* desc);
    static IEffectCLAP* From(const clap_plugin* plugin);

    // Host side of the plug-in base: editor edits become output events.
    void BeginParamEdit(int index) override;
    void NotifyParamEdit(int index, double normalized) override;
    void EndParamEdit(int index) override;
    void NotifyProgramChange() override {}
    double TransportSamplePos() override;
    double TransportTempo() override;
    void TransportTimeSig(int* numerator, int* denominator) override;
    void ReadTransport(TransportInfo* info) override;
    void ResizeEditorFrame(int width, int height) override;
    bool SendMidiMessage(const MidiMessage*) override { return false; }

    // The calls of the instance record and of the extensions (see IEffectCLAP.cpp).
    bool Init();
    bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    void Deactivate();
    bool StartProcessing();
    void StopProcessing();
    void Reset();
    int32_t Process(const clap_process* process);
    void OnMainThread();
    bool ParamInfo(uint32_t index, clap_param_info* info);
    bool ParamValue(clap_id id, double* value);
    bool ValueToText(clap_id id, double value, char* text, uint32_t size);
    bool TextToValue(clap_id id, const char* text, double* value);
    void Flush(const clap_input_events* in, const clap_output_events* out);
    bool SaveTo(const clap_ostream* stream);
    bool LoadFrom(const clap_istream* stream);
    uint32_t Tail();

    // Editor (IEffectCLAPGui.cpp).
    static const char* WindowApi();
    bool GuiApiSupported(const char* api, bool floating) const;
    bool GuiCreate(const char* api, bool floating);
    void GuiDestroy();
    bool GuiSize(uint32_t* width, uint32_t* height) const;
    bool GuiSetSize(uint32_t width, uint32_t height) const;
    bool GuiSetParent(const clap_window* window);
    // show and hide: true while the editor exists (its window follows the host's).
    bool GuiShown(bool shown) const;
    void OnTimer(clap_id timer);
    void OnFd(int fd, uint32_t flags);

private:
    // The parts of process and state load that run under the plug-in's lock.
    bool ProcessLocked(const clap_process* process);
    bool LoadLocked(const clap_istream* stream);
    template <typename Sample>
    void RunSegment(Sample* const* inputs, int inputCount, Sample* const* outputs, int outputCount,
                    uint32_t offset, uint32_t frames);
    template <typename Sample>
    void ProcessBlock(Sample* const* inputs, int inputCount, Sample* const* outputs, int outputCount,
                      const clap_process* process);
    void ApplyEvent(const clap_event_header* event);
    // Hands queued editor events to the host in order; those it refuses stay queued.
    void SendEdits(const clap_output_events* out);
    void QueueEdit(uint16_t type, int index, double value);
    void RequestFlush();
    void NoteTailChange();
    void DisconnectPacing();
    const IParam* HostParam(clap_id id) const;

    const clap_host* host;
    clap_plugin plugin{};
    const clap_host_params* hostParams = nullptr;
    const clap_host_state* hostState = nullptr;
    const clap_host_tail* hostTail = nullptr;
    const clap_host_gui* hostGui = nullptr;
    const clap_host_timer_support* hostTimers = nullptr;
    const clap_host_posix_fd_support* hostFds = nullptr;

    std::atomic<bool> active{false};
    std::atomic<bool> processing{false};
    EditQueue edits;
    clap_event_transport transport{};
    bool hasTransport = false;
    uint32_t lastTail = 0;

    bool guiCreated = false;
    bool windowOpen = false;
    clap_id timerId = CLAP_INVALID_ID;
    int watchedFd = -1;
};
