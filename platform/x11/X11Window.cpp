#include "X11Window.h"

#include "Utf8.h"
#include "X11Keys.h"
#include "X11PopupMenu.h"
#include "X11TextField.h"
#include "platform/cairo/CairoDrawing.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <map>

namespace moltaro::platform::x11 {

namespace {

constexpr uint32_t kWindowFill = 0xfff0f0f0u;  // shown until the toolkit paints

// Draws into the window's image and copies what it touched to the window when it
// goes, so drawing outside a paint pass shows at once. Must not outlive the window.
class WindowContext final : public DrawContext {
public:
    WindowContext(X11Window& w, cairo_surface_t* surface, Image* image)
        : window(w), inner(std::make_unique<cairodraw::CairoDrawContext>(surface, image)) {}
    ~WindowContext() override {
        inner.reset();
        window.present(damaged);
    }

    void setClip(const Rect& r) override { inner->setClip(r); }
    void resetClip() override { inner->resetClip(); }
    Rect getClip() const override { return inner->getClip(); }

    void fillRect(const Rect& r, Color c) override {
        sync();
        inner->fillRect(r, c);
        damage(r);
    }
    void frameRect(const Rect& r, Color c, int w) override {
        sync();
        inner->frameRect(r, c, w);
        damage(r);
    }
    void drawLine(Point a, Point b, Color c, int w) override {
        sync();
        inner->drawLine(a, b, c, w);
        const int pad = std::max(1, w);
        damage(Rect{std::min(a.x, b.x) - pad, std::min(a.y, b.y) - pad, std::max(a.x, b.x) + pad + 1,
                    std::max(a.y, b.y) + pad + 1});
    }
    void fillEllipse(const Rect& r, Color c) override {
        sync();
        inner->fillEllipse(r, c);
        damage(r);
    }
    void frameEllipse(const Rect& r, Color c, int w) override {
        sync();
        inner->frameEllipse(r, c, w);
        damage(r);
    }
    void drawImage(const Image& image, const Rect& dest, Point src) override {
        sync();
        inner->drawImage(image, dest, src);
        damage(dest);
    }
    void drawImageTransparent(const Image& image, const Rect& dest, Point src, Color key) override {
        sync();
        inner->drawImageTransparent(image, dest, src, key);
        damage(dest);
    }
    void drawImageAlpha(const Image& image, const Rect& dest, Point src, uint8_t alpha) override {
        sync();
        inner->drawImageAlpha(image, dest, src, alpha);
        damage(dest);
    }
    void drawText(const std::string& text, const Rect& r, const FontSpec& font, Color color, HAlign align,
                  const Color* background) override {
        sync();
        inner->drawText(text, r, font, color, align, background);
        damage(r);
    }
    int textWidth(const std::string& text, const FontSpec& font) override { return inner->textWidth(text, font); }

private:
    void sync() { inner->setOffset(drawOffset); }
    void damage(const Rect& r) {
        damaged = damaged.unite(r.offset(drawOffset.x, drawOffset.y).intersect(inner->getClip()));
    }

