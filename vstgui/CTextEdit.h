#pragma once
// A text the user can edit: a click opens a native single-line field over the
// control; Enter or a click elsewhere ends the editing and reports a changed text.

#include "CParamDisplay.h"

#include <memory>

namespace moltaro {
namespace platform {
class TextField;
}
}  // namespace moltaro

namespace VSTGUI {

class CTextEdit : public CParamDisplay {
public:
    static constexpr int kMaxLength = 255;

    CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* text = nullptr,
              CBitmap* background = nullptr, long style = 0);
    ~CTextEdit() override;

    virtual void setText(const char* text);  // at most kMaxLength characters are kept
    virtual void getText(char* text) const;  // text needs kMaxLength + 1 bytes
    virtual const char* getTextPointer() const { return text; }
    // True when Enter ended the last editing.
    virtual bool wasReturnPressed() const { return bWasReturnPressed; }

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    bool isTypeOf(const char* className) const override;

    // True while the native field is open.
    bool isEditing() const { return field != nullptr; }
    moltaro::platform::TextField* getTextField() const { return field.get(); }

private:
    class FieldEvents;
    char text[kMaxLength + 1] = {0};
    std::unique_ptr<moltaro::platform::TextField> field;  // open while editing
    std::unique_ptr<FieldEvents> fieldEvents;
    bool bWasReturnPressed = false;
};

}  // namespace VSTGUI
