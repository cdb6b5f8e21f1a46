#include "CMovieBitmap.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cstring>

namespace VSTGUI {

CMovieBitmap::CMovieBitmap(const CRect& r, CControlListener* l, long t, long n, CCoord h, CBitmap* background,
                           const CPoint& o)
    : CControl(r, l, t, background), offset(o), subPixmaps(n), heightOfOneImage(h) {}

CMovieBitmap::~CMovieBitmap() = default;

bool CMovieBitmap::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CMovieBitmap") == 0) || CControl::isTypeOf(className);
}

long CMovieBitmap::getImageIndex() const {
    const float v = value > 1.f ? 1.f : value;
    if (!(v > 0.f) || subPixmaps <= 0) return 0;  // also a value that is not a number
    // Rounded by adding one half and truncating.
    long index = static_cast<long>(static_cast<float>(subPixmaps - 1) * v + 0.5f);
    return index > subPixmaps - 1 ? subPixmaps - 1 : index;
}

void CMovieBitmap::draw(CDrawContext* context) {
    if (value > 1.f) value = 1.f;
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + getImageIndex() * heightOfOneImage));
    setDirty(false);
}

}  // namespace VSTGUI
