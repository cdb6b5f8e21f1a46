#pragma once
// The narrow layer between the widget toolkit (and the preset system) and the
// operating system: a child window, drawing contexts, bitmaps by resource number,
// mouse and keyboard state, time, pop-up menus and a single-line text field.
//
// Backend-neutral: no OS or graphics-library header may be included here. Each
// backend lives in platform/<backend>/ and implements Backend, Window, DrawContext
// and TextField. The backend in use is installed once with setBackend(); a system
// backend library (x11, win32) also defines systemBackend() for the plug-in's entry
// to install. Everything here runs on the user-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace moltaro {
namespace platform {

// ---------------------------------------------------------------- value types

struct Point {
    int x = 0;
    int y = 0;
};

// Right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect intersect(const Rect& o) const;
    Rect unite(const Rect& o) const;  // an empty side is ignored
};

// Straight (not premultiplied) colour; alpha 255 is opaque.
struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
};
inline bool operator==(Color x, Color y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }
inline bool operator!=(Color x, Color y) { return !(x == y); }

// Mouse-button and modifier bits, as the toolkit uses them.
enum : int {
    kButtonLeft = 1,
    kButtonMiddle = 2,
    kButtonRight = 4,
    kModShift = 8,
    kModControl = 16,
    kModAlt = 32,
    kModSystem = 64,
    kButtonMask = kButtonLeft | kButtonMiddle | kButtonRight,
    kModifierMask = kModShift | kModControl | kModAlt | kModSystem,
};

// Virtual key numbers of the host protocol's key events (0 = a plain character).
enum Key : int {
    kKeyNone = 0,
    kKeyBack = 1,
    kKeyTab = 2,
    kKeyClear = 3,
    kKeyReturn = 4,
    kKeyPause = 5,
    kKeyEscape = 6,
    kKeySpace = 7,
    kKeyNext = 8,
    kKeyEnd = 9,
    kKeyHome = 10,
    kKeyLeft = 11,
    kKeyUp = 12,
    kKeyRight = 13,
    kKeyDown = 14,
    kKeyPageUp = 15,
    kKeyPageDown = 16,
    kKeyEnter = 19,  // the keypad's Enter
    kKeyInsert = 21,
    kKeyDelete = 22,
};

// Modifier bits of key events, as the host protocol numbers them.
enum : int {
    kKeyModShift = 1,
    kKeyModAlt = 2,
    kKeyModCommand = 4,
    kKeyModControl = 8,
};

struct KeyEvent {
    int character = 0;  // Unicode code point of a printable key, else 0
    int virt = kKeyNone;
    int modifiers = 0;  // kKeyMod* bits
};

enum class HAlign { Left = 0, Center = 1, Right = 2 };

// The two families of the toolkit's font table: a sans face standing in for
// Arial (Liberation Sans on Linux) and a symbol face.
enum class FontFamily { Sans, Symbol };

enum : int { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

struct FontSpec {
    FontFamily family = FontFamily::Sans;
    int sizePx = 12;  // character height in pixels
    int style = 0;    // kFont* bits
};
inline bool operator==(const FontSpec& a, const FontSpec& b) {
    return a.family == b.family && a.sizePx == b.sizePx && a.style == b.style;
}

// ---------------------------------------------------------------- images

// A bitmap in memory: premultiplied ARGB, one uint32_t per pixel (0xAARRGGBB in
// native byte order), rows of exactly width pixels. Backends draw it directly.
class Image {
public:
    Image() = default;
    Image(int width, int height, uint32_t fill = 0xff000000u);

    int width() const { return w; }
    int height() const { return h; }
    bool isEmpty() const { return w <= 0 || h <= 0; }
    uint32_t* pixels() { ++version; return data.data(); }
    const uint32_t* pixels() const { return data.data(); }
    uint32_t pixel(int x, int y) const;   // 0 outside
    void setPixel(int x, int y, Color c); // ignored outside
    Color colorAt(int x, int y) const;    // straight colour; transparent black outside

    // Counts writes through pixels(); backends use it to know when a cache is stale.
    uint64_t changeCount() const { return version; }

    // Image pixels per design pixel: 1 for the ordinary bitmaps, f for a bitmap
    // drawn for (or an off-screen picture of) an editor at scale factor f.
    double scale() const { return pixelScale; }
    void setScale(double s) { pixelScale = s > 0 ? s : 1.0; }

