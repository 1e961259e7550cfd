// The editor on Windows: window class and child window, timer-paced redraws from
// the off-screen surface, mouse and keys, the in-place text entry, native popup
// menus and the platform services (dialogs, folders, clipboard, web address).
#include "graphics/IGraphicsWin.h"

#include "framework/IEffectBase.h"
#include "graphics/IControl.h"
#include "graphics/ModuleInstance.h"

#include "PixPng.h"
#include "PixSysBitmap.h"

#include <commdlg.h>
#include <shlobj.h>
#include <wininet.h>
#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char kWindowClass[] = "BrindleWndClass";
const char kWindowTitle[] = "Brindle";
constexpr UINT_PTR kTimerId = 2;
constexpr int kEditControlId = 0x63;
// Marks our text-entry field in its user data.
constexpr LONG_PTR kEditMarker = 0xDEADF00B;
constexpr int kWheelNotch = 120;

// Process-wide, touched only on the thread of the host's windows.
int classUseCount = 0;
double redrawRate = 25.0;

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure)
{
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  // A class left behind by a window that the host destroyed with its own still serves.
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ReleaseWindowClass(HINSTANCE instance)
{
  if (classUseCount > 0 && --classUseCount == 0) UnregisterClassA(kWindowClass, instance);
}

IMouseMods ModsOf(WPARAM keyState)
{
  IMouseMods mods;
  mods.L = (keyState & MK_LBUTTON) != 0;
  mods.R = (keyState & MK_RBUTTON) != 0;
  mods.S = (keyState & MK_SHIFT) != 0;
  mods.C = (keyState & MK_CONTROL) != 0;
  mods.A = GetKeyState(VK_MENU) < 0;
  return mods;
}

// The graphics core's key code, or -1 for keys it has none for.
int KeyCodeOf(WPARAM virtualKey)
{
  switch (virtualKey) {
  case VK_SPACE: return kKeySpace;
  case VK_UP: return kKeyUp;
  case VK_DOWN: return kKeyDown;
  case VK_LEFT: return kKeyLeft;
  case VK_RIGHT: return kKeyRight;
  default: break;
  }
  if (virtualKey >= 0x30 && virtualKey <= 0x39) return kKeyDigit0 + int(virtualKey - 0x30);
  if (virtualKey >= 0x41 && virtualKey <= 0x5A) return kKeyLetterA + int(virtualKey - 0x41);
  if (virtualKey >= 0x61 && virtualKey <= 0x7A) return kKeyLetterA + int(virtualKey - 0x61);
  return -1;
}

// Whether a typed character may enter the field of a parameter of this kind.
bool CharacterPasses(const IParam* param, WPARAM character)
{
  if (!param || character == VK_BACK) return true;
  const ParamKind kind = param->Kind();
  if (kind != ParamKind::Bool && kind != ParamKind::Enum && kind != ParamKind::Double) return true;
  if (character == '+' || character == '-' || (character >= '0' && character <= '9')) return true;
  return kind == ParamKind::Double && character == '.';
}

bool OwnedByThisThread(HWND hwnd)
{
  return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

IGraphicsWin* EditorOf(HWND hwnd)
{
  return hwnd ? reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
}

// The folder part of a path: up to and including the last backslash; empty when
// there is none or the path ends with one.
std::string FolderOf(const char* path)
{
  const char* slash = std::strrchr(path, '\\');
  if (!slash || slash[1] == '\0') return std::string();
  return std::string(path, size_t(slash - path + 1));
}

std::string ShellFolder(int folderId)
{
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
  return path;
}

void Store(std::string* out, const std::string& value)
{
  if (out) *out = value;
}

// Builds the native menu; `ids` hands out identifiers block by block, `menus`
// records each menu with the first identifier of its block.
HMENU BuildNativeMenu(IMenu& menu, UINT& nextId, std::vector<std::pair<IMenu*, UINT>>& menus)
{
  HMENU native = CreatePopupMenu();
  const UINT first = nextId;
  menus.emplace_back(&menu, first);
  nextId += UINT(menu.items.size());
  for (size_t i = 0; i < menu.items.size(); ++i) {
    IMenuItem& item = *menu.items[i];
    const std::string text = IGraphicsWin::MenuItemText(menu, int(i));
    if (item.flags & IMenuItem::Separator) {
      AppendMenuA(native, MF_SEPARATOR, 0, nullptr);
    } else if (item.submenu) {
      HMENU sub = BuildNativeMenu(*item.submenu, nextId, menus);
      AppendMenuA(native, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      UINT flags = MF_STRING;
      if (item.flags & IMenuItem::Greyed) flags |= MF_GRAYED;
      if (item.flags & IMenuItem::Disabled) flags |= MF_DISABLED;
      if (item.flags & IMenuItem::Checked) flags |= MF_CHECKED;
      AppendMenuA(native, flags, first + UINT(i), text.c_str());
    }
  }
  return native;
}

UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
  if (message == WM_INITDIALOG) {
    const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const char* title = reinterpret_cast<const char*>(choose->lCustData);
    if (title && title[0]) SetWindowTextA(dialog, title);
  }
  return 0;
}

}  // namespace

IGraphicsWin::IGraphicsWin(IEffectBase* plug_, int width_, int height_, int fps_)
  : IGraphics(plug_, width_, height_, fps_), instance(static_cast<HINSTANCE>(ModuleInstance()))
{
}

IGraphicsWin::~IGraphicsWin()
{
  CloseWindow();
  delete[] customColors;
}

int IGraphicsWin::ClassUseCount() { return classUseCount; }

// ---- Window ----

void* IGraphicsWin::OpenWindow(void* parent)
{
  HWND parentHandle = static_cast<HWND>(parent);
  if (!parentHandle) return nullptr;
  parentWindow = parentHandle;
  int x = 0, y = 0, w = width, h = height;
  if (window) {
    // Reopened while open: the new window keeps the old one's place and size.
    RECT bounds;
    GetWindowRect(window, &bounds);
    POINT corner{bounds.left, bounds.top};
    ScreenToClient(parentWindow, &corner);
    x = corner.x;
    y = corner.y;
    w = bounds.right - bounds.left;
    h = bounds.bottom - bounds.top;
    CloseWindow();
  }
  if (classUseCount == 0 && !RegisterWindowClass(instance, WindowProc)) return nullptr;
  ++classUseCount;
  redrawRate = fps > 0 ? fps : 25;
  HWND created = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD | WS_VISIBLE, x, y, w, h, parentHandle,
                                 nullptr, instance, this);
  if (!created) {
    window = nullptr;
    ReleaseWindowClass(instance);
    return nullptr;
  }
  window = created;
  for (IControl* control : controls) control->MarkDirty(false);
  return window;
}

