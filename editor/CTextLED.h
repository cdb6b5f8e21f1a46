#pragma once
// The OVER lamp with its peak readout: a three-image lamp (over now, an overload that
// has passed, off) and beside it the held output peak in dB. A click tells the
// listener (the editor resets a passed overload and the held peak).
//
// The lamp and the readout are two rectangles; the control covers both, so that the
// readout is drawn with the control and a click on either reaches it.

#include "vstgui/CControl.h"

class CTextLED : public VSTGUI::CControl {
public:
    // lamp: film strip of 3 images (0 over, 1 latched, 2 off); background: the window
    // background, redrawn under the readout. Both are retained.
    CTextLED(const VSTGUI::CRect& lampRect, const VSTGUI::CRect& textRect, VSTGUI::CControlListener* listener,
             long tag, VSTGUI::CBitmap* lamp, VSTGUI::CBitmap* background);
    ~CTextLED() override;

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // An overload happened and has passed.
    virtual bool isLatched() const { return state < -0.5f; }
    // Leaves the latched state; changes the value so that the lamp redraws.
    virtual void reset();
    virtual void setState(float s);
    virtual void setLevel(double x);
    // The state rule with s, and the new level; the value is left alone.
    virtual void setStateAndLevel(float s, double x);

    float getState() const { return state; }
    double getLevel() const { return level; }
    double getPreviousLevel() const { return previousLevel; }
    // 0 over, 1 latched, 2 off.
    long getImageIndex() const;
    // The readout for the current level ("-6.02dB", "-oodB"); text needs 32 bytes.
    void getReadout(char* text) const;
    VSTGUI::CColor getReadoutColor() const;
    const VSTGUI::CRect& getLampRect() const { return lampRect; }
    const VSTGUI::CRect& getTextRect() const { return textRect; }

    static const VSTGUI::CColor kOverColor;
    static const VSTGUI::CColor kNormalColor;

private:
    // The new state for s: near zero (|s| < threshold) becomes replacement, others are
    // clamped to -4..4; the end of an overload latches; only a new overload leaves
    // the latched state.
    void applyState(float s, float threshold, float replacement);

    VSTGUI::CRect lampRect;
    VSTGUI::CRect textRect;
    VSTGUI::CBitmap* lamp;  // retained
    VSTGUI::CPoint imageOffsets[3];
    float state = 1e-8f;  // >= 0.5 over, <= -0.5 latched
    double level = 0.0;   // linear peak, 1.0 = full scale
    double previousLevel = 0.0;
};
