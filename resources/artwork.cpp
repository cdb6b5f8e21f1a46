// Draws every bitmap of the editor and the preset bar and writes them as PNG files
// named by resource number: the 1x set into the folder, the sets for larger editors
// (1.5x, 2x, 3x) into its subfolders 150, 200 and 300. Everything is drawn in the 1x
// design's units; a larger set only scales the drawing, so that it stays crisp. Run by
// hand (target moltaro-artwork) after changing the look; the PNGs in
// resources/bitmaps/ are committed and embedded into the plug-in.
//
//   moltaro-artwork <output folder>

#include <cairo.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "dsp/Algorithm.h"

namespace {

using moltaro::Algorithm;
using moltaro::kAllAlgorithms;
using moltaro::kNumAlgorithms;
using moltaro::nameOf;

struct Rgb {
    double r, g, b;
};

Rgb rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// Palette: a light, slightly warm aluminium panel with dark engraving.
const Rgb kPanel = rgb(214, 211, 202);
const Rgb kPanelLight = rgb(232, 230, 223);
const Rgb kPanelShade = rgb(168, 164, 153);
const Rgb kInk = rgb(62, 62, 68);
const Rgb kInkSoft = rgb(110, 108, 104);
const Rgb kField = rgb(237, 235, 213);
const Rgb kTitle = rgb(46, 48, 54);
const Rgb kTitleText = rgb(236, 228, 200);
const Rgb kAccent = rgb(196, 92, 48);
const Rgb kBar = rgb(62, 66, 74);
const Rgb kBarText = rgb(222, 224, 228);
const Rgb kScreen = rgb(28, 44, 46);
const Rgb kScreenLine = rgb(150, 226, 214);
const Rgb kRed = rgb(214, 64, 52);
const Rgb kGreen = rgb(74, 180, 86);

const double kPi = 3.14159265358979323846;

// The set being drawn: pixels per design unit. A design length v covers the pixels up
// to round(v * scale), as the editor places them.
double scale = 1.0;

int pixels(double v) { return static_cast<int>(std::floor(v * scale + 0.5)); }

// A surface for a picture of w x h design units.
cairo_surface_t* surface(cairo_format_t format, int w, int h) {
    return cairo_image_surface_create(format, pixels(w), pixels(h));
}

// Drawing in design units.
cairo_t* canvas(cairo_surface_t* s) {
    cairo_t* cr = cairo_create(s);
    if (scale != 1.0) cairo_scale(cr, scale, scale);
    return cr;
}

// Clips to one image of a film strip, on whole pixels of the set.
void clipImage(cairo_t* cr, double y, double w, double h) {
    const double top = pixels(y) / scale, bottom = pixels(y + h) / scale;
    cairo_rectangle(cr, 0, top, pixels(w) / scale, bottom - top);
    cairo_clip(cr);
}
const char* kFont = "Liberation Sans";

void setColor(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
    cairo_close_path(cr);
}

// Text centred on (cx, baseline y).
void text(cairo_t* cr, const char* s, double cx, double y, double size, Rgb c, bool bold = true,
          double spacing = 0.0) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    setColor(cr, c);
    if (spacing == 0.0) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, s, &e);
        cairo_move_to(cr, cx - e.x_advance / 2, y);
        cairo_show_text(cr, s);
        return;
    }
    // Letter-spaced label: measure each glyph.
    double total = 0;
    std::string str(s);
    for (size_t i = 0; i < str.size(); ++i) {
        char ch[2] = {str[i], 0};
        cairo_text_extents_t e;
        cairo_text_extents(cr, ch, &e);
        total += e.x_advance + (i + 1 < str.size() ? spacing : 0);
    }
    double x = cx - total / 2;
    for (char c0 : str) {
        char ch[2] = {c0, 0};
        cairo_text_extents_t e;
        cairo_text_extents(cr, ch, &e);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, ch);
        x += e.x_advance + spacing;
    }
}

// An engraved label: a light line under dark text, as if cut into the panel.
void label(cairo_t* cr, const char* s, double cx, double y, double size = 7.5) {
    cairo_save(cr);
    cairo_translate(cr, 0, 0.8);
    text(cr, s, cx, y, size, kPanelLight, true, 0.9);
    cairo_restore(cr);
    text(cr, s, cx, y, size, kInk, true, 0.9);
}

// A recessed area: dark upper-left edge, light lower-right edge.
void recess(cairo_t* cr, double x, double y, double w, double h, double r, Rgb fill) {
    roundedRect(cr, x - 1, y - 1, w + 2, h + 2, r + 1);
    setColor(cr, kPanelLight);
    cairo_fill(cr);
    roundedRect(cr, x - 1, y - 1, w + 1, h + 1, r + 1);
    setColor(cr, kPanelShade);
    cairo_fill(cr);
    roundedRect(cr, x, y, w, h, r);
    setColor(cr, fill);
    cairo_fill(cr);
}

