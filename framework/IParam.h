// One host-automatable parameter: plain value, range, step, curve and display texts.
#pragma once

#include <cstdint>
#include <vector>

enum class ParamKind : int32_t { None = 0, Bool = 1, Enum = 3, Double = 4 };

// A text that replaces the number for values within tolerance of value.
struct DisplayTextEntry {
  double value = 0.0;
  double tolerance = 0.0;
  char text[32] = {};
};

class IParam {
public:
  static constexpr int kTextSize = 32;

  IParam() = default;

  void DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                    const char* label = "", const char* group = "", double shape = 1.0);
  void DefineBool(const char* name);
  void DefineEnum(const char* name, int defaultIndex, int count, const char* label = "");
  void AddDisplayText(double value, const char* text, double tolerance = 0.0);

  // Host and editor side: the normalized 0..1 position. NaN is ignored.
  void SetFromNormalized(double normalized);
  double NormalizedOf(double value) const;
  double Normalized() const { return NormalizedOf(value); }
  // Plain side: limited to [min, max], no step rounding. NaN is ignored.
  void SetClamped(double value);

  // The first matching display text, or "" when none matches.
  const char* FindDisplayText(double value) const;
  // The value of the first entry whose text equals text exactly.
  bool LookupDisplayText(const char* text, double* value) const;

  // Writes at most outSize bytes (terminator included) into out.
  void FormatForHost(double value, bool isNormalized, char* out, bool useDisplayTexts,
                     int outSize = kTextSize) const;
  void FormatCurrent(char* out, int outSize = kTextSize) const;
  // No unit beside a display text, always one beside a number.
  const char* HostLabel() const;

  ParamKind Kind() const { return kind; }
  double Value() const { return value; }
  double Min() const { return min; }
  double Max() const { return max; }
  double Step() const { return step; }
  double Shape() const { return shape; }
  double DefaultValue() const { return defaultValue; }
  int Precision() const { return precision; }
  const char* Name() const { return name; }
  const char* Label() const { return label; }
  const char* Group() const { return group; }
  bool NegateDisplay() const { return negateDisplay; }
  void SetNegateDisplay(bool negate) { negateDisplay = negate; }
  bool CanAutomate() const { return canAutomate; }
  void SetCanAutomate(bool automate) { canAutomate = automate; }
  int DisplayTextCount() const { return static_cast<int>(displayTexts.size()); }
  // Null when index is outside the list.
  const DisplayTextEntry* DisplayTextAt(int index) const;

private:
  double PlainOf(double normalized) const;

  ParamKind kind = ParamKind::None;
  double value = 0.0;
  double min = 0.0;
  double max = 1.0;
  double step = 1.0;
  double shape = 1.0;
  double defaultValue = 0.0;
  int32_t precision = 0;
  char name[kTextSize] = {};
  char label[kTextSize] = {};
  char group[kTextSize] = {};
  bool negateDisplay = false;
  bool canAutomate = true;
  std::vector<DisplayTextEntry> displayTexts;
};
