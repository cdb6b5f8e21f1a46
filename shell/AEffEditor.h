#pragma once
// Base of every editor the effect can attach. The effect owns its editor and deletes
// it in its own destructor; the editor must not call back into the effect from its
// destructor (the derived effect is already gone by then).

#include "shell/AudioEffect.h"

class AEffEditor {
public:
    // Attaches itself to the effect, which takes ownership and sets the editor flag.
    explicit AEffEditor(AudioEffect* owner) : effect(owner) {
        if (effect) effect->setEditor(this);
    }
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    // [ui thread] Hands out a rectangle the editor owns; answers 1 when it did.
    virtual bool getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    // [ui thread] Opens the editor inside the host's window (an X11 window id or HWND).
    virtual bool open(void* parent) {
        systemWindow = parent;
        return false;
    }
    // [ui thread]
    virtual void close() { systemWindow = nullptr; }
    // [ui thread] Called periodically by the host while the editor is open.
    virtual void idle() {}
    // [ui thread] Keys forwarded by the host; answer true when the key was used.
    virtual bool onKeyDown(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) {
        (void)character; (void)virtualKey; (void)modifiers;
        return false;
    }
    virtual bool onKeyUp(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) {
        (void)character; (void)virtualKey; (void)modifiers;
        return false;
    }
    // [ui thread] Host's preferred knob mode (circular, relative circular, linear).
    virtual bool setKnobMode(VstInt32 mode) {
        (void)mode;
        return false;
    }
    // [any thread, including the audio thread] A parameter changed; the editor may only
    // remember the value and mark its control dirty here, never draw or allocate.
    virtual void setParameter(VstInt32 index, float value) {
        (void)index; (void)value;
    }
    // [ui thread] The current program was renamed.
    virtual void showProgramName(const char* text) { (void)text; }
    // [ui thread] The scale factor the host draws its windows at (0: none known).
    virtual void setHostScale(double factor) { (void)factor; }

    AudioEffect* getEffect() const { return effect; }
    bool isOpen() const { return systemWindow != nullptr; }

protected:
    AudioEffect* effect;          // not owned; the effect outlives its editor
    void* systemWindow = nullptr; // host's parent window while open
};
