#include "CViewContainer.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& r, CFrame* frame, CBitmap* background) : CView(r) {
    pParentFrame = frame;
    setBackground(background);
}

CViewContainer::~CViewContainer() { removeAll(true); }

void CViewContainer::addView(CView* view) {
    if (!view || isChild(view)) return;
    children.push_back(view);
    view->setParentView(this);
    view->setFrame(pParentFrame);
    view->setDirty(true);
}

void CViewContainer::addView(CView* view, const CRect& area, bool mouseEnabled) {
    if (!view) return;
    view->setMouseableArea(area);
    view->setMouseEnabled(mouseEnabled);
    addView(view);
}

void CViewContainer::removeView(CView* view, bool withForget) {
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end()) return;
    children.erase(it);
    if (dragTarget == view) dragTarget = nullptr;
    if (pParentFrame) {
        if (pParentFrame->getFocusView() == view) pParentFrame->setFocusView(nullptr);
        pParentFrame->invalidate(view->getWindowRect());
    }
    view->setParentView(nullptr);
    view->setFrame(nullptr);
    if (withForget) view->forget();
}

void CViewContainer::removeAll(bool withForget) {
    while (!children.empty()) removeView(children.back(), withForget);
}

bool CViewContainer::isChild(CView* view) const {
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getView(long index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return children[static_cast<size_t>(index)];
}

CView* CViewContainer::getViewAt(const CPoint& where, bool edgesIncluded) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CRect area;
        (*it)->getMouseableArea(area);
        if (edgesIncluded ? area.pointInsideWithEdges(where) : area.pointInside(where)) return *it;
    }
    return nullptr;
}

void CViewContainer::setBackgroundColor(const CColor& color) {
    if (color == backgroundColor) return;
    backgroundColor = color;
    setDirty(true);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& r) {
    if (pBackground) {
        const CPoint from(r.left - size.left + backgroundOffset.h, r.top - size.top + backgroundOffset.v);
        if (bTransparencyEnabled)
            pBackground->drawTransparent(context, r, from);
        else
            pBackground->draw(context, r, from);
    } else if (!bTransparencyEnabled) {
        const CColor old = context->getFillColor();
        context->setFillColor(backgroundColor);
        context->fillRect(r);
        context->setFillColor(old);
    }
}

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size); }

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    if (!context) return;
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect area = size;
    area.bound(updateRect);
    area.bound(oldClip);
    if (area.isEmpty()) return;
    context->setClipRect(area);
    drawBackgroundRect(context, area);

    const CPoint origin = getContentOrigin();
    const CPoint oldOffset = context->getOffset();
    context->setOffset(CPoint(oldOffset.h + origin.h, oldOffset.v + origin.v));
    CRect local = area;
    local.offset(-origin.h, -origin.v);
    for (size_t i = 0; i < children.size(); ++i) {
        CView* child = children[i];
        if (!child->checkUpdate(local)) continue;
        CRect childArea = child->size;
        childArea.bound(local);
        context->setClipRect(childArea);
        child->drawRect(context, childArea);
    }
    context->setOffset(oldOffset);
    context->setClipRect(oldClip);
}

void CViewContainer::update(CDrawContext* context) {
    if (!context) return;
    if (bDirty) {
        drawRect(context, size);
        bDirty = false;
        return;
    }
    const CPoint origin = getContentOrigin();
    // Which views need drawing is decided first: drawing one area again marks the
    // views in it clean, even those only partly inside it.
    std::vector<size_t> dirty;
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i]->isDirty()) dirty.push_back(i);
    for (size_t i : dirty) {
        if (i >= children.size()) break;
        CView* child = children[i];
        // An opaque view that nothing covers draws alone; otherwise the whole area
        // is drawn again in order, so newer views (a modal one) stay on top.
        bool covered = child->getTransparency();
        for (size_t j = i + 1; j < children.size() && !covered; ++j)
            covered = children[j]->size.rectOverlap(child->size);
        if (covered) {
            CRect r = child->size;
            r.offset(origin.h, origin.v);
            drawRect(context, r);
            continue;
        }
        const CPoint oldOffset = context->getOffset();
        CRect oldClip;
        context->getClipRect(oldClip);
        context->setOffset(CPoint(oldOffset.h + origin.h, oldOffset.v + origin.v));
        CRect clip = child->size;
        CRect bounds = oldClip;
        bounds.offset(-origin.h, -origin.v);
        clip.bound(bounds);
        context->setClipRect(clip);
        if (child->isDirty() && child->notify(this, kMsgCheckIfViewContainer) == 1) {
            child->update(context);
        } else {
            child->drawRect(context, child->size);
            child->setDirty(false);
        }
        context->setOffset(oldOffset);
        context->setClipRect(oldClip);
    }
}

