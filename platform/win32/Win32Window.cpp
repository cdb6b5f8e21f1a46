#include "platform/win32/Win32Window.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32DropTarget.h"
#include "platform/win32/Win32TextField.h"

namespace moltaro::platform::win32 {

namespace {

constexpr uint32_t kWindowFill = 0x00f0f0f0u;  // shown until the toolkit paints

int windowClassCount = 0;
std::string registeredClassName;

// Draws on the window's surface; what it drew is copied to the screen when it goes.
// Safe to keep after the window has gone (it then draws into memory only).
class WindowContext final : public GdiDrawContext {
public:
    WindowContext(std::shared_ptr<Surface> s, std::shared_ptr<WindowLink> l)
        : GdiDrawContext(std::move(s)), link(std::move(l)) {}
    ~WindowContext() override {
        const Rect d = takeDamage();
        if (link->window && !d.isEmpty()) link->window->present(d);
    }

private:
    std::shared_ptr<WindowLink> link;
};

// Menu entries' texts for the menu functions, where '&' would mark a mnemonic.
std::wstring menuText(const std::string& utf8) {
    std::wstring out;
    for (wchar_t c : widen(utf8)) {
        out += c;
        if (c == L'&') out += L'&';
    }
    return out;
}

struct MenuBuild {
    std::vector<MenuChoice> commands;                   // by command number - 1
    std::vector<std::unique_ptr<std::wstring>> titles;  // texts of the owner-drawn titles
};

HMENU buildMenu(const Menu& menu, MenuBuild& build, int depth) {
    HMENU h = CreatePopupMenu();
    if (!h) return nullptr;
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        UINT flags = item.columnBreak ? MF_MENUBARBREAK : 0;
        const std::wstring text = menuText(item.text);
        if (item.kind == MenuItem::Kind::Separator) {
            AppendMenuW(h, flags | MF_SEPARATOR, 0, nullptr);
        } else if (item.kind == MenuItem::Kind::Title) {
            // Drawn by the window (WM_MEASUREITEM, WM_DRAWITEM): bold, never chosen.
            build.titles.push_back(std::make_unique<std::wstring>(text));
            AppendMenuW(h, flags | MF_OWNERDRAW | MF_DISABLED, 0,
                        reinterpret_cast<LPCWSTR>(build.titles.back().get()));
        } else if (item.submenu && item.kind == MenuItem::Kind::Normal && depth < 16) {
            HMENU sub = buildMenu(*item.submenu, build, depth + 1);
            if (sub) AppendMenuW(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
        } else {
            build.commands.push_back(MenuChoice{menu.id, static_cast<int>(i)});
            if (item.kind == MenuItem::Kind::Greyed) flags |= MF_GRAYED;
            if (item.checked) flags |= MF_CHECKED;
            AppendMenuW(h, flags | MF_STRING, build.commands.size(), text.c_str());
        }
    }
    return h;
}

HFONT menuFont(bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    if (bold) metrics.lfMenuFont.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

int modifierBits(WPARAM keys) {
    int bits = 0;
    if (keys & MK_SHIFT) bits |= kModShift;
    if (keys & MK_CONTROL) bits |= kModControl;
    if (GetKeyState(VK_MENU) < 0) bits |= kModAlt;
    return bits;
}

int buttonBits(WPARAM keys) {
    int bits = 0;
    if (keys & MK_LBUTTON) bits |= kButtonLeft;
    if (keys & MK_MBUTTON) bits |= kButtonMiddle;
    if (keys & MK_RBUTTON) bits |= kButtonRight;
    return bits;
}

}  // namespace

// ---------------------------------------------------------------- window class

bool acquireWindowClass() {
    if (windowClassCount++ > 0) return true;
    registeredClassName = windowClassName();
    readButtonSwap();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = &Win32Window::windowProc;
    wc.hInstance = moduleHandle();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = registeredClassName.c_str();
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        --windowClassCount;
        return false;
    }
    return true;
}

void releaseWindowClass() {
    if (windowClassCount <= 0 || --windowClassCount > 0) return;
    UnregisterClassA(registeredClassName.c_str(), moduleHandle());
}

int windowClassUsers() { return windowClassCount; }

// ---------------------------------------------------------------- window

std::unique_ptr<Win32Window> Win32Window::create(HWND parent, int w, int h, WindowListener* listener) {
    if (!parent || !IsWindow(parent) || w <= 0 || h <= 0 || w > 16384 || h > 16384) return nullptr;
    std::unique_ptr<Win32Window> win(new Win32Window);
    win->listener = listener;
    win->width = w;
    win->height = h;
    win->surface = Surface::create(w, h, kWindowFill);
    if (!win->surface || !acquireWindowClass()) return nullptr;
    win->link->window = win.get();
    win->hwnd = CreateWindowExA(0, windowClassName().c_str(), "Window",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, w, h, parent,
                                nullptr, moduleHandle(), win.get());
    if (!win->hwnd) {
        win->link->window = nullptr;
        releaseWindowClass();
        return nullptr;
    }
    // Drag and drop needs OLE on this thread; a host that chose another COM model for
    // it gets a window without drops.
    const HRESULT ole = OleInitialize(nullptr);
    win->oleReady = SUCCEEDED(ole);
    if (win->oleReady) {
        win->drop = new DropTarget(win->link);
        if (RegisterDragDrop(win->hwnd, win->drop) != S_OK) {
            win->drop->Release();
            win->drop = nullptr;
        }
    }
    win->dirty = Rect{0, 0, w, h};
    InvalidateRect(win->hwnd, nullptr, FALSE);
    return win;
}

Win32Window::~Win32Window() {
    destroying = true;
    if (field) field->detach();
    if (drop) {
        if (hwnd && !gone) RevokeDragDrop(hwnd);
        drop->Release();
        drop = nullptr;
    }
    if (hwnd) {
        if (!gone) DestroyWindow(hwnd);
        releaseWindowClass();
    }
    if (oleReady) OleUninitialize();
    link->window = nullptr;
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ScopedPerMonitorDpi aware;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (!self->hwnd) self->hwnd = hwnd;  // messages sent during CreateWindowEx
    // The window object may be destroyed inside a handler (the host closing the editor
    // during a click): nothing of it is touched after message() returns.
    return self->message(message, wParam, lParam);
}

LRESULT Win32Window::message(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY: {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (drop) RevokeDragDrop(hwnd);
        gone = true;
        if (!destroying && listener) listener->onWindowGone();
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the surface covers everything
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const Rect area = dirty;
        std::shared_ptr<WindowLink> keep = link;
        const bool painted = paintDirty();
        if (!keep->window) return 0;  // gone while painting
        const Rect update{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
        if (dc && surface)
            BitBlt(dc, update.left, update.top, update.width(), update.height(), surface->dc, update.left,
                   update.top, SRCCOPY);
        EndPaint(hwnd, &ps);
        // A repaint that reached beyond the area the system asked for is shown too.
        const Rect inside = area.intersect(update);
        if (painted && (inside.left != area.left || inside.top != area.top || inside.right != area.right ||
                        inside.bottom != area.bottom))
            present(area);
        return 0;
    }
    case WM_LBUTTONDOWN:
        mouseDown(kButtonLeft, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        mouseDown(kButtonRight, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        mouseDown(kButtonMiddle, wParam, lParam);
        return 0;
    case WM_MOUSEWHEEL: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};  // screen coordinates
        ScreenToClient(hwnd, &p);
        const WPARAM keys = GET_KEYSTATE_WPARAM(wParam);
        if (listener)
            listener->onWheel(Point{p.x, p.y}, GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<float>(WHEEL_DELTA),
                              buttonBits(keys) | modifierBits(keys));
        return 0;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && measureMenuItem(*item)) return TRUE;
        break;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && drawMenuItem(*item)) return TRUE;
        break;
    }
    case WM_CTLCOLOREDIT:
        if (field && reinterpret_cast<HWND>(lParam) == field->handle()) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, field->textColor());
            SetBkColor(dc, field->backColor());
            return reinterpret_cast<LRESULT>(field->brush());
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Win32Window::mouseDown(int button, WPARAM wParam, LPARAM lParam) {
    if (!listener) return;
    const Point where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    pressButtons = (buttonBits(wParam) | button) | modifierBits(wParam);
    pressPoint = where;
    pressButtonsFresh = pressPointFresh = true;
    std::shared_ptr<WindowLink> keep = link;
    listener->onMouseDown(where, pressButtons);
    if (!keep->window) return;
    pressButtonsFresh = pressPointFresh = false;
}

