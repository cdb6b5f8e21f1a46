#pragma once
// The preset bar's memory buttons (A/B store and recall): a press tells the editor at
// once and shows the pressed image until the button is released; the button lights
// up while the mouse is over it.
// Film strip of 4 images of equal height: 0 normal, 1 highlighted, 2 pressed,
// 3 disabled.

#include "vstgui/COnOffButton.h"

class CPresetOnOffButton : public VSTGUI::COnOffButton {
public:
    CPresetOnOffButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                       VSTGUI::CBitmap* background);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // Marks the button dirty when the highlight changes.
    virtual void setHighlight(bool on);
    bool getHighlight() const { return highlight; }
    void setEnabled(bool on);
    bool isEnabled() const { return enabled; }
    bool isPressed() const { return pressed; }
    // The strip image shown now.
    long getImageIndex() const;

private:
    bool highlight = false;
    bool enabled = true;
    bool pressed = false;
};
