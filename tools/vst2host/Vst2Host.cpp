// The host side of one plug-in instance: entry call, recording callback and call helpers.
#include "Vst2Host.h"

#include <algorithm>
#include <cstring>

namespace vst2host {

namespace {

// Calls made inside the entry point carry an effect the host does not know yet (or none).
thread_local Vst2Host* hostInCreation = nullptr;

const unsigned char kFillByte = 0xA5;

template <typename Sample>
bool BuildPointers(std::vector<std::vector<Sample>>& buffers, VstInt32 channels, VstInt32 frames,
                   std::vector<Sample*>* pointers) {
    if (channels < 0 || frames < 0 || buffers.size() < static_cast<size_t>(channels)) return false;
    pointers->clear();
    for (VstInt32 c = 0; c < channels; ++c) {
        if (buffers[c].size() < static_cast<size_t>(frames)) return false;
        pointers->push_back(buffers[c].data());
    }
    // A valid array address even for zero channels.
    pointers->push_back(nullptr);
    return true;
}

template <typename Sample, typename Process>
bool RunBlock(AEffect* effect, Process process, std::vector<std::vector<Sample>>& inputs,
              std::vector<std::vector<Sample>>& outputs, VstInt32 frames) {
    std::vector<Sample*> in, out;
    if (!effect || !process || !BuildPointers(inputs, effect->numInputs, frames, &in) ||
        !BuildPointers(outputs, effect->numOutputs, frames, &out))
        return false;
    process(effect, in.data(), out.data(), frames);
    return true;
}

}  // namespace

Vst2Host::Vst2Host(HostAnswers hostAnswers) : answers(std::move(hostAnswers)) {}

Vst2Host::~Vst2Host() { Close(); }

bool Vst2Host::Create(const Vst2Module& module, std::string* error) {
    if (!module.Entry()) {
        if (error) *error = "module not loaded";
        return false;
    }
    return Create(module.Entry(), error);
}

bool Vst2Host::Create(VstPluginMainProc entry, std::string* error) {
    if (effect) {
        if (error) *error = "instance already created";
        return false;
    }
    if (!entry) {
        if (error) *error = "no entry point";
        return false;
    }
    hostInCreation = this;
    creating = true;
    AEffect* created = entry(&Vst2Host::Callback);
    creating = false;
    hostInCreation = nullptr;
    if (!created) {
        if (error) *error = "the entry point returned null";
        return false;
    }
    if (created->magic != kEffectMagic) {
        if (error) *error = "bad magic in the effect record";
        return false;
    }
    effect = created;
    // Like real hosts: our pointer goes into the host's reserved field.
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    return true;
}

void Vst2Host::Start(float sampleRate, VstInt32 blockSize) {
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effOpen);
    Dispatch(effMainsChanged, 0, 1);
}

void Vst2Host::Close() {
    if (!effect) return;
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose);
    effect = nullptr;
}

VstIntPtr Vst2Host::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!effect || !effect->dispatcher) return 0;
    AEffect* target = effect;
    if (opcode == effClose) effect = nullptr;  // the record is gone once the call returns
    return target->dispatcher(target, opcode, index, value, ptr, opt);
}

TextAnswer Vst2Host::DispatchText(VstInt32 opcode, VstInt32 index, size_t bufferSize, VstIntPtr value) {
    TextAnswer answer;
    std::vector<unsigned char> buffer(bufferSize + 1, kFillByte);
    answer.result = Dispatch(opcode, index, value, buffer.data());
    for (size_t i = buffer.size(); i > 0; --i) {
        if (buffer[i - 1] != kFillByte) {
            answer.bytesTouched = i;
            break;
        }
    }
    const unsigned char* begin = buffer.data();
    const unsigned char* end = std::find(begin, begin + bufferSize, 0);
    answer.terminated = end != begin + bufferSize;
    answer.text.assign(reinterpret_cast<const char*>(begin), end - begin);
    return answer;
}

float Vst2Host::GetParameter(VstInt32 index) {
    if (!effect || !effect->getParameter) return 0.0f;
    return effect->getParameter(effect, index);
}

void Vst2Host::SetParameter(VstInt32 index, float value) {
    if (!effect || !effect->setParameter) return;
    effect->setParameter(effect, index, value);
}

VstIntPtr Vst2Host::GetChunk(bool program, std::vector<uint8_t>* bytes) {
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (bytes) {
        bytes->clear();
        if (size > 0 && data) {
            const uint8_t* begin = static_cast<const uint8_t*>(data);
            bytes->assign(begin, begin + size);
        }
    }
    return size;
}

VstIntPtr Vst2Host::SetChunk(bool program, const void* data, VstIntPtr size) {
    return Dispatch(effSetChunk, program ? 1 : 0, size, const_cast<void*>(data));
}

bool Vst2Host::ProcessReplacing(std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                                VstInt32 frames) {
    return RunBlock(effect, effect ? effect->processReplacing : nullptr, inputs, outputs, frames);
}

