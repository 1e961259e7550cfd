// The CLAP wrapper: host calls become plug-in base operations and back.
#include "IEffectCLAP.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ClapTables.h"
#include "graphics/IGraphics.h"

namespace {

void CopyText(char* out, size_t size, const char* text) {
    if (!out || size == 0) return;
    std::snprintf(out, size, "%s", text ? text : "");
}

}  // namespace

IEffectCLAP::IEffectCLAP(const clap_host* host_, int paramCount, const char* channelIOText, int presetCount,
                         const char* effectName, const char* productName, const char* makerName, int32_t version,
                         int32_t uniqueId, int32_t makerId, int32_t latency, bool stateChunks, bool isInstrument,
                         bool doesMidi)
    : IEffectBase(const_cast<clap_host*>(host_), paramCount, channelIOText, presetCount, effectName, productName,
                  makerName, version, uniqueId, makerId, latency, stateChunks, isInstrument, doesMidi),
      host(host_) {
    SetPluginFormat(2);
    SetInputConnections(0, InputCount(), true);
    SetOutputConnections(0, OutputCount(), true);
}

IEffectCLAP::~IEffectCLAP() = default;

const clap_plugin* IEffectCLAP::Plugin(const clap_plugin_descriptor* desc) {
    plugin = clap_tables::PluginRecord(desc, this);
    return &plugin;
}

IEffectCLAP* IEffectCLAP::From(const clap_plugin* p) {
    return p ? static_cast<IEffectCLAP*>(p->plugin_data) : nullptr;
}

// ---- Life cycle ----

bool IEffectCLAP::Init() {
    if (!host || !host->get_extension) return true;
    auto extension = [this](const char* id) { return host->get_extension(host, id); };
    hostParams = static_cast<const clap_host_params*>(extension(CLAP_EXT_PARAMS));
    hostState = static_cast<const clap_host_state*>(extension(CLAP_EXT_STATE));
    hostTail = static_cast<const clap_host_tail*>(extension(CLAP_EXT_TAIL));
    hostGui = static_cast<const clap_host_gui*>(extension(CLAP_EXT_GUI));
    hostTimers = static_cast<const clap_host_timer_support*>(extension(CLAP_EXT_TIMER_SUPPORT));
    hostFds = static_cast<const clap_host_posix_fd_support*>(extension(CLAP_EXT_POSIX_FD_SUPPORT));
    return true;
}

bool IEffectCLAP::Activate(double sampleRate, uint32_t /*minFrames*/, uint32_t maxFrames) {
    if (active || !std::isfinite(sampleRate) || sampleRate <= 0.0 || maxFrames == 0) return false;
    SetSampleRate(sampleRate);
    // Longer host blocks than the base's scratch holds are run in pieces.
    ChangeBlockSize(static_cast<int>(std::min<uint32_t>(maxFrames, kMaxBlockSize)));
    // As in the other wrappers: settings given before the first block apply from its
    // first sample, and nothing of an earlier run carries over.
    OnReset();
    OnActivated(true);
    lastTail = Tail();
    active = true;
    return true;
}

void IEffectCLAP::Deactivate() {
    if (!active) return;
    // Also the end of processing, should the host not have said so.
    processing = false;
    active = false;
    OnActivated(false);
    OnReset();
}

bool IEffectCLAP::StartProcessing() {
    if (!active) return false;
    processing = true;
    return true;
}

void IEffectCLAP::StopProcessing() { processing = false; }

void IEffectCLAP::Reset() {
    if (active) OnReset();
}

void IEffectCLAP::OnMainThread() {
    // Edits that did not fit the ring move on once the host has drained it.
    if (edits.HasOverflow()) RequestFlush();
}

// ---- Processing ----

template <typename Sample>
void IEffectCLAP::RunSegment(Sample* const* inputs, int inputCount, Sample* const* outputs, int outputCount,
                             uint32_t offset, uint32_t frames) {
    if (frames == 0) return;
    Sample* in[2] = {nullptr, nullptr};
    Sample* out[2] = {nullptr, nullptr};
    for (int c = 0; c < inputCount; ++c) in[c] = inputs[c] ? inputs[c] + offset : nullptr;
    for (int c = 0; c < outputCount; ++c) out[c] = outputs[c] ? outputs[c] + offset : nullptr;
    if constexpr (sizeof(Sample) == sizeof(double))
        ProcessDoubleReplacing(inputCount, in, outputCount, out, static_cast<int>(frames));
    else
        ProcessFloatReplacing(inputCount, in, outputCount, out, static_cast<int>(frames));
}

