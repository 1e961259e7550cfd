// The graphics core and the control family on a small test plug-in: the redraw
// cycle, frame selection, mouse routing, prompting and the bitmap cache.
#include "EditorTestWrapper.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IGraphicsHeadless.h"
#include "graphics/IKnobControl.h"
#include "graphics/ITextEntry.h"

#include "PixBitmap.h"
#include "PixSysBitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Two parameters: 0 a double from -10 to 10, 1 a three-way selector.
std::unique_ptr<EditorTestWrapper> MakePlug()
{
  auto plug = std::make_unique<EditorTestWrapper>(nullptr, 2, "2-2", 1, "Test", "", "Maker", 1, 1, 1, 0, false,
                                                  false, false);
  plug->GetParam(0)->DefineDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
  IParam* mode = plug->GetParam(1);
  mode->DefineEnum("Mode", 1, 3);
  mode->AddDisplayText(0.0, "left");
  mode->AddDisplayText(1.0, "both");
  mode->AddDisplayText(2.0, "right");
  return plug;
}

// Counts what reaches it.
class RecordingControl : public IControl {
public:
  RecordingControl(IEffectBase* plug, const IRect& rect, int paramIndex) : IControl(plug, rect, paramIndex) {}
  bool Draw(IGraphics&) override
  {
    ++draws;
    return true;
  }
  void MouseDown(int, int, const IMouseMods&) override { ++downs; }
  void MouseUp(int, int, const IMouseMods&) override { ++ups; }
  void MouseWheel(int, int, const IMouseMods&, int notches_) override { notches += notches_; }
  int draws = 0, downs = 0, ups = 0, notches = 0;
};

IMouseMods Left()
{
  IMouseMods mods;
  mods.L = true;
  return mods;
}

IMouseMods Right()
{
  IMouseMods mods;
  mods.R = true;
  return mods;
}

std::string Calls(EditorTestWrapper& plug)
{
  std::string text;
  for (const auto& call : plug.TakeHostCalls()) text += call.kind + " " + std::to_string(call.index) + ";";
  return text;
}

}  // namespace

TEST(GraphicsCore, ValueChangeIsDrawnOnTwoTicksAndHiddenControlsAreNot)
{
  auto plug = MakePlug();
  IGraphicsHeadless editor(plug.get(), 100, 100, 25);
  auto* gain = new RecordingControl(plug.get(), IRect(10, 10, 30, 30), 0);
  auto* other = new RecordingControl(plug.get(), IRect(50, 50, 70, 70), -1);
  editor.AddControl(gain);
  editor.AddControl(other);
  editor.CreateDrawSurfaces();

  EXPECT_TRUE(editor.Tick());  // everything starts dirty
  EXPECT_EQ(gain->draws, 1);
  EXPECT_FALSE(editor.Tick());

  editor.SetControlsFromParameter(0, 0.25, true);  // the first value only fixes the default
  EXPECT_FALSE(editor.Tick());
  editor.SetControlsFromParameter(0, 5.0, false);  // plain 5 dB is 0.75 of the range
  EXPECT_DOUBLE_EQ(gain->Value(), 0.75);
  EXPECT_TRUE(editor.Tick());
  EXPECT_TRUE(editor.Tick());
  EXPECT_FALSE(editor.Tick());
  EXPECT_EQ(gain->draws, 3);
  EXPECT_EQ(other->draws, 1);  // outside the dirty area

  other->SetHidden(true);
  EXPECT_TRUE(editor.Tick());  // still collected, but not drawn
  EXPECT_EQ(other->draws, 1);
  other->SetHidden(false);
  editor.Tick();
  EXPECT_EQ(other->draws, 2);

  IGraphicsHeadless empty(plug.get(), 100, 100, 25);
  empty.CreateDrawSurfaces();
  EXPECT_TRUE(empty.Draw(IRect(0, 0, 100, 100)));
  EXPECT_EQ(empty.PresentCount(), 0);
}

