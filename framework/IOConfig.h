// Legal channel configurations and their parsing from a text such as "2-2" or "1-1 2-2".
#pragma once

#include <cstdint>
#include <vector>

struct IOConfig {
  int32_t inputs = 0;
  int32_t outputs = 0;
};

// Reads "%d-%d" pairs: one at the start, then one after every space. A count
// that cannot be read is 0; a null text gives no configuration.
std::vector<IOConfig> ParseChannelConfig(const char* text);
