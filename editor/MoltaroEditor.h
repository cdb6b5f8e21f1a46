#pragma once
// The reverb's editor window: a 300 x 294 panel with knobs, text fields, the algorithm
// arrows, menu and picture, the pre-delay slider, the PROC button, the OVER lamp and
// the about strip, above the preset bar of its base.
//
// Threads: everything on the host's user-interface thread, except setParameter,
// which the effect calls from whatever thread changed the parameter. On the thread
// that opened the window it updates the controls at once; from any other thread it
// only notes the parameter, and the next idle updates the controls.

#include <atomic>
#include <cstdint>
#include <thread>

#include "presetsystem/CPresetSystemEditor.h"

namespace VSTGUI {
class CAnimKnob;
class CHorizontalSlider;
class CMovieBitmap;
class COnOffButton;
}  // namespace VSTGUI
class CAbout;
class CMyRocker;
class CTextLED;
class Moltaro;

class MoltaroEditor : public CPresetSystemEditor {
public:
    // Tags of the editor's own controls (0..10 are parameter indices).
    enum : long {
        kLampTag = 18,
        kAlgorithmMenuTag = 19,
        kPreDelayTextTag = 20,
        kTimeTextTag = 22,
        kDampTextTag = 23,
        kLowFreqTextTag = 24,
        kLowGainTextTag = 25,
        kHighFreqTextTag = 26,
        kHighGainTextTag = 27,
        kOutputTextTag = 29,
        kMixTextTag = 30,
        kAboutTag = 31,
    };
    enum : int {
        kBackgroundBitmap = 11200,
        kProcBitmap = 11201,
        kArrowsBitmap = 11204,
        kPicturesBitmap = 11205,
        kLampBitmap = 11206,
        kTimeKnobBitmap = 11210,
        kDampKnobBitmap = 11211,
        kLowShelfKnobBitmap = 11212,
        kHighShelfKnobBitmap = 11215,
        kMixKnobBitmap = 11216,
        kOutputKnobBitmap = 11217,
        kAboutBitmap = 11220,
        kSliderHandleBitmap = 11250,
    };
    static constexpr int kKnobImages = 51;
    static constexpr int kWindowWidth = 300;
    static constexpr int kWindowHeight = 294;

    // Sizes the window after the background bitmap.
    explicit MoltaroEditor(Moltaro* effect);
    ~MoltaroEditor() override;

    // Opens the window in the host's window (an X11 window id or a window handle) and
    // builds every control from the effect's current values. False when no window
    // could be made.
    bool open(void* systemWindow) override;
    void close() override;
    // Updates the controls for parameters changed on other threads, redraws, lights
    // the preset bar control under the mouse, and drives the OVER lamp.
    void idle() override;
    // [any thread] A parameter of the effect changed (see the threads note above).
    void setParameter(VstInt32 index, float value) override;

    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    // The window's size at the factor it would open at now (or has while open).
    bool getRect(ERect** rect) override;
    // The factor a host announces (0: none). While open, the window follows it
    // unless the user or MOLTARO_SCALE decide.
    void setHostScale(double factor) override;
    // The factor the window is drawn at (while closed: the last one).
    double getScale() const { return scale; }
    // The user's choice from the size menu (0: automatic): stored for every
    // instance, and the window resized at the next idle.
    void chooseScale(double factor);

    // The controls while the window is open (null otherwise).
    VSTGUI::CAnimKnob* getKnob(int parameter) const;
    VSTGUI::CTextEdit* getTextField(int parameter) const;
    CMyRocker* getAlgorithmArrows() const { return algorithmArrows; }
    VSTGUI::COptionMenu* getAlgorithmMenu() const { return algorithmMenu; }
    VSTGUI::CMovieBitmap* getAlgorithmPicture() const { return algorithmPicture; }
    VSTGUI::CHorizontalSlider* getPreDelaySlider() const { return preDelaySlider; }
    VSTGUI::COnOffButton* getProcButton() const { return procButton; }
    CTextLED* getLamp() const { return lamp; }
    CAbout* getAbout() const { return about; }
    double getHeldPeak() const { return heldPeak; }

protected:
    // Knobs, slider, button and arrows stand for their parameter; the algorithm menu
    // for Type. Text fields report their edits themselves (valueChanged), and the
    // editor's other controls edit no parameter.
    long hostParameterForTag(long tag) const override;

private:
    static constexpr int kMirrored = 11;  // parameters 0..10 have controls

    void buildControls();
    // The factor from every source, for a window in this parent.
    double resolveScale(void* parent) const;
    void setScaledRect(double factor);
    // Reopens the window at a new factor and asks the host for the new size.
    void applyScale(double factor);
    // Shows parameter index's current value in its controls and marks the frame dirty.
    void mirrorParameter(int index);
    void applyPendingParameters();
    void updateOverloadLamp();

    Moltaro* plugin;  // not owned; null once the editor is being destroyed
    int designWidth = kWindowWidth;
    int designHeight = kWindowHeight;
    double scale = 1.0;
    double hostScale = 0.0;
    unsigned scaleGeneration = 0;  // the user's choices seen
    bool scaleCheckPending = false;
    VSTGUI::CBitmap* background = nullptr;  // owned reference; loaded at the first open
    std::atomic<std::thread::id> uiThread;
    std::atomic<uint32_t> pendingParameters{0};  // bit i: parameter i changed elsewhere

    // Peak hold of the readout.
    double heldPeak = 0.0;
    int holdCount = 0;

    VSTGUI::CAnimKnob* knobs[kMirrored] = {};
    VSTGUI::CTextEdit* textFields[kMirrored] = {};
    CMyRocker* algorithmArrows = nullptr;
    VSTGUI::COptionMenu* algorithmMenu = nullptr;
    VSTGUI::CMovieBitmap* algorithmPicture = nullptr;
    VSTGUI::CHorizontalSlider* preDelaySlider = nullptr;
    VSTGUI::COnOffButton* procButton = nullptr;
    CTextLED* lamp = nullptr;
    CAbout* about = nullptr;
};
