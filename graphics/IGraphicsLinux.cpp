// The editor's X11 window (Xlib, with the shared-memory image extension where the
// server offers it).
#include "graphics/IGraphicsLinux.h"

#include "framework/IEffectBase.h"
#include "graphics/IControl.h"
#include "graphics/IMenu.h"
#include "graphics/ModuleInstance.h"

#include "PixPng.h"
#include "PixSysBitmap.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XShm.h>

namespace {

// Xlib's default error handler ends the process, which must not happen to a host
// over a request that meets a window the host destroyed first. While any editor is
// open, a handler of ours takes the errors of our connections and passes every
// other connection's errors on to the handler it replaced.
std::mutex errorMutex;
std::vector<Display*> ourDisplays;
XErrorHandler replacedHandler = nullptr;
bool handlerInstalled = false;
std::atomic<bool> xErrorSeen{false};

int TakeXError(Display* display, XErrorEvent* error)
{
  XErrorHandler next = nullptr;
  {
    std::lock_guard<std::mutex> lock(errorMutex);
    if (std::find(ourDisplays.begin(), ourDisplays.end(), display) != ourDisplays.end()) {
      xErrorSeen = true;
      return 0;
    }
    next = replacedHandler;
  }
  return next ? next(display, error) : 0;
}

void AdoptDisplay(Display* display)
{
  std::lock_guard<std::mutex> lock(errorMutex);
  ourDisplays.push_back(display);
  if (!handlerInstalled) {
    replacedHandler = XSetErrorHandler(TakeXError);
    handlerInstalled = true;
  }
}

void ReleaseDisplay(Display* display)
{
  std::lock_guard<std::mutex> lock(errorMutex);
  ourDisplays.erase(std::remove(ourDisplays.begin(), ourDisplays.end(), display), ourDisplays.end());
  if (ourDisplays.empty() && handlerInstalled) {
    // Back to the replaced handler, unless another handler has taken our place
    // meanwhile: that one stays.
    const XErrorHandler current = XSetErrorHandler(replacedHandler);
    if (current != TakeXError) XSetErrorHandler(current);
    handlerInstalled = false;
  }
}

// Whether the requests made between construction and Failed() met an error.
class XErrorTrap {
public:
  explicit XErrorTrap(Display* display) : display(display)
  {
    XSync(display, False);
    xErrorSeen = false;
  }
  bool Failed()
  {
    XSync(display, False);
    return xErrorSeen;
  }

private:
  Display* display;
};

// Two presses within this time and distance make a double click.
constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickDistance = 4;

IMouseMods ModsOf(unsigned int state)
{
  IMouseMods mods;
  mods.L = (state & Button1Mask) != 0;
  mods.R = (state & Button3Mask) != 0;
  mods.S = (state & ShiftMask) != 0;
  mods.C = (state & ControlMask) != 0;
  mods.A = (state & Mod1Mask) != 0;
  return mods;
}

// The core's key code for a key, or -1 for keys that have none.
int KeyCodeOf(KeySym key)
{
  switch (key) {
  case XK_space: return kKeySpace;
  case XK_Up: return kKeyUp;
  case XK_Down: return kKeyDown;
  case XK_Left: return kKeyLeft;
  case XK_Right: return kKeyRight;
  default: break;
  }
  if (key >= XK_0 && key <= XK_9) return kKeyDigit0 + int(key - XK_0);
  if (key >= XK_a && key <= XK_z) return kKeyLetterA + int(key - XK_a);
  if (key >= XK_A && key <= XK_Z) return kKeyLetterA + int(key - XK_A);
  return -1;
}

std::string FolderOf(const std::string& path)
{
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return std::string();
  return path.substr(0, slash + 1);
}

std::string HomeFolder()
{
  const char* home = std::getenv("HOME");
  std::string folder = home && home[0] ? home : "";
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

struct IGraphicsLinux::Connection {
  Display* display = nullptr;
  Window window = 0;
  Window parent = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  bool shared = false;

  ~Connection()
  {
    if (!display) return;
    if (image) {
      if (shared) {
        XShmDetach(display, &shm);
        XSync(display, False);
        shmdt(shm.shmaddr);
      }
      // The pixels belong to the segment or to the surface, never to Xlib.
      image->data = nullptr;
      XDestroyImage(image);
    }
    if (gc) XFreeGC(display, gc);
    if (window) XDestroyWindow(display, window);
    XCloseDisplay(display);
    ReleaseDisplay(display);
  }
};

IGraphicsLinux::IGraphicsLinux(IEffectBase* plug_, int width_, int height_, int fps_)
  : IGraphics(plug_, width_, height_, fps_)
{
}

IGraphicsLinux::~IGraphicsLinux()
{
  CloseWindow();
}

void* IGraphicsLinux::OpenWindow(void* parent)
{
  const Window parentWindow = Window(reinterpret_cast<uintptr_t>(parent));
  if (!parentWindow || !surface) return nullptr;
  int left = 0, top = 0;
  if (x && x->window) {
    // Reopening keeps the place the window had in the host's window.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x->display, x->window, &attributes)) {
      left = attributes.x;
      top = attributes.y;
    }
  }
  CloseWindow();

  auto connection = std::make_unique<Connection>();
  // Our own connection: hosts may pass theirs, or none, and it is not ours to read.
  connection->display = XOpenDisplay(nullptr);
  Display* display = connection->display;
  if (!display) return nullptr;
  AdoptDisplay(display);
  const int screen = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, screen);
  const int depth = DefaultDepth(display, screen);
  // The surface's pixel words are 0xAARRGGBB; only a visual with that layout takes
  // them as they are.
  if (visual->c_class != TrueColor || (depth != 24 && depth != 32) || visual->red_mask != 0xFF0000 ||
      visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF)
    return nullptr;

