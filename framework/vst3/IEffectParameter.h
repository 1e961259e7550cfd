// A plug-in parameter (IParam) as the VST 3 host sees it: title, units, steps and
// the conversions between the host's normalized values, plain values and texts.
#pragma once

#include "Parameter.h"

class IParam;

class IEffectParameter : public vst3::Parameter {
public:
    IEffectParameter(const IParam* iparam, vst3::ParamID id, vst3::UnitID unit);

    void toString(vst3::ParamValue valueNormalized, vst3::String128 text) const override;
    // Reads a leading decimal number (0 without one), limited to the range; always succeeds.
    bool fromString(const vst3::TChar* text, vst3::ParamValue& valueNormalized) const override;
    vst3::ParamValue toPlain(vst3::ParamValue valueNormalized) const override;
    vst3::ParamValue toNormalized(vst3::ParamValue plainValue) const override;

    // The text the host shows for a normalized value of `iparam`.
    static void FormatNormalized(const IParam& iparam, double normalized, vst3::String128 text);

private:
    const IParam* iparam;
};