TEST(GraphicsCore, TouchingEdgesCountAsIntersecting)
{
  struct Case {
    IRect control;
    bool drawn;
  } cases[] = {
    {IRect(10, 10, 20, 20), true},    // its corner on the area's bottom-right corner
    {IRect(10, 0, 20, 5), true},      // left edge on the area's right edge
    {IRect(0, 10, 5, 20), true},      // top edge on the area's bottom edge
    {IRect(11, 0, 20, 5), false},     // one pixel beyond
    {IRect(-10, -10, 0, 0), false},   // right edge on the area's left edge: exclusive
    {IRect(-10, 0, 0, 5), false},
    {IRect(2, 2, 8, 8), true},
  };
  auto plug = MakePlug();
  IGraphicsHeadless editor(plug.get(), 100, 100, 25);
  std::vector<RecordingControl*> controls;
  for (const Case& c : cases) {
    controls.push_back(new RecordingControl(plug.get(), c.control, -1));
    editor.AddControl(controls.back());
  }
  editor.CreateDrawSurfaces();
  editor.Draw(IRect(0, 0, 10, 10));
  for (size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(controls[i]->draws == 1, cases[i].drawn) << i;
}

TEST(GraphicsCore, SwitchStepsThroughFramesAndWraps)
{
  // Five frames of 2 x 2 pixels, each a colour of its own.
  PIX_MemBitmap strip(2, 10);
  const uint32_t colours[5] = {0xFF100000u, 0xFF200000u, 0xFF300000u, 0xFF400000u, 0xFF500000u};
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 2; ++x) strip.Pixels()[y * strip.RowStride() + x] = colours[y / 2];
  IBitmap bitmap;
  bitmap.data = &strip;
  bitmap.W = 2;
  bitmap.H = 10;
  bitmap.N = 5;

  auto plug = MakePlug();
  IGraphicsHeadless editor(plug.get(), 10, 10, 25);
  auto* control = new ISwitchControl(plug.get(), 4, 4, -1, bitmap);
  editor.AddControl(control);
  editor.CreateDrawSurfaces();
  EXPECT_EQ(control->GetRect(), IRect(4, 4, 6, 6));
  auto pixel = [&] { return editor.Surface()->Pixels()[5 * editor.Surface()->RowStride() + 5]; };
  editor.Tick();
  EXPECT_EQ(pixel(), colours[0]);

  const double values[] = {0.25, 0.5, 0.75, 1.0, 0.0, 0.25};
  for (double expected : values) {
    editor.MouseDown(4, 4, Left());
    editor.MouseUp(4, 4, Left());
    editor.Tick();
    EXPECT_DOUBLE_EQ(control->Value(), expected);
    EXPECT_EQ(pixel(), colours[int(expected * 4)]) << expected;
  }
  // A double click steps once more instead of returning to a default.
  editor.MouseDoubleClick(5, 5, Left());
  EXPECT_DOUBLE_EQ(control->Value(), 0.5);
}

TEST(GraphicsCore, MouseRouting)
{
  auto plug = MakePlug();
  IGraphicsHeadless editor(plug.get(), 100, 100, 25);
  auto* lower = new RecordingControl(plug.get(), IRect(0, 0, 50, 50), -1);
  auto* upper = new RecordingControl(plug.get(), IRect(10, 10, 30, 30), 0);
  editor.AddControl(lower);
  editor.AddControl(upper);

  // A release outside every control still goes to the pressed one.
  editor.MouseDown(20, 20, Left());
  EXPECT_EQ(editor.CapturedControl(), 1);
  editor.MouseUp(90, 90, Left());
  EXPECT_EQ(upper->downs, 1);
  EXPECT_EQ(upper->ups, 1);
  EXPECT_EQ(Calls(*plug), "begin 0;end 0;");

  // Under the VST 3 format the right button opens the host's menu instead.
  plug->PretendFormat(1);
  editor.MouseDown(20, 20, Right());
  EXPECT_EQ(upper->downs, 1);
  EXPECT_EQ(editor.CapturedControl(), -1);
  EXPECT_EQ(Calls(*plug), "menu 0;");
  plug->PretendFormat(0);
  editor.MouseDown(20, 20, Right());
  EXPECT_EQ(upper->downs, 2);
  editor.MouseUp(20, 20, Right());
  EXPECT_EQ(Calls(*plug), "begin 0;end 0;");

  // Greyed and hidden controls let the press through to the one below.
  for (int pass = 0; pass < 2; ++pass) {
    pass == 0 ? upper->SetGreyed(true) : upper->SetHidden(true);
    editor.MouseDown(20, 20, Left());
    editor.MouseUp(20, 20, Left());
    pass == 0 ? upper->SetGreyed(false) : upper->SetHidden(false);
  }
  EXPECT_EQ(lower->downs, 2);
  EXPECT_EQ(upper->downs, 2);
  EXPECT_EQ(Calls(*plug), "");  // the lower control has no parameter

  // Wheel notches go to the control under the pointer; keys reach no control.
  editor.MouseWheel(20, 20, IMouseMods(), -2);
  editor.MouseWheel(40, 40, IMouseMods(), 3);
  EXPECT_EQ(upper->notches, -2);
  EXPECT_EQ(lower->notches, 3);
  EXPECT_FALSE(editor.KeyDown(20, 20, kKeySpace));
  EXPECT_FALSE(editor.KeyDown(90, 90, kKeySpace));
}

