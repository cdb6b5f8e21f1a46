#include "X11Connection.h"

#include "X11Clipboard.h"

#include <time.h>

namespace moltaro::platform::x11 {

namespace {
Connection* instance = nullptr;  // owned by its users through acquire/release
}

Connection* Connection::acquire() {
    if (!instance) {
        Display* d = XOpenDisplay(nullptr);
        if (!d)
            return nullptr;
        instance = new Connection;
        instance->dpy = d;
        instance->screenNumber = DefaultScreen(d);
        instance->rootWindow = RootWindow(d, instance->screenNumber);
        instance->previousHandler = XSetErrorHandler(&Connection::onXError);
    }
    ++instance->users;
    return instance;
}

void Connection::release() {
    if (--users > 0)
        return;
    board.reset();  // its window goes before the connection
    // Put the previous handler back unless somebody installed theirs after ours.
    XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != &Connection::onXError)
        XSetErrorHandler(current);
    XCloseDisplay(dpy);
    instance = nullptr;
    delete this;
}

bool Connection::isOpen() { return instance != nullptr; }

void Connection::claimErrors() {
    const XErrorHandler current = XSetErrorHandler(&Connection::onXError);
    if (current != &Connection::onXError)
        previousHandler = current;
}

Clipboard& Connection::clipboard() {
    if (!board)
        board = std::make_unique<Clipboard>(*this);
    return *board;
}

int Connection::onXError(Display* display, XErrorEvent* event) {
    if (instance && display == instance->dpy) {
        ++instance->errors;
        instance->lastError = event->error_code;
        instance->lastErrorSerial = event->serial;
        return 0;
    }
    if (instance && instance->previousHandler)
        return instance->previousHandler(display, event);
    return 0;
}

Atom Connection::atom(const char* name) {
    auto it = atoms.find(name);
    if (it != atoms.end())
        return it->second;
    Atom a = XInternAtom(dpy, name, False);
    atoms.emplace(name, a);
    return a;
}

void Connection::addTarget(::Window window, EventTarget* target) { targets[window] = target; }

void Connection::removeTarget(::Window window) { targets.erase(window); }

void Connection::dispatch(XEvent& event) {
    // Looked up per event: a handler may close windows, including its own.
    auto it = targets.find(event.xany.window);
    if (it != targets.end())
        it->second->handleEvent(event);
}

void Connection::pump() {
    claimErrors();
    // A handler may close the last window; the extra use keeps the connection alive
    // until the loop is done.
    ++users;
    // Bounded, so that a flood of events cannot keep the host's idle call from returning.
    // A handler may pump again (a host that idles the editor from inside a tracking
    // loop), so the queue is checked before every read: XNextEvent on an empty queue
    // would wait for the next event.
    for (int n = XPending(dpy); n > 0 && XEventsQueued(dpy, QueuedAlready) > 0; --n) {
        XEvent event;
        XNextEvent(dpy, &event);
        dispatch(event);
    }
    XFlush(dpy);
    release();
}

void Connection::pumpExposures() {
    claimErrors();
    ++users;
    XEvent event;
    while (XCheckTypedEvent(dpy, Expose, &event))
        dispatch(event);
    XFlush(dpy);
    release();
}

int Connection::buttonsFromState(unsigned int state) {
    int b = 0;
    if (state & Button1Mask) b |= 1;
    if (state & Button2Mask) b |= 2;
    if (state & Button3Mask) b |= 4;
    if (state & ShiftMask) b |= 8;
    if (state & ControlMask) b |= 16;
    if (state & Mod1Mask) b |= 32;
    if (state & Mod4Mask) b |= 64;
    return b;
}

Connection::PointerState Connection::queryPointer(::Window relativeTo) {
    PointerState s;
    ::Window rootReturn = 0, child = 0;
    unsigned int mask = 0;
    Bool sameScreen = False;
    if (!answered([&] {
            sameScreen = XQueryPointer(dpy, relativeTo, &rootReturn, &child, &s.rootX, &s.rootY, &s.x, &s.y, &mask);
        }))
        return PointerState{};
    if (!sameScreen) {
        int ox = 0, oy = 0;
        windowOrigin(relativeTo, ox, oy);
        s.x = s.rootX - ox;
        s.y = s.rootY - oy;
    }
    s.buttons = buttonsFromState(mask);
    s.valid = true;
    return s;
}

bool Connection::windowOrigin(::Window window, int& x, int& y) {
    ::Window child = 0;
    x = y = 0;
    return answered([&] { XTranslateCoordinates(dpy, window, rootWindow, 0, 0, &x, &y, &child); });
}

ErrorTrap::ErrorTrap(Connection& connection) : conn(connection) {
    conn.claimErrors();
    // Errors of requests sent before the trap are not this trap's.
    XSync(conn.dpy, False);
    startCount = conn.errors;
}

bool ErrorTrap::failed() {
    XSync(conn.dpy, False);
    if (conn.errors != startCount) {
        code = conn.lastError;
        return true;
    }
    return false;
}

unsigned int tickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull +
                            static_cast<unsigned long long>(ts.tv_nsec / 1000000);
    return static_cast<unsigned int>(ms);
}

void sleepMs(unsigned int ms) {
    timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace moltaro::platform::x11
