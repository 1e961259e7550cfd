// The test host's X side (Xlib and XTest) and its poll() run loop.
#include "X11Host.h"

#include "PixBitmap.h"
#include "SnapshotPng.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

namespace x11host {

namespace {
Display* D(void* display) { return static_cast<Display*>(display); }

// Events sent to windows that are gone answer with errors: the host shrugs off its
// own. An error on anyone else's connection reaching it means a plug-in left its
// errors to Xlib's default handler, which would have ended a real host: so does this.
std::mutex hostDisplaysMutex;
std::vector<Display*> hostDisplays;
int IgnoreOwnErrors(Display* display, XErrorEvent* error) {
    std::lock_guard<std::mutex> lock(hostDisplaysMutex);
    if (std::find(hostDisplays.begin(), hostDisplays.end(), display) != hostDisplays.end()) return 0;
    std::fprintf(stderr, "X error %d (request %d) on a plug-in's connection\n", error->error_code, error->request_code);
    std::abort();
}
}  // namespace

std::unique_ptr<TestDisplay> TestDisplay::open(std::string& error) {
    // A server that resets after its last client left refuses connections briefly.
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 20; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        display = XOpenDisplay(nullptr);
    }
    if (!display) {
        error = "no X display (DISPLAY is not set or the server does not answer)";
        return nullptr;
    }
    int event = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        error = "the X server has no XTest extension";
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(hostDisplaysMutex);
        hostDisplays.push_back(display);
    }
    XSetErrorHandler(IgnoreOwnErrors);
    std::unique_ptr<TestDisplay> result(new TestDisplay);
    result->display = display;
    return result;
}

TestDisplay::~TestDisplay() {
    if (!display) return;
    XCloseDisplay(D(display));
    std::lock_guard<std::mutex> lock(hostDisplaysMutex);
    hostDisplays.erase(std::remove(hostDisplays.begin(), hostDisplays.end(), D(display)), hostDisplays.end());
}

