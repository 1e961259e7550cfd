// Drawing of the meter panel over its artwork.
#include "MeterPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "BrindleEditor.h"
#include "MeterTap.h"
#include "PixBitmap.h"
#include "graphics/IGraphics.h"

namespace {

const IColor kTrack(255, 38, 42, 50);
const IColor kPositive(255, 72, 196, 120);
const IColor kNegative(255, 226, 76, 60);
const IColor kNeedle(255, 236, 238, 242);
const IColor kRms(255, 72, 196, 120);
const IColor kPeak(255, 150, 214, 176);
const IColor kRmsOver(255, 226, 76, 60);
const IColor kPeakOver(255, 240, 150, 136);
const IColor kClipLit(255, 236, 64, 48);
const IColor kClipOff(255, 70, 74, 84);
const IColor kLabel(255, 118, 124, 136);
const uint32_t kTrace = 0xFF8CD2FFu;  // light blue points

constexpr int kCentreX = 595;
constexpr int kHalfWidth = 105;

int FirstLitRow(double db)
{
  const double row = MeterPanelLayout::LevelRow(db);
  return std::clamp(int(std::ceil(row - 1e-9)), MeterPanelLayout::kLevelTop, MeterPanelLayout::kLevelBottom);
}

uint32_t Mix(uint32_t base, uint32_t over, float amount)
{
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const float b = float((base >> shift) & 0xFF), o = float((over >> shift) & 0xFF);
    out |= uint32_t(std::lround(b + (o - b) * amount)) << shift;
  }
  return out;
}

}  // namespace

MeterPanel::MeterPanel(IEffectBase* plug_, MeterTap& tap_, const IBitmap& background_)
  : IControl(plug_, IRect(MeterPanelLayout::kLeft, 0, MeterPanelLayout::kLeft + MeterPanelLayout::kWidth, kEditorHeight)),
    tap(&tap_), background(background_),
    readings(MeterPanelLayout::Scope().W(), MeterPanelLayout::Scope().H())
{
}

MeterPanel::~MeterPanel() = default;

void MeterPanel::Start()
{
  readings.Restart(tap->Ring());
  idleTicks = 0;
  tap->SetListening(true);
  MarkDirty(false);
}

void MeterPanel::Stop() { tap->SetListening(false); }

void MeterPanel::UseTap(MeterTap& other)
{
  tap->SetListening(false);
  tap = &other;
}

void MeterPanel::Animate()
{
  if (readings.Consume(tap->Ring())) {
    idleTicks = 0;
    MarkDirty(false);
  } else if (++idleTicks > kIdleTicks && !readings.AtRest()) {
    const IGraphics* graphics = Graphics();
    readings.TakeSilence(1.0 / std::max(1, graphics ? graphics->FPS() : 25));
    MarkDirty(false);
  }
}

void MeterPanel::MouseDown(int x, int y, const IMouseMods&)
{
  for (int c = 0; c < MeterReadings::kChannels; ++c) {
    if (MeterPanelLayout::ClipLamp(c).Contains(x, y)) {
      readings.ClearClip(MeterReadings::Channel(c));
      MarkDirty(false);
    }
  }
}

bool MeterPanel::Draw(IGraphics& graphics)
{
  graphics.DrawBitmap(background, rect, 0, 0, nullptr);
  DrawCorrelation(graphics);
  DrawScope(graphics);
  DrawLevels(graphics);
  return true;
}

void MeterPanel::DrawCorrelation(IGraphics& graphics)
{
  const IRect bar = MeterPanelLayout::Correlation();
  if (!readings.HasCorrelation()) {
    IText text;
    text.size = 10;
    text.color = kLabel;
    IRect box = bar;
    graphics.DrawText(text, "no signal", box);
    return;
  }
  const int x = std::clamp(kCentreX + int(std::lround(readings.Correlation() * kHalfWidth)), bar.L + 1, bar.R - 1);
  const IColor& fill = x < kCentreX ? kNegative : kPositive;
  graphics.FillRect(fill, IRect(std::min(x, kCentreX), bar.T + 2, std::max(x, kCentreX) + 1, bar.B - 2), nullptr);
  graphics.FillRect(kNeedle, IRect(x - 1, bar.T, x + 1, bar.B), nullptr);
}

void MeterPanel::DrawScope(IGraphics& graphics)
{
  const IRect area = MeterPanelLayout::Scope();
  const ScopeTrace& trace = readings.Scope();
  // Made at the first drawing: an instance whose editor never opens holds no picture.
  if (!scopePixels) scopePixels.reset(new PIX_MemBitmap(area.W(), area.H()));
  uint32_t* out = scopePixels->Pixels();
  if (out == nullptr) return;
  const int outStride = scopePixels->RowStride();
  PIX_IBitmap* face = background.data;
  uint32_t* facePixels = face ? face->Pixels() : nullptr;
  const int faceLeft = area.L - rect.L;
  const bool faceFits = facePixels && face->Width() >= faceLeft + area.W() && face->Height() >= area.B;
  for (int y = 0; y < trace.Height(); ++y) {
    for (int x = 0; x < trace.Width(); ++x) {
      const int faceRow = face && face->IsBottomUp() ? face->Height() - 1 - (area.T + y) : area.T + y;
      const uint32_t base = faceFits ? facePixels[size_t(faceRow * face->RowStride() + faceLeft + x)] : kTrack.Packed();
      out[size_t(y * outStride + x)] = Mix(base, kTrace, std::min(1.0f, trace.At(x, y)));
    }
  }
  IBitmap picture;
  picture.data = scopePixels.get();
  picture.W = area.W();
  picture.H = area.H();
  graphics.DrawBitmap(picture, area, 0, 0, nullptr);

  char label[32];
  std::snprintf(label, sizeof(label), "gain +%.0f dB", readings.ScopeGainDb());
  IText text;
  text.size = 10;
  text.color = kLabel;
  IRect box = MeterPanelLayout::ScopeGainText();
  graphics.DrawText(text, label, box);
}

void MeterPanel::DrawLevels(IGraphics& graphics)
{
  const int zeroRow = FirstLitRow(0.0);
  for (int c = 0; c < MeterReadings::kChannels; ++c) {
    const MeterReadings::Level& level = readings.LevelOf(MeterReadings::Channel(c));
    const int left = MeterPanelLayout::kBarLeft[c];
    const int right = left + MeterPanelLayout::kBarWidth;
    const int bottom = MeterPanelLayout::kLevelBottom;
    const int peakRow = FirstLitRow(level.peakDb);
    const int rmsRow = std::max(peakRow, FirstLitRow(level.rmsDb));
    if (peakRow < bottom) graphics.FillRect(kPeak, IRect(left, peakRow, right, bottom), nullptr);
    if (peakRow < zeroRow) graphics.FillRect(kPeakOver, IRect(left, peakRow, right, zeroRow), nullptr);
    if (rmsRow < bottom) graphics.FillRect(kRms, IRect(left, rmsRow, right, bottom), nullptr);
    if (rmsRow < zeroRow) graphics.FillRect(kRmsOver, IRect(left, rmsRow, right, zeroRow), nullptr);
    graphics.FillRect(level.clipped ? kClipLit : kClipOff, MeterPanelLayout::ClipLamp(c), nullptr);
  }
}
