#include "editor/CAbout.h"

#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

CSplashScreenMyView::CSplashScreenMyView(const CRect& r, CAbout* a, const CPoint& text)
    : CView(r), about(a), textPosition(text) {
    if (about) {
        setBackground(about->getBackground());
        setTransparency(about->getTransparency());
    }
}

bool CSplashScreenMyView::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CSplashScreenMyView") == 0) || CView::isTypeOf(className);
}

CRect CSplashScreenMyView::getVersionRect() const {
    const CCoord left = size.left + textPosition.h;
    const CCoord top = size.top + textPosition.v + 20;
    return CRect(left, top, left + 128, top + 15);
}

void CSplashScreenMyView::draw(CDrawContext* context) {
    if (about) about->drawSplash(context, size);
    context->setFont(kNormalFontSmall, 9, kNormalFace);
    context->setFontColor(kBlackCColor);
    context->drawString(kVersionText, getVersionRect(), 0, kCenterText);
    setDirty(false);
}

void CSplashScreenMyView::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
    if (!(buttons & kLButton) || !about) return;
    about->unSplash(context);
}

CAbout::CAbout(const CRect& r, CControlListener* l, long t, CBitmap* background, const CRect& display,
               const CPoint& o, const CPoint& text)
    : CSplashScreen(r, l, t, background, display, o), textPosition(text) {}

bool CAbout::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CAbout") == 0) || CSplashScreen::isTypeOf(className);
}

void CAbout::draw(CDrawContext*) { setDirty(false); }

CView* CAbout::createSplashView() { return new CSplashScreenMyView(toDisplay, this, textPosition); }
