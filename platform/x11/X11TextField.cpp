#include "X11TextField.h"

#include "Utf8.h"
#include "X11Clipboard.h"
#include "X11Blit.h"
#include "platform/cairo/CairoDrawing.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstdlib>

namespace moltaro::platform::x11 {

namespace {
constexpr Time kDoubleClickMs = 400;

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

void setColor(cairo_t* cr, Color c) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

// The UTF-8 text a key press types, from Xlib's Latin-1 answer or the key's Unicode.
std::string typedText(XKeyEvent& key, KeySym& sym) {
    char buffer[32];
    int n = XLookupString(&key, buffer, sizeof buffer, &sym, nullptr);
    std::string out;
    for (int i = 0; i < n; ++i)
        appendUtf8(out, static_cast<unsigned char>(buffer[i]));
    if (out.empty() && sym >= 0x01000100 && sym <= 0x0110ffff)
        appendUtf8(out, static_cast<unsigned int>(sym - 0x01000000));
    else if (out.empty() && sym == XK_EuroSign)
        appendUtf8(out, 0x20ac);
    return out;
}
}  // namespace

KeyResult applyKey(TextEditState& s, unsigned long keysym, unsigned int state, const std::string& typed) {
    const bool shift = (state & ShiftMask) != 0;
    const bool control = (state & ControlMask) != 0;
    // The clipboard, by letters and by the older Insert/Delete combinations.
    if ((control && (keysym == XK_c || keysym == XK_C)) || (control && !shift && keysym == XK_Insert))
        return KeyResult::copy;
    if ((control && (keysym == XK_x || keysym == XK_X)) || (shift && !control && keysym == XK_Delete))
        return KeyResult::cut;
    if ((control && (keysym == XK_v || keysym == XK_V)) || (shift && !control && keysym == XK_Insert))
        return KeyResult::paste;
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
        return KeyResult::enter;
    case XK_Escape:
        return KeyResult::escape;
    case XK_Left:
    case XK_KP_Left:
        control ? s.wordLeft(shift) : s.left(shift);
        return KeyResult::moved;
    case XK_Right:
    case XK_KP_Right:
        control ? s.wordRight(shift) : s.right(shift);
        return KeyResult::moved;
    case XK_Home:
    case XK_KP_Home:
    case XK_Up:
    case XK_KP_Up:
        s.home(shift);
        return KeyResult::moved;
    case XK_End:
    case XK_KP_End:
    case XK_Down:
    case XK_KP_Down:
        s.end(shift);
        return KeyResult::moved;
    case XK_BackSpace:
        if (control && !s.hasSelection())
            s.wordLeft(true);
        return s.backspace() ? KeyResult::changed : KeyResult::moved;
    case XK_Delete:
    case XK_KP_Delete:
        if (control && !s.hasSelection())
            s.wordRight(true);
        return s.deleteForward() ? KeyResult::changed : KeyResult::moved;
    default:
        break;
    }
    if (control && (keysym == XK_a || keysym == XK_A)) {
        s.selectAll();
        return KeyResult::moved;
    }
    if (control || (state & Mod1Mask) || typed.empty())
        return KeyResult::ignored;
    return s.insert(typed) ? KeyResult::changed : KeyResult::moved;
}

std::unique_ptr<EditField> EditField::create(Connection& connection, ::Window parent, int x, int y, int w,
                                             int h, const std::string& text, const TextFieldLook& look,
                                             std::size_t maxBytes, EndHandler onEnd) {
    if (w <= 0 || h <= 0)
        return nullptr;
    std::unique_ptr<EditField> f(new EditField(connection));
    f->width = w;
    f->height = h;
    f->look = look;
    f->look.font.family = FontFamily::Sans;  // nobody types in symbols
    f->look.back.a = 255;
    f->limit = maxBytes;
    f->onEnd = std::move(onEnd);
    f->originalBytes = text.substr(0, maxBytes);
    f->originalUtf8 = sanitizeUtf8(f->originalBytes);
    f->edit = TextEditState(f->originalUtf8, maxBytes);
    f->originalUtf8 = f->edit.text();
    f->edit.selectAll();

    Display* d = connection.display();
    ErrorTrap trap(connection);
    XSetWindowAttributes attrs{};
    attrs.background_pixmap = None;
    attrs.border_pixel = 0;
    attrs.colormap = DefaultColormap(d, connection.screen());
    attrs.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask |
                       FocusChangeMask | StructureNotifyMask;
    Visual* visual = DefaultVisual(d, connection.screen());
    f->win = XCreateWindow(d, parent, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                           DefaultDepth(d, connection.screen()), InputOutput, visual,
                           CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attrs);
    if (trap.failed()) {
        if (f->win)
            XDestroyWindow(d, f->win);
        f->win = 0;
        return nullptr;
    }
    f->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    f->blitter = std::make_unique<Blitter>(connection, f->win);
    connection.addTarget(f->win, f.get());
    XMapRaised(d, f->win);
    int revert = 0;
    XGetInputFocus(d, &f->previousFocus, &revert);
    f->takeFocus();
    f->redraw();
    return f;
}