    // A slot the drawing backend may use to keep a converted copy (for example a
    // colour-keyed mask). Never touched by anyone else.
    mutable std::shared_ptr<void> backendCache;
    mutable uint64_t backendCacheKey = 0;
    // The same for the copy drawn at another scale factor (see Scaling.h).
    mutable std::shared_ptr<const Image> scaledCache;
    mutable uint64_t scaledCacheKey = 0;

private:
    int w = 0;
    int h = 0;
    std::vector<uint32_t> data;
    uint64_t version = 0;
    double pixelScale = 1.0;
};

// Bitmap resources by number. The resources library registers what the module
// carries; tests register their own. A later registration of an id replaces the
// earlier one. A number that was never registered loads as null.
void registerBitmapResource(int id, std::shared_ptr<const Image> image);
// Registers a bitmap from straight (not premultiplied) 0xAARRGGBB pixels.
void registerBitmapResource(int id, int width, int height, const uint32_t* straightArgb);
void unregisterBitmapResource(int id);
std::shared_ptr<const Image> loadBitmapResource(int id);
// The same bitmap drawn for a scale factor given in percent (150, 200, 300): its
// image carries that scale. 100 is the table above. Null when that set holds none.
void registerBitmapResource(int id, int scalePercent, int width, int height, const uint32_t* straightArgb);
std::shared_ptr<const Image> loadBitmapResource(int id, int scalePercent);

// ---------------------------------------------------------------- drawing

// Draws on a window or an image. The offset is added to every drawing coordinate;
// the clip rectangle is in device coordinates (window or image pixels, the offset
// not applied) and limits all drawing. A new context has no offset and clips to
// the whole surface.
class DrawContext {
public:
    virtual ~DrawContext() = default;

    void setOffset(Point p) { drawOffset = p; }
    Point getOffset() const { return drawOffset; }
    virtual void setClip(const Rect& r) = 0;
    virtual void resetClip() = 0;
    virtual Rect getClip() const = 0;

    virtual void fillRect(const Rect& r, Color c) = 0;
    // A one-pixel (or width-pixel) outline just inside r; by default four fills.
    virtual void frameRect(const Rect& r, Color c, int width = 1);
    // A line covering the pixels from a to b inclusive.
    virtual void drawLine(Point a, Point b, Color c, int width = 1) = 0;
    virtual void fillEllipse(const Rect& r, Color c) = 0;
    virtual void frameEllipse(const Rect& r, Color c, int width = 1) = 0;

    // Copies dest's size from the image at src to dest; image alpha is ignored.
    virtual void drawImage(const Image& image, const Rect& dest, Point src) = 0;
    // As drawImage, but pixels of the key colour (alpha ignored) are left out and
    // pixels with alpha are blended.
    virtual void drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) = 0;
    // Blends the image with a constant alpha (0 .. 255) over what is there.
    virtual void drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) = 0;

    // One line of UTF-8 text, vertically centred in r; left alignment starts one
    // pixel in. With a background colour, r is filled with it first. Clipped to r.
    virtual void drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color,
                          HAlign align, const Color* background = nullptr) = 0;
    virtual int textWidth(const std::string& text, const FontSpec& font) = 0;

protected:
    Point drawOffset;
};

// ---------------------------------------------------------------- menus

struct Menu;

struct MenuItem {
    enum class Kind { Normal, Separator, Title, Greyed };
    std::string text;
    Kind kind = Kind::Normal;
    bool checked = false;
    bool columnBreak = false;       // this entry starts a new column
    std::shared_ptr<Menu> submenu;  // opens a submenu instead of being chosen
};

struct Menu {
    int id = 0;  // the caller's number for this (sub)menu, echoed in the choice
    double scale = 1.0;  // the editor's scale factor: text, entries and borders grow with it
    std::vector<MenuItem> items;
};

struct MenuChoice {
    int menuId = -1;  // -1: nothing chosen
    int index = -1;   // entry index within that menu
    bool chosen() const { return menuId >= 0 && index >= 0; }
};

// ---------------------------------------------------------------- text field

struct TextFieldSpec {
    Rect rect;  // window coordinates
    std::string text;
    FontSpec font;
    Color textColor{0, 0, 0, 255};
    Color backColor{255, 255, 255, 255};
    HAlign align = HAlign::Left;
    int maxLength = 255;  // bytes
};

class TextFieldListener {
public:
    virtual ~TextFieldListener() = default;
    // Editing ended by Enter (enter = true) or by losing keyboard focus. Called
    // once per field; the listener may destroy the field inside this call, so the
    // backend must not touch the field afterwards.
    virtual void textFieldEnded(bool enter) = 0;
};