// A group plate: a faint raised outline around a section of controls.
void plate(cairo_t* cr, double x, double y, double w, double h) {
    cairo_set_line_width(cr, 1.0);
    roundedRect(cr, x + 1.5, y + 1.5, w, h, 5);
    setColor(cr, kPanelLight);
    cairo_stroke(cr);
    roundedRect(cr, x + 0.5, y + 0.5, w, h, 5);
    setColor(cr, kPanelShade);
    cairo_stroke(cr);
}

void scaleTicks(cairo_t* cr, double cx, double cy, double r, int n) {
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i < n; ++i) {
        double a = (-225.0 + 270.0 * i / (n - 1)) * kPi / 180.0;
        double r0 = r, r1 = r + ((i == 0 || i == n - 1 || i == (n - 1) / 2) ? 3.5 : 2.0);
        cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
        cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
        setColor(cr, kInkSoft);
        cairo_stroke(cr);
    }
}

bool save(cairo_surface_t* s, const std::string& dir, int id) {
    std::string path = dir + "/" + std::to_string(id) + ".png";
    if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "moltaro-artwork: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Fills a whole surface with the flat panel colour (to its last pixel, also where a
// larger set's size is rounded up).
void fillPanel(cairo_t* cr, double, double) {
    setColor(cr, kPanel);
    cairo_paint(cr);
}

// ---------------------------------------------------------------- knobs

// One frame of a knob of diameter-box `size`, pointer at normalised value v.
void drawKnob(cairo_t* cr, double size, double v, Rgb cap, Rgb pointer) {
    const double cx = size / 2, cy = size / 2;
    const double rOuter = size / 2 - 4.5;
    const double rCap = rOuter * 0.80;
    // Value arc track and lit part around the knob.
    const double a0 = -225.0 * kPi / 180.0, a1 = 45.0 * kPi / 180.0;
    const double av = a0 + (a1 - a0) * v;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, size > 50 ? 2.6 : 2.0);
    cairo_arc(cr, cx, cy, rOuter + 2.3, a0, a1);
    setColor(cr, kPanelShade);
    cairo_stroke(cr);
    if (v > 0.001) {
        cairo_arc(cr, cx, cy, rOuter + 2.3, a0, av);
        setColor(cr, kAccent);
        cairo_stroke(cr);
    }
    // Drop shadow.
    cairo_arc(cr, cx + 0.8, cy + 1.4, rOuter, 0, 2 * kPi);
    setColor(cr, rgb(0, 0, 0), 0.25);
    cairo_fill(cr);
    // Skirt: dark ring with a soft radial light from the top left.
    cairo_pattern_t* skirt = cairo_pattern_create_radial(cx - rOuter * 0.4, cy - rOuter * 0.5, 1, cx, cy, rOuter);
    cairo_pattern_add_color_stop_rgb(skirt, 0, 0.36, 0.36, 0.39);
    cairo_pattern_add_color_stop_rgb(skirt, 1, 0.12, 0.12, 0.14);
    cairo_arc(cr, cx, cy, rOuter, 0, 2 * kPi);
    cairo_set_source(cr, skirt);
    cairo_fill(cr);
    cairo_pattern_destroy(skirt);
    // Knurled edge: fine ridges that turn with the knob.
    cairo_set_line_width(cr, 0.7);
    for (int i = 0; i < 36; ++i) {
        double a = av + i * 2 * kPi / 36;
        cairo_move_to(cr, cx + rCap * std::cos(a), cy + rCap * std::sin(a));
        cairo_line_to(cr, cx + (rOuter - 0.6) * std::cos(a), cy + (rOuter - 0.6) * std::sin(a));
    }
    setColor(cr, rgb(255, 255, 255), 0.10);
    cairo_stroke(cr);
    // Cap with a linear sheen.
    cairo_pattern_t* sheen = cairo_pattern_create_linear(cx - rCap, cy - rCap, cx + rCap, cy + rCap);
    cairo_pattern_add_color_stop_rgb(sheen, 0, std::fmin(1, cap.r + 0.22), std::fmin(1, cap.g + 0.22), std::fmin(1, cap.b + 0.22));
    cairo_pattern_add_color_stop_rgb(sheen, 1, cap.r * 0.7, cap.g * 0.7, cap.b * 0.7);
    cairo_arc(cr, cx, cy, rCap, 0, 2 * kPi);
    cairo_set_source(cr, sheen);
    cairo_fill(cr);
    cairo_pattern_destroy(sheen);
    cairo_arc(cr, cx, cy, rCap, 0, 2 * kPi);
    cairo_set_line_width(cr, 0.8);
    setColor(cr, rgb(0, 0, 0), 0.35);
    cairo_stroke(cr);
    // Pointer line from near the centre to the rim.
    cairo_set_line_width(cr, size > 50 ? 2.8 : 2.2);
    cairo_move_to(cr, cx + rCap * 0.25 * std::cos(av), cy + rCap * 0.25 * std::sin(av));
    cairo_line_to(cr, cx + (rOuter - 1.2) * std::cos(av), cy + (rOuter - 1.2) * std::sin(av));
    setColor(cr, pointer);
    cairo_stroke(cr);
}

