#pragma once
// Helpers for the cores that run their network a stretch of samples at a time
// (Arena, Cathedral): every line there only feeds back into itself through a delay
// of well over one stretch, so each line (and each all-pass stage) can be run over
// the whole stretch in turn and produces exactly the samples of a per-sample loop.
//
// Taps are kept as delays behind a write position (the shared write index, or the
// position of a ring of its own, Rings.h); positions are formed once per run of samples
// in which none wraps, so the inner loops need no masking.

#include <algorithm>
#include <array>
#include <cstddef>

#include "Blocks.h"
#include "Rings.h"
#include "Simd.h"

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
// body(i, len, atA, atB) for each: atA[k] is the position `behindA[k]` samples behind
// write position pA + i on lines of sizeA samples, atB[k] the position `behindB[k]`
// samples behind pB + i on lines of sizeB samples (sizes are powers of two).
template <std::size_t NA, std::size_t NB, class Body>
inline void forEachRun(int m, int pA, int sizeA, const std::array<int, NA>& behindA, int pB, int sizeB,
                       const std::array<int, NB>& behindB, Body&& body) {
    const int maskA = sizeA - 1, maskB = sizeB - 1;
    int i = 0;
    while (i < m) {
        int len = m - i;
        std::array<int, NA> atA;
        std::array<int, NB> atB;
        const int p = (pA + i) & maskA, q = (pB + i) & maskB;
        for (std::size_t k = 0; k < NA; ++k) {
            atA[k] = (p - behindA[k]) & maskA;
            len = runWithin(len, atA[k], sizeA);
        }
        for (std::size_t k = 0; k < NB; ++k) {
            atB[k] = (q - behindB[k]) & maskB;
            len = runWithin(len, atB[k], sizeB);
        }
        body(i, len, atA, atB);
        i += len;
    }
}

// The ring for the farthest of `count` taps, for the stretches of these cores.
inline int ringForTaps(const int* behind, int count) { return ringForTaps(behind, count, kStretch); }

// Eight damped combs side by side (two groups of four lanes, so that their chains of
// dependent operations overlap) over `len` samples in which no position wraps:
// s = n + (s + (tap - s) * damp); the line takes feed + g * s. tap[k], feed[k] and wr[k]
// point at the run's first sample for comb k; state holds the eight comb states.
// Lane by lane these are the operations of one comb alone, so the samples are the same.
// With SumOut, acc[j] also takes ((acc[j] + out[0][j]) + out[1][j]) + ... + out[7][j],
// read before the sample's writes (so an output tap at least four samples back finds what
// the run wrote, and one a whole ring back what it is about to overwrite).
template <bool SumOut = false>
inline void dampedCombs8(const float* const tap[8], const float* const feed[8], float* const wr[8],
                         const float* nz, float* state, float damp, float g, int len,
                         const float* const* out = nullptr, float* acc = nullptr) {
    const v4f dampV = splat4(damp), gV = splat4(g);
    v4f a = load4(state), b = load4(state + 4);
    int j = 0;
    for (; j + 4 <= len; j += 4) {
        v4f ta[4], tb[4], fa[4], fb[4];
        for (int q = 0; q < 4; ++q) {
            ta[q] = load4(tap[q] + j);
            tb[q] = load4(tap[4 + q] + j);
            fa[q] = load4(feed[q] + j);
            fb[q] = load4(feed[4 + q] + j);
        }
        if constexpr (SumOut) {
            v4f v = load4(acc + j);
            for (int q = 0; q < 8; ++q) v = v + load4(out[q] + j);
            store4(acc + j, v);
        }
        transpose4(ta[0], ta[1], ta[2], ta[3]);
        transpose4(tb[0], tb[1], tb[2], tb[3]);
        transpose4(fa[0], fa[1], fa[2], fa[3]);
        transpose4(fb[0], fb[1], fb[2], fb[3]);
        for (int t = 0; t < 4; ++t) {
            const v4f nv = splat4(nz[j + t]);
            a = nv + (a + (ta[t] - a) * dampV);
            b = nv + (b + (tb[t] - b) * dampV);
            ta[t] = fa[t] + gV * a;
            tb[t] = fb[t] + gV * b;
        }
        transpose4(ta[0], ta[1], ta[2], ta[3]);
        transpose4(tb[0], tb[1], tb[2], tb[3]);
        for (int q = 0; q < 4; ++q) {
            store4(wr[q] + j, ta[q]);
            store4(wr[4 + q] + j, tb[q]);
        }
    }
    alignas(16) float s[8];
    store4(s, a);
    store4(s + 4, b);
    for (; j < len; ++j) {
        if constexpr (SumOut) {
            float v = acc[j];
            for (int k = 0; k < 8; ++k) v = v + out[k][j];
            acc[j] = v;
        }
        for (int k = 0; k < 8; ++k) {
            s[k] = nz[j] + (s[k] + (tap[k][j] - s[k]) * damp);
            wr[k][j] = feed[k][j] + g * s[k];
        }
    }
    for (int k = 0; k < 8; ++k) state[k] = s[k];
}

