#include "DemoArtwork.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace toolkit_demo {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Shapes are signed distance functions; their edges are anti-aliased over one pixel.
double coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

double circle(double x, double y, double cx, double cy, double r) { return std::hypot(x - cx, y - cy) - r; }

double roundRect(double x, double y, double l, double t, double r, double b, double radius) {
    const double cx = (l + r) / 2, cy = (t + b) / 2;
    const double hx = (r - l) / 2 - radius, hy = (b - t) / 2 - radius;
    const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
}

double segment(double x, double y, double ax, double ay, double bx, double by, double halfWidth) {
    const double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const double h = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - dx * h, py - dy * h) - halfWidth;
}

// A picture being painted: straight colours with coverage (alpha).
class Canvas {
public:
    Canvas(int w, int h, Rgb fill, double alpha = 1.0)
        : width(w), height(h), px(static_cast<size_t>(w) * h, Px{fill, alpha}) {}

    // Paints colour where the shape covers, at pixel centres, over what is there.
    template <typename Shape, typename Paint>
    void paint(int x0, int y0, int x1, int y1, Shape shape, Paint colourAt, double opacity = 1.0) {
        x0 = std::max(0, x0);
        y0 = std::max(0, y0);
        x1 = std::min(width, x1);
        y1 = std::min(height, y1);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const double cx = x + 0.5, cy = y + 0.5;
                const double a = coverage(shape(cx, cy)) * opacity;
                if (a <= 0) continue;
                Px& p = px[static_cast<size_t>(y) * width + x];
                const Rgb c = colourAt(cx, cy);
                const double out = a + p.a * (1 - a);
                const double keep = p.a * (1 - a) / out;
                p.c = Rgb{c.r * a / out + p.c.r * keep, c.g * a / out + p.c.g * keep, c.b * a / out + p.c.b * keep};
                p.a = out;
            }
    }
    template <typename Shape>
    void fill(int x0, int y0, int x1, int y1, Shape shape, Rgb colour, double opacity = 1.0) {
        paint(x0, y0, x1, y1, shape, [&](double, double) { return colour; }, opacity);
    }

    // Appends the picture's rows (straight 0xAARRGGBB) to out.
    void appendTo(std::vector<uint32_t>& out) const {
        const auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
        for (const Px& p : px)
            out.push_back((byte(p.a * 255) << 24) | (byte(p.c.r) << 16) | (byte(p.c.g) << 8) | byte(p.c.b));
    }

    const int width, height;

private:
    struct Px {
        Rgb c;
        double a;
    };
    std::vector<Px> px;
};

const Rgb kPanelTop{62, 68, 80};
const Rgb kPanelBottom{36, 40, 48};
const Rgb kBoxFill{50, 55, 66};
const Rgb kBoxEdge{88, 96, 112};
const Rgb kAccent{240, 150, 50};
const Rgb kTrack{24, 26, 31};

// Panel colour at a point of the demo background (used behind every control).
Rgb panelAt(double, double y) { return mix(kPanelTop, kPanelBottom, y / kDemoHeight); }

struct Box {
    int l, t, r, b;
};
// The sections of the panel, one per group of controls.
const Box kBoxes[] = {{8, 32, 88, 108},   {92, 32, 168, 108},  {172, 32, 248, 108}, {252, 32, 296, 108},
                      {300, 32, 352, 108}, {8, 114, 192, 160}, {196, 114, 244, 160}, {248, 114, 302, 160},
                      {306, 114, 352, 160}, {8, 166, 132, 212}, {136, 166, 252, 212}, {256, 166, 352, 212}};

Canvas background() {
    Canvas c(kDemoWidth, kDemoHeight, kPanelTop);
    c.paint(0, 0, kDemoWidth, kDemoHeight, [](double, double) { return -1.0; }, panelAt);
    // Title strip.
    c.fill(0, 0, kDemoWidth, 26, [](double, double y) { return y - 24; }, Rgb{28, 30, 36});
    c.fill(0, 23, kDemoWidth, 26, [](double, double y) { return std::fabs(y - 24.5) - 0.5; }, kAccent, 0.8);
    for (const Box& b : kBoxes) {
        c.fill(b.l - 1, b.t - 1, b.r + 1, b.b + 1,
               [&](double x, double y) { return roundRect(x, y, b.l, b.t, b.r, b.b, 5); }, kBoxEdge);
        c.fill(b.l, b.t, b.r, b.b, [&](double x, double y) { return roundRect(x, y, b.l + 1, b.t + 1, b.r - 1, b.b - 1, 4); },
               kBoxFill);
    }
    // Slider tracks: horizontal at y 130, vertical at x 274.
    c.fill(20, 126, 184, 134, [](double x, double y) { return roundRect(x, y, 24, 128, 180, 132, 2); }, kTrack);
    c.fill(270, 36, 279, 104, [](double x, double y) { return roundRect(x, y, 272, 40, 277, 100, 2); }, kTrack);
    return c;
}

