// Host-side objects of the harness.
#include "HostObjects.h"

#include <algorithm>
#include <cstring>

namespace vst3host {

tresult HostApplication::getName(String128 text) {
    if (!text) return kInvalidArgument;
    size_t i = 0;
    for (; i < name.size() && i < 127; ++i) text[i] = static_cast<unsigned char>(name[i]);
    text[i] = 0;
    return kResultOk;
}

tresult HostApplication::createInstance(TUID, TUID, void** obj) {
    if (obj) *obj = nullptr;
    return kNotImplemented;
}

tresult ComponentHandler::beginEdit(ParamID id) {
    calls.push_back({"beginEdit", id, 0.0});
    return kResultOk;
}

tresult ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized) {
    calls.push_back({"performEdit", id, valueNormalized});
    return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id) {
    calls.push_back({"endEdit", id, 0.0});
    return kResultOk;
}

tresult ComponentHandler::restartComponent(int32 flags) {
    calls.push_back({"restartComponent", static_cast<ParamID>(flags), 0.0});
    return kResultOk;
}

tresult ComponentHandler::setDirty(TBool state) {
    calls.push_back({"setDirty", state, 0.0});
    return kResultOk;
}

tresult ComponentHandler::requestOpenEditor(FIDString) {
    calls.push_back({"requestOpenEditor", 0, 0.0});
    return kResultOk;
}

tresult ComponentHandler::startGroupEdit() {
    calls.push_back({"startGroupEdit", 0, 0.0});
    return kResultOk;
}

tresult ComponentHandler::finishGroupEdit() {
    calls.push_back({"finishGroupEdit", 0, 0.0});
    return kResultOk;
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    if (numBytesRead) *numBytesRead = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    if (readFailureOffset >= 0 && position >= readFailureOffset) return kResultFalse;
    int64 available = static_cast<int64>(bytes.size()) - position;
    if (readFailureOffset >= 0) available = std::min(available, readFailureOffset - position);
    const int32 count = static_cast<int32>(std::max<int64>(0, std::min<int64>(numBytes, available)));
    if (count > 0) std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(count));
    position += count;
    if (numBytesRead) *numBytesRead = count;
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    if (numBytesWritten) *numBytesWritten = 0;
    if (!buffer || numBytes < 0) return kInvalidArgument;
    if (writesFail) return kResultFalse;
    const size_t end = static_cast<size_t>(position) + static_cast<size_t>(numBytes);
    if (end > bytes.size()) bytes.resize(end);
    std::memcpy(bytes.data() + position, buffer, static_cast<size_t>(numBytes));
    position += numBytes;
    if (numBytesWritten) *numBytesWritten = numBytes;
    return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    int64 target = 0;
    switch (mode) {
        case kIBSeekSet: target = pos; break;
        case kIBSeekCur: target = position + pos; break;
        case kIBSeekEnd: target = static_cast<int64>(bytes.size()) + pos; break;
        default: return kInvalidArgument;
    }
    if (target < 0) return kInvalidArgument;
    position = target;
    if (result) *result = position;
    return kResultOk;
}

tresult MemoryStream::tell(int64* pos) {
    if (!pos) return kInvalidArgument;
    *pos = position;
    return kResultOk;
}

tresult MemoryStream::getStreamSize(int64& size) {
    size = static_cast<int64>(bytes.size());
    return kResultOk;
}

tresult MemoryStream::setStreamSize(int64 size) {
    if (size < 0) return kInvalidArgument;
    bytes.resize(static_cast<size_t>(size));
    return kResultOk;
}

void ParamValueQueue::reset(ParamID newId) {
    id = newId;
    count = 0;
}

tresult ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= count) return kResultFalse;
    sampleOffset = offsets[index];
    value = values[index];
    return kResultOk;
}

tresult ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    int32 at = 0;
    while (at < count && offsets[at] < sampleOffset) ++at;
    if (at < count && offsets[at] == sampleOffset) {
        values[at] = value;
        index = at;
        return kResultOk;
    }
    if (count == kMaxPoints) return kResultFalse;
    for (int32 i = count; i > at; --i) {
        offsets[i] = offsets[i - 1];
        values[i] = values[i - 1];
    }
    offsets[at] = sampleOffset;
    values[at] = value;
    ++count;
    index = at;
    return kResultOk;
}

ParameterChanges::ParameterChanges() {
    for (auto& queue : queues) queue = new ParamValueQueue;
}

ParameterChanges::~ParameterChanges() {
    for (auto* queue : queues) queue->release();
}

IParamValueQueue* ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= used) return nullptr;
    return queues[index];
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (int32 i = 0; i < used; ++i) {
        if (queues[i]->getParameterId() == id) {
            index = i;
            return queues[i];
        }
    }
    if (used == kMaxQueues) return nullptr;
    queues[used]->reset(id);
    index = used;
    return queues[used++];
}

bool ParameterChanges::add(ParamID id, int32 sampleOffset, ParamValue value) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue && queue->addPoint(sampleOffset, value, index) == kResultOk;
}

}  // namespace vst3host