unsigned long TestDisplay::createWindow(int left, int top, int width, int height) {
    Display* display = D(this->display);
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x404040;
    attributes.override_redirect = True;  // placed where asked, window manager or not
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, RootWindow(display, screen), left, top, unsigned(width),
                                        unsigned(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XMapWindow(display, window);
    XEvent event;
    do XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    return window;
}

void TestDisplay::destroyWindow(unsigned long window) {
    XDestroyWindow(D(display), window);
    sync();
}

Capture TestDisplay::capture(unsigned long window, int width, int height) {
    Capture result;
    XImage* image = XGetImage(D(display), window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return result;
    result.width = width;
    result.height = height;
    result.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            result.pixels[size_t(y) * size_t(width) + size_t(x)] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    return result;
}

std::vector<unsigned long> TestDisplay::children(unsigned long window) {
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<unsigned long> result;
    if (XQueryTree(D(display), window, &root, &parent, &list, &count)) {
        result.assign(list, list + count);
        if (list) XFree(list);
    }
    return result;
}

void TestDisplay::sync() { XSync(D(display), False); }

void TestDisplay::moveTo(int x, int y) {
    XTestFakeMotionEvent(D(display), -1, x, y, CurrentTime);
    sync();
}

void TestDisplay::press(int button) {
    XTestFakeButtonEvent(D(display), unsigned(button), True, CurrentTime);
    sync();
}

void TestDisplay::release(int button) {
    XTestFakeButtonEvent(D(display), unsigned(button), False, CurrentTime);
    sync();
}

void TestDisplay::click(int x, int y, int button) {
    moveTo(x, y);
    press(button);
    release(button);
}

namespace {
void FakeKey(Display* display, KeySym symbol) {
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (!code) return;
    // Shift when the symbol sits on the key's second level.
    const bool shifted = XkbKeycodeToKeysym(display, code, 0, 0) != symbol;
    const KeyCode shift = XKeysymToKeycode(display, XStringToKeysym("Shift_L"));
    if (shifted) XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shifted) XTestFakeKeyEvent(display, shift, False, CurrentTime);
    XSync(display, False);
}
}  // namespace

void TestDisplay::key(const char* name) { FakeKey(D(display), XStringToKeysym(name)); }

void TestDisplay::type(const std::string& text) {
    for (char c : text) {
        // Latin-1 key symbols equal their characters.
        FakeKey(D(display), KeySym(static_cast<unsigned char>(c)));
    }
}

void TestDisplay::sendButtonPress(unsigned long window, int x, int y) {
    XEvent event{};
    event.xbutton.type = ButtonPress;
    event.xbutton.display = D(display);
    event.xbutton.window = window;
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    XSendEvent(D(display), window, False, ButtonPressMask, &event);
    sync();
}

unsigned long TestDisplay::createChildWindow(unsigned long parent, int left, int top, int width, int height) {
    Display* display = D(this->display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x202020;
    const Window window = XCreateWindow(display, parent, left, top, unsigned(width), unsigned(height), 0, CopyFromParent,
                                        InputOutput, CopyFromParent, CWBackPixel, &attributes);
    XMapWindow(display, window);
    sync();
    return window;
}

void TestDisplay::selectKeys(unsigned long window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(D(display), window, &attributes);
    XSelectInput(D(display), window, attributes.your_event_mask | KeyPressMask | KeyReleaseMask);
    sync();
}

unsigned long TestDisplay::nextKeyPressWindow(int waitMilliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    do {
        sync();
        while (XPending(D(display))) {
            XEvent event;
            XNextEvent(D(display), &event);
            if (event.type == KeyPress) return event.xkey.window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return 0;
}

bool writePng(const Capture& capture, const std::string& path) {
    if (capture.width < 1 || capture.height < 1) return false;
    PIX_MemBitmap bitmap(capture.width, capture.height);
    for (int y = 0; y < capture.height; ++y)
        for (int x = 0; x < capture.width; ++x)
            bitmap.Pixels()[size_t(y) * size_t(bitmap.RowStride()) + size_t(x)] = 0xFF000000u | capture.at(x, y);
    return WriteSurfacePng(bitmap, path);
}

// ---- Run loop ----

RunLoopFrame::~RunLoopFrame() {
    for (auto& h : handlers) h.handler->release();
    for (auto& t : timers) t.handler->release();
}

vst3::tresult RunLoopFrame::resizeView(vst3::IPlugView*, vst3::ViewRect*) { return vst3::kResultOk; }

vst3::tresult RunLoopFrame::registerEventHandler(vst3::IEventHandler* handler, int fd) {
    if (!handler || fd < 0) return vst3::kInvalidArgument;
    handler->addRef();
    handlers.push_back({handler, fd});
    return vst3::kResultOk;
}

namespace {
// Drops the entry of `handler` and the reference the loop held on it.
template <class Entry, class Handler>
vst3::tresult Unregister(std::vector<Entry>& entries, Handler* handler) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->handler == handler) {
            entries.erase(it);
            handler->release();
            return vst3::kResultOk;
        }
    }
    return vst3::kInvalidArgument;
}
}  // namespace

vst3::tresult RunLoopFrame::unregisterEventHandler(vst3::IEventHandler* handler) { return Unregister(handlers, handler); }

vst3::tresult RunLoopFrame::registerTimer(vst3::ITimerHandler* handler, vst3::uint64 milliseconds) {
    if (!handler || milliseconds == 0) return vst3::kInvalidArgument;
    handler->addRef();
    timers.push_back({handler, milliseconds, std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)});
    return vst3::kResultOk;
}

vst3::tresult RunLoopFrame::unregisterTimer(vst3::ITimerHandler* handler) { return Unregister(timers, handler); }

void RunLoopFrame::runFor(int milliseconds) {
    runUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), -1);
}

void RunLoopFrame::runTicks(int count) {
    // Bounded, so a timer that never fires fails a test instead of hanging it.
    runUntil(std::chrono::steady_clock::now() + std::chrono::seconds(5), count);
}

void RunLoopFrame::runUntil(std::chrono::steady_clock::time_point end, int ticks) {
    const int target = timerCalls + ticks;
    using Clock = std::chrono::steady_clock;
    // At least one pass, so that events already waiting are handled.
    bool first = true;
    while (first || (Clock::now() < end && (ticks < 0 || timerCalls < target))) {
        first = false;
        Clock::time_point next = end;
        for (const Timer& t : timers) next = std::min(next, t.due);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        std::vector<pollfd> fds;
        for (const Handler& h : handlers) fds.push_back({h.fd, POLLIN, 0});
        if (fds.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max<long long>(0, wait)));
        else
            poll(fds.data(), fds.size(), int(std::max<long long>(0, wait)));
        // Handlers may unregister themselves from within: work on copies.
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            for (const Handler& h : std::vector<Handler>(handlers))
                if (h.fd == fds[i].fd) h.handler->onFDIsSet(h.fd);
        }
        const Clock::time_point now = Clock::now();
        for (const Timer& t : std::vector<Timer>(timers)) {
            if (t.due > now) continue;
            for (Timer& live : timers)
                if (live.handler == t.handler) live.due = now + std::chrono::milliseconds(t.period);
            ++timerCalls;
            t.handler->onTimer();
        }
    }
}

}  // namespace x11host
