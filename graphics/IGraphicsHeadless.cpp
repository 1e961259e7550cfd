// An editor platform with no window, drawing into memory only.
#include "graphics/IGraphicsHeadless.h"

#include "graphics/IControl.h"
#include "graphics/ModuleInstance.h"

#include "PixPng.h"

bool IGraphicsHeadless::PresentToScreen(const IRect&)
{
  ++presentCount;
  return true;
}

IMenu* IGraphicsHeadless::ShowPopupMenu(IMenu& menu, const IRect& anchor)
{
  ReleaseCapture();
  ++lastMenu.count;
  lastMenu.rect = anchor;
  lastMenu.items.clear();
  for (const auto& item : menu.items) {
    if (!lastMenu.items.empty()) lastMenu.items += '|';
    lastMenu.items += item->text;
    if (item->flags & IMenuItem::Checked) lastMenu.items += '*';
  }
  const int choice = nextMenuChoice;
  nextMenuChoice = -1;
  if (choice < 0 || choice >= int(menu.items.size())) return nullptr;
  menu.chosenItemIndex = choice;
  return &menu;
}

void IGraphicsHeadless::OpenTextEntry(IControl* control, const IText&, const IRect& rect, const char* initialText,
                                      IParam*)
{
  if (!control) return;
  ++lastTextEntry.count;
  lastTextEntry.rect = rect;
  lastTextEntry.entryText = initialText ? initialText : "";
}

void* IGraphicsHeadless::OpenWindow(void*)
{
  for (IControl* control : controls) control->MarkDirty(false);
  return nullptr;
}

bool IGraphicsHeadless::ReadClipboardText(std::string* out)
{
  Clear(out);
  return false;
}

PIX_IBitmap* IGraphicsHeadless::LoadPlatformBitmap(int resourceId, const char*)
{
  return LoadPngResource(ModuleInstance(), uint32_t(resourceId));
}

bool IGraphicsHeadless::Tick()
{
  IRect area;
  if (!CollectDirty(area)) return false;
  Draw(area);
  return true;
}
