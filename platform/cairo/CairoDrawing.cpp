#include "CairoDrawing.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace moltaro {
namespace platform {
namespace cairodraw {

CairoDrawContext::CairoDrawContext(cairo_surface_t* s, Image* t, bool takeSurface)
    : surface(s), target(t), ownsSurface(takeSurface), cr(cairo_create(s)) {
    int w = 0;
    int h = 0;
    if (cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_IMAGE) {
        w = cairo_image_surface_get_width(s);
        h = cairo_image_surface_get_height(s);
    } else {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        w = static_cast<int>(x2);
        h = static_cast<int>(y2);
    }
    bounds = Rect{0, 0, w, h};
    clip = bounds;
}

CairoDrawContext::~CairoDrawContext() {
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (ownsSurface) cairo_surface_destroy(surface);
}

void CairoDrawContext::applyClip() {
    cairo_reset_clip(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr);
}

void CairoDrawContext::setClip(const Rect& r) {
    clip = r.intersect(bounds);
    applyClip();
}

void CairoDrawContext::resetClip() {
    clip = bounds;
    applyClip();
}

void CairoDrawContext::setColor(Color c) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
}

void CairoDrawContext::touched() {
    if (!target) return;
    cairo_surface_flush(surface);
    target->pixels();  // counts as a change for image caches
}

void CairoDrawContext::fillRect(const Rect& r, Color c) {
    if (r.isEmpty()) return;
    setColor(c);
    cairo_rectangle(cr, r.left + drawOffset.x, r.top + drawOffset.y, r.width(), r.height());
    cairo_fill(cr);
    touched();
}

void CairoDrawContext::drawLine(Point a, Point b, Color c, int width) {
    setColor(c);
    cairo_set_line_width(cr, std::max(1, width));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    const double ox = drawOffset.x + 0.5, oy = drawOffset.y + 0.5;
    cairo_move_to(cr, a.x + ox, a.y + oy);
    cairo_line_to(cr, b.x + ox, b.y + oy);
    cairo_stroke(cr);
    touched();
}

static void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void CairoDrawContext::fillEllipse(const Rect& r, Color c) {
    if (r.isEmpty()) return;
    setColor(c);
    ellipsePath(cr, r.left + drawOffset.x + r.width() / 2.0, r.top + drawOffset.y + r.height() / 2.0,
                r.width() / 2.0, r.height() / 2.0);
    cairo_fill(cr);
    touched();
}

void CairoDrawContext::frameEllipse(const Rect& r, Color c, int width) {
    if (r.isEmpty()) return;
    width = std::max(1, width);
    setColor(c);
    cairo_set_line_width(cr, width);
    ellipsePath(cr, r.left + drawOffset.x + r.width() / 2.0, r.top + drawOffset.y + r.height() / 2.0,
                (r.width() - width) / 2.0, (r.height() - width) / 2.0);
    cairo_stroke(cr);
    touched();
}

cairo_surface_t* wrapImage(const Image& image, bool opaque) {
    if (image.isEmpty()) return nullptr;
    auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image.pixels()));
    return cairo_image_surface_create_for_data(data, opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                               image.width(), image.height(), image.width() * 4);
}

void CairoDrawContext::paintImage(cairo_surface_t* source, const Rect& dest, Point src, double alpha) {
    if (!source) return;
    const int dx = dest.left + drawOffset.x, dy = dest.top + drawOffset.y;
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, source, dx - src.x, dy - src.y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    if (alpha >= 1.0)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_surface_destroy(source);
    touched();
}

void CairoDrawContext::drawImage(const Image& image, const Rect& dest, Point src) {
    if (dest.isEmpty()) return;
    paintImage(wrapImage(image, true), dest, src, 1.0);
}

