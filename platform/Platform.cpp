// Backend-neutral parts of the platform layer: geometry, in-memory images, the
// bitmap resource table and the fallback backend.

#include "Platform.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

namespace moltaro {
namespace platform {

void DrawContext::frameRect(const Rect& r, Color c, int width) {
    if (r.isEmpty()) return;
    width = std::max(1, width);
    const int l = r.left, t = r.top, rr = r.right, b = r.bottom;
    fillRect({l, t, rr, std::min(b, t + width)}, c);
    fillRect({l, std::max(t, b - width), rr, b}, c);
    fillRect({l, t + width, std::min(rr, l + width), b - width}, c);
    fillRect({std::max(l, rr - width), t + width, rr, b - width}, c);
}

Rect Rect::intersect(const Rect& o) const {
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    if (r.isEmpty()) return Rect{};
    return r;
}

Rect Rect::unite(const Rect& o) const {
    if (o.isEmpty()) return *this;
    if (isEmpty()) return o;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
}

Image::Image(int width, int height, uint32_t fill) {
    if (width <= 0 || height <= 0) return;
    w = width;
    h = height;
    data.assign(static_cast<size_t>(w) * static_cast<size_t>(h), fill);
}

uint32_t Image::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return 0;
    return data[static_cast<size_t>(y) * w + x];
}

static uint32_t premultiply(Color c) {
    const auto mul = [&](uint8_t v) { return static_cast<uint32_t>((v * c.a + 127) / 255); };
    return (static_cast<uint32_t>(c.a) << 24) | (mul(c.r) << 16) | (mul(c.g) << 8) | mul(c.b);
}

void Image::setPixel(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    data[static_cast<size_t>(y) * w + x] = premultiply(c);
    ++version;
}

Color Image::colorAt(int x, int y) const {
    const uint32_t p = pixel(x, y);
    const uint32_t a = p >> 24;
    if (a == 0) return Color{0, 0, 0, 0};
    const auto un = [&](uint32_t v) { return static_cast<uint8_t>(std::min<uint32_t>(255, (v * 255 + a / 2) / a)); };
    return Color{un((p >> 16) & 0xff), un((p >> 8) & 0xff), un(p & 0xff), static_cast<uint8_t>(a)};
}

// ---------------------------------------------------------------- resources

static std::map<int, std::shared_ptr<const Image>>& resourceTable() {
    static std::map<int, std::shared_ptr<const Image>> table;
    return table;
}

// The larger sets, keyed by scale percent and resource number.
static std::map<std::pair<int, int>, std::shared_ptr<const Image>>& scaledResourceTable() {
    static std::map<std::pair<int, int>, std::shared_ptr<const Image>> table;
    return table;
}

void registerBitmapResource(int id, std::shared_ptr<const Image> image) {
    if (!image) {
        unregisterBitmapResource(id);
        return;
    }
    resourceTable()[id] = std::move(image);
}

static std::shared_ptr<Image> premultiplied(int width, int height, const uint32_t* straightArgb) {
    auto image = std::make_shared<Image>(width, height);
    uint32_t* out = image->pixels();
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = straightArgb[i];
        out[i] = premultiply(Color{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                                   static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)});
    }
    return image;
}

void registerBitmapResource(int id, int width, int height, const uint32_t* straightArgb) {
    if (!straightArgb || width <= 0 || height <= 0) {
        unregisterBitmapResource(id);
        return;
    }
    resourceTable()[id] = premultiplied(width, height, straightArgb);
}

void registerBitmapResource(int id, int scalePercent, int width, int height, const uint32_t* straightArgb) {
    if (scalePercent == 100) {
        registerBitmapResource(id, width, height, straightArgb);
        return;
    }
    if (!straightArgb || width <= 0 || height <= 0 || scalePercent <= 0) {
        scaledResourceTable().erase({scalePercent, id});
        return;
    }
    auto image = premultiplied(width, height, straightArgb);
    image->setScale(scalePercent / 100.0);
    scaledResourceTable()[{scalePercent, id}] = std::move(image);
}

std::shared_ptr<const Image> loadBitmapResource(int id, int scalePercent) {
    if (scalePercent == 100) return loadBitmapResource(id);
    auto& table = scaledResourceTable();
    auto it = table.find({scalePercent, id});
    return it == table.end() ? nullptr : it->second;
}

void unregisterBitmapResource(int id) { resourceTable().erase(id); }

std::shared_ptr<const Image> loadBitmapResource(int id) {
    auto& table = resourceTable();
    auto it = table.find(id);
    return it == table.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------- fallback

namespace {

// Used until a backend is installed: nothing is shown, nothing crashes.
class NullBackend final : public Backend {
public:
    std::unique_ptr<Window> createWindow(void*, int, int, WindowListener*) override { return nullptr; }
    std::unique_ptr<DrawContext> createImageContext(Image&) override { return nullptr; }
    uint32_t ticks() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void sleep(int milliseconds) override {
        if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    int doubleClickTime() override { return 400; }
};

NullBackend nullBackend;
Backend* installed = nullptr;

}  // namespace

Backend& backend() { return installed ? *installed : nullBackend; }

void setBackend(Backend* b) { installed = b; }

}  // namespace platform
}  // namespace moltaro
