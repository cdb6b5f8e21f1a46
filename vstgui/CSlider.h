#pragma once
// Sliders: a handle bitmap moving over a background along one axis.

#include "CControl.h"

namespace VSTGUI {

class CSlider : public CControl {
public:
    // minPos and maxPos: window coordinates (x for horizontal, y for vertical) of
    // the handle's leading edge at the two ends of its travel. offset: where in
    // the background bitmap drawing starts.
    CSlider(const CRect& size, CControlListener* listener, long tag, long minPos, long maxPos, CBitmap* handle,
            CBitmap* background, const CPoint& offset = CPoint(0, 0), long style = kLeft | kHorizontal);
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    bool isTypeOf(const char* className) const override;

    virtual void setDrawTransparentHandle(bool val) { bDrawTransparentEnabled = val; }
    virtual bool getDrawTransparentHandle() const { return bDrawTransparentEnabled; }
    virtual void setFreeClick(bool val) { bFreeClick = val; }
    virtual bool getFreeClick() const { return bFreeClick; }
    // Where the handle sits across the axis, relative to the control.
    virtual void setOffsetHandle(const CPoint& val) { offsetHandle = val; }
    virtual CPoint getOffsetHandle() const { return offsetHandle; }
    virtual void setHandle(CBitmap* handle);
    virtual CBitmap* getHandle() const { return pHandle; }
    virtual void setZoomFactor(float val) { zoomFactor = val; }
    virtual float getZoomFactor() const { return zoomFactor; }
    long getStyle() const { return style; }

    // The handle's rectangle for the current value, in parent coordinates.
    CRect getHandleRect() const;

protected:
    bool isHorizontal() const { return (style & kHorizontal) != 0; }
    bool isInverse() const { return (style & (kRight | kBottom)) != 0; }
    // Position of the handle's leading edge along the axis relative to the control.
    long handlePosition() const;
    // The normalised value (0 .. 1, before inversion) for an edge position.
    float fractionForEdge(long edge) const;

    CBitmap* pHandle = nullptr;  // retained
    CCoord widthOfSlider = 0;     // the handle's size
    CCoord heightOfSlider = 0;
    long minPos;       // relative to the control
    long rangeHandle;  // pixels of travel
    CPoint offsetHandle;
    long style;
    bool bFreeClick = true;
    bool bDrawTransparentEnabled = true;
    float zoomFactor = 10.f;  // Shift makes dragging this much finer
};

class CHorizontalSlider : public CSlider {
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long minPos, long maxPos,
                      CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                      long style = kLeft);
    bool isTypeOf(const char* className) const override;
};

}  // namespace VSTGUI
