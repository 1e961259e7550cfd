// The editor view a VST 3 host attaches to its window: reports the editor's fixed
// size and carries resize requests between the editor and the host's frame.
#pragma once

#include "CPluginView.h"

class EditorRunLoop;
class IEffectVST3;

class IEffectVST3View : public vst3::CPluginView {
public:
    // Holds one reference on `plug` for the view's whole life.
    explicit IEffectVST3View(IEffectVST3* plug);
    ~IEffectVST3View() override;

    vst3::tresult isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult attached(void* parent, vst3::FIDString type) override;
    vst3::tresult removed() override;
    vst3::tresult onWheel(float distance) override;
    vst3::tresult onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult getSize(vst3::ViewRect* size) override;
    vst3::tresult onSize(vst3::ViewRect* newSize) override;
    vst3::tresult onFocus(vst3::TBool state) override;
    vst3::tresult canResize() override;
    vst3::tresult checkSizeConstraint(vst3::ViewRect* rect) override;

    // The plug-in asked the host to resize; the next onSize tells the plug-in.
    void ExpectResize() { expectingResize = true; }

private:
    // Stops the host's run loop calling the editor.
    void DisconnectRunLoop();

    IEffectVST3* plug;
    bool expectingResize = false;
    // Set while an editor that the host paces is open.
    EditorRunLoop* runLoopLink = nullptr;
};
