#pragma once
// The Win32 backend: the editor's window is a child of the host's window (the HWND
// given to effEditOpen), drawn with GDI into a DIB section kept in memory and copied
// to the window. Input arrives as the window's messages, which the host's message loop
// delivers; button state is read with GetAsyncKeyState. The bitmaps are the module's
// numbered BITMAP resources.

#include <windows.h>
#include <ole2.h>

#include <string>

#include "platform/Platform.h"

namespace moltaro::platform::win32 {

class Win32Backend final : public Backend {
public:
    // Registers the module's bitmaps (registerModuleBitmaps) for the toolkit.
    Win32Backend();

    // parent: the host's HWND. Null when it is not a window.
    std::unique_ptr<Window> createWindow(void* parent, int width, int height, WindowListener* listener) override;
    std::unique_ptr<DrawContext> createImageContext(Image& target) override;
    uint32_t ticks() override;
    void sleep(int milliseconds) override;
    int doubleClickTime() override;
    // The parent window's DPI over 96, when the host draws it DPI-aware (a host
    // Windows enlarges by itself gets 0: nothing to do for us); without the newer
    // calls, the screen's DPI.
    double systemScale(void* parent) override;
    // The work area of the monitor the parent window is on.
    bool screenSize(void* parent, int& width, int& height) override;
};

// Makes the calling thread per-monitor DPI aware for the lifetime of the object (on
// systems that know of it), as the editor's window procedure runs.
class ScopedPerMonitorDpi {
public:
    ScopedPerMonitorDpi();
    ~ScopedPerMonitorDpi();
    ScopedPerMonitorDpi(const ScopedPerMonitorDpi&) = delete;
    ScopedPerMonitorDpi& operator=(const ScopedPerMonitorDpi&) = delete;

private:
    void* previous = nullptr;
};

// The module (DLL or program) this code is linked into, whose resources it uses.
HINSTANCE moduleHandle();

// Registers every BITMAP resource of the module with the platform's bitmap table under
// its number, the first time it is called; answers how many there are.
int registerModuleBitmaps();
// Reads one BITMAP resource of a module into an image; false when there is none or it is
// of a kind not handled (1-, 4-, 8-, 24- and 32-bit uncompressed bitmaps are).
bool readBitmapResource(HINSTANCE module, int id, Image& out);

// The window class of this module's editor windows, "Plugin" and the module handle,
// and how many windows use it now (it is registered while that is above 0).
std::string windowClassName();
int windowClassUsers();

// Buttons as the toolkit counts them (kButton*, kMod*), read from the asynchronous key
// state, the physical buttons swapped back when the system swaps them.
int asyncButtons();

// The HWND of a window of this backend (null for other windows).
HWND windowHandle(const Window& window);
// The drop target registered for a window of this backend (null when OLE could not be
// initialised for the thread, or for other windows). Tests drive it directly.
IDropTarget* dropTargetOf(const Window& window);
// The native edit control of the window's open text field, null when none is open.
HWND textFieldHandle(const Window& window);

}  // namespace moltaro::platform::win32