// Eight comb lines of `size` samples over a stretch of m samples (dampedCombs8 on each
// run without a wrap): comb k reads delay[k] behind write position p0 + i, and its feed
// for stretch sample i is feed(k) + i.
template <class Feed>
inline void dampedCombStretch8(float* const* lines, const int* delay, int size, Feed feed, const float* nz,
                               float* state, float damp, float g, int m, int p0) {
    std::array<int, 9> behind{};
    for (int k = 0; k < 8; ++k) behind[1 + k] = delay[k];
    forEachRun(m, p0, size, behind, 0, 1, std::array<int, 0>{},
               [&](int i, int len, const std::array<int, 9>& at, const std::array<int, 0>&) {
                   const float* tap[8];
                   const float* in[8];
                   float* wr[8];
                   for (int k = 0; k < 8; ++k) {
                       tap[k] = lines[k] + at[1 + k];
                       in[k] = feed(k) + i;
                       wr[k] = lines[k] + at[0];
                   }
                   dampedCombs8(tap, in, wr, nz + i, state, damp, g, len);
               });
}

// Splits [0, m) into runs in which none of N rings of their own (Rings.h) wraps and
// calls body(i, len, at): at[k] is the position on ring k (size[k] samples) at stretch
// sample i, starting from pos[k].
template <std::size_t N, class Body>
inline void forEachRingRun(int m, const std::array<int, N>& pos, const std::array<int, N>& size, Body&& body) {
    std::array<int, N> at = pos;
    for (int i = 0; i < m;) {
        int len = m - i;
        for (std::size_t k = 0; k < N; ++k) len = runWithin(len, at[k], size[k]);
        body(i, len, at);
        for (std::size_t k = 0; k < N; ++k) {
            at[k] += len;
            if (at[k] == size[k]) at[k] = 0;
        }
        i += len;
    }
}

// Eight comb lines on rings of their own over a stretch of m samples (dampedCombs8 on
// each run without a wrap): comb k, a ring of size[k] samples, is written at pos[k] + i
// and read delay[k] <= size[k] samples behind; its feed is read from feed[k] (a ring of
// feedSize[k] samples) at feedPos[k] + i. With outDelay, acc[i] also takes the eight
// lines' output taps, outDelay[k] (4..size[k]) behind, in line order.
inline void ringCombStretch8(float* const* lines, const int* pos, const int* size, const int* delay,
                             const float* const* feed, const int* feedPos, const int* feedSize, const float* nz,
                             float* state, float damp, float g, int m, const int* outDelay = nullptr,
                             float* acc = nullptr) {
    std::array<int, 32> at, ring;
    for (int k = 0; k < 8; ++k) {
        at[k] = pos[k];
        at[8 + k] = ringBack(pos[k], delay[k], size[k]);
        at[16 + k] = feedPos[k];
        at[24 + k] = outDelay ? ringBack(pos[k], outDelay[k], size[k]) : pos[k];
        ring[k] = ring[8 + k] = ring[24 + k] = size[k];
        ring[16 + k] = feedSize[k];
    }
    forEachRingRun(m, at, ring, [&](int i, int len, const std::array<int, 32>& p) {
        const float* tap[8];
        const float* in[8];
        const float* out[8];
        float* wr[8];
        for (int k = 0; k < 8; ++k) {
            wr[k] = lines[k] + p[k];
            tap[k] = lines[k] + p[8 + k];
            in[k] = feed[k] + p[16 + k];
            out[k] = lines[k] + p[24 + k];
        }
        if (outDelay)
            dampedCombs8<true>(tap, in, wr, nz + i, state, damp, g, len, out, acc + i);
        else
            dampedCombs8(tap, in, wr, nz + i, state, damp, g, len);
    });
}

// Writes x[0..m) into a ring of its own (size samples) from position pos on, and
// advances pos past it.
inline void writeRing(float* line, int& pos, int size, const float* x, int m) {
    forEachRingRun(m, std::array<int, 1>{pos}, std::array<int, 1>{size},
                   [&](int i, int len, const std::array<int, 1>& at) { std::copy(x + i, x + i + len, line + at[0]); });
    pos = ringAdvance(pos, m, size);
}

// acc[i] = ((0 + ring0) + ring1) + ... over `count` rings of their own, ring k (size[k]
// samples) read from position at[k] + i.
inline void sumRings(float* acc, float* const* lines, const int* at, const int* size, int count, int m) {
    for (int i = 0; i < m; ++i) acc[i] = 0.0f;
    for (int k = 0; k < count; ++k) {
        forEachRingRun(m, std::array<int, 1>{at[k]}, std::array<int, 1>{size[k]},
                       [&](int i, int len, const std::array<int, 1>& p) {
                           const float* t = lines[k] + p[0];
                           float* e = acc + i;
                           for (int j = 0; j < len; ++j) e[j] = e[j] + t[j];
                       });
    }
}

// One Schroeder all-pass stage with coefficient g, run over x[0..m) in place:
// v = line[p - delay] - g*x; line[p] = x + g*v; output v. A stage "with -c" is
// this stage with g = -c (negation is exact, so the samples are the same).
// p0 is the write position of x[0].
inline void allpassStretch(float* line, int delay, float g, float* x, int m, int p0, int size = kLen16k) {
    forEachRun(m, p0, size, std::array<int, 2>{0, delay}, 0, 1, std::array<int, 0>{},
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
                                  int m, int p0, int size = kLen16k) {
    allpassStretch(lines[0], delays[0], c, x, m, p0, size);
    allpassStretch(lines[1], delays[1], -c, x, m, p0, size);
    allpassStretch(lines[2], delays[2], c, x, m, p0, size);
    allpassStretch(lines[3], delays[3], -c, x, m, p0, size);
}

}  // namespace moltaro
