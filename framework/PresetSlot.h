// One preset: initialized flag, name and its own saved state.
#pragma once

#include "framework/StateChunk.h"

struct PresetSlot {
  static constexpr int kNameSize = 256;

  bool initialized = false;
  char name[kNameSize] = "empty";
  StateChunk state;
};
