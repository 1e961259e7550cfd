// The meter panel to the right of the controls: output correlation, the vectorscope,
// and input and output levels with clip lamps. Each redraw tick it takes the slices
// the audio thread measured; a click on a clip lamp puts it out.
#pragma once

#include <memory>

#include "MeterReadings.h"
#include "graphics/IControl.h"

class MeterTap;
class PIX_MemBitmap;

// Editor pixels; the panel's artwork (tools/artwork/make_artwork.py) uses the same.
struct MeterPanelLayout {
  static constexpr int kLeft = 470;
  static constexpr int kWidth = 250;
  static IRect Correlation() { return IRect(490, 68, 700, 80); }
  static IRect Scope() { return IRect(490, 102, 619, 231); }
  static IRect ScopeGainText() { return IRect(490, 235, 619, 247); }
  static constexpr int kLevelTop = 110;     // +6 dBFS
  static constexpr int kLevelBottom = 286;  // -60 dBFS
  static constexpr double kLevelTopDb = 6.0;
  static constexpr double kLevelBottomDb = -60.0;
  static constexpr int kBarWidth = 10;
  static constexpr int kClipTop = 96;
  static constexpr int kClipBottom = 104;
  // Left edges of input L, input R, output L, output R.
  static constexpr int kBarLeft[MeterReadings::kChannels] = {646, 658, 682, 694};
  // The row where a level in dBFS starts (rows below it are lit), before clamping.
  static double LevelRow(double db)
  {
    return kLevelTop + (kLevelTopDb - db) * (kLevelBottom - kLevelTop) / (kLevelTopDb - kLevelBottomDb);
  }
  static IRect ClipLamp(int channel)
  {
    return IRect(kBarLeft[channel], kClipTop, kBarLeft[channel] + kBarWidth, kClipBottom);
  }
};

class MeterPanel : public IControl {
public:
  MeterPanel(IEffectBase* plug, MeterTap& tap, const IBitmap& background);
  ~MeterPanel() override;

  // Editor's thread, when an editor opens: forget old readings and start listening.
  void Start();
  // Editor's thread: stop the tap's measuring.
  void Stop();
  // Reads another tap from now on (the DSP instance's, for an editor that has its own
  // plug-in object); the old one stops measuring. Editor's thread, editor closed.
  void UseTap(MeterTap& other);

  void Animate() override;
  bool Draw(IGraphics& graphics) override;
  void MouseDown(int x, int y, const IMouseMods& mods) override;
  void MouseDoubleClick(int x, int y, const IMouseMods& mods) override { MouseDown(x, y, mods); }

  const MeterReadings& Readings() const { return readings; }

private:
  void DrawCorrelation(IGraphics& graphics);
  void DrawScope(IGraphics& graphics);
  void DrawLevels(IGraphics& graphics);

  MeterTap* tap;
  IBitmap background;
  MeterReadings readings;
  std::unique_ptr<PIX_MemBitmap> scopePixels;
  // Ticks in a row that brought no audio; after kIdleTicks the host is taken to have
  // stopped processing and each further tick counts as its time of silence.
  static constexpr int kIdleTicks = 10;
  int idleTicks = 0;
};
