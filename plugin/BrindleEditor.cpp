// Brindle's editor layout: which bitmap goes where and which parameter it drives.
#include "BrindleEditor.h"

#include "Brindle.h"
#include "MeterPanel.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobControl.h"
#include "graphics/IRadioButtonsControl.h"

namespace {

// One 48-pixel knob frame plus a text line below it.
IRect KnobRect(int x, int y, const IText& text)
{
  return IRect(x, y, x + 48, y + 48 + text.size);
}

}  // namespace

IGraphics* BuildBrindleEditor(IEffectBase* plug, MeterTap& meters, BrindleEditorLayout& layout)
{
  IGraphics* editor = CreatePlatformGraphics(plug, kEditorWidth, kEditorHeight, kEditorFps);
  editor->AddBackgroundPanel(IColor(255, 255, 255, 255));

  const IBitmap knobMidBlue = editor->LoadBitmap(kImageKnobMidBlue48, "knob_mid_blue_48", 65);
  const IBitmap knobMidGreen = editor->LoadBitmap(kImageKnobMidGreen48, "knob_mid_green_48", 65);
  const IBitmap knobLeftBlue = editor->LoadBitmap(kImageKnobLeftBlue48, "knob_left_blue_48", 65);
  const IBitmap buttonBlack = editor->LoadBitmap(kImageButtonBlack32, "button_black_32", 2);
  const IBitmap buttonRed = editor->LoadBitmap(kImageButtonRed32, "button_red_32", 2);
  const IBitmap lamp = editor->LoadBitmap(kImageLedRed48, "led_red_48", 32);
  const IBitmap background1 = editor->LoadBitmap(kImageBackground1, "Brindle_Background1", 1);
  const IBitmap background2 = editor->LoadBitmap(kImageBackground2, "Brindle_Background2", 1);
  const IBitmap about = editor->LoadBitmap(kImageAbout, "Brindle_About", 1);
  const IBitmap buttonSmall = editor->LoadBitmap(kImageButtonRed20, "button_red_20", 2);
  const IBitmap meterPage = editor->LoadBitmap(kImageMeters, "Brindle_Meters", 1);

  IText knobText;
  knobText.size = 13;

  layout.secondPageControl = editor->AddControl(new IBitmapControl(plug, 0, 0, -1, background2));
  layout.firstPageControl = editor->AddControl(new IBitmapControl(plug, 0, 0, -1, background1));
  editor->AddControl(new IKnobMultiControlText(plug, KnobRect(102, 230, knobText), Brindle::kOutputGain, knobMidGreen, knobText));
  editor->AddControl(new IKnobMultiControlText(plug, KnobRect(62, 142, knobText), Brindle::kMidGain, knobMidGreen, knobText));
  editor->AddControl(new IKnobMultiControlText(plug, KnobRect(142, 142, knobText), Brindle::kSideGain, knobMidGreen, knobText));
  editor->AddControl(new IRadioButtonsControl(plug, IRect(86, 62, 182, 94), Brindle::kChannelSelector, buttonBlack));
  editor->AddControl(new IResetControl(plug, 36, 286, buttonSmall));
  layout.stereoOnlyControls = {
    editor->AddControl(new IKnobMultiControlText(plug, KnobRect(320, 230, knobText), Brindle::kPanning, knobMidBlue, knobText)),
    editor->AddControl(
      new IKnobMultiControlText(plug, KnobRect(280, 142, knobText), Brindle::kDelayAmount, knobLeftBlue, knobText)),
    editor->AddControl(new IKnobMultiControlText(plug, KnobRect(360, 142, knobText), Brindle::kWidth, knobMidBlue, knobText)),
    editor->AddControl(new ISwitchControl(plug, 248, 62, Brindle::kInvertLeft, buttonBlack)),
    editor->AddControl(new ISwitchControl(plug, 280, 62, Brindle::kInvertRight, buttonBlack)),
    editor->AddControl(new ISwitchControl(plug, 344, 62, Brindle::kSwap, buttonBlack)),
    editor->AddControl(new ISwitchControl(plug, 408, 62, Brindle::kMonoTest, buttonRed)),
  };
  layout.lampControl = editor->AddControl(new IBitmapControl(plug, 22, 54, -1, lamp));
  editor->AddControl(new ISwitchControl(plug, 30, 238, Brindle::kBypass, buttonRed));
  editor->AddControl(new IBitmapOverlayControl(plug, 0, 0, about, IRect(202, 278, 271, 307)));
  layout.meterPanel = editor->AddControl(new MeterPanel(plug, meters, meterPage));
  return editor;
}
