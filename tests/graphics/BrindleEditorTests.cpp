// Brindle's editor driven by mouse events: knobs, switches, radio buttons, the
// about page, the reset button, the page switch and the mono lamp.
#include "BrindleTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

struct Point {
  int x, y;
};

// Centres of the controls in the layout.
const Point kOutput{126, 254}, kMid{86, 166}, kSide{166, 166}, kPan{344, 254}, kDelay{304, 166},
  kWidth{384, 166}, kInvertL{264, 78}, kInvertR{296, 78}, kSwap{360, 78}, kMonoTest{424, 78}, kBypass{46, 254},
  kReset{46, 296};

// A column of the lamp's lens on its middle row: opaque in every frame.
const int kLens = 31;

std::unique_ptr<Brindle> OpenedBrindle()
{
  auto plug = MakeBrindle();
  EditorOf(*plug).OpenWindow(nullptr);
  EditorOf(*plug).Tick();  // the first draw sets the about page's hit area
  return plug;
}

double Normalized(Brindle& plug, int index)
{
  return plug.GetParamNormalized(index);
}

}  // namespace

TEST(BrindleEditor, KnobDragMovesByControlHeightsAndReachesHost)
{
  struct Case {
    Point knob;
    int param;
    bool shift, ctrl;
    int dY;
    double start, expected;
  } cases[] = {
    // The knob controls are 61 pixels high (48 of knob, 13 of text): 1/244 per pixel.
    {kWidth, Brindle::kWidth, false, false, -1, 0.5, 0.5 + 1.0 / 244.0},
    {kWidth, Brindle::kWidth, true, false, -1, 0.5, 0.5 + 1.0 / 2440.0},
    {kOutput, Brindle::kOutputGain, false, true, -1, 0.5, 0.5 + 1.0 / 2440.0},
    {kMid, Brindle::kMidGain, false, false, 24, 0.5, 0.5 - 24.0 / 244.0},
    {kDelay, Brindle::kDelayAmount, false, false, -122, 0.0, 0.5},
    {kDelay, Brindle::kDelayAmount, false, false, 5, 0.0, 0.0},  // held at the bottom
    {kPan, Brindle::kPanning, false, false, -400, 0.5, 1.0},     // and at the top
  };
  for (const Case& c : cases) {
    auto plug = OpenedBrindle();
    IGraphicsHeadless& editor = EditorOf(*plug);
    plug->TakeHostCalls();
    const IMouseMods mods = Button(c.shift, c.ctrl);
    editor.MouseDown(c.knob.x, c.knob.y, mods);
    editor.MouseMovedWithButton(c.knob.x, c.knob.y + c.dY, mods);
    editor.MouseUp(c.knob.x, c.knob.y + c.dY, mods);

    EXPECT_NEAR(Normalized(*plug, c.param), c.expected, 1e-12) << c.param << " " << c.dY;
    const auto calls = plug->TakeHostCalls();
    ASSERT_EQ(calls.size(), 4u) << c.param;
    EXPECT_EQ(calls[0].kind, "begin");
    EXPECT_EQ(calls[1].kind, "edit");  // the press alone sends the current value
    EXPECT_NEAR(calls[1].value, c.start, 1e-12);
    EXPECT_EQ(calls[2].kind, "edit");
    EXPECT_NEAR(calls[2].value, c.expected, 1e-12);
    EXPECT_EQ(calls[3].kind, "end");
    for (const auto& call : calls) EXPECT_EQ(call.index, c.param);
  }
}

