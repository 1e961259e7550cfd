// Parameters: definition, the normalized curve, quantization, texts and bad values.
#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string Shown(const IParam& param)
{
  char text[IParam::kTextSize];
  param.FormatCurrent(text);
  return text;
}

IParam MakeDouble(double def, double min, double max, double step, const char* label = "", double shape = 1.0)
{
  IParam param;
  param.DefineDouble("P", def, min, max, step, label, "", shape);
  return param;
}

} // namespace

TEST(Param, NormalizedPositionsQuantizeByKind)
{
  IParam boolean;
  boolean.DefineBool("Mono");
  IParam enumerated;
  enumerated.DefineEnum("Channel", 0, 3);
  IParam continuous = MakeDouble(0.0, -10.0, 10.0, 0.1);

  struct Case {
    IParam* param;
    double normalized;
    double expected;
    const char* shown;
  };
  const Case cases[] = {
    {&boolean, 0.49, 0.0, "off"},
    {&boolean, 0.5, 1.0, "on"},
    {&enumerated, 0.25, 1.0, "1"},  // 0.5 rounds up
    {&enumerated, 0.2, 0.0, "0"},
    {&enumerated, 1.0, 2.0, "2"},
    {&continuous, 0.5, 0.0, "0.0"},
    {&continuous, 0.123, -7.54, "-7.5"},  // not rounded to the step
  };
  for (const Case& c : cases) {
    c.param->SetFromNormalized(c.normalized);
    EXPECT_DOUBLE_EQ(c.param->Value(), c.expected) << c.normalized;
    EXPECT_EQ(Shown(*c.param), c.shown) << c.normalized;
  }
  EXPECT_EQ(boolean.Kind(), ParamKind::Bool);
  EXPECT_EQ(enumerated.Kind(), ParamKind::Enum);
  EXPECT_EQ(continuous.Kind(), ParamKind::Double);
  EXPECT_DOUBLE_EQ(enumerated.Max(), 2.0);
}

TEST(Param, DefinitionDerivesRangeAndPrecision)
{
  struct Case {
    double min, max, step;
    double expectedMax;
    int expectedPrecision;
  };
  const Case cases[] = {
    {0.0, 0.05, 0.1, 0.1, 1},  // min + step wins over a smaller max
    {0.0, 100.0, 1.0, 100.0, 0},
    {-10.0, 10.0, 0.01, 10.0, 2},
    {0.0, 1.0, 0.25, 1.0, 2},
    {0.0, 1.0, 1.0 / 3.0, 1.0, 6},  // never a whole number: stops at six
    {0.0, 5.0, 2.5, 5.0, 1},
  };
  for (const Case& c : cases) {
    IParam param = MakeDouble(c.min, c.min, c.max, c.step);
    EXPECT_DOUBLE_EQ(param.Max(), c.expectedMax) << c.step;
    EXPECT_EQ(param.Precision(), c.expectedPrecision) << c.step;
    EXPECT_DOUBLE_EQ(param.Value(), c.min);
  }

  IParam shaped = MakeDouble(3.0, 0.0, 10.0, 1.0, "", 2.0);
  shaped.DefineDouble("P", 3.0, 0.0, 10.0, 1.0, "", "", 0.0);  // a shape of 0 keeps the old one
  EXPECT_DOUBLE_EQ(shaped.Shape(), 2.0);
  EXPECT_DOUBLE_EQ(shaped.DefaultValue(), 3.0);
}

TEST(Param, CurveMapsBothWaysAndLimits)
{
  IParam linear = MakeDouble(0.0, -10.0, 10.0, 0.1);
  EXPECT_DOUBLE_EQ(linear.NormalizedOf(25.0), 1.0);
  EXPECT_DOUBLE_EQ(linear.NormalizedOf(-25.0), 0.0);
  EXPECT_DOUBLE_EQ(linear.NormalizedOf(5.0), 0.75);

  // Shape 2 on [0, 100]: position 0.5 is 100 * 0.25 = 25, and back.
  IParam squared = MakeDouble(0.0, 0.0, 100.0, 0.01, "", 2.0);
  squared.SetFromNormalized(0.5);
  EXPECT_DOUBLE_EQ(squared.Value(), 25.0);
  EXPECT_DOUBLE_EQ(squared.Normalized(), 0.5);
  EXPECT_DOUBLE_EQ(squared.NormalizedOf(81.0), 0.9);

  char text[IParam::kTextSize];
  squared.FormatForHost(0.1, true, text, true);
  EXPECT_STREQ(text, "1.00");  // 100 * 0.1^2
}

