// Text helpers for the interface's UTF-16 strings: byte widening, low-byte narrowing
// and bounded copies into fixed fields.
#pragma once

#include <string>

#include "Vst3Base.h"

namespace vst3 {

// Length of a NUL-terminated UTF-16 text, looking at most at `limit` units.
int32 length16(const char16* text, int32 limit = 0x7FFFFFFF);

// Widens each byte of `text` into `destination` (capacity units including the
// terminator); a longer text is cut. Null text gives an empty string.
void widenInto(char16* destination, int32 capacity, const char* text);

// Copies a UTF-16 text into a field of `capacity` units, cut and terminated.
void copyInto16(char16* destination, int32 capacity, const char16* text);

// Keeps the low byte of each unit, up to the terminator or `limit` units.
std::string narrow(const char16* text, int32 limit = 127);

std::u16string widen(const char* text);

// strncpy semantics: zero padded, no terminator when the text fills the field.
void copyPadded(char* destination, int32 capacity, const char* text);

}  // namespace vst3