TEST(BrindleEditor, WheelAndDoubleClick)
{
  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  editor.MouseWheel(kOutput.x, kOutput.y, IMouseMods(), 3);
  EXPECT_NEAR(Normalized(*plug, Brindle::kOutputGain), 0.53, 1e-12);
  IMouseMods ctrl;
  ctrl.C = true;
  editor.MouseWheel(kOutput.x, kOutput.y, ctrl, -2);
  EXPECT_NEAR(Normalized(*plug, Brindle::kOutputGain), 0.528, 1e-12);
  editor.MouseWheel(kDelay.x, kDelay.y, IMouseMods(), -1);  // clamped at 0
  EXPECT_EQ(Normalized(*plug, Brindle::kDelayAmount), 0.0);
  // Plain value: 0.528 of -10..10 dB.
  EXPECT_NEAR(plug->GetParam(Brindle::kOutputGain)->Value(), 0.56, 1e-9);

  // A double click returns to the value the plug-in first sent.
  editor.MouseDoubleClick(kOutput.x, kOutput.y, Button());
  EXPECT_EQ(plug->GetParam(Brindle::kOutputGain)->Value(), 0.0);
  const auto calls = plug->TakeHostCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().kind, "edit");
  EXPECT_DOUBLE_EQ(calls.back().value, 0.5);
}

TEST(BrindleEditor, SwitchesWrapAndRadioButtonsPickByPosition)
{
  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  struct Row {
    Point at;
    int param;
  } switches[] = {{kInvertL, Brindle::kInvertLeft}, {kInvertR, Brindle::kInvertRight}, {kSwap, Brindle::kSwap},
                  {kMonoTest, Brindle::kMonoTest}, {kBypass, Brindle::kBypass}};
  for (const Row& s : switches) {
    for (double expected : {1.0, 0.0, 1.0}) {
      Click(editor, s.at.x, s.at.y);
      EXPECT_EQ(plug->GetParam(s.param)->Value(), expected) << s.param;
    }
  }

  // Three 32-pixel buttons from x = 86; a button's left edge belongs to it.
  struct Pick {
    int x;
    double mode;
  } picks[] = {{150, 2}, {86, 0}, {118, 1}, {181, 2}, {117, 0}, {149, 1}};
  for (const Pick& p : picks) {
    Click(editor, p.x, 80);
    EXPECT_EQ(plug->GetParam(Brindle::kChannelSelector)->Value(), p.mode) << p.x;
  }
}

TEST(BrindleEditor, AboutPageOpensOnItsAreaAndClosesOnAnyClick)
{
  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  auto about = CarriedImage(kImageAbout);
  ASSERT_NE(about, nullptr);
  auto showsAbout = [&](int x, int y) { return PixelAt(*editor.Surface(), x, y) == PixelAt(*about, x, y); };

  // Before anything was drawn the closed page takes clicks only in its area too.
  {
    auto fresh = MakeBrindle();
    IGraphicsHeadless& undrawn = EditorOf(*fresh);
    undrawn.MouseDown(kSwap.x, kSwap.y, Button());
    undrawn.MouseUp(kSwap.x, kSwap.y, Button());
    EXPECT_EQ(fresh->GetParam(Brindle::kSwap)->Value(), 1.0);
  }

  Click(editor, 120, 20);  // outside its area while closed: nothing opens
  EXPECT_FALSE(showsAbout(235, 100));
  Click(editor, 210, 290);
  EXPECT_TRUE(showsAbout(235, 100));
  EXPECT_TRUE(showsAbout(20, 300));

  // Open, it takes the click meant for the knob below, and closes.
  plug->TakeHostCalls();
  Click(editor, kWidth.x, kWidth.y);
  EXPECT_TRUE(plug->TakeHostCalls().empty());
  EXPECT_EQ(Normalized(*plug, Brindle::kWidth), 0.5);
  EXPECT_FALSE(showsAbout(235, 100));
  // Closed again, the knob is reachable.
  Click(editor, kWidth.x, kWidth.y);
  EXPECT_FALSE(plug->TakeHostCalls().empty());
}