void IGraphicsWin::CloseWindow()
{
  if (!window) return;
  HWND closing = window;
  // The field dies with its parent; nothing may point at it afterwards.
  DestroyTextEntry();
  // Messages still on their way find no editor behind the window.
  SetWindowLongPtrA(closing, GWLP_USERDATA, 0);
  window = nullptr;
  if (OwnedByThisThread(closing)) {
    KillTimer(closing, kTimerId);
    DestroyWindow(closing);
  } else {
    // A host that destroys the plug-in on another thread: only the window's own
    // thread may destroy it, so it stays, hidden and inert, until the host
    // destroys its own window.
    ShowWindowAsync(closing, SW_HIDE);
  }
  ReleaseWindowClass(instance);
}

void IGraphicsWin::ForgetWindow()
{
  // The host destroyed its window, and ours and the field with it, before
  // closing the editor.
  editWindow = nullptr;
  DestroyTextEntry();
  window = nullptr;
  // The class cannot go while the dying window exists; registering again copes.
  if (classUseCount > 0) --classUseCount;
}

LRESULT CALLBACK IGraphicsWin::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* editor = static_cast<IGraphicsWin*>(create->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    if (editor) editor->window = hwnd;
    SetTimer(hwnd, kTimerId, UINT(1000.0 / redrawRate), nullptr);
    SetFocus(hwnd);
    return 0;
  }
  IGraphicsWin* editor = EditorOf(hwnd);
  // A window that outlived its editor (or not ours) gets the default handling.
  if (!editor || editor->window != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
  return editor->HandleMessage(hwnd, message, wParam, lParam);
}

