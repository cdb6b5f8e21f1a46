// The report's pictures, drawn with cairo: one page per program and the overview chart.
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "AtomicFile.h"
#include "Report.h"

namespace render {

using analysis::kBandCentres;
using analysis::kBandCount;

namespace {

struct Colour {
    double r, g, b;
};
constexpr Colour kLeft{0.12, 0.35, 0.75}, kRight{0.85, 0.30, 0.15}, kInk{0.1, 0.1, 0.1}, kGrid{0.85, 0.85, 0.85};
constexpr Colour kBandColours[kBandCount] = {{0.45, 0.10, 0.55}, {0.15, 0.25, 0.75}, {0.05, 0.55, 0.70},
                                              {0.15, 0.60, 0.20}, {0.70, 0.60, 0.05}, {0.90, 0.40, 0.05},
                                              {0.80, 0.10, 0.15}};
constexpr Colour kMeasureColours[3] = {{0.55, 0.70, 0.90}, {0.20, 0.45, 0.80}, {0.05, 0.20, 0.50}};   // EDT, T20, T30
constexpr Colour kAlgorithmColours[] = {{0.60, 0.60, 0.60}, {0.85, 0.45, 0.10}, {0.55, 0.35, 0.15},
                                        {0.85, 0.15, 0.45}, {0.15, 0.35, 0.80}, {0.10, 0.60, 0.55},
                                        {0.45, 0.15, 0.65}, {0.35, 0.60, 0.10}, {0.80, 0.15, 0.10}};

std::string format(const char* fmt, double v) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, v);
    return text;
}

void setColour(cairo_t* cr, Colour c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

// Text with its anchor at x (0 left, 0.5 centre, 1 right) and its baseline at y.
void text(cairo_t* cr, double x, double y, const std::string& s, double size, double anchor = 0, bool bold = false) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - anchor * e.x_advance, y);
    cairo_show_text(cr, s.c_str());
}

double textWidth(cairo_t* cr, const std::string& s, double size) {
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

// Round steps for axis ticks: 1, 2 or 5 times a power of ten.
double niceStep(double span, int ticks) {
    const double raw = span / ticks, p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * p >= raw) return m * p;
    return 10 * p;
}

// The nearest of 1, 2 and 5 times a power of ten, at or above v (up) or at or below it.
double roundStep(double v, bool up) {
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    if (up) {
        for (double m : {1.0, 2.0, 5.0, 10.0})
            if (m * p >= v) return m * p;
    }
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= v) return m * p;
    return p;
}

std::string tickText(double v, double step) {
    if (std::fabs(v) < step * 1e-6) return "0";
    return step >= 1 ? format("%.0f", v) : step >= 0.1 ? format("%.1f", v) : step >= 0.01 ? format("%.2f", v) : format("%.3f", v);
}

// One plot: a frame with a title, axes with ticks and labels, and a mapping of values to pixels.
struct Panel {
    cairo_t* cr;
    double x, y, w, h;          // plot area in pixels
    double x0, x1, y0, y1;      // value ranges
    bool logX = false;
    bool ticksX = true;         // false: the caller labels the x axis itself
    int ticksY = 5;             // about this many steps up the y axis

    double px(double v) const {
        const double t = logX ? std::log(v / x0) / std::log(x1 / x0) : (v - x0) / (x1 - x0);
        return x + t * w;
    }
    double py(double v) const { return y + h - (v - y0) / (y1 - y0) * h; }

