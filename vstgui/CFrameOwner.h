#pragma once
// The side of the plug-in's editor that the frame talks to: idle during mouse
// tracking, begin/end of edits, and the process-wide knob mode.

namespace VSTGUI {

class CFrameOwner {
public:
    virtual ~CFrameOwner() = default;
    // Keeps the window and the host alive while a control tracks the mouse.
    virtual void doIdleStuff() = 0;
    virtual void beginEdit(long tag) { (void)tag; }
    virtual void endEdit(long tag) { (void)tag; }
    // kCircularMode, kRelativCircularMode or kLinearMode.
    virtual long getKnobMode() const { return 0; }
};

}  // namespace VSTGUI
