// The editor on Windows: a child window in the host's window, redrawn from the
// off-screen surface by a timer, with mouse and keys, an in-place text entry,
// native popup menus and the small platform services of the graphics core.
#pragma once

#include "graphics/IGraphics.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

class IGraphicsWin : public IGraphics {
public:
  IGraphicsWin(IEffectBase* plug, int width, int height, int fps);
  ~IGraphicsWin() override;

  bool PresentToScreen(const IRect& area) override;
  void CancelTextEntry() override;
  void Resize(int width, int height) override;
  const char* WindowPlatformType() const override { return "HWND"; }
  const char* GetDrawingApiName() override { return "Windows GDI"; }
  int ShowAlert(const char* text, const char* caption, int type) override;
  IMenu* ShowPopupMenu(IMenu& menu, const IRect& anchor) override;
  void OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                     IParam* param) override;
  void GetHostFolder(std::string* out) override;
  void GetModuleFolder(std::string* out) override;
  void GetDesktopFolder(std::string* out) override;
  void GetAppDataFolder(std::string* out, bool system) override;
  void GetSafeAppDataFolder(std::string* out) override;
  void AskForFile(std::string* file, int action, std::string* folder, const char* extensions) override;
  bool AskForColor(IColor& color, const char* title) override;
  bool OpenWebAddress(const char* url, const char* title, const char* confirmation, const char* failure) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return window; }
  bool ReadClipboardText(std::string* out) override;
  void HideCursor() override;
  void RestoreCursor() override;
  PIX_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) override;

  // The module whose resources and window class the editor uses.
  void SetInstance(HINSTANCE module) { instance = module; }
  // Open editor windows of this module in the process (the class lives while > 0).
  static int ClassUseCount();
  // The text-entry field while one is open, else null.
  HWND EditWindow() const { return editWindow; }
  int EditState() const { return editState; }

  // Item texts of a native menu as the user sees them (numbering prefix applied).
  static std::string MenuItemText(const IMenu& menu, int index);

private:
  enum EditState { kEditIdle = 0, kEditFocused = 1, kEditRedrawn = 2, kEditCancel = 3, kEditCommit = 4 };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleEditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Tick();
  void CommitTextEntry();
  void DestroyTextEntry();
  // The window went away (closed by us or destroyed with the host's window).
  void ForgetWindow();
  HWND FindMainWindow();

  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  HWND editWindow = nullptr;
  IControl* editControl = nullptr;
  IParam* editParam = nullptr;
  WNDPROC editDefaultProc = nullptr;
  int editState = kEditIdle;
  HFONT editFont = nullptr;
  COLORREF* customColors = nullptr;
  DWORD processId = 0;
  HWND parentWindow = nullptr;
  HWND mainWindow = nullptr;
  std::string mainWindowClass;
};