bool knobStrip(const std::string& dir, int id, int size, Rgb cap, Rgb pointer) {
    const int frames = 51;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, size, size * frames);
    cairo_t* cr = canvas(s);
    fillPanel(cr, size, size * frames);
    for (int f = 0; f < frames; ++f) {
        cairo_save(cr);
        clipImage(cr, f * size, size, size);
        cairo_translate(cr, 0, f * size);
        drawKnob(cr, size, f / 50.0, cap, pointer);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, id);
    cairo_surface_destroy(s);
    return ok;
}

// ---------------------------------------------------------------- background

void drawBackground(cairo_t* cr) {
    const double W = 300, H = 294;
    // Panel with a very soft vertical light falloff, kept flat where controls sit.
    fillPanel(cr, W, H);
    // Outer bevel.
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, W - 1, H - 1);
    setColor(cr, kPanelLight);
    cairo_stroke(cr);
    cairo_rectangle(cr, 1.5, 1.5, W - 3, H - 3);
    setColor(cr, kPanelShade, 0.6);
    cairo_stroke(cr);
    // Corner screws.
    const double screws[4][2] = {{9, 9}, {W - 9, 9}, {9, 252}, {W - 9, 252}};
    for (auto& p : screws) {
        cairo_arc(cr, p[0], p[1], 3.6, 0, 2 * kPi);
        cairo_pattern_t* g = cairo_pattern_create_linear(p[0] - 3, p[1] - 3, p[0] + 3, p[1] + 3);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.93, 0.93, 0.92);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.55, 0.55, 0.53);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_set_line_width(cr, 1.1);
        cairo_move_to(cr, p[0] - 2.4, p[1] + 1.2);
        cairo_line_to(cr, p[0] + 2.4, p[1] - 1.2);
        setColor(cr, rgb(80, 80, 80));
        cairo_stroke(cr);
    }

    // Title strip (the about control sits on it).
    roundedRect(cr, 24, 4, 252, 16, 3);
    setColor(cr, kTitle);
    cairo_fill(cr);
    text(cr, "ZUN", 58, 16, 10, kAccent, true, 1.2);
    text(cr, "MOLTARO", 150, 16.5, 12, kTitleText, true, 3.2);
    text(cr, "reverb", 243, 16, 9, kTitleText, false, 0.6);

    // Upper section: TIME | ALGORITHM | DAMP.
    plate(cr, 24, 26, 252, 88);
    for (double x : {107.5, 192.5}) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x, 31);
        cairo_line_to(cr, x, 97);
        setColor(cr, kPanelShade);
        cairo_stroke(cr);
        cairo_move_to(cr, x + 1, 31);
        cairo_line_to(cr, x + 1, 97);
        setColor(cr, kPanelLight);
        cairo_stroke(cr);
    }
    label(cr, "TIME", 67.5, 37);
    label(cr, "DAMP", 232.5, 37);
    label(cr, "ALGORITHM", 150, 37);
    // Algorithm picture window (the picture is drawn by its own control).
    recess(cr, 117, 62, 66, 42, 2, kScreen);
    // Text fields: cream windows exactly where the number fields sit.
    auto field = [&](double l, double t, double r, double b) { recess(cr, l, t, r - l, b - t, 2, kField); };
    field(47, 99, 89, 110);
    field(212, 99, 254, 110);
    field(94, 103, 207, 113);  // algorithm name menu
    scaleTicks(cr, 67.5, 70.5, 27, 11);
    scaleTicks(cr, 232.5, 70.5, 27, 11);

    // EQ and pre-delay section.
    plate(cr, 24, 116, 252, 76);
    label(cr, "LOW GAIN", 67.5, 124, 5.6);
    label(cr, "LOW FREQ", 122.5, 124, 5.6);
    label(cr, "HIGH FREQ", 177.5, 124, 5.6);
    label(cr, "HIGH GAIN", 232.5, 124, 5.6);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, 149.5, 120);
    cairo_line_to(cr, 149.5, 162);
    setColor(cr, kPanelShade);
    cairo_stroke(cr);
    cairo_move_to(cr, 150.5, 120);
    cairo_line_to(cr, 150.5, 162);
    setColor(cr, kPanelLight);
    cairo_stroke(cr);
    field(44, 165, 92, 176);
    field(99, 165, 147, 176);
    field(154, 165, 202, 176);
    field(209, 165, 257, 176);
    // PRE-DELAY slider groove (handle travels 45..219 with its left edge) and field.
    recess(cr, 46, 179, 193, 5, 2.5, rgb(70, 70, 74));
    label(cr, "PRE-DELAY", 142, 191.2, 5.6);
    field(242, 176, 274, 187);

    // Lower section: PROC | MIX | OUTPUT | OVER, labels under the controls.
    plate(cr, 24, 194, 252, 63);
    recess(cr, 49, 201, 37, 28, 3, kPanelShade);  // button well
    label(cr, "PROC", 67.5, 238);
    field(99, 234, 147, 245);
    field(154, 234, 202, 245);
    label(cr, "MIX", 122.5, 253);
    label(cr, "OUTPUT", 177.5, 253);
    cairo_arc(cr, 232.5, 215.5, 8.5, 0, 2 * kPi);  // lamp bezel
    setColor(cr, kPanelShade);
    cairo_fill(cr);
    field(210, 229, 255, 242);  // peak readout
    label(cr, "OVER", 232.5, 251);

    // Preset bar.
    roundedRect(cr, 4, 261, 292, 32, 4);
    setColor(cr, kBar);
    cairo_fill(cr);
    text(cr, "PRESET", 45.5, 274, 7.5, kBarText, true, 0.8);
    text(cr, "BANK", 45.5, 289, 7.5, kBarText, true, 0.8);
    text(cr, "A", 273, 274.5, 9, kBarText, true);
    text(cr, "B", 273, 289.5, 9, kBarText, true);
    // Name field window.
    roundedRect(cr, 88, 269, 128, 17, 2);
    setColor(cr, rgb(30, 32, 36));
    cairo_fill(cr);
    roundedRect(cr, 89, 270, 116, 15, 1.5);
    setColor(cr, rgb(207, 222, 235));
    cairo_fill(cr);
    // Menu button beside the field: a small down triangle.
    roundedRect(cr, 207, 270, 8, 15, 1.5);
    setColor(cr, rgb(150, 160, 172));
    cairo_fill(cr);
    cairo_move_to(cr, 208.5, 276);
    cairo_line_to(cr, 213.5, 276);
    cairo_line_to(cr, 211, 280);
    cairo_close_path(cr);
    setColor(cr, rgb(30, 32, 36));
    cairo_fill(cr);
}

