// Popup menu records: what the core builds for a value prompt and the platform shows.
#pragma once

#include <memory>
#include <string>
#include <vector>

class IMenu;

struct IMenuItem {
  enum Flags : int32_t { Greyed = 1, Disabled = 2, Checked = 4, Separator = 8 };
  std::string text;
  std::unique_ptr<IMenu> submenu;
  int32_t flags = 0;
};

class IMenu {
public:
  // 0 no numbering; 1, 2 or 3 digits of 1-based position before each text.
  int32_t prefix = 0;
  int32_t chosenItemIndex = -1;
  std::vector<std::unique_ptr<IMenuItem>> items;

  IMenuItem* AddItem(const char* text, int32_t flags = 0)
  {
    items.push_back(std::make_unique<IMenuItem>());
    items.back()->text = text ? text : "";
    items.back()->flags = flags;
    return items.back().get();
  }
};