// A native single-line text field over the window. Created with all text
// selected and keyboard focus; destroying it removes it.
class TextField {
public:
    virtual ~TextField() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// ---------------------------------------------------------------- window

struct DragData {
    enum class Kind { Text, Files };
    Kind kind = Kind::Files;
    std::string text;
    std::vector<std::string> files;
};

// What a window tells its owner (the toolkit's frame). Mouse points are in
// window coordinates; buttons carry the kButton* and kMod* bits at the event.
class WindowListener {
public:
    virtual ~WindowListener() = default;
    virtual void onPaint(DrawContext& context, const Rect& updateRect) = 0;
    virtual void onMouseDown(Point where, int buttons) = 0;
    virtual void onWheel(Point where, float distance, int buttons) = 0;  // +1 per notch away from the user
    virtual bool onKeyDown(const KeyEvent& key) = 0;  // true when handled
    virtual bool onKeyUp(const KeyEvent& key) = 0;
    virtual void onDragEnter(const DragData&, Point) {}
    virtual void onDragMove(const DragData&, Point) {}
    virtual void onDragLeave(const DragData&, Point) {}
    virtual void onDrop(const DragData&, Point) {}
    // The system destroyed the window (for example with its parent); it must not
    // be used for drawing any more, though the Window object stays valid.
    virtual void onWindowGone() {}
};

// A child window of the host's window. Destroying the object destroys the window.
class Window {
public:
    virtual ~Window() = default;

    virtual Rect size() const = 0;  // (0, 0, width, height)
    virtual void setSize(int width, int height) = 0;
    virtual void* nativeHandle() const = 0;  // XID, HWND, or a backend token

    // Asks for onPaint of this area at the next event pass.
    virtual void invalidate(const Rect& r) = 0;
    // A context that draws on the window now (for redraws outside onPaint).
    virtual std::unique_ptr<DrawContext> createContext() = 0;

    // Delivers pending input and paint events to the listener. Called from the
    // editor's idle.
    virtual void processEvents() = 0;
    // Handles at most one pending paint request (and nothing else); used while a
    // control tracks the mouse. True when something was painted.
    virtual bool pumpOnePaint() = 0;

    // Current state, read when asked: buttons held (kButton*) and modifiers (kMod*).
    virtual int mouseButtons() = 0;
    // Current pointer position in window coordinates.
    virtual Point mousePosition() = 0;

    // Shows a pop-up menu with its top-left corner at `at` (window coordinates) and
    // tracks it until the user chooses or cancels. trackButton is the button that
    // opened it (kButtonLeft or kButtonRight).
    virtual MenuChoice popupMenu(const Menu& menu, Point at, int trackButton) = 0;

    // Opens a single-line text field; null when the backend cannot.
    virtual std::unique_ptr<TextField> createTextField(const TextFieldSpec& desc,
                                                       TextFieldListener* listener) = 0;
};

// ---------------------------------------------------------------- backend

class Backend {
public:
    virtual ~Backend() = default;

    // A child of the given native parent window (XID, HWND; a headless backend
    // accepts anything). Null on failure.
    virtual std::unique_ptr<Window> createWindow(void* parent, int width, int height,
                                                 WindowListener* listener) = 0;
    // A context that draws into an image (off-screen drawing). The image must
    // outlive the context.
    virtual std::unique_ptr<DrawContext> createImageContext(Image& target) = 0;

    // Milliseconds from an arbitrary start, wrapping at 2^32.
    virtual uint32_t ticks() = 0;
    virtual void sleep(int milliseconds) = 0;
    // Longest gap between the clicks of a double click, at least 250 ms.
    virtual int doubleClickTime() = 0;

    // The scale factor the desktop asks for on the screen of this parent window
    // (null: the default screen), or 0 when it says nothing.
    virtual double systemScale(void* parent) {
        (void)parent;
        return 0.0;
    }
    // The size in pixels of the screen (or monitor) the parent window is on; false
    // when unknown.
    virtual bool screenSize(void* parent, int& width, int& height) {
        (void)parent; (void)width; (void)height;
        return false;
    }
};

// The backend in use. Until one is installed, a fallback that opens no windows
// and draws nothing, with the real clock, keeps callers safe.
Backend& backend();
// Installs a backend (not owned; null returns to the fallback).
void setBackend(Backend* b);

// Defined by the system backend library the module links (x11 or win32) and by no
// other; the plug-in's entry installs it with setBackend(&systemBackend()).
Backend& systemBackend();

}  // namespace platform
}  // namespace moltaro