// ---------------------------------------------------------------- small parts

// Arrow triangle pointing right (dir +1) or left (dir -1) inside a w x h box at (x, y).
void arrow(cairo_t* cr, double x, double y, double w, double h, int dir, Rgb c) {
    double cy = y + h / 2;
    if (dir > 0) {
        cairo_move_to(cr, x + w * 0.22, y + h * 0.2);
        cairo_line_to(cr, x + w * 0.82, cy);
        cairo_line_to(cr, x + w * 0.22, y + h * 0.8);
    } else {
        cairo_move_to(cr, x + w * 0.78, y + h * 0.2);
        cairo_line_to(cr, x + w * 0.18, cy);
        cairo_line_to(cr, x + w * 0.78, y + h * 0.8);
    }
    cairo_close_path(cr);
    setColor(cr, c);
    cairo_fill(cr);
}

// Preset bar button strip: images normal, highlighted, pressed, disabled.
bool barButton(const std::string& dir, int id, Rgb c, int pointing) {
    const int w = 12, h = 14;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, w, h * 4);
    cairo_t* cr = canvas(s);
    setColor(cr, kBar);
    cairo_paint(cr);
    for (int i = 0; i < 4; ++i) {
        double y = i * h;
        Rgb col = c;
        if (i == 1) col = {std::fmin(1, c.r + 0.25), std::fmin(1, c.g + 0.25), std::fmin(1, c.b + 0.25)};
        if (i == 3) col = rgb(110, 112, 118);
        if (i == 2) {
            roundedRect(cr, 0.5, y + 0.5, w - 1, h - 1, 2);
            setColor(cr, rgb(30, 32, 36));
            cairo_fill(cr);
        }
        arrow(cr, i == 2 ? 0.5 : 0, y + (i == 2 ? 0.5 : 0), w, h, pointing, col);
        if (i == 1) {
            roundedRect(cr, 0.5, y + 0.5, w - 1, h - 1, 2);
            cairo_set_line_width(cr, 1);
            setColor(cr, rgb(255, 255, 255), 0.35);
            cairo_stroke(cr);
        }
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, id);
    cairo_surface_destroy(s);
    return ok;
}

