#pragma once
// Drawing on cairo image surfaces, shared by the backends that draw with cairo
// (headless and x11): the DrawContext, image wrapping, fonts and PNG files.

#include "platform/Platform.h"

#include <cairo.h>

#include <string>

namespace moltaro {
namespace platform {
namespace cairodraw {

// A DrawContext on a cairo surface (not owned; it must outlive the context).
// When `target` is given, it is the Image whose pixels the surface wraps; it is
// marked changed after every drawing operation so image caches stay correct.
// With takeSurface the context destroys the surface when it goes.
class CairoDrawContext final : public DrawContext {
public:
    explicit CairoDrawContext(cairo_surface_t* surface, Image* target = nullptr, bool takeSurface = false);
    ~CairoDrawContext() override;
    CairoDrawContext(const CairoDrawContext&) = delete;
    CairoDrawContext& operator=(const CairoDrawContext&) = delete;

    void setClip(const Rect& r) override;
    void resetClip() override;
    Rect getClip() const override { return clip; }

    void fillRect(const Rect& r, Color c) override;
    void drawLine(Point a, Point b, Color c, int width) override;
    void fillEllipse(const Rect& r, Color c) override;
    void frameEllipse(const Rect& r, Color c, int width) override;

    void drawImage(const Image& image, const Rect& dest, Point src) override;
    void drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) override;
    void drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) override;

    void drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color,
                  HAlign align, const Color* background) override;
    int textWidth(const std::string& text, const FontSpec& font) override;

    cairo_t* cairo() const { return cr; }

private:
    void applyClip();
    void setColor(Color c);
    void touched();
    void paintImage(cairo_surface_t* source, const Rect& dest, Point src, double alpha);

    cairo_surface_t* surface;
    Image* target;
    bool ownsSurface;
    cairo_t* cr;
    Rect bounds;  // the whole surface
    Rect clip;
};

// A cairo surface over the image's pixels (no copy). With `opaque` the alpha
// byte is ignored. The caller destroys the surface; the image must outlive it.
cairo_surface_t* wrapImage(const Image& image, bool opaque);

// Selects the face, size and style of a font on a cairo context, with the
// rendering options every backend shares (so that pictures match).
void selectFont(cairo_t* cr, const FontSpec& font);
// The family name asked from fontconfig for a font family.
const char* familyName(FontFamily family);

// Frees the font and surface caches cairo and fontconfig keep for the whole
// process (so leak checkers see only real leaks). Only when no cairo object is alive.
void releaseProcessCaches();

bool writePng(const Image& image, const std::string& path);
// False (and `out` unchanged) when the file cannot be read as PNG.
bool readPng(const std::string& path, Image& out);

}  // namespace cairodraw
}  // namespace platform
}  // namespace moltaro