TEST(GraphicsCore, KnobTextOpensMenuOrTextEntry)
{
  auto plug = MakePlug();
  auto* editor = new IGraphicsHeadless(plug.get(), 200, 200, 25);
  IBitmap none;  // no image: the knob draws only its text
  none.W = 48;
  none.H = 48;
  IText text;
  text.size = 13;
  auto* gain = new IKnobMultiControlText(plug.get(), IRect(0, 0, 48, 61), 0, none, text);
  auto* mode = new IKnobMultiControlText(plug.get(), IRect(100, 0, 148, 61), 1, none, text);
  editor->AddControl(gain);
  editor->AddControl(mode);
  plug->AttachEditor(editor);
  EXPECT_EQ(gain->TextRect(), IRect(0, 48, 48, 61));

  // A selector offers its display texts, the current one checked; the pick is sent.
  editor->SetNextMenuChoice(2);
  editor->MouseDown(120, 55, Left());
  editor->MouseUp(120, 55, Left());
  EXPECT_EQ(editor->LastMenu().items, "left|both*|right");
  EXPECT_EQ(editor->LastMenu().rect, IRect(100, 48, 148, 61));
  EXPECT_DOUBLE_EQ(plug->GetParam(1)->Value(), 2.0);
  const auto calls = plug->TakeHostCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].kind, "edit");
  EXPECT_DOUBLE_EQ(calls[1].value, 1.0);

  // A number is offered for typing, with the parameter's decimals.
  plug->SetParamFromHost(0, 0.6);  // 2 dB
  editor->MouseDown(10, 50, Left());
  EXPECT_EQ(editor->LastTextEntry().count, 1);
  EXPECT_EQ(editor->LastTextEntry().entryText, "2.0");
  EXPECT_EQ(editor->LastTextEntry().rect, IRect(0, 48, 48, 61));
  // Outside the text the press sends the current value and opens nothing.
  editor->MouseDown(10, 10, Left());
  EXPECT_EQ(editor->LastTextEntry().count, 1);
  EXPECT_EQ(editor->LastMenu().count, 1);
}

TEST(GraphicsCore, KnobDragGearingFollowsTheControlHeight)
{
  struct Case {
    int height;
    bool fine;
    int dY;
    double expected;
  } cases[] = {
      {48, false, -1, 0.5 + 1.0 / 192.0},  {48, true, -1, 0.5 + 1.0 / 1920.0},
      {48, false, 12, 0.5 - 12.0 / 192.0}, {100, false, -50, 0.625},
      {48, false, -1000, 1.0},            {48, false, 1000, 0.0},
  };
  for (const Case& c : cases) {
    auto plug = MakePlug();
    auto* editor = new IGraphicsHeadless(plug.get(), 200, 200, 25);
    IBitmap none;
    none.W = 48;
    none.H = 48;
    IText text;
    text.size = 13;
    editor->AddControl(new IKnobMultiControlText(plug.get(), IRect(0, 0, 48, c.height), 0, none, text));
    plug->AttachEditor(editor);
    IMouseMods mods = Left();
    mods.S = c.fine;
    editor->MouseDown(20, 20, mods);
    editor->MouseMovedWithButton(20, 20 + c.dY, mods);
    editor->MouseUp(20, 20 + c.dY, mods);
    EXPECT_NEAR(plug->GetParam(0)->Normalized(), c.expected, 1e-12) << c.height << " " << c.dY;
  }
}

TEST(GraphicsCore, BitmapsAreDecodedOncePerProcess)
{
  class CountingEditor : public IGraphicsHeadless {
  public:
    using IGraphicsHeadless::IGraphicsHeadless;
    PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) override
    {
      ++loads;
      return IGraphicsHeadless::LoadPlatformBitmap(id, name);
    }
    int loads = 0;
  };
  auto plug = MakePlug();
  CountingEditor first(plug.get(), 10, 10, 25), second(plug.get(), 10, 10, 25);

  // An id the program does not carry is remembered as missing.
  const IBitmap missing = first.LoadBitmap(9001, "missing", 3);
  EXPECT_EQ(missing.data, nullptr);
  EXPECT_EQ(missing.W, 0);
  EXPECT_EQ(second.LoadBitmap(9001, "missing", 3).data, nullptr);
  EXPECT_EQ(first.loads + second.loads, 1);

  // The small red button: 20 x 40, two frames.
  const IBitmap button = first.LoadBitmap(108, "button_red_20", 2);
  const IBitmap again = second.LoadBitmap(108, "button_red_20", 2);
  ASSERT_NE(button.data, nullptr);
  EXPECT_EQ(again.data, button.data);
  EXPECT_EQ(button.W, 20);
  EXPECT_EQ(button.H, 40);
  EXPECT_EQ(button.N, 2);
}

