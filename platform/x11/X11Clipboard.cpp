#include "X11Clipboard.h"

#include "Utf8.h"

#include <X11/Xatom.h>

namespace moltaro::platform::x11 {

Clipboard::Clipboard(Connection& c) : conn(c) {
    Display* d = conn.display();
    XSetWindowAttributes attrs{};
    attrs.event_mask = PropertyChangeMask;
    window = XCreateWindow(d, conn.root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                           CWEventMask, &attrs);
    conn.addTarget(window, this);
}

Clipboard::~Clipboard() {
    conn.removeTarget(window);
    XDestroyWindow(conn.display(), window);  // gives up the selection too
}

bool Clipboard::copy(const std::string& utf8) {
    conn.claimErrors();
    Display* d = conn.display();
    const Atom selection = conn.atom("CLIPBOARD");
    XSetSelectionOwner(d, selection, window, CurrentTime);
    owning = XGetSelectionOwner(d, selection) == window;
    text = owning ? utf8 : std::string();
    return owning;
}

bool Clipboard::paste(::Window requestor, std::string& out, int timeoutMs) {
    conn.claimErrors();
    Display* d = conn.display();
    const Atom selection = conn.atom("CLIPBOARD");
    const ::Window owner = XGetSelectionOwner(d, selection);
    if (owner == None)
        return false;
    if (owner == window) {
        out = text;
        return true;
    }
    // Modern programs answer in UTF-8; older ones only in Latin-1.
    return fetch(requestor, conn.atom("UTF8_STRING"), out, timeoutMs) || fetch(requestor, XA_STRING, out, timeoutMs);
}

bool Clipboard::fetch(::Window requestor, Atom target, std::string& out, int timeoutMs) {
    Display* d = conn.display();
    const Atom property = conn.atom("MOLTARO_PASTE");
    XConvertSelection(d, conn.atom("CLIPBOARD"), target, property, requestor, CurrentTime);
    XFlush(d);
    XEvent event;
    bool answered = false;
    for (int waited = 0; waited <= timeoutMs && !answered; waited += 2) {
        if (XCheckTypedWindowEvent(d, requestor, SelectionNotify, &event))
            answered = true;
        else
            sleepMs(2);
    }
    if (!answered || event.xselection.property == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    ErrorTrap trap(conn);
    XGetWindowProperty(d, requestor, property, 0, 4096, True, AnyPropertyType, &type, &format, &count, &remaining,
                       &data);
    const bool ok = !trap.failed() && data && format == 8 && type != conn.atom("INCR");
    if (ok) {
        const std::string raw(reinterpret_cast<const char*>(data), count);
        // Latin-1 answers become UTF-8; sanitizing also keeps only what a text field takes.
        if (target == XA_STRING) {
            std::string converted;
            for (unsigned char c : raw)
                appendUtf8(converted, c);
            out = converted;
        } else {
            out = raw;
        }
    }
    if (data)
        XFree(data);
    return ok;
}

void Clipboard::handleEvent(const XEvent& event) {
    Display* d = conn.display();
    if (event.type == SelectionClear) {
        owning = false;
        text.clear();
        return;
    }
    if (event.type != SelectionRequest)
        return;
    const XSelectionRequestEvent& r = event.xselectionrequest;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = d;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;
    // Old clients leave the property out and mean the target's name.
    const Atom property = r.property != None ? r.property : r.target;
    const Atom targets = conn.atom("TARGETS");
    const Atom utf8 = conn.atom("UTF8_STRING");
    ErrorTrap trap(conn);  // the requestor may be gone already
    if (owning && r.target == targets) {
        const Atom offered[] = {targets, utf8, XA_STRING};
        XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 3);
        reply.property = property;
    } else if (owning && r.target == utf8) {
        XChangeProperty(d, r.requestor, property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        reply.property = property;
    } else if (owning && r.target == XA_STRING) {
        // Latin-1 for clients that ask for it; what it cannot hold becomes '?'.
        std::string latin;
        for (std::size_t i = 0; i < text.size(); i = nextCodePoint(text, i)) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) {
                latin += static_cast<char>(c);
            } else if ((c & 0xe0) == 0xc0 && i + 1 < text.size()) {
                const unsigned int cp = ((c & 0x1fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3fu);
                latin += cp < 0x100 ? static_cast<char>(cp) : '?';
            } else {
                latin += '?';
            }
        }
        XChangeProperty(d, r.requestor, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin.data()), static_cast<int>(latin.size()));
        reply.property = property;
    }
    XSendEvent(d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    trap.failed();
}

}  // namespace moltaro::platform::x11