bool Win32Window::measureMenuItem(MEASUREITEMSTRUCT& item) {
    const auto* text = reinterpret_cast<const std::wstring*>(item.itemData);
    if (!text) return false;
    HDC dc = GetDC(hwnd);
    HFONT font = menuFont(true);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, text->c_str(), static_cast<int>(text->size()), &size);
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    ReleaseDC(hwnd, dc);
    item.itemWidth = static_cast<UINT>(size.cx + 8);
    item.itemHeight = static_cast<UINT>(std::max<LONG>(size.cy + 4, GetSystemMetrics(SM_CYMENU)));
    return true;
}

bool Win32Window::drawMenuItem(const DRAWITEMSTRUCT& item) {
    const auto* text = reinterpret_cast<const std::wstring*>(item.itemData);
    if (!text) return false;
    RECT box = item.rcItem;
    FillRect(item.hDC, &box, GetSysColorBrush(COLOR_MENU));
    HFONT font = menuFont(true);
    HGDIOBJ old = font ? SelectObject(item.hDC, font) : nullptr;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_MENUTEXT));
    box.left += 4;
    DrawTextW(item.hDC, text->c_str(), static_cast<int>(text->size()), &box,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    if (old) SelectObject(item.hDC, old);
    if (font) DeleteObject(font);
    return true;
}

