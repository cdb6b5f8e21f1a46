// moltaro-toolkit-demo: builds the toolkit demo on the headless backend and
// writes what it shows as a PNG file (optionally after a scripted knob drag), or,
// with --x11, opens it in a real window for a person to try.

#include "ToolkitDemo.h"
#include "platform/Scaling.h"
#include "platform/headless/HeadlessBackend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef MOLTARO_DEMO_X11
#include "platform/x11/X11Backend.h"

// Runs the demo in a top-level X11 window until the user closes it.
static int runInWindow(double scale) {
    namespace platform = moltaro::platform;
    platform::setBackend(&platform::systemBackend());
    toolkit_demo::ToolkitDemo demo;
    if (!demo.open(nullptr, nullptr, scale) || !demo.getFrame()->getPlatformWindow()) {
        std::fprintf(stderr, "could not open a window (is DISPLAY set?)\n");
        platform::setBackend(nullptr);
        return 1;
    }
    while (platform::x11::isAlive(*demo.getFrame()->getPlatformWindow())) {
        demo.getFrame()->idle();
        platform::backend().sleep(15);
    }
    return 0;
}
#endif

int main(int argc, char** argv) {
    std::string path = "toolkit-demo.png";
    bool drag = false;
    // The editor's factor: MOLTARO_SCALE, or --scale (1, 1.5, 2, 3; others rounded).
    double scale = 1.0;
    bool inWindow = false;
    if (const char* env = std::getenv("MOLTARO_SCALE")) scale = moltaro::platform::nearestSupportedScale(std::atof(env));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
            scale = moltaro::platform::nearestSupportedScale(std::atof(argv[++i]));
        } else if (std::strcmp(argv[i], "--drag") == 0) {
            drag = true;
#ifdef MOLTARO_DEMO_X11
        } else if (std::strcmp(argv[i], "--x11") == 0) {
            inWindow = true;
#endif
        } else {
            std::fprintf(stderr,
                         "usage: %s [--png FILE] [--drag] [--x11] [--scale F]\n"
                         "  Draws the toolkit demo without a display and writes it to FILE\n"
                         "  (default toolkit-demo.png); --drag first turns the film knob up;\n"
                         "  --x11 opens it in a window on the X display instead; --scale\n"
                         "  draws it F times as large (1, 1.5, 2, 3; default MOLTARO_SCALE).\n",
                         argv[0]);
            return 2;
        }
    }
#ifdef MOLTARO_DEMO_X11
    if (inWindow) return runInWindow(scale);
#endif
    (void)inWindow;
    moltaro::platform::headless::ScopedHeadlessBackend backend;
    toolkit_demo::ToolkitDemo demo;
    int parent = 0;
    if (!demo.open(&parent, nullptr, scale)) {
        std::fprintf(stderr, "could not open the demo window\n");
        return 1;
    }
    auto* window = backend->window();
    const moltaro::platform::Scaling s{scale};
    if (drag) window->drag(s.toDevice(moltaro::platform::Point{48, 62}), s.toDevice(moltaro::platform::Point{48, 2}), 12);
    window->run();
    demo.getFrame()->idle();
    if (!window->writePng(path)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s (%d x %d)\n", path.c_str(), window->frameBuffer().width(), window->frameBuffer().height());
    return 0;
}
