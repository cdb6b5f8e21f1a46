#include "X11Blit.h"

#include <X11/Xutil.h>

#include <algorithm>

namespace moltaro::platform::x11 {

namespace {

bool littleEndianHost() {
    const uint16_t probe = 1;
    return *reinterpret_cast<const uint8_t*>(&probe) == 1;
}

int lowestBit(unsigned long mask) {
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    return shift;
}

}  // namespace

unsigned long channelToMask(uint32_t value, unsigned long mask) {
    if (!mask)
        return 0;
    const int shift = lowestBit(mask);
    const unsigned long max = mask >> shift;
    return ((value * max + 127) / 255) << shift;
}

uint32_t channelFromMask(unsigned long pixel, unsigned long mask) {
    if (!mask)
        return 0;
    const int shift = lowestBit(mask);
    const unsigned long max = mask >> shift;
    return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / max);
}

Blitter::Blitter(Connection& connection, ::Window target) : conn(connection), window(target) {
    Display* d = conn.display();
    visual = DefaultVisual(d, conn.screen());
    depth = DefaultDepth(d, conn.screen());
    gc = XCreateGC(d, window, 0, nullptr);
    const int order = ImageByteOrder(d);
    direct = (depth == 24 || depth == 32) && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
             visual->blue_mask == 0xff && (order == LSBFirst) == littleEndianHost();
}

Blitter::~Blitter() {
    if (gc)
        XFreeGC(conn.display(), gc);
}

void Blitter::put(cairo_surface_t* image, int x, int y, int width, int height) {
    if (!gc || !image || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    cairo_surface_flush(image);
    const int iw = cairo_image_surface_get_width(image);
    const int ih = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    x = std::max(0, x);
    y = std::max(0, y);
    width = std::min(width, iw - x);
    height = std::min(height, ih - y);
    if (!data || width <= 0 || height <= 0)
        return;
    Display* d = conn.display();
    if (direct) {
        // The image's own memory, wrapped without a copy; Xlib must not free it.
        XImage* xi = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                  reinterpret_cast<char*>(data), static_cast<unsigned>(iw),
                                  static_cast<unsigned>(ih), 32, stride);
        if (!xi)
            return;
        XPutImage(d, window, gc, xi, x, y, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
        xi->data = nullptr;
        XDestroyImage(xi);
        return;
    }
    // Any other visual: convert pixel by pixel into an image of the server's layout.
    XImage* xi = XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                              static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!xi)
        return;
    scratch.assign(static_cast<std::size_t>(xi->bytes_per_line) * static_cast<std::size_t>(height), 0);
    xi->data = scratch.data();
    for (int row = 0; row < height; ++row) {
        const auto* src = reinterpret_cast<const uint32_t*>(data + (y + row) * stride) + x;
        for (int col = 0; col < width; ++col) {
            const uint32_t p = src[col];
            XPutPixel(xi, col, row,
                      channelToMask((p >> 16) & 0xff, visual->red_mask) |
                          channelToMask((p >> 8) & 0xff, visual->green_mask) |
                          channelToMask(p & 0xff, visual->blue_mask));
        }
    }
    XPutImage(d, window, gc, xi, 0, 0, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
    xi->data = nullptr;
    XDestroyImage(xi);
}

}  // namespace moltaro::platform::x11
