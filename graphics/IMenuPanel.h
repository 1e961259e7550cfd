// A popup menu that the editor draws itself, for platforms without native menus:
// the layout of an IMenu's items below an anchor, hit testing and drawing. The
// platform runs the interaction and reports the choice in the IMenu.
#pragma once

#include "graphics/IGraphicsTypes.h"

#include <string>

class IGraphics;
class IMenu;

class IMenuPanel {
public:
  static constexpr int kItemHeight = 18;

  // Lays the menu out at the anchor's bottom-left corner, or above the anchor when
  // it would leave the editor at the bottom; kept within the editor when it can be.
  void Open(IGraphics& graphics, IMenu& menu, const IRect& anchor);
  void Close() { menu = nullptr; }
  bool IsOpen() const { return menu != nullptr; }
  IMenu* Menu() const { return menu; }
  const IRect& Rect() const { return rect; }

  // The item under the point that can be chosen (not a separator, greyed or
  // disabled), or -1.
  int ItemAt(int x, int y) const;
  int Highlighted() const { return highlighted; }
  void Highlight(int index) { highlighted = index; }
  // The next choosable item after (step 1) or before (step -1) the highlighted one.
  void MoveHighlight(int step);
  void Draw(IGraphics& graphics);

  // An item's text with the menu's numbering: "%1d: ", "%02d: " or "%03d: " before it.
  static std::string LabelOf(const IMenu& menu, int index);

private:
  bool Choosable(int index) const;

  IMenu* menu = nullptr;
  IRect rect;
  IText style;
  int highlighted = -1;
};
