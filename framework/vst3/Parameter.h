// Host-visible parameter objects of an edit controller: a plain normalized parameter,
// a list of named entries, and the container that owns them in registration order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "FObject.h"
#include "Vst3Records.h"

namespace vst3 {

class Parameter : public FObject {
public:
    Parameter();
    Parameter(const TChar* title, ParamID id, const TChar* units = nullptr, ParamValue defaultNormalized = 0.0,
              int32 stepCount = 0, int32 flags = kCanAutomate, UnitID unitId = kRootUnitId,
              const TChar* shortTitle = nullptr);
    explicit Parameter(const ParameterInfo& info);

    const ParameterInfo& getInfo() const { return info; }
    ParameterInfo& getInfo() { return info; }

    // Stores v limited to [0, 1]; true when the stored value changed. Non-finite
    // values are refused so that a host cannot leave the parameter at NaN.
    virtual bool setNormalized(ParamValue v);
    virtual ParamValue getNormalized() const { return valueNormalized; }

    // "On"/"Off" for a toggle, else the normalized value with `precision` decimals.
    virtual void toString(ParamValue valueNormalized, String128 text) const;
    // Reads a leading number as the normalized value; false when there is none.
    virtual bool fromString(const TChar* text, ParamValue& valueNormalized) const;
    virtual ParamValue toPlain(ParamValue valueNormalized) const { return valueNormalized; }
    virtual ParamValue toNormalized(ParamValue plainValue) const { return plainValue; }

    int32 getPrecision() const { return precision; }
    void setPrecision(int32 digits) { precision = digits; }

protected:
    ParameterInfo info;
    ParamValue valueNormalized = 0.0;
    int32 precision = 4;
};

class StringListParameter : public Parameter {
public:
    StringListParameter(const TChar* title, ParamID id, const TChar* units = nullptr,
                        int32 flags = kCanAutomate | kIsList, UnitID unitId = kRootUnitId,
                        const TChar* shortTitle = nullptr);

    void appendString(const TChar* text);
    bool replaceString(int32 index, const TChar* text);
    void clear();
    int32 entryCount() const { return static_cast<int32>(entries.size()); }

    void toString(ParamValue valueNormalized, String128 text) const override;
    bool fromString(const TChar* text, ParamValue& valueNormalized) const override;
    ParamValue toPlain(ParamValue valueNormalized) const override;
    ParamValue toNormalized(ParamValue plainValue) const override;

private:
    std::vector<std::u16string> entries;
};

// Owns one reference to each parameter; lookup by index (registration order) or id.
class ParameterContainer {
public:
    ParameterContainer() = default;
    ~ParameterContainer() { removeAll(); }
    ParameterContainer(const ParameterContainer&) = delete;
    ParameterContainer& operator=(const ParameterContainer&) = delete;

    // Takes over the caller's reference; a duplicate id re-points the id lookup.
    Parameter* addParameter(Parameter* parameter);
    Parameter* addParameter(const ParameterInfo& info);

    int32 getParameterCount() const { return static_cast<int32>(parameters.size()); }
    Parameter* getParameterByIndex(int32 index) const;
    Parameter* getParameter(ParamID id) const;
    void removeAll();

private:
    std::vector<Parameter*> parameters;
    std::map<ParamID, size_t> indexById;
};

}  // namespace vst3
