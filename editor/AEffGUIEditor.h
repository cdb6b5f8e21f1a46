#pragma once
// The editor base that owns a toolkit frame: the window rectangle the host asks for,
// idle redrawing, key and wheel forwarding, begin/end of edits towards the host, the
// process-wide knob mode, and keeping window and host alive while a control tracks
// the mouse.
//
// [ui thread] everything, except setParameter (any thread, see the derived editor).

#include <cstdint>
#include <vector>

#include "shell/AEffEditor.h"
#include "vstgui/CFrame.h"
#include "vstgui/CFrameOwner.h"

class AEffGUIEditor : public AEffEditor, public VSTGUI::CFrameOwner {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // Hands out the stored rectangle (top, left, bottom, right).
    bool getRect(ERect** rect) override;
    // Redraws what is dirty and reads the window's events, unless inside the
    // host idle call of doIdleStuff.
    void idle() override;
    bool onKeyDown(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) override;
    bool onKeyUp(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) override;
    // Wheel at the current mouse position; false while closed.
    virtual bool onWheel(float distance);
    // Stores the process-wide knob mode (0 circular, 1 relative circular, 2 linear).
    bool setKnobMode(VstInt32 mode) override;

    // CFrameOwner: begin and end of a user's edit of a control, forwarded to the host
    // for the parameter the control edits (hostParameterForTag).
    void beginEdit(long tag) override;
    void endEdit(long tag) override;
    long getKnobMode() const override { return knobMode; }
    // At most every 100 ms (sleeping a little in between): idle, one paint, and the
    // host's idle call.
    void doIdleStuff() override;

    VSTGUI::CFrame* getFrame() const { return frame; }

    static long knobMode;  // shared by every editor of the process; default circular

protected:
    // The host parameter a control's begin/end of edit stands for, or -1 when the
    // control edits no host parameter (its edits are then not reported). Here: tags
    // that are host parameter indices.
    virtual long hostParameterForTag(long tag) const;
    // Destroys the frame now, or, when it is still in use further up the call stack
    // (a control tracking the mouse asked the host to idle, and the host closed the
    // editor), as soon as that use ends.
    void destroyFrame();
    bool frameInUse() const { return useDepth > 0; }

    // Counts a use of the frame for destroyFrame.
    struct FrameUse {
        explicit FrameUse(AEffGUIEditor* e) : editor(e) { ++editor->useDepth; }
        ~FrameUse();
        AEffGUIEditor* editor;
    };

    ERect rect{0, 0, 0, 0};
    uint32_t nextIdleDue = 0;  // ms, tick count
    bool inIdle = false;
    VSTGUI::CFrame* frame = nullptr;  // owned; null while the window is closed

private:
    int useDepth = 0;
    std::vector<VSTGUI::CFrame*> retiredFrames;  // owned; closed while still in use
};
