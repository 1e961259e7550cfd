// Host-side window, message loop, capture and input for the editor tests.
#include "GuiHost.h"

namespace guihost {

namespace {

const char kHostClass[] = "BrindleGuiHostWindow";

std::vector<HostKey> hostKeys;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_KEYDOWN || message == WM_KEYUP) hostKeys.push_back({message == WM_KEYDOWN, wParam});
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterHostClass()
{
  static bool registered = false;
  if (registered) return;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = kHostClass;
  registered = RegisterClassA(&windowClass) != 0;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace

HostWindow::HostWindow(int x, int y, int width, int height)
{
  RegisterHostClass();
  window = CreateWindowExA(0, kHostClass, "Brindle GUI host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                           height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump(20);
}

HostWindow::~HostWindow() { Destroy(); }

void HostWindow::Destroy()
{
  if (window) DestroyWindow(window);
  window = nullptr;
  Pump(10);
}

HWND HostWindow::Editor() const
{
  return window ? FindWindowExA(window, nullptr, kEditorClass, nullptr) : nullptr;
}

int HostWindow::EditorCount() const
{
  int count = 0;
  for (HWND child = Editor(); child; child = FindWindowExA(window, child, kEditorClass, nullptr)) ++count;
  return count;
}

std::vector<HostKey> TakeHostKeys()
{
  std::vector<HostKey> keys;
  keys.swap(hostKeys);
  return keys;
}

void Pump(int milliseconds)
{
  const ULONGLONG end = GetTickCount64() + ULONGLONG(milliseconds);
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount64() < end);
}

int PumpTicks(HWND editor, int ticks, int limitMilliseconds)
{
  const ULONGLONG end = GetTickCount64() + ULONGLONG(limitMilliseconds);
  int seen = 0;
  while (seen < ticks && GetTickCount64() < end) {
    MSG message;
    while (seen < ticks && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      const bool tick = message.message == WM_TIMER && message.hwnd == editor && message.wParam == kEditorTimer;
      TranslateMessage(&message);
      DispatchMessageA(&message);
      if (tick) ++seen;
    }
    if (seen < ticks) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return seen;
}

Capture CaptureWindow(HWND window)
{
  Capture capture;
  RECT client;
  if (!window || !GetClientRect(window, &client)) return capture;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section && bits) {
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    capture.width = width;
    capture.height = height;
    const auto* pixels = static_cast<const uint32_t*>(bits);
    capture.pixels.assign(pixels, pixels + size_t(width) * size_t(height));
    for (uint32_t& pixel : capture.pixels) pixel &= 0xFFFFFFu;
    SelectObject(memory, previous);
  }
  if (section) DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return capture;
}

void Click(HWND window, int x, int y, bool right)
{
  const WPARAM button = right ? MK_RBUTTON : MK_LBUTTON;
  PostMessageA(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, button, Point(x, y));
  PostMessageA(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, Point(x, y));
}

void Drag(HWND window, int x, int y, int dX, int dY, WPARAM keys)
{
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, Point(x, y));
  PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | keys, Point(x + dX / 2, y + dY / 2));
  PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | keys, Point(x + dX, y + dY));
  PostMessageA(window, WM_LBUTTONUP, keys, Point(x + dX, y + dY));
}

void DoubleClick(HWND window, int x, int y)
{
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, Point(x, y));
  PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, Point(x, y));
}

void Wheel(HWND window, int x, int y, int delta)
{
  // The wheel message carries screen coordinates.
  POINT screen{x, y};
  ClientToScreen(window, &screen);
  PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(delta))), Point(screen.x, screen.y));
}

void Key(HWND window, WPARAM virtualKey)
{
  PostMessageA(window, WM_KEYDOWN, virtualKey, 1);
  PostMessageA(window, WM_KEYUP, virtualKey, LPARAM(0xC0000001u));
}

void Type(HWND window, const std::string& characters)
{
  for (char c : characters) PostMessageA(window, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

HWND EntryField(HWND editor) { return editor ? FindWindowExA(editor, nullptr, "EDIT", nullptr) : nullptr; }

std::string WindowText(HWND window)
{
  char text[256] = {};
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace guihost
