#include "platform/win32/Win32Drawing.h"

#include "platform/win32/Win32Surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace moltaro::platform::win32 {

namespace {

std::atomic<bool> msimg32Allowed{true};

// Marks cache keys made by this backend (the slot holds an ImageDib then).
constexpr uint64_t kCacheTag = uint64_t{1} << 63;

struct ImageDib {
    std::shared_ptr<Dib> dib;
    bool translucent = false;
};

int fontKey(const FontSpec& f) {
    return (f.family == FontFamily::Symbol ? 1 : 0) | (std::clamp(f.sizePx, 1, 4096) << 4) | (f.style & 7) << 1;
}

uint8_t mix(uint32_t over, uint32_t under, uint32_t overWeight, uint32_t underWeight) {
    return static_cast<uint8_t>(std::min<uint32_t>(255, (over * overWeight + under * underWeight + 127) / 255));
}

// A memory DC with a bitmap selected, for reading an image during a copy.
class SourceDc {
public:
    SourceDc(HDC compatible, HBITMAP bitmap) : dc(CreateCompatibleDC(compatible)) {
        if (dc) previous = SelectObject(dc, bitmap);
    }
    ~SourceDc() {
        if (dc) {
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
    }
    SourceDc(const SourceDc&) = delete;
    SourceDc& operator=(const SourceDc&) = delete;
    HDC get() const { return dc; }

private:
    HDC dc;
    HGDIOBJ previous = nullptr;
};

}  // namespace

// ---------------------------------------------------------------- Dib

std::shared_ptr<Dib> Dib::create(int width, int height) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first, like Image
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    std::shared_ptr<Dib> dib(new Dib);
    dib->bitmap = bitmap;
    dib->pixels = static_cast<uint32_t*>(bits);
    dib->w = width;
    dib->h = height;
    return dib;
}

Dib::~Dib() {
    if (bitmap) DeleteObject(bitmap);
}

// ---------------------------------------------------------------- msimg32

Msimg32::Msimg32() {
    if (!msimg32Allowed.load(std::memory_order_relaxed)) return;
    library = LoadLibraryA("msimg32.dll");
    if (!library) return;
    alphaBlend = reinterpret_cast<AlphaBlendFn>(reinterpret_cast<void (*)()>(GetProcAddress(library, "AlphaBlend")));
    transparentBlt =
        reinterpret_cast<TransparentBltFn>(reinterpret_cast<void (*)()>(GetProcAddress(library, "TransparentBlt")));
}

Msimg32::~Msimg32() {
    if (library) FreeLibrary(library);
}

void Msimg32::allowForTests(bool allow) { msimg32Allowed.store(allow, std::memory_order_relaxed); }

// ---------------------------------------------------------------- text

HFONT createFont(const FontSpec& font) {
    const bool symbol = font.family == FontFamily::Symbol;
    return CreateFontW(-std::max(1, font.sizePx), 0, 0, 0, (font.style & kFontBold) ? FW_BOLD : FW_NORMAL,
                       (font.style & kFontItalic) ? TRUE : FALSE, (font.style & kFontUnderline) ? TRUE : FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_STRING_PRECIS, CLIP_STROKE_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | (symbol ? FF_DECORATIVE : FF_SWISS), symbol ? L"Symbol" : L"Arial");
}

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(0, n)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<std::size_t>(std::max(0, n)), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
}

COLORREF toColorRef(Color c) { return RGB(c.r, c.g, c.b); }

// ---------------------------------------------------------------- image DIBs

static std::shared_ptr<ImageDib> imageDib(const Image& image) {
    if (image.isEmpty()) return nullptr;
    const uint64_t key = image.changeCount() | kCacheTag;
    if (image.backendCache && image.backendCacheKey == key) return std::static_pointer_cast<ImageDib>(image.backendCache);
    auto entry = std::make_shared<ImageDib>();
    entry->dib = Dib::create(image.width(), image.height());
    if (!entry->dib) return nullptr;
    const std::size_t n = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height());
    const uint32_t* in = image.pixels();
    uint32_t* out = entry->dib->bits();
    // GDI leaves the fourth byte of these pixels unused, but some of its colour
    // comparisons (the key colour of TransparentBlt, monochrome masks) look at it.
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = in[i] & 0x00ffffffu;
        entry->translucent = entry->translucent || (in[i] >> 24) != 0xff;
    }
    image.backendCache = entry;
    image.backendCacheKey = key;
    return entry;
}

std::shared_ptr<Dib> dibOf(const Image& image) {
    auto entry = imageDib(image);
    return entry ? entry->dib : nullptr;
}

bool hasTranslucentPixels(const Image& image) {
    auto entry = imageDib(image);
    return entry && entry->translucent;
}

