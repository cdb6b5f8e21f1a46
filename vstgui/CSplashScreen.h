#pragma once
// A control that, when clicked, shows a bitmap over part of the window as the
// frame's modal view; a click on the shown bitmap closes it again.

#include "CControl.h"

namespace VSTGUI {

class CSplashScreen;

// The view shown while the splash is open.
class CSplashScreenView : public CView {
public:
    CSplashScreenView(const CRect& size, CSplashScreen* splash);
    ~CSplashScreenView() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    CSplashScreen* getSplashScreen() const { return splash; }

protected:
    CSplashScreen* splash;  // not owned; outlives the view while it is shown
};

class CSplashScreen : public CControl {
public:
    // toDisplay: where the bitmap is shown (window coordinates); offset: where in
    // the bitmap drawing starts.
    CSplashScreen(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));
    ~CSplashScreen() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // Closes the splash: value 0, listener told, frame redrawn, view released.
    virtual void unSplash(CDrawContext* context = nullptr);
    // Draws the splash bitmap into rect (opaque, blended with the alpha value, or
    // leaving out the transparent colour, after the settings).
    virtual void drawSplash(CDrawContext* context, const CRect& rect);

    // A non-zero alpha blends the bitmap when transparency is on; 0 leaves out
    // the transparent colour instead.
    virtual void setBitmapTransparency(unsigned char alpha) { alphaValue = alpha; }
    virtual unsigned char getBitmapTransparency() const { return alphaValue; }
    const CRect& getDisplayRect() const { return toDisplay; }
    const CPoint& getOffset() const { return offset; }
    CView* getSplashView() const { return modalView; }

protected:
    // The view shown while the splash is open (a new reference, handed to the frame).
    virtual CView* createSplashView();

    CRect toDisplay;
    CPoint offset;
    unsigned char alphaValue = 255;
    CView* modalView = nullptr;  // the view shown; owned by the frame while shown
};

}  // namespace VSTGUI
