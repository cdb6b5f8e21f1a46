#include "CBitmap.h"

#include "CDrawContext.h"

namespace VSTGUI {

using moltaro::platform::Image;

CBitmap::CBitmap(long id) : resourceID(id), image(moltaro::platform::loadBitmapResource(static_cast<int>(id))) {}

CBitmap::CBitmap(CCoord width, CCoord height) {
    writable = std::make_shared<Image>(width, height);
    image = writable;
}

CBitmap::CBitmap(std::shared_ptr<const Image> picture, long id) : resourceID(id), image(std::move(picture)) {}

CBitmap::~CBitmap() = default;

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    if (context && isLoaded()) context->drawImage(*image, rect, offset, CDrawContext::kDrawOpaque, transparentColor, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    if (context && isLoaded())
        context->drawImage(*image, rect, offset, CDrawContext::kDrawTransparent, transparentColor, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, unsigned char alpha) {
    if (context && isLoaded())
        context->drawImage(*image, rect, offset, CDrawContext::kDrawAlpha, transparentColor, alpha);
}

}  // namespace VSTGUI
