#pragma once
// Helpers for the cores that run their network a stretch of samples at a time
// (Arena, Cathedral): every line there only feeds back into itself through a delay
// of well over one stretch, so each line (and each all-pass stage) can be run over
// the whole stretch in turn and produces exactly the samples of a per-sample loop.
//
// Taps are kept as delays behind the shared write index; positions are formed once
// per run of samples in which no index wraps, so the inner loops need no masking.

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

// One Schroeder all-pass stage with coefficient g, run over x[0..m) in place:
// v = line[p - delay] - g*x; line[p] = x + g*v; output v. A stage "with -c" is
// this stage with g = -c (negation is exact, so the samples are the same).
// p0 is the write position of x[0].
inline void allpassStretch(float* line, int delay, float g, float* x, int m, int p0) {
    int i = 0;
    while (i < m) {
        const int p = (p0 + i) & kMask16k;
        const int r = (p - delay) & kMask16k;
        int len = runWithin(m - i, p, 16384);
        len = runWithin(len, r, 16384);
        float* wr = line + p;
        const float* rd = line + r;
        float* xs = x + i;
        for (int j = 0; j < len; ++j) {
            const float v = rd[j] - g * xs[j];
            wr[j] = xs[j] + g * v;
            xs[j] = v;
        }
        i += len;
    }
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
