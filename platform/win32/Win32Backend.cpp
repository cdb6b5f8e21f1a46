#include "platform/win32/Win32Backend.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Window.h"

namespace moltaro::platform::win32 {

namespace {

bool swappedButtons = false;

BOOL CALLBACK collectNumber(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<int>*>(list)->push_back(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    return TRUE;
}

}  // namespace

// ---------------------------------------------------------------- backend

Win32Backend::Win32Backend() { registerModuleBitmaps(); }

std::unique_ptr<Window> Win32Backend::createWindow(void* parent, int width, int height, WindowListener* listener) {
    ScopedPerMonitorDpi aware;
    return Win32Window::create(static_cast<HWND>(parent), width, height, listener);
}

namespace {

// A function of user32 that older systems may lack (null then), as a plain pointer
// for the caller to cast to its type.
void (*user32Function(const char* name))() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<void (*)()>(GetProcAddress(user32, name)) : nullptr;
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then the first version of it.
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<intptr_t>(-4));
void* const kPerMonitor = reinterpret_cast<void*>(static_cast<intptr_t>(-3));

}  // namespace

ScopedPerMonitorDpi::ScopedPerMonitorDpi() {
    using SetContext = void*(WINAPI*)(void*);
    static const auto set = reinterpret_cast<SetContext>(user32Function("SetThreadDpiAwarenessContext"));
    if (!set) return;
    previous = set(kPerMonitorV2);
    if (!previous) previous = set(kPerMonitor);
}

ScopedPerMonitorDpi::~ScopedPerMonitorDpi() {
    using SetContext = void*(WINAPI*)(void*);
    static const auto set = reinterpret_cast<SetContext>(user32Function("SetThreadDpiAwarenessContext"));
    if (set && previous) set(previous);
}

double Win32Backend::systemScale(void* parent) {
    using WindowContext = void*(WINAPI*)(HWND);
    using Awareness = int(WINAPI*)(void*);
    using WindowDpi = UINT(WINAPI*)(HWND);
    static const auto contextOf = reinterpret_cast<WindowContext>(user32Function("GetWindowDpiAwarenessContext"));
    static const auto awarenessOf = reinterpret_cast<Awareness>(user32Function("GetAwarenessFromDpiAwarenessContext"));
    static const auto dpiOf = reinterpret_cast<WindowDpi>(user32Function("GetDpiForWindow"));
    HWND window = static_cast<HWND>(parent);
    if (window && IsWindow(window) && contextOf && awarenessOf && dpiOf) {
        // An unaware host is enlarged by Windows as a whole, the editor with it.
        if (awarenessOf(contextOf(window)) == 0) return 0.0;
        const UINT dpi = dpiOf(window);
        return dpi > 0 ? dpi / 96.0 : 0.0;
    }
    ScopedPerMonitorDpi aware;
    HDC screen = GetDC(nullptr);
    if (!screen) return 0.0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi / 96.0 : 0.0;
}

bool Win32Backend::screenSize(void* parent, int& width, int& height) {
    ScopedPerMonitorDpi aware;
    HWND window = static_cast<HWND>(parent);
    HMONITOR monitor = window && IsWindow(window) ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                                  : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoA(monitor, &info)) return false;
    width = info.rcWork.right - info.rcWork.left;
    height = info.rcWork.bottom - info.rcWork.top;
    return width > 0 && height > 0;
}

std::unique_ptr<DrawContext> Win32Backend::createImageContext(Image& target) {
    return win32::createImageContext(target);
}

uint32_t Win32Backend::ticks() { return GetTickCount(); }

void Win32Backend::sleep(int milliseconds) {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

int Win32Backend::doubleClickTime() {
    const UINT t = GetDoubleClickTime();
    return t < 250 ? 250 : static_cast<int>(t);
}

// ---------------------------------------------------------------- module

HINSTANCE moduleHandle() {
    static HINSTANCE module = [] {
        HMODULE h = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&moduleHandle), &h);
        return static_cast<HINSTANCE>(h);
    }();
    return module;
}

std::string windowClassName() {
    char name[64];
    std::snprintf(name, sizeof name, "Plugin%p", static_cast<void*>(moduleHandle()));
    return name;
}

// ---------------------------------------------------------------- input

void readButtonSwap() { swappedButtons = GetSystemMetrics(SM_SWAPBUTTON) != 0; }