void Win32Window::setSize(int w, int h) {
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || (w == width && h == height)) return;
    auto replacement = Surface::create(w, h, kWindowFill);
    if (!replacement) return;
    surface = std::move(replacement);
    width = w;
    height = h;
    if (alive()) SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    invalidate(Rect{0, 0, w, h});
}

void Win32Window::invalidate(const Rect& r) {
    const Rect area = r.intersect(Rect{0, 0, width, height});
    if (area.isEmpty()) return;
    dirty = dirty.unite(area);
    if (alive()) {
        RECT rc{area.left, area.top, area.right, area.bottom};
        InvalidateRect(hwnd, &rc, FALSE);
    }
}

std::unique_ptr<DrawContext> Win32Window::createContext() { return std::make_unique<WindowContext>(surface, link); }

bool Win32Window::paintDirty() {
    if (dirty.isEmpty() || painting || !listener) return false;
    painting = true;
    const Rect area = dirty;
    dirty = Rect{};  // what onPaint invalidates again is kept for the next pass
    std::shared_ptr<WindowLink> keep = link;
    {
        GdiDrawContext context(surface);
        context.setClip(area);
        listener->onPaint(context, area);
    }
    if (!keep->window) return true;
    painting = false;
    return true;
}

void Win32Window::present(const Rect& r) {
    const Rect area = r.intersect(Rect{0, 0, width, height});
    if (area.isEmpty() || !alive() || !surface) return;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    GdiFlush();
    BitBlt(dc, area.left, area.top, area.width(), area.height(), surface->dc, area.left, area.top, SRCCOPY);
    ReleaseDC(hwnd, dc);
}

void Win32Window::processEvents() {
    // Input arrives through the host's message loop; paint what the toolkit asked for.
    if (dirty.isEmpty() || !alive()) return;
    std::shared_ptr<WindowLink> keep = link;
    UpdateWindow(hwnd);
    if (!keep->window || dirty.isEmpty()) return;
    // No paint message came (the system had validated the area): paint and show it.
    const Rect area = dirty;
    if (paintDirty() && keep->window) present(area);
}

bool Win32Window::pumpOnePaint() {
    // One pending paint message of the thread (the host's windows included), so that
    // everything stays drawn while a control tracks the mouse.
    std::shared_ptr<WindowLink> keep = link;
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        DispatchMessageA(&msg);
        return true;
    }
    if (!keep->window || dirty.isEmpty() || !alive()) return false;
    const Rect area = dirty;
    if (!paintDirty() || !keep->window) return false;
    present(area);
    return true;
}

int Win32Window::mouseButtons() {
    if (!alive()) return 0;  // lets a tracking loop end when the window has gone
    if (pressButtonsFresh) {
        pressButtonsFresh = false;
        return pressButtons;
    }
    return asyncButtons();
}

Point Win32Window::mousePosition() {
    if (!alive()) return Point{};
    if (pressPointFresh) {
        pressPointFresh = false;
        return pressPoint;
    }
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd, &p);
    return Point{p.x, p.y};
}

MenuChoice Win32Window::popupMenu(const Menu& menu, Point at, int trackButton) {
    MenuChoice choice;
    if (!alive() || menu.items.empty()) return choice;
    MenuBuild build;
    HMENU h = buildMenu(menu, build, 0);
    if (!h) return choice;
    POINT p{at.x, at.y};
    ClientToScreen(hwnd, &p);
    const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY |
                       (trackButton == kButtonRight ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    std::shared_ptr<WindowLink> keep = link;
    const int command = TrackPopupMenu(h, flags, p.x, p.y, 0, hwnd, nullptr);
    DestroyMenu(h);
    if (!keep->window) return choice;
    if (command > 0 && static_cast<std::size_t>(command) <= build.commands.size())
        choice = build.commands[static_cast<std::size_t>(command) - 1];
    return choice;
}

std::unique_ptr<TextField> Win32Window::createTextField(const TextFieldSpec& desc, TextFieldListener* fieldListener) {
    if (!alive()) return nullptr;
    auto f = Win32TextField::create(hwnd, link, desc, fieldListener);
    if (f) field = f.get();
    return f;
}

void Win32Window::textFieldGone(Win32TextField* f) {
    if (field == f) field = nullptr;
}

IDropTarget* Win32Window::dropTarget() const { return drop; }

HWND Win32Window::textFieldHandle() const { return field ? field->handle() : nullptr; }

}  // namespace moltaro::platform::win32