    void draw(const std::string& title, const std::string& xLabel, const std::string& yLabel) const {
        setColour(cr, {1, 1, 1});
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        cairo_set_line_width(cr, 1);
        std::vector<std::pair<double, std::string>> xt, yt;
        if (!ticksX) {
        } else if (logX) {
            for (double d = std::pow(10.0, std::floor(std::log10(x0))); d <= x1; d *= 10)
                for (double m : {1.0, 2.0, 5.0})
                    if (m * d >= x0 * 0.999 && m * d <= x1 * 1.001)
                        xt.push_back({m * d, m * d >= 1000 ? format("%gk", m * d / 1000) : format("%g", m * d)});
        } else {
            const double s = niceStep(x1 - x0, 6);
            for (double v = std::ceil(x0 / s) * s; v <= x1 + s * 1e-6; v += s) xt.push_back({v, tickText(v, s)});
        }
        const double s = niceStep(y1 - y0, ticksY);
        for (double v = std::ceil(y0 / s) * s; v <= y1 + s * 1e-6; v += s) yt.push_back({v, tickText(v, s)});
        for (const auto& t : xt) {
            setColour(cr, kGrid);
            cairo_move_to(cr, std::round(px(t.first)) + 0.5, y);
            cairo_line_to(cr, std::round(px(t.first)) + 0.5, y + h);
            cairo_stroke(cr);
            setColour(cr, kInk);
            text(cr, px(t.first), y + h + 14, t.second, 11, 0.5);
        }
        for (const auto& t : yt) {
            setColour(cr, kGrid);
            cairo_move_to(cr, x, std::round(py(t.first)) + 0.5);
            cairo_line_to(cr, x + w, std::round(py(t.first)) + 0.5);
            cairo_stroke(cr);
            setColour(cr, kInk);
            text(cr, x - 5, py(t.first) + 4, t.second, 11, 1);
        }
        setColour(cr, kInk);
        cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
        cairo_stroke(cr);
        text(cr, x, y - 8, title, 14, 0, true);
        text(cr, x + w, y + h + 30, xLabel, 11, 1);
        cairo_save(cr);
        cairo_translate(cr, x - 38, y + h / 2);
        cairo_rotate(cr, -M_PI / 2);
        text(cr, 0, 0, yLabel, 11, 0.5);
        cairo_restore(cr);
    }
    void clip() const {
        cairo_save(cr);
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
    }
    void unclip() const { cairo_restore(cr); }
};

// Samples from t0 to t1 seconds as vertical strokes from each pixel column's smallest to
// largest value, so that long responses draw quickly and without gaps.
void drawWave(const Panel& p, const std::vector<float>& s, double rate, Colour c) {
    p.clip();
    setColour(p.cr, c, 0.75);
    cairo_set_line_width(p.cr, 1);
    const int columns = static_cast<int>(p.w);
    for (int col = 0; col < columns; ++col) {
        const double ta = p.x0 + (p.x1 - p.x0) * col / columns, tb = p.x0 + (p.x1 - p.x0) * (col + 1) / columns;
        size_t a = static_cast<size_t>(std::max(0.0, ta * rate)), b = static_cast<size_t>(std::max(0.0, tb * rate));
        b = std::min(std::max(b, a + 1), s.size());
        if (a >= b) break;
        const auto mm = std::minmax_element(s.begin() + a, s.begin() + b);
        cairo_move_to(p.cr, p.x + col + 0.5, p.py(*mm.first) + 0.5);
        cairo_line_to(p.cr, p.x + col + 0.5, p.py(*mm.second) - 0.5);
    }
    cairo_stroke(p.cr);
    p.unclip();
}

// Each pixel column's largest magnitude in dB as a line.
void drawEnvelopeDb(const Panel& p, const std::vector<float>& s, double rate, Colour c) {
    p.clip();
    setColour(p.cr, c, 0.8);
    cairo_set_line_width(p.cr, 1);
    const int columns = static_cast<int>(p.w);
    bool started = false;
    for (int col = 0; col < columns; ++col) {
        const size_t a = static_cast<size_t>(p.x0 * rate + (p.x1 - p.x0) * rate * col / columns);
        const size_t b = std::min(s.size(), std::max(a + 1, static_cast<size_t>(p.x0 * rate + (p.x1 - p.x0) * rate * (col + 1) / columns)));
        if (a >= b) break;
        float peak = 0;
        for (size_t i = a; i < b; ++i) peak = std::max(peak, std::fabs(s[i]));
        const double db = 20 * std::log10(std::max(peak, 1e-12f));
        if (started) cairo_line_to(p.cr, p.x + col + 0.5, p.py(db));
        else cairo_move_to(p.cr, p.x + col + 0.5, p.py(db));
        started = true;
    }
    cairo_stroke(p.cr);
    p.unclip();
}

