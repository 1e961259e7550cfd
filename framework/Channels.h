// Per-channel records of the processing frame and the records wrappers fill for the plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct InputChannel {
  bool connected = false;
  double** dataSlot = nullptr;  // this channel's entry in the input pointer array
  std::vector<double> scratch;  // conversion buffer; what a disconnected input reads
  std::string label;
};

struct OutputChannel {
  bool connected = false;
  double** dataSlot = nullptr;  // this channel's entry in the output pointer array
  float* floatDest = nullptr;   // host buffer the single-precision path converts into
  std::vector<double> scratch;  // double output of the single-precision path; sink when disconnected
  std::string label;
};

struct MidiMessage {
  int32_t offset = 0;  // samples from the block start
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

struct SysExMessage {
  int32_t offset = 0;
  int32_t size = 0;
  const uint8_t* data = nullptr;
};

// The caller initializes it; a wrapper overwrites only what the host reports as valid.
struct TransportInfo {
  double tempo = 120.0;
  double samplePos = 0.0;
  double ppqPos = 0.0;
  double lastBar = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool transportIsRunning = false;
  bool transportCycle = false;
};