    X11Window& window;
    std::unique_ptr<cairodraw::CairoDrawContext> inner;
    Rect damaged;
};

// The platform's text field over an X11 one.
class TextFieldHandle final : public platform::TextField {
public:
    explicit TextFieldHandle(std::unique_ptr<EditField> f) : field(std::move(f)) {}
    std::string text() const override { return field->text(); }
    void setText(const std::string& t) override { field->setText(t); }

private:
    std::unique_ptr<EditField> field;
};

// Gives each menu of a tree a place in a flat list, submenus referring to theirs by index.
void flattenMenu(const platform::Menu& menu, std::vector<const platform::Menu*>& order, std::vector<MenuList>& out,
                 std::map<const platform::Menu*, int>& seen) {
    const int index = static_cast<int>(out.size());
    seen[&menu] = index;
    order.push_back(&menu);
    out.emplace_back();
    std::vector<MenuEntry> entries;
    for (const MenuItem& item : menu.items) {
        MenuEntry e;
        e.text = sanitizeUtf8(item.text);
        switch (item.kind) {
        case MenuItem::Kind::Normal: e.kind = MenuEntry::Kind::item; break;
        case MenuItem::Kind::Separator: e.kind = MenuEntry::Kind::separator; break;
        case MenuItem::Kind::Title: e.kind = MenuEntry::Kind::title; break;
        case MenuItem::Kind::Greyed: e.kind = MenuEntry::Kind::item; e.greyed = true; break;
        }
        e.checked = item.checked;
        e.columnBreak = item.columnBreak;
        if (item.submenu && e.kind == MenuEntry::Kind::item) {
            auto it = seen.find(item.submenu.get());
            if (it != seen.end()) {
                e.submenu = it->second;
            } else {
                e.submenu = static_cast<int>(out.size());
                flattenMenu(*item.submenu, order, out, seen);
            }
        }
        entries.push_back(std::move(e));
    }
    out[index].entries = std::move(entries);
}

}  // namespace

std::unique_ptr<X11Window> X11Window::create(::Window parent, int w, int h, WindowListener* listener) {
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384)
        return nullptr;
    Connection* c = Connection::acquire();
    if (!c)
        return nullptr;
    std::unique_ptr<X11Window> x(new X11Window(*c));  // releases the connection if we give up
    x->listener = listener;
    x->width = w;
    x->height = h;
    x->topLevel = parent == 0;

    Display* d = c->display();
    XSetWindowAttributes attrs{};
    attrs.background_pixmap = None;  // we paint everything; no flash of a background
    attrs.border_pixel = 0;
    attrs.colormap = DefaultColormap(d, c->screen());
    attrs.bit_gravity = NorthWestGravity;
    attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask |
                       StructureNotifyMask;
    ErrorTrap trap(*c);
    x->win = XCreateWindow(d, x->topLevel ? c->root() : parent, 0, 0, static_cast<unsigned>(w),
                           static_cast<unsigned>(h), 0, DefaultDepth(d, c->screen()), InputOutput,
                           DefaultVisual(d, c->screen()),
                           CWBackPixmap | CWBorderPixel | CWColormap | CWBitGravity | CWEventMask, &attrs);
    if (trap.failed()) {
        // Typically a parent id that names no window.
        if (x->win) {
            ErrorTrap cleanup(*c);
            XDestroyWindow(d, x->win);
            cleanup.failed();
        }
        x->win = 0;
        return nullptr;
    }
    if (x->topLevel)
        x->topLevelSetup(w, h);
    if (!x->makeBacking())
        return nullptr;
    c->addTarget(x->win, x.get());
    XMapWindow(d, x->win);
    XFlush(d);
    x->dirty = Rect{0, 0, w, h};
    return x;
}

void X11Window::topLevelSetup(int w, int h) {
    Display* d = conn.display();
    XStoreName(d, win, "Moltaro");
    XClassHint classHint;
    char name[] = "moltaro";
    char className[] = "Moltaro";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(d, win, &classHint);
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = w;
        hints->min_height = hints->max_height = h;
        XSetWMNormalHints(d, win, hints);
        XFree(hints);
    }
    Atom deleteAtom = conn.atom("WM_DELETE_WINDOW");
    XSetWMProtocols(d, win, &deleteAtom, 1);
}

X11Window::~X11Window() {
    if (win) {
        conn.removeTarget(win);
        dropBacking();
        blitter.reset();
        ErrorTrap trap(conn);
        if (!gone)
            XDestroyWindow(conn.display(), win);
        trap.failed();  // the host may have destroyed our window along with its own
    }
    conn.release();
}