// Previous/next arrows of the preset bar: normal, left lit, right lit, left pressed, right pressed.
bool barRocker(const std::string& dir) {
    const int w = 31, h = 14;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, w, h * 5);
    cairo_t* cr = canvas(s);
    setColor(cr, kBar);
    cairo_paint(cr);
    for (int i = 0; i < 5; ++i) {
        double y = i * h;
        bool leftLit = (i == 1 || i == 3), rightLit = (i == 2 || i == 4);
        bool pressed = i >= 3;
        for (int side = 0; side < 2; ++side) {
            double x = side == 0 ? 0.5 : 16;
            bool lit = side == 0 ? leftLit : rightLit;
            roundedRect(cr, x, y + 0.5, 14.5, h - 1, 2);
            setColor(cr, lit && pressed ? rgb(30, 32, 36) : rgb(88, 94, 104));
            cairo_fill(cr);
            arrow(cr, x + 1, y + 1, 12.5, h - 2, side == 0 ? -1 : 1,
                  lit ? rgb(255, 255, 255) : kBarText);
            if (lit && !pressed) {
                roundedRect(cr, x, y + 0.5, 14.5, h - 1, 2);
                cairo_set_line_width(cr, 1);
                setColor(cr, rgb(255, 255, 255), 0.5);
                cairo_stroke(cr);
            }
        }
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, 19997);
    cairo_surface_destroy(s);
    return ok;
}

// ALGORITHM arrows 61 x 20, three images: left lit, neither, right lit.
bool algorithmArrows(const std::string& dir) {
    const int w = 61, h = 20;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, w, h * 3);
    cairo_t* cr = canvas(s);
    fillPanel(cr, w, h * 3);
    for (int i = 0; i < 3; ++i) {
        double y = i * h;
        for (int side = 0; side < 2; ++side) {
            double x = side == 0 ? 1 : 32;
            bool lit = (side == 0 && i == 0) || (side == 1 && i == 2);
            roundedRect(cr, x, y + 1.5, 28, h - 3, 3);
            cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
            if (lit) {
                cairo_pattern_add_color_stop_rgb(g, 0, 0.42, 0.43, 0.47);
                cairo_pattern_add_color_stop_rgb(g, 1, 0.25, 0.26, 0.29);
            } else {
                cairo_pattern_add_color_stop_rgb(g, 0, 0.97, 0.96, 0.94);
                cairo_pattern_add_color_stop_rgb(g, 1, 0.76, 0.75, 0.72);
            }
            cairo_set_source(cr, g);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(g);
            cairo_set_line_width(cr, 1);
            setColor(cr, kPanelShade);
            cairo_stroke(cr);
            arrow(cr, x + 7, y + 4, 14, h - 8, side == 0 ? -1 : 1, lit ? kAccent : kInk);
        }
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, 11204);
    cairo_surface_destroy(s);
    return ok;
}

// PROC button 35 x 26: image 0 off (input switched off), image 1 on.
bool procButton(const std::string& dir) {
    const int w = 35, h = 26;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, w, h * 2);
    cairo_t* cr = canvas(s);
    setColor(cr, kPanelShade);
    cairo_paint(cr);
    for (int i = 0; i < 2; ++i) {
        double y = i * h;
        bool on = i == 1;
        roundedRect(cr, 1, y + 1, w - 2, h - 2, 3);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
        cairo_pattern_add_color_stop_rgb(g, 0, on ? 0.90 : 0.98, on ? 0.89 : 0.97, on ? 0.86 : 0.95);
        cairo_pattern_add_color_stop_rgb(g, 1, on ? 0.70 : 0.78, on ? 0.69 : 0.77, on ? 0.66 : 0.74);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        // Indicator bar.
        roundedRect(cr, 9, y + 7, 17, 5, 2);
        if (on) {
            setColor(cr, rgb(255, 150, 60));
            cairo_fill(cr);
            roundedRect(cr, 7, y + 5, 21, 9, 4);
            setColor(cr, rgb(255, 150, 60), 0.25);
            cairo_fill(cr);
        } else {
            setColor(cr, rgb(120, 84, 60));
            cairo_fill(cr);
        }
        text(cr, on ? "ON" : "OFF", w / 2.0, y + 21, 6.5, kInk, true, 0.6);
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, 11201);
    cairo_surface_destroy(s);
    return ok;
}

// OVER lamp 13 x 13: bright (over), latched (amber), dark.
bool lamp(const std::string& dir) {
    const int w = 13;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, w, w * 3);
    cairo_t* cr = canvas(s);
    setColor(cr, kPanelShade);
    cairo_paint(cr);
    const Rgb colours[3][2] = {{rgb(255, 120, 100), rgb(200, 20, 10)},
                               {rgb(255, 200, 110), rgb(170, 90, 20)},
                               {rgb(120, 70, 66), rgb(60, 30, 28)}};
    for (int i = 0; i < 3; ++i) {
        double cx = 6.5, cy = i * w + 6.5;
        cairo_arc(cr, cx, cy, 6, 0, 2 * kPi);
        setColor(cr, rgb(40, 40, 44));
        cairo_fill(cr);
        cairo_pattern_t* g = cairo_pattern_create_radial(cx - 1.5, cy - 1.5, 0.5, cx, cy, 5);
        cairo_pattern_add_color_stop_rgb(g, 0, colours[i][0].r, colours[i][0].g, colours[i][0].b);
        cairo_pattern_add_color_stop_rgb(g, 1, colours[i][1].r, colours[i][1].g, colours[i][1].b);
        cairo_arc(cr, cx, cy, 5, 0, 2 * kPi);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, 11206);
    cairo_surface_destroy(s);
    return ok;
}