LRESULT IGraphicsWin::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    ForgetWindow();
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  // Fresh focus in the field: a press in the editor cancels the entry, other
  // input is left alone. Painting and the timer carry on.
  if (editWindow && editState == kEditFocused) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      editState = kEditCancel;
      return 0;
    case WM_TIMER:
    case WM_PAINT:
    case WM_CTLCOLOREDIT:
    case WM_CLOSE:
      break;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
  }

  switch (message) {
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    return 0;
  case WM_PAINT: {
    RECT update;
    if (GetUpdateRect(hwnd, &update, FALSE)) Draw(IRect(update.left, update.top, update.right, update.bottom));
    // An editor without controls presents nothing; the area must still count as
    // painted, or the window would be asked again at once.
    ValidateRect(hwnd, nullptr);
    return 0;
  }
  case WM_CLOSE:
    CloseWindow();
    return 0;
  case WM_KEYDOWN: {
    const int key = KeyCodeOf(wParam);
    if (key >= 0) {
      POINT cursor;
      GetCursorPos(&cursor);
      ScreenToClient(hwnd, &cursor);
      if (KeyDown(cursor.x, cursor.y, key)) return 0;
    }
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top && top != hwnd) SendMessageA(top, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  case WM_KEYUP: {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top && top != hwnd) SendMessageA(top, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  case WM_TIMER:
    if (wParam == kTimerId) {
      Tick();
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  case WM_CTLCOLOREDIT: {
    if (!editWindow || !editControl) return 0;
    const IText& style = editControl->GetText();
    HDC dc = reinterpret_cast<HDC>(wParam);
    const COLORREF background = RGB(style.entryBackground.R, style.entryBackground.G, style.entryBackground.B);
    SetBkColor(dc, background);
    SetTextColor(dc, RGB(style.entryForeground.R, style.entryForeground.G, style.entryForeground.B));
    SetBkMode(dc, OPAQUE);
    SetDCBrushColor(dc, background);
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
  }
  case WM_MOUSEMOVE:
    if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == hwnd && !editWindow)
      MouseMovedWithButton(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), ModsOf(wParam));
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
    if (editWindow) {
      editState = kEditCommit;
    } else {
      SetFocus(hwnd);
      SetCapture(hwnd);
      MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), ModsOf(wParam));
    }
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
    ::ReleaseCapture();
    MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), ModsOf(wParam));
    return 0;
  case WM_LBUTTONDBLCLK:
    if (MouseDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), ModsOf(wParam))) SetCapture(hwnd);
    return 0;
  case WM_MOUSEWHEEL:
    if (editWindow) {
      editState = kEditCancel;
    } else {
      RECT bounds;
      GetWindowRect(hwnd, &bounds);
      const int x = GET_X_LPARAM(lParam) - bounds.left;
      const int y = GET_Y_LPARAM(lParam) - bounds.top;
      MouseWheel(x, y, ModsOf(GET_KEYSTATE_WPARAM(wParam)), GET_WHEEL_DELTA_WPARAM(wParam) / kWheelNotch);
    }
    return 0;
  default:
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void IGraphicsWin::Tick()
{
  if (editWindow && editState != kEditIdle) {
    if (editState == kEditCancel) {
      DestroyTextEntry();
    } else if (editState == kEditCommit) {
      CommitTextEntry();
      DestroyTextEntry();
    } else {
      editState = kEditIdle;
    }
    return;
  }
  IRect dirty;
  if (!CollectDirty(dirty)) return;
  RECT area{dirty.L, dirty.T, dirty.R, dirty.B};
  InvalidateRect(window, &area, FALSE);
  if (editWindow) {
    // Keep the field from being painted over.
    const IRect& field = editControl->GetRect();
    RECT fieldArea{field.L, field.T, field.R, field.B};
    ValidateRect(window, &fieldArea);
    UpdateWindow(window);
    editState = kEditRedrawn;
  } else {
    UpdateWindow(window);
  }
}

bool IGraphicsWin::PresentToScreen(const IRect& area)
{
  if (!window || !surface) return true;
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  if (target && surface->DeviceContext())
    BitBlt(target, area.L, area.T, area.W(), area.H(), static_cast<HDC>(surface->DeviceContext()), area.L, area.T,
           SRCCOPY);
  EndPaint(window, &paint);
  return true;
}

