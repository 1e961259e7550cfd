// The editor's window on Linux: an X11 child of the host's window. It paints from
// the off-screen surface, turns X events into the core's mouse and key events and
// is paced by the host (a run loop's timer and descriptor, or idle calls), since
// no thread of ours may touch X. Text entry and menus are drawn by the editor.
#pragma once

#include "graphics/IGraphics.h"
#include "graphics/IMenuPanel.h"
#include "graphics/ITextEntry.h"

#include <chrono>
#include <memory>

class IGraphicsLinux : public IGraphics {
public:
  IGraphicsLinux(IEffectBase* plug, int width, int height, int fps);
  ~IGraphicsLinux() override;

  bool PresentToScreen(const IRect& area) override;
  void CancelTextEntry() override;
  const char* WindowPlatformType() const override { return "X11EmbedWindowID"; }
  const char* GetDrawingApiName() override { return "X11"; }
  // Without a toolkit there is no message box, file or colour dialog, clipboard
  // or browser to hand a web address to: these answer "not available".
  int ShowAlert(const char*, const char*, int) override { return 0; }
  IMenu* ShowPopupMenu(IMenu& menu, const IRect& anchor) override;
  void OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                     IParam* param) override;
  void GetHostFolder(std::string* out) override;
  void GetModuleFolder(std::string* out) override;
  void GetDesktopFolder(std::string* out) override;
  void GetAppDataFolder(std::string* out, bool system) override;
  void GetSafeAppDataFolder(std::string* out) override { GetAppDataFolder(out, false); }
  void AskForFile(std::string* file, int, std::string*, const char*) override;
  bool AskForColor(IColor&, const char*) override { return false; }
  bool OpenWebAddress(const char*, const char*, const char*, const char*) override { return false; }
  // parent is the host's X window id. Returns our window's id, or null.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override;
  bool ReadClipboardText(std::string* out) override;
  PIX_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;

  int WindowEventDescriptor() const override;
  void HandleWindowEvents() override;
  void TimerTick() override;
  void Idle() override;

  // For tests: the open text entry (closed when none is open).
  const ITextEntry& TextEntry() const { return entry; }

private:
  struct Connection;
  void DispatchEvent(void* event);
  // Unused keys go to the host's window that takes keys, named in the event.
  unsigned long KeyTargetWindow();
  void ForwardKey(void* event);
  // The menu's own event loop, until an item is chosen or the menu dismissed.
  void RunMenu();
  // One event while the menu is open; false once the menu is done.
  bool MenuEvent(void* event, int& pressedItem);
  void Redraw(const IRect& area);
  // The editor area that must be drawn again once the entry or menu is gone.
  void Uncover(const IRect& area);

  std::unique_ptr<Connection> x;
  ITextEntry entry;
  IMenuPanel menuPanel;
  IRect uncovered;
  std::chrono::steady_clock::time_point lastTick;
  // Double clicks are made of two presses close in time and place.
  unsigned long lastPressTime = 0;
  int lastPressX = -100, lastPressY = -100;
};
