#pragma once
// The toolkit demo: one of every standard control on generated bitmaps, in a
// frame built on whatever backend is installed (headless in tests, a real
// window otherwise). Moving a control shows its value in the VALUE display.

#include "vstgui/VSTGUI.h"

#include <memory>

namespace toolkit_demo {

class ToolkitDemo : public VSTGUI::CControlListener {
public:
    ToolkitDemo();
    ~ToolkitDemo() override;
    ToolkitDemo(const ToolkitDemo&) = delete;
    ToolkitDemo& operator=(const ToolkitDemo&) = delete;

    // Builds the frame as a child of parentWindow (a native handle; anything for
    // the headless backend). Without an owner the demo is its own: linear knob
    // mode, and idle plus one paint while controls track the mouse. False when no
    // window could be made (the frame then exists but shows nothing).
    // scale: the window is that many times as large, everything drawn to match.
    bool open(void* parentWindow, VSTGUI::CFrameOwner* owner = nullptr, double scale = 1.0);
    void close();
    bool isOpen() const { return frame != nullptr; }

    VSTGUI::CFrame* getFrame() const { return frame; }
    VSTGUI::CAnimKnob* getAnimKnob() const { return animKnob; }
    VSTGUI::CKnob* getKnob() const { return knob; }
    VSTGUI::CHorizontalSlider* getSlider() const { return slider; }
    VSTGUI::CSlider* getVerticalSlider() const { return verticalSlider; }
    VSTGUI::COnOffButton* getOnOffButton() const { return onOff; }
    VSTGUI::CTextEdit* getTextEdit() const { return textEdit; }
    VSTGUI::COptionMenu* getMenu() const { return menu; }
    VSTGUI::CParamDisplay* getValueDisplay() const { return valueDisplay; }

    // How many value changes the controls have reported.
    int changes() const { return changeCount; }

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    // Tags of the controls.
    enum Tag : long {
        kTagAnimKnob = 1,
        kTagKnob,
        kTagMovie,
        kTagVerticalSlider,
        kTagOnOff,
        kTagSlider,
        kTagKick,
        kTagRocker,
        kTagValue,
        kTagText,
        kTagMenu,
        kTagSplash,
    };

private:
    class Owner;
    void addLabel(const VSTGUI::CRect& rect, const char* text);

    std::unique_ptr<Owner> ownOwner;
    VSTGUI::CFrame* frame = nullptr;  // owned; null while closed
    // Plain pointers to controls the frame owns; null while closed.
    VSTGUI::CAnimKnob* animKnob = nullptr;
    VSTGUI::CKnob* knob = nullptr;
    VSTGUI::CMovieBitmap* movie = nullptr;
    VSTGUI::CSlider* verticalSlider = nullptr;
    VSTGUI::COnOffButton* onOff = nullptr;
    VSTGUI::CHorizontalSlider* slider = nullptr;
    VSTGUI::CKickButton* kick = nullptr;
    VSTGUI::CRockerSwitch* rocker = nullptr;
    VSTGUI::CParamDisplay* valueDisplay = nullptr;
    VSTGUI::CTextEdit* textEdit = nullptr;
    VSTGUI::COptionMenu* menu = nullptr;
    VSTGUI::CParamDisplay* percent = nullptr;
    int changeCount = 0;
};

}  // namespace toolkit_demo