CView* CViewContainer::childForMouse(const CPoint& where, long buttons) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if ((*it)->getMouseEnabled() && (*it)->hitTest(where, buttons)) return *it;
    return nullptr;
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!context) return;
    const CPoint origin = getContentOrigin();
    CPoint local(where.h - origin.h, where.v - origin.v);
    CView* child = childForMouse(local, buttons);
    if (!child) return;
    child->remember();  // the click may remove the view (a splash closing itself)
    const CPoint oldOffset = context->getOffset();
    context->setOffset(CPoint(oldOffset.h + origin.h, oldOffset.v + origin.v));
    child->mouse(context, local, buttons);
    context->setOffset(oldOffset);
    child->forget();
}

long CViewContainer::onKeyDown(VstKeyCode& keyCode) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const long r = (*it)->onKeyDown(keyCode);
        if (r != -1) return r;
    }
    return -1;
}

long CViewContainer::onKeyUp(VstKeyCode& keyCode) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const long r = (*it)->onKeyUp(keyCode);
        if (r != -1) return r;
    }
    return -1;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    const CPoint origin = getContentOrigin();
    const CPoint local(where.h - origin.h, where.v - origin.v);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->getMouseEnabled() || !child->hitTest(local)) continue;
        child->remember();
        CPoint oldOffset;
        if (context) {
            oldOffset = context->getOffset();
            context->setOffset(CPoint(oldOffset.h + origin.h, oldOffset.v + origin.v));
        }
        const bool handled = child->onWheel(context, local, distance);
        if (context) context->setOffset(oldOffset);
        child->forget();
        if (handled) return true;
    }
    return false;
}

bool CViewContainer::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    const CPoint origin = getContentOrigin();
    const CPoint local(where.h - origin.h, where.v - origin.v);
    dragTarget = nullptr;
    CView* child = getViewAt(local);
    return child ? child->onDrop(context, drag, local) : false;
}

void CViewContainer::onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    const CPoint origin = getContentOrigin();
    const CPoint local(where.h - origin.h, where.v - origin.v);
    dragTarget = getViewAt(local);
    if (dragTarget) dragTarget->onDragEnter(context, drag, local);
}

void CViewContainer::onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    const CPoint origin = getContentOrigin();
    const CPoint local(where.h - origin.h, where.v - origin.v);
    if (dragTarget) dragTarget->onDragLeave(context, drag, local);
    dragTarget = nullptr;
}

void CViewContainer::onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    const CPoint origin = getContentOrigin();
    const CPoint local(where.h - origin.h, where.v - origin.v);
    CView* now = getViewAt(local);
    if (now != dragTarget) {
        if (dragTarget) dragTarget->onDragLeave(context, drag, local);
        dragTarget = now;
        if (dragTarget) dragTarget->onDragEnter(context, drag, local);
    } else if (dragTarget) {
        dragTarget->onDragMove(context, drag, local);
    }
}

bool CViewContainer::isDirty() const {
    if (bDirty) return true;
    for (CView* child : children)
        if (child->isDirty()) return true;
    return false;
}

void CViewContainer::setFrame(CFrame* frame) {
    CView::setFrame(frame);
    for (CView* child : children) child->setFrame(frame);
}

long CViewContainer::notify(CView* sender, const char* message) {
    if (message == kMsgCheckIfViewContainer) return 1;
    return CView::notify(sender, message);
}

bool CViewContainer::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CViewContainer") == 0) || CView::isTypeOf(className);
}

}  // namespace VSTGUI
