// moltaro-toolkit-demo: builds the toolkit demo on the headless backend and
// writes what it shows as a PNG file (optionally after a scripted knob drag), or,
// with --x11, opens it in a real window for a person to try.

#include "ToolkitDemo.h"
#include "platform/headless/HeadlessBackend.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifdef MOLTARO_DEMO_X11
#include "platform/x11/X11Backend.h"

// Runs the demo in a top-level X11 window until the user closes it.
static int runInWindow() {
    namespace platform = moltaro::platform;
    platform::setBackend(&platform::systemBackend());
    toolkit_demo::ToolkitDemo demo;
    if (!demo.open(nullptr) || !demo.getFrame()->getPlatformWindow()) {
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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else if (std::strcmp(argv[i], "--drag") == 0) {
            drag = true;
#ifdef MOLTARO_DEMO_X11
        } else if (std::strcmp(argv[i], "--x11") == 0) {
            return runInWindow();
#endif
        } else {
            std::fprintf(stderr,
                         "usage: %s [--png FILE] [--drag] [--x11]\n"
                         "  Draws the toolkit demo without a display and writes it to FILE\n"
                         "  (default toolkit-demo.png); --drag first turns the film knob up;\n"
                         "  --x11 opens it in a window on the X display instead.\n",
                         argv[0]);
            return 2;
        }
    }
    moltaro::platform::headless::ScopedHeadlessBackend backend;
    toolkit_demo::ToolkitDemo demo;
    int parent = 0;
    if (!demo.open(&parent)) {
        std::fprintf(stderr, "could not open the demo window\n");
        return 1;
    }
    auto* window = backend->window();
    if (drag) window->drag({48, 62}, {48, 2}, 12);
    window->run();
    demo.getFrame()->idle();
    if (!window->writePng(path)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s (%d x %d)\n", path.c_str(), window->frameBuffer().width(), window->frameBuffer().height());
    return 0;
}
