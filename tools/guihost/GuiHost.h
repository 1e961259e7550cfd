// What a Windows host does around a plug-in editor: a top-level window of its own
// for the editor to open in, a message loop, the window's pixels, and input as
// the window system delivers it (posted mouse, wheel, key and character messages).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace guihost {

// The editor's window class and its redraw timer.
constexpr char kEditorClass[] = "BrindleWndClass";
constexpr UINT_PTR kEditorTimer = 2;

// Pixels of a window as the screen shows them: 0x00RRGGBB, top row first.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

class HostWindow {
public:
  // A visible top-level window with its client area at (x, y) on the screen.
  HostWindow(int x, int y, int width, int height);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Handle() const { return window; }
  // The editor window inside, or null; and how many there are.
  HWND Editor() const;
  int EditorCount() const;
  // Destroys the window (and whatever the plug-in left in it) now.
  void Destroy();

private:
  HWND window = nullptr;
};

// A key message that reached a host window (an editor passes on keys it does not take).
struct HostKey {
  bool down;
  WPARAM virtualKey;
};
// The key messages host windows received since the last call.
std::vector<HostKey> TakeHostKeys();

// Runs the thread's messages for about this long.
void Pump(int milliseconds);
// Runs messages until `editor` has handled `ticks` timer ticks after this call;
// returns how many it saw before `limitMilliseconds` ran out.
int PumpTicks(HWND editor, int ticks, int limitMilliseconds = 10000);

// BitBlt from the window's own device context (PrintWindow gives white under Wine).
Capture CaptureWindow(HWND window);

// Posted as the window system would post them; coordinates are the window's.
void Click(HWND window, int x, int y, bool right = false);
// `keys` adds MK_SHIFT or MK_CONTROL to the button state of the moves.
void Drag(HWND window, int x, int y, int dX, int dY, WPARAM keys = 0);
void DoubleClick(HWND window, int x, int y);
void Wheel(HWND window, int x, int y, int delta);
void Key(HWND window, WPARAM virtualKey);
void Type(HWND window, const std::string& characters);

// The text-entry field inside the editor, or null.
HWND EntryField(HWND editor);
std::string WindowText(HWND window);

}  // namespace guihost
