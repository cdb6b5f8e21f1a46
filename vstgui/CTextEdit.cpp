#include "CTextEdit.h"

#include "CDrawContext.h"
#include "CFrame.h"
#include "platform/Platform.h"

#include <cstring>
#include <string>

namespace VSTGUI {

namespace pf = moltaro::platform;

// Hears the end of the native field's editing.
class CTextEdit::FieldEvents final : public pf::TextFieldListener {
public:
    explicit FieldEvents(CTextEdit* e) : edit(e) {}
    void textFieldEnded(bool enter) override {
        edit->bWasReturnPressed = enter;
        edit->looseFocus(nullptr);
    }

private:
    CTextEdit* edit;
};

CTextEdit::CTextEdit(const CRect& r, CControlListener* l, long t, const char* txt, CBitmap* background, long s)
    : CParamDisplay(r, background, s), fieldEvents(std::make_unique<FieldEvents>(this)) {
    listener = l;
    tag = t;
    setText(txt);
}

CTextEdit::~CTextEdit() {
    // Closing without ending the edit: the field goes, nothing is reported.
    field.reset();
}

bool CTextEdit::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CTextEdit") == 0) || CParamDisplay::isTypeOf(className);
}

void CTextEdit::setText(const char* txt) {
    char next[kMaxLength + 1] = {0};
    if (txt) std::strncpy(next, txt, kMaxLength);
    if (std::strcmp(next, text) != 0) {
        std::memcpy(text, next, sizeof text);
        setDirty(true);
    }
}

void CTextEdit::getText(char* txt) const {
    if (txt) std::strcpy(txt, text);
}

void CTextEdit::draw(CDrawContext* context) {
    char string[256] = {0};
    if (editConvert)
        editConvert(text, string, editUserData);
    else if (stringConvert)
        stringConvert(value, string, userData);
    else
        std::strcpy(string, text);
    drawText(context, string);
}

void CTextEdit::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled) return;
    const long button = readButtons(context, buttons);
    if (offerModifierClick(context, button)) return;
    if (!(button & kLButton)) return;
    if (pParentFrame && pParentFrame->getFocusView() == this && isEditing()) return;
    if (style & kDoubleClickStyle) {
        const uint32_t now = pf::backend().ticks();
        const bool second = now - lastClickTime < doubleClickTime();
        lastClickTime = now;
        if (!second) return;
    }
    beginEdit();
    takeFocus(context);
    if (!isEditing()) {
        // No field to edit in: the edit that began ends at once.
        endEdit();
        if (pParentFrame && pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
    }
}

void CTextEdit::takeFocus(CDrawContext*) {
    if (isEditing() || !pParentFrame) return;
    pf::Window* window = pParentFrame->getPlatformWindow();
    if (!window || !pParentFrame->isOpen()) return;

    const CRect r = getWindowRect();
    pf::TextFieldSpec desc;
    desc.rect = pParentFrame->toWindowRect(r);
    desc.text = text;
    desc.font = standardFontSpec(fontID, 0, txtFace);
    desc.font.sizePx = pParentFrame->getScaling().scaleLength(desc.font.sizePx);
    desc.textColor = pf::Color{fontColor.red, fontColor.green, fontColor.blue, 255};
    desc.backColor = pf::Color{backColor.red, backColor.green, backColor.blue, 255};
    desc.align = horiTxtAlign == kCenterText ? pf::HAlign::Center
                 : horiTxtAlign == kRightText ? pf::HAlign::Right
                                              : pf::HAlign::Left;
    desc.maxLength = kMaxLength;
    bWasReturnPressed = false;
    field = window->createTextField(desc, fieldEvents.get());
}

void CTextEdit::looseFocus(CDrawContext* context) {
    if (!field) return;
    // Taken out first: everything below may come back here.
    std::unique_ptr<pf::TextField> ended = std::move(field);
    endEdit();
    if (pParentFrame && pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
    const std::string typed = ended->text().substr(0, kMaxLength);
    ended.reset();

    if (typed != text) {
        std::memset(text, 0, sizeof text);
        std::memcpy(text, typed.data(), typed.size());
        CDrawContext* own = nullptr;
        if (!context && pParentFrame) context = own = pParentFrame->createDrawContext();
        if (listener) listener->valueChanged(context, this);
        setDirty(true);
        if (own) own->forget();
    }
    if (pParentView) pParentView->notify(this, kMsgLooseFocus);
}

}  // namespace VSTGUI