// One knob image: a shaded disc, the value arc and a pointer.
void knobImage(Canvas& c, double value, bool withPointer, bool withArc) {
    const double cx = kKnobSize / 2.0, cy = kKnobSize / 2.0;
    const double start = 225.0 * kPi / 180, range = -270.0 * kPi / 180;
    const auto arcDistance = [&](double x, double y, double from, double to, double radius, double half) {
        // Distance to an arc between two angles (math orientation, y up).
        double a = std::atan2(cy - y, x - cx);
        const double lo = std::min(from, to), hi = std::max(from, to);
        while (a < lo) a += 2 * kPi;
        while (a > hi + 2 * kPi) a -= 2 * kPi;
        if (a >= lo && a <= hi) return std::fabs(std::hypot(x - cx, y - cy) - radius) - half;
        const double ex1 = cx + std::cos(from) * radius, ey1 = cy - std::sin(from) * radius;
        const double ex2 = cx + std::cos(to) * radius, ey2 = cy - std::sin(to) * radius;
        return std::min(std::hypot(x - ex1, y - ey1), std::hypot(x - ex2, y - ey2)) - half;
    };
    if (withArc) {
        c.fill(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return arcDistance(x, y, start + range, start, 21, 1.6); },
               kTrack);
        if (value > 0.0)
            c.fill(0, 0, kKnobSize, kKnobSize,
                   [&](double x, double y) { return arcDistance(x, y, start + range * value, start, 21, 1.6); }, kAccent);
    }
    // Drop shadow, body with light from the upper left, rim.
    c.fill(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return circle(x, y, cx + 1, cy + 2, 16); }, Rgb{10, 10, 12}, 0.5);
    c.paint(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return circle(x, y, cx, cy, 16); },
            [&](double x, double y) {
                const double t = std::clamp(((x - cx) + (y - cy)) / 40.0 + 0.5, 0.0, 1.0);
                return mix(Rgb{150, 156, 168}, Rgb{58, 62, 72}, t);
            });
    c.fill(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return circle(x, y, cx, cy, 12.5); }, Rgb{84, 90, 102});
    if (withPointer) {
        const double a = start + range * value;
        const double ex = cx + std::cos(a) * 14, ey = cy - std::sin(a) * 14;
        const double sx = cx + std::cos(a) * 5, sy = cy - std::sin(a) * 5;
        c.fill(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return segment(x, y, sx, sy, ex, ey, 1.4); },
               Rgb{250, 250, 245});
    }
}

// A ring of eight segments with `lit` of them on.
void movieImage(Canvas& c, int lit) {
    const double cx = kKnobSize / 2.0, cy = kKnobSize / 2.0;
    for (int i = 0; i < 8; ++i) {
        const double a = kPi / 2 - i * kPi / 4;
        const double x0 = cx + std::cos(a) * 9, y0 = cy - std::sin(a) * 9;
        const double x1 = cx + std::cos(a) * 18, y1 = cy - std::sin(a) * 18;
        c.fill(0, 0, kKnobSize, kKnobSize, [&](double x, double y) { return segment(x, y, x0, y0, x1, y1, 3); },
               i < lit ? Rgb{110, 220, 120} : Rgb{30, 44, 34});
    }
}

// A rounded button: raised or pressed, with an optional lamp.
void buttonImage(Canvas& c, int w, int h, bool pressed, int lamp /* -1 none, 0 off, 1 on */) {
    c.fill(0, 0, w, h, [&](double x, double y) { return roundRect(x, y, 1, 1, w - 1, h - 1, 4); }, Rgb{16, 17, 20});
    c.paint(0, 0, w, h, [&](double x, double y) { return roundRect(x, y, 2, 2, w - 2, h - 2, 3); },
            [&](double, double y) {
                const double t = y / h;
                return pressed ? mix(Rgb{60, 64, 74}, Rgb{96, 102, 116}, t) : mix(Rgb{136, 142, 156}, Rgb{76, 80, 92}, t);
            });
    if (lamp >= 0)
        c.fill(0, 0, w, h, [&](double x, double y) { return circle(x, y, w / 2.0, h / 2.0, 4); },
               lamp ? Rgb{120, 255, 110} : Rgb{30, 60, 32});
}

