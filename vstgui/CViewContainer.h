#pragma once
// A view that holds other views, in the order they were added; it draws them
// oldest first and gives input to the newest one that takes it.

#include "CView.h"

#include <vector>

namespace VSTGUI {

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
    ~CViewContainer() override;

    // Takes over the caller's reference.
    virtual void addView(CView* view);
    // Adds at a mouse-able area other than the view's rectangle.
    virtual void addView(CView* view, const CRect& mouseableArea, bool mouseEnabled = true);
    // Removes the view; releases it when withForget is true.
    virtual void removeView(CView* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    virtual long getNbViews() const { return static_cast<long>(children.size()); }
    virtual CView* getView(long index) const;
    // The newest child whose mouse-able area contains where (this container's
    // coordinates), or null.
    virtual CView* getViewAt(const CPoint& where, bool edgesIncluded = false) const;

    virtual void setBackgroundColor(const CColor& color);
    virtual CColor getBackgroundColor() const { return backgroundColor; }
    virtual void setBackgroundOffset(const CPoint& offset) { backgroundOffset = offset; }
    virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    long onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    bool isDirty() const override;
    void setFrame(CFrame* frame) override;
    long notify(CView* sender, const char* message) override;
    bool isTypeOf(const char* className) const override;
    void update(CDrawContext* context) override;

    // Where the children's coordinates start, in this container's parent coordinates.
    virtual CPoint getContentOrigin() const { return CPoint(size.left, size.top); }

protected:
    // Draws the container's background into updateRect (parent coordinates).
    virtual void drawBackgroundRect(CDrawContext* context, const CRect& updateRect);
    // The newest child that takes mouse input at where (local coordinates).
    CView* childForMouse(const CPoint& where, long buttons) const;

    std::vector<CView*> children;  // each holds one reference
    CColor backgroundColor = kBlackCColor;
    CPoint backgroundOffset;
    CView* dragTarget = nullptr;  // the child a drag is over, not owned
};

}  // namespace VSTGUI