template <typename Sample>
void IEffectCLAP::ProcessBlock(Sample* const* inputs, int inputCount, Sample* const* outputs, int outputCount,
                               const clap_process* process) {
    const uint32_t frames = process->frames_count;
    const clap_input_events* in = process->in_events;
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    uint32_t done = 0;
    // The block is cut at each event's time: the plug-in sees the same calls as if the
    // host had ended a block there. Times past the block or earlier than the last
    // one apply where the block has got to.
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header* event = in->get(in, i);
        if (!event) continue;
        const uint32_t at = std::min(event->time, frames);
        if (at > done) {
            RunSegment(inputs, inputCount, outputs, outputCount, done, at - done);
            done = at;
        }
        ApplyEvent(event);
    }
    RunSegment(inputs, inputCount, outputs, outputCount, done, frames - done);
}

int32_t IEffectCLAP::Process(const clap_process* process) {
    if (!process || !active) return CLAP_PROCESS_ERROR;
    if (!ProcessLocked(process)) return CLAP_PROCESS_ERROR;
    // The host's lists and callbacks without the plug-in's lock held.
    SendEdits(process->out_events);
    NoteTailChange();
    return CLAP_PROCESS_TAIL;
}

bool IEffectCLAP::ProcessLocked(const clap_process* process) {
    PluginLock lock(Mutex());
    hasTransport = process->transport != nullptr;
    if (hasTransport) transport = *process->transport;

    const clap_audio_buffer* input = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
    clap_audio_buffer* output = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;
    const int inputCount = input ? static_cast<int>(std::min<uint32_t>(input->channel_count, 2)) : 0;
    const int outputCount = output ? static_cast<int>(std::min<uint32_t>(output->channel_count, 2)) : 0;
    const bool wide = output && output->data64;
    // Both ports ask for one sample size; buffers of mixed sizes are the host's error.
    if (wide && inputCount > 0 && !input->data64) return false;
    if (!wide && ((outputCount > 0 && !output->data32) || (inputCount > 0 && !input->data32))) return false;

    if (wide)
        ProcessBlock<double>(inputCount ? input->data64 : nullptr, inputCount, output->data64, outputCount, process);
    else
        ProcessBlock<float>(inputCount ? input->data32 : nullptr, inputCount, outputCount ? output->data32 : nullptr,
                            outputCount, process);
    if (output) output->constant_mask = 0;
    return true;
}

void IEffectCLAP::ApplyEvent(const clap_event_header* event) {
    if (event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE ||
        event->size < sizeof(clap_event_param_value))
        return;
    clap_event_param_value change;
    std::memcpy(&change, event, sizeof change);
    const IParam* param = HostParam(change.param_id);
    if (!param || !std::isfinite(change.value)) return;
    SetParamFromHost(static_cast<int>(change.param_id), param->NormalizedOf(change.value));
}

void IEffectCLAP::Flush(const clap_input_events* in, const clap_output_events* out) {
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap_event_header* event = in->get(in, i)) ApplyEvent(event);
    SendEdits(out);
    if (active) NoteTailChange();
}

void IEffectCLAP::NoteTailChange() {
    const uint32_t tail = Tail();
    if (tail == lastTail) return;
    lastTail = tail;
    // Audio thread only: inactive flushes run on the main thread, and activate
    // reads the tail afresh.
    if (hostTail && hostTail->changed) hostTail->changed(host);
}

uint32_t IEffectCLAP::Tail() {
    const int samples = CurrentTailSamples();
    return samples > 0 ? static_cast<uint32_t>(samples) : 0;
}

// ---- Editor edits toward the host ----

void IEffectCLAP::SendEdits(const clap_output_events* out) {
    if (!out || !out->try_push) return;
    while (const QueuedEdit* edit = edits.Front()) {
        bool sent;
        if (edit->type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit->type, CLAP_EVENT_IS_LIVE};
            event.param_id = edit->param;
            event.note_id = -1;
            event.port_index = event.channel = event.key = -1;
            event.value = edit->value;
            sent = out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit->type, CLAP_EVENT_IS_LIVE};
            event.param_id = edit->param;
            sent = out->try_push(out, &event.header);
        }
        // A refused event waits, with everything after it, for the next call.
        if (!sent) return;
        edits.Pop();
    }
}