void legend(cairo_t* cr, double x, double y, const std::vector<std::pair<std::string, Colour>>& items) {
    for (const auto& it : items) {
        setColour(cr, it.second);
        cairo_rectangle(cr, x, y - 9, 14, 10);
        cairo_fill(cr);
        setColour(cr, kInk);
        text(cr, x + 18, y, it.first, 11);
        x += 26 + textWidth(cr, it.first, 11);
    }
}

// The longest time any band's decay curve takes to fall 65 dB, or the window: the span
// the time plots show.
double displaySpan(const analysis::ResponseFigures& f) {
    double span = 0.05;
    for (const auto& b : f.bands) {
        size_t i = 0;
        while (i < b.curveDb.size() && b.curveDb[i] > -65) ++i;
        span = std::max(span, f.arrivalSeconds + i * f.curveStep);
    }
    return std::min(f.windowSeconds, span * 1.1);
}

std::string bandLabel(double hz) { return hz < 1000 ? format("%.0f", hz) : format("%.0fk", hz / 1000); }

void drawPage(cairo_t* cr, double width, const ProgramReport& r, const std::vector<float>& left,
              const std::vector<float>& right) {
    const auto& f = r.figures;
    setColour(cr, {0.97, 0.97, 0.96});
    cairo_paint(cr);

    // Header: the program, its settings and the overall figures.
    setColour(cr, kInk);
    text(cr, 40, 42, (r.number >= 0 ? format("%.0f  ", r.number) : std::string()) + r.name + "  \u2014  " + r.algorithm, 26, 0, true);
    std::string settings;
    for (const auto& p : r.parameters) settings += p.first + " " + p.second + "    ";
    text(cr, 40, 70, settings, 13);
    text(cr, 40, 92,
         format("%.0f Hz", f.rate) + ",  wet impulse response (a source in the middle: both inputs), " +
             format("%.2f s", f.windowSeconds) + (r.truncated ? " (cut at the window's end)" : "") +
             ",  arrival " + format("%.1f ms", f.arrivalSeconds * 1000) + ",  IACC " + format("%.2f", f.iaccAll) +
             " (early " + format("%.2f", f.iaccEarly) + ", late " + format("%.2f", f.iaccLate) + ")",
         13);

    const double colW = (width - 3 * 80) / 2, rowH = 260, top = 140, gapY = 85;
    auto cell = [&](int col, int row) { return std::make_pair(80 + col * (colW + 80), top + row * (rowH + gapY)); };
    const double span = displaySpan(f);
    float peak = 1e-9f;
    for (const auto* s : {&left, &right})
        for (float v : *s) peak = std::max(peak, std::fabs(v));

    {   // Impulse response, linear.
        auto c = cell(0, 0);
        Panel p{cr, c.first, c.second, colW, rowH, 0, span, -peak * 1.05, peak * 1.05};
        p.draw("Impulse response", "time / s", "amplitude");
        drawWave(p, left, f.rate, kLeft);
        drawWave(p, right, f.rate, kRight);
        legend(cr, p.x + p.w - 150, p.y - 8, {{"left", kLeft}, {"right", kRight}});
    }
    {   // In dB.
        auto c = cell(1, 0);
        Panel p{cr, c.first, c.second, colW, rowH, 0, span, -120, 0};
        p.draw("Impulse response, level", "time / s", "dBFS");
        drawEnvelopeDb(p, left, f.rate, kLeft);
        drawEnvelopeDb(p, right, f.rate, kRight);
    }
    {   // Energy decay curves.
        auto c = cell(0, 1);
        Panel p{cr, c.first, c.second, colW, rowH, 0, span, -80, 0};
        p.draw("Energy decay curves (backward integration)", "time / s", "dB");
        p.clip();
        cairo_set_line_width(cr, 1.5);
        for (int b = 0; b < kBandCount; ++b) {
            const auto& curve = f.bands[b].curveDb;
            setColour(cr, kBandColours[b]);
            for (size_t i = 0; i < curve.size(); ++i) {
                const double t = f.arrivalSeconds + i * f.curveStep;
                if (t > span) break;
                if (i == 0) cairo_move_to(cr, p.px(t), p.py(curve[i]));
                else cairo_line_to(cr, p.px(t), p.py(std::max(curve[i], -200.0f)));
            }
            cairo_stroke(cr);
        }
        p.unclip();
        std::vector<std::pair<std::string, Colour>> items;
        for (int b = 0; b < kBandCount; ++b) items.push_back({bandLabel(kBandCentres[b]), kBandColours[b]});
        legend(cr, p.x + p.w - 330, p.y + p.h - 10, items);
    }
    {   // Decay times per band, as bars with their figures.
        auto c = cell(1, 1);
        double top = 0.1;
        for (const auto& b : f.bands)
            for (const auto* t : {&b.edt, &b.t20, &b.t30})
                if (t->reached) top = std::max(top, t->seconds);
        Panel p{cr, c.first, c.second, colW, rowH, 0, static_cast<double>(kBandCount), 0, top * 1.3, false, false};
        p.draw("Decay times per octave band", "band / Hz", "seconds");
        const double slot = p.w / kBandCount, barW = slot * 0.26;
        for (int b = 0; b < kBandCount; ++b) {
            const analysis::DecayTime* ts[3] = {&f.bands[b].edt, &f.bands[b].t20, &f.bands[b].t30};
            for (int m = 0; m < 3; ++m) {
                const double bx = p.x + b * slot + slot * 0.11 + m * barW;
                if (ts[m]->reached) {
                    setColour(cr, kMeasureColours[m]);
                    cairo_rectangle(cr, bx, p.py(ts[m]->seconds), barW - 2, p.py(0) - p.py(ts[m]->seconds));
                    cairo_fill(cr);
                }
                cairo_save(cr);
                cairo_translate(cr, bx + barW / 2 + 3, ts[m]->reached ? p.py(ts[m]->seconds) - 4 : p.py(0) - 4);
                cairo_rotate(cr, -M_PI / 2);
                setColour(cr, ts[m]->reached ? kInk : kRight);
                text(cr, 0, 0, ts[m]->reached ? format("%.2f", ts[m]->seconds) : "not reached", 10);
                cairo_restore(cr);
            }
            setColour(cr, kInk);
            text(cr, p.x + (b + 0.5) * slot, p.y + p.h + 14, bandLabel(kBandCentres[b]), 11, 0.5);
        }
        legend(cr, p.x + 8, p.y + 16, {{"EDT", kMeasureColours[0]}, {"T20", kMeasureColours[1]}, {"T30", kMeasureColours[2]}});
        bool missing = false;
        for (const auto& b : f.bands) missing = missing || !b.t30.reached || !b.t20.reached || !b.edt.reached;
        if (missing) {
            setColour(cr, kRight);
            text(cr, p.x + p.w - 8, p.y + 16, "not reached within the " + format("%.1f s", f.windowSeconds) + " window", 11, 1);
        }
    }
    {   // The first 100 ms.
        auto c = cell(0, 2);
        float early = 1e-9f;
        const size_t n = std::min(left.size(), static_cast<size_t>(0.1 * f.rate));
        for (size_t i = 0; i < n; ++i) early = std::max({early, std::fabs(left[i]), std::fabs(right[i])});
        Panel p{cr, c.first, c.second, colW, rowH, 0, 0.1, -early * 1.05, early * 1.05};
        p.draw("The first 100 ms: early reflections", "time / s", "amplitude");
        drawWave(p, left, f.rate, kLeft);
        drawWave(p, right, f.rate, kRight);
    }
    {   // Tail spectrum.
        auto c = cell(1, 2);
        Panel p{cr, c.first, c.second, colW, rowH, 20, f.rate / 2, -60, 0, true};
        p.draw("Spectrum of the tail (after the first 100 ms)", "frequency / Hz", "dB");
        p.clip();
        setColour(cr, kInk);
        cairo_set_line_width(cr, 1.5);
        for (size_t i = 0; i < f.spectrumHz.size(); ++i) {
            const double yv = std::max(f.spectrumDb[i], -80.0);
            if (i == 0) cairo_move_to(cr, p.px(f.spectrumHz[i]), p.py(yv));
            else cairo_line_to(cr, p.px(f.spectrumHz[i]), p.py(yv));
        }
        cairo_stroke(cr);
        p.unclip();
    }
    {   // Interaural cross-correlation of the early part.
        auto c = cell(0, 3);
        Panel p{cr, c.first, c.second, colW, rowH, -1, 1, -1, 1};
        p.draw("Interaural cross-correlation, first 80 ms", "lag / ms", "correlation");
        const auto& v = f.iacfEarly;
        p.clip();
        setColour(cr, kLeft);
        cairo_set_line_width(cr, 1.5);
        for (size_t i = 0; i < v.size(); ++i) {
            const double lag = v.size() > 1 ? -1.0 + 2.0 * i / (v.size() - 1) : 0.0;
            if (i == 0) cairo_move_to(cr, p.px(lag), p.py(v[i]));
            else cairo_line_to(cr, p.px(lag), p.py(v[i]));
        }
        cairo_stroke(cr);
        p.unclip();
        setColour(cr, kInk);
        text(cr, p.x + 10, p.y + 18, "IACC: whole " + format("%.2f", f.iaccAll) + ", early " + format("%.2f", f.iaccEarly) +
                                        ", late " + format("%.2f", f.iaccLate) + "  (1 = mono, 0 = fully decorrelated)", 11);
    }
    {   // The figures as a table.
        auto c = cell(1, 3);
        setColour(cr, kInk);
        text(cr, c.first, c.second - 8, "Figures (ISO 3382-1)", 14, 0, true);
        const char* heads[] = {"band / Hz", "EDT / s", "T20 / s", "T30 / s", "range / dB"};
        for (int k = 0; k < 5; ++k) text(cr, c.first + k * colW / 5, c.second + 18, heads[k], 12, 0, true);
        for (int b = 0; b < kBandCount; ++b) {
            const auto& d = f.bands[b];
            const std::string cells[5] = {bandLabel(kBandCentres[b]), analysis::decayText(d.edt), analysis::decayText(d.t20),
                                          analysis::decayText(d.t30), format("%.0f", -d.floorDb)};
            for (int k = 0; k < 5; ++k) text(cr, c.first + k * colW / 5, c.second + 40 + b * 20, cells[k], 12);
        }
    }
}

