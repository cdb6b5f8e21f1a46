#pragma once
// The preset bar's file buttons: a press runs one file operation of the editor (its
// dialog is modal) and shows the pressed image meanwhile; the button lights up while
// the mouse is over it.
// Film strip of 4 images: 0 normal, 1 highlighted, 2 pressed (3 unused).

#include "presetsystem/CPresetSystemListener.h"
#include "vstgui/CKickButton.h"

class CSaveLoadButton : public VSTGUI::CKickButton {
public:
    enum Mode { kLoadBank = 0, kSaveBank = 1, kLoadPreset = 2, kSavePreset = 3 };

    // listener is also the control's listener; not owned.
    CSaveLoadButton(const VSTGUI::CRect& size, CPresetSystemListener* listener, long tag,
                    VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background, const VSTGUI::CPoint& offset,
                    long mode);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // Marks the button dirty when the highlight changes.
    virtual void setHighlight(bool on);
    bool getHighlight() const { return highlight; }
    long getMode() const { return mode; }
    // The strip image shown now.
    long getImageIndex() const;

private:
    CPresetSystemListener* presetListener;  // not owned
    long mode;
    bool highlight = false;
};