EditField::~EditField() {
    if (!win)
        return;
    Display* d = conn.display();
    ErrorTrap trap(conn);
    ::Window current = 0;
    int revert = 0;
    XGetInputFocus(d, &current, &revert);
    conn.removeTarget(win);
    cairo_surface_destroy(surface);
    blitter.reset();
    XDestroyWindow(d, win);
    // Give the keyboard back to whoever had it before us, if it is still ours to give,
    // so that the host's keys work again (left alone, it would fall to our window).
    if (current == win && previousFocus != None && previousFocus != win)
        XSetInputFocus(d, previousFocus, previousFocus == PointerRoot ? RevertToPointerRoot : RevertToParent,
                       CurrentTime);
    trap.failed();
}

void EditField::takeFocus() {
    ErrorTrap trap(conn);
    XSetInputFocus(conn.display(), win, RevertToParent, CurrentTime);
    // Fails while the window is not yet viewable; MapNotify tries again.
    trap.failed();
}

std::string EditField::text() const {
    return edit.text() == originalUtf8 ? originalBytes : edit.text();
}

void EditField::setText(const std::string& text) {
    conn.claimErrors();
    edit = TextEditState(sanitizeUtf8(text), limit);
    edit.selectAll();
    scroll = 0;
    redraw();
}

void EditField::finish(TextFieldEnd how) {
    if (ended)
        return;
    ended = true;
    if (how == TextFieldEnd::escape)
        edit = TextEditState(originalUtf8, originalUtf8.size() + 1);
    if (onEnd)
        onEnd(how);  // may destroy this
}

double EditField::textOrigin(cairo_t* cr) {
    const double room = width - 2.0 * kMargin;
    const double w = textWidth(cr, edit.text());
    if (w <= room) {
        scroll = 0;
        if (look.align == HAlign::Center)
            return kMargin + std::floor((room - w) / 2.0);
        if (look.align == HAlign::Right)
            return kMargin + room - w;
        return kMargin;
    }
    return kMargin - scroll;
}

void EditField::keepCaretVisible(cairo_t* cr) {
    const double room = width - 2.0 * kMargin;
    const double w = textWidth(cr, edit.text());
    if (w <= room) {
        scroll = 0;
        return;
    }
    const double caretX = textWidth(cr, edit.text().substr(0, edit.caret()));
    if (caretX - scroll > room)
        scroll = caretX - room;
    if (caretX - scroll < 0)
        scroll = caretX;
    if (scroll > w - room)
        scroll = w - room;
    if (scroll < 0)
        scroll = 0;
}

std::size_t EditField::offsetAt(int x) {
    cairo_t* cr = cairo_create(surface);
    cairodraw::selectFont(cr, look.font);
    const double origin = textOrigin(cr);
    const std::string& t = edit.text();
    std::size_t best = 0;
    double bestDistance = std::fabs(x - origin);
    for (std::size_t p = nextCodePoint(t, 0); p <= t.size() && p > 0;) {
        const double d = std::fabs(x - origin - textWidth(cr, t.substr(0, p)));
        if (d < bestDistance) {
            best = p;
            bestDistance = d;
        }
        if (p == t.size())
            break;
        p = nextCodePoint(t, p);
    }
    cairo_destroy(cr);
    return best;
}

