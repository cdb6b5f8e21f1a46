#pragma once
// Copies pixels drawn in memory (cairo's 32-bit RGB layout) to an X window with
// XPutImage. Everything we show is drawn by cairo into images and copied this way:
// the window shows exactly the pixels the tests see, and the server holds nothing
// of ours but the windows and one graphics context each.

#include "X11Connection.h"

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace moltaro::platform::x11 {

// An 8-bit colour channel scaled into the bits of a visual's channel mask, and back.
unsigned long channelToMask(uint32_t value, unsigned long mask);
uint32_t channelFromMask(unsigned long pixel, unsigned long mask);

class Blitter {
public:
    Blitter(Connection& connection, ::Window target);
    ~Blitter();
    Blitter(const Blitter&) = delete;
    Blitter& operator=(const Blitter&) = delete;

    // Copies the area (x, y, width, height) of a cairo image surface (ARGB32 or
    // RGB24; alpha is ignored) to the same place in the window.
    void put(cairo_surface_t* image, int x, int y, int width, int height);

private:
    Connection& conn;
    ::Window window;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    bool direct = false;  // the visual takes cairo's pixels as they are
    std::vector<char> scratch;
};

}  // namespace moltaro::platform::x11
