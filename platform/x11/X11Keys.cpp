#include "X11Keys.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace moltaro::platform::x11 {

namespace {

int virtualKey(unsigned long sym) {
    switch (sym) {
    case XK_BackSpace: return kKeyBack;
    case XK_Tab:
    case XK_ISO_Left_Tab: return kKeyTab;
    case XK_Clear: return kKeyClear;
    case XK_Return: return kKeyReturn;
    case XK_Pause: return kKeyPause;
    case XK_Escape: return kKeyEscape;
    case XK_space: return kKeySpace;
    case XK_End:
    case XK_KP_End: return kKeyEnd;
    case XK_Home:
    case XK_KP_Home: return kKeyHome;
    case XK_Left:
    case XK_KP_Left: return kKeyLeft;
    case XK_Up:
    case XK_KP_Up: return kKeyUp;
    case XK_Right:
    case XK_KP_Right: return kKeyRight;
    case XK_Down:
    case XK_KP_Down: return kKeyDown;
    case XK_Page_Up:
    case XK_KP_Page_Up: return kKeyPageUp;
    case XK_Page_Down:
    case XK_KP_Page_Down: return kKeyPageDown;
    case XK_KP_Enter: return kKeyEnter;
    case XK_Insert:
    case XK_KP_Insert: return kKeyInsert;
    case XK_Delete:
    case XK_KP_Delete: return kKeyDelete;
    default: return kKeyNone;
    }
}

// The code point of the first character of a UTF-8 text (0 when empty or a control).
int firstCodePoint(const std::string& s) {
    if (s.empty()) return 0;
    const unsigned char c = static_cast<unsigned char>(s[0]);
    int cp = 0;
    std::size_t len = 1;
    if (c < 0x80) { cp = c; }
    else if ((c & 0xe0) == 0xc0) { cp = c & 0x1f; len = 2; }
    else if ((c & 0xf0) == 0xe0) { cp = c & 0x0f; len = 3; }
    else if ((c & 0xf8) == 0xf0) { cp = c & 0x07; len = 4; }
    else return 0;
    if (s.size() < len) return 0;
    for (std::size_t i = 1; i < len; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3f);
    return cp < 0x20 || cp == 0x7f ? 0 : cp;
}

}  // namespace

KeyEvent translateKey(unsigned long keysym, unsigned int state, const std::string& typed) {
    KeyEvent k;
    k.virt = virtualKey(keysym);
    if (k.virt == kKeyNone || k.virt == kKeySpace) {
        k.character = firstCodePoint(typed);
        // With Control held Xlib types a control code; the key's own character is meant.
        if (k.character == 0 && keysym >= 0x20 && keysym <= 0xff)
            k.character = static_cast<int>(keysym);
    }
    if (state & ShiftMask) k.modifiers |= kKeyModShift;
    if (state & Mod1Mask) k.modifiers |= kKeyModAlt;
    if (state & ControlMask) k.modifiers |= kKeyModControl;
    if (state & Mod4Mask) k.modifiers |= kKeyModCommand;
    return k;
}

}  // namespace moltaro::platform::x11