// PRE-DELAY slider handle 21 x 9.
bool sliderHandle(const std::string& dir) {
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, 21, 9);
    cairo_t* cr = canvas(s);
    fillPanel(cr, 21, 9);
    roundedRect(cr, 0.5, 0.5, 20, 8, 2);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 9);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.30, 0.31, 0.34);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.12, 0.12, 0.14);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_move_to(cr, 10.5, 1.5);
    cairo_line_to(cr, 10.5, 7.5);
    cairo_set_line_width(cr, 1.4);
    setColor(cr, kAccent);
    cairo_stroke(cr);
    cairo_destroy(cr);
    bool ok = save(s, dir, 11250);
    cairo_surface_destroy(s);
    return ok;
}

// ---------------------------------------------------------------- algorithm pictures

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
}

// Sound rays from a source bouncing inside a space, drawn faintly.
void rays(cairo_t* cr, double sx, double sy, const double (*pts)[2], int n) {
    cairo_set_line_width(cr, 0.6);
    for (int i = 0; i < n; ++i) line(cr, sx, sy, pts[i][0], pts[i][1]);
    setColor(cr, kScreenLine, 0.35);
    cairo_stroke(cr);
}

void source(cairo_t* cr, double x, double y) {
    cairo_arc(cr, x, y, 1.8, 0, 2 * kPi);
    setColor(cr, rgb(255, 210, 120));
    cairo_fill(cr);
}

