#pragma once
// A DIB section selected into a memory device context for as long as the surface
// lives: a window's picture in memory, shared by every context that draws on it (a
// bitmap can be selected into one device context only, and a control may hold a
// context on the window while a paint message is handled).

#include <windows.h>

#include <memory>

#include "platform/win32/Win32Drawing.h"

namespace moltaro::platform::win32 {

struct Surface {
    std::shared_ptr<Dib> dib;
    HDC dc = nullptr;

    // Null when the system refuses the bitmap or the device context.
    static std::shared_ptr<Surface> create(int width, int height, uint32_t fill);
    static std::shared_ptr<Surface> over(std::shared_ptr<Dib> dib);
    ~Surface();

private:
    HGDIOBJ previous = nullptr;
};

}  // namespace moltaro::platform::win32
