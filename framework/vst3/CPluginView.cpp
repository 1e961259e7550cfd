// Default answers of an editor view.
#include "CPluginView.h"

namespace vst3 {

CPluginView::CPluginView(const ViewRect* initial) : rect(initial ? *initial : ViewRect{0, 0, 0, 0}) {}

CPluginView::~CPluginView() = default;

tresult CPluginView::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (IPlugView::iid.matches(iid)) return answer(static_cast<IPlugView*>(this), obj);
    return FObject::queryInterface(iid, obj);
}

tresult CPluginView::isPlatformTypeSupported(FIDString) { return kNotImplemented; }

tresult CPluginView::attached(void* parent, FIDString) {
    if (!parent) return kInvalidArgument;
    systemWindow = parent;
    attachedToParent();
    return kResultOk;
}

tresult CPluginView::removed() {
    systemWindow = nullptr;
    removedFromParent();
    return kResultOk;
}

tresult CPluginView::onWheel(float) { return kResultFalse; }
tresult CPluginView::onKeyDown(char16, int16, int16) { return kResultFalse; }
tresult CPluginView::onKeyUp(char16, int16, int16) { return kResultFalse; }

tresult CPluginView::getSize(ViewRect* size) {
    if (!size) return kInvalidArgument;
    *size = rect;
    return kResultTrue;
}

tresult CPluginView::onSize(ViewRect* newSize) {
    if (!newSize) return kInvalidArgument;
    rect = *newSize;
    return kResultTrue;
}

tresult CPluginView::onFocus(TBool) { return kResultFalse; }

tresult CPluginView::setFrame(IPlugFrame* frame) {
    plugFrame.assign(frame);
    return kResultTrue;
}

tresult CPluginView::canResize() { return kResultFalse; }
tresult CPluginView::checkSizeConstraint(ViewRect*) { return kResultFalse; }

}  // namespace vst3