void IEffectCLAP::QueueEdit(uint16_t type, int index, double value) {
    if (!HostParam(static_cast<clap_id>(index))) return;
    edits.Push(QueuedEdit{type, static_cast<uint32_t>(index), value});
    RequestFlush();
}

void IEffectCLAP::RequestFlush() {
    // Called from the main thread (the editor); the host answers with process or flush.
    if (hostParams && hostParams->request_flush)
        hostParams->request_flush(host);
    else if (host && host->request_process)
        host->request_process(host);
    if (edits.HasOverflow() && !edits.MoveOverflow() && host && host->request_callback)
        host->request_callback(host);
}

void IEffectCLAP::BeginParamEdit(int index) { QueueEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0); }

void IEffectCLAP::NotifyParamEdit(int index, double /*normalized*/) {
    // The stored value: the control's position after the parameter's steps.
    const IParam* param = GetParam(index);
    if (param) QueueEdit(CLAP_EVENT_PARAM_VALUE, index, param->Value());
}

void IEffectCLAP::EndParamEdit(int index) {
    QueueEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    if (hostState && hostState->mark_dirty) hostState->mark_dirty(host);
}

// ---- Parameters ----

const IParam* IEffectCLAP::HostParam(clap_id id) const {
    return id < static_cast<clap_id>(ParamCount()) ? GetParam(static_cast<int>(id)) : nullptr;
}

bool IEffectCLAP::ParamInfo(uint32_t index, clap_param_info* info) {
    const IParam* param = HostParam(index);
    if (!param || !info) return false;
    std::memset(info, 0, sizeof *info);
    info->id = index;
    uint32_t flags = param->CanAutomate() ? CLAP_PARAM_IS_AUTOMATABLE : 0u;
    if (param->Kind() != ParamKind::Double) flags |= CLAP_PARAM_IS_STEPPED;
    if (param->Kind() == ParamKind::Enum) flags |= CLAP_PARAM_IS_ENUM;
    if (static_cast<int>(index) == BypassParamIndex()) flags |= CLAP_PARAM_IS_BYPASS;
    info->flags = flags;
    CopyText(info->name, sizeof info->name, param->Name());
    CopyText(info->module, sizeof info->module, param->Group());
    info->min_value = param->Min();
    info->max_value = param->Max();
    info->default_value = param->DefaultValue();
    return true;
}

bool IEffectCLAP::ParamValue(clap_id id, double* value) {
    const IParam* param = HostParam(id);
    if (!param || !value) return false;
    PluginLock lock(Mutex());
    *value = param->Value();
    return true;
}

bool IEffectCLAP::ValueToText(clap_id id, double value, char* text, uint32_t size) {
    const IParam* param = HostParam(id);
    if (!param || !text || size == 0 || std::isnan(value)) return false;
    char shown[IParam::kTextSize];
    const double limited = std::clamp(value, param->Min(), param->Max());
    param->FormatForHost(limited, false, shown, true, sizeof shown);
    // A number carries its unit; a display text stands alone, as the editor shows it.
    const char* unit = param->FindDisplayText(limited)[0] ? "" : param->Label();
    if (unit[0])
        std::snprintf(text, size, "%s %s", shown, unit);
    else
        CopyText(text, size, shown);
    return true;
}

bool IEffectCLAP::TextToValue(clap_id id, const char* text, double* value) {
    const IParam* param = HostParam(id);
    if (!param || !text || !value) return false;
    std::string trimmed(text);
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back()))) trimmed.pop_back();
    size_t start = 0;
    while (start < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[start]))) ++start;
    trimmed.erase(0, start);
    double found = 0.0;
    if (param->LookupDisplayText(trimmed.c_str(), &found)) {
        *value = found;
        return true;
    }
    char* end = nullptr;
    double number = std::strtod(trimmed.c_str(), &end);
    if (end == trimmed.c_str() || !std::isfinite(number)) return false;
    // Whatever follows the number may only be the unit.
    while (*end == ' ') ++end;
    if (*end && std::strcmp(end, param->Label()) != 0) return false;
    if (param->NegateDisplay()) number = -number;
    number = std::clamp(number, param->Min(), param->Max());
    if (param->Kind() != ParamKind::Double) number = std::floor(number + 0.5);
    *value = number;
    return true;
}

