#include "CView.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstring>

namespace VSTGUI {

CView::CView(const CRect& r) : size(r), mouseableArea(r) {}

CView::~CView() {
    if (pBackground) pBackground->forget();
}

void CView::draw(CDrawContext* context) {
    if (pBackground) {
        if (bTransparencyEnabled)
            pBackground->drawTransparent(context, size);
        else
            pBackground->draw(context, size);
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

void CView::mouse(CDrawContext*, CPoint&, long) {}

void CView::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (background) background->remember();
    if (pBackground) pBackground->forget();
    pBackground = background;
    setDirty(true);
}

long CView::onKeyDown(VstKeyCode&) { return -1; }
long CView::onKeyUp(VstKeyCode&) { return -1; }

bool CView::onWheel(CDrawContext* context, const CPoint& where, long axis, float distance) {
    return axis == 0 ? onWheel(context, where, distance) : false;
}

bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }

bool CView::onDrop(CDrawContext*, CDragContainer*, const CPoint&) { return false; }
void CView::onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::looseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}

bool CView::hitTest(const CPoint& where, long) { return mouseableArea.pointInside(where); }

void CView::setViewSize(const CRect& rect) {
    size = rect;
    setDirty(true);
}

void CView::getMouseLocation(CDrawContext* context, CPoint& point) {
    if (context) {
        context->getMouseLocation(point);
        return;
    }
    // Without a context: window position less the origins of the parents.
    point = CPoint();
    if (!pParentFrame) return;
    pParentFrame->getCurrentLocation(point);
    const CRect w = getWindowRect();
    point.offset(-(w.left - size.left), -(w.top - size.top));
}

long CView::notify(CView*, const char*) { return 0; }

CRect CView::getWindowRect() const {
    CRect r = size;
    for (CView* p = pParentView; p; p = p->getParentView()) {
        if (p->notify(const_cast<CView*>(this), kMsgCheckIfViewContainer) != 1) break;
        const CPoint origin = static_cast<CViewContainer*>(p)->getContentOrigin();
        r.offset(origin.h, origin.v);
    }
    return r;
}

bool CView::isVisible() const { return pParentFrame != nullptr && pParentFrame->isOpen(); }

void CView::invalid() {
    setDirty(true);
    if (pParentFrame) pParentFrame->invalidate(getWindowRect());
}

void CView::redraw() {
    if (pParentFrame) pParentFrame->drawView(this);
}

bool CView::isTypeOf(const char* className) const { return className && std::strcmp(className, "CView") == 0; }

void CView::update(CDrawContext* context) {
    if (!isDirty()) return;
    drawRect(context, size);
    setDirty(false);
}

}  // namespace VSTGUI
