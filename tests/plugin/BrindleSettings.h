// Parameter settings shared by the plug-in tests and the benchmark.
#pragma once

#include "Brindle.h"

// Plain value in, as a loaded state delivers it.
inline void Set(Brindle& plug, int index, double plain)
{
    plug.GetParam(index)->SetClamped(plain);
    plug.OnParamChanged(index);
}

// Every stage of the chain at work: delay, width, panning, mid/side and output gain.
inline void EverythingActive(Brindle& plug)
{
    Set(plug, Brindle::kDelayAmount, 100.0);
    Set(plug, Brindle::kWidth, 0.5);
    Set(plug, Brindle::kPanning, 0.3);
    Set(plug, Brindle::kMidGain, 3.0);
    Set(plug, Brindle::kSideGain, -3.0);
    Set(plug, Brindle::kOutputGain, -2.0);
}