// ---------------------------------------------------------------- GdiDrawContext

GdiDrawContext::GdiDrawContext(std::shared_ptr<Surface> s) : target(std::move(s)) {
    if (!target || !target->dc || !target->dib) return;
    memory = target->dc;
    pixels = target->dib->bits();
    stride = target->dib->width();
    bounds = Rect{0, 0, target->dib->width(), target->dib->height()};
    clip = bounds;
}

GdiDrawContext::~GdiDrawContext() {
    if (memory) {
        SelectClipRgn(memory, nullptr);
        SelectObject(memory, GetStockObject(SYSTEM_FONT));
    }
    for (auto& f : fonts) DeleteObject(f.second);
}

bool GdiDrawContext::prepare() {
    if (!memory) return false;
    HRGN region = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    SelectClipRgn(memory, region);
    if (region) DeleteObject(region);
    SetBkMode(memory, TRANSPARENT);
    return true;
}

void GdiDrawContext::setClip(const Rect& r) { clip = r.intersect(bounds); }

void GdiDrawContext::resetClip() { clip = bounds; }

Rect GdiDrawContext::takeDamage() {
    Rect d = damage;
    damage = Rect{};
    return d;
}

void GdiDrawContext::drawn(const Rect&) {}

void GdiDrawContext::touched(const Rect& deviceRect) {
    const Rect r = deviceRect.intersect(clip);
    if (r.isEmpty()) return;
    damage = damage.unite(r);
    drawn(r);
}

void GdiDrawContext::fillRect(const Rect& r, Color c) {
    const Rect d = toDevice(r).intersect(clip);
    if (d.isEmpty() || c.a == 0 || !prepare()) return;
    if (c.a == 255) {
        HBRUSH brush = CreateSolidBrush(toColorRef(c));
        RECT rc{d.left, d.top, d.right, d.bottom};
        FillRect(memory, &rc, brush);
        DeleteObject(brush);
    } else {
        // GDI has no translucent fill: blend on the pixels.
        GdiFlush();
        for (int y = d.top; y < d.bottom; ++y) {
            uint32_t* row = pixels + static_cast<std::size_t>(y) * stride;
            for (int x = d.left; x < d.right; ++x) {
                const uint32_t p = row[x];
                row[x] = 0xff000000u | uint32_t{mix(c.r, (p >> 16) & 0xff, c.a, 255u - c.a)} << 16 |
                         uint32_t{mix(c.g, (p >> 8) & 0xff, c.a, 255u - c.a)} << 8 |
                         mix(c.b, p & 0xff, c.a, 255u - c.a);
            }
        }
    }
    touched(d);
}

void GdiDrawContext::drawLine(Point a, Point b, Color c, int width) {
    if (c.a == 0 || !prepare()) return;
    width = std::max(1, width);
    HPEN pen = CreatePen(PS_SOLID, width, toColorRef(c));
    HGDIOBJ old = SelectObject(memory, pen);
    const int ox = drawOffset.x, oy = drawOffset.y;
    MoveToEx(memory, a.x + ox, a.y + oy, nullptr);
    LineTo(memory, b.x + ox, b.y + oy);
    // GDI leaves out a line's last pixel; the platform's lines include it.
    if (width == 1) SetPixelV(memory, b.x + ox, b.y + oy, toColorRef(c));
    SelectObject(memory, old);
    DeleteObject(pen);
    touched(Rect{std::min(a.x, b.x) - width, std::min(a.y, b.y) - width, std::max(a.x, b.x) + width + 1,
                 std::max(a.y, b.y) + width + 1}
                .offset(ox, oy));
}

void GdiDrawContext::fillEllipse(const Rect& r, Color c) {
    if (r.isEmpty() || c.a == 0 || !prepare()) return;
    const Rect d = toDevice(r);
    HBRUSH brush = CreateSolidBrush(toColorRef(c));
    HGDIOBJ oldBrush = SelectObject(memory, brush);
    HGDIOBJ oldPen = SelectObject(memory, GetStockObject(NULL_PEN));
    // Without a pen GDI fills one pixel less to the right and below.
    Ellipse(memory, d.left, d.top, d.right + 1, d.bottom + 1);
    SelectObject(memory, oldPen);
    SelectObject(memory, oldBrush);
    DeleteObject(brush);
    touched(d);
}

void GdiDrawContext::frameEllipse(const Rect& r, Color c, int width) {
    if (r.isEmpty() || c.a == 0 || !prepare()) return;
    const Rect d = toDevice(r);
    HPEN pen = CreatePen(PS_INSIDEFRAME, std::max(1, width), toColorRef(c));
    HGDIOBJ oldPen = SelectObject(memory, pen);
    HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(NULL_BRUSH));
    Ellipse(memory, d.left, d.top, d.right, d.bottom);
    SelectObject(memory, oldBrush);
    SelectObject(memory, oldPen);
    DeleteObject(pen);
    touched(d);
}

