// Legal channel configurations and their parsing from a text such as "2-2" or "1-1 2-2".
#include "framework/IOConfig.h"

#include <cctype>
#include <climits>

namespace {

// Formatted-input integer: leading white space, optional sign, digits. Saturates
// instead of overflowing. Returns false when no digit follows.
bool ReadInteger(const char*& p, int32_t& value)
{
  const char* q = p;
  while (*q != '\0' && std::isspace(static_cast<unsigned char>(*q))) ++q;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = (*q++ == '-');
  if (!std::isdigit(static_cast<unsigned char>(*q))) return false;
  long long magnitude = 0;
  while (std::isdigit(static_cast<unsigned char>(*q))) {
    if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*q - '0');
    ++q;
  }
  if (magnitude > INT_MAX) magnitude = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  p = q;
  return true;
}

} // namespace

std::vector<IOConfig> ParseChannelConfig(const char* text)
{
  std::vector<IOConfig> configs;
  if (!text) return configs;
  const char* p = text;
  for (;;) {
    IOConfig config;
    const char* q = p;
    if (ReadInteger(q, config.inputs) && *q == '-') {
      ++q;
      ReadInteger(q, config.outputs);
    }
    configs.push_back(config);
    const char* space = p;
    while (*space != '\0' && *space != ' ') ++space;
    if (*space != ' ') break;
    p = space + 1;
  }
  return configs;
}
