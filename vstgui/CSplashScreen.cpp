#include "CSplashScreen.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstring>

namespace VSTGUI {

CSplashScreenView::CSplashScreenView(const CRect& r, CSplashScreen* s) : CView(r), splash(s) {}

CSplashScreenView::~CSplashScreenView() = default;

bool CSplashScreenView::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CSplashScreenView") == 0) || CView::isTypeOf(className);
}

void CSplashScreenView::draw(CDrawContext* context) {
    if (splash) splash->drawSplash(context, size);
    setDirty(false);
}

void CSplashScreenView::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
    if (!(buttons & kLButton) || !splash) return;
    splash->unSplash(context);
}

CSplashScreen::CSplashScreen(const CRect& r, CControlListener* l, long t, CBitmap* background,
                             const CRect& display, const CPoint& o)
    : CControl(r, l, t, background), toDisplay(display), offset(o) {}

CSplashScreen::~CSplashScreen() = default;

bool CSplashScreen::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CSplashScreen") == 0) || CControl::isTypeOf(className);
}

void CSplashScreen::drawSplash(CDrawContext* context, const CRect& rect) {
    if (!pBackground) return;
    if (!bTransparencyEnabled)
        pBackground->draw(context, rect, offset);
    else if (alphaValue != 0)
        pBackground->drawAlphaBlend(context, rect, offset, alphaValue);
    else
        pBackground->drawTransparent(context, rect, offset);
}

void CSplashScreen::draw(CDrawContext* context) {
    if (value != 0.f) drawSplash(context, toDisplay);
    setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled) return;
    const long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (!(button & kLButton)) return;
    value = value == 0.f ? 1.f : 0.f;
    if (value != 0.f) {
        CView* view = createSplashView();
        if (pParentFrame && pParentFrame->setModalView(view)) {
            modalView = view;
            if (listener) listener->valueChanged(context, this);
        } else {
            view->forget();
            value = 0.f;
        }
    }
    setDirty(true);
}

CView* CSplashScreen::createSplashView() { return new CSplashScreenView(toDisplay, this); }

void CSplashScreen::unSplash(CDrawContext* context) {
    value = 0.f;
    if (listener) listener->valueChanged(context, this);
    setDirty(true);
    CView* view = modalView;
    modalView = nullptr;
    if (!view || !pParentFrame) return;
    pParentFrame->setDirty(true);
    if (pParentFrame->getModalView() == view) {
        pParentFrame->setModalView(nullptr);
        view->forget();  // the frame's reference
    }
}

}  // namespace VSTGUI