TEST(BrindleEditor, ResetReturnsEveryParameterToItsDefault)
{
  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  for (int i = 0; i < Brindle::kParamCount; ++i) plug->SetParamFromHost(i, i == Brindle::kChannelSelector ? 0.5 : 0.8);
  editor.Tick();
  ASSERT_EQ(plug->GetParam(Brindle::kChannelSelector)->Value(), 1.0);
  // In mid mode the stereo-only controls ignore the mouse.
  Click(editor, kSwap.x, kSwap.y);
  EXPECT_EQ(plug->GetParam(Brindle::kSwap)->Value(), 1.0);
  plug->TakeHostCalls();

  Click(editor, kReset.x, kReset.y);
  for (int i = 0; i < Brindle::kParamCount; ++i) EXPECT_EQ(plug->GetParam(i)->Value(), 0.0) << i;
  // Every parameter was sent to the host, without gestures (the button has none).
  bool sent[Brindle::kParamCount] = {};
  for (const auto& call : plug->TakeHostCalls()) {
    EXPECT_EQ(call.kind, "edit");
    if (call.index >= 0 && call.index < Brindle::kParamCount) sent[call.index] = true;
  }
  for (int i = 0; i < Brindle::kParamCount; ++i) EXPECT_TRUE(sent[i]) << i;
  // Back in stereo, the stereo-only controls answer again.
  Click(editor, kSwap.x, kSwap.y);
  EXPECT_EQ(plug->GetParam(Brindle::kSwap)->Value(), 1.0);
}

TEST(BrindleEditor, MidAndSideModesGreyTheStereoOnlyControls)
{
  struct Target {
    Point at;
    int param;  // -1: no parameter (the lamp)
    bool stereoOnly;
  } targets[] = {
    {kPan, Brindle::kPanning, true},      {kDelay, Brindle::kDelayAmount, true},
    {kWidth, Brindle::kWidth, true},      {kInvertL, Brindle::kInvertLeft, true},
    {kInvertR, Brindle::kInvertRight, true}, {kSwap, Brindle::kSwap, true},
    {kMonoTest, Brindle::kMonoTest, true}, {kOutput, Brindle::kOutputGain, false},
    {kMid, Brindle::kMidGain, false},     {kSide, Brindle::kSideGain, false},
    {kBypass, Brindle::kBypass, false},   {{166, 80}, Brindle::kChannelSelector, false},
  };
  for (double mode : {0.5, 1.0}) {
    auto plug = OpenedBrindle();
    IGraphicsHeadless& editor = EditorOf(*plug);
    plug->SetParamFromHost(Brindle::kChannelSelector, mode);
    editor.Tick();
    for (const Target& t : targets) {
      plug->TakeHostCalls();
      editor.MouseDown(t.at.x, t.at.y, Button());
      editor.MouseMovedWithButton(t.at.x, t.at.y - 10, Button());
      editor.MouseUp(t.at.x, t.at.y - 10, Button());
      editor.Tick();
      EXPECT_EQ(plug->TakeHostCalls().empty(), t.stereoOnly) << mode << " " << t.param;
    }
    EXPECT_EQ(plug->GetParam(Brindle::kChannelSelector)->Value(), 2.0);  // the last click picked side
  }
}

