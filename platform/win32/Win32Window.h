#pragma once
// One editor window on Win32: a child of the host's window, of the module's own window
// class "Plugin%p". The toolkit draws into the window's surface in memory (a DIB
// section); paint messages copy it to the screen, after the toolkit has redrawn what it
// invalidated.

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32Surface.h"

namespace moltaro::platform::win32 {

class Win32Window;
class Win32TextField;
class DropTarget;

// What outlives a window for the objects that refer to it (contexts, the text field,
// the drop target): they check `window` before using it.
struct WindowLink {
    Win32Window* window = nullptr;
};

class Win32Window final : public Window {
public:
    // Null when the parent is not a window or the system refuses.
    static std::unique_ptr<Win32Window> create(HWND parent, int width, int height, WindowListener* listener);
    ~Win32Window() override;

    Rect size() const override { return Rect{0, 0, width, height}; }
    void setSize(int width, int height) override;
    void* nativeHandle() const override { return hwnd; }
    void invalidate(const Rect& r) override;
    std::unique_ptr<DrawContext> createContext() override;
    void processEvents() override;
    bool pumpOnePaint() override;
    int mouseButtons() override;
    Point mousePosition() override;
    MenuChoice popupMenu(const Menu& menu, Point at, int trackButton) override;
    std::unique_ptr<TextField> createTextField(const TextFieldSpec& desc, TextFieldListener* listener) override;

    HWND handle() const { return hwnd; }
    bool alive() const { return hwnd != nullptr && !gone; }
    IDropTarget* dropTarget() const;
    HWND textFieldHandle() const;
    WindowListener* windowListener() const { return listener; }
    // Copies an area of the surface to the screen (after drawing outside a paint).
    void present(const Rect& r);
    void textFieldGone(Win32TextField* field);

    // The window class's procedure: hands each message to the window in the user data.
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    Win32Window() = default;
    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam);
    bool paintDirty();
    void mouseDown(int button, WPARAM wParam, LPARAM lParam);
    bool measureMenuItem(MEASUREITEMSTRUCT& item);
    bool drawMenuItem(const DRAWITEMSTRUCT& item);

    HWND hwnd = nullptr;
    bool gone = false;
    bool destroying = false;
    bool oleReady = false;
    WindowListener* listener = nullptr;
    int width = 0, height = 0;
    std::shared_ptr<Surface> surface;
    std::shared_ptr<WindowLink> link = std::make_shared<WindowLink>();
    DropTarget* drop = nullptr;
    Win32TextField* field = nullptr;
    Rect dirty;
    bool painting = false;
    // While a click is delivered, the first polls report the click itself: the button
    // may be up again by the time a tracking loop asks.
    bool pressButtonsFresh = false;
    bool pressPointFresh = false;
    int pressButtons = 0;
    Point pressPoint;
};

// Window class registration, counted by the windows that use it. Registering reads
// whether the system swaps the mouse buttons (readButtonSwap).
bool acquireWindowClass();
void releaseWindowClass();
void readButtonSwap();

}  // namespace moltaro::platform::win32
