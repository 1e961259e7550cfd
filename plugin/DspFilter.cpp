// Parameter store and slot descriptions of the filter interface.
#include "DspFilter.h"

#include <cmath>
#include <cstdio>

namespace Dsp {

namespace {
double Log15(double x) { return std::log(x) / std::log(1.5); }
}  // namespace

double ParamSlotInfo::ToControl(double value) const
{
    if (scale == Scale::Logarithmic) {
        return (Log15(value) - Log15(minValue)) / (Log15(maxValue) - Log15(minValue));
    }
    return (value - minValue) / (maxValue - minValue);
}

double ParamSlotInfo::FromControl(double control) const
{
    switch (scale) {
    case Scale::Logarithmic:
        return std::pow(1.5, Log15(minValue) + control * (Log15(maxValue) - Log15(minValue)));
    case Scale::LinearInteger:
        return std::floor(minValue + control * (maxValue - minValue) + 0.5);
    case Scale::Linear:
        break;
    }
    return minValue + control * (maxValue - minValue);
}

void ParamSlotInfo::ToText(double value, char* text, int size) const
{
    if (text == nullptr || size <= 0) {
        return;
    }
    // Truncated like an integer conversion, but safe for values no int can hold.
    const double whole = std::isfinite(value) ? std::trunc(value) : 0.0;
    std::snprintf(text, size_t(size), unit == Unit::Hertz ? "%.0f Hz" : "%.0f", whole == 0.0 ? 0.0 : whole);
}

void Filter::SetParam(int id, double value)
{
    const int count = ParamCount() < kParamSlots ? ParamCount() : kParamSlots;
    for (int slot = count - 1; slot >= 0; --slot) {
        if (ParamSlotInfo(slot).id == id) {
            params[slot] = value;
            Design(params);
            return;
        }
    }
}

}  // namespace Dsp