struct StreamTarget {
    AtomicFile* file;
    std::string error;
};

cairo_status_t writeChunk(void* closure, const unsigned char* data, unsigned int length) {
    auto* t = static_cast<StreamTarget*>(closure);
    if (!t->error.empty()) return CAIRO_STATUS_WRITE_ERROR;
    return t->file->write(data, length, t->error) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Draws a picture of the given size into path, PNG or SVG by the name, atomically.
template <typename Draw>
bool writePicture(const std::string& path, int width, int height, Draw draw, std::string& error) {
    AtomicFile file;
    if (!file.open(path, error)) return false;
    StreamTarget target{&file, {}};
    cairo_status_t status;
    if (endsWith(path, ".svg") || endsWith(path, ".SVG")) {
        cairo_surface_t* s = cairo_svg_surface_create_for_stream(writeChunk, &target, width, height);
        cairo_t* cr = cairo_create(s);
        draw(cr);
        cairo_destroy(cr);
        cairo_surface_finish(s);
        status = cairo_surface_status(s);
        cairo_surface_destroy(s);
    } else {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_t* cr = cairo_create(s);
        draw(cr);
        cairo_destroy(cr);
        status = cairo_surface_write_to_png_stream(s, writeChunk, &target);
        cairo_surface_destroy(s);
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        error = target.error.empty() ? file.failure(cairo_status_to_string(status)) : target.error;
        return false;
    }
    return file.commit(error);
}

}  // namespace

