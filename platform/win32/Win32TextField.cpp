#include "platform/win32/Win32TextField.h"

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Window.h"

namespace moltaro::platform::win32 {

namespace {

// The longest start of text that is at most limit bytes and ends on a whole character.
std::string cutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80) --n;
    return text.substr(0, n);
}

}  // namespace

std::unique_ptr<Win32TextField> Win32TextField::create(HWND parent, std::shared_ptr<WindowLink> link,
                                                       const TextFieldSpec& desc, TextFieldListener* listener) {
    std::unique_ptr<Win32TextField> f(new Win32TextField);
    f->parent = parent;
    f->link = std::move(link);
    f->listener = listener;
    f->limit = desc.maxLength > 0 ? static_cast<std::size_t>(desc.maxLength) : 255;
    f->startText = cutUtf8(desc.text, f->limit);
    f->foreground = toColorRef(desc.textColor);
    f->background = toColorRef(desc.backColor);
    f->backBrush = CreateSolidBrush(f->background);
    const DWORD align = desc.align == HAlign::Center ? ES_CENTER : desc.align == HAlign::Right ? ES_RIGHT : ES_LEFT;
    const Rect& r = desc.rect;
    f->edit = CreateWindowExW(0, L"EDIT", widen(f->startText).c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align,
                              r.left, r.top, r.width(), r.height(), parent, nullptr, moduleHandle(), nullptr);
    if (!f->edit) return nullptr;
    f->font = createFont(desc.font);
    if (f->font) SendMessageW(f->edit, WM_SETFONT, reinterpret_cast<WPARAM>(f->font), FALSE);
    SendMessageW(f->edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(2, 2));
    // The limit counts characters; text() cuts to bytes as well.
    SendMessageW(f->edit, EM_LIMITTEXT, static_cast<WPARAM>(f->limit), 0);
    SetWindowLongPtrW(f->edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f.get()));
    f->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(f->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32TextField::editProc)));
    SendMessageW(f->edit, EM_SETSEL, 0, -1);
    SetFocus(f->edit);
    return f;
}

Win32TextField::~Win32TextField() {
    ended = true;  // whatever happens to the control now is not an end of editing
    if (link && link->window) link->window->textFieldGone(this);
    if (edit && IsWindow(edit)) {
        // The keyboard goes back to the editor's window, not nowhere.
        if (GetFocus() == edit && IsWindow(parent)) SetFocus(parent);
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrW(edit, GWLP_USERDATA, 0);
        DestroyWindow(edit);
    }
    if (font) DeleteObject(font);
    if (backBrush) DeleteObject(backBrush);
}

std::string Win32TextField::text() const {
    if (!edit || !IsWindow(edit)) return startText;
    const int n = GetWindowTextLengthW(edit);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(edit, w.data(), n + 1);
    w.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return cutUtf8(narrow(w), limit);
}

void Win32TextField::setText(const std::string& t) {
    if (!edit || !IsWindow(edit)) return;
    SetWindowTextW(edit, widen(cutUtf8(t, limit)).c_str());
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void Win32TextField::finish(bool enter, bool restore) {
    if (ended) return;
    ended = true;
    if (restore) SetWindowTextW(edit, widen(startText).c_str());
    if (listener) listener->textFieldEnded(enter);  // may destroy this
}

LRESULT CALLBACK Win32TextField::editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32TextField*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC original = self->original;
    switch (message) {
    case WM_GETDLGCODE:
        return CallWindowProcW(original, hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            self->finish(true, false);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            self->finish(false, true);
            return 0;
        }
        break;
    case WM_CHAR:
        // Enter and Escape are handled above; the control would only beep.
        if (wParam == '\r' || wParam == '\n' || wParam == 27) return 0;
        break;
    case WM_KILLFOCUS: {
        LRESULT r = CallWindowProcW(original, hwnd, message, wParam, lParam);
        self->finish(false, false);
        return r;
    }
    default:
        break;
    }
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

}  // namespace moltaro::platform::win32