TEST(Param, NonFiniteAndOutOfRangeValuesNeverReachTheValue)
{
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    bool normalized;
    double input;
    double expected;  // starting from 2.5
  };
  const Case cases[] = {
    {true, nan, 2.5},   {true, 1.5, 10.0},  {true, -0.5, -10.0}, {true, inf, 10.0},
    {true, -inf, -10.0}, {false, nan, 2.5}, {false, inf, 10.0},  {false, -inf, -10.0},
    {false, 12.0, 10.0}, {false, -12.0, -10.0}, {false, 3.33, 3.33},  // no step rounding
  };
  for (const Case& c : cases) {
    IParam param = MakeDouble(2.5, -10.0, 10.0, 0.1);
    if (c.normalized)
      param.SetFromNormalized(c.input);
    else
      param.SetClamped(c.input);
    EXPECT_DOUBLE_EQ(param.Value(), c.expected) << c.normalized << " " << c.input;
  }
}

TEST(Param, NumbersAreTruncatedNegatedAndReplacedByDisplayTexts)
{
  IParam whole = MakeDouble(0.0, -10.0, 10.0, 1.0);
  struct Case {
    double value;
    const char* shown;
  };
  for (const Case& c : {Case{-0.7, "0"}, Case{2.9, "2"}, Case{-2.9, "-2"}}) {
    whole.SetClamped(c.value);
    EXPECT_EQ(Shown(whole), c.shown) << c.value;
  }

  IParam negated = MakeDouble(3.0, -10.0, 10.0, 0.1);
  negated.SetNegateDisplay(true);
  EXPECT_EQ(Shown(negated), "-3.0");
  negated.AddDisplayText(3.0, "three");  // matched against the stored 3, not -3
  EXPECT_EQ(Shown(negated), "three");

  IParam percent = MakeDouble(0.0, 0.0, 100.0, 0.1, "%");
  percent.AddDisplayText(0.0, "off", 0.05);
  EXPECT_EQ(Shown(percent), "off");
  EXPECT_STREQ(percent.HostLabel(), "");
  percent.SetClamped(0.5);
  EXPECT_EQ(Shown(percent), "0.5");
  EXPECT_STREQ(percent.HostLabel(), "%");
  percent.SetClamped(0.04);  // inside the tolerance
  EXPECT_EQ(Shown(percent), "off");

  char text[IParam::kTextSize];
  percent.FormatForHost(0.0, false, text, false);  // display texts switched off
  EXPECT_STREQ(text, "0.0");
}

TEST(Param, DisplayTextLookupsTakeTheFirstMatch)
{
  IParam param;
  param.DefineEnum("Mode", 0, 3);
  param.AddDisplayText(0.0, "Stereo");
  param.AddDisplayText(1.0, "Mid");
  param.AddDisplayText(1.0, "Middle");  // duplicates are kept, the first wins
  param.AddDisplayText(2.0, "Side");
  EXPECT_EQ(param.DisplayTextCount(), 4);
  EXPECT_STREQ(param.FindDisplayText(1.0), "Mid");
  EXPECT_STREQ(param.FindDisplayText(1.5), "");

  double value = -1.0;
  EXPECT_TRUE(param.LookupDisplayText("Side", &value));
  EXPECT_DOUBLE_EQ(value, 2.0);
  EXPECT_TRUE(param.LookupDisplayText("Middle", &value));
  EXPECT_DOUBLE_EQ(value, 1.0);
  value = -1.0;
  for (const char* miss : {"side", "Sid", "Sides", ""}) {
    EXPECT_FALSE(param.LookupDisplayText(miss, &value)) << miss;
    EXPECT_DOUBLE_EQ(value, -1.0);
  }
  EXPECT_EQ(param.DisplayTextAt(4), nullptr);
  EXPECT_EQ(param.DisplayTextAt(-1), nullptr);
  ASSERT_NE(param.DisplayTextAt(3), nullptr);
  EXPECT_STREQ(param.DisplayTextAt(3)->text, "Side");
}

TEST(Param, TextsAreCutToTheirBuffers)
{
  const std::string longText(40, 'x');
  IParam param = MakeDouble(12345.6, 0.0, 100000.0, 0.1, longText.c_str());
  param.DefineDouble(longText.c_str(), 12345.6, 0.0, 100000.0, 0.1, longText.c_str());
  param.AddDisplayText(1.0, longText.c_str());
  EXPECT_EQ(std::string(param.Name()), std::string(31, 'x'));
  EXPECT_EQ(std::string(param.Label()), std::string(31, 'x'));
  EXPECT_EQ(std::string(param.DisplayTextAt(0)->text), std::string(31, 'x'));

  // A short host buffer gets a cut, terminated text and nothing past it.
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  param.FormatCurrent(buffer, 4);
  EXPECT_STREQ(buffer, "123");
  EXPECT_EQ(buffer[4], '#');
}
