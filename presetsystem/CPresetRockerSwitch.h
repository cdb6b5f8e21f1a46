#pragma once
// The preset bar's previous/next arrows: a click on the left half steps to the
// previous program, on the right half to the next; each half lights up while the
// mouse is over it. One click is one step.
// Film strip of 5 images: 0 rest, 1 left lit, 2 right lit, 3 left pressed, 4 right
// pressed.

#include "presetsystem/CPresetSystemListener.h"
#include "vstgui/CRockerSwitch.h"

class CPresetRockerSwitch : public VSTGUI::CRockerSwitch {
public:
    // listener is also the control's listener; not owned.
    CPresetRockerSwitch(const VSTGUI::CRect& size, CPresetSystemListener* listener, long tag,
                        VSTGUI::CCoord heightOfOneImage, VSTGUI::CBitmap* background, const VSTGUI::CPoint& offset,
                        long style = VSTGUI::kHorizontal);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;
    bool isTypeOf(const char* className) const override;

    // Off, or on for the half that holds (x, y) (window coordinates); a point in
    // neither half keeps the highlight as it was. Dirty on change.
    virtual void setHighlight(bool on, long x, long y);
    // 0 none, 1 left half, 2 right half.
    int getHighlight() const { return highlight; }
    long getImageIndex() const;

private:
    CPresetSystemListener* presetListener;  // not owned
    int highlight = 0;
    VSTGUI::CRect leftHalf;
    VSTGUI::CRect rightHalf;
};
