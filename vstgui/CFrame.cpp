#include "CFrame.h"

#include "CDragContainer.h"
#include "CDrawContext.h"

#include <cstring>

namespace VSTGUI {

namespace pf = moltaro::platform;

namespace {

VstKeyCode toKeyCode(const pf::KeyEvent& k) {
    VstKeyCode code;
    code.character = k.character;
    code.virt = static_cast<unsigned char>(k.virt);
    code.modifier = static_cast<unsigned char>(k.modifiers);
    return code;
}

}  // namespace

// Turns window events into the frame's operations.
class CFrame::WindowEvents final : public pf::WindowListener {
public:
    explicit WindowEvents(CFrame* f) : frame(f) {}
    ~WindowEvents() override {
        if (drag) drag->forget();
    }

    void onPaint(pf::DrawContext& device, const pf::Rect& r) override {
        const pf::Rect d = frame->scaling.toDesignCovering(r);
        if (frame->scaling.isIdentity()) {
            frame->paint(device, CRect(d.left, d.top, d.right, d.bottom));
            return;
        }
        pf::ScaledDrawContext design(&device, frame->scaling.factor);
        frame->paint(design, CRect(d.left, d.top, d.right, d.bottom));
    }
    void onMouseDown(pf::Point where, int) override {
        CDrawContext* context = frame->createDrawContext();
        where = frame->toFramePoint(where);
        CPoint p(where.x, where.y);
        frame->mouse(context, p, -1);
        context->forget();
    }
    void onWheel(pf::Point where, float distance, int) override {
        where = frame->toFramePoint(where);
        CDrawContext* context = frame->createDrawContext();
        frame->onWheel(context, CPoint(where.x, where.y), distance);
        context->forget();
    }
    bool onKeyDown(const pf::KeyEvent& key) override {
        VstKeyCode code = toKeyCode(key);
        return frame->onKeyDown(code) == 1;
    }
    bool onKeyUp(const pf::KeyEvent& key) override {
        VstKeyCode code = toKeyCode(key);
        return frame->onKeyUp(code) == 1;
    }
    void onDragEnter(const pf::DragData& data, pf::Point windowPoint) override {
        const pf::Point where = frame->toFramePoint(windowPoint);
        if (drag) drag->forget();
        drag = data.kind == pf::DragData::Kind::Text ? CDragContainer::makeText(data.text)
                                                     : CDragContainer::makeFiles(data.files);
        CDrawContext* context = frame->createDrawContext();
        frame->onDragEnter(context, drag, CPoint(where.x, where.y));
        context->forget();
    }
    void onDragMove(const pf::DragData&, pf::Point windowPoint) override {
        const pf::Point where = frame->toFramePoint(windowPoint);
        if (!drag) return;
        CDrawContext* context = frame->createDrawContext();
        frame->onDragMove(context, drag, CPoint(where.x, where.y));
        context->forget();
    }
    void onDragLeave(const pf::DragData&, pf::Point windowPoint) override {
        const pf::Point where = frame->toFramePoint(windowPoint);
        if (!drag) return;
        CDrawContext* context = frame->createDrawContext();
        frame->onDragLeave(context, drag, CPoint(where.x, where.y));
        context->forget();
        drag->forget();
        drag = nullptr;
    }
    void onDrop(const pf::DragData&, pf::Point windowPoint) override {
        const pf::Point where = frame->toFramePoint(windowPoint);
        if (!drag) return;
        CDrawContext* context = frame->createDrawContext();
        frame->onDrop(context, drag, CPoint(where.x, where.y));
        context->forget();
        drag->forget();
        drag = nullptr;
    }
    void onWindowGone() override { frame->windowGone(); }

private:
    CFrame* frame;
    CDragContainer* drag = nullptr;  // the drag in progress, owned
};

CFrame::CFrame(const CRect& r, void* parent, CFrameOwner* editor, double scale)
    : CViewContainer(CRect(0, 0, r.width(), r.height()), this, nullptr),
      pEditor(editor),
      scaling{scale > 0 ? scale : 1.0},
      systemWindow(parent),
      events(std::make_unique<WindowEvents>(this)),
      position(r) {
    window = pf::backend().createWindow(parent, scaling.toDevice(static_cast<int>(r.width())),
                                        scaling.toDevice(static_cast<int>(r.height())), events.get());
    openFlag = window != nullptr;
    bDirty = true;
}

CFrame::~CFrame() {
    // Let a text field being edited finish (its text is kept), then release the
    // views while the frame is still whole.
    setFocusView(nullptr);
    pModalView = nullptr;
    removeAll(true);
    openFlag = false;
    window.reset();
}

void CFrame::windowGone() {
    openFlag = false;
}

std::unique_ptr<pf::DrawContext> CFrame::scaled(std::unique_ptr<pf::DrawContext> device) const {
    if (!device || scaling.isIdentity()) return device;
    return std::make_unique<pf::ScaledDrawContext>(std::move(device), scaling.factor);
}

CDrawContext* CFrame::createDrawContext() {
    return new CDrawContext(this, isOpen() ? scaled(window->createContext()) : nullptr);
}

void CFrame::paint(pf::DrawContext& device, const CRect& updateRect) {
    if (inRedraw) return;
    inRedraw = true;
    if (useOffscreen) {
        COffscreenContext offscreen(this, size.width(), size.height(), backgroundColor);
        offscreen.setClipRect(updateRect);
        drawRect(&offscreen, updateRect);
        CDrawContext context(this, &device);
        offscreen.copyFrom(&context, updateRect, CPoint(updateRect.left, updateRect.top));
    } else {
        CDrawContext context(this, &device);
        context.setClipRect(updateRect);
        drawRect(&context, updateRect);
    }
    inRedraw = false;
}

void CFrame::idle() {
    if (inRedraw || !isOpen()) return;
    if (!inEvents) {
        inEvents = true;
        window->processEvents();
        inEvents = false;
        if (!isOpen()) return;
    }
    if (!isDirty()) return;
    inRedraw = true;
    CDrawContext* context = createDrawContext();
    update(context);
    context->forget();
    inRedraw = false;
}

void CFrame::doIdleStuff() {
    if (pEditor) {
        pEditor->doIdleStuff();
        return;
    }
    idle();
    pumpOnePaint();
    pf::backend().sleep(2);
}

bool CFrame::pumpOnePaint() { return isOpen() && window->pumpOnePaint(); }

bool CFrame::setModalView(CView* view) {
    if (view && pModalView) return false;
    if (pModalView) removeView(pModalView, false);
    pModalView = view;
    if (view) addView(view);
    return true;
}

void CFrame::removeView(CView* view, bool withForget) {
    if (view == pModalView) pModalView = nullptr;
    CViewContainer::removeView(view, withForget);
}

void CFrame::removeAll(bool withForget) {
    pModalView = nullptr;
    CViewContainer::removeAll(withForget);
}

void CFrame::setFocusView(CView* view) {
    CView* old = pFocusView;
    if (view == old) {
        if (view && view->isVisible()) view->setDirty(true);
        return;
    }
    pFocusView = view;
    if (view && view->isVisible()) view->setDirty(true);
    if (old) {
        old->looseFocus(nullptr);
        if (old->isVisible()) old->setDirty(true);
    }
}

void CFrame::beginEdit(long tag) {
    if (pEditor) pEditor->beginEdit(tag);
}

void CFrame::endEdit(long tag) {
    if (pEditor) pEditor->endEdit(tag);
}

long CFrame::getKnobMode() const { return pEditor ? pEditor->getKnobMode() : kCircularMode; }

bool CFrame::getCurrentLocation(CPoint& where) {
    if (!isOpen()) {
        where = CPoint();
        return false;
    }
    const pf::Point p = toFramePoint(window->mousePosition());
    where = CPoint(p.x, p.y);
    return true;
}

CView* CFrame::getCurrentView() {
    if (pModalView) return pModalView;
    CPoint where;
    if (!getCurrentLocation(where)) return nullptr;
    return getViewAt(where, true);
}

bool CFrame::getPosition(CCoord& x, CCoord& y) const {
    x = position.left;
    y = position.top;
    return true;
}

bool CFrame::getSize(CRect* rect) const {
    if (!rect) return false;
    *rect = CRect(position.left, position.top, position.left + size.width(), position.top + size.height());
    return true;
}

bool CFrame::setSize(CCoord width, CCoord height) {
    if (width <= 0 || height <= 0) return false;
    size = CRect(0, 0, width, height);
    mouseableArea = size;
    if (isOpen()) window->setSize(scaling.toDevice(static_cast<int>(width)), scaling.toDevice(static_cast<int>(height)));
    bDirty = true;
    return true;
}

void CFrame::invalidate(const CRect& rect) {
    if (isOpen()) window->invalidate(toWindowRect(rect));
}

void CFrame::drawView(CView* view) {
    if (!view || !isOpen() || inRedraw) return;
    CDrawContext* context = createDrawContext();
    drawRect(context, view->getWindowRect());
    context->forget();
}

void CFrame::draw(CDrawContext* context) { drawRect(context, size); }

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    CViewContainer::drawRect(context, updateRect);
}

