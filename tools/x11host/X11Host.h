// A small Linux host for plug-in editors, for tests under a virtual X server: a
// top-level window to embed editors in, pixel capture, synthetic input through the
// XTest extension (real X events, delivered by the server), and a run loop of its
// own that VST 3 editors register their descriptor and timer with.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostObjects.h"

namespace x11host {

// A captured area: 0x00RRGGBB words, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

class TestDisplay {
public:
    // The display named by DISPLAY; null with `error` set when there is none or
    // it lacks the XTest extension.
    static std::unique_ptr<TestDisplay> open(std::string& error);
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    // A mapped top-level window at (left, top) of the screen, as a host's editor frame.
    unsigned long createWindow(int left, int top, int width, int height);
    void destroyWindow(unsigned long window);
    Capture capture(unsigned long window, int width, int height);
    // The window's children (the editors embedded in it).
    std::vector<unsigned long> children(unsigned long window);

    // Input in screen coordinates. Every call waits until the server has handled it.
    void moveTo(int x, int y);
    void press(int button);
    void release(int button);
    void click(int x, int y, int button = 1);
    // A key by its X name ("Return", "Escape", "a", "period"), pressed and released.
    void key(const char* name);
    // Each character's key, with Shift where the keyboard map needs it.
    void type(const std::string& text);
    // An event sent straight to a window (as a stale client or the host might).
    void sendButtonPress(unsigned long window, int x, int y);
    // A mapped child window that selects no events of its own, as a host's plain
    // embedding window made on another connection.
    unsigned long createChildWindow(unsigned long parent, int left, int top, int width, int height);
    // Key presses and releases on the window come to this connection from now on.
    void selectKeys(unsigned long window);
    // The next key press queued for this connection: the window the event names, or 0.
    unsigned long nextKeyPressWindow(int waitMilliseconds);
    void sync();

private:
    TestDisplay() = default;
    void* display = nullptr;
};

bool writePng(const Capture& capture, const std::string& path);

// The host's frame for a VST 3 view, with the run loop hosts offer on Linux:
// descriptors are watched with poll() and timers fire from the same loop.
class RunLoopFrame : public vst3host::HostObject<vst3::IPlugFrame, vst3::IRunLoop> {
public:
    ~RunLoopFrame() override;
    vst3::tresult resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override;
    vst3::tresult registerEventHandler(vst3::IEventHandler* handler, int fd) override;
    vst3::tresult unregisterEventHandler(vst3::IEventHandler* handler) override;
    vst3::tresult registerTimer(vst3::ITimerHandler* handler, vst3::uint64 milliseconds) override;
    vst3::tresult unregisterTimer(vst3::ITimerHandler* handler) override;

    // Runs the loop for this long, calling handlers as their descriptors become
    // readable and timers as they fall due.
    void runFor(int milliseconds);
    // Runs until `count` more timer calls have been made.
    void runTicks(int count);

    int handlerCount() const { return int(handlers.size()); }
    int timerCount() const { return int(timers.size()); }
    vst3::uint64 timerPeriod() const { return timers.empty() ? 0 : timers.front().period; }
    vst3::IEventHandler* eventHandler() const { return handlers.empty() ? nullptr : handlers.front().handler; }
    vst3::ITimerHandler* timerHandler() const { return timers.empty() ? nullptr : timers.front().handler; }
    int timerCalls = 0;

private:
    struct Handler {
        vst3::IEventHandler* handler;
        int fd;
    };
    struct Timer {
        vst3::ITimerHandler* handler;
        vst3::uint64 period;
        std::chrono::steady_clock::time_point due;
    };
    void runUntil(std::chrono::steady_clock::time_point end, int ticks);

    std::vector<Handler> handlers;
    std::vector<Timer> timers;
};

}  // namespace x11host
