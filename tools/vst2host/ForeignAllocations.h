// While one lives, the leak checker of a sanitized build ignores new allocations:
// third-party plug-ins keep a few blocks past their own close, and those are theirs.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vst2host {

struct ForeignAllocations {
#if defined(__SANITIZE_ADDRESS__)
    ForeignAllocations() { __lsan_disable(); }
    ~ForeignAllocations() { __lsan_enable(); }
#else
    ForeignAllocations() {}
#endif
    ForeignAllocations(const ForeignAllocations&) = delete;
    ForeignAllocations& operator=(const ForeignAllocations&) = delete;
};

}  // namespace vst2host
