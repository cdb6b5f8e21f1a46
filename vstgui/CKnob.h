#pragma once
// Knobs: CKnob draws a handle (line or bitmap) over its background; CAnimKnob
// shows one image of a vertical film strip for its value. Both are turned by
// dragging (circular or linear, after the editor's knob mode), the wheel and keys.

#include "CControl.h"

namespace VSTGUI {

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background, CBitmap* handle,
          const CPoint& offset = CPoint(0, 0));
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    bool isTypeOf(const char* className) const override;

    virtual void drawHandle(CDrawContext* context);
    virtual void setStartAngle(float angle) { startAngle = angle; }
    virtual float getStartAngle() const { return startAngle; }
    virtual void setRangeAngle(float angle) { rangeAngle = angle; }
    virtual float getRangeAngle() const { return rangeAngle; }
    // The handle's end for the value, in the knob's parent coordinates.
    virtual void valueToPoint(CPoint& point) const;
    // The value for a point (parent coordinates) around the knob's centre; a
    // point in the gap gives the nearer end.
    virtual float valueFromPoint(CPoint& point) const;
    virtual void setInsetValue(long val) { inset = val; }
    virtual long getInsetValue() const { return inset; }
    virtual void setColorHandle(const CColor& color) { colorHandle = color; }
    virtual CColor getColorHandle() const { return colorHandle; }
    virtual void setColorShadowHandle(const CColor& color) { colorShadowHandle = color; }
    virtual CColor getColorShadowHandle() const { return colorShadowHandle; }
    virtual void setHandleBitmap(CBitmap* bitmap);
    virtual void setZoomFactor(float val) { zoomFactor = val; }
    virtual float getZoomFactor() const { return zoomFactor; }

protected:
    // Where in the background bitmap drawing starts.
    CPoint offset;
    CBitmap* pHandle = nullptr;  // retained
    long inset = 3;
    CColor colorHandle = kWhiteCColor;
    CColor colorShadowHandle = CColor{60, 60, 60, 255};
    float startAngle = 3.9269907f;  // 225 degrees
    float rangeAngle = -4.712389f;  // -270 degrees: clockwise
    float zoomFactor = 1.5f;        // Shift makes linear dragging this much finer

private:
    // The position along the arc (0 at the start angle, 1 at the end) of a point,
    // unwrapped: values above 1 lie in the gap.
    double arcFraction(const CPoint& point) const;
};

class CAnimKnob : public CKnob {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, long tag, long subPixmaps, CCoord heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));
    ~CAnimKnob() override;

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;

    // The strip image shown for the current value.
    long getImageIndex() const;
    virtual void setNumSubPixmaps(long count) { subPixmaps = count; }
    virtual long getNumSubPixmaps() const { return subPixmaps; }
    virtual void setHeightOfOneImage(CCoord height) { heightOfOneImage = height; }
    virtual CCoord getHeightOfOneImage() const { return heightOfOneImage; }
    virtual void setInverseBitmap(bool inverse) { bInverseBitmap = inverse; }
    virtual bool getInverseBitmap() const { return bInverseBitmap; }

protected:
    long subPixmaps;
    CCoord heightOfOneImage;
    bool bInverseBitmap = false;
};

}  // namespace VSTGUI
