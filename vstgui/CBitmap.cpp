#include "CBitmap.h"

#include "CDrawContext.h"
#include "platform/Scaling.h"

namespace VSTGUI {

using moltaro::platform::Image;

CBitmap::CBitmap(long id) : resourceID(id), image(moltaro::platform::loadBitmapResource(static_cast<int>(id))) {}

CBitmap::CBitmap(CCoord width, CCoord height) {
    writable = std::make_shared<Image>(width, height);
    image = writable;
}

CBitmap::CBitmap(std::shared_ptr<const Image> picture, long id) : resourceID(id), image(std::move(picture)) {}

CBitmap::~CBitmap() = default;

const Image& CBitmap::imageFor(CDrawContext* context) {
    const double scale = context->getScale();
    if (scale == 1.0 || resourceID == 0 || writable) return *image;
    const int percent = moltaro::platform::scalePercent(scale);
    if (percent != scaledPercent) {
        scaledImage = moltaro::platform::loadBitmapResource(static_cast<int>(resourceID), percent);
        scaledPercent = percent;
    }
    return scaledImage && !scaledImage->isEmpty() ? *scaledImage : *image;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    if (context && isLoaded()) context->drawImage(imageFor(context), rect, offset, CDrawContext::kDrawOpaque, transparentColor, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    if (context && isLoaded())
        context->drawImage(imageFor(context), rect, offset, CDrawContext::kDrawTransparent, transparentColor, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, unsigned char alpha) {
    if (context && isLoaded())
        context->drawImage(imageFor(context), rect, offset, CDrawContext::kDrawAlpha, transparentColor, alpha);
}

}  // namespace VSTGUI