// ---- State ----

bool IEffectCLAP::SaveTo(const clap_ostream* stream) {
    if (!stream || !stream->write) return false;
    StateChunk chunk;
    if (!SaveState(chunk)) return false;
    const unsigned char flag[kStateFlagBytes] = {0, 0, 0, 0};
    std::vector<unsigned char> bytes(chunk.Data(), chunk.Data() + chunk.Size());
    bytes.insert(bytes.end(), flag, flag + kStateFlagBytes);
    size_t written = 0;
    while (written < bytes.size()) {
        const int64_t moved = stream->write(stream, bytes.data() + written, bytes.size() - written);
        // 0 would loop for ever; more than asked is a broken stream.
        if (moved <= 0 || static_cast<uint64_t>(moved) > bytes.size() - written) return false;
        written += static_cast<size_t>(moved);
    }
    return true;
}

bool IEffectCLAP::LoadFrom(const clap_istream* stream) {
    if (!stream || !stream->read || !LoadLocked(stream)) return false;
    // The host re-reads the values; called without the plug-in's lock held.
    if (hostParams && hostParams->rescan) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

bool IEffectCLAP::LoadLocked(const clap_istream* stream) {
    PluginLock lock(Mutex());
    StateChunk chunk;
    if (!SaveState(chunk) || chunk.Size() <= 0) return false;
    const size_t valueBytes = static_cast<size_t>(chunk.Size());
    std::vector<unsigned char> bytes(valueBytes + kStateFlagBytes);
    size_t got = 0;
    while (got < bytes.size()) {
        const int64_t moved = stream->read(stream, bytes.data() + got, bytes.size() - got);
        if (moved < 0 || static_cast<uint64_t>(moved) > bytes.size() - got) return false;  // nothing applied
        if (moved == 0) break;
        got += static_cast<size_t>(moved);
    }
    if (got == 0) return false;
    // Values the stream does not deliver whole keep their current ones, as a short
    // stream does in the other formats; a value cut in the middle is not read.
    const size_t whole = std::min(got, valueBytes) / sizeof(double) * sizeof(double);
    std::memcpy(chunk.Data(), bytes.data(), whole);
    LoadState(chunk, 0);
    RefreshEditorParams();
    return true;
}

// ---- Host side of the plug-in base ----

double IEffectCLAP::TransportSamplePos() {
    if (!hasTransport || !(transport.flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE)) return 0.0;
    return static_cast<double>(transport.song_pos_seconds) / CLAP_TIME_FACTOR * SampleRate();
}

double IEffectCLAP::TransportTempo() { return hasTransport && (transport.flags & CLAP_TRANSPORT_HAS_TEMPO) ? transport.tempo : 0.0; }

void IEffectCLAP::TransportTimeSig(int* numerator, int* denominator) {
    const bool known = hasTransport && (transport.flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE);
    if (numerator) *numerator = known ? transport.tsig_num : 4;
    if (denominator) *denominator = known ? transport.tsig_denom : 4;
}

void IEffectCLAP::ReadTransport(TransportInfo* info) {
    if (!info) return;
    info->tempo = TransportTempo();
    info->samplePos = TransportSamplePos();
    info->ppqPos = hasTransport ? static_cast<double>(transport.song_pos_beats) / CLAP_TIME_FACTOR : 0.0;
    info->lastBar = hasTransport ? static_cast<double>(transport.bar_start) / CLAP_TIME_FACTOR : 0.0;
    info->cycleStart = hasTransport ? static_cast<double>(transport.loop_start_beats) / CLAP_TIME_FACTOR : 0.0;
    info->cycleEnd = hasTransport ? static_cast<double>(transport.loop_end_beats) / CLAP_TIME_FACTOR : 0.0;
    TransportTimeSig(&info->numerator, &info->denominator);
    info->transportIsRunning = hasTransport && (transport.flags & CLAP_TRANSPORT_IS_PLAYING);
    info->transportCycle = hasTransport && (transport.flags & CLAP_TRANSPORT_IS_LOOP_ACTIVE);
}

void IEffectCLAP::ResizeEditorFrame(int width, int height) {
    if (windowOpen && hostGui && hostGui->request_resize && width > 0 && height > 0)
        hostGui->request_resize(host, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}
