#include "Scaling.h"

#include <algorithm>
#include <cmath>

namespace moltaro {
namespace platform {

double nearestSupportedScale(double f) {
    if (!(f > 0) || !std::isfinite(f)) return 1.0;
    double best = kSupportedScales[0];
    for (double s : kSupportedScales)
        if (std::fabs(f - s) <= std::fabs(f - best)) best = s;
    return best;
}

int scalePercent(double f) { return static_cast<int>(std::lround(f * 100.0)); }

int Scaling::toDevice(int v) const {
    if (factor == 1.0) return v;
    return static_cast<int>(std::floor(v * factor + 0.5));
}

int Scaling::toDesign(int p) const {
    if (factor == 1.0) return p;
    // The x with round(x f) <= p < round((x + 1) f).
    return static_cast<int>(std::ceil((p + 0.5) / factor)) - 1;
}

Rect Scaling::toDesignCovering(const Rect& r) const {
    if (r.isEmpty()) return Rect{};
    return {toDesign(r.left), toDesign(r.top), toDesign(r.right - 1) + 1, toDesign(r.bottom - 1) + 1};
}

int Scaling::scaleLength(int v) const {
    if (v <= 0) return v;
    return std::max(1, static_cast<int>(std::lround(v * factor)));
}

std::shared_ptr<const Image> resampledImage(const Image& source, double factor) {
    const uint64_t key = (source.changeCount() << 16) | static_cast<uint64_t>(scalePercent(factor) & 0xffff);
    if (source.scaledCache && source.scaledCacheKey == key) return source.scaledCache;
    const Scaling s{factor};
    const int w = s.toDevice(source.width()), h = s.toDevice(source.height());
    auto out = std::make_shared<Image>(w, h);
    if (!out->isEmpty()) {
        uint32_t* px = out->pixels();
        const uint32_t* in = source.pixels();
        std::vector<int> column(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) column[static_cast<size_t>(x)] = std::min(source.width() - 1, s.toDesign(x));
        for (int y = 0; y < h; ++y) {
            const uint32_t* row = in + static_cast<size_t>(std::min(source.height() - 1, s.toDesign(y))) * source.width();
            for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = row[column[static_cast<size_t>(x)]];
        }
    }
    out->setScale(source.scale() * factor);
    source.scaledCache = out;
    source.scaledCacheKey = key;
    return out;
}

// ---------------------------------------------------------------- context

ScaledDrawContext::ScaledDrawContext(std::unique_ptr<DrawContext> context, double factor)
    : owned(std::move(context)), inner(owned.get()), scaling{factor} {}

ScaledDrawContext::ScaledDrawContext(DrawContext* borrowed, double factor) : inner(borrowed), scaling{factor} {}

void ScaledDrawContext::setClip(const Rect& r) { inner->setClip(scaling.toDevice(r)); }

void ScaledDrawContext::resetClip() { inner->resetClip(); }

Rect ScaledDrawContext::getClip() const { return scaling.toDesignCovering(inner->getClip()); }

void ScaledDrawContext::fillRect(const Rect& r, Color c) { inner->fillRect(device(r), c); }

void ScaledDrawContext::frameRect(const Rect& r, Color c, int width) {
    inner->frameRect(device(r), c, scaling.scaleLength(std::max(1, width)));
}

void ScaledDrawContext::drawLine(Point a, Point b, Color c, int width) {
    width = std::max(1, width);
    a = {a.x + drawOffset.x, a.y + drawOffset.y};
    b = {b.x + drawOffset.x, b.y + drawOffset.y};
    if (a.x == b.x || a.y == b.y) {
        // Straight lines cover whole design pixels: the same pixels as a fill, so
        // that borders stay crisp and line up with the bitmaps.
        const int before = (width - 1) / 2, after = width / 2;
        Rect r;
        if (a.y == b.y)
            r = {std::min(a.x, b.x) - before, a.y - before, std::max(a.x, b.x) + 1 + after, a.y + 1 + after};
        else
            r = {a.x - before, std::min(a.y, b.y) - before, a.x + 1 + after, std::max(a.y, b.y) + 1 + after};
        inner->fillRect(scaling.toDevice(r), c);
        return;
    }
    // Slanted lines: from the middle of one design pixel to the middle of the other.
    const auto centre = [&](int v) {
        return static_cast<int>(std::floor((v + 0.5) * scaling.factor));
    };
    inner->drawLine({centre(a.x), centre(a.y)}, {centre(b.x), centre(b.y)}, c, scaling.scaleLength(width));
}

void ScaledDrawContext::fillEllipse(const Rect& r, Color c) { inner->fillEllipse(device(r), c); }

void ScaledDrawContext::frameEllipse(const Rect& r, Color c, int width) {
    inner->frameEllipse(device(r), c, scaling.scaleLength(std::max(1, width)));
}

const Image& ScaledDrawContext::prepared(const Image& image, Point& src, std::shared_ptr<const Image>& keep) const {
    const Image* use = &image;
    if (image.scale() != scaling.factor) {
        keep = resampledImage(image, scaling.factor / image.scale());
        use = keep.get();
    }
    src = scaling.toDevice(src);
    return *use;
}

void ScaledDrawContext::drawImage(const Image& image, const Rect& dest, Point src) {
    std::shared_ptr<const Image> keep;
    const Image& im = prepared(image, src, keep);
    inner->drawImage(im, device(dest), src);
}

void ScaledDrawContext::drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) {
    std::shared_ptr<const Image> keep;
    const Image& im = prepared(image, src, keep);
    inner->drawImageTransparent(im, device(dest), src, key);
}

void ScaledDrawContext::drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) {
    std::shared_ptr<const Image> keep;
    const Image& im = prepared(image, src, keep);
    inner->drawImageAlpha(im, device(dest), src, alpha);
}

FontSpec ScaledDrawContext::deviceFont(const FontSpec& font) const {
    FontSpec f = font;
    f.sizePx = scaling.scaleLength(font.sizePx);
    return f;
}

void ScaledDrawContext::drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color,
                                 HAlign align, const Color* background) {
    inner->drawText(text, device(r), deviceFont(font), color, align, background);
}

int ScaledDrawContext::textWidth(const std::string& text, const FontSpec& font) {
    return static_cast<int>(std::lround(inner->textWidth(text, deviceFont(font)) / scaling.factor));
}

}  // namespace platform
}  // namespace moltaro