bool Vst2Host::ProcessAccumulating(std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                                   VstInt32 frames) {
    return RunBlock(effect, effect ? effect->process : nullptr, inputs, outputs, frames);
}

bool Vst2Host::ProcessDouble(std::vector<std::vector<double>>& inputs, std::vector<std::vector<double>>& outputs,
                             VstInt32 frames) {
    return RunBlock(effect, effect ? effect->processDoubleReplacing : nullptr, inputs, outputs, frames);
}

bool Vst2Host::PlayReplacing(const std::vector<float>& left, const std::vector<float>& right, int blockFrames) {
    if (blockFrames <= 0) return false;
    const size_t block = static_cast<size_t>(blockFrames);
    std::vector<std::vector<float>> in{2, std::vector<float>(block)}, out{2, std::vector<float>(block)};
    const size_t frames = std::min(left.size(), right.size());
    for (size_t done = 0; done < frames; done += block) {
        const size_t count = std::min(block, frames - done);
        std::copy_n(left.begin() + static_cast<std::ptrdiff_t>(done), count, in[0].begin());
        std::copy_n(right.begin() + static_cast<std::ptrdiff_t>(done), count, in[1].begin());
        if (!ProcessReplacing(in, out, static_cast<VstInt32>(count))) return false;
    }
    return true;
}

std::vector<HostCall> Vst2Host::Calls() const {
    std::lock_guard<std::mutex> lock(callsMutex);
    return calls;
}

size_t Vst2Host::CountCalls(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(callsMutex);
    return static_cast<size_t>(
        std::count_if(calls.begin(), calls.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

std::vector<SentEvent> Vst2Host::SentEvents() const {
    std::lock_guard<std::mutex> lock(callsMutex);
    return sentEvents;
}

void Vst2Host::ClearCalls() {
    std::lock_guard<std::mutex> lock(callsMutex);
    calls.clear();
    sentEvents.clear();
}

VstIntPtr VSTCALLBACK Vst2Host::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt) {
    Vst2Host* host = nullptr;
    if (effect && effect->resvd1) host = reinterpret_cast<Vst2Host*>(effect->resvd1);
    if (!host) host = hostInCreation;
    if (!host) return opcode == audioMasterVersion ? kVstVersion : 0;
    return host->Answer(effect, opcode, index, value, ptr, opt);
}

VstIntPtr Vst2Host::Answer(AEffect* caller, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) {
    HostCall call;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.opt = opt;
    call.duringEntry = creating;
    call.effectGiven = caller != nullptr;
    if (opcode == audioMasterCanDo && ptr) call.text = static_cast<const char*>(ptr);
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.push_back(call);
    }

    auto copyText = [ptr](const std::string& text, size_t capacity) -> VstIntPtr {
        if (!ptr) return 0;
        const size_t n = std::min(text.size(), capacity - 1);
        std::memcpy(ptr, text.data(), n);
        static_cast<char*>(ptr)[n] = 0;
        return 1;
    };

    switch (opcode) {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterGetProductString:
        return copyText(answers.productString, kVstMaxProductStrLen);
    case audioMasterGetVendorString:
        return copyText(answers.vendorString, kVstMaxVendorStrLen);
    case audioMasterGetVendorVersion:
        return answers.vendorVersion;
    case audioMasterGetCurrentProcessLevel:
        return answers.processLevel;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(answers.sampleRate);
    case audioMasterGetBlockSize:
        return answers.blockSize;
    case audioMasterGetLanguage:
        return kVstLangEnglish;
    case audioMasterGetTime:
        return answers.answerTime ? reinterpret_cast<VstIntPtr>(&answers.timeInfo) : 0;
    case audioMasterCanDo:
        if (!ptr) return 0;
        for (const std::string& text : answers.canDo)
            if (text == static_cast<const char*>(ptr)) return 1;
        return 0;
    case audioMasterUpdateDisplay:
        return 1;
    case audioMasterProcessEvents: {
        const VstEvents* list = static_cast<const VstEvents*>(ptr);
        if (!list) return 0;
        std::lock_guard<std::mutex> lock(callsMutex);
        // The pointer array runs past its two declared slots.
        VstEvent* const* entries = list->events;
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
            const VstEvent* event = entries[i];
            if (!event) continue;
            SentEvent sent;
            sent.type = event->type;
            sent.byteSize = event->byteSize;
            sent.deltaFrames = event->deltaFrames;
            if (event->type == kVstMidiType) {
                const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
                sent.bytes.assign(midi->midiData, midi->midiData + 4);
            } else if (event->type == kVstSysExType) {
                const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
                if (sysex->sysexDump && sysex->dumpBytes > 0)
                    sent.bytes.assign(sysex->sysexDump, sysex->sysexDump + sysex->dumpBytes);
            }
            sentEvents.push_back(sent);
        }
        return answers.processEventsAnswer;
    }
    default:
        return 0;
    }
}

}  // namespace vst2host
