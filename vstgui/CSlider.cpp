#include "CSlider.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CSlider::CSlider(const CRect& r, CControlListener* l, long t, long iMinPos, long iMaxPos, CBitmap* handle,
                 CBitmap* background, const CPoint& offset, long s)
    : CControl(r, l, t, background), style(s) {
    setHandle(handle);
    backOffset = offset;
    if (!(style & (kHorizontal | kVertical))) style |= kHorizontal;
    minPos = iMinPos - ((style & kHorizontal) ? r.left : r.top);
    rangeHandle = iMaxPos - iMinPos;
}

CSlider::~CSlider() {
    if (pHandle) pHandle->forget();
}

void CSlider::setHandle(CBitmap* handle) {
    if (handle == pHandle) return;
    if (handle) handle->remember();
    if (pHandle) pHandle->forget();
    pHandle = handle;
    widthOfSlider = pHandle ? pHandle->getWidth() : 0;
    heightOfSlider = pHandle ? pHandle->getHeight() : 0;
    setDirty(true);
}

bool CSlider::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CSlider") == 0) || CControl::isTypeOf(className);
}

long CSlider::handlePosition() const {
    const float span = vmax - vmin;
    float fraction = span != 0.f ? (value - vmin) / span : 0.f;
    if (!(fraction >= 0.f)) fraction = 0.f;  // also a value that is not a number
    if (fraction > 1.f) fraction = 1.f;
    if (isInverse()) fraction = 1.f - fraction;
    long pos = minPos + static_cast<long>(fraction * rangeHandle);
    const long lo = std::min(minPos, minPos + rangeHandle), hi = std::max(minPos, minPos + rangeHandle);
    return std::clamp(pos, lo, hi);
}

CRect CSlider::getHandleRect() const {
    const long pos = handlePosition();
    if (isHorizontal()) {
        const CCoord left = size.left + pos, top = size.top + offsetHandle.v;
        return CRect(left, top, left + widthOfSlider, top + heightOfSlider);
    }
    const CCoord left = size.left + offsetHandle.h, top = size.top + pos;
    return CRect(left, top, left + widthOfSlider, top + heightOfSlider);
}

float CSlider::fractionForEdge(long edge) const {
    if (rangeHandle == 0) return 0.f;
    float fraction = static_cast<float>(edge - minPos) / static_cast<float>(rangeHandle);
    if (isInverse()) fraction = 1.f - fraction;
    return fraction;
}

void CSlider::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, backOffset);
    if (pHandle) {
        const CRect handle = getHandleRect();
        if (bDrawTransparentEnabled)
            pHandle->drawTransparent(context, handle);
        else
            pHandle->draw(context, handle);
    }
    setDirty(false);
}

void CSlider::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled) return;
    long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (checkDefaultValue(context, button)) return;
    if (!(button & kLButton)) return;

    const auto along = [this](const CPoint& p) { return isHorizontal() ? p.h - size.left : p.v - size.top; };
    const CCoord extent = isHorizontal() ? widthOfSlider : heightOfSlider;
    long grab;  // pointer position inside the handle, kept during the drag
    if (!bFreeClick) {
        if (!getHandleRect().pointInside(where)) return;
        grab = along(where) - handlePosition();
    } else {
        grab = extent / 2;
    }

    const float span = vmax - vmin;
    bool fine = false;
    float fineStartFraction = 0.f;  // pointer fraction where Shift went down
    float fineStartValue = 0.f;     // normalised value at that moment
    float lastReported = value;

    beginEdit();
    CPoint p = where;
    for (;;) {
        const float pointerFraction = fractionForEdge(along(p) - grab);
        float fraction;
        if (button & kShift) {
            if (!fine) {
                fine = true;
                fineStartFraction = pointerFraction;
                fineStartValue = span != 0.f ? (value - vmin) / span : 0.f;
            }
            fraction = fineStartValue + (pointerFraction - fineStartFraction) / zoomFactor;
        } else {
            fine = false;
            fraction = pointerFraction;
        }
        value = vmin + fraction * span;
        bounceValue();
        if (isDirty() && value != lastReported) {
            if (listener) listener->valueChanged(context, this);
            lastReported = value;
        }
        button = context ? context->getMouseButtons() : 0;
        if (!(button & kLButton)) break;
        getMouseLocation(context, p);
        doIdleStuff();
    }
    endEdit();
}

bool CSlider::onWheel(CDrawContext* context, const CPoint&, float distance) { return stepByWheel(context, distance); }

long CSlider::onKeyDown(VstKeyCode& keyCode) { return stepByKey(keyCode); }

CHorizontalSlider::CHorizontalSlider(const CRect& r, CControlListener* l, long t, long iMinPos, long iMaxPos,
                                     CBitmap* handle, CBitmap* background, const CPoint& offset, long s)
    : CSlider(r, l, t, iMinPos, iMaxPos, handle, background, offset, (s & ~kVertical) | kHorizontal) {}

bool CHorizontalSlider::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CHorizontalSlider") == 0) || CSlider::isTypeOf(className);
}

}  // namespace VSTGUI