  {
    XErrorTrap trap(display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | KeyPressMask |
                            KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormap(display, screen);
    connection->window =
      XCreateWindow(display, parentWindow, left, top, unsigned(width), unsigned(height), 0, depth, InputOutput, visual,
                    CWEventMask | CWBackPixel | CWBorderPixel | CWColormap, &attributes);
    if (trap.Failed()) connection->window = 0;  // no such parent
  }
  if (!connection->window) return nullptr;
  connection->parent = parentWindow;

  // Hosts that embed by the XEmbed protocol read this: version 0, mapped.
  const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
  const unsigned long info[2] = {0, 1};
  XChangeProperty(display, connection->window, xembedInfo, xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  XStoreName(display, connection->window, "Brindle");
  connection->gc = XCreateGC(display, connection->window, 0, nullptr);

  // The image the dirty rectangle is copied through: a shared segment when the
  // server is on this machine and offers one, else the surface itself.
  if (XShmQueryExtension(display)) {
    XImage* image = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &connection->shm,
                                    unsigned(width), unsigned(height));
    if (image) {
      connection->shm.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
      if (connection->shm.shmid >= 0) {
        connection->shm.shmaddr = static_cast<char*>(shmat(connection->shm.shmid, nullptr, 0));
        if (connection->shm.shmaddr != reinterpret_cast<char*>(-1)) {
          image->data = connection->shm.shmaddr;
          connection->shm.readOnly = False;
          XErrorTrap trap(display);
          XShmAttach(display, &connection->shm);
          connection->shared = !trap.Failed();
          if (!connection->shared) shmdt(connection->shm.shmaddr);
        }
        // Freed by the system once both sides have let go of it.
        shmctl(connection->shm.shmid, IPC_RMID, nullptr);
      }
      if (connection->shared) {
        connection->image = image;
      } else {
        image->data = nullptr;
        XDestroyImage(image);
      }
    }
  }
  if (!connection->image) {
    connection->image = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(surface->Pixels()), unsigned(width), unsigned(height), 32,
                                     surface->RowStride() * 4);
    if (!connection->image) return nullptr;
  }
  connection->image->byte_order = LSBFirst;

  XMapWindow(display, connection->window);
  XFlush(display);
  x = std::move(connection);
  lastTick = std::chrono::steady_clock::now();
  lastPressTime = 0;
  // The first tick draws everything.
  for (IControl* control : controls) control->MarkDirty(false);
  return reinterpret_cast<void*>(uintptr_t(x->window));
}

