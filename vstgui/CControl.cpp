#include "CControl.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstring>

namespace VSTGUI {

CControl::CControl(const CRect& r, CControlListener* l, long t, CBitmap* background)
    : CView(r), listener(l), tag(t) {
    setBackground(background);
    lastClickTime = moltaro::platform::backend().ticks() - 2 * doubleClickTime();
}

uint32_t CControl::doubleClickTime() {
    // A very short system setting would make double clicks all but impossible.
    constexpr int kShortest = 250;
    const int t = moltaro::platform::backend().doubleClickTime();
    return static_cast<uint32_t>(t < kShortest ? kShortest : t);
}

CControl::~CControl() = default;

bool CControl::isDirty() const { return value != oldValue || CView::isDirty(); }

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    if (val)
        oldValue = value != -1.f ? -1.f : 0.f;
    else
        oldValue = value;
}

bool CControl::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CControl") == 0) || CView::isTypeOf(className);
}

void CControl::doIdleStuff() {
    if (pParentFrame) pParentFrame->doIdleStuff();
}

void CControl::beginEdit() {
    if (!pParentFrame) return;
    pParentFrame->setFocusView(this);
    pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (pParentFrame) pParentFrame->endEdit(tag);
}

void CControl::bounceValue() {
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

bool CControl::checkDefaultValue(CDrawContext* context, long button) {
    if (button != (kLButton | kControl)) return false;
    beginEdit();
    value = defaultValue;
    reportIfDirty(context);
    endEdit();
    return true;
}

long CControl::readButtons(CDrawContext* context, long buttons) {
    if (buttons == -1) return context ? context->getMouseButtons() : 0;
    return buttons;
}

bool CControl::offerModifierClick(CDrawContext* context, long buttons) {
    if (!listener || !(buttons & kAnyModifier)) return false;
    return listener->controlModifierClicked(context, this, buttons) != 0;
}

void CControl::reportIfDirty(CDrawContext* context) {
    if (listener && isDirty()) listener->valueChanged(context, this);
}

}  // namespace VSTGUI

namespace VSTGUI {

void CControl::drawBackgroundBitmap(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    if (!pBackground) return;
    if (bTransparencyEnabled)
        pBackground->drawTransparent(context, rect, offset);
    else
        pBackground->draw(context, rect, offset);
}

bool CControl::stepByWheel(CDrawContext* context, float distance) {
    if (!bMouseEnabled) return false;
    const long button = context ? context->getMouseButtons() : 0;
    value += (button & kShift) ? 0.1f * distance * wheelInc : distance * wheelInc;
    bounceValue();
    if (isDirty()) {
        beginEdit();
        if (listener) listener->valueChanged(context, this);
        endEdit();
    }
    return true;
}

long CControl::stepByKey(const VstKeyCode& keyCode) {
    float step;
    switch (keyCode.virt) {
    case VKEY_UP:
    case VKEY_RIGHT: step = wheelInc; break;
    case VKEY_DOWN:
    case VKEY_LEFT: step = -wheelInc; break;
    default: return -1;
    }
    if (keyCode.modifier & MODIFIER_SHIFT) step *= 0.1f;
    value += step;
    bounceValue();
    if (isDirty()) {
        beginEdit();
        if (listener) listener->valueChanged(nullptr, this);
        endEdit();
    }
    return 1;
}

}  // namespace VSTGUI
