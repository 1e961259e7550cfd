// Paces an editor through the host's run loop, for platforms whose window needs
// the host to watch its event descriptor and to call a redraw timer (X11 hosts
// offer IRunLoop for this; no thread of ours may touch the window system).
#pragma once

#include "FObject.h"
#include "Vst3Interfaces.h"

class IGraphics;

class EditorRunLoop : public vst3::FObject, public vst3::IEventHandler, public vst3::ITimerHandler {
public:
    // Registers a timer at the editor's frame rate and a handler on its event
    // descriptor. Null, with nothing registered, when either is refused.
    static EditorRunLoop* Connect(vst3::IRunLoop* runLoop, IGraphics* editor);
    // Unregisters both and forgets the editor: a host that still calls afterwards
    // reaches nothing. Releases the creator's reference.
    void Disconnect();

    vst3::tresult queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 addRef() override { return FObject::addRef(); }
    vst3::uint32 release() override { return FObject::release(); }
    void onFDIsSet(int fd) override;
    void onTimer() override;

private:
    EditorRunLoop(vst3::IRunLoop* runLoop, IGraphics* editor);

    vst3::Ref<vst3::IRunLoop> runLoop;
    IGraphics* editor;
    int descriptor = -1;
    bool eventsRegistered = false;
    bool timerRegistered = false;
};
