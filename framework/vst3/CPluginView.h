// Base of an editor view handed to a host: size, parent window and the host's frame.
#pragma once

#include "FObject.h"
#include "Vst3Interfaces.h"

namespace vst3 {

class CPluginView : public FObject, public IPlugView {
public:
    explicit CPluginView(const ViewRect* rect = nullptr);
    ~CPluginView() override;

    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override { return FObject::addRef(); }
    uint32 release() override { return FObject::release(); }

    tresult isPlatformTypeSupported(FIDString type) override;
    tresult attached(void* parent, FIDString type) override;
    tresult removed() override;
    tresult onWheel(float distance) override;
    tresult onKeyDown(char16 key, int16 keyCode, int16 modifiers) override;
    tresult onKeyUp(char16 key, int16 keyCode, int16 modifiers) override;
    tresult getSize(ViewRect* size) override;
    tresult onSize(ViewRect* newSize) override;
    tresult onFocus(TBool state) override;
    tresult setFrame(IPlugFrame* frame) override;
    tresult canResize() override;
    tresult checkSizeConstraint(ViewRect* rect) override;

    bool isAttached() const { return systemWindow != nullptr; }
    void* getSystemWindow() const { return systemWindow; }
    IPlugFrame* getFrame() const { return plugFrame.get(); }
    const ViewRect& getRect() const { return rect; }

protected:
    // Hooks run after the parent window was stored or cleared.
    virtual void attachedToParent() {}
    virtual void removedFromParent() {}

    ViewRect rect;
    void* systemWindow = nullptr;
    Ref<IPlugFrame> plugFrame;
};

}  // namespace vst3
