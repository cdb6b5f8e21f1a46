#include "editor/CTextLED.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"

using namespace VSTGUI;

const CColor CTextLED::kOverColor{200, 80, 80, 255};
const CColor CTextLED::kNormalColor{75, 75, 90, 255};

namespace {

CRect unionOf(CRect a, const CRect& b) { return a.unite(b); }

}  // namespace

CTextLED::CTextLED(const CRect& lampR, const CRect& textR, CControlListener* l, long t, CBitmap* lampBitmap,
                   CBitmap* background)
    : CControl(unionOf(lampR, textR), l, t, background), lampRect(lampR), textRect(textR), lamp(lampBitmap) {
    if (lamp) lamp->remember();
    const CCoord h = lamp ? lamp->getHeight() : 0;
    imageOffsets[0] = CPoint(0, 0);
    imageOffsets[1] = CPoint(0, h / 3);
    imageOffsets[2] = CPoint(0, 2 * h / 3);
}

CTextLED::~CTextLED() {
    if (lamp) lamp->forget();
}

bool CTextLED::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CTextLED") == 0) || CControl::isTypeOf(className);
}

void CTextLED::applyState(float s, float threshold, float replacement) {
    if (std::fabs(s) < threshold)
        s = replacement;
    else if (s > 4.f)
        s = 4.f;
    else if (s < -4.f)
        s = -4.f;
    if (state >= 0.5f && s < 0.5f)
        state = -1.f;
    else if (state > -0.5f || s >= 0.5f)
        state = s;
}

void CTextLED::reset() {
    state = 1e-7f;
    value += 1e-7f;
}

void CTextLED::setState(float s) {
    applyState(s, 1e-8f, 1e-9f);
    value += state;
}

void CTextLED::setLevel(double x) {
    previousLevel = level;
    level = x;
    value = static_cast<float>(x) + state;
}

void CTextLED::setStateAndLevel(float s, double x) {
    applyState(s, 1e-6f, 1e-8f);
    previousLevel = level;
    level = x;
}

long CTextLED::getImageIndex() const {
    if (state >= 0.5f) return 0;
    if (state <= -0.5f) return 1;
    return 2;
}

void CTextLED::getReadout(char* text) const {
    if (level > 1e-6)
        std::snprintf(text, 32, "%2.2fdB", 20.0 * std::log10(level));
    else
        std::strcpy(text, "-oodB");
}

CColor CTextLED::getReadoutColor() const { return level >= 1.0 ? kOverColor : kNormalColor; }

void CTextLED::draw(CDrawContext* context) {
    if (lamp) lamp->draw(context, lampRect, imageOffsets[getImageIndex()]);
    // The readout is written whenever the control is drawn: a redraw of the window
    // around it has painted the background over it.
    if (pBackground) pBackground->draw(context, textRect, CPoint(textRect.left, textRect.top));
    char text[32];
    getReadout(text);
    context->setFont(kNormalFontVerySmall);
    context->setFontColor(getReadoutColor());
    context->drawString(text, textRect, 0, kCenterText);
    setDirty(false);
}

void CTextLED::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled) return;
    if (!(readButtons(context, buttons) & kLButton)) return;
    if (listener) listener->valueChanged(context, this);
}
