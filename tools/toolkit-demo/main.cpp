// moltaro-toolkit-demo: builds the toolkit demo on the headless backend and
// writes what it shows as a PNG file (optionally after a scripted knob drag).

#include "ToolkitDemo.h"
#include "platform/headless/HeadlessBackend.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string path = "toolkit-demo.png";
    bool drag = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else if (std::strcmp(argv[i], "--drag") == 0) {
            drag = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--png FILE] [--drag]\n"
                         "  Draws the toolkit demo without a display and writes it to FILE\n"
                         "  (default toolkit-demo.png); --drag first turns the film knob up.\n",
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
