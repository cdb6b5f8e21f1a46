#include "COnOffButton.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cstring>

namespace VSTGUI {

COnOffButton::COnOffButton(const CRect& r, CControlListener* l, long t, CBitmap* background, long s)
    : CControl(r, l, t, background), style(s) {}

COnOffButton::~COnOffButton() = default;

bool COnOffButton::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "COnOffButton") == 0) || CControl::isTypeOf(className);
}

void COnOffButton::draw(CDrawContext* context) {
    if (pBackground) drawBackgroundBitmap(context, size, CPoint(0, value != 0.f ? pBackground->getHeight() / 2 : 0));
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled) return;
    const long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (!(button & kLButton)) return;
    value = value == 0.f ? 1.f : 0.f;
    const auto tell = [&] {
        beginEdit();
        if (listener) listener->valueChanged(context, this);
        endEdit();
    };
    if (style & kPreListenerUpdate) {
        tell();
        doIdleStuff();
    } else {
        doIdleStuff();
        tell();
    }
}

}  // namespace VSTGUI