void rockerImage(Canvas& c, int lit /* -1 left, 0 none, 1 right */) {
    buttonImage(c, 48, 20, false, -1);
    c.fill(0, 0, 48, 20, [](double x, double y) { return std::fabs(x - 24) - 0.5 + (y < 3 || y > 17 ? 10 : 0); },
           Rgb{30, 32, 38});
    const auto arrow = [&](double tipX, double dir, bool on) {
        const auto d = [=](double x, double y) {
            const double a = segment(x, y, tipX, 10, tipX - dir * 8, 5, 1.2);
            const double b = segment(x, y, tipX, 10, tipX - dir * 8, 15, 1.2);
            return std::min(a, b);
        };
        c.fill(0, 0, 48, 20, d, on ? kAccent : Rgb{40, 42, 50});
    };
    arrow(8, -1, lit < 0);
    arrow(40, 1, lit > 0);
}

void handleImage(Canvas& c, int w, int h, bool horizontal) {
    buttonImage(c, w, h, false, -1);
    if (horizontal)
        c.fill(0, 0, w, h, [&](double x, double y) { return segment(x, y, w / 2.0, 3.5, w / 2.0, h - 3.5, 0.6); },
               Rgb{30, 30, 34});
    else
        c.fill(0, 0, w, h, [&](double x, double y) { return segment(x, y, 3.5, h / 2.0, w - 3.5, h / 2.0, 0.6); },
               Rgb{30, 30, 34});
}

Canvas aboutImage() {
    Canvas c(280, 150, Rgb{20, 22, 28});
    c.paint(0, 0, 280, 150, [](double x, double y) { return roundRect(x, y, 2, 2, 278, 148, 8); },
            [](double, double y) { return mix(Rgb{70, 84, 110}, Rgb{26, 30, 40}, y / 150); });
    for (int i = 0; i < 6; ++i)
        c.fill(0, 0, 280, 150, [&](double x, double y) { return std::fabs(circle(x, y, 140, 75, 12.0 + i * 11)) - 1.2; },
               kAccent, 1.0 - i * 0.15);
    return c;
}

// A strip of images drawn over `under`; without it, over nothing (transparent).
void registerStrip(int id, int w, int h, int images, const std::function<void(Canvas&, int)>& draw,
                   const std::function<Rgb(double, double)>& under) {
    std::vector<uint32_t> px;
    px.reserve(static_cast<size_t>(w) * h * images);
    for (int i = 0; i < images; ++i) {
        Canvas c(w, h, Rgb{0, 0, 0}, under ? 1.0 : 0.0);
        if (under) c.paint(0, 0, w, h, [](double, double) { return -1.0; }, under);
        draw(c, i);
        c.appendTo(px);
    }
    moltaro::platform::registerBitmapResource(id, w, h * images, px.data());
}

}  // namespace

void registerDemoArtwork() {
    static bool done = false;
    if (done) return;
    done = true;
    namespace pf = moltaro::platform;
    std::vector<uint32_t> px;
    background().appendTo(px);
    pf::registerBitmapResource(kDemoBackground, kDemoWidth, kDemoHeight, px.data());

    const auto boxFill = [](double, double) { return kBoxFill; };
    registerStrip(kDemoKnobStrip, kKnobSize, kKnobSize, kKnobImages,
                  [](Canvas& c, int i) { knobImage(c, i / double(kKnobImages - 1), true, true); }, boxFill);
    registerStrip(kDemoKnobBody, kKnobSize, kKnobSize, 1, [](Canvas& c, int) { knobImage(c, 0, false, false); },
                  boxFill);
    registerStrip(kDemoMovieStrip, kKnobSize, kKnobSize, kMovieImages, [](Canvas& c, int i) { movieImage(c, i); },
                  boxFill);
    registerStrip(kDemoOnOff, 36, 20, 2, [](Canvas& c, int i) { buttonImage(c, 36, 20, i == 1, i); }, boxFill);
    registerStrip(kDemoKick, 36, 20, 2, [](Canvas& c, int i) { buttonImage(c, 36, 20, i == 1, -1); }, boxFill);
    registerStrip(kDemoRocker, 48, 20, 3, [](Canvas& c, int i) { rockerImage(c, i - 1); }, boxFill);
    // Handles have soft edges over nothing: the sliders draw them blended.
    registerStrip(kDemoHandleH, 16, 12, 1, [](Canvas& c, int) { handleImage(c, 16, 12, true); }, nullptr);
    registerStrip(kDemoHandleV, 20, 10, 1, [](Canvas& c, int) { handleImage(c, 20, 10, false); }, nullptr);
    px.clear();
    aboutImage().appendTo(px);
    pf::registerBitmapResource(kDemoAbout, 280, 150, px.data());
}

}  // namespace toolkit_demo
