#include "CKnob.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Pixels of linear dragging for the whole range.
constexpr float kLinearRange = 200.f;

}  // namespace

CKnob::CKnob(const CRect& r, CControlListener* l, long t, CBitmap* background, CBitmap* handle, const CPoint& o)
    : CControl(r, l, t, background), offset(o) {
    setHandleBitmap(handle);
}

CKnob::~CKnob() {
    if (pHandle) pHandle->forget();
}

void CKnob::setHandleBitmap(CBitmap* bitmap) {
    if (bitmap == pHandle) return;
    if (bitmap) bitmap->remember();
    if (pHandle) pHandle->forget();
    pHandle = bitmap;
    setDirty(true);
}

bool CKnob::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CKnob") == 0) || CControl::isTypeOf(className);
}

void CKnob::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, offset);
    drawHandle(context);
    setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context) {
    CPoint end;
    valueToPoint(end);
    if (pHandle) {
        const CCoord w = pHandle->getWidth(), h = pHandle->getHeight();
        const CRect r(end.h - w / 2, end.v - h / 2, end.h - w / 2 + w, end.v - h / 2 + h);
        pHandle->drawTransparent(context, r);
        return;
    }
    const CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
    const CColor old = context->getFrameColor();
    context->setFrameColor(colorShadowHandle);
    context->drawLine(CPoint(centre.h + 1, centre.v + 1), CPoint(end.h + 1, end.v + 1));
    context->setFrameColor(colorHandle);
    context->drawLine(centre, end);
    context->setFrameColor(old);
}

void CKnob::valueToPoint(CPoint& point) const {
    const float range = vmax - vmin;
    const double fraction = range != 0.f ? (value - vmin) / range : 0.0;
    const double angle = startAngle + fraction * rangeAngle;
    const double radius = std::max(0.0, size.width() / 2.0 - inset);
    point.h = size.left + size.width() / 2 + static_cast<CCoord>(std::lround(std::cos(angle) * radius));
    point.v = size.top + size.height() / 2 - static_cast<CCoord>(std::lround(std::sin(angle) * radius));
}

double CKnob::arcFraction(const CPoint& p) const {
    const double dx = p.h - (size.left + size.width() / 2.0);
    const double dy = (size.top + size.height() / 2.0) - p.v;
    const double angle = std::atan2(dy, dx);
    const double direction = rangeAngle < 0 ? -1.0 : 1.0;
    double diff = std::fmod((angle - startAngle) * direction, kTwoPi);
    if (diff < 0) diff += kTwoPi;
    const double span = std::fabs(rangeAngle);
    return span > 0 ? diff / span : 0.0;
}

float CKnob::valueFromPoint(CPoint& point) const {
    double fraction = arcFraction(point);
    const double span = std::fabs(rangeAngle);
    if (fraction > 1.0) {
        // In the gap: the nearer end.
        const double middleOfGap = 1.0 + (kTwoPi / (span > 0 ? span : kTwoPi) - 1.0) / 2.0;
        fraction = fraction < middleOfGap ? 1.0 : 0.0;
    }
    return static_cast<float>(vmin + fraction * (vmax - vmin));
}

void CKnob::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!bMouseEnabled) return;
    long button = readButtons(context, buttons);
    if (!(button & kLButton)) return;
    if (offerModifierClick(context, button)) return;
    if (checkDefaultValue(context, button)) return;

    const long mode = pParentFrame ? pParentFrame->getKnobMode() : kCircularMode;
    const bool alt = (button & kAlt) != 0;
    const bool linear = (mode == kLinearMode) != alt;
    const bool relative = !linear && mode == kRelativCircularMode;
    const float span = vmax - vmin;

    // Linear dragging: the value follows (x - startX) + (startY - y) over the range
    // in pixels; a change of Shift re-bases the start so the value does not jump.
    CPoint start = where;
    CPoint last = where;
    float startValue = value;
    bool fine = (button & kShift) != 0;
    float range = fine ? kLinearRange * zoomFactor : kLinearRange;

    beginEdit();
    CPoint p;
    for (;;) {
        button = context ? context->getMouseButtons() : 0;
        if (!(button & kLButton)) break;
        getMouseLocation(context, p);
        const bool nowFine = (button & kShift) != 0;
        if (linear && nowFine != fine) {
            start = last;
            startValue = value;
            fine = nowFine;
            range = fine ? kLinearRange * zoomFactor : kLinearRange;
        }
        if (p != last) {
            if (linear) {
                const float delta = static_cast<float>((p.h - start.h) + (start.v - p.v));
                value = startValue + delta / range * span;
            } else if (relative) {
                double change = arcFraction(p) - arcFraction(last);
                if (std::fabs(change) < 0.5) value += static_cast<float>(change * span);
            } else {
                const float next = valueFromPoint(p);
                // A jump of more than half the range would cross the gap: stop at the end.
                if (std::fabs(next - value) > span / 2)
                    value = value < vmin + span / 2 ? vmin : vmax;
                else
                    value = next;
            }
            bounceValue();
            reportIfDirty(context);
            last = p;
        }
        doIdleStuff();
    }
    endEdit();
}

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance) { return stepByWheel(context, distance); }

long CKnob::onKeyDown(VstKeyCode& keyCode) { return stepByKey(keyCode); }

// ---------------------------------------------------------------- film strip

CAnimKnob::CAnimKnob(const CRect& r, CControlListener* l, long t, long n, CCoord h, CBitmap* background,
                     const CPoint& o)
    : CKnob(r, l, t, background, nullptr, o), subPixmaps(n), heightOfOneImage(h) {}

CAnimKnob::~CAnimKnob() = default;

bool CAnimKnob::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CAnimKnob") == 0) || CKnob::isTypeOf(className);
}

long CAnimKnob::getImageIndex() const {
    if (!(value >= 0.f) || heightOfOneImage <= 0 || subPixmaps <= 0) return 0;
    float v = bInverseBitmap ? 1.f - value : value;
    // Held to the strip before the conversion, which a huge value would overflow.
    v = v < 0.f ? 0.f : v > 1.f ? 1.f : v;
    // Position in pixels, truncated, then down to a whole image.
    long position = static_cast<long>(v * static_cast<float>(heightOfOneImage) * static_cast<float>(subPixmaps - 1));
    long index = position / heightOfOneImage;
    if (index < 0) index = 0;
    if (index > subPixmaps - 1) index = subPixmaps - 1;
    return index;
}

void CAnimKnob::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + getImageIndex() * heightOfOneImage));
    setDirty(false);
}

}  // namespace VSTGUI
