#include "X11Backend.h"

#include "X11Connection.h"
#include "X11Window.h"
#include "platform/cairo/CairoDrawing.h"

#include <X11/Xatom.h>

#include <cstdlib>

namespace moltaro::platform {

namespace x11 {

std::unique_ptr<Window> X11Backend::createWindow(void* parent, int width, int height, WindowListener* listener) {
    const auto id = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
    return X11Window::create(id, width, height, listener);
}

std::unique_ptr<DrawContext> X11Backend::createImageContext(Image& target) {
    if (target.isEmpty())
        return nullptr;
    return std::make_unique<cairodraw::CairoDrawContext>(cairodraw::wrapImage(target, false), &target, true);
}

uint32_t X11Backend::ticks() { return tickCount(); }

double xftDpi(const std::string& resources) {
    std::size_t at = 0;
    while (at < resources.size()) {
        std::size_t end = resources.find('\n', at);
        if (end == std::string::npos) end = resources.size();
        const std::string line = resources.substr(at, end - at);
        at = end + 1;
        if (line.rfind("Xft.dpi:", 0) != 0) continue;
        char* stop = nullptr;
        const double dpi = std::strtod(line.c_str() + 8, &stop);
        return dpi >= 24 && dpi <= 1000 ? dpi : 0.0;
    }
    return 0.0;
}

double X11Backend::systemScale(void*) {
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        const int f = std::atoi(gdk);
        if (f >= 1 && f <= 8) return f;
    }
    Connection* conn = Connection::acquire();
    if (!conn) return 0.0;
    conn->claimErrors();
    // Read from the root window each time: the resources may change after we connected.
    double dpi = 0.0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(conn->display(), conn->root(), XA_RESOURCE_MANAGER, 0, 1 << 20, False, XA_STRING, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (type == XA_STRING && format == 8) dpi = xftDpi(std::string(reinterpret_cast<char*>(data), count));
        XFree(data);
    }
    conn->release();
    return dpi > 0 ? dpi / 96.0 : 0.0;
}

bool X11Backend::screenSize(void*, int& width, int& height) {
    Connection* conn = Connection::acquire();
    if (!conn) return false;
    width = DisplayWidth(conn->display(), conn->screen());
    height = DisplayHeight(conn->display(), conn->screen());
    conn->release();
    return width > 0 && height > 0;
}

void X11Backend::sleep(int milliseconds) {
    if (milliseconds > 0)
        sleepMs(static_cast<unsigned>(milliseconds));
}

unsigned long windowId(const Window& window) {
    const auto* w = dynamic_cast<const X11Window*>(&window);
    return w ? w->xid() : 0;
}

bool isAlive(const Window& window) {
    const auto* w = dynamic_cast<const X11Window*>(&window);
    return w && w->alive();
}

bool captureWindow(const Window& window, Image& out) {
    const auto* w = dynamic_cast<const X11Window*>(&window);
    return w && w->capture(out);
}

bool connectionOpen() { return Connection::isOpen(); }

}  // namespace x11

Backend& systemBackend() {
    static x11::X11Backend instance;
    return instance;
}

}  // namespace moltaro::platform
