#pragma once
// A bitmap: a module resource loaded by number, or a blank picture to draw into.
// Drawn opaque, with a transparent colour left out, or blended with a constant alpha.

#include "CBase.h"
#include "platform/Platform.h"

#include <memory>

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
public:
    // A resource that cannot be loaded leaves a 0 x 0 bitmap that draws nothing.
    explicit CBitmap(long resourceID);
    // A blank (opaque black) picture of the given size.
    CBitmap(CCoord width, CCoord height);
    // A picture made elsewhere (shared, not copied).
    explicit CBitmap(std::shared_ptr<const moltaro::platform::Image> image, long resourceID = 0);
    ~CBitmap() override;

    // Copies rect's size from the bitmap at offset to rect.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    // The same, leaving out pixels of the transparent colour.
    virtual void drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    // The same, blended with a constant alpha (0 .. 255).
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
                                unsigned char alpha = 128);

    CCoord getWidth() const { return image ? image->width() : 0; }
    CCoord getHeight() const { return image ? image->height() : 0; }
    long getResourceID() const { return resourceID; }
    bool isLoaded() const { return image && !image->isEmpty(); }

    void setTransparentColor(const CColor& color) { transparentColor = color; }
    CColor getTransparentColor() const { return transparentColor; }

    const moltaro::platform::Image* getImage() const { return image.get(); }
    // Writable pixels; null for a shared resource picture.
    moltaro::platform::Image* getWritableImage() { return writable.get(); }

private:
    // The picture to draw on context: the resource drawn for its scale factor when
    // the module carries one, else this bitmap's own (scaled while drawing).
    const moltaro::platform::Image& imageFor(CDrawContext* context);

    long resourceID = 0;
    std::shared_ptr<const moltaro::platform::Image> image;
    std::shared_ptr<moltaro::platform::Image> writable;  // set for blank pictures
    CColor transparentColor{255, 255, 255, 0};
    std::shared_ptr<const moltaro::platform::Image> scaledImage;  // of the last scale drawn at
    int scaledPercent = 100;
};

}  // namespace VSTGUI
