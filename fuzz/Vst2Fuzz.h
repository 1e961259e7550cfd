// The brindle2 plug-in linked into a fuzz target and driven through the VST 2.4 binary
// interface by the host harness, with the checks both VST 2 targets share.
#pragma once

#include "FuzzInput.h"
#include "Vst2Host.h"

namespace fuzz {

// The module's entry without its exports (libFuzzer brings its own `main`).
AEffect* VSTCALLBACK Brindle2Entry(audioMasterCallback hostCallback);

// Creates the instance and starts it like a host; aborts when that fails.
void StartBrindle2(vst2host::Vst2Host& host, float sampleRate, VstInt32 blockSize);

// Processes `frames` frames of a finite signal chosen by the input through processReplacing
// (kind 0), processAccumulating (1) or processDoubleReplacing (2) and checks that every
// output sample is finite.
void ProcessAndCheck(vst2host::Vst2Host& host, FuzzInput& in, int kind, VstInt32 frames);

// Saves the program (or bank) chunk, loads it back and checks that it saves the same bytes
// and that every parameter reads back as before.
void CheckChunkRoundTrip(vst2host::Vst2Host& host, bool program);

// Every parameter reads as a finite value within 0 to 1.
void CheckParameters(vst2host::Vst2Host& host);

}  // namespace fuzz
