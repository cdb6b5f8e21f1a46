#pragma once
// The frame: the top container, which owns the child window in the host's
// window and the views in it. It sends clicks, wheel and keys to its views,
// keeps the modal and the focus view, and redraws dirty views at idle.

#include "CFrameOwner.h"
#include "CViewContainer.h"
#include "platform/Platform.h"
#include "platform/Scaling.h"

#include <memory>

namespace VSTGUI {

class CFrame : public CViewContainer {
public:
    // Creates the window as a child of systemWindow (the host's window handle),
    // as large as size times scale: the frame and its views keep working in the
    // unscaled coordinates. editor is not owned and may be null.
    CFrame(const CRect& size, void* systemWindow, CFrameOwner* editor, double scale = 1.0);
    ~CFrame() override;

    // True while the window exists.
    bool isOpen() const { return window != nullptr && openFlag; }

    // Reads pending window events and redraws whatever is dirty; from the editor's idle.
    virtual void idle();
    // Keeps things alive during mouse tracking: the editor's doIdleStuff, or
    // without an editor, idle and one paint.
    virtual void doIdleStuff();
    // Handles at most one pending paint of the window (for the editor's
    // doIdleStuff). True when something was painted.
    bool pumpOnePaint();

    // Makes view modal and adds it as the newest child; null ends the modal state
    // (the old modal view is removed but not released). False when another view
    // is already modal.
    virtual bool setModalView(CView* view);
    virtual CView* getModalView() const { return pModalView; }
    // The view that receives keys; the previous one loses focus.
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const { return pFocusView; }

    virtual void beginEdit(long tag);
    virtual void endEdit(long tag);
    CFrameOwner* getEditor() const { return pEditor; }
    long getKnobMode() const;

    // The mouse position in window coordinates, read now.
    virtual bool getCurrentLocation(CPoint& where);
    // The modal view, or the newest child whose mouse-able area contains the
    // mouse (edges included); null when none.
    virtual CView* getCurrentView();

    virtual bool getPosition(CCoord& x, CCoord& y) const;
    virtual bool getSize(CRect* rect) const;
    virtual bool setSize(CCoord width, CCoord height);

    // Asks the window to repaint rect (window coordinates) at its next event pass.
    virtual void invalidate(const CRect& rect);
    // Draws one view on the window now.
    virtual void drawView(CView* view);
    // Paints through an off-screen picture, copied to the window in one piece.
    void setUseOffscreen(bool on) { useOffscreen = on; }
    bool getUseOffscreen() const { return useOffscreen; }

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    long onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void update(CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;
    CPoint getContentOrigin() const override { return CPoint(0, 0); }
    void removeView(CView* view, bool withForget = true) override;
    void removeAll(bool withForget = true) override;

    // A context on the window (drawing nothing when there is no window). The
    // caller forgets it.
    CDrawContext* createDrawContext();

    // Window pixels per frame coordinate.
    double getScale() const { return scaling.factor; }
    const moltaro::platform::Scaling& getScaling() const { return scaling; }
    // A window point in frame coordinates, and a frame rectangle in window pixels.
    moltaro::platform::Point toFramePoint(moltaro::platform::Point windowPoint) const {
        return scaling.toDesign(windowPoint);
    }
    moltaro::platform::Rect toWindowRect(const CRect& r) const {
        return scaling.toDevice(moltaro::platform::Rect{r.left, r.top, r.right, r.bottom});
    }

    void* getSystemWindow() const { return systemWindow; }
    moltaro::platform::Window* getPlatformWindow() const { return window.get(); }

private:
    class WindowEvents;
    friend class WindowEvents;
    void paint(moltaro::platform::DrawContext& device, const CRect& updateRect);
    void windowGone();

    // Window drawing in frame coordinates.
    std::unique_ptr<moltaro::platform::DrawContext> scaled(std::unique_ptr<moltaro::platform::DrawContext> device) const;

    CFrameOwner* pEditor;  // not owned
    moltaro::platform::Scaling scaling;
    void* systemWindow;    // the host's window, not owned
    std::unique_ptr<WindowEvents> events;
    CRect position;  // the frame's rectangle in the host's window
    std::unique_ptr<moltaro::platform::Window> window;  // null when it could not be made
    CView* pModalView = nullptr;  // also a child while modal
    CView* pFocusView = nullptr;  // not owned
    bool openFlag = false;
    bool inRedraw = false;
    bool inEvents = false;
    bool useOffscreen = false;
};

}  // namespace VSTGUI
