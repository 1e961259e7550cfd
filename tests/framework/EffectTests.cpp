// The plug-in base: identity, channel configurations, parameter paths and the editor.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int, int>> Configs(const IEffectBase& effect)
{
  std::vector<std::pair<int, int>> pairs;
  for (int i = 0; i < effect.IOConfigCount(); ++i)
    pairs.emplace_back(effect.GetIOConfig(i)->inputs, effect.GetIOConfig(i)->outputs);
  return pairs;
}

using Pairs = std::vector<std::pair<int, int>>;

void DefineTwelve(IEffectBase& effect)
{
  for (int i = 0; i < effect.ParamCount(); ++i)
    if (effect.GetParam(i)->Kind() == ParamKind::None)
      effect.GetParam(i)->DefineDouble("P", i, -100.0, 100.0, 0.5, "dB");
}

} // namespace

TEST(Effect, ConstructionPacksCodesAndLinksChannelSlots)
{
  TestEffect effect;
  EXPECT_EQ(effect.UniqueId(), 0x5A716272);  // 'Z' 'q' 'b' 'r'
  EXPECT_EQ(effect.MakerId(), 0x5A716D6B);   // 'Z' 'q' 'm' 'k'
  EXPECT_STREQ(effect.PresetName(0), "empty");
  EXPECT_EQ(effect.HostId(), -1);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(effect.IsInputConnected(i));
    EXPECT_EQ(effect.GetInput(i)->dataSlot, &effect.InputData()[i]);
    EXPECT_EQ(effect.GetOutput(i)->dataSlot, &effect.OutputData()[i]);
  }
  for (int bad : {-1, 2}) {
    EXPECT_EQ(effect.GetInput(bad), nullptr);
    EXPECT_FALSE(effect.IsOutputConnected(bad));
  }
  EXPECT_EQ(effect.GetParam(12), nullptr);
  TestEffect noPresets(0, "2-2", 0);
  EXPECT_STREQ(noPresets.PresetName(0), "");
}

TEST(Effect, ChannelTextGivesConfigurationsAndCounts)
{
  struct Case {
    const char* text;
    Pairs configs;
    int inputs, outputs;
  };
  const Case cases[] = {
    {"2-2", {{2, 2}}, 2, 2},
    {"1-1 2-2", {{1, 1}, {2, 2}}, 2, 2},
    {"2-2 ", {{2, 2}, {0, 0}}, 2, 2},                  // a trailing space adds (0, 0)
    {"1-1  2-2", {{1, 1}, {2, 2}, {2, 2}}, 2, 2},     // two spaces read the pair twice
    {"1-2 4-1", {{1, 2}, {4, 1}}, 4, 2},
    {"x-2", {{0, 0}}, 0, 0},                           // unreadable counts are 0
    {"2-x", {{2, 0}}, 2, 0},
    {"", {{0, 0}}, 0, 0},
    {"-1-2", {{-1, 2}}, 0, 2},                         // a negative count adds no channel
    {nullptr, {}, 0, 0},
  };
  for (const Case& c : cases) {
    TestEffect effect(1, c.text, 1);
    EXPECT_EQ(Configs(effect), c.configs) << (c.text ? c.text : "(null)");
    EXPECT_EQ(effect.InputCount(), c.inputs);
    EXPECT_EQ(effect.OutputCount(), c.outputs);
  }
}

TEST(Effect, LegalIOMatchesAnyConfigurationWithWildcards)
{
  struct Case {
    const char* text;
    int inputs, outputs;
    bool legal;
  };
  const Case cases[] = {
    {"2-2", 1, -1, false}, {"2-2", 2, 2, true},    {"2-2", -1, 2, true},   {"2-2", -1, -1, true},
    {"2-2", 2, 1, false},  {"1-1 2-2", 1, -1, true}, {"1-1 2-2", 1, 2, false}, {"2-2 ", 0, 0, true},
    {"2-2", 0, 0, false},  {nullptr, -1, -1, false},
  };
  for (const Case& c : cases) {
    TestEffect effect(1, c.text, 1);
    EXPECT_EQ(effect.LegalIO(c.inputs, c.outputs), c.legal)
      << (c.text ? c.text : "(null)") << " " << c.inputs << "," << c.outputs;
  }
}