bool writeReportPage(const std::string& path, const ProgramReport& r, const std::vector<float>& left,
                     const std::vector<float>& right, std::string& error) {
    const int width = 1400, height = 1500;
    return writePicture(path, width, height, [&](cairo_t* cr) { drawPage(cr, width, r, left, right); }, error);
}

bool writeOverview(const std::string& path, const std::vector<ProgramReport>& programs, std::string& error) {
    const int width = 1400, height = 1000;
    // Colours by algorithm, in the order the algorithms first appear.
    std::map<std::string, int> colourOf;
    std::vector<std::string> order;
    for (const auto& p : programs)
        if (colourOf.emplace(p.algorithm, static_cast<int>(colourOf.size())).second) order.push_back(p.algorithm);
    double tMax = 1.0, bMax = 1.2, tMin = 1.0;
    for (const auto& p : programs) {
        const double t = chartTime(p.figures, 3), lo = chartTime(p.figures, 2), hi = chartTime(p.figures, 5);
        if (t > 0) tMax = std::max(tMax, t), tMin = std::min(tMin, t);
        if (lo > 0 && hi > 0) bMax = std::max(bMax, hi / lo);
    }
    auto draw = [&](cairo_t* cr) {
        setColour(cr, {0.97, 0.97, 0.96});
        cairo_paint(cr);
        setColour(cr, kInk);
        text(cr, 60, 42, "The factory programs: reverberation time and brightness", 24, 0, true);
        text(cr, 60, 66, "x: T at 1 kHz (T30, else T20);  y: brightness, T at 4 kHz over T at 500 Hz (below 1: the treble dies first)", 13);
        Panel p{cr, 90, 100, width - 300.0, height - 170.0, roundStep(tMin / 1.2, false), roundStep(tMax * 1.2, true), 0,
                std::ceil(bMax * 10 + 1) / 10, true, true, 12};
        p.draw("", "T at 1 kHz / s (logarithmic)", "brightness T(4 kHz) / T(500 Hz)");
        std::vector<std::array<double, 4>> taken;   // label and point boxes placed so far
        // How much of a box lies outside the plot or over what is already there.
        auto overlap = [&](double x0, double y0, double x1, double y1) {
            double area = (x0 < p.x || x1 > p.x + p.w || y0 < p.y || y1 > p.y + p.h) ? 1e9 : 0.0;
            for (const auto& b : taken)
                area += std::max(0.0, std::min(x1, b[2]) - std::max(x0, b[0])) * std::max(0.0, std::min(y1, b[3]) - std::max(y0, b[1]));
            return area;
        };
        for (const auto& pr : programs) {
            const double t = chartTime(pr.figures, 3), lo = chartTime(pr.figures, 2), hi = chartTime(pr.figures, 5);
            if (!(t > 0 && lo > 0 && hi > 0)) continue;
            const double x = p.px(t), y = p.py(hi / lo);
            setColour(cr, kAlgorithmColours[colourOf[pr.algorithm] % 9]);
            cairo_arc(cr, x, y, 5, 0, 2 * M_PI);
            cairo_fill(cr);
            taken.push_back({x - 5, y - 5, x + 5, y + 5});
        }
        for (const auto& pr : programs) {
            const double t = chartTime(pr.figures, 3), lo = chartTime(pr.figures, 2), hi = chartTime(pr.figures, 5);
            if (!(t > 0 && lo > 0 && hi > 0)) continue;
            const double x = p.px(t), y = p.py(hi / lo);
            const double w = textWidth(cr, pr.name, 10), h = 10;
            const double tries[][2] = {{8, 4},   {-8 - w, 4},  {-w / 2, -8}, {-w / 2, 16}, {8, 14},
                                       {8, -6},  {-8 - w, 14}, {-8 - w, -6}, {8, 26},     {8, -18},
                                       {-8 - w, 26}, {-8 - w, -18}};
            const double* best = tries[0];
            double least = 1e18;
            for (const auto& o : tries) {
                const double a = overlap(x + o[0], y + o[1] - h, x + o[0] + w, y + o[1] + 2);
                if (a < least) least = a, best = o;
                if (a == 0) break;
            }
            taken.push_back({x + best[0], y + best[1] - h, x + best[0] + w, y + best[1] + 2});
            setColour(cr, kAlgorithmColours[colourOf[pr.algorithm] % 9]);
            text(cr, x + best[0], y + best[1], pr.name, 10);
        }
        double ly = 120;
        for (const auto& name : order) {
            setColour(cr, kAlgorithmColours[colourOf[name] % 9]);
            cairo_arc(cr, width - 180, ly - 4, 6, 0, 2 * M_PI);
            cairo_fill(cr);
            setColour(cr, kInk);
            text(cr, width - 165, ly, name, 13);
            ly += 24;
        }
    };
    return writePicture(path, width, height, draw, error);
}

}  // namespace render
