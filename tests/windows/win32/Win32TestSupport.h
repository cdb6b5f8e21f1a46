#pragma once
// Helpers of the Win32 backend suite: a host window to be the parent, a listener that
// records what a window tells it, message pumping, and reading back what a window shows.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32Backend.h"

namespace win32test {

namespace pf = moltaro::platform;

inline LRESULT CALLBACK hostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

// A visible top-level window standing in for the host's, destroyed at the end.
class HostWindow {
public:
    HostWindow(int width = 400, int height = 360) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MoltaroBackendTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClassA(&wc);
        hwnd = CreateWindowA("MoltaroBackendTestHost", "backend test", WS_POPUP | WS_VISIBLE, 10, 10, width, height,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(hwnd);
    }
    ~HostWindow() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND hwnd;
};

// Delivers the thread's pending messages for about `milliseconds`.
inline void pump(int milliseconds = 50) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

// Records the listener calls; each can be given something to do.
class RecordingListener : public pf::WindowListener {
public:
    std::vector<pf::Rect> paints;
    std::vector<std::pair<pf::Point, int>> downs;
    std::vector<std::pair<pf::Point, float>> wheels;
    std::vector<std::string> drags;  // "enter", "move", "leave", "drop" with the point
    pf::DragData lastDrag;
    int gone = 0;
    pf::Color paintColor{200, 40, 40, 255};
    std::function<void(pf::Point, int)> onDown;

    void onPaint(pf::DrawContext& context, const pf::Rect& r) override {
        paints.push_back(r);
        context.fillRect(r, paintColor);
    }
    void onMouseDown(pf::Point where, int buttons) override {
        downs.emplace_back(where, buttons);
        if (onDown) onDown(where, buttons);
    }
    void onWheel(pf::Point where, float distance, int) override { wheels.emplace_back(where, distance); }
    bool onKeyDown(const pf::KeyEvent&) override { return false; }
    bool onKeyUp(const pf::KeyEvent&) override { return false; }
    void onDragEnter(const pf::DragData& d, pf::Point p) override { drag("enter", d, p); }
    void onDragMove(const pf::DragData& d, pf::Point p) override { drag("move", d, p); }
    void onDragLeave(const pf::DragData& d, pf::Point p) override { drag("leave", d, p); }
    void onDrop(const pf::DragData& d, pf::Point p) override { drag("drop", d, p); }
    void onWindowGone() override { ++gone; }

private:
    void drag(const char* what, const pf::DragData& d, pf::Point p) {
        drags.push_back(std::string(what) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
        lastDrag = d;
    }
};

// What a window shows, as 0x00RRGGBB, read from its device context.
inline std::vector<uint32_t> capture(HWND window, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = GetDC(window);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + width * height);
    for (auto& p : out) p &= 0xffffff;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    ReleaseDC(window, dc);
    return out;
}

inline uint32_t rgb(pf::Color c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }

}  // namespace win32test
