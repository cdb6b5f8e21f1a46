#pragma once
// What a control tells its owner (normally the editor).

namespace VSTGUI {

class CDrawContext;
class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    // The control's value changed through the user.
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // A click with Shift, Control, Alt or the system key; non-zero when the
    // listener handled it, and the control then does nothing more.
    virtual long controlModifierClicked(CDrawContext* context, CControl* control, long button) {
        (void)context;
        (void)control;
        (void)button;
        return 0;
    }
};

}  // namespace VSTGUI
