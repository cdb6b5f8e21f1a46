#pragma once
// The about screen: a click on the title strip shows the about picture over the upper
// part of the window, with the version written on it; a click anywhere on it closes it.

#include "vstgui/CSplashScreen.h"

class CAbout;

// The view shown while the about screen is open (the frame's modal view).
class CSplashScreenMyView : public VSTGUI::CView {
public:
    static constexpr const char* kVersionText = "v.1.6.0";

    CSplashScreenMyView(const VSTGUI::CRect& size, CAbout* about, const VSTGUI::CPoint& textPosition);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // Where the version is written (window coordinates).
    VSTGUI::CRect getVersionRect() const;

private:
    CAbout* about;  // not owned; outlives the view while it is shown
    VSTGUI::CPoint textPosition;
};

class CAbout : public VSTGUI::CSplashScreen {
public:
    // toDisplay: where the about picture is shown; textPosition: where, relative to
    // it, the version text area begins (the text sits 20 pixels below).
    CAbout(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, VSTGUI::CBitmap* background,
           const VSTGUI::CRect& toDisplay, const VSTGUI::CPoint& offset, const VSTGUI::CPoint& textPosition);

    // The strip is part of the window background: nothing to draw.
    void draw(VSTGUI::CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;

    const VSTGUI::CPoint& getTextPosition() const { return textPosition; }

protected:
    // The about view with the version text, instead of the plain splash view.
    VSTGUI::CView* createSplashView() override;

private:
    VSTGUI::CPoint textPosition;
};