TEST(Effect, HostParameterChangeTellsTheEditorFirst)
{
  TestEffect effect;
  effect.GetParam(3)->DefineEnum("Mode", 0, 3);
  DefineTwelve(effect);
  auto* editor = new FakeEditor(&effect);
  editor->AddControl(new RecordingControl(&effect, 3, &effect.calls));
  effect.AttachEditor(editor);
  effect.calls.clear();

  effect.SetParamFromHost(3, 0.3);  // 0.6 of two steps rounds to 1
  const std::vector<HostCall> expected = {{"UpdateFromPlug", 3, 0.3}, {"OnParamChanged", 3, 1.0}};
  EXPECT_EQ(effect.calls, expected);
  EXPECT_DOUBLE_EQ(effect.Value(3), 1.0);

  // Outside values are ignored or limited; nothing is ever stored as NaN.
  effect.calls.clear();
  effect.SetParamFromHost(3, std::numeric_limits<double>::quiet_NaN());
  effect.SetParamFromHost(12, 0.5);
  effect.SetParamFromHost(-1, 0.5);
  EXPECT_TRUE(effect.calls.empty());
  effect.SetParamFromHost(3, 7.0);
  EXPECT_DOUBLE_EQ(effect.Value(3), 2.0);
  EXPECT_DOUBLE_EQ(effect.GetParamNormalized(3), 1.0);
  EXPECT_DOUBLE_EQ(effect.GetParamNormalized(99), 0.0);
}