void drawPicture(cairo_t* cr, Algorithm a) {
    const double W = 64, H = 40;
    setColor(cr, kScreen);
    cairo_rectangle(cr, 0, 0, W, H);
    cairo_fill(cr);
    // Faint grid like a measuring screen.
    cairo_set_line_width(cr, 0.5);
    for (int x = 8; x < W; x += 8) line(cr, x + 0.5, 0, x + 0.5, H);
    for (int y = 8; y < H; y += 8) line(cr, 0, y + 0.5, W, y + 0.5);
    setColor(cr, kScreenLine, 0.08);
    cairo_stroke(cr);

    cairo_set_line_width(cr, 1.3);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    switch (a) {
    case Algorithm::Ambience: {  // Ambience: a scatter of early reflections around a source
        for (int i = 0; i < 14; ++i) {
            double ang = i * 2.4, r = 6 + (i * 37 % 13);
            double x = 32 + r * std::cos(ang) * 1.6, y = 20 + r * std::sin(ang) * 0.9;
            cairo_arc(cr, x, y, 0.6 + (i % 3) * 0.4, 0, 2 * kPi);
            setColor(cr, kScreenLine, 0.5 + (i % 4) * 0.12);
            cairo_fill(cr);
        }
        for (int r = 5; r <= 17; r += 6) {
            cairo_arc(cr, 32, 20, r, 0, 2 * kPi);
            setColor(cr, kScreenLine, 0.6 - r * 0.025);
            cairo_stroke(cr);
        }
        source(cr, 32, 20);
        break;
    }
    case Algorithm::Room: {  // Room: a box in perspective
        cairo_rectangle(cr, 14.5, 9.5, 35, 22);
        line(cr, 14.5, 9.5, 8.5, 4.5); line(cr, 49.5, 9.5, 55.5, 4.5);
        line(cr, 14.5, 31.5, 8.5, 36.5); line(cr, 49.5, 31.5, 55.5, 36.5);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        const double p[][2] = {{14.5, 14}, {49.5, 25}, {30, 9.5}, {38, 31.5}};
        rays(cr, 24, 22, p, 4);
        source(cr, 24, 22);
        break;
    }
    case Algorithm::Chamber: {  // Chamber: tall vaulted room
        cairo_move_to(cr, 20.5, 36.5);
        cairo_line_to(cr, 20.5, 14);
        cairo_curve_to(cr, 20.5, 4, 43.5, 4, 43.5, 14);
        cairo_line_to(cr, 43.5, 36.5);
        cairo_close_path(cr);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        line(cr, 26, 36.5, 26, 16); line(cr, 38, 36.5, 38, 16);
        setColor(cr, kScreenLine, 0.4);
        cairo_stroke(cr);
        source(cr, 32, 30);
        break;
    }
    case Algorithm::Club: {  // Club: low stage with lights
        line(cr, 6, 30.5, 58, 30.5);
        cairo_rectangle(cr, 10.5, 24.5, 24, 6);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        line(cr, 6, 6.5, 58, 6.5);
        setColor(cr, kScreenLine, 0.7);
        cairo_stroke(cr);
        for (int i = 0; i < 3; ++i) {
            double x = 14 + i * 8;
            cairo_move_to(cr, x, 7);
            cairo_line_to(cr, x - 4, 24);
            cairo_line_to(cr, x + 4, 24);
            cairo_close_path(cr);
            setColor(cr, rgb(255, 210, 120), 0.18);
            cairo_fill(cr);
        }
        source(cr, 22, 21);
        for (int i = 0; i < 4; ++i) {
            cairo_arc(cr, 42 + i * 4.5, 27, 1.5, 0, 2 * kPi);
            setColor(cr, kScreenLine, 0.8);
            cairo_fill(cr);
        }
        break;
    }
    case Algorithm::Hall: {  // Hall: shoebox concert hall with balconies
        cairo_move_to(cr, 4.5, 34.5);
        cairo_line_to(cr, 4.5, 10.5);
        cairo_line_to(cr, 59.5, 6.5);
        cairo_line_to(cr, 59.5, 34.5);
        cairo_close_path(cr);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        line(cr, 4.5, 22.5, 14, 22.5); line(cr, 50, 20.5, 59.5, 20.5);
        cairo_rectangle(cr, 8.5, 28.5, 12, 6);
        setColor(cr, kScreenLine, 0.6);
        cairo_stroke(cr);
        {
            const double p[][2] = {{59.5, 12}, {59.5, 28}, {32, 8.5}, {44, 34.5}, {4.5, 16}};
            rays(cr, 14, 26, p, 5);
        }
        source(cr, 14, 26);
        break;
    }
    case Algorithm::Arena: {  // Arena: wide bowl of tiers
        for (int i = 0; i < 4; ++i) {
            cairo_save(cr);
            cairo_translate(cr, 32, 22);
            cairo_scale(cr, 1.0, 0.42);
            cairo_arc(cr, 0, 0, 10 + i * 7, 0, 2 * kPi);
            cairo_restore(cr);
            setColor(cr, kScreenLine, 1.0 - i * 0.2);
            cairo_stroke(cr);
        }
        source(cr, 32, 22);
        break;
    }
    case Algorithm::Cathedral: {  // Cathedral: nave with pointed arch and spire
        cairo_move_to(cr, 14.5, 37.5);
        cairo_line_to(cr, 14.5, 20);
        cairo_curve_to(cr, 14.5, 12, 24, 7, 32, 3);
        cairo_curve_to(cr, 40, 7, 49.5, 12, 49.5, 20);
        cairo_line_to(cr, 49.5, 37.5);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        cairo_move_to(cr, 26.5, 37.5);
        cairo_line_to(cr, 26.5, 24);
        cairo_curve_to(cr, 26.5, 20, 30, 17, 32, 15);
        cairo_curve_to(cr, 34, 17, 37.5, 20, 37.5, 24);
        cairo_line_to(cr, 37.5, 37.5);
        setColor(cr, kScreenLine, 0.6);
        cairo_stroke(cr);
        cairo_arc(cr, 32, 24.5, 2.5, 0, 2 * kPi);
        setColor(cr, rgb(255, 210, 120), 0.7);
        cairo_stroke(cr);
        break;
    }
    case Algorithm::Spring: {  // Spring: a coil between two mounts
        cairo_rectangle(cr, 4.5, 14.5, 5, 11);
        cairo_rectangle(cr, 54.5, 14.5, 5, 11);
        setColor(cr, kScreenLine, 0.7);
        cairo_stroke(cr);
        cairo_move_to(cr, 10, 20);
        for (double x = 0; x <= 44; x += 0.5) {
            double ph = x / 44 * 2 * kPi * 9;
            cairo_line_to(cr, 10 + x + 1.6 * std::cos(ph), 20 + 7 * std::sin(ph));
        }
        setColor(cr, kScreenLine);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        break;
    }
    case Algorithm::Plate: {  // Plate: a suspended metal sheet with vibration modes
        cairo_rectangle(cr, 10.5, 9.5, 43, 22);
        setColor(cr, kScreenLine);
        cairo_stroke(cr);
        const double corners[4][2] = {{10.5, 9.5}, {53.5, 9.5}, {10.5, 31.5}, {53.5, 31.5}};
        const double anchors[4][2] = {{4, 3}, {60, 3}, {4, 38}, {60, 38}};
        cairo_set_line_width(cr, 0.7);
        for (int i = 0; i < 4; ++i) line(cr, corners[i][0], corners[i][1], anchors[i][0], anchors[i][1]);
        setColor(cr, kScreenLine, 0.6);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 0.8);
        for (int k = 1; k <= 3; ++k) {
            cairo_move_to(cr, 12, 20.5);
            for (double x = 0; x <= 40; x += 0.5)
                cairo_line_to(cr, 12 + x, 20.5 + (8.0 / k) * std::sin(x / 40 * kPi * k) * std::sin(k * 1.3));
            setColor(cr, kScreenLine, 0.85 - k * 0.2);
            cairo_stroke(cr);
        }
        break;
    }
    }
}

