// The editor's events and redraw timer, driven by the host's run loop.
#include "EditorRunLoop.h"

#include <algorithm>

#include "graphics/IGraphics.h"

using namespace vst3;

EditorRunLoop::EditorRunLoop(IRunLoop* runLoop_, IGraphics* editor_) : editor(editor_) { runLoop.assign(runLoop_); }

EditorRunLoop* EditorRunLoop::Connect(IRunLoop* runLoop, IGraphics* editor) {
    if (!runLoop || !editor) return nullptr;
    const int descriptor = editor->WindowEventDescriptor();
    if (descriptor < 0) return nullptr;
    auto* link = new EditorRunLoop(runLoop, editor);
    link->descriptor = descriptor;
    link->eventsRegistered = runLoop->registerEventHandler(link, descriptor) == kResultOk;
    const uint64 period = static_cast<uint64>(1000 / std::max(1, editor->FPS()));
    link->timerRegistered = link->eventsRegistered && runLoop->registerTimer(link, period) == kResultOk;
    if (!link->timerRegistered) {
        link->Disconnect();
        return nullptr;
    }
    return link;
}

void EditorRunLoop::Disconnect() {
    editor = nullptr;
    if (timerRegistered) runLoop->unregisterTimer(this);
    if (eventsRegistered) runLoop->unregisterEventHandler(this);
    timerRegistered = eventsRegistered = false;
    runLoop.reset();
    release();
}

tresult EditorRunLoop::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (IEventHandler::iid.matches(iid)) return answer(static_cast<IEventHandler*>(this), obj);
    if (ITimerHandler::iid.matches(iid)) return answer(static_cast<ITimerHandler*>(this), obj);
    return FObject::queryInterface(iid, obj);
}

void EditorRunLoop::onFDIsSet(int fd) {
    if (editor && fd == descriptor) editor->HandleWindowEvents();
}

void EditorRunLoop::onTimer() {
    if (editor) editor->TimerTick();
}