int asyncButtons() {
    auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    // The asynchronous state is that of the physical buttons.
    int buttons = 0;
    if (down(VK_LBUTTON)) buttons |= swappedButtons ? kButtonRight : kButtonLeft;
    if (down(VK_MBUTTON)) buttons |= kButtonMiddle;
    if (down(VK_RBUTTON)) buttons |= swappedButtons ? kButtonLeft : kButtonRight;
    if (down(VK_SHIFT)) buttons |= kModShift;
    if (down(VK_CONTROL)) buttons |= kModControl;
    if (down(VK_MENU)) buttons |= kModAlt;
    return buttons;
}

// ---------------------------------------------------------------- bitmaps

bool readBitmapResource(HINSTANCE module, int id, Image& out) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!found) return false;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!data || size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    const long w = header.biWidth, h = header.biHeight < 0 ? -static_cast<long>(header.biHeight) : header.biHeight;
    const int bits = header.biBitCount;
    if (header.biSize < sizeof header || header.biSize > size || w <= 0 || h <= 0 || w > 32767 || h > 32767 ||
        header.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return false;
    const std::size_t colours = bits <= 8 ? (header.biClrUsed ? header.biClrUsed : (1u << bits)) : 0;
    const std::size_t paletteAt = header.biSize, pixelsAt = paletteAt + 4 * colours;
    const std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    if (colours > 256 || pixelsAt > size || stride * static_cast<std::size_t>(h) > size - pixelsAt) return false;
    const bool bottomUp = header.biHeight > 0;

    std::vector<uint32_t> argb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    bool anyAlpha = false;
    for (long y = 0; y < h; ++y) {
        const uint8_t* row = data + pixelsAt + stride * static_cast<std::size_t>(bottomUp ? h - 1 - y : y);
        for (long x = 0; x < w; ++x) {
            uint32_t p = 0;
            if (bits == 32) {
                p = static_cast<uint32_t>(row[4 * x]) | row[4 * x + 1] << 8 | row[4 * x + 2] << 16 |
                    static_cast<uint32_t>(row[4 * x + 3]) << 24;
                anyAlpha = anyAlpha || (p >> 24) != 0;
            } else if (bits == 24) {
                p = 0xff000000u | row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
            } else {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index < colours) {
                    const uint8_t* c = data + paletteAt + 4 * index;
                    p = 0xff000000u | c[0] | c[1] << 8 | c[2] << 16;
                }
            }
            argb[static_cast<std::size_t>(y) * w + x] = p;
        }
    }
    // A 32-bit bitmap whose fourth bytes are all zero carries no alpha: it is opaque.
    if (bits == 32 && !anyAlpha)
        for (auto& p : argb) p |= 0xff000000u;
    Image image(static_cast<int>(w), static_cast<int>(h));
    uint32_t* px = image.pixels();
    for (std::size_t i = 0; i < argb.size(); ++i) {
        const uint32_t p = argb[i], a = p >> 24;
        auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
        px[i] = a << 24 | mul((p >> 16) & 0xff) << 16 | mul((p >> 8) & 0xff) << 8 | mul(p & 0xff);
    }
    out = std::move(image);
    return true;
}

int registerModuleBitmaps() {
    static const int registered = [] {
        std::vector<int> ids;
        EnumResourceNamesA(moduleHandle(), reinterpret_cast<LPCSTR>(RT_BITMAP), &collectNumber,
                           reinterpret_cast<LONG_PTR>(&ids));
        int count = 0;
        for (int id : ids) {
            auto image = std::make_shared<Image>();
            if (!readBitmapResource(moduleHandle(), id, *image)) continue;
            registerBitmapResource(id, std::move(image));
            ++count;
        }
        return count;
    }();
    return registered;
}

// ---------------------------------------------------------------- windows

HWND windowHandle(const Window& window) {
    const auto* w = dynamic_cast<const Win32Window*>(&window);
    return w ? w->handle() : nullptr;
}

IDropTarget* dropTargetOf(const Window& window) {
    const auto* w = dynamic_cast<const Win32Window*>(&window);
    return w ? w->dropTarget() : nullptr;
}

HWND textFieldHandle(const Window& window) {
    const auto* w = dynamic_cast<const Win32Window*>(&window);
    return w ? w->textFieldHandle() : nullptr;
}

}  // namespace moltaro::platform::win32

namespace moltaro::platform {

Backend& systemBackend() {
    static win32::Win32Backend instance;
    return instance;
}

}  // namespace moltaro::platform
