// The CLAP editor: embedded in the host's window ("win32" or "x11"), at the
// editor's one size. On Linux the host's main loop paces it through its timer and
// descriptor support; no thread of ours touches the window system.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "IEffectCLAP.h"
#include "graphics/IGraphics.h"

const char* IEffectCLAP::WindowApi() {
#ifdef _WIN32
    return CLAP_WINDOW_API_WIN32;
#else
    return CLAP_WINDOW_API_X11;
#endif
}

bool IEffectCLAP::GuiApiSupported(const char* api, bool floating) const {
    const IGraphics* editor = Editor();
    return !floating && api && std::strcmp(api, WindowApi()) == 0 && editor && editor->WindowPlatformType();
}

bool IEffectCLAP::GuiCreate(const char* api, bool floating) {
    if (guiCreated || !GuiApiSupported(api, floating)) return false;
#ifndef _WIN32
    // Without the host's timer and descriptor support the editor would never draw.
    if (!hostTimers || !hostTimers->register_timer || !hostTimers->unregister_timer || !hostFds ||
        !hostFds->register_fd || !hostFds->unregister_fd)
        return false;
#endif
    guiCreated = true;
    return true;
}

void IEffectCLAP::DisconnectPacing() {
    if (timerId != CLAP_INVALID_ID && hostTimers) hostTimers->unregister_timer(host, timerId);
    if (watchedFd >= 0 && hostFds) hostFds->unregister_fd(host, watchedFd);
    timerId = CLAP_INVALID_ID;
    watchedFd = -1;
}

void IEffectCLAP::GuiDestroy() {
    if (!guiCreated) return;
    DisconnectPacing();
    if (windowOpen) {
        if (IGraphics* editor = Editor()) {
            OnEditorClosing();
            editor->CloseWindow();
        }
        windowOpen = false;
    }
    guiCreated = false;
}

bool IEffectCLAP::GuiSize(uint32_t* width, uint32_t* height) const {
    const IGraphics* editor = Editor();
    if (!guiCreated || !editor || !width || !height) return false;
    *width = static_cast<uint32_t>(std::max(0, editor->Width()));
    *height = static_cast<uint32_t>(std::max(0, editor->Height()));
    return true;
}

bool IEffectCLAP::GuiSetSize(uint32_t width, uint32_t height) const {
    uint32_t ownWidth = 0, ownHeight = 0;
    return GuiSize(&ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
}

bool IEffectCLAP::GuiShown(bool) const { return guiCreated; }

bool IEffectCLAP::GuiSetParent(const clap_window* window) {
    IGraphics* editor = Editor();
    if (!guiCreated || !editor || !window || !window->api || std::strcmp(window->api, WindowApi()) != 0) return false;
#ifdef _WIN32
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
    if (!parent) return false;
    if (windowOpen) {
        DisconnectPacing();
        OnEditorClosing();
        editor->CloseWindow();
        windowOpen = false;
    }
    if (!editor->OpenWindow(parent)) return false;
    const int descriptor = editor->WindowEventDescriptor();
    if (descriptor >= 0) {
        clap_id timer = CLAP_INVALID_ID;
        const uint32_t period = static_cast<uint32_t>(1000 / std::max(1, editor->FPS()));
        const bool paced = hostFds && hostTimers &&
                           hostFds->register_fd(host, descriptor, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR);
        if (paced) watchedFd = descriptor;
        if (!paced || !hostTimers->register_timer(host, period, &timer) || timer == CLAP_INVALID_ID) {
            DisconnectPacing();
            editor->CloseWindow();
            return false;
        }
        timerId = timer;
    }
    windowOpen = true;
    OnEditorOpened();
    return true;
}

void IEffectCLAP::OnTimer(clap_id timer) {
    if (windowOpen && timer == timerId && timerId != CLAP_INVALID_ID)
        if (IGraphics* editor = Editor()) editor->TimerTick();
}

void IEffectCLAP::OnFd(int fd, uint32_t) {
    if (windowOpen && fd == watchedFd && fd >= 0)
        if (IGraphics* editor = Editor()) editor->HandleWindowEvents();
}