bool X11Window::makeBacking() {
    backing = Image(width, height, kWindowFill);
    backingSurface = cairodraw::wrapImage(backing, true);
    if (!blitter)
        blitter = std::make_unique<Blitter>(conn, win);
    return backingSurface && cairo_surface_status(backingSurface) == CAIRO_STATUS_SUCCESS;
}

void X11Window::dropBacking() {
    if (backingSurface)
        cairo_surface_destroy(backingSurface);
    backingSurface = nullptr;
}

void X11Window::setSize(int w, int h) {
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || (w == width && h == height))
        return;
    dropBacking();
    width = w;
    height = h;
    if (!gone) {
        ErrorTrap trap(conn);
        XResizeWindow(conn.display(), win, static_cast<unsigned>(w), static_cast<unsigned>(h));
        trap.failed();
    }
    makeBacking();
    dirty = Rect{0, 0, w, h};
}

void* X11Window::nativeHandle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(win)); }

void X11Window::invalidate(const Rect& r) { dirty = dirty.unite(r.intersect(Rect{0, 0, width, height})); }

std::unique_ptr<DrawContext> X11Window::createContext() {
    return std::make_unique<WindowContext>(*this, backingSurface, &backing);
}

bool X11Window::paintDirty() {
    if (dirty.isEmpty() || painting || !listener)
        return false;
    painting = true;
    const Rect area = dirty;
    dirty = Rect{};  // what onPaint invalidates again is kept for the next pass
    {
        cairodraw::CairoDrawContext context(backingSurface, &backing);
        context.setClip(area);
        listener->onPaint(context, area);
    }
    painting = false;
    present(area);
    return true;
}

void X11Window::present(const Rect& r) {
    const Rect area = r.intersect(Rect{0, 0, width, height});
    if (area.isEmpty() || !alive() || !blitter || !backingSurface)
        return;
    conn.claimErrors();
    blitter->put(backingSurface, area.left, area.top, area.width(), area.height());
    XFlush(conn.display());
}

void X11Window::processEvents() {
    conn.pump();
    paintDirty();
}

bool X11Window::pumpOnePaint() {
    if (!alive())
        return false;
    conn.claimErrors();
    XEvent event;
    while (XCheckTypedWindowEvent(conn.display(), win, Expose, &event)) {
        const XExposeEvent& e = event.xexpose;
        exposed = exposed.unite(Rect{e.x, e.y, e.x + e.width, e.y + e.height});
    }
    bool painted = paintDirty();
    if (!exposed.isEmpty()) {
        present(exposed);
        exposed = Rect{};
        painted = true;
    }
    return painted;
}

int X11Window::mouseButtons() {
    if (!alive())
        return 0;  // lets a tracking loop end when the window has gone
    if (pressButtonsFresh) {
        pressButtonsFresh = false;
        return pressButtons;
    }
    Connection::PointerState p = conn.queryPointer(win);
    return p.valid ? p.buttons : 0;
}

Point X11Window::mousePosition() {
    if (!alive())
        return Point{};
    if (pressPointFresh) {
        pressPointFresh = false;
        return pressPoint;
    }
    Connection::PointerState p = conn.queryPointer(win);
    return Point{p.x, p.y};
}

platform::MenuChoice X11Window::popupMenu(const platform::Menu& menu, Point at, int trackButton) {
    platform::MenuChoice choice;
    if (!alive() || menu.items.empty())
        return choice;
    PopupRequest request;
    std::vector<const platform::Menu*> order;
    std::map<const platform::Menu*, int> seen;
    flattenMenu(menu, order, request.menus, seen);
    int ox = 0, oy = 0;
    if (!conn.windowOrigin(win, ox, oy))
        return choice;
    request.screenX = ox + at.x;
    request.screenY = oy + at.y;
    request.openingButtons = trackButton;
    request.scale = menu.scale;
    request.idle = [this] { paintDirty(); };
    MenuPick picked = runPopupMenu(conn, request);
    if (picked.chosen()) {
        choice.menuId = order[picked.menu]->id;
        choice.index = picked.entry;
    }
    return choice;
}

