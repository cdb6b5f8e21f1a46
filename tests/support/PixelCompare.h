#pragma once
// Comparing pictures against committed references.
#include <cstdint>

#include "platform/Platform.h"

namespace testsupport {

// Counts pixels whose colour differs by more than `tolerance` in any channel.
inline int differingPixels(const moltaro::platform::Image& a, const moltaro::platform::Image& b, int tolerance) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const uint32_t p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = static_cast<int>((p >> shift) & 0xff) - static_cast<int>((q >> shift) & 0xff);
                if (d > tolerance || d < -tolerance) {
                    ++count;
                    break;
                }
            }
        }
    return count;
}

}  // namespace testsupport