void CFrame::update(CDrawContext* context) {
    if (!context) return;
    if (bDirty) {
        drawRect(context, size);
        bDirty = false;
        return;
    }
    CViewContainer::update(context);
}

void CFrame::mouse(CDrawContext* context, CPoint& where, long buttons) {
    CDrawContext* own = nullptr;
    if (!context) context = own = createDrawContext();
    setFocusView(nullptr);  // any click ends the editing of a text field
    if (pModalView) {
        CView* modal = pModalView;
        if (modal->hitTest(where, buttons)) {
            modal->remember();
            modal->mouse(context, where, buttons);
            modal->forget();
        }
    } else {
        CViewContainer::mouse(context, where, buttons);
    }
    if (own) own->forget();
}

long CFrame::onKeyDown(VstKeyCode& keyCode) {
    if (pFocusView) {
        const long r = pFocusView->onKeyDown(keyCode);
        if (r != -1) return r;
    }
    if (pModalView && pModalView != pFocusView) return pModalView->onKeyDown(keyCode);
    return -1;
}

long CFrame::onKeyUp(VstKeyCode& keyCode) {
    if (pFocusView) {
        const long r = pFocusView->onKeyUp(keyCode);
        if (r != -1) return r;
    }
    if (pModalView && pModalView != pFocusView) return pModalView->onKeyUp(keyCode);
    return -1;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    if (pModalView) {
        if (!pModalView->hitTest(where)) return false;
        pModalView->remember();
        const bool handled = pModalView->onWheel(context, where, distance);
        pModalView->forget();
        return handled;
    }
    return CViewContainer::onWheel(context, where, distance);
}

bool CFrame::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CFrame") == 0) || CViewContainer::isTypeOf(className);
}

}  // namespace VSTGUI
