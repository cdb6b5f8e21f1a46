#pragma once
// A view with a float value in a range, a tag and a listener: the base of every
// standard control.

#include "CControlListener.h"
#include "CView.h"

namespace VSTGUI {

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0, CBitmap* background = nullptr);
    ~CControl() override;

    bool isDirty() const override;
    void setDirty(bool val = true) override;
    bool isTypeOf(const char* className) const override;

    // Asks the frame, which asks the editor, to keep the window alive.
    virtual void doIdleStuff();

    virtual void setValue(float val) { value = val; }
    virtual float getValue() const { return value; }
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float val) { oldValue = val; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float val) { defaultValue = val; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(long val) { tag = val; }
    virtual long getTag() const { return tag; }
    // Makes this the focus view and tells the editor an edit of the tag begins.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint& offset) { backOffset = offset; }
    virtual void copyBackOffset() { backOffset = CPoint(size.left, size.top); }
    virtual void setWheelInc(float val) { wheelInc = val; }
    virtual float getWheelInc() const { return wheelInc; }
    // Clamps the value into min .. max.
    virtual void bounceValue();
    // Control + left click: reset to the default value (begin edit, valueChanged
    // when it changed, end edit) and answer true.
    virtual bool checkDefaultValue(CDrawContext* context, long button);

    virtual void setListener(CControlListener* l) { listener = l; }
    virtual CControlListener* getListener() const { return listener; }
    const CPoint& getBackOffset() const { return backOffset; }

protected:
    // Reads the buttons when -1 was passed.
    static long readButtons(CDrawContext* context, long buttons);
    // The system's double-click time in milliseconds, never below 250 ms.
    static uint32_t doubleClickTime();
    // Offers a click with a modifier to the listener; true when it took it.
    bool offerModifierClick(CDrawContext* context, long buttons);
    // valueChanged to the listener when the control is dirty.
    void reportIfDirty(CDrawContext* context);
    // Draws the background bitmap into rect from offset: leaving out its
    // transparent colour when the control's transparency is on, else opaque.
    void drawBackgroundBitmap(CDrawContext* context, const CRect& rect, const CPoint& offset);
    // The wheel and arrow keys of continuous controls: the value moves by the
    // wheel increment (a tenth of it with Shift), bounced, reported as an edit.
    bool stepByWheel(CDrawContext* context, float distance);
    long stepByKey(const VstKeyCode& keyCode);

    CControlListener* listener;  // not owned
    long tag;
    float oldValue = 1.f;
    float defaultValue = 0.5f;
    float value = 0.f;
    float vmin = 0.f;
    float vmax = 1.f;
    float wheelInc = 0.1f;
    uint32_t lastClickTime = 0;
    CPoint backOffset;
};

}  // namespace VSTGUI