bool pictures(const std::string& dir) {
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, 64, 360);
    cairo_t* cr = canvas(s);
    for (int a = 0; a < kNumAlgorithms; ++a) {
        cairo_save(cr);
        clipImage(cr, a * 40, 64, 40);
        cairo_translate(cr, 0, a * 40);
        drawPicture(cr, kAllAlgorithms[a]);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    bool ok = save(s, dir, 11205);
    cairo_surface_destroy(s);
    return ok;
}

// About screen 300 x 262; the version text is written by the editor at (85, 201).
bool aboutScreen(const std::string& dir) {
    const double W = 300, H = 262;
    cairo_surface_t* s = surface(CAIRO_FORMAT_RGB24, W, H);
    cairo_t* cr = canvas(s);
    fillPanel(cr, W, H);
    roundedRect(cr, 12, 12, W - 24, H - 24, 8);
    setColor(cr, kPanelLight);
    cairo_fill(cr);
    roundedRect(cr, 12.5, 12.5, W - 25, H - 25, 8);
    cairo_set_line_width(cr, 1);
    setColor(cr, kPanelShade);
    cairo_stroke(cr);
    roundedRect(cr, 24, 24, W - 48, 54, 6);
    setColor(cr, kTitle);
    cairo_fill(cr);
    text(cr, "ZUN", 150, 44, 11, kAccent, true, 3);
    text(cr, "MOLTARO", 150, 68, 22, kTitleText, true, 6);
    text(cr, "general purpose reverb", 150, 100, 11, kInk, false, 0.5);
    // The nine spaces, in a row of small marks.
    for (int i = 0; i < kNumAlgorithms; ++i) {
        double x = 150 + (i % 3 - 1) * 80;
        double y = 124 + (i / 3) * 15;
        text(cr, nameOf(kAllAlgorithms[i]), x, y, 9, kInkSoft, false);
    }
    text(cr, "ZUN soundlab", 150, 186, 10, kInk, true, 1);
    text(cr, "click to close", 150, 236, 8, kInkSoft, false, 0.5);
    cairo_destroy(cr);
    bool ok = save(s, dir, 11220);
    cairo_surface_destroy(s);
    return ok;
}

bool drawAll(const std::string& dir);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: moltaro-artwork <output folder>\n");
        return 2;
    }
    bool ok = true;
    for (double set : {1.0, 1.5, 2.0, 3.0}) {
        std::string dir = argv[1];
        if (set != 1.0) {
            dir += "/" + std::to_string(static_cast<int>(set * 100));
            mkdir(dir.c_str(), 0777);
        }
        scale = set;
        ok &= drawAll(dir);
    }
    return ok ? 0 : 1;
}

namespace {

bool drawAll(const std::string& dir) {
    bool ok = true;

    cairo_surface_t* bg = surface(CAIRO_FORMAT_RGB24, 300, 294);
    cairo_t* cr = canvas(bg);
    drawBackground(cr);
    cairo_destroy(cr);
    ok &= save(bg, dir, 11200);
    cairo_surface_destroy(bg);

    // Knob caps: TIME and DAMP large; shelves, mix and output small, each pair coloured.
    ok &= knobStrip(dir, 11210, 57, rgb(70, 76, 86), rgb(245, 240, 225));
    ok &= knobStrip(dir, 11211, 57, rgb(70, 76, 86), rgb(245, 240, 225));
    ok &= knobStrip(dir, 11212, 39, rgb(120, 64, 52), rgb(250, 235, 220));
    ok &= knobStrip(dir, 11215, 39, rgb(52, 92, 104), rgb(230, 245, 245));
    ok &= knobStrip(dir, 11216, 39, rgb(84, 84, 88), rgb(245, 240, 225));
    ok &= knobStrip(dir, 11217, 39, rgb(40, 40, 44), rgb(255, 170, 90));
    ok &= procButton(dir);
    ok &= algorithmArrows(dir);
    ok &= pictures(dir);
    ok &= lamp(dir);
    ok &= aboutScreen(dir);
    ok &= sliderHandle(dir);
    ok &= barButton(dir, 19991, kGreen, 1);  // A recall: green arrow toward the panel
    ok &= barButton(dir, 19992, kGreen, 1);  // B recall
    ok &= barButton(dir, 19993, kGreen, 1);  // BANK load
    ok &= barButton(dir, 19994, kRed, 1);    // BANK save
    ok &= barButton(dir, 19995, kRed, 1);     // A store
    ok &= barButton(dir, 19996, kRed, 1);     // B store
    ok &= barRocker(dir);
    ok &= barButton(dir, 19998, kGreen, 1);  // PRESET load
    ok &= barButton(dir, 19999, kRed, 1);    // PRESET save
    return ok;
}

}  // namespace