bool GdiDrawContext::clipCopy(const Image& image, Rect& dest, Point& src) const {
    Rect d = toDevice(dest);
    // The part of the image the copy reads, placed on the device.
    const Rect available = Rect{0, 0, image.width(), image.height()}.offset(d.left - src.x, d.top - src.y);
    const Rect shown = d.intersect(available).intersect(clip);
    if (shown.isEmpty()) return false;
    src = Point{src.x + (shown.left - d.left), src.y + (shown.top - d.top)};
    dest = shown;
    return true;
}

void GdiDrawContext::drawImage(const Image& image, const Rect& dest, Point src) {
    Rect d = dest;
    if (dest.isEmpty() || !clipCopy(image, d, src) || !prepare()) return;
    auto dib = dibOf(image);
    if (!dib) return;
    SourceDc source(memory, dib->handle());
    BitBlt(memory, d.left, d.top, d.width(), d.height(), source.get(), src.x, src.y, SRCCOPY);
    touched(d);
}

void GdiDrawContext::drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) {
    Rect d = dest;
    if (dest.isEmpty() || !clipCopy(image, d, src) || !prepare()) return;
    auto dib = dibOf(image);
    if (!dib) return;
    if (hasTranslucentPixels(image)) {
        blendPixels(image, d, src, 255, true, &key);
        touched(d);
        return;
    }
    const int w = d.width(), h = d.height();
    SourceDc source(memory, dib->handle());
    if (msimg32.transparentBlt) {
        msimg32.transparentBlt(memory, d.left, d.top, w, h, source.get(), src.x, src.y, w, h, toColorRef(key));
    } else {
        // The mask method: a monochrome picture that is white where the key colour is,
        // then destination XOR source, AND mask, XOR source again.
        HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
        HDC maskDc = CreateCompatibleDC(memory);
        if (mask && maskDc) {
            HGDIOBJ oldMask = SelectObject(maskDc, mask);
            COLORREF oldSourceBack = SetBkColor(source.get(), toColorRef(key));
            BitBlt(maskDc, 0, 0, w, h, source.get(), src.x, src.y, SRCCOPY);
            SetBkColor(source.get(), oldSourceBack);
            COLORREF oldBack = SetBkColor(memory, RGB(255, 255, 255));
            COLORREF oldText = SetTextColor(memory, RGB(0, 0, 0));
            BitBlt(memory, d.left, d.top, w, h, source.get(), src.x, src.y, SRCINVERT);
            BitBlt(memory, d.left, d.top, w, h, maskDc, 0, 0, SRCAND);
            BitBlt(memory, d.left, d.top, w, h, source.get(), src.x, src.y, SRCINVERT);
            SetTextColor(memory, oldText);
            SetBkColor(memory, oldBack);
            SelectObject(maskDc, oldMask);
        }
        if (maskDc) DeleteDC(maskDc);
        if (mask) DeleteObject(mask);
    }
    touched(d);
}

void GdiDrawContext::drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) {
    if (alpha == 0) return;
    if (alpha == 255) {
        drawImage(image, dest, src);
        return;
    }
    Rect d = dest;
    if (dest.isEmpty() || !clipCopy(image, d, src) || !prepare()) return;
    auto dib = dibOf(image);
    if (!dib) return;
    if (msimg32.alphaBlend) {
        SourceDc source(memory, dib->handle());
        BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
        msimg32.alphaBlend(memory, d.left, d.top, d.width(), d.height(), source.get(), src.x, src.y, d.width(),
                           d.height(), blend);
    } else {
        blendPixels(image, d, src, alpha, false, nullptr);
    }
    touched(d);
}

void GdiDrawContext::blendPixels(const Image& image, const Rect& d, Point src, uint8_t alpha, bool useImageAlpha,
                                 const Color* key) {
    GdiFlush();
    for (int y = d.top; y < d.bottom; ++y) {
        uint32_t* row = pixels + static_cast<std::size_t>(y) * stride;
        for (int x = d.left; x < d.right; ++x) {
            const int ix = src.x + (x - d.left), iy = src.y + (y - d.top);
            const uint32_t s = image.pixel(ix, iy);
            if (key) {
                const Color c = image.colorAt(ix, iy);
                if (c.r == key->r && c.g == key->g && c.b == key->b) continue;
            }
            const uint32_t sourceAlpha = useImageAlpha ? (s >> 24) * alpha / 255 : alpha;
            const uint32_t p = row[x];
            auto channel = [&](int shift) {
                // Premultiplied source: its channel already carries its own alpha.
                const uint32_t sc = (s >> shift) & 0xff;
                const uint32_t scaled = (sc * alpha + 127) / 255;
                const uint32_t under = ((p >> shift) & 0xff) * (255 - sourceAlpha);
                return std::min<uint32_t>(255, scaled + (under + 127) / 255);
            };
            row[x] = 0xff000000u | channel(16) << 16 | channel(8) << 8 | channel(0);
        }
    }
}