TEST(GraphicsCore, ResizeDropsControlsAndRemakesTheSurface)
{
  auto plug = MakePlug();
  auto* editor = new IGraphicsHeadless(plug.get(), 100, 80, 25);
  editor->AddControl(new RecordingControl(plug.get(), IRect(0, 0, 10, 10), 0));
  plug->AttachEditor(editor);
  editor->MouseDown(5, 5, Left());
  ASSERT_EQ(editor->CapturedControl(), 0);

  editor->Resize(200, 50);
  EXPECT_EQ(editor->ControlCount(), 0);
  EXPECT_EQ(editor->CapturedControl(), -1);
  ASSERT_NE(editor->Surface(), nullptr);
  EXPECT_EQ(editor->Surface()->Width(), 200);
  EXPECT_EQ(editor->Surface()->Height(), 50);
  editor->MouseUp(5, 5, Left());  // the pressed control is gone: nothing to tell
  EXPECT_EQ(Calls(*plug), "begin 0;");
}

// The editor-drawn text entry of the platforms without a native field: the same
// character filter, length limit and commit rules as the native one.
TEST(GraphicsCore, TextEntryFiltersTypingAndCommitsByTheParametersRules)
{
  auto plug = MakePlug();
  plug->GetParam(1)->DefineEnum("Mode", 1, 3);  // no display texts: typed digits match none
  class EntryControl : public RecordingControl {
  public:
    using RecordingControl::RecordingControl;
    void TakeUserValue(double v) override { taken.push_back(v); }
    void ReceiveEnteredText(const char* text) override { received = text; }
    std::vector<double> taken;
    std::string received = "(none)";
  };
  struct Case {
    const char* name;
    int param;         // -1: no parameter
    bool negate;
    const char* typed; // '\b' is backspace
    const char* text;  // what the field holds
    double committed;  // normalized value taken, or -1 for raw text
  };
  const Case cases[] = {
    {"letters swallowed, signs digits and full stop kept", 0, false, "a-b2.5c", "-2.5", 0.375},
    {"negated display", 0, true, "2.5", "2.5", 0.375},
    {"nothing typed reads as 0", 0, false, "\b", "", 0.5},
    {"seven characters at most", 0, false, "123456789", "1234567", 1.0},
    {"backspace after typing", 0, false, "45\b", "4", 0.7},
    {"full stop swallowed for a selector", 1, false, "x1.5", "15", 0.0},
    {"no parameter takes any text", -1, false, "ab c!", "ab c!", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EntryControl control(plug.get(), IRect(0, 0, 40, 16), c.param);
    IParam* param = c.param >= 0 ? plug->GetParam(c.param) : nullptr;
    if (param) param->SetNegateDisplay(c.negate);
    ITextEntry entry;
    ASSERT_TRUE(entry.Open(&control, IText(), IRect(0, 0, 40, 16), "0.0", param));
    EXPECT_FALSE(entry.Open(&control, IText(), IRect(0, 0, 40, 16), "1", param));  // one at a time
    EXPECT_EQ(entry.GetState(), ITextEntry::kFocused);
    for (const char* p = c.typed; *p; ++p) {
      if (*p == '\b')
        entry.Backspace();
      else
        entry.TypeCharacter(*p);
    }
    EXPECT_EQ(entry.Text(), c.text);
    entry.Commit();
    if (c.committed < 0) {
      EXPECT_EQ(control.received, c.text);
      EXPECT_TRUE(control.taken.empty());
    } else {
      ASSERT_EQ(control.taken.size(), 1u);
      EXPECT_NEAR(control.taken[0], c.committed, 1e-9);
    }
    entry.Close();
    EXPECT_FALSE(entry.IsOpen());
    EXPECT_EQ(entry.GetState(), ITextEntry::kIdle);
    if (param) param->SetNegateDisplay(false);
  }
}
