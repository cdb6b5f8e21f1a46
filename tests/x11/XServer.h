#pragma once
// A private Xvfb for the X11 tests, started on a free display the first time a test
// asks for it and stopped when the program ends, plus a "host and user" connection
// of the test's own: it owns the parent window a host would give the plug-in, and
// moves the pointer and presses keys through the XTEST extension.

#include <X11/Xlib.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace xtest {

// Starts Xvfb once per process and points $DISPLAY at it. False (with the reason
// in *why) when Xvfb is not installed or does not start.
bool ensureServer(std::string* why);

// Skips the current test with a clear message when there is no X server to use.
#define MOLTARO_REQUIRE_XVFB()                                                          \
    do {                                                                                \
        std::string why_;                                                               \
        if (!xtest::ensureServer(&why_))                                                \
            GTEST_SKIP() << why_ << " (scripts/deps.sh installs xvfb and xdotool)";     \
    } while (0)

// The test's own connection, as a host application and its user.
class Host {
public:
    Host();
    ~Host();
    Display* display() const { return dpy; }

    // A mapped top-level window as a host would hand to effEditOpen.
    ::Window makeParent(int width, int height, int x = 40, int y = 40);
    int childCount(::Window window);
    void destroy(::Window window);

    // Synthetic input, synchronised with the server before returning.
    void moveTo(int rootX, int rootY);
    void press(int button);
    void release(int button);
    void key(unsigned long keysym, bool down);
    void tap(unsigned long keysym);                  // down and up
    void typeText(const std::string& ascii);
    void focus(::Window window);
    // The window's top-left corner on the screen.
    void origin(::Window window, int& x, int& y);

    // Mapped override-redirect windows on the screen (pop-up menus), bottom to top.
    struct Placed {
        ::Window id = 0;
        int x = 0, y = 0, width = 0, height = 0;
    };
    std::vector<Placed> popups();
    // Waits until at least n pop-ups are shown; the topmost n in order, or fewer on timeout.
    std::vector<Placed> waitForPopups(std::size_t n, int timeoutMs = 3000);
    // Straight 0xRRGGBB pixels of a screen area, row by row.
    std::vector<unsigned> grab(int x, int y, int width, int height);
    // Writes a screen area as a PNG (for looking at what the tests saw).
    bool savePng(const std::string& path, int x, int y, int width, int height);

    // Another program's side of the clipboard: owns CLIPBOARD with the text and answers
    // requests for it until `until` says stop; or asks the current owner for the text.
    void serveClipboard(const std::string& utf8, const std::function<bool()>& until);
    bool readClipboard(std::string& out, int timeoutMs = 3000);

    // Server resources held by the client that owns the given resource, by type name
    // ("WINDOW", "PIXMAP", "GC", "PICTURE", ...), from the X-Resource extension.
    // False when the server lacks the extension.
    bool clientResources(unsigned long anyIdOfClient, std::map<std::string, int>& counts);
    // Number of clients connected to the server (X-Resource); -1 without the extension.
    int clientCount();

    // Calls `step` between short sleeps until `done` answers true or the time runs
    // out; true when done. `step` typically pumps the backend's events.
    static bool waitUntil(const std::function<bool()>& done, const std::function<void()>& step,
                          int timeoutMs = 3000);

private:
    Display* dpy = nullptr;
};

}  // namespace xtest
