#pragma once
// The process's one connection to the X server, shared by every window the plug-in
// opens and closed with the last of them. Nothing here blocks: events are read only
// when pump() is called (from the editor's idle and from mouse-tracking loops).
//
// Threads: the host's user-interface thread only.

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>

namespace moltaro::platform::x11 {

class Clipboard;

// Anything that owns an X window of ours and wants its events.
class EventTarget {
public:
    virtual ~EventTarget() = default;
    virtual void handleEvent(const XEvent& event) = 0;
};

class Connection {
public:
    // Opens the display named by $DISPLAY on first use; nullptr when that fails.
    // Every successful acquire() needs one release().
    static Connection* acquire();
    void release();

    Display* display() const { return dpy; }
    int screen() const { return screenNumber; }
    ::Window root() const { return rootWindow; }
    Atom atom(const char* name);

    void addTarget(::Window window, EventTarget* target);
    void removeTarget(::Window window);

    // Reads and dispatches every queued event; returns at once when there is none.
    void pump();
    // Hands one event to the target of its window, if any.
    void dispatch(XEvent& event);
    // Dispatches only the exposure events (for the paint pumping of tracking loops);
    // other events stay queued for the next pump().
    void pumpExposures();

    // Pointer state in the bit layout of the toolkit: left 1, middle 2, right 4,
    // Shift 8, Control 16, Alt 32, system key 64.
    struct PointerState {
        int rootX = 0, rootY = 0;   // on the screen
        int x = 0, y = 0;           // relative to the window asked about
        int buttons = 0;
        bool valid = false;         // false when the window is gone
    };
    PointerState queryPointer(::Window relativeTo);
    static int buttonsFromState(unsigned int state);

    // Screen position of a window's top-left corner.
    bool windowOrigin(::Window window, int& x, int& y);

    // Number of times a window of ours or an X call was refused with an error since
    // the connection opened; see ErrorTrap.
    unsigned long errorCount() const { return errors; }
    // Makes sure our error handler is the one in place, chaining to whatever handler
    // took its place meanwhile (a host may install its own at any time). Cheap: every
    // entry into the backend calls it, so that errors of our connection are always
    // read while ours is in place and never reach a handler that ends the process.
    void claimErrors();

    // Whether the shared connection is currently open (tests check that it closes).
    static bool isOpen();

    // The CLIPBOARD selection as the text fields use it (made on first use).
    Clipboard& clipboard();

private:
    friend class ErrorTrap;
    Connection() = default;
    static int onXError(Display* display, XErrorEvent* event);
    // For a request that has a reply: true when the server answered the one sent by
    // call() rather than refusing it. One round trip, unlike an ErrorTrap's two syncs
    // (pointer polls are frequent).
    template <typename Call>
    bool answered(Call call) {
        claimErrors();
        const unsigned long serial = NextRequest(dpy);
        call();
        return lastErrorSerial != serial;
    }

    Display* dpy = nullptr;
    int screenNumber = 0;
    ::Window rootWindow = 0;
    int users = 0;
    unsigned long errors = 0;
    unsigned char lastError = 0;
    unsigned long lastErrorSerial = 0;  // request number of the last refused request
    std::map<::Window, EventTarget*> targets;
    std::map<std::string, Atom> atoms;
    std::unique_ptr<Clipboard> board;
    XErrorHandler previousHandler = nullptr;
};

// Catches X errors of our connection for the calls made during its lifetime, so that
// a bad window id from a host fails one call instead of ending the host (Xlib's default
// handler exits the process). Errors of other connections go to whatever handler was
// installed before ours.
class ErrorTrap {
public:
    explicit ErrorTrap(Connection& connection);
    // Waits for the server to answer everything sent so far; true when any of it
    // was refused since the trap was set.
    bool failed();
    unsigned char errorCode() const { return code; }

private:
    Connection& conn;
    unsigned long startCount;
    unsigned char code = 0;
};

// Milliseconds from a monotonic clock, wrapping at 2^32 like a system tick count.
unsigned int tickCount();
void sleepMs(unsigned int ms);

}  // namespace moltaro::platform::x11