HFONT GdiDrawContext::fontFor(const FontSpec& font) {
    const int key = fontKey(font);
    auto it = fonts.find(key);
    if (it != fonts.end()) return it->second;
    HFONT f = createFont(font);
    if (f) fonts[key] = f;
    return f;
}

void GdiDrawContext::drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color,
                              HAlign align, const Color* background) {
    if (r.isEmpty()) return;
    if (background) fillRect(r, *background);
    if (text.empty() || color.a == 0 || !prepare()) return;
    const Rect d = toDevice(r);
    RECT box{d.left, d.top, d.right, d.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (align == HAlign::Center) {
        format |= DT_CENTER;
    } else if (align == HAlign::Right) {
        format |= DT_RIGHT;
    } else {
        format |= DT_LEFT;
        box.left += 1;  // left-aligned text starts one pixel in
    }
    HFONT f = fontFor(font);
    HGDIOBJ oldFont = f ? SelectObject(memory, f) : nullptr;
    SetTextColor(memory, toColorRef(color));
    SetBkMode(memory, TRANSPARENT);
    const std::wstring w = widen(text);
    DrawTextW(memory, w.c_str(), static_cast<int>(w.size()), &box, format);
    if (oldFont) SelectObject(memory, oldFont);
    touched(d);
}

int GdiDrawContext::textWidth(const std::string& text, const FontSpec& font) {
    if (!memory || text.empty()) return 0;
    HFONT f = fontFor(font);
    HGDIOBJ oldFont = f ? SelectObject(memory, f) : nullptr;
    const std::wstring w = widen(text);
    SIZE size{};
    GetTextExtentPoint32W(memory, w.c_str(), static_cast<int>(w.size()), &size);
    if (oldFont) SelectObject(memory, oldFont);
    return size.cx;
}

// ---------------------------------------------------------------- image contexts

namespace {

class ImageDrawContext final : public GdiDrawContext {
public:
    ImageDrawContext(Image& image, std::shared_ptr<Surface> s) : GdiDrawContext(std::move(s)), image(image) {}

protected:
    void drawn(const Rect& r) override {
        GdiFlush();
        const Dib& dib = *surface()->dib;
        uint32_t* out = image.pixels();
        for (int y = r.top; y < r.bottom; ++y) {
            const uint32_t* from = dib.bits() + static_cast<std::size_t>(y) * dib.width();
            uint32_t* to = out + static_cast<std::size_t>(y) * image.width();
            // GDI leaves the fourth byte undefined; what is drawn here is opaque.
            for (int x = r.left; x < r.right; ++x) to[x] = from[x] | 0xff000000u;
        }
    }

private:
    Image& image;
};

}  // namespace

std::unique_ptr<DrawContext> createImageContext(Image& target) {
    if (target.isEmpty()) return nullptr;
    auto dib = Dib::create(target.width(), target.height());
    if (!dib) return nullptr;
    std::memcpy(dib->bits(), static_cast<const Image&>(target).pixels(),
                static_cast<std::size_t>(target.width()) * static_cast<std::size_t>(target.height()) * 4);
    auto surface = Surface::over(dib);
    if (!surface) return nullptr;
    return std::make_unique<ImageDrawContext>(target, surface);
}

}  // namespace moltaro::platform::win32

namespace moltaro::platform::win32 {

// ---------------------------------------------------------------- Surface

std::shared_ptr<Surface> Surface::over(std::shared_ptr<Dib> dib) {
    if (!dib) return nullptr;
    auto s = std::make_shared<Surface>();
    s->dc = CreateCompatibleDC(nullptr);
    if (!s->dc) return nullptr;
    s->previous = SelectObject(s->dc, dib->handle());
    s->dib = std::move(dib);
    return s;
}

std::shared_ptr<Surface> Surface::create(int width, int height, uint32_t fill) {
    auto dib = Dib::create(width, height);
    if (!dib) return nullptr;
    std::fill(dib->bits(), dib->bits() + static_cast<std::size_t>(width) * height, fill);
    return over(std::move(dib));
}

Surface::~Surface() {
    if (dc) {
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
}

}  // namespace moltaro::platform::win32
