// Reference-counted object base: every object handed to a host starts with one
// reference (its creator's) and deletes itself when the last one is released.
#pragma once

#include <atomic>

#include "Vst3Base.h"

namespace vst3 {

class FObject : public FUnknown {
public:
    FObject() = default;
    FObject(const FObject&) = delete;
    FObject& operator=(const FObject&) = delete;
    virtual ~FObject() = default;

    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;

    int32 referenceCount() const { return refCount.load(); }

protected:
    // Hands out `pointer` as the answer to a query: one reference taken, kResultOk.
    tresult answer(void* pointer, void** obj) {
        addRef();
        *obj = pointer;
        return kResultOk;
    }

private:
    std::atomic<int32> refCount{1};
};

// Holds one counted reference to an interface, released when replaced or destroyed.
template <class I>
class Ref {
public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    // Takes a reference of its own on `object`.
    void assign(I* object) {
        if (object == pointer) return;
        reset();
        if (object) object->addRef();
        pointer = object;
    }
    // Adopts a reference the caller already owns.
    void adopt(I* object) {
        reset();
        pointer = object;
    }
    void reset() {
        I* old = pointer;
        pointer = nullptr;
        if (old) old->release();
    }
    I* get() const { return pointer; }
    I* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

private:
    I* pointer = nullptr;
};

}  // namespace vst3