TEST(BrindleEditor, DrawsKnobFramesGreyedControlsAndTheLamp)
{
  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  auto knobs = CarriedImage(kImageKnobMidGreen48);
  auto buttons = CarriedImage(kImageButtonBlack32);
  auto page2 = CarriedImage(kImageBackground2);
  auto lamps = CarriedImage(kImageLedRed48);
  ASSERT_TRUE(knobs && buttons && page2 && lamps);

  // +5 dB is 0.75 of the range: frame int(64 x 0.75 + 0.5) + 1 = 49 of 65, which
  // starts int(3120 x 48 / 65 + 0.5) = 2304 pixels down the strip.
  plug->SetParamFromHost(Brindle::kOutputGain, 0.75);
  // Mid mode greys "Invert Left" (frame 1 of its strip, at 248, 62).
  plug->SetParamFromHost(Brindle::kChannelSelector, 0.5);
  editor.Tick();
  // A redraw of the whole editor, as for a window uncovered.
  editor.Draw(IRect(0, 0, kEditorWidth, kEditorHeight));
  PIX_SysBitmap& surface = *editor.Surface();

  int compared = 0, differFromNeighbour = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const uint32_t expected = PixelAt(*knobs, x, 2304 + y);
      if (expected >> 24 != 255) continue;  // edges blend with the page
      ++compared;
      EXPECT_EQ(PixelAt(surface, 102 + x, 230 + y), expected) << x << "," << y;
      if (PixelAt(*knobs, x, 2256 + y) != expected || PixelAt(*knobs, x, 2352 + y) != expected) ++differFromNeighbour;
    }
  }
  EXPECT_GT(compared, 900);
  EXPECT_GT(differFromNeighbour, 0);  // the frame is told apart from frames 48 and 50

  // Greyed: a quarter of the button over the second page, channel by channel.
  int greyed = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t button = PixelAt(*buttons, x, y);
      if (button >> 24 != 255) continue;
      const uint32_t page = PixelAt(*page2, 248 + x, 62 + y);
      const uint32_t shown = PixelAt(surface, 248 + x, 62 + y);
      for (int shift = 0; shift < 24; shift += 8) {
        const double b = (button >> shift) & 0xFF, p = (page >> shift) & 0xFF;
        EXPECT_NEAR(double((shown >> shift) & 0xFF), p + 0.25 * (b - p), 2.0) << x << "," << y;
      }
      ++greyed;
    }
  }
  EXPECT_GT(greyed, 500);

  // Value texts: dark grey on active knobs, faded grey on greyed ones (Output
  // at 102..150 is active, Pan at 320..368 greyed; both texts on rows 278..290).
  auto darkest = [&](int left) {
    int low = 255;
    for (int y = 278; y < 291; ++y)
      for (int x = left; x < left + 48; ++x) {
        const uint32_t p = PixelAt(surface, x, y);
        const int g = int((p >> 8) & 0xFF);
        if (g < low) low = g;
      }
    return low;
  };
  EXPECT_LE(darkest(102), 130);
  EXPECT_GE(darkest(320), 180);

  // The lamp is lit (its last frame, 31 x 48 = 1488 down) until audio runs, and
  // drawn at full weight in mid mode: it is not one of the stereo-only controls.
  EXPECT_EQ(PixelAt(surface, 22 + kLens, 78), PixelAt(*lamps, kLens, 1488 + 24));
}

TEST(BrindleEditor, LampFollowsTheMonoDetector)
{
  auto lamps = CarriedImage(kImageLedRed48);
  ASSERT_NE(lamps, nullptr);
  // The lamp rises as 1 - c^n with c = exp(-2 pi / 44100) while the input is mono,
  // and the control is updated with it every 1764 samples, at samples 1764 k (after
  // 1764 k + 1 steps). After 22050 samples the last update is k = 12.
  const double c = std::exp(-2.0 * 3.14159265358979323846 / 44100.0);
  const double lamp = 1.0 - std::pow(c, 1764.0 * 12 + 1);
  const int frame = int(31 * lamp + 0.5) + 1;
  ASSERT_EQ(frame, 30);  // the lamp value, 0.951, by hand
  const int offset = int(1536.0 * (frame - 1) / 32 + 0.5);

  auto plug = OpenedBrindle();
  IGraphicsHeadless& editor = EditorOf(*plug);
  ProcessSignal(*plug, 22050, true);
  editor.Tick();
  ASSERT_EQ(PixelAt(*lamps, kLens, offset + 24) >> 24, 255u);
  EXPECT_EQ(PixelAt(*editor.Surface(), 22 + kLens, 78), PixelAt(*lamps, kLens, offset + 24));
  EXPECT_NE(PixelAt(*lamps, kLens, offset + 24), PixelAt(*lamps, kLens, offset + 48 + 24));

  // Opposite channels: the lamp goes out (frame 1) at the next update.
  auto other = OpenedBrindle();
  ProcessSignal(*other, 2048, false);
  EditorOf(*other).Tick();
  EXPECT_EQ(PixelAt(*EditorOf(*other).Surface(), 22 + kLens, 78), PixelAt(*lamps, kLens, 24));
}
