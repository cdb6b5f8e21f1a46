#pragma once
// A three-position switch that springs back to its middle on release.

#include "CControl.h"

namespace VSTGUI {

class CRockerSwitch : public CControl {
public:
    // Value -1 (left/upper pressed), 0 (rest) or 1 (right/lower pressed); style
    // kHorizontal or kVertical.
    CRockerSwitch(const CRect& size, CControlListener* listener, long tag, CCoord heightOfOneImage,
                  CBitmap* background, const CPoint& offset = CPoint(0, 0), long style = kHorizontal);
    ~CRockerSwitch() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    virtual void setHeightOfOneImage(CCoord height) { heightOfOneImage = height; }
    virtual CCoord getHeightOfOneImage() const { return heightOfOneImage; }
    long getStyle() const { return style; }

protected:
    CPoint offset;
    CCoord heightOfOneImage;
    long style;
};

}  // namespace VSTGUI
