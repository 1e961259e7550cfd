// Text helpers for the interface's UTF-16 strings.
#include "Vst3Strings.h"

namespace vst3 {

int32 length16(const char16* text, int32 limit) {
    if (!text) return 0;
    int32 length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

void widenInto(char16* destination, int32 capacity, const char* text) {
    if (!destination || capacity <= 0) return;
    int32 i = 0;
    for (; text && text[i] && i < capacity - 1; ++i) destination[i] = static_cast<unsigned char>(text[i]);
    destination[i] = 0;
}

void copyInto16(char16* destination, int32 capacity, const char16* text) {
    if (!destination || capacity <= 0) return;
    int32 i = 0;
    for (; text && text[i] && i < capacity - 1; ++i) destination[i] = text[i];
    destination[i] = 0;
}

std::string narrow(const char16* text, int32 limit) {
    std::string result;
    for (int32 i = 0; text && i < limit && text[i]; ++i) result.push_back(static_cast<char>(text[i] & 0xFF));
    return result;
}

std::u16string widen(const char* text) {
    std::u16string result;
    for (; text && *text; ++text) result.push_back(static_cast<unsigned char>(*text));
    return result;
}

void copyPadded(char* destination, int32 capacity, const char* text) {
    if (!destination || capacity <= 0) return;
    int32 i = 0;
    for (; text && text[i] && i < capacity; ++i) destination[i] = text[i];
    for (; i < capacity; ++i) destination[i] = 0;
}

}  // namespace vst3