void IGraphicsLinux::CloseWindow()
{
  // An entry left open would otherwise commit into a closed editor later.
  entry.Close();
  uncovered = IRect();
  ReleaseCapture();
  x.reset();
}

void* IGraphicsLinux::GetWindow()
{
  return x && x->window ? reinterpret_cast<void*>(uintptr_t(x->window)) : nullptr;
}

int IGraphicsLinux::WindowEventDescriptor() const
{
  return x ? ConnectionNumber(x->display) : -1;
}

bool IGraphicsLinux::PresentToScreen(const IRect& area)
{
  if (!x || !x->window || !surface) return true;
  const IRect whole(0, 0, width, height);
  IRect r = area.Intersection(whole);
  r.R = std::min(r.R, width);
  r.B = std::min(r.B, height);
  if (r.Empty() || r.W() <= 0 || r.H() <= 0) return true;
  // The entry and the menu lie over the controls.
  if (entry.IsOpen() && entry.FieldRect().Intersects(r)) {
    entry.Draw(*this);
    r = r.Union(entry.FieldRect()).Intersection(whole);
  }
  if (menuPanel.IsOpen() && menuPanel.Rect().Intersects(r)) {
    menuPanel.Draw(*this);
    r = r.Union(menuPanel.Rect()).Intersection(whole);
  }
  r.R = std::min(r.R, width);
  r.B = std::min(r.B, height);
  if (x->shared) {
    const uint32_t* source = surface->Pixels();
    const int stride = surface->RowStride();
    char* target = x->image->data;
    for (int y = r.T; y < r.B; ++y)
      std::memcpy(target + size_t(y) * size_t(x->image->bytes_per_line) + size_t(r.L) * 4,
                  source + size_t(y) * size_t(stride) + size_t(r.L), size_t(r.W()) * 4);
    XShmPutImage(x->display, x->window, x->gc, x->image, r.L, r.T, r.L, r.T, unsigned(r.W()), unsigned(r.H()), False);
    // The segment is written again on the next tick: the server must be done with it.
    XSync(x->display, False);
  } else {
    x->image->data = reinterpret_cast<char*>(surface->Pixels());
    XPutImage(x->display, x->window, x->gc, x->image, r.L, r.T, r.L, r.T, unsigned(r.W()), unsigned(r.H()));
    XFlush(x->display);
  }
  return true;
}

void IGraphicsLinux::Redraw(const IRect& area)
{
  if (!area.Empty()) Draw(area);
}

void IGraphicsLinux::Uncover(const IRect& area)
{
  uncovered = uncovered.Union(area);
}

void IGraphicsLinux::HandleWindowEvents()
{
  if (!x) return;
  Display* display = x->display;
  while (x && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    DispatchEvent(&event);
  }
}

