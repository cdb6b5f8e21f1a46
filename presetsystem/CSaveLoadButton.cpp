#include "presetsystem/CSaveLoadButton.h"

#include <cstring>

#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

CSaveLoadButton::CSaveLoadButton(const CRect& r, CPresetSystemListener* l, long t, CCoord h, CBitmap* background,
                                 const CPoint& o, long m)
    : CKickButton(r, l, t, h, background, o), presetListener(l), mode(m) {}

bool CSaveLoadButton::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CSaveLoadButton") == 0) || CKickButton::isTypeOf(className);
}

long CSaveLoadButton::getImageIndex() const {
    if (value > 0.5f) return 2;
    if (value < 0.5f && highlight) return 1;
    return 0;
}

void CSaveLoadButton::draw(CDrawContext* context) {
    drawBackgroundBitmap(context, size, CPoint(offset.h, offset.v + getImageIndex() * heightOfOneImage));
    setDirty(false);
}

void CSaveLoadButton::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled || !pParentFrame || !context || !presetListener) return;
    if (!(readButtons(context, buttons) & kLButton)) return;

    // Keeps the button alive should the operation close the window under it.
    remember();
    value = 1.f;
    setDirty(true);
    redraw();
    switch (mode) {
    case kLoadBank: presetListener->loadBank(); break;
    case kSaveBank: presetListener->saveBank(); break;
    case kLoadPreset: presetListener->loadPreset(); break;
    case kSavePreset: presetListener->savePreset(); break;
    default: break;
    }
    while (pParentFrame && pParentFrame->isOpen() && (context->getMouseButtons() & kLButton)) doIdleStuff();
    if (pParentFrame) pParentFrame->endEdit(tag);
    value = 0.f;
    setDirty(true);
    forget();
}

void CSaveLoadButton::setHighlight(bool on) {
    if (on == highlight) return;
    highlight = on;
    setDirty(true);
}
