// Parameter conversions between normalized values, plain values and texts.
#include "Parameter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Vst3Strings.h"

namespace vst3 {

Parameter::Parameter() { std::memset(&info, 0, sizeof info); }

Parameter::Parameter(const TChar* title, ParamID id, const TChar* units, ParamValue defaultNormalized,
                     int32 stepCount, int32 flags, UnitID unitId, const TChar* shortTitle)
    : Parameter() {
    info.id = id;
    copyInto16(info.title, 128, title);
    copyInto16(info.units, 128, units);
    copyInto16(info.shortTitle, 128, shortTitle);
    info.stepCount = stepCount;
    info.defaultNormalizedValue = defaultNormalized;
    info.flags = flags;
    info.unitId = unitId;
    valueNormalized = defaultNormalized;
}

Parameter::Parameter(const ParameterInfo& source) : info(source), valueNormalized(source.defaultNormalizedValue) {}

bool Parameter::setNormalized(ParamValue v) {
    if (!std::isfinite(v)) return false;
    if (v > 1.0) v = 1.0;
    if (v < 0.0) v = 0.0;
    if (v == valueNormalized) return false;
    valueNormalized = v;
    return true;
}

void Parameter::toString(ParamValue v, String128 text) const {
    if (!text) return;
    if (info.stepCount == 1) {
        widenInto(text, 128, v > 0.5 ? "On" : "Off");
        return;
    }
    char buffer[128];
    const int digits = precision < 0 ? 0 : (precision > 16 ? 16 : precision);
    if (std::snprintf(buffer, sizeof buffer, "%.*f", digits, v) < 0) buffer[0] = 0;
    widenInto(text, 128, buffer);
}

bool Parameter::fromString(const TChar* text, ParamValue& v) const {
    const std::string narrowText = narrow(text, 127);
    const char* start = narrowText.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(start, &end);
    if (end == start || !std::isfinite(parsed)) return false;
    v = parsed;
    return true;
}

StringListParameter::StringListParameter(const TChar* title, ParamID id, const TChar* units, int32 flags,
                                         UnitID unitId, const TChar* shortTitle)
    : Parameter(title, id, units, 0.0, -1, flags, unitId, shortTitle) {}

void StringListParameter::appendString(const TChar* text) {
    entries.emplace_back(text ? text : u"");
    info.stepCount = static_cast<int32>(entries.size()) - 1;
}

bool StringListParameter::replaceString(int32 index, const TChar* text) {
    if (index < 0 || index >= entryCount()) return false;
    entries[static_cast<size_t>(index)] = text ? text : u"";
    return true;
}

void StringListParameter::clear() {
    entries.clear();
    info.stepCount = -1;
}

ParamValue StringListParameter::toPlain(ParamValue v) const {
    const int32 steps = info.stepCount;
    if (steps <= 0 || !(v > 0.0)) return 0.0;  // also catches NaN
    if (v >= 1.0) return steps;
    const int32 index = static_cast<int32>(v * (steps + 1));
    return index < steps ? index : steps;
}

ParamValue StringListParameter::toNormalized(ParamValue plain) const {
    const int32 steps = info.stepCount;
    if (steps <= 0) return 0.0;
    return plain / steps;
}

void StringListParameter::toString(ParamValue v, String128 text) const {
    if (!text) return;
    const int32 index = static_cast<int32>(toPlain(v));
    if (index < 0 || index >= entryCount()) {
        text[0] = 0;
        return;
    }
    copyInto16(text, 128, entries[static_cast<size_t>(index)].c_str());
}

bool StringListParameter::fromString(const TChar* text, ParamValue& v) const {
    if (!text) return false;
    // A host's String128 need not end inside its 128 units.
    const std::u16string given(text, static_cast<size_t>(length16(text, 128)));
    for (int32 i = 0; i < entryCount(); ++i) {
        if (entries[static_cast<size_t>(i)] == given) {
            v = toNormalized(i);
            return true;
        }
    }
    return false;
}

Parameter* ParameterContainer::addParameter(Parameter* parameter) {
    if (!parameter) return nullptr;
    indexById[parameter->getInfo().id] = parameters.size();
    parameters.push_back(parameter);
    return parameter;
}

Parameter* ParameterContainer::addParameter(const ParameterInfo& info) { return addParameter(new Parameter(info)); }

Parameter* ParameterContainer::getParameterByIndex(int32 index) const {
    if (index < 0 || index >= getParameterCount()) return nullptr;
    return parameters[static_cast<size_t>(index)];
}

Parameter* ParameterContainer::getParameter(ParamID id) const {
    const auto found = indexById.find(id);
    return found == indexById.end() ? nullptr : parameters[found->second];
}

void ParameterContainer::removeAll() {
    std::vector<Parameter*> old;
    old.swap(parameters);
    indexById.clear();
    for (Parameter* parameter : old) parameter->release();
}

}  // namespace vst3
