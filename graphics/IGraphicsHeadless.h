// An editor platform with no window: draws into its off-screen surface only. It
// stands in for the window system wherever there is none (tests, tools, and the
// modules until their window arrives). Menus answer with a chosen item set in
// advance; text entries are recorded, not shown.
#pragma once

#include "graphics/IGraphics.h"

#include <string>

class IGraphicsHeadless : public IGraphics {
public:
  using IGraphics::IGraphics;

  bool PresentToScreen(const IRect& area) override;
  void CancelTextEntry() override {}
  const char* GetDrawingApiName() override { return "Headless"; }
  int ShowAlert(const char*, const char*, int) override { return 0; }
  IMenu* ShowPopupMenu(IMenu& menu, const IRect& anchor) override;
  void OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                     IParam* param) override;
  void GetHostFolder(std::string* out) override { Clear(out); }
  void GetModuleFolder(std::string* out) override { Clear(out); }
  void GetDesktopFolder(std::string* out) override { Clear(out); }
  void GetAppDataFolder(std::string* out, bool) override { Clear(out); }
  void GetSafeAppDataFolder(std::string* out) override { Clear(out); }
  void AskForFile(std::string* file, int, std::string*, const char*) override { Clear(file); }
  bool AskForColor(IColor&, const char*) override { return false; }
  bool OpenWebAddress(const char*, const char*, const char*, const char*) override { return false; }
  // There is no window to give a host: opening answers null (so a host wrapper
  // reports the editor as not opened) but marks every control dirty, as an
  // opened window does, so that the next Tick draws everything.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  bool ReadClipboardText(std::string* out) override;
  PIX_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;

  // One timer tick of an open window: collect the dirty area and draw it.
  // Returns whether anything was drawn.
  bool Tick();

  // Scripted answer of the next popup menu: the item index, or -1 for none.
  void SetNextMenuChoice(int index) { nextMenuChoice = index; }
  // What the last popup menu and text entry were asked to show.
  struct Prompt {
    int count = 0;
    std::string items;  // the menu's item texts joined with '|', a '*' after a checked one
    std::string entryText;
    IRect rect;
  };
  const Prompt& LastMenu() const { return lastMenu; }
  const Prompt& LastTextEntry() const { return lastTextEntry; }
  int PresentCount() const { return presentCount; }

private:
  static void Clear(std::string* out)
  {
    if (out) out->clear();
  }

  int presentCount = 0;
  int nextMenuChoice = -1;
  Prompt lastMenu;
  Prompt lastTextEntry;
};
