#pragma once
// One editor window on X11. The toolkit draws into an image in memory (the same
// cairo code as every other backend, so the window shows exactly what the tests
// see); what was drawn is copied to the X window, and exposures are answered from
// that image without asking the toolkit.

#include "X11Blit.h"
#include "X11Connection.h"
#include "platform/Platform.h"

#include <cairo.h>

#include <memory>

namespace moltaro::platform::x11 {

class X11Window final : public Window, public EventTarget {
public:
    // Null when the display cannot be opened or the parent does not exist.
    static std::unique_ptr<X11Window> create(::Window parent, int width, int height, WindowListener* listener);
    ~X11Window() override;

    Rect size() const override { return Rect{0, 0, width, height}; }
    void setSize(int width, int height) override;
    void* nativeHandle() const override;
    void invalidate(const Rect& r) override;
    std::unique_ptr<DrawContext> createContext() override;
    void processEvents() override;
    bool pumpOnePaint() override;
    int mouseButtons() override;
    Point mousePosition() override;
    platform::MenuChoice popupMenu(const platform::Menu& menu, Point at, int trackButton) override;
    std::unique_ptr<platform::TextField> createTextField(const TextFieldSpec& desc, TextFieldListener* listener) override;

    void handleEvent(const XEvent& event) override;

    ::Window xid() const { return win; }
    bool alive() const { return win != 0 && !gone; }
    // Copies the area of the image to the window (after drawing outside onPaint).
    void present(const Rect& r);
    bool capture(Image& out) const;

private:
    explicit X11Window(Connection& c) : conn(c) {}
    bool makeBacking();
    void dropBacking();
    bool paintDirty();
    void topLevelSetup(int width, int height);

    Connection& conn;
    ::Window win = 0;
    bool topLevel = false;
    bool gone = false;
    WindowListener* listener = nullptr;
    int width = 0, height = 0;
    Image backing;                          // what the window shows
    cairo_surface_t* backingSurface = nullptr;  // over backing's pixels
    std::unique_ptr<Blitter> blitter;           // copies backing to the window
    Rect dirty;    // waiting for onPaint
    Rect exposed;  // waiting to be copied
    bool painting = false;
    // While a click is being delivered, the first polls report the click itself:
    // the button may be up again by the time the editor's idle reads the event.
    bool pressButtonsFresh = false;
    bool pressPointFresh = false;
    int pressButtons = 0;
    Point pressPoint;
};

}  // namespace moltaro::platform::x11
