// Fixed-size text buffers: copying into them always cuts and terminates.
#include "framework/TextBuffer.h"

#include <cstring>

int CopyText(char* dst, int dstSize, const char* src)
{
  if (!dst || dstSize < 1) return 0;
  int n = 0;
  if (src) {
    while (n < dstSize - 1 && src[n] != '\0') {
      dst[n] = src[n];
      ++n;
    }
  }
  dst[n] = '\0';
  return n;
}

bool ContainsText(const char* text, const char* part)
{
  return text && part && std::strstr(text, part) != nullptr;
}
