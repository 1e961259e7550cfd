// Brindle's LV2 port symbols: saved sessions name ports by them, so they never change.
#pragma once

#include <cstddef>

// One symbol per parameter, in parameter order.
extern const char* const kBrindlePortSymbols[];
extern const size_t kBrindlePortSymbolCount;
// The control output that carries the mono lamp.
extern const char* const kBrindleLampSymbol;

class MeterTap;

// The DSP module's extension through which an editor in the same process (a host that
// offers instance and data access) reads the meters of the instance it belongs to. Both
// libraries of the bundle come from one build, so they agree on MeterTap.
#define BRINDLE_METER_ACCESS_URI "urn:orvane:brindle#meterAccess"
struct BrindleMeterAccess {
  // The instance's meters, or null when instance is not one of this module's.
  MeterTap* (*meters)(void* instance);
};
