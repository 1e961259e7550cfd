// A row of three radio buttons over one parameter.
#include "graphics/IRadioButtonsControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace {
constexpr int kButtonCount = 3;
}

IRadioButtonsControl::IRadioButtonsControl(IEffectBase* plug_, const IRect& rect_, int paramIndex_,
                                           const IBitmap& bitmap_)
  : IControl(plug_, rect_, paramIndex_), bitmap(bitmap_)
{
  const int w = bitmap.W;
  const int frameHeight = int(double(bitmap.H) / double(bitmap.N > 0 ? bitmap.N : 1));
  const int gap = int((rect.R - kButtonCount * w - rect.L) * 0.5);
  int left = rect.L;
  for (int i = 0; i < kButtonCount; ++i) {
    buttonRects.emplace_back(left, rect.T, left + w, rect.T + frameHeight);
    left += w + gap;
  }
}

void IRadioButtonsControl::MouseDown(int x, int y, const IMouseMods& mods)
{
  if (mods.R) {
    OpenValuePrompt();
    return;
  }
  const int count = int(buttonRects.size());
  for (int i = 0; i < count; ++i) {
    if (buttonRects[size_t(i)].Contains(x, y)) {
      SetValue(double(i) / double(count - 1));
      break;
    }
  }
  MarkDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics& graphics)
{
  const int count = int(buttonRects.size());
  const int active = std::clamp(int((count - 1) * Value() + 0.5), 0, count - 1);
  int onOffset = 0;
  if (bitmap.N >= 2)
    onOffset = int((bitmap.framesAreHorizontal ? double(bitmap.W) : double(bitmap.H)) / bitmap.N + 0.5);
  const IBlend blend = GetBlend();
  for (int i = 0; i < count; ++i) {
    const int offset = i == active ? onOffset : 0;
    if (bitmap.framesAreHorizontal)
      graphics.DrawBitmap(bitmap, buttonRects[size_t(i)], offset, 0, &blend);
    else
      graphics.DrawBitmap(bitmap, buttonRects[size_t(i)], 0, offset, &blend);
  }
  return true;
}