std::unique_ptr<platform::TextField> X11Window::createTextField(const TextFieldSpec& desc, TextFieldListener* fieldListener) {
    if (!alive())
        return nullptr;
    TextFieldLook look;
    look.font = desc.font;
    look.align = desc.align;
    look.text = desc.textColor;
    look.back = desc.backColor;
    const std::size_t limit = desc.maxLength > 0 ? static_cast<std::size_t>(desc.maxLength) : 255;
    auto field = EditField::create(conn, win, desc.rect.left, desc.rect.top, desc.rect.width(),
                                        desc.rect.height(), desc.text, look, limit,
                                        [fieldListener](TextFieldEnd how) {
                                            if (fieldListener)
                                                fieldListener->textFieldEnded(how == TextFieldEnd::enter);
                                        });
    if (!field)
        return nullptr;
    return std::make_unique<TextFieldHandle>(std::move(field));
}

void X11Window::handleEvent(const XEvent& event) {
    switch (event.type) {
    case Expose: {
        const XExposeEvent& e = event.xexpose;
        exposed = exposed.unite(Rect{e.x, e.y, e.x + e.width, e.y + e.height});
        if (e.count == 0) {
            paintDirty();
            present(exposed);
            exposed = Rect{};
        }
        break;
    }
    case ButtonPress: {
        const XButtonEvent& b = event.xbutton;
        const Point where{b.x, b.y};
        const int held = Connection::buttonsFromState(b.state);
        if (!listener)
            break;
        if (b.button == Button4 || b.button == Button5) {
            listener->onWheel(where, b.button == Button4 ? 1.0f : -1.0f, held);
            break;
        }
        const int button = b.button == Button1 ? kButtonLeft : b.button == Button2 ? kButtonMiddle
                         : b.button == Button3 ? kButtonRight : 0;
        if (!button)
            break;
        pressButtons = held | button;
        pressPoint = where;
        pressButtonsFresh = pressPointFresh = true;
        listener->onMouseDown(where, pressButtons);
        pressButtonsFresh = pressPointFresh = false;
        break;
    }
    case KeyPress:
    case KeyRelease: {
        if (!listener)
            break;
        XKeyEvent key = event.xkey;
        char buffer[32];
        KeySym sym = 0;
        const int n = XLookupString(&key, buffer, sizeof buffer, &sym, nullptr);
        std::string typed;
        for (int i = 0; i < n; ++i)
            appendUtf8(typed, static_cast<unsigned char>(buffer[i]));
        const KeyEvent k = translateKey(sym, key.state, typed);
        if (event.type == KeyPress)
            listener->onKeyDown(k);
        else
            listener->onKeyUp(k);
        break;
    }
    case ClientMessage:
        if (topLevel && static_cast<Atom>(event.xclient.data.l[0]) == conn.atom("WM_DELETE_WINDOW")) {
            ErrorTrap trap(conn);
            XDestroyWindow(conn.display(), win);
            trap.failed();
        }
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == win && !gone) {
            gone = true;
            conn.removeTarget(win);
            if (listener)
                listener->onWindowGone();
        }
        break;
    default:
        break;
    }
}

bool X11Window::capture(Image& out) const {
    if (!alive())
        return false;
    ErrorTrap trap(conn);
    XImage* image = XGetImage(conn.display(), win, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (trap.failed() || !image) {
        if (image)
            XDestroyImage(image);
        return false;
    }
    out = Image(width, height);
    uint32_t* p = out.pixels();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned long v = XGetPixel(image, x, y);
            p[y * width + x] = 0xff000000u | channelFromMask(v, image->red_mask) << 16 |
                               channelFromMask(v, image->green_mask) << 8 | channelFromMask(v, image->blue_mask);
        }
    XDestroyImage(image);
    return true;
}

}  // namespace moltaro::platform::x11
