#include "X11Backend.h"

#include "X11Connection.h"
#include "X11Window.h"
#include "platform/cairo/CairoDrawing.h"

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
