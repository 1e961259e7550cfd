// Host-side objects that a VST 3 plug-in talks to: the host application, a component
// handler that records edits, a memory stream for state, and parameter change lists.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "Vst3Interfaces.h"

namespace vst3host {

using namespace vst3;

// Reference counting and interface lookup for a host object that implements the
// listed interfaces; created with one reference, which its creator owns.
template <class First, class... Rest>
class HostObject : public First, public Rest... {
public:
    virtual ~HostObject() = default;

    tresult queryInterface(const TUID iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        void* found = nullptr;
        if (FUnknown::iid.matches(iid)) found = static_cast<First*>(this);
        if (!found) (offer<First>(iid, found) || ... || offer<Rest>(iid, found));
        *obj = found;
        if (!found) return kNoInterface;
        addRef();
        return kResultOk;
    }
    uint32 addRef() override { return ++references; }
    uint32 release() override {
        const uint32 remaining = --references;
        if (remaining == 0) delete this;
        return remaining;
    }
    uint32 referenceCount() const { return references.load(); }

private:
    template <class I>
    bool offer(const TUID iid, void*& found) {
        if (I::iid.matches(iid)) found = static_cast<I*>(this);
        return found != nullptr;
    }

    std::atomic<uint32> references{1};
};

// Owns one reference to a plug-in or host object and releases it when destroyed.
template <class I>
class Owned {
public:
    Owned() = default;
    explicit Owned(I* adopted) : pointer(adopted) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : pointer(other.pointer) { other.pointer = nullptr; }
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            pointer = other.pointer;
            other.pointer = nullptr;
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    void reset(I* adopted = nullptr) {
        I* old = pointer;
        pointer = adopted;
        if (old) old->release();
    }
    I* get() const { return pointer; }
    I* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

private:
    I* pointer = nullptr;
};

// Queries `object` for I; empty when it does not answer.
template <class I>
Owned<I> query(FUnknown* object) {
    void* result = nullptr;
    if (!object || object->queryInterface(I::iid.data(), &result) != kResultOk || !result) return Owned<I>();
    return Owned<I>(static_cast<I*>(result));
}

class HostApplication : public HostObject<IHostApplication> {
public:
    explicit HostApplication(std::string name = "brindle vst3host") : name(std::move(name)) {}
    tresult getName(String128 text) override;
    // The harness offers no messages or attribute lists.
    tresult createInstance(TUID cid, TUID iid, void** obj) override;

private:
    std::string name;
};

// Records every call so tests can check what the plug-in told the host.
class ComponentHandler : public HostObject<IComponentHandler, IComponentHandler2> {
public:
    struct Call {
        std::string method;
        ParamID id;
        ParamValue value;
    };

    tresult beginEdit(ParamID id) override;
    tresult performEdit(ParamID id, ParamValue valueNormalized) override;
    tresult endEdit(ParamID id) override;
    tresult restartComponent(int32 flags) override;
    tresult setDirty(TBool state) override;
    tresult requestOpenEditor(FIDString name) override;
    tresult startGroupEdit() override;
    tresult finishGroupEdit() override;

    std::vector<Call> calls;
};

// A growable byte stream over memory. Reads can be made to fail from a given
// offset on, to play a damaged or short stream from a host.
class MemoryStream : public HostObject<IBStream, ISizeableStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> initial) : bytes(std::move(initial)) {}

    tresult read(void* buffer, int32 numBytes, int32* numBytesRead) override;
    tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
    tresult seek(int64 pos, int32 mode, int64* result) override;
    tresult tell(int64* pos) override;
    tresult getStreamSize(int64& size) override;
    tresult setStreamSize(int64 size) override;

    // From this offset on every read reports failure and delivers nothing (-1: never).
    void failReadsFrom(int64 offset) { readFailureOffset = offset; }
    // Every write reports failure and stores nothing, like a full disk.
    void failWrites(bool fail) { writesFail = fail; }
    void rewind() { position = 0; }
    const std::vector<unsigned char>& data() const { return bytes; }

private:
    std::vector<unsigned char> bytes;
    int64 position = 0;
    int64 readFailureOffset = -1;
    bool writesFail = false;
};

class ParamValueQueue : public HostObject<IParamValueQueue> {
public:
    static constexpr int32 kMaxPoints = 64;

    void reset(ParamID newId);
    ParamID getParameterId() override { return id; }
    int32 getPointCount() override { return count; }
    tresult getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
    // Points stay ordered by offset; a point at an existing offset replaces it.
    tresult addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

private:
    ParamID id = kNoParamId;
    int32 count = 0;
    int32 offsets[kMaxPoints] = {};
    ParamValue values[kMaxPoints] = {};
};

// Fixed capacity, so filling it between blocks never allocates.
class ParameterChanges : public HostObject<IParameterChanges> {
public:
    static constexpr int32 kMaxQueues = 32;

    ParameterChanges();
    ~ParameterChanges() override;

    int32 getParameterCount() override { return used; }
    IParamValueQueue* getParameterData(int32 index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32& index) override;

    // Convenience for tests and tools: one point for `id`.
    bool add(ParamID id, int32 sampleOffset, ParamValue value);
    void clear() { used = 0; }

private:
    ParamValueQueue* queues[kMaxQueues];
    int32 used = 0;
};

}  // namespace vst3host
