#pragma once
// GDI drawing for the Win32 backend. Everything is drawn into DIB sections in memory
// (32 bits per pixel, the byte order of Image, top row first) through a memory device
// context; windows copy their DIB to the screen. Images are turned into DIB sections,
// cached in the image's backend slot until the image changes.
//
// Transparent and alpha-blended copies use msimg32's TransparentBlt and AlphaBlend,
// loaded at run time; without them, transparent copies go through a monochrome mask
// (the invert-and-invert blit) and alpha blending is done on the pixels directly.

#include <windows.h>

#include <map>
#include <memory>

#include "platform/Platform.h"

namespace moltaro::platform::win32 {

// A DIB section with its pixels.
class Dib {
public:
    // Null when the system refuses (too large, out of GDI memory).
    static std::shared_ptr<Dib> create(int width, int height);
    ~Dib();
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    HBITMAP handle() const { return bitmap; }
    uint32_t* bits() const { return pixels; }
    int width() const { return w; }
    int height() const { return h; }

private:
    Dib() = default;
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
    int w = 0, h = 0;
};

// msimg32.dll, loaded for as long as the object lives. The functions are null when the
// library or the function is missing (or switched off for tests).
class Msimg32 {
public:
    using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
    using TransparentBltFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);

    Msimg32();
    ~Msimg32();
    Msimg32(const Msimg32&) = delete;
    Msimg32& operator=(const Msimg32&) = delete;

    AlphaBlendFn alphaBlend = nullptr;
    TransparentBltFn transparentBlt = nullptr;

    // Tests: false makes every later Msimg32 act as if the library were missing.
    static void allowForTests(bool allow);

private:
    HMODULE library = nullptr;
};

// The GDI font for a font of the toolkit's table ("Arial", "Symbol"; the size is the
// character height in pixels). The caller deletes it.
HFONT createFont(const FontSpec& font);

// UTF-8 to UTF-16 and back; invalid sequences become U+FFFD.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

COLORREF toColorRef(Color c);

struct Surface;

// Draws on a surface (a DIB section in a memory device context). Several contexts may
// draw on one surface; each applies its own clip before every operation.
class GdiDrawContext : public DrawContext {
public:
    explicit GdiDrawContext(std::shared_ptr<Surface> surface);
    ~GdiDrawContext() override;

    void setClip(const Rect& r) override;
    void resetClip() override;
    Rect getClip() const override { return clip; }

    void fillRect(const Rect& r, Color c) override;
    void drawLine(Point a, Point b, Color c, int width = 1) override;
    void fillEllipse(const Rect& r, Color c) override;
    void frameEllipse(const Rect& r, Color c, int width = 1) override;
    void drawImage(const Image& image, const Rect& dest, Point src) override;
    void drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) override;
    void drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) override;
    void drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color, HAlign align,
                  const Color* background = nullptr) override;
    int textWidth(const std::string& text, const FontSpec& font) override;

    HDC dc() const { return memory; }
    const std::shared_ptr<Surface>& surface() const { return target; }
    // The union of everything drawn so far, in device coordinates; reset by takeDamage.
    Rect takeDamage();

protected:
    // Called after each drawing operation with the device rectangle it touched.
    virtual void drawn(const Rect& deviceRect);

private:
    Rect toDevice(const Rect& r) const { return r.offset(drawOffset.x, drawOffset.y); }
    // Selects this context's clip; false when there is nothing to draw on.
    bool prepare();
    void touched(const Rect& deviceRect);
    HFONT fontFor(const FontSpec& font);
    // Clips a copy of an image to the image, the surface and the clip; false when
    // nothing is left. dest is in device coordinates afterwards.
    bool clipCopy(const Image& image, Rect& dest, Point& src) const;
    void blendPixels(const Image& image, const Rect& dest, Point src, uint8_t alpha, bool useImageAlpha,
                     const Color* key);

    std::shared_ptr<Surface> target;
    HDC memory = nullptr;
    uint32_t* pixels = nullptr;
    int stride = 0;
    Rect bounds;
    Rect clip;
    Rect damage;
    Msimg32 msimg32;
    std::map<int, HFONT> fonts;
};

// The DIB section of an image, made when first asked and kept in the image's backend
// slot until the image changes. Null for an empty image.
std::shared_ptr<Dib> dibOf(const Image& image);
// Whether any pixel of the image is less than opaque (cached with the DIB).
bool hasTranslucentPixels(const Image& image);

// Draws into an Image: the image's pixels are copied into a DIB section, and every
// drawing operation copies what it changed back (opaque), so the image is current at
// all times, also while the context still exists.
std::unique_ptr<DrawContext> createImageContext(Image& target);

}  // namespace moltaro::platform::win32
