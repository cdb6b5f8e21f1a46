#pragma once
// The X11 backend: the editor's window as a child of the host's window (the XID
// given to effEditOpen), drawn with cairo into an image kept in memory and copied to
// the window, input read from the X connection when the editor's idle asks for it.
// No threads and no event loop of our own: processEvents() and the tracking loops'
// polls are the only places where X events are read.

#include "platform/Platform.h"

#include <cstdint>
#include <string>

namespace moltaro::platform::x11 {

class X11Backend final : public Backend {
public:
    // parent: the host's window id (an XID carried in the pointer). A null parent
    // makes a top-level window of our own, for tools that run without a host.
    std::unique_ptr<Window> createWindow(void* parent, int width, int height, WindowListener* listener) override;
    std::unique_ptr<DrawContext> createImageContext(Image& target) override;
    uint32_t ticks() override;
    void sleep(int milliseconds) override;
    int doubleClickTime() override { return 400; }
    // GDK_SCALE when set, else the Xft.dpi resource of the X server (96 dpi = 1x).
    double systemScale(void* parent) override;
    // The X screen's size.
    bool screenSize(void* parent, int& width, int& height) override;
};

// The Xft.dpi value of X resources text ("Xft.dpi:\t192\n..."), 0 when absent or
// unusable.
double xftDpi(const std::string& resources);

// The window id behind a window of this backend, 0 for other windows.
unsigned long windowId(const Window& window);

// Whether the window still exists on the server side (false once the host destroyed
// its parent, or the user closed a top-level window).
bool isAlive(const Window& window);

// Reads back what the X server shows in the window (tests, screenshots). False when
// the window is gone or not mapped.
bool captureWindow(const Window& window, Image& out);

// Whether the backend's shared X connection is open (it closes with the last window).
bool connectionOpen();

}  // namespace moltaro::platform::x11
