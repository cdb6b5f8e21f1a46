#pragma once
// Helpers for the cores that run their network a stretch of samples at a time
// (Arena, Cathedral): every line there only feeds back into itself through a delay
// of well over one stretch, so each line (and each all-pass stage) can be run over
// the whole stretch in turn and produces exactly the samples of a per-sample loop.
//
// Taps are kept as delays behind the shared write index; positions are formed once
// per run of samples in which no index wraps, so the inner loops need no masking.

#include <array>
#include <cstddef>

#include "Blocks.h"

namespace moltaro {

// Samples per stretch; the scratch buffers of the cores hold this many.
constexpr int kStretch = 128;

// Length of the next run, at most `want`, in which position `pos` on a line of
// `size` samples does not wrap.
inline int runWithin(int want, int pos, int size) {
    const int room = size - pos;
    return room < want ? room : want;
}

// Delay (samples behind write index w) of the tap that a setup creates for a
// delay constant d: tap = trunc(w - d + size) & mask, so a fractional d reads
// ceil(d) samples back.
inline int delayOfTap16k(int w, double d) { return (w - tap16k(w, d)) & kMask16k; }
inline int delayOfTap64k(int w, double d) { return (w - tap64k(w, d)) & kMask64k; }

// Splits [0, m) into runs in which no tap position wraps and calls
// body(i, len, at16, at64) for each: at16[k] is the position `behind16[k]` samples
// behind write position p0 + i on the 16384-sample lines, at64[k] the position
// `behind64[k]` samples behind q0 + i on the 65536-sample lines.
template <std::size_t N16, std::size_t N64, class Body>
inline void forEachRun(int m, int p0, const std::array<int, N16>& behind16, int q0,
                       const std::array<int, N64>& behind64, Body&& body) {
    int i = 0;
    while (i < m) {
        int len = m - i;
        std::array<int, N16> at16;
        std::array<int, N64> at64;
        const int p = (p0 + i) & kMask16k, q = (q0 + i) & kMask64k;
        for (std::size_t k = 0; k < N16; ++k) {
            at16[k] = (p - behind16[k]) & kMask16k;
            len = runWithin(len, at16[k], 16384);
        }
        for (std::size_t k = 0; k < N64; ++k) {
            at64[k] = (q - behind64[k]) & kMask64k;
            len = runWithin(len, at64[k], 65536);
        }
        body(i, len, at16, at64);
        i += len;
    }
}

// One Schroeder all-pass stage with coefficient g, run over x[0..m) in place:
// v = line[p - delay] - g*x; line[p] = x + g*v; output v. A stage "with -c" is
// this stage with g = -c (negation is exact, so the samples are the same).
// p0 is the write position of x[0].
inline void allpassStretch(float* line, int delay, float g, float* x, int m, int p0) {
    forEachRun(m, p0, std::array<int, 2>{0, delay}, 0, std::array<int, 0>{},
               [&](int i, int len, const std::array<int, 2>& at, const std::array<int, 0>&) {
                   float* wr = line + at[0];
                   const float* rd = line + at[1];
                   float* xs = x + i;
                   for (int j = 0; j < len; ++j) {
                       const float v = rd[j] - g * xs[j];
                       wr[j] = xs[j] + g * v;
                       xs[j] = v;
                   }
               });
}

// Four stages in a row with the signs +c, -c, +c, -c.
inline void allpassCascadeStretch(float* const lines[4], const int delays[4], float c, float* x,
                                  int m, int p0) {
    allpassStretch(lines[0], delays[0], c, x, m, p0);
    allpassStretch(lines[1], delays[1], -c, x, m, p0);
    allpassStretch(lines[2], delays[2], c, x, m, p0);
    allpassStretch(lines[3], delays[3], -c, x, m, p0);
}

}  // namespace moltaro
