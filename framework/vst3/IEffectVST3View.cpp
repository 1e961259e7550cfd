// Host view operations mapped onto the plug-in's editor.
#include "IEffectVST3View.h"

#include <cstring>

#include "EditorRunLoop.h"
#include "IEffectVST3.h"
#include "graphics/IGraphics.h"

using namespace vst3;

IEffectVST3View::IEffectVST3View(IEffectVST3* plug_) : plug(plug_) { plug->addRef(); }

IEffectVST3View::~IEffectVST3View() {
    // A host that lets go of an attached view gets no further calls into the editor.
    if (runLoopLink) {
        DisconnectRunLoop();
        if (IGraphics* editor = plug->Editor()) {
            plug->OnEditorClosing();
            editor->CloseWindow();
        }
    }
    plug->ForgetView(this);
    // May destroy the plug-in when the host let go of it first.
    plug->release();
}

namespace {
// Whether the editor can open its window in a host window of this type.
bool EditorOpensIn(const IGraphics* editor, FIDString type) {
    const char* own = editor ? editor->WindowPlatformType() : nullptr;
    return own && type && std::strcmp(type, own) == 0;
}
}  // namespace

tresult IEffectVST3View::isPlatformTypeSupported(FIDString type) {
    return EditorOpensIn(plug->Editor(), type) ? kResultTrue : kResultFalse;
}

tresult IEffectVST3View::attached(void* parent, FIDString type) {
    IGraphics* editor = plug->Editor();
    if (!editor) return kResultFalse;
    // No parent or a type we cannot open in gets nothing, and the host must not
    // think it did.
    if (!parent || !EditorOpensIn(editor, type)) return kResultFalse;
    DisconnectRunLoop();
    systemWindow = editor->OpenWindow(parent);
    if (!systemWindow) return kResultFalse;
    if (editor->WindowEventDescriptor() >= 0) {
        // The window lives on the host's run loop: without one it would never draw.
        IRunLoop* runLoop = queryAs<IRunLoop>(plugFrame.get());
        if (!runLoop) runLoop = queryAs<IRunLoop>(plug->getHostContext());
        runLoopLink = EditorRunLoop::Connect(runLoop, editor);
        if (runLoop) runLoop->release();
        if (!runLoopLink) {
            editor->CloseWindow();
            systemWindow = nullptr;
            return kResultFalse;
        }
    }
    plug->OnEditorOpened();
    return kResultOk;
}

void IEffectVST3View::DisconnectRunLoop() {
    if (!runLoopLink) return;
    runLoopLink->Disconnect();
    runLoopLink = nullptr;
}

tresult IEffectVST3View::removed() {
    DisconnectRunLoop();
    if (IGraphics* editor = plug->Editor()) {
        plug->OnEditorClosing();
        editor->CloseWindow();
    }
    systemWindow = nullptr;
    return kResultOk;
}

tresult IEffectVST3View::onWheel(float) { return kResultFalse; }
tresult IEffectVST3View::onKeyDown(char16, int16, int16) { return kResultFalse; }
tresult IEffectVST3View::onKeyUp(char16, int16, int16) { return kResultFalse; }

tresult IEffectVST3View::getSize(ViewRect* size) {
    const IGraphics* editor = plug->Editor();
    if (!editor) return kResultFalse;
    if (!size) return kInvalidArgument;
    *size = ViewRect{0, 0, editor->Width(), editor->Height()};
    return kResultOk;
}

tresult IEffectVST3View::onSize(ViewRect* newSize) {
    if (newSize) rect = *newSize;
    if (expectingResize) {
        expectingResize = false;
        plug->OnEditorResized();
    }
    return kResultOk;
}

tresult IEffectVST3View::onFocus(TBool) { return kResultFalse; }
tresult IEffectVST3View::canResize() { return kResultFalse; }
tresult IEffectVST3View::checkSizeConstraint(ViewRect*) { return kResultFalse; }