// A copy of the image with the key colour's opaque pixels made fully transparent,
// kept in the image's cache slot until the image or the key changes.
static const Image* keyedCopy(const Image& image, Color key) {
    const uint64_t cacheKey = (image.changeCount() << 25) ^
                              ((uint64_t{1} << 24) | (uint64_t{key.r} << 16) | (uint64_t{key.g} << 8) | key.b);
    if (image.backendCache && image.backendCacheKey == cacheKey) return static_cast<const Image*>(image.backendCache.get());
    auto copy = std::make_shared<Image>(image.width(), image.height());
    const uint32_t keyPixel = 0xff000000u | (uint32_t{key.r} << 16) | (uint32_t{key.g} << 8) | key.b;
    const uint32_t* in = image.pixels();
    uint32_t* out = copy->pixels();
    const size_t n = static_cast<size_t>(image.width()) * image.height();
    for (size_t i = 0; i < n; ++i) out[i] = in[i] == keyPixel ? 0u : in[i];
    image.backendCache = copy;
    image.backendCacheKey = cacheKey;
    return copy.get();
}

void CairoDrawContext::drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) {
    if (dest.isEmpty() || image.isEmpty()) return;
    paintImage(wrapImage(*keyedCopy(image, key), false), dest, src, 1.0);
}

void CairoDrawContext::drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) {
    if (dest.isEmpty() || alpha == 0) return;
    paintImage(wrapImage(image, true), dest, src, alpha / 255.0);
}

const char* familyName(FontFamily family) {
    return family == FontFamily::Symbol ? "Symbol" : "Liberation Sans";
}

void selectFont(cairo_t* cr, const FontSpec& font) {
    cairo_select_font_face(cr, familyName(font.family),
                           (font.style & kFontItalic) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           (font.style & kFontBold) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, std::max(1, font.sizePx));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void CairoDrawContext::drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color,
                                HAlign align, const Color* background) {
    if (r.isEmpty()) return;
    if (background) fillRect(r, *background);
    if (text.empty()) return;
    const Rect box = r.offset(drawOffset.x, drawOffset.y);
    cairo_save(cr);
    cairo_rectangle(cr, box.left, box.top, box.width(), box.height());
    cairo_clip(cr);
    selectFont(cr, font);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr, text.c_str(), &te);
    double x = box.left + 1;
    if (align == HAlign::Center)
        x = box.left + std::floor((box.width() - te.x_advance) / 2.0);
    else if (align == HAlign::Right)
        x = box.right - std::ceil(te.x_advance);
    const double lineHeight = fe.ascent + fe.descent;
    const double baseline = std::round(box.top + (box.height() - lineHeight) / 2.0 + fe.ascent);
    setColor(color);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
    if (font.style & kFontUnderline) {
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x, baseline + 1.5);
        cairo_line_to(cr, x + te.x_advance, baseline + 1.5);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    touched();
}

int CairoDrawContext::textWidth(const std::string& text, const FontSpec& font) {
    cairo_save(cr);
    selectFont(cr, font);
    cairo_text_extents_t te;
    cairo_text_extents(cr, text.c_str(), &te);
    cairo_restore(cr);
    return static_cast<int>(std::ceil(te.x_advance));
}

void releaseProcessCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

bool writePng(const Image& image, const std::string& path) {
    cairo_surface_t* s = wrapImage(image, false);
    if (!s) return false;
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

bool readPng(const std::string& path, Image& out) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return false;
    }
    cairo_surface_flush(s);
    const cairo_format_t format = cairo_image_surface_get_format(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    if (!data || (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)) {
        cairo_surface_destroy(s);
        return false;
    }
    Image image(w, h);
    uint32_t* px = image.pixels();
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x)
            px[static_cast<size_t>(y) * w + x] = format == CAIRO_FORMAT_RGB24 ? (row[x] | 0xff000000u) : row[x];
    }
    cairo_surface_destroy(s);
    out = std::move(image);
    return true;
}

}  // namespace cairodraw
}  // namespace platform
}  // namespace moltaro
