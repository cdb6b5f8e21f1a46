#include "presetsystem/CPresetOnOffButton.h"

#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

CPresetOnOffButton::CPresetOnOffButton(const CRect& r, CControlListener* l, long t, CBitmap* background)
    : COnOffButton(r, l, t, background, kPostListenerUpdate) {}

bool CPresetOnOffButton::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CPresetOnOffButton") == 0) || COnOffButton::isTypeOf(className);
}

long CPresetOnOffButton::getImageIndex() const {
    if (!enabled) return 3;
    if (pressed) return 2;
    return highlight ? 1 : 0;
}

void CPresetOnOffButton::draw(CDrawContext* context) {
    if (pBackground) drawBackgroundBitmap(context, size, CPoint(0, getImageIndex() * (pBackground->getHeight() / 4)));
    setDirty(false);
}

void CPresetOnOffButton::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled || !context) return;
    if (!(readButtons(context, buttons) & kLButton)) return;
    remember();
    if (listener) listener->valueChanged(context, this);
    pressed = true;
    setDirty(true);
    while (pParentFrame && pParentFrame->isOpen() && (context->getMouseButtons() & kLButton)) doIdleStuff();
    pressed = false;
    setDirty(true);
    forget();
}

void CPresetOnOffButton::setHighlight(bool on) {
    if (on == highlight) return;
    highlight = on;
    setDirty(true);
}

void CPresetOnOffButton::setEnabled(bool on) {
    if (on == enabled) return;
    enabled = on;
    setDirty(true);
}
