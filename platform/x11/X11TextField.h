#pragma once
// A single-line text field drawn by us in a small child window over a control: it
// takes the keyboard focus, starts with all text selected, edits with the usual keys
// and the mouse, and tells its owner once when the editing ends (Enter, Escape, or
// the focus going elsewhere). Events arrive through the connection's pump.

#include "TextEditState.h"
#include "X11Blit.h"
#include "X11Connection.h"
#include "platform/Platform.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <functional>
#include <memory>
#include <string>

namespace moltaro::platform::x11 {

struct TextFieldLook {
    FontSpec font;
    HAlign align = HAlign::Left;
    Color text{0, 0, 0, 255};
    Color back{255, 255, 255, 255};
};

enum class TextFieldEnd { enter, escape, focusLost };

// What a key does to a text field's state.
enum class KeyResult { ignored, changed, moved, enter, escape, copy, cut, paste };
// typed: the UTF-8 text the key produces (may be empty). Pure, for tests; the
// clipboard keys only report what they ask for.
KeyResult applyKey(TextEditState& state, unsigned long keysym, unsigned int modifierState,
                   const std::string& typed);

class EditField : public EventTarget {
public:
    // Called once when the editing ends; the owner may destroy the field inside it.
    using EndHandler = std::function<void(TextFieldEnd how)>;

    // x, y, width, height: in the parent window. text: UTF-8 (other bytes are read as
    // Latin-1). nullptr when no window could be made.
    static std::unique_ptr<EditField> create(Connection& connection, ::Window parent, int x, int y, int width,
                                             int height, const std::string& text, const TextFieldLook& look,
                                             std::size_t maxBytes, EndHandler onEnd);
    ~EditField() override;

    // The text now; exactly the bytes given at creation when nothing was edited
    // (or the edits were undone, or Escape was pressed).
    std::string text() const;
    // Replaces the text (all of it selected), as if the user had typed it.
    void setText(const std::string& text);
    const TextEditState& state() const { return edit; }
    ::Window window() const { return win; }
    bool hasFocus() const { return focused; }

    // Ends the editing as if the focus had gone (for the owner; calls the handler).
    void finish(TextFieldEnd how);

    void handleEvent(const XEvent& event) override;

private:
    EditField(Connection& c) : conn(c) {}
    void takeFocus();
    void redraw();
    void keepCaretVisible(cairo_t* cr);
    std::size_t offsetAt(int x);
    bool clipboardKey(KeyResult request);
    std::size_t limit = 255;
    double textOrigin(cairo_t* cr);

    Connection& conn;
    ::Window win = 0;
    ::Window previousFocus = 0;
    cairo_surface_t* surface = nullptr;  // the field drawn in memory
    std::unique_ptr<Blitter> blitter;
    int width = 0, height = 0;
    TextFieldLook look;
    TextEditState edit;
    std::string originalBytes;
    std::string originalUtf8;
    EndHandler onEnd;
    double scroll = 0;      // pixels the text is shifted left to keep the caret in view
    bool focused = false;
    bool ended = false;
    bool dragging = false;
    Time lastClick = 0;  // 0: no click yet
    int lastClickX = 0;
    static constexpr int kMargin = 2;
};

}  // namespace moltaro::platform::x11
