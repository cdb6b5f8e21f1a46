#pragma once
// The native single-line text field: an "EDIT" child of the editor's window, subclassed
// so that Enter ends the editing (enter = true), Escape ends it with the text it started
// with, and losing the keyboard focus ends it (enter = false). Its colours come from the
// parent's WM_CTLCOLOREDIT, answered by the window with colours() and brush().

#include <windows.h>

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace moltaro::platform::win32 {

struct WindowLink;

class Win32TextField final : public TextField {
public:
    // Null when the edit control cannot be made.
    static std::unique_ptr<Win32TextField> create(HWND parent, std::shared_ptr<WindowLink> link,
                                                  const TextFieldSpec& desc, TextFieldListener* listener);
    ~Win32TextField() override;

    std::string text() const override;
    void setText(const std::string& text) override;

    HWND handle() const { return edit; }
    COLORREF textColor() const { return foreground; }
    COLORREF backColor() const { return background; }
    HBRUSH brush() const { return backBrush; }
    // The window is going: no more calls to the listener.
    void detach() { ended = true; }

private:
    Win32TextField() = default;
    static LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void finish(bool enter, bool restore);

    HWND edit = nullptr;
    HWND parent = nullptr;
    WNDPROC original = nullptr;
    HFONT font = nullptr;
    HBRUSH backBrush = nullptr;
    COLORREF foreground = 0, background = 0;
    std::shared_ptr<WindowLink> link;
    TextFieldListener* listener = nullptr;
    std::string startText;
    std::size_t limit = 255;
    bool ended = false;
};

}  // namespace moltaro::platform::win32
