// Host-facing conversions of a plug-in parameter.
#include "IEffectParameter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Vst3Strings.h"
#include "framework/IParam.h"

using namespace vst3;

IEffectParameter::IEffectParameter(const IParam* iparam_, ParamID id, UnitID unit) : iparam(iparam_) {
    info.id = id;
    info.unitId = unit;
    widenInto(info.title, 128, iparam->Name());
    widenInto(info.units, 128, iparam->HostLabel());
    precision = iparam->Precision();
    info.stepCount = iparam->Kind() == ParamKind::Double ? 0 : static_cast<int32>(iparam->Max() - iparam->Min());
    const double range = iparam->Max() - iparam->Min();
    double position = range > 0.0 ? std::pow((iparam->DefaultValue() - iparam->Min()) / range, 1.0 / iparam->Shape())
                                   : 0.0;
    // A degenerate range or curve must not hand the host a NaN default.
    if (!std::isfinite(position)) position = 0.0;
    info.defaultNormalizedValue = position;
    valueNormalized = position;
    info.flags = iparam->CanAutomate() ? kCanAutomate : kNoFlags;
}

void IEffectParameter::FormatNormalized(const IParam& iparam, double normalized, String128 text) {
    char buffer[IParam::kTextSize];
    iparam.FormatForHost(normalized, true, buffer, true, sizeof buffer);
    widenInto(text, 128, buffer);
}

void IEffectParameter::toString(ParamValue normalized, String128 text) const {
    if (text) FormatNormalized(*iparam, normalized, text);
}

bool IEffectParameter::fromString(const TChar* text, ParamValue& normalized) const {
    const std::string narrowText = narrow(text, 127);
    double number = std::strtod(narrowText.c_str(), nullptr);
    if (std::isnan(number)) number = 0.0;
    number = std::clamp(number, iparam->Min(), iparam->Max());
    const double range = iparam->Max() - iparam->Min();
    normalized = range > 0.0 ? std::pow((number - iparam->Min()) / range, 1.0 / iparam->Shape()) : 0.0;
    return true;
}

ParamValue IEffectParameter::toPlain(ParamValue normalized) const {
    return iparam->Min() + (iparam->Max() - iparam->Min()) * std::pow(normalized, iparam->Shape());
}

ParamValue IEffectParameter::toNormalized(ParamValue plain) const { return iparam->NormalizedOf(plain); }
