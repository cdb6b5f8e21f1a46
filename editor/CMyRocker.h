#pragma once
// The ALGORITHM arrows: each click on the left or right arrow moves the value one
// step down or up, wrapping around at both ends, so that the arrows cycle through
// the algorithms; the wheel steps too but stops at the ends. The value is the
// effect's normalised Type value (0..1); the pressed arrow lights while held.
// Film strip of 3 images: 0 left arrow lit, 1 neither, 2 right arrow lit.

#include "vstgui/CRockerSwitch.h"

class CMyRocker : public VSTGUI::CRockerSwitch {
public:
    CMyRocker(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
              VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background, const VSTGUI::CPoint& offset,
              long steps, long style = VSTGUI::kHorizontal);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool onWheel(VSTGUI::CDrawContext* context, const VSTGUI::CPoint& where, float distance) override;
    bool isTypeOf(const char* className) const override;

    long getSteps() const { return steps; }
    // -1 left (or upper) arrow held, 0 none, +1 right (or lower).
    int getDirection() const { return direction; }

private:
    long steps;
    int direction = 0;
};
