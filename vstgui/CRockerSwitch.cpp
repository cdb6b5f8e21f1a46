#include "CRockerSwitch.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CRockerSwitch::CRockerSwitch(const CRect& r, CControlListener* l, long t, CCoord h, CBitmap* background,
                             const CPoint& o, long s)
    : CControl(r, l, t, background), offset(o), heightOfOneImage(h), style(s) {
    vmin = -1.f;
    vmax = 1.f;
    value = 0.f;
    defaultValue = 0.f;
}

CRockerSwitch::~CRockerSwitch() = default;

bool CRockerSwitch::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CRockerSwitch") == 0) || CControl::isTypeOf(className);
}

void CRockerSwitch::draw(CDrawContext* context) {
    const long image = value < -0.5f ? 0 : value > 0.5f ? 2 : 1;
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + image * heightOfOneImage));
    setDirty(false);
}

void CRockerSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled) return;
    long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (!(button & (kLButton | kMButton | kRButton))) return;

    beginEdit();
    CPoint p = where;
    float reported = value;
    for (;;) {
        if (size.pointInside(p)) {
            const bool first = (style & kVertical) ? p.v < size.top + size.height() / 2
                                                   : p.h < size.left + size.width() / 2;
            value = first ? -1.f : 1.f;
        }
        if (isDirty() && value != reported) {
            if (listener) listener->valueChanged(context, this);
            reported = value;
        }
        button = context ? context->getMouseButtons() : 0;
        if (!(button & (kLButton | kMButton | kRButton))) break;
        getMouseLocation(context, p);
        doIdleStuff();
    }
    value = 0.f;
    if (listener) listener->valueChanged(context, this);
    endEdit();
}

}  // namespace VSTGUI
