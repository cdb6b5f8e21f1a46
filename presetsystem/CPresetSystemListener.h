#pragma once
// What the preset bar's own controls ask of the editor besides valueChanged: the four
// file operations and stepping to the previous or next program.
// [ui thread]

#include "vstgui/CControlListener.h"

class CPresetSystemListener : public VSTGUI::CControlListener {
public:
    // Each starts with its modal file dialog.
    virtual void loadBank() = 0;
    virtual void saveBank() = 0;
    virtual void loadPreset() = 0;
    virtual void savePreset() = 0;
    // The previous (up = false) or next program, stopping at the first and the last.
    virtual void stepProgram(bool up) = 0;
};
