// Fixed-size text buffers: copying into them always cuts and terminates.
#pragma once

// Copies src into dst (dstSize bytes), cutting it to dstSize - 1 characters and
// always writing a terminator. A null src gives the empty text; a null dst or a
// size below 1 writes nothing. Returns the number of characters copied.
int CopyText(char* dst, int dstSize, const char* src);

// True when text contains part anywhere (both non-null).
bool ContainsText(const char* text, const char* part);