void IGraphicsWin::Resize(int newWidth, int newHeight)
{
  if (newWidth == width && newHeight == height) return;
  const int dw = newWidth - width;
  const int dh = newHeight - height;
  IGraphics::Resize(newWidth, newHeight);
  if (!window) return;
  auto outerSize = [](HWND hwnd, int& w, int& h) {
    RECT bounds;
    GetWindowRect(hwnd, &bounds);
    w = bounds.right - bounds.left;
    h = bounds.bottom - bounds.top;
  };
  auto isChild = [](HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
    return hwnd && (style & WS_CHILD) && !(exStyle & WS_EX_MDICHILD);
  };
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  int w = 0, h = 0;
  outerSize(window, w, h);
  SetWindowPos(window, nullptr, 0, 0, w + dw, h + dh, flags);
  if (plug && plug->PluginFormat() != 1 && isChild(window)) {
    HWND parent = ::GetParent(window);
    if (parent) {
      HWND grandparent = isChild(parent) ? ::GetParent(parent) : nullptr;
      outerSize(parent, w, h);
      SetWindowPos(parent, nullptr, 0, 0, w + dw, h + dh, flags);
      if (grandparent) {
        outerSize(grandparent, w, h);
        SetWindowPos(grandparent, nullptr, 0, 0, w + dw, h + dh, flags);
      }
    }
  }
  InvalidateRect(window, nullptr, FALSE);
}

// ---- Text entry ----

void IGraphicsWin::OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                                 IParam* param)
{
  if (!control || editWindow || !window) return;
  DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL;
  if (text.align == IText::Centre) style |= ES_CENTER;
  if (text.align == IText::Right) style |= ES_RIGHT;
  HWND field = CreateWindowExA(0, "EDIT", initialText ? initialText : "", style, rect.L, rect.T, rect.R - rect.L + 1,
                               rect.B - rect.T + 1, window, reinterpret_cast<HMENU>(INT_PTR(kEditControlId)),
                               instance, nullptr);
  if (!field) return;
  editFont = CreateFontA(text.size, 0, 0, 0, text.style == IText::Bold ? FW_BOLD : FW_DONTCARE,
                         text.style == IText::Italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, text.font);
  if (editFont) SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), FALSE);
  SendMessageA(field, EM_LIMITTEXT, WPARAM(control->EntryMaxChars()), 0);
  SendMessageA(field, EM_SETSEL, 0, -1);
  SetFocus(field);
  editWindow = field;
  editDefaultProc =
    reinterpret_cast<WNDPROC>(SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  SetWindowLongPtrA(field, GWLP_USERDATA, kEditMarker);
  editParam = param;
  editControl = control;
}

void IGraphicsWin::CancelTextEntry() { editState = kEditCancel; }

LRESULT CALLBACK IGraphicsWin::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  IGraphicsWin* editor = EditorOf(::GetParent(hwnd));
  if (editor && editor->editWindow == hwnd && editor->editDefaultProc)
    return editor->HandleEditMessage(hwnd, message, wParam, lParam);
  // The editor is gone (or the field no longer its own): the class's procedure
  // is the field's own one.
  WNDCLASSA editClass = {};
  if (GetClassInfoA(nullptr, "EDIT", &editClass) && editClass.lpfnWndProc != EditProc)
    return CallWindowProcA(editClass.lpfnWndProc, hwnd, message, wParam, lParam);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT IGraphicsWin::HandleEditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_SETFOCUS:
    editState = kEditFocused;
    break;
  case WM_KILLFOCUS:
    editState = kEditCommit;
    break;
  case WM_KEYDOWN:
    if (wParam == VK_RETURN) {
      editState = kEditCommit;
      return 0;
    }
    if (wParam == VK_ESCAPE) {
      editState = kEditCancel;
      return 0;
    }
    break;
  case WM_CHAR:
    // Enter and Escape arrive as characters too once their key went through.
    if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
    if (editParam && !CharacterPasses(editParam, wParam)) return 0;
    break;
  case WM_GETDLGCODE:
    if (!editParam) {
      LRESULT code = CallWindowProcA(editDefaultProc, hwnd, message, wParam, lParam);
      const MSG* queried = reinterpret_cast<const MSG*>(lParam);
      if (queried && queried->message == WM_KEYDOWN && queried->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
      return code;
    }
    break;
  case WM_COMMAND:
    if (HIWORD(wParam) == 1) {
      editState = kEditCommit;
      return 0;
    }
    break;
  default:
    break;
  }
  return CallWindowProcA(editDefaultProc, hwnd, message, wParam, lParam);
}