void IGraphicsLinux::DispatchEvent(void* rawEvent)
{
  XEvent& event = *static_cast<XEvent*>(rawEvent);
  if (!x || event.xany.window != x->window) return;
  switch (event.type) {
  case Expose: {
    const IRect area(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                     event.xexpose.y + event.xexpose.height);
    Redraw(area);
    break;
  }
  case ButtonPress: {
    const XButtonEvent& press = event.xbutton;
    const int px = press.x, py = press.y;
    if (press.button == Button4 || press.button == Button5) {
      // One wheel click is one notch.
      if (entry.IsOpen()) {
        if (entry.GetState() != ITextEntry::kFocused) entry.SetState(ITextEntry::kCancelRequested);
        break;
      }
      MouseWheel(px, py, ModsOf(press.state), press.button == Button4 ? 1 : -1);
      break;
    }
    if (press.button != Button1 && press.button != Button2 && press.button != Button3) break;
    // Any press in between, wherever it lands, keeps two presses from making a double click.
    const bool doubleClick = press.button == Button1 && press.time - lastPressTime <= kDoubleClickMs &&
                             std::abs(px - lastPressX) <= kDoubleClickDistance &&
                             std::abs(py - lastPressY) <= kDoubleClickDistance;
    lastPressTime = press.button == Button1 && !doubleClick ? press.time : 0;
    lastPressX = px;
    lastPressY = py;
    if (entry.IsOpen()) {
      // A press while the entry's focus is fresh cancels it; later it commits.
      entry.SetState(entry.GetState() == ITextEntry::kFocused ? ITextEntry::kCancelRequested
                                                              : ITextEntry::kCommitRequested);
      break;
    }
    XSetInputFocus(x->display, x->window, RevertToParent, press.time);
    IMouseMods mods = ModsOf(press.state);
    if (press.button == Button1) mods.L = true;
    if (press.button == Button3) mods.R = true;
    // The server holds the pointer for this window while a button is down, so the
    // drag and the release arrive here wherever the pointer goes.
    if (doubleClick)
      MouseDoubleClick(px, py, mods);
    else
      MouseDown(px, py, mods);
    break;
  }
  case ButtonRelease: {
    const XButtonEvent& release = event.xbutton;
    if (release.button != Button1 && release.button != Button3) break;
    // The release of the press that opened an entry still ends that press's gesture.
    if (entry.IsOpen() && CapturedControl() < 0) break;
    IMouseMods mods = ModsOf(release.state);
    if (release.button == Button1) mods.L = false;
    if (release.button == Button3) mods.R = false;
    MouseUp(release.x, release.y, mods);
    break;
  }
  case MotionNotify: {
    if (entry.IsOpen()) break;
    const XMotionEvent& motion = event.xmotion;
    if (!(motion.state & (Button1Mask | Button3Mask))) break;
    MouseMovedWithButton(motion.x, motion.y, ModsOf(motion.state));
    break;
  }
  case KeyPress: {
    XKeyEvent& key = event.xkey;
    char typed[8] = {};
    KeySym symbol = 0;
    const int count = XLookupString(&key, typed, sizeof(typed) - 1, &symbol, nullptr);
    if (entry.IsOpen()) {
      if (symbol == XK_Return || symbol == XK_KP_Enter)
        entry.SetState(ITextEntry::kCommitRequested);
      else if (symbol == XK_Escape)
        entry.SetState(ITextEntry::kCancelRequested);
      else if (symbol == XK_BackSpace)
        entry.Backspace();
      else
        for (int i = 0; i < count; ++i) entry.TypeCharacter(typed[i]);
      Redraw(entry.FieldRect());
      break;
    }
    const int code = KeyCodeOf(symbol);
    if (code >= 0 && KeyDown(key.x, key.y, code)) break;
    // Keys the editor does not take belong to the host.
    ForwardKey(&event);
    break;
  }
  case KeyRelease:
    if (entry.IsOpen()) break;
    ForwardKey(&event);
    break;
  case FocusOut:
    // Focus taken by another window commits an open entry, as with a native field.
    if (entry.IsOpen() && event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyPointer &&
        event.xfocus.detail != NotifyInferior)
      entry.SetState(ITextEntry::kCommitRequested);
    break;
  case DestroyNotify:
    // The host destroyed its window and ours with it. The connection stays until
    // the host closes the editor, so the descriptor it watches stays ours.
    if (event.xdestroywindow.window == x->window) {
      x->window = 0;
      entry.Close();
      ReleaseCapture();
    }
    break;
  default: break;
  }
}

void IGraphicsLinux::TimerTick()
{
  // Drawing waits for the server (XSync), which moves events that arrived meanwhile into
  // Xlib's queue: the connection's descriptor then stays quiet, so a host's run loop
  // would not call us for them. Each tick handles what is queued first.
  HandleWindowEvents();
  if (!x || !x->window) return;
  lastTick = std::chrono::steady_clock::now();
  if (entry.IsOpen() && entry.GetState() != ITextEntry::kIdle) {
    const int32_t state = entry.GetState();
    if (state == ITextEntry::kCancelRequested || state == ITextEntry::kCommitRequested) {
      if (state == ITextEntry::kCommitRequested) entry.Commit();
      Uncover(entry.FieldRect());
      entry.Close();
    } else {
      entry.SetState(ITextEntry::kIdle);
    }
    return;
  }
  IRect area;
  CollectDirty(area);
  area = area.Union(uncovered);
  uncovered = IRect();
  if (!area.Empty()) Redraw(area);
  if (entry.IsOpen()) entry.SetState(ITextEntry::kRedrawn);
  if (x) XFlush(x->display);
}

