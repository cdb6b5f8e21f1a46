#include "editor/CMyRocker.h"

#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

CMyRocker::CMyRocker(const CRect& r, CControlListener* l, long t, CCoord h, CBitmap* background, const CPoint& o,
                     long n, long s)
    : CRockerSwitch(r, l, t, h, background, o, s), steps(n > 0 ? n : 1) {
    vmin = 0.f;
    vmax = 1.f;
}

bool CMyRocker::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CMyRocker") == 0) || CRockerSwitch::isTypeOf(className);
}

void CMyRocker::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + (direction + 1) * heightOfOneImage));
    setDirty(false);
}

void CMyRocker::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled || !context) return;
    if (!(readButtons(context, buttons) & kLButton)) return;

    remember();  // the listener may close the window while we wait for the release
    beginEdit();
    const float before = value;
    const float step = 1.f / static_cast<float>(steps);
    const bool vertical = (style & kVertical) != 0;
    const CCoord along = vertical ? where.v : where.h;
    const CCoord across = vertical ? where.h : where.v;
    const CCoord start = vertical ? size.top : size.left;
    const CCoord end = vertical ? size.bottom : size.right;
    const CCoord half = start + (end - start) / 2;
    const bool inside = vertical ? (across >= size.left && across < size.right)
                                 : (across >= size.top && across < size.bottom);
    if (inside && along >= start && along <= half) {
        value -= step;
        direction = -1;
    } else if (inside && along > half && along < end) {
        value += step;
        direction = 1;
    }
    if (value >= 1.f) value -= 1.f;
    if (value < 0.f) value += 1.f;

    if (value != before) {
        setDirty(true);
        if (listener) listener->valueChanged(context, this);
    }
    doIdleStuff();
    while (pParentFrame && pParentFrame->isOpen() && (context->getMouseButtons() & kLButton)) doIdleStuff();

    direction = 0;
    setDirty(true);
    // The last report still belongs to the edit, so the host sees it inside the gesture.
    if (listener) listener->valueChanged(context, this);
    endEdit();
    forget();
}

bool CMyRocker::onWheel(CDrawContext* context, const CPoint&, float distance) {
    if (!bMouseEnabled) return false;
    const float step = 1.f / static_cast<float>(steps);
    value += distance > 0.f ? -step : step;
    // Reported as one edit, so that a host recording automation sees the gesture.
    beginEdit();
    if (isDirty() && listener) listener->valueChanged(context, this);
    if (listener) listener->valueChanged(context, this);
    endEdit();
    return true;
}