void IGraphicsWin::CommitTextEntry()
{
  if (!editWindow || !editControl) return;
  char typed[32] = {};
  GetWindowTextA(editWindow, typed, sizeof typed);
  if (!editParam) {
    editControl->ReceiveEnteredText(typed);
    return;
  }
  double value = 0.0;
  const ParamKind kind = editParam->Kind();
  if (kind == ParamKind::Bool || kind == ParamKind::Enum) {
    double found = 0.0;
    if (editParam->LookupDisplayText(typed, &found)) value = double(int(found));
  } else {
    value = std::atof(typed);
    if (editParam->NegateDisplay()) value = -value;
  }
  editControl->TakeUserValue(editParam->NormalizedOf(value));
}

void IGraphicsWin::DestroyTextEntry()
{
  if (editWindow) {
    HWND field = editWindow;
    if (editDefaultProc) SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc));
    editWindow = nullptr;
    if (OwnedByThisThread(field)) DestroyWindow(field);
  }
  if (editFont) DeleteObject(editFont);
  editFont = nullptr;
  editControl = nullptr;
  editParam = nullptr;
  editDefaultProc = nullptr;
  editState = kEditIdle;
}

// ---- Popup menu ----

std::string IGraphicsWin::MenuItemText(const IMenu& menu, int index)
{
  if (index < 0 || index >= int(menu.items.size())) return std::string();
  const std::string& text = menu.items[size_t(index)]->text;
  static const char* const formats[] = {"%1d: %s", "%02d: %s", "%03d: %s"};
  if (menu.prefix < 1 || menu.prefix > 3) return text;
  char numbered[512];
  std::snprintf(numbered, sizeof numbered, formats[menu.prefix - 1], index + 1, text.c_str());
  return numbered;
}

IMenu* IGraphicsWin::ShowPopupMenu(IMenu& menu, const IRect& anchor)
{
  ReleaseCapture();
  if (!window) return nullptr;
  UINT nextId = 1;
  std::vector<std::pair<IMenu*, UINT>> menus;
  HMENU native = BuildNativeMenu(menu, nextId, menus);
  POINT corner{anchor.L, anchor.B};
  ClientToScreen(window, &corner);
  IMenu* chosen = nullptr;
  if (TrackPopupMenu(native, TPM_LEFTALIGN | TPM_LEFTBUTTON, corner.x, corner.y, 0, window, nullptr)) {
    MSG command;
    if (PeekMessageA(&command, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) && HIWORD(command.wParam) == 0) {
      const UINT id = LOWORD(command.wParam);
      for (auto& [candidate, first] : menus) {
        if (id >= first && id < first + UINT(candidate->items.size())) {
          candidate->chosenItemIndex = int(id - first);
          chosen = candidate;
          break;
        }
      }
    }
  }
  DestroyMenu(native);
  InvalidateRect(window, nullptr, FALSE);
  return chosen;
}

// ---- Platform services ----

HWND IGraphicsWin::FindMainWindow()
{
  if (mainWindow) return mainWindow;
  if (parentWindow) {
    mainWindow = GetAncestor(parentWindow, GA_ROOT);
    char name[129] = {};
    if (mainWindow) GetClassNameA(mainWindow, name, 128);
    mainWindowClass = name;
    return mainWindow;
  }
  if (mainWindowClass.empty()) return nullptr;
  processId = GetCurrentProcessId();
  struct Search {
    DWORD process;
    const std::string* className;
    HWND found;
  } search{processId, &mainWindowClass, nullptr};
  EnumWindows(
    [](HWND candidate, LPARAM context) -> BOOL {
      auto* s = reinterpret_cast<Search*>(context);
      DWORD owner = 0;
      GetWindowThreadProcessId(candidate, &owner);
      char name[129] = {};
      GetClassNameA(candidate, name, 128);
      if (owner == s->process && *s->className == name) {
        s->found = candidate;
        return FALSE;
      }
      return TRUE;
    },
    reinterpret_cast<LPARAM>(&search));
  mainWindow = search.found;
  return mainWindow;
}

int IGraphicsWin::ShowAlert(const char* text, const char* caption, int type)
{
  return MessageBoxA(FindMainWindow(), text, caption, UINT(type));
}

void IGraphicsWin::GetHostFolder(std::string* out)
{
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  Store(out, FolderOf(path));
}

void IGraphicsWin::GetModuleFolder(std::string* out)
{
  char path[MAX_PATH] = {};
  GetModuleFileNameA(instance, path, MAX_PATH);
  Store(out, FolderOf(path));
}

void IGraphicsWin::GetDesktopFolder(std::string* out) { Store(out, ShellFolder(CSIDL_DESKTOPDIRECTORY)); }

