// The editor-drawn popup menu: layout, hit testing and drawing.
#include "graphics/IMenuPanel.h"

#include "graphics/IGraphics.h"
#include "graphics/IMenu.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kTextInset = 18;  // room for the check mark
const IColor kFace(255, 245, 245, 245);
const IColor kBorder(255, 90, 90, 90);
const IColor kText(255, 20, 20, 20);
const IColor kGreyText(255, 150, 150, 150);
const IColor kHighlight(255, 60, 110, 200);
const IColor kHighlightText(255, 255, 255, 255);
}  // namespace

std::string IMenuPanel::LabelOf(const IMenu& menu, int index)
{
  const IMenuItem& item = *menu.items[size_t(index)];
  static const char* const formats[] = {"%1d: ", "%02d: ", "%03d: "};
  if (menu.prefix < 1 || menu.prefix > 3) return item.text;
  char number[16];
  std::snprintf(number, sizeof(number), formats[menu.prefix - 1], index + 1);
  return number + item.text;
}

void IMenuPanel::Open(IGraphics& graphics, IMenu& newMenu, const IRect& anchor)
{
  menu = &newMenu;
  highlighted = -1;
  style = IText();
  style.align = IText::Left;
  int widest = 40;
  for (int i = 0; i < int(menu->items.size()); ++i) {
    IRect extent(0, 0, 1000, kItemHeight);
    const std::string label = LabelOf(*menu, i) + (menu->items[size_t(i)]->submenu ? "  >" : "");
    if (graphics.MeasureText(style, label.c_str(), extent)) widest = std::max(widest, extent.W());
  }
  const int w = std::min(widest + kTextInset + 10, graphics.Width());
  const int h = std::min(int(menu->items.size()) * kItemHeight + 4, graphics.Height());
  int left = std::clamp(anchor.L, 0, std::max(0, graphics.Width() - w));
  int top = anchor.B;
  if (top + h > graphics.Height()) top = anchor.T - h;
  top = std::clamp(top, 0, std::max(0, graphics.Height() - h));
  rect = IRect(left, top, left + w, top + h);
}

bool IMenuPanel::Choosable(int index) const
{
  if (!menu || index < 0 || index >= int(menu->items.size())) return false;
  const int32_t flags = menu->items[size_t(index)]->flags;
  return !(flags & (IMenuItem::Separator | IMenuItem::Greyed | IMenuItem::Disabled));
}

int IMenuPanel::ItemAt(int x, int y) const
{
  if (!menu || !rect.Contains(x, y)) return -1;
  const int index = (y - rect.T - 2) / kItemHeight;
  return y >= rect.T + 2 && Choosable(index) ? index : -1;
}

void IMenuPanel::MoveHighlight(int step)
{
  if (!menu) return;
  const int count = int(menu->items.size());
  int index = highlighted;
  for (int tries = 0; tries < count; ++tries) {
    index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
    if (Choosable(index)) {
      highlighted = index;
      return;
    }
  }
}

void IMenuPanel::Draw(IGraphics& graphics)
{
  if (!menu) return;
  graphics.FillRect(kBorder, rect, nullptr);
  graphics.FillRect(kFace, IRect(rect.L + 1, rect.T + 1, rect.R - 1, rect.B - 1), nullptr);
  for (int i = 0; i < int(menu->items.size()); ++i) {
    const IMenuItem& item = *menu->items[size_t(i)];
    const int top = rect.T + 2 + i * kItemHeight;
    if (top + kItemHeight > rect.B) break;
    if (item.flags & IMenuItem::Separator) {
      graphics.FillRect(kGreyText, IRect(rect.L + 4, top + kItemHeight / 2, rect.R - 4, top + kItemHeight / 2 + 1),
                        nullptr);
      continue;
    }
    const bool lit = i == highlighted;
    if (lit) graphics.FillRect(kHighlight, IRect(rect.L + 2, top, rect.R - 2, top + kItemHeight), nullptr);
    const bool grey = (item.flags & (IMenuItem::Greyed | IMenuItem::Disabled)) != 0;
    style.color = lit ? kHighlightText : grey ? kGreyText : kText;
    if (item.flags & IMenuItem::Checked)
      graphics.FillRect(style.color, IRect(rect.L + 6, top + 6, rect.L + 12, top + 12), nullptr);
    const std::string label = LabelOf(*menu, i) + (item.submenu ? "  >" : "");
    IRect box(rect.L + kTextInset, top + (kItemHeight - style.size) / 2 - 1, rect.R - 4, top + kItemHeight);
    graphics.DrawText(style, label.c_str(), box);
  }
}
