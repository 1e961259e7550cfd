// Brindle's editor: two background pages, knobs, switches, radio buttons, the
// reset button, the mono lamp and the about page in the 470 x 322 area at the
// top left, and the meter panel to their right.
#pragma once

#include <vector>

class IEffectBase;
class IGraphics;
class MeterTap;

// Where the plug-in finds the controls it drives itself.
struct BrindleEditorLayout {
  int lampControl = -1;
  int firstPageControl = -1;
  int secondPageControl = -1;
  int meterPanel = -1;
  std::vector<int> stereoOnlyControls;
};

// Image ids of the module's PNG resources.
enum BrindleImageId {
  kImageButtonBlack32 = 102,
  kImageLedRed48 = 104,
  kImageBackground1 = 105,
  kImageBackground2 = 106,
  kImageAbout = 107,
  kImageButtonRed20 = 108,
  kImageButtonRed32 = 109,
  kImageKnobLeftBlue48 = 110,
  kImageKnobMidBlue48 = 111,
  kImageKnobMidGreen48 = 112,
  kImageMeters = 113
};

constexpr int kEditorWidth = 720;
constexpr int kEditorHeight = 322;
constexpr int kEditorFps = 25;

// A new editor for plug (not yet attached), with the indices the plug-in keeps. The
// meter panel reads what meters measures.
IGraphics* BuildBrindleEditor(IEffectBase* plug, MeterTap& meters, BrindleEditorLayout& layout);
