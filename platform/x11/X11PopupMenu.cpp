#include "X11PopupMenu.h"

#include "X11Blit.h"
#include "platform/cairo/CairoDrawing.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace moltaro::platform::x11 {

namespace {

constexpr int kMoveThreshold = 3;  // pixels the pointer may wander before a release chooses

void selectMenuFont(cairo_t* cr, bool bold, double scale) {
    FontSpec font;
    font.family = FontFamily::Sans;
    font.sizePx = static_cast<int>(std::lround(12 * scale));
    font.style = bold ? kFontBold : 0;
    cairodraw::selectFont(cr, font);
}

double advance(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

class Tracker;

// One open menu window: the top menu or a submenu.
struct Level : EventTarget {
    Tracker* owner = nullptr;
    int menu = -1;     // index into the request's menus
    int parentEntry = -1;  // entry of the level below that opened this one
    ::Window window = 0;
    cairo_surface_t* surface = nullptr;  // the menu drawn in memory
    std::unique_ptr<Blitter> blitter;
    MenuGeometry geometry;
    int x = 0, y = 0;  // screen position
    int highlight = -1;

    void handleEvent(const XEvent& event) override;
    bool contains(int rx, int ry) const {
        return rx >= x && rx < x + geometry.width && ry >= y && ry < y + geometry.height;
    }
};

class Tracker {
public:
    Tracker(Connection& c, const PopupRequest& r) : conn(c), req(r), k(r.scale > 0 ? r.scale : 1.0) {
        const auto grow = [&](int& v) { v = static_cast<int>(std::lround(v * k)); };
        for (int* v : {&metrics.itemHeight, &metrics.separatorHeight, &metrics.border, &metrics.checkGutter,
                       &metrics.rightGutter, &metrics.tabGap, &metrics.minWidth})
            grow(*v);
        measureSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        measureContext = cairo_create(measureSurface);
        Display* d = conn.display();
        screenWidth = DisplayWidth(d, conn.screen());
        screenHeight = DisplayHeight(d, conn.screen());
    }
    ~Tracker() {
        while (!levels.empty())
            closeTop();
        cairo_destroy(measureContext);
        cairo_surface_destroy(measureSurface);
    }

    MenuPick run();
    void handle(Level& level, const XEvent& event);

private:
    bool openLevel(int menu, int parentEntry, int x, int y, int flipX);
    void closeTop();
    void closeAbove(std::size_t keep);
    void draw(Level& level);
    void setHighlight(Level& level, int entry);
    void pointerMoved(int rx, int ry);
    void buttonReleased(int rx, int ry);
    void keyPressed(XKeyEvent& key);
    void openSubmenuOf(std::size_t levelIndex, bool selectFirst);
    void choose(const Level& level, int entry);
    int levelAt(int rx, int ry) const;
    const MenuList& menuOf(const Level& l) const { return req.menus[l.menu]; }

    Connection& conn;
    const PopupRequest& req;
    std::vector<std::unique_ptr<Level>> levels;
    MenuPick result;
    bool done = false;
    bool waitingForOpeningRelease = false;
    bool moved = false;
    int startX = 0, startY = 0;
    int screenWidth = 0, screenHeight = 0;
    const double k;  // scale factor
    MenuMetrics metrics;
    cairo_surface_t* measureSurface = nullptr;
    cairo_t* measureContext = nullptr;
};

void Level::handleEvent(const XEvent& event) { owner->handle(*this, event); }

bool Tracker::openLevel(int menu, int parentEntry, int x, int y, int flipX) {
    if (menu < 0 || menu >= static_cast<int>(req.menus.size()))
        return false;
    for (const auto& l : levels)
        if (l->menu == menu)
            return false;  // a menu cannot contain itself
    auto level = std::make_unique<Level>();
    level->owner = this;
    level->menu = menu;
    level->parentEntry = parentEntry;
    TextMeasure measure = [this](const std::string& text, bool bold) {
        selectMenuFont(measureContext, bold, k);
        return advance(measureContext, text);
    };
    level->geometry = layoutMenu(req.menus[menu], measure, metrics, screenHeight);
    const int w = level->geometry.width, h = level->geometry.height;
    if (x + w > screenWidth && flipX >= 0)
        x = flipX - w;
    fitOnScreen(x, y, w, h, screenWidth, screenHeight);
    level->x = x;
    level->y = y;

    Display* d = conn.display();
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.save_under = True;
    attrs.background_pixel = WhitePixel(d, conn.screen());
    attrs.border_pixel = 0;
    attrs.colormap = DefaultColormap(d, conn.screen());
    attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                       KeyPressMask;
    Visual* visual = DefaultVisual(d, conn.screen());
    level->window = XCreateWindow(d, conn.root(), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                                  DefaultDepth(d, conn.screen()), InputOutput, visual,
                                  CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWBorderPixel |
                                      CWColormap | CWEventMask,
                                  &attrs);
    level->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    level->blitter = std::make_unique<Blitter>(conn, level->window);
    conn.addTarget(level->window, level.get());
    XMapRaised(d, level->window);
    levels.push_back(std::move(level));
    return true;
}

void Tracker::closeTop() {
    std::unique_ptr<Level> level = std::move(levels.back());
    levels.pop_back();
    conn.removeTarget(level->window);
    cairo_surface_destroy(level->surface);
    level->blitter.reset();
    XDestroyWindow(conn.display(), level->window);
}

void Tracker::closeAbove(std::size_t keep) {
    while (levels.size() > keep)
        closeTop();
}

int Tracker::levelAt(int rx, int ry) const {
    for (int i = static_cast<int>(levels.size()) - 1; i >= 0; --i)
        if (levels[i]->contains(rx, ry))
            return i;
    return -1;
}

void Tracker::draw(Level& level) {
    const MenuList& menu = menuOf(level);
    const MenuGeometry& g = level.geometry;
    cairo_t* cr = cairo_create(level.surface);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_paint(cr);
    const double line = std::floor(k);
    cairo_set_line_width(cr, line);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    cairo_rectangle(cr, line / 2, line / 2, g.width - line, g.height - line);
    cairo_stroke(cr);
    // Lines between columns.
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
    for (std::size_t c = 1; c < g.columnStarts.size(); ++c) {
        const double lx = g.boxes[g.columnStarts[c]].x - std::floor(2 * k) - line / 2;
        cairo_move_to(cr, lx, metrics.border);
        cairo_line_to(cr, lx, g.height - metrics.border);
        cairo_stroke(cr);
    }
    for (std::size_t i = 0; i < menu.entries.size(); ++i) {
        const MenuEntry& e = menu.entries[i];
        const EntryBox& b = g.boxes[i];
        const double cy = b.y + b.height / 2.0;
        if (e.kind == MenuEntry::Kind::separator) {
            cairo_set_source_rgb(cr, 0.72, 0.72, 0.72);
            cairo_move_to(cr, b.x + 4 * k, std::floor(cy) + line / 2);
            cairo_line_to(cr, b.x + b.width - 4 * k, std::floor(cy) + line / 2);
            cairo_stroke(cr);
            continue;
        }
        const bool lit = static_cast<int>(i) == level.highlight && isSelectable(e);
        if (lit) {
            cairo_set_source_rgb(cr, 0.19, 0.39, 0.78);
            cairo_rectangle(cr, b.x, b.y, b.width, b.height);
            cairo_fill(cr);
        }
        if (lit)
            cairo_set_source_rgb(cr, 1, 1, 1);
        else if (e.greyed)
            cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
        else
            cairo_set_source_rgb(cr, 0, 0, 0);
        if (e.checked) {
            cairo_save(cr);
            cairo_set_line_width(cr, 1.6 * k);
            cairo_move_to(cr, b.x + 6 * k, cy);
            cairo_line_to(cr, b.x + 9 * k, cy + 3.5 * k);
            cairo_line_to(cr, b.x + 15 * k, cy - 4 * k);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        if (e.submenu >= 0) {
            const double ax = b.x + b.width - 12 * k;
            cairo_move_to(cr, ax, cy - 4 * k);
            cairo_line_to(cr, ax + 4 * k, cy);
            cairo_line_to(cr, ax, cy + 4 * k);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
        selectMenuFont(cr, e.kind == MenuEntry::Kind::title, k);
        cairo_font_extents_t fe;
        cairo_font_extents(cr, &fe);
        const double baseline = std::floor(cy + (fe.ascent - fe.descent) / 2.0 + 0.5);
        const auto tab = e.text.find('\t');
        cairo_move_to(cr, b.x + metrics.checkGutter, baseline);
        cairo_show_text(cr, e.text.substr(0, tab).c_str());
        if (tab != std::string::npos) {
            const std::string second = e.text.substr(tab + 1);
            cairo_move_to(cr, b.x + b.width - metrics.rightGutter - advance(cr, second), baseline);
            cairo_show_text(cr, second.c_str());
        }
    }
    cairo_destroy(cr);
    level.blitter->put(level.surface, 0, 0, g.width, g.height);
}

void Tracker::setHighlight(Level& level, int entry) {
    if (entry >= 0 && !isSelectable(menuOf(level).entries[entry]))
        entry = -1;
    if (entry == level.highlight)
        return;
    level.highlight = entry;
    draw(level);
}

void Tracker::openSubmenuOf(std::size_t index, bool selectFirst) {
    Level& level = *levels[index];
    const int entry = level.highlight;
    if (entry < 0)
        return;
    const int sub = menuOf(level).entries[entry].submenu;
    if (levels.size() > index + 1 && levels[index + 1]->parentEntry == entry && levels[index + 1]->menu == sub)
        return;  // already open
    closeAbove(index + 1);
    if (sub < 0)
        return;
    const EntryBox& b = level.geometry.boxes[entry];
    // Beside the parent, overlapping its frame, with the first entry level with this one.
    if (!openLevel(sub, entry, level.x + level.geometry.width - metrics.border, level.y + b.y - metrics.border,
                   level.x + metrics.border))
        return;
    Level& child = *levels.back();
    if (selectFirst)
        child.highlight = stepSelection(menuOf(child), -1, 1);
}

void Tracker::choose(const Level& level, int entry) {
    result.menu = level.menu;
    result.entry = entry;
    done = true;
}

void Tracker::pointerMoved(int rx, int ry) {
    if (std::abs(rx - startX) + std::abs(ry - startY) > kMoveThreshold)
        moved = true;
    const int li = levelAt(rx, ry);
    if (li < 0) {
        // Outside every menu: the deepest one forgets its highlight unless it leads on.
        Level& top = *levels.back();
        setHighlight(top, -1);
        return;
    }
    Level& level = *levels[li];
    const int entry = level.geometry.entryAt(rx - level.x, ry - level.y);
    setHighlight(level, entry);
    if (level.highlight >= 0 && menuOf(level).entries[level.highlight].submenu >= 0)
        openSubmenuOf(static_cast<std::size_t>(li), false);
    else
        closeAbove(static_cast<std::size_t>(li) + 1);
}

void Tracker::buttonReleased(int rx, int ry) {
    const bool opening = waitingForOpeningRelease;
    waitingForOpeningRelease = false;
    const int li = levelAt(rx, ry);
    if (li < 0)
        return;
    Level& level = *levels[li];
    const int entry = level.geometry.entryAt(rx - level.x, ry - level.y);
    if (entry < 0 || !isSelectable(menuOf(level).entries[entry]))
        return;
    if (opening && !moved)
        return;  // the click that opened the menu: it stays open for a second click
    if (menuOf(level).entries[entry].submenu >= 0) {
        setHighlight(level, entry);
        openSubmenuOf(static_cast<std::size_t>(li), false);
        return;
    }
    choose(level, entry);
}

void Tracker::keyPressed(XKeyEvent& key) {
    const KeySym sym = XLookupKeysym(&key, 0);
    Level& level = *levels.back();
    const MenuList& menu = menuOf(level);
    switch (sym) {
    case XK_Escape:
        if (levels.size() > 1)
            closeTop();
        else
            done = true;
        break;
    case XK_Up:
    case XK_KP_Up:
        setHighlight(level, stepSelection(menu, level.highlight, -1));
        break;
    case XK_Down:
    case XK_KP_Down:
        setHighlight(level, stepSelection(menu, level.highlight, 1));
        break;
    case XK_Home:
        setHighlight(level, stepSelection(menu, -1, 1));
        break;
    case XK_End:
        setHighlight(level, stepSelection(menu, -1, -1));
        break;
    case XK_Right:
    case XK_KP_Right:
        if (level.highlight >= 0 && menu.entries[level.highlight].submenu >= 0) {
            openSubmenuOf(levels.size() - 1, true);
            draw(*levels.back());
        } else if (level.highlight >= 0) {
            const int n = neighbourColumnEntry(menu, level.geometry, level.highlight, 1);
            if (n >= 0)
                setHighlight(level, n);
        }
        break;
    case XK_Left:
    case XK_KP_Left: {
        const int n = level.highlight >= 0 ? neighbourColumnEntry(menu, level.geometry, level.highlight, -1) : -1;
        if (n >= 0)
            setHighlight(level, n);
        else if (levels.size() > 1)
            closeTop();
        break;
    }
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
        if (level.highlight >= 0) {
            if (menu.entries[level.highlight].submenu >= 0) {
                openSubmenuOf(levels.size() - 1, true);
                draw(*levels.back());
            } else {
                choose(level, level.highlight);
            }
        }
        break;
    default:
        break;
    }
}

void Tracker::handle(Level& level, const XEvent& event) {
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0)
            draw(level);
        break;
    case MotionNotify:
        pointerMoved(event.xmotion.x_root, event.xmotion.y_root);
        break;
    case ButtonPress:
        if (event.xbutton.button > 3)
            break;  // wheel steps
        if (levelAt(event.xbutton.x_root, event.xbutton.y_root) < 0)
            done = true;  // a click anywhere else dismisses the menu
        break;
    case ButtonRelease:
        if (event.xbutton.button <= 3)
            buttonReleased(event.xbutton.x_root, event.xbutton.y_root);
        break;
    case KeyPress: {
        XKeyEvent key = event.xkey;
        keyPressed(key);
        break;
    }
    default:
        break;
    }
}

MenuPick Tracker::run() {
    Display* d = conn.display();
    if (req.menus.empty())
        return result;
    Connection::PointerState start = conn.queryPointer(conn.root());
    startX = start.rootX;
    startY = start.rootY;
    waitingForOpeningRelease = (start.buttons & 7) != 0;
    // Mapped and grabbed in one go, so that no click falls between the two.
    if (!openLevel(0, -1, req.screenX, req.screenY, -1))
        return result;

    // The grabs bring every click and key to the menu (reported to the top menu's
    // window; positions are taken from the screen coordinates), so that a click
    // elsewhere can dismiss it and the keys reach it wherever the focus is.
    const ::Window grabWindow = levels.front()->window;
    bool pointerGrabbed = false;
    for (int attempt = 0; attempt < 20 && !pointerGrabbed; ++attempt) {
        pointerGrabbed = XGrabPointer(d, grabWindow, False,
                                      ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                      GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
        if (!pointerGrabbed)
            sleepMs(5);
    }
    const bool keyboardGrabbed =
        XGrabKeyboard(d, grabWindow, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    int previousButtons = start.buttons & 7;

    while (!done) {
        while (!done && XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            bool ours = false;
            for (const auto& l : levels)
                ours = ours || l->window == event.xany.window;
            if (ours) {
                conn.dispatch(event);
                continue;
            }
            switch (event.type) {
            case ButtonPress:
                // Without a grab: a click in another window of ours. With one, only a
                // press from before the menu opened can arrive here; it is stale.
                if (!pointerGrabbed && event.xbutton.button <= 3)
                    done = true;
                break;
            case KeyPress:
                handle(*levels.front(), event);  // without a grab the focus may be elsewhere
                break;
            case ButtonRelease:
            case MotionNotify:
            case KeyRelease:
            case EnterNotify:
            case LeaveNotify:
                break;  // input meant for the menu; no other window acts on it meanwhile
            default:
                conn.dispatch(event);
                break;
            }
        }
        if (done)
            break;
        if (!pointerGrabbed) {
            // No grab: watch the buttons so that a press elsewhere still dismisses us.
            Connection::PointerState p = conn.queryPointer(conn.root());
            const int pressed = p.buttons & 7 & ~previousButtons;
            previousButtons = p.buttons & 7;
            if (pressed && levelAt(p.rootX, p.rootY) < 0)
                break;
        }
        if (req.idle)
            req.idle();
        XFlush(d);
        if (!done && XPending(d) == 0)
            sleepMs(10);
    }

    if (pointerGrabbed)
        XUngrabPointer(d, CurrentTime);
    if (keyboardGrabbed)
        XUngrabKeyboard(d, CurrentTime);
    closeAbove(0);
    XFlush(d);
    return result;
}

}  // namespace

MenuPick runPopupMenu(Connection& connection, const PopupRequest& request) {
    connection.claimErrors();
    Tracker tracker(connection, request);
    return tracker.run();
}

}  // namespace moltaro::platform::x11
