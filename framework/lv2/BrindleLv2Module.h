// Brindle's LV2 port symbols: saved sessions name ports by them, so they never change.
#pragma once

#include <cstddef>

// One symbol per parameter, in parameter order.
extern const char* const kBrindlePortSymbols[];
extern const size_t kBrindlePortSymbolCount;
// The control output that carries the mono lamp.
extern const char* const kBrindleLampSymbol;