TEST(Effect, EditorChangeReachesHostUnquantizedBeforeOnParamChanged)
{
  TestEffect effect;
  effect.GetParam(5)->DefineEnum("Mode", 0, 3);
  DefineTwelve(effect);
  auto* editor = new FakeEditor(&effect);
  auto* control = new RecordingControl(&effect, 5, nullptr);
  editor->AddControl(control);
  effect.AttachEditor(editor);
  effect.calls.clear();

  control->UserSets(0.7);  // 1.4 steps round to 1
  const std::vector<HostCall> expected = {{"NotifyParamEdit", 5, 0.7}, {"OnParamChanged", 5, 1.0}};
  EXPECT_EQ(effect.calls, expected);

  effect.calls.clear();
  effect.SetParamFromEditor(12, 0.5);
  effect.SetParamFromEditor(5, std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(effect.calls.empty());
  EXPECT_DOUBLE_EQ(effect.Value(5), 1.0);
}

TEST(Effect, AttachedEditorGetsEveryValueAndIsOwned)
{
  bool destroyed = false;
  {
    TestEffect effect;
    DefineTwelve(effect);  // parameter i has the value i on [-100, 100]
    auto* editor = new FakeEditor(&effect, &destroyed);
    for (int i : {0, 11, 4, 4, -1}) editor->AddControl(new RecordingControl(&effect, i, nullptr));
    effect.AttachEditor(editor);
    EXPECT_EQ(effect.Editor(), editor);
    EXPECT_EQ(editor->SurfaceWidth(), 470);
    EXPECT_EQ(editor->SurfaceHeight(), 322);
    // (value + 100) / 200; the first value also becomes the control's default.
    EXPECT_DOUBLE_EQ(editor->Control(0)->Value(), 0.5);
    EXPECT_DOUBLE_EQ(editor->Control(1)->Value(), 0.555);
    EXPECT_DOUBLE_EQ(editor->Control(2)->Value(), 0.52);
    EXPECT_DOUBLE_EQ(editor->Control(3)->DefaultValue(), 0.52);
    EXPECT_DOUBLE_EQ(editor->Control(4)->Value(), 0.0);  // no parameter: untouched
    EXPECT_DOUBLE_EQ(editor->Control(4)->DefaultValue(), -1.0);

    // A plain value refresh maps through the curve and is not echoed to the host.
    effect.GetParam(4)->SetClamped(50.0);
    effect.calls.clear();
    effect.RefreshEditorParams();
    EXPECT_DOUBLE_EQ(editor->Control(2)->Value(), 0.75);
    EXPECT_DOUBLE_EQ(editor->Control(3)->DefaultValue(), 0.52);
    EXPECT_TRUE(editor->Control(3)->IsDirty());
    EXPECT_EQ(effect.CountOf("NotifyParamEdit"), 0);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
}

TEST(Effect, ControlTakesFirstValueAsDefaultAndMarksOnlyChanges)
{
  TestEffect effect;
  RecordingControl control(&effect, 0, nullptr);
  control.MarkClean();
  EXPECT_FALSE(control.NeedsRedraw());
  control.UpdateFromPlug(0.25);  // first value: the default, not dirty
  EXPECT_DOUBLE_EQ(control.DefaultValue(), 0.25);
  EXPECT_FALSE(control.NeedsRedraw());
  control.UpdateFromPlug(0.25);
  EXPECT_FALSE(control.NeedsRedraw());
  control.UpdateFromPlug(1.5);  // limited when marked dirty
  EXPECT_DOUBLE_EQ(control.Value(), 1.0);
  EXPECT_DOUBLE_EQ(control.DefaultValue(), 0.25);
  EXPECT_TRUE(control.NeedsRedraw());
  control.MarkClean();
  EXPECT_TRUE(control.NeedsRedraw());  // a redraw was requested: one more tick
  control.MarkClean();
  EXPECT_FALSE(control.NeedsRedraw());
}

TEST(Effect, ReplacingTheEditorDeletesTheOldOne)
{
  TestEffect effect;
  bool firstGone = false;
  bool secondGone = false;
  auto* first = new FakeEditor(&effect, &firstGone);
  effect.AttachEditor(first);
  effect.AttachEditor(nullptr);
  EXPECT_EQ(effect.Editor(), first);
  effect.AttachEditor(first);  // the same editor again stays
  EXPECT_FALSE(firstGone);
  effect.AttachEditor(new FakeEditor(&effect, &secondGone));
  EXPECT_TRUE(firstGone);
  EXPECT_FALSE(secondGone);
}

TEST(Effect, StateEqualsComparesInSinglePrecision)
{
  TestEffect effect(3, "2-2", 1);
  for (int i = 0; i < 3; ++i) effect.GetParam(i)->DefineDouble("P", 0.0, -10.0, 10.0, 0.001);
  effect.GetParam(0)->SetClamped(1.0);
  effect.GetParam(1)->SetClamped(2.0);
  effect.GetParam(2)->SetClamped(3.0);
  const double values[] = {9.0, 1.0, 2.0, 3.0};
  EXPECT_TRUE(effect.StateEquals(values, 1));
  EXPECT_FALSE(effect.StateEquals(values, 0));
  const double close[] = {1.0000001, 2.0, 3.0};  // same float
  EXPECT_TRUE(effect.StateEquals(close, 0));
  const double apart[] = {1.0, 2.0, 3.001};
  EXPECT_FALSE(effect.StateEquals(apart, 0));
  const double nan[] = {std::numeric_limits<double>::quiet_NaN(), 2.0, 3.0};
  EXPECT_FALSE(effect.StateEquals(nan, 0));
  EXPECT_FALSE(effect.StateEquals(nullptr, 0));
  EXPECT_FALSE(effect.StateEquals(values, -1));
}

TEST(Effect, OutOfRangeSettingsAreIgnored)
{
  TestEffect effect;
  effect.ChangeLatency(64);
  effect.ChangeLatency(-5);
  EXPECT_EQ(effect.Latency(), 64);
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), -48000.0, 0.0})
    effect.SetSampleRate(bad);
  EXPECT_DOUBLE_EQ(effect.SampleRate(), 44100.0);
}
