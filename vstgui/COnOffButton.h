#pragma once
// A two-state button: one click switches it on, the next off.

#include "CControl.h"

namespace VSTGUI {

class COnOffButton : public CControl {
public:
    // The bitmap holds two images of equal height: off above, on below.
    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                 long style = kPostListenerUpdate);
    ~COnOffButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    virtual long getStyle() const { return style; }
    virtual void setStyle(long val) { style = val; }

protected:
    long style;
};

}  // namespace VSTGUI
