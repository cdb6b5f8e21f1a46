#pragma once
// A rectangle of the window that draws itself and may take mouse, wheel and key
// input. Views live in a container (usually the frame), which owns them.
// [ui thread] every operation; none may block except the mouse tracking loops.

#include "CBase.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CDragContainer;
class CFrame;

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    // Draws the whole view (the background bitmap by default).
    virtual void draw(CDrawContext* context);
    // Draws the part of the view inside updateRect (the whole view by default).
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    // Draws the view when it is dirty.
    virtual bool checkUpdate(const CRect& updateRect) const { return updateRect.rectOverlap(size); }
    // A button went down at where (parent coordinates); buttons -1: read them.
    virtual void mouse(CDrawContext* context, CPoint& where, long buttons = -1);

    virtual void setBackground(CBitmap* background);  // retained
    virtual CBitmap* getBackground() const { return pBackground; }

    // Keys: 1 handled, -1 not handled.
    virtual long onKeyDown(VstKeyCode& keyCode);
    virtual long onKeyUp(VstKeyCode& keyCode);
    // Wheel along an axis (0 vertical, 1 horizontal); the vertical one goes to
    // the classic handler.
    virtual bool onWheel(CDrawContext* context, const CPoint& where, long axis, float distance);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);

    // Drag and drop; views ignore drops unless they override these.
    virtual bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where);

    virtual void looseFocus(CDrawContext* context = nullptr);
    virtual void takeFocus(CDrawContext* context = nullptr);

    virtual bool isDirty() const { return bDirty; }
    virtual void setDirty(bool val = true) { bDirty = val; }

    virtual void setMouseEnabled(bool enable = true) { bMouseEnabled = enable; }
    virtual bool getMouseEnabled() const { return bMouseEnabled; }
    virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    virtual CRect& getMouseableArea(CRect& rect) const {
        rect = mouseableArea;
        return rect;
    }
    // True when the point (parent coordinates) lies in the mouse-able area.
    virtual bool hitTest(const CPoint& where, long buttons = -1);

    virtual void setTransparency(bool val) { bTransparencyEnabled = val; }
    virtual bool getTransparency() const { return bTransparencyEnabled; }

    virtual void setViewSize(const CRect& rect);
    virtual CRect& getViewSize(CRect& rect) const {
        rect = size;
        return rect;
    }
    virtual CCoord getWidth() const { return size.width(); }
    virtual CCoord getHeight() const { return size.height(); }
    // The mouse position, read now, in the view's parent coordinates.
    virtual void getMouseLocation(CDrawContext* context, CPoint& point);

    virtual CFrame* getFrame() const { return pParentFrame; }
    virtual CView* getParentView() const { return pParentView; }
    virtual void setParentView(CView* parent) { pParentView = parent; }
    virtual void setFrame(CFrame* frame) { pParentFrame = frame; }

    // A message to the view; 0 when it is not understood.
    virtual long notify(CView* sender, const char* message);

    // Asks the window to paint this view's area at the next event pass.
    virtual void invalid();
    // Draws the view on the window now.
    virtual void redraw();

    // True for the class's own name and every base's name.
    virtual bool isTypeOf(const char* className) const;

    // Draws the view when it is dirty and marks it clean.
    virtual void update(CDrawContext* context);

    // This view's rectangle in window coordinates (adding up the parents' origins).
    CRect getWindowRect() const;
    // True when the view is in a frame and not hidden outside its parent.
    bool isVisible() const;

    // Public for the containers and the frame, as the design of the tree wants.
    CRect size;
    CRect mouseableArea;

protected:
    CFrame* pParentFrame = nullptr;  // not owned
    CView* pParentView = nullptr;    // not owned
    bool bDirty = false;
    bool bMouseEnabled = true;
    bool bTransparencyEnabled = false;
    CBitmap* pBackground = nullptr;  // retained
};

}  // namespace VSTGUI
