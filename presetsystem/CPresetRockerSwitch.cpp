#include "presetsystem/CPresetRockerSwitch.h"

#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

CPresetRockerSwitch::CPresetRockerSwitch(const CRect& r, CPresetSystemListener* l, long t, CCoord h,
                                         CBitmap* background, const CPoint& o, long s)
    : CRockerSwitch(r, l, t, h, background, o, s),
      presetListener(l),
      leftHalf(r.left, r.top, (r.left + r.right) / 2, r.bottom),
      rightHalf((r.left + r.right) / 2, r.top, r.right, r.bottom) {}

bool CPresetRockerSwitch::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CPresetRockerSwitch") == 0) || CRockerSwitch::isTypeOf(className);
}

long CPresetRockerSwitch::getImageIndex() const {
    if (value == 1.f) return 4;
    if (value == -1.f) return 3;
    return highlight;
}

void CPresetRockerSwitch::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + getImageIndex() * heightOfOneImage));
    setDirty(false);
}

void CPresetRockerSwitch::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled || !presetListener || !context) return;
    if (!(readButtons(context, buttons) & kLButton)) return;
    if (where.v < size.top || where.v >= size.bottom) return;
    const CCoord middle = size.left + (size.right - size.left) / 2;
    bool up;
    if (where.h >= size.left && where.h <= middle)
        up = false;
    else if (where.h > middle && where.h < size.right)
        up = true;
    else
        return;

    remember();
    value = up ? 1.f : -1.f;
    setDirty(true);
    redraw();
    presetListener->stepProgram(up);
    setDirty(true);
    // Held down, the arrow stays pressed but steps no further.
    while (pParentFrame && pParentFrame->isOpen() && (context->getMouseButtons() & kLButton)) doIdleStuff();
    value = 0.f;
    setDirty(true);
    forget();
}

void CPresetRockerSwitch::setHighlight(bool on, long x, long y) {
    int next = highlight;
    if (!on)
        next = 0;
    else if (leftHalf.pointInside(CPoint(x, y)))
        next = 1;
    else if (rightHalf.pointInside(CPoint(x, y)))
        next = 2;
    if (next == highlight) return;
    highlight = next;
    setDirty(true);
}