// The host's window that takes keys: the nearest ancestor, from the parent up, that some
// client selects key presses on. A host may embed us in a window of another connection
// of its own (or a plain one of no toolkit), whose events its toolkit never reads: an
// event naming such a window is dropped, one naming the toolkit's window is acted on.
unsigned long IGraphicsLinux::KeyTargetWindow()
{
  Display* display = x->display;
  XErrorTrap trap(display);
  for (Window window = x->parent; window;) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) break;
    if (attributes.all_event_masks & KeyPressMask) return trap.Failed() ? x->parent : window;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) break;
    if (children) XFree(children);
    if (parent == root) break;
    window = parent;
  }
  return x->parent;
}

void IGraphicsLinux::ForwardKey(void* xEvent)
{
  XEvent& event = *static_cast<XEvent*>(xEvent);
  const Window target = KeyTargetWindow();
  XKeyEvent& key = event.xkey;
  // Positions as the target's own, so a toolkit that reads them sees its window's.
  int targetX = key.x, targetY = key.y;
  Window child = 0;
  if (x->window && XTranslateCoordinates(x->display, x->window, target, key.x, key.y, &targetX, &targetY, &child)) {
    key.x = targetX;
    key.y = targetY;
  }
  key.window = target;
  key.subwindow = 0;
  const long mask = event.type == KeyPress ? KeyPressMask : KeyReleaseMask;
  XSendEvent(x->display, target, False, mask, &event);
}

void IGraphicsLinux::Idle()
{
  HandleWindowEvents();
  const auto period = std::chrono::milliseconds(1000 / std::max(1, fps));
  // Hosts call at about the frame period; a late-ish call still counts as due.
  if (std::chrono::steady_clock::now() - lastTick >= period * 3 / 4) TimerTick();
}

void IGraphicsLinux::CancelTextEntry()
{
  if (entry.IsOpen()) entry.SetState(ITextEntry::kCancelRequested);
}

void IGraphicsLinux::OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                                   IParam* param)
{
  if (!x || !x->window) return;
  if (!entry.Open(control, text, rect, initialText, param)) return;
  Redraw(entry.FieldRect());
}

IMenu* IGraphicsLinux::ShowPopupMenu(IMenu& menu, const IRect& anchor)
{
  // The menu takes the rest of the press that opened it, release included, so the
  // gesture that press began ends here.
  const IControl* pressed = GetControl(CapturedControl());
  const int pressedParam = pressed ? pressed->ParamIdx() : -1;
  ReleaseCapture();
  IMenu* chosen = nullptr;
  if (x && x->window && !menu.items.empty()) {
    menuPanel.Open(*this, menu, anchor);
    RunMenu();
    if (menuPanel.Menu()->chosenItemIndex >= 0) chosen = menuPanel.Menu();
    const IRect covered = menuPanel.Rect();
    menuPanel.Close();
    Redraw(covered);
  }
  if (plug && pressedParam >= 0) plug->EndParamEdit(pressedParam);
  return chosen;
}