void EditField::redraw() {
    cairo_t* cr = cairo_create(surface);
    setColor(cr, look.back);
    cairo_paint(cr);
    cairodraw::selectFont(cr, look.font);
    keepCaretVisible(cr);
    const double origin = textOrigin(cr);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    const double baseline = std::floor((height + fe.ascent - fe.descent) / 2.0 + 0.5);
    const std::string& t = edit.text();
    cairo_rectangle(cr, kMargin, 0, width - 2 * kMargin, height);
    cairo_clip(cr);
    setColor(cr, look.text);
    cairo_move_to(cr, origin, baseline);
    cairo_show_text(cr, t.c_str());
    if (edit.hasSelection()) {
        const double x0 = origin + textWidth(cr, t.substr(0, edit.selectionStart()));
        const double x1 = origin + textWidth(cr, t.substr(0, edit.selectionEnd()));
        cairo_rectangle(cr, x0, 1, x1 - x0, height - 2);
        cairo_set_source_rgb(cr, 0.19, 0.39, 0.78);
        cairo_fill_preserve(cr);
        cairo_clip(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, origin, baseline);
        cairo_show_text(cr, t.c_str());
    } else if (focused) {
        const double cx = std::floor(origin + textWidth(cr, t.substr(0, edit.caret()))) + 0.5;
        setColor(cr, look.text);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, cx, 2);
        cairo_line_to(cr, cx, height - 2);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    blitter->put(surface, 0, 0, width, height);
}

bool EditField::clipboardKey(KeyResult request) {
    Clipboard& board = conn.clipboard();
    if (request == KeyResult::paste) {
        std::string pasted;
        if (!board.paste(win, pasted))
            return false;
        // A single line: what follows the first line break stays out.
        const auto lineEnd = pasted.find_first_of("\r\n");
        if (lineEnd != std::string::npos)
            pasted.resize(lineEnd);
        return edit.insert(sanitizeUtf8(pasted));
    }
    if (!edit.hasSelection())
        return false;
    // Cut removes the text only once the clipboard holds it: nothing is lost.
    if (!board.copy(edit.selectedText()))
        return false;
    return request == KeyResult::cut && edit.deleteSelection();
}

void EditField::handleEvent(const XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0)
            redraw();
        break;
    case MapNotify:
        if (!focused)
            takeFocus();
        break;
    case FocusIn:
        if (event.xfocus.mode != NotifyGrab && event.xfocus.mode != NotifyUngrab && !focused) {
            focused = true;
            redraw();
        }
        break;
    case FocusOut:
        // Grabs (a pop-up menu, a window manager's key binding) only borrow the keyboard.
        if (focused && event.xfocus.mode != NotifyGrab && event.xfocus.mode != NotifyUngrab &&
            event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) {
            focused = false;
            finish(TextFieldEnd::focusLost);
        }
        break;
    case KeyPress: {
        if (ended)
            break;
        XKeyEvent key = event.xkey;
        KeySym sym = 0;
        const std::string typed = typedText(key, sym);
        const KeyResult result = applyKey(edit, sym, key.state, typed);
        switch (result) {
        case KeyResult::enter:
            finish(TextFieldEnd::enter);
            return;
        case KeyResult::escape:
            finish(TextFieldEnd::escape);
            return;
        case KeyResult::changed:
        case KeyResult::moved:
            redraw();
            break;
        case KeyResult::copy:
        case KeyResult::cut:
        case KeyResult::paste:
            if (clipboardKey(result))
                redraw();
            break;
        case KeyResult::ignored:
            break;
        }
        break;
    }
    case ButtonPress:
        if (ended || event.xbutton.button != Button1)
            break;
        if (!focused)
            takeFocus();
        if (lastClick != 0 && event.xbutton.time - lastClick < kDoubleClickMs &&
            std::abs(event.xbutton.x - lastClickX) <= 3) {
            edit.selectAll();
            lastClick = 0;
            dragging = false;
        } else {
            edit.setCaret(offsetAt(event.xbutton.x), (event.xbutton.state & ShiftMask) != 0);
            lastClick = event.xbutton.time ? event.xbutton.time : 1;
            lastClickX = event.xbutton.x;
            dragging = true;
        }
        redraw();
        break;
    case MotionNotify:
        if (dragging && !ended) {
            edit.setCaret(offsetAt(event.xmotion.x), true);
            redraw();
        }
        break;
    case ButtonRelease:
        if (event.xbutton.button == Button1)
            dragging = false;
        break;
    default:
        break;
    }
}

}  // namespace moltaro::platform::x11
