// The port layout every LV2 build of a stereo plug-in shares: two audio inputs, two
// audio outputs, one control input per parameter in index order, then the lamp output.
#pragma once

#include "framework/IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lv2ports {

constexpr uint32_t kInputLeft = 0;
constexpr uint32_t kInputRight = 1;
constexpr uint32_t kOutputLeft = 2;
constexpr uint32_t kOutputRight = 3;
constexpr uint32_t kFirstParam = 4;

inline uint32_t ParamPort(int paramIndex) { return kFirstParam + static_cast<uint32_t>(paramIndex); }
inline uint32_t LampPort(int paramCount) { return kFirstParam + static_cast<uint32_t>(paramCount); }
inline uint32_t PortCount(int paramCount) { return LampPort(paramCount) + 1; }
// The parameter a control input carries, or -1 for any other port.
inline int ParamOfPort(uint32_t port, int paramCount) {
  return port >= kFirstParam && port < LampPort(paramCount) ? static_cast<int>(port - kFirstParam) : -1;
}

// The saved state: one little-endian double per parameter, then a 32-bit flag word, as
// the VST 3 module saves it.
constexpr int32_t kFlagBytes = 4;

// A port's value as the parameter takes it, the way the other wrappers limit host values:
// limited to the range (infinities to its ends), switches and selectors to the nearest
// step. NaN stays NaN: callers keep the value the parameter has.
inline double LimitedPortValue(const IParam& param, double value) {
  if (std::isnan(value)) return value;
  value = std::clamp(value, param.Min(), param.Max());
  if (param.Kind() != ParamKind::Double && param.Step() > 0.0)
    value = std::min(param.Min() + std::floor((value - param.Min()) / param.Step() + 0.5) * param.Step(), param.Max());
  return value;
}

}  // namespace lv2ports