void IGraphicsLinux::RunMenu()
{
  // Like a native menu, it holds the pointer and keyboard (clicks outside the
  // editor dismiss it) and runs its own loop until it is done.
  Display* display = x->display;
  const Window window = x->window;
  XSelectInput(display, window,
               ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                 KeyReleaseMask | FocusChangeMask | StructureNotifyMask);
  XGrabPointer(display, window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, 0L, 0L, CurrentTime);
  XGrabKeyboard(display, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  Redraw(menuPanel.Rect());
  int pressedItem = -1;
  for (bool open = true; open && x->window;) {
    if (XPending(display) == 0) {
      pollfd watch{ConnectionNumber(display), POLLIN, 0};
      if (poll(&watch, 1, 1000) < 0) break;
      if (watch.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
      // Reading here also notices a connection the server closed.
      if (XEventsQueued(display, QueuedAfterReading) == 0) continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    open = MenuEvent(&event, pressedItem);
  }
  // A window destroyed meanwhile took the grabs with it.
  if (!x || !x->window) return;
  XUngrabKeyboard(display, CurrentTime);
  XUngrabPointer(display, CurrentTime);
  XSelectInput(display, window,
               ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | KeyPressMask | KeyReleaseMask |
                 FocusChangeMask | StructureNotifyMask);
  XFlush(display);
}

bool IGraphicsLinux::MenuEvent(void* rawEvent, int& pressedItem)
{
  XEvent& event = *static_cast<XEvent*>(rawEvent);
  if (event.xany.window != x->window) return true;
  IMenu& menu = *menuPanel.Menu();
  const int before = menuPanel.Highlighted();
  auto choose = [&](int index) {
    IMenuItem& item = *menu.items[size_t(index)];
    if (item.submenu && !item.submenu->items.empty()) {
      // A submenu takes the panel's place under the same anchor.
      const IRect covered = menuPanel.Rect();
      menuPanel.Open(*this, *item.submenu, IRect(covered.L, covered.T - 1, covered.R, covered.T));
      Redraw(covered.Union(menuPanel.Rect()));
      pressedItem = -1;
      return true;
    }
    menu.chosenItemIndex = index;
    return false;
  };
  switch (event.type) {
  case Expose:
    Redraw(IRect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                 event.xexpose.y + event.xexpose.height));
    return true;
  case MotionNotify:
    menuPanel.Highlight(menuPanel.ItemAt(event.xmotion.x, event.xmotion.y));
    break;
  case ButtonPress:
    if (event.xbutton.button != Button1 && event.xbutton.button != Button3) return true;
    if (!menuPanel.Rect().Contains(event.xbutton.x, event.xbutton.y)) return false;  // dismissed
    pressedItem = menuPanel.ItemAt(event.xbutton.x, event.xbutton.y);
    return true;
  case ButtonRelease: {
    // Chosen by a press and release on the same item; the release of the press
    // that opened the menu chooses nothing.
    const int item = menuPanel.ItemAt(event.xbutton.x, event.xbutton.y);
    if (item >= 0 && item == pressedItem) return choose(item);
    pressedItem = -1;
    return true;
  }
  case KeyPress: {
    const KeySym symbol = XLookupKeysym(&event.xkey, 0);
    if (symbol == XK_Escape) return false;
    if (symbol == XK_Up) menuPanel.MoveHighlight(-1);
    if (symbol == XK_Down) menuPanel.MoveHighlight(1);
    if ((symbol == XK_Return || symbol == XK_KP_Enter) && menuPanel.Highlighted() >= 0)
      return choose(menuPanel.Highlighted());
    break;
  }
  case DestroyNotify:
    DispatchEvent(rawEvent);
    return false;
  default: return true;
  }
  if (menuPanel.Highlighted() != before) Redraw(menuPanel.Rect());
  return true;
}

void IGraphicsLinux::GetHostFolder(std::string* out)
{
  if (!out) return;
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  *out = length > 0 ? FolderOf(std::string(path, size_t(length))) : std::string();
}

void IGraphicsLinux::GetModuleFolder(std::string* out)
{
  if (!out) return;
  Dl_info info{};
  static const int anchor = 0;
  *out = dladdr(&anchor, &info) && info.dli_fname ? FolderOf(info.dli_fname) : std::string();
}

void IGraphicsLinux::GetDesktopFolder(std::string* out)
{
  if (!out) return;
  const std::string home = HomeFolder();
  *out = home.empty() ? home : home + "Desktop/";
}

void IGraphicsLinux::GetAppDataFolder(std::string* out, bool system)
{
  if (!out) return;
  if (system) {
    *out = "/usr/local/share/";
    return;
  }
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') {
    *out = data;
    if (out->back() != '/') *out += '/';
    return;
  }
  const std::string home = HomeFolder();
  *out = home.empty() ? home : home + ".local/share/";
}

void IGraphicsLinux::AskForFile(std::string* file, int, std::string*, const char*)
{
  if (file) file->clear();
}

bool IGraphicsLinux::ReadClipboardText(std::string* out)
{
  if (out) out->clear();
  return false;
}

PIX_IBitmap* IGraphicsLinux::LoadPlatformBitmap(int resourceId, const char*)
{
  return LoadPngResource(ModuleInstance(), uint32_t(resourceId));
}

IGraphics* CreatePlatformGraphics(IEffectBase* plug, int width, int height, int fps)
{
  return new IGraphicsLinux(plug, width, height, fps);
}