void IGraphicsWin::GetAppDataFolder(std::string* out, bool system)
{
  Store(out, ShellFolder(system ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA));
}

void IGraphicsWin::GetSafeAppDataFolder(std::string* out) { GetAppDataFolder(out, false); }

void IGraphicsWin::AskForFile(std::string* file, int action, std::string* folder, const char* extensions)
{
  if (!file) return;
  if (!window) {
    file->clear();
    return;
  }
  std::string startFolder;
  if (folder) {
    if (folder->empty()) GetDesktopFolder(folder);
    startFolder = *folder;
  }
  // "wav aif" becomes the filter "*.wav;*.aif" with the same text, and "wav" the default extension.
  std::string patterns;
  std::string defaultExtension;
  const char* cursor = extensions ? extensions : "";
  while (*cursor) {
    while (*cursor == ' ') ++cursor;
    const char* end = cursor;
    while (*end && *end != ' ') ++end;
    if (end > cursor) {
      const std::string extension(cursor, size_t(end - cursor));
      if (defaultExtension.empty()) defaultExtension = extension.substr(0, 15);
      if (!patterns.empty()) patterns += ';';
      patterns += "*." + extension;
    }
    cursor = end;
  }
  if (patterns.size() > 255) patterns.resize(255);
  std::string filter = patterns + '\0' + patterns + '\0' + '\0';

  char path[MAX_PATH] = {};
  std::strncpy(path, file->c_str(), MAX_PATH - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = patterns.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  BOOL chosen = FALSE;
  if (action == 1) {
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    chosen = GetSaveFileNameA(&dialog);
  } else {
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameA(&dialog);
  }
  if (!chosen) {
    file->clear();
    return;
  }
  *file = path;
  if (folder) {
    char drive[_MAX_DRIVE] = {}, directory[_MAX_DIR] = {};
    _splitpath(path, drive, directory, nullptr, nullptr);
    char joined[_MAX_DRIVE + _MAX_DIR] = {};
    std::snprintf(joined, sizeof joined, "%s%s", drive, directory);
    *folder = joined;
  }
}

bool IGraphicsWin::AskForColor(IColor& color, const char* title)
{
  if (!window) return false;
  if (!customColors) customColors = new COLORREF[16]();
  CHOOSECOLORA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.rgbResult = RGB(color.R, color.G, color.B);
  dialog.lpCustColors = customColors;
  dialog.Flags = CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR | CC_RGBINIT | CC_ENABLEHOOK;
  dialog.lpfnHook = ColorDialogHook;
  dialog.lCustData = reinterpret_cast<LPARAM>(title);
  if (!ChooseColorA(&dialog)) return false;
  color.R = GetRValue(dialog.rgbResult);
  color.G = GetGValue(dialog.rgbResult);
  color.B = GetBValue(dialog.rgbResult);
  return true;
}

bool IGraphicsWin::OpenWebAddress(const char* url, const char* title, const char* confirmation, const char* failure)
{
  if (!url) return false;
  if (confirmation && MessageBoxA(window, confirmation, title, MB_YESNO) != IDYES) return false;
  DWORD connection = 0;
  if (InternetGetConnectedState(&connection, 0)) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", url, nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
  }
  if (failure) MessageBoxA(window, failure, title, MB_OK);
  return false;
}

bool IGraphicsWin::ReadClipboardText(std::string* out)
{
  if (!out) return false;
  out->clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window)) return false;
  bool read = false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (bytes > 0) {
        std::string utf8(size_t(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], bytes, nullptr, nullptr);
        utf8.resize(size_t(bytes - 1));
        *out = utf8;
        read = true;
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return read;
}

void IGraphicsWin::HideCursor()
{
  if (cursorIsHidden) return;
  POINT position;
  GetCursorPos(&position);
  hiddenCursorX = position.x;
  hiddenCursorY = position.y;
  ShowCursor(FALSE);
  cursorIsHidden = true;
}

void IGraphicsWin::RestoreCursor()
{
  if (!cursorIsHidden) return;
  SetCursorPos(hiddenCursorX, hiddenCursorY);
  ShowCursor(TRUE);
  cursorIsHidden = false;
}

PIX_IBitmap* IGraphicsWin::LoadPlatformBitmap(int resourceId, const char*)
{
  return LoadPngResource(instance, uint32_t(resourceId));
}
