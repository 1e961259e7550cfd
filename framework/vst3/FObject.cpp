// Reference counting and the base interface query.
#include "FObject.h"

namespace vst3 {

tresult FObject::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknown::iid.matches(iid)) return answer(static_cast<FUnknown*>(this), obj);
    *obj = nullptr;
    return kNoInterface;
}

uint32 FObject::addRef() { return static_cast<uint32>(++refCount); }

uint32 FObject::release() {
    const int32 remaining = --refCount;
    if (remaining == 0) {
        // A guard value keeps a late release from the destructor from deleting twice.
        refCount = -1000;
        delete this;
        return 0;
    }
    return static_cast<uint32>(remaining);
}

}  // namespace vst3
