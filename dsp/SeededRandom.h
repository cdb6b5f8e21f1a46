#pragma once
// The setup routines' jitter generator: a 32-bit linear congruential state whose
// draws are (x >> 16) & 0x7fff. Seeded with 31767, a setup always yields the same taps.
#include <cstdint>

namespace moltaro {

struct SeededRandom {
    uint32_t x = 31767;
    explicit SeededRandom(uint32_t seed = 31767) : x(seed) {}
    int next() {
        x = x * 214013u + 2531011u;
        return static_cast<int>((x >> 16) & 0x7fffu);
    }
};

}  // namespace moltaro
