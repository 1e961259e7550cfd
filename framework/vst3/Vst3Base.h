// Scalar types, result codes and 16-byte identifiers of the VST 3 binary interface,
// declared by hand for Windows x64 (COM layout) and Linux x86_64.
#pragma once

#include <cstdint>
#include <cstring>

namespace vst3 {

using int8 = char;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using tresult = int32;
using TBool = uint8;
using char8 = char;
using char16 = char16_t;
using TChar = char16;
using String128 = TChar[128];
using CString = const char8*;
using FIDString = const char8*;
using TUID = char[16];

// Windows hosts compare against the COM HRESULT values; everywhere else the
// interface uses small integers.
#ifdef _WIN32
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// Byte order in which the four words of an identifier travel.
enum class UidLayout { Com, BigEndian };

#ifdef _WIN32
constexpr UidLayout kNativeUidLayout = UidLayout::Com;
#else
constexpr UidLayout kNativeUidLayout = UidLayout::BigEndian;
#endif

// The 16 raw bytes of an interface or class identifier.
struct Uid {
    char bytes[16];

    const char* data() const { return bytes; }
    bool matches(const void* other) const { return other && std::memcmp(bytes, other, 16) == 0; }
    void copyTo(char* destination) const { std::memcpy(destination, bytes, 16); }
};

constexpr char byteOf(uint32 word, int shift) { return static_cast<char>((word >> shift) & 0xFF); }

// Identifier bytes for the words l1..l4 as a host on the given platform sends them.
constexpr Uid encodeUid(UidLayout layout, uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    if (layout == UidLayout::Com) {
        return Uid{{byteOf(l1, 0), byteOf(l1, 8), byteOf(l1, 16), byteOf(l1, 24),
                    byteOf(l2, 16), byteOf(l2, 24), byteOf(l2, 0), byteOf(l2, 8),
                    byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8), byteOf(l3, 0),
                    byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8), byteOf(l4, 0)}};
    }
    return Uid{{byteOf(l1, 24), byteOf(l1, 16), byteOf(l1, 8), byteOf(l1, 0),
                byteOf(l2, 24), byteOf(l2, 16), byteOf(l2, 8), byteOf(l2, 0),
                byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8), byteOf(l3, 0),
                byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8), byteOf(l4, 0)}};
}

constexpr Uid makeUid(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    return encodeUid(kNativeUidLayout, l1, l2, l3, l4);
}

// Root of every interface. No virtual destructor: it would shift the slots.
class FUnknown {
public:
    virtual tresult queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32 addRef() = 0;
    virtual uint32 release() = 0;
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
};

// Queries `object` for interface I; the caller owns the returned reference.
template <class I>
I* queryAs(FUnknown* object) {
    void* result = nullptr;
    if (!object || object->queryInterface(I::iid.data(), &result) != kResultOk) return nullptr;
    return static_cast<I*>(result);
}

}  // namespace vst3
