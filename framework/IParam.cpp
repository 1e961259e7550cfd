// One host-automatable parameter: plain value, range, step, curve and display texts.
#include "framework/IParam.h"

#include "framework/TextBuffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

void IParam::DefineDouble(const char* name_, double defaultValue_, double min_, double max_, double step_,
                          const char* label_, const char* /*group*/, double shape_)
{
  if (kind == ParamKind::None) kind = ParamKind::Double;
  CopyText(name, kTextSize, name_);
  CopyText(label, kTextSize, label_);
  group[0] = '\0';
  min = min_;
  step = step_;
  defaultValue = defaultValue_;
  value = defaultValue_;
  precision = 0;
  max = std::max(max_, min_ + step_);
  // The step sets the decimals shown: 0.1 gives one, 0.01 two, at most six.
  for (double d = step_; d != std::floor(d) && precision < 6; d *= 10.0) ++precision;
  if (shape_ != 0.0) shape = shape_;
}

void IParam::DefineBool(const char* name_)
{
  if (kind == ParamKind::None) kind = ParamKind::Bool;
  DefineDouble(name_, 0.0, 0.0, 1.0, 1.0, "", "", 1.0);
  AddDisplayText(0.0, "off");
  AddDisplayText(1.0, "on");
}

void IParam::DefineEnum(const char* name_, int defaultIndex, int count, const char* label_)
{
  if (kind == ParamKind::None) kind = ParamKind::Enum;
  DefineDouble(name_, defaultIndex, 0.0, static_cast<double>(count) - 1.0, 1.0, label_, "", 1.0);
}

void IParam::AddDisplayText(double value_, const char* text, double tolerance)
{
  DisplayTextEntry entry;
  entry.value = value_;
  entry.tolerance = tolerance;
  CopyText(entry.text, kTextSize, text);
  displayTexts.push_back(entry);
}

double IParam::PlainOf(double normalized) const
{
  return min + (max - min) * std::pow(normalized, shape);
}

void IParam::SetFromNormalized(double normalized)
{
  if (std::isnan(normalized)) return;
  normalized = std::clamp(normalized, 0.0, 1.0);
  double v = PlainOf(normalized);
  if (kind != ParamKind::Double && step > 0.0) v = std::floor(v / step + 0.5) * step;
  value = std::min(v, max);
}

double IParam::NormalizedOf(double v) const
{
  if (!(max > min)) return 0.0;
  double c = std::clamp(v, min, max);
  if (std::isnan(c)) c = min;
  return std::pow((c - min) / (max - min), 1.0 / shape);
}

void IParam::SetClamped(double v)
{
  if (std::isnan(v)) return;
  value = v < min ? min : std::min(v, max);
}

const char* IParam::FindDisplayText(double v) const
{
  for (const DisplayTextEntry& entry : displayTexts)
    if (std::fabs(v - entry.value) <= entry.tolerance) return entry.text;
  return "";
}

bool IParam::LookupDisplayText(const char* text, double* value_) const
{
  if (!text) return false;
  for (const DisplayTextEntry& entry : displayTexts) {
    if (std::strcmp(entry.text, text) == 0) {
      if (value_) *value_ = entry.value;
      return true;
    }
  }
  return false;
}

void IParam::FormatForHost(double v, bool isNormalized, char* out, bool useDisplayTexts, int outSize) const
{
  if (!out || outSize < 1) return;
  if (isNormalized) v = PlainOf(v);
  if (useDisplayTexts) {
    const char* text = FindDisplayText(v);
    if (text[0] != '\0') {
      CopyText(out, outSize, text);
      return;
    }
  }
  if (negateDisplay) v = -v;
  if (precision != 0) {
    std::snprintf(out, static_cast<size_t>(outSize), "%.*f", precision, v);
    return;
  }
  // Truncation toward zero, as an integer; values beyond int stay whole numbers.
  const double whole = std::trunc(v);
  if (whole >= static_cast<double>(INT_MIN) && whole <= static_cast<double>(INT_MAX))
    std::snprintf(out, static_cast<size_t>(outSize), "%d", static_cast<int>(whole));
  else
    std::snprintf(out, static_cast<size_t>(outSize), "%.0f", whole);
}

void IParam::FormatCurrent(char* out, int outSize) const
{
  FormatForHost(value, false, out, true, outSize);
}

const char* IParam::HostLabel() const
{
  return FindDisplayText(value)[0] != '\0' ? "" : label;
}

const DisplayTextEntry* IParam::DisplayTextAt(int index) const
{
  if (index < 0 || index >= DisplayTextCount()) return nullptr;
  return &displayTexts[static_cast<size_t>(index)];
}
