#pragma once
// Drawing an editor at a scale factor. The toolkit and the editor keep working in
// their own design pixels (the 300 x 294 panel); a window at factor f is f times as
// large, and a ScaledDrawContext turns every design coordinate, line width, font size
// and bitmap into window pixels. Mouse positions go the other way.
//
// A design pixel x covers the window pixels from round(x f) up to round((x + 1) f),
// so that neighbouring rectangles still meet without gaps or overlaps at 1.5x.

#include "Platform.h"

#include <memory>

namespace moltaro {
namespace platform {

// The factors the editor's bitmaps are drawn for, smallest first.
constexpr double kSupportedScales[] = {1.0, 1.5, 2.0, 3.0};

// The supported factor nearest to f (half-way goes up); 1 for nonsense (not a
// positive finite number).
double nearestSupportedScale(double f);
// Factor to percent (1.5 -> 150) and back.
int scalePercent(double f);

struct Scaling {
    double factor = 1.0;

    bool isIdentity() const { return factor == 1.0; }
    int toDevice(int v) const;
    // The design pixel that covers window pixel p.
    int toDesign(int p) const;
    Point toDevice(Point p) const { return {toDevice(p.x), toDevice(p.y)}; }
    Point toDesign(Point p) const { return {toDesign(p.x), toDesign(p.y)}; }
    Rect toDevice(const Rect& r) const { return {toDevice(r.left), toDevice(r.top), toDevice(r.right), toDevice(r.bottom)}; }
    // The smallest design rectangle whose window pixels cover r.
    Rect toDesignCovering(const Rect& r) const;
    // A size or width: at least 1 when v is.
    int scaleLength(int v) const;
};

// An image drawn at `factor` times the image's own scale, pixels repeated (nearest
// design pixel), so that colour keys stay exact. Cached on the source image.
std::shared_ptr<const Image> resampledImage(const Image& source, double factor);

// Draws in design pixels on a context that draws in window pixels. The inner context
// keeps no offset of its own; this one's offset is in design pixels.
class ScaledDrawContext final : public DrawContext {
public:
    ScaledDrawContext(std::unique_ptr<DrawContext> inner, double factor);
    ScaledDrawContext(DrawContext* borrowed, double factor);

    double factor() const { return scaling.factor; }

    void setClip(const Rect& r) override;
    void resetClip() override;
    Rect getClip() const override;
    void fillRect(const Rect& r, Color c) override;
    void frameRect(const Rect& r, Color c, int width = 1) override;
    void drawLine(Point a, Point b, Color c, int width = 1) override;
    void fillEllipse(const Rect& r, Color c) override;
    void frameEllipse(const Rect& r, Color c, int width = 1) override;
    void drawImage(const Image& image, const Rect& dest, Point src) override;
    void drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) override;
    void drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) override;
    void drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color, HAlign align,
                  const Color* background = nullptr) override;
    int textWidth(const std::string& text, const FontSpec& font) override;

private:
    Rect device(const Rect& r) const { return scaling.toDevice(r.offset(drawOffset.x, drawOffset.y)); }
    FontSpec deviceFont(const FontSpec& font) const;
    // The image at this context's factor, and where src lies in it.
    const Image& prepared(const Image& image, Point& src, std::shared_ptr<const Image>& keep) const;

    std::unique_ptr<DrawContext> owned;
    DrawContext* inner;
    Scaling scaling;
};

}  // namespace platform
}  // namespace moltaro
