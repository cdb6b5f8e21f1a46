#include "CKickButton.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CKickButton::CKickButton(const CRect& r, CControlListener* l, long t, CCoord h, CBitmap* background,
                         const CPoint& o)
    : CControl(r, l, t, background), offset(o), heightOfOneImage(h) {}

CKickButton::~CKickButton() = default;

bool CKickButton::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CKickButton") == 0) || CControl::isTypeOf(className);
}

void CKickButton::draw(CDrawContext* context) {
    bounceValue();
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + (value != 0.f ? heightOfOneImage : 0)));
    setDirty(false);
}

void CKickButton::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled) return;
    long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (!(button & kLButton)) return;

    beginEdit();
    if (button == kLButton) {
        // Pressed while the pointer is over the button, released elsewhere.
        CPoint p = where;
        float reported = value;
        for (;;) {
            value = size.pointInside(p) ? 1.f : 0.f;
            if (isDirty() && value != reported) {
                if (listener) listener->valueChanged(context, this);
                reported = value;
            }
            button = context ? context->getMouseButtons() : 0;
            if (button != kLButton) break;
            getMouseLocation(context, p);
            doIdleStuff();
        }
    } else {
        value = value == 0.f ? 1.f : 0.f;
        if (listener) listener->valueChanged(context, this);
    }
    value = 0.f;
    if (listener) listener->valueChanged(context, this);
    endEdit();
}

}  // namespace VSTGUI
