#pragma once
// Shows one image of a film strip for its value; takes no input.

#include "CControl.h"

namespace VSTGUI {

class CMovieBitmap : public CControl {
public:
    CMovieBitmap(const CRect& size, CControlListener* listener, long tag, long subPixmaps, CCoord heightOfOneImage,
                 CBitmap* background, const CPoint& offset = CPoint(0, 0));
    ~CMovieBitmap() override;

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;

    // The strip image shown for the current value.
    long getImageIndex() const;
    virtual void setNumSubPixmaps(long count) { subPixmaps = count; }
    virtual long getNumSubPixmaps() const { return subPixmaps; }
    virtual void setHeightOfOneImage(CCoord height) { heightOfOneImage = height; }
    virtual CCoord getHeightOfOneImage() const { return heightOfOneImage; }

protected:
    CPoint offset;
    long subPixmaps;
    CCoord heightOfOneImage;
};

}  // namespace VSTGUI
