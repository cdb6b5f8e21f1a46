#pragma once
// Four-lane float and two-lane double vectors (GCC/Clang vector extensions). Every
// operation is the same IEEE operation lane by lane, so vector code gives exactly the
// samples of the scalar code it replaces.

#include <cstring>

// The 32-byte vectors are used only inside functions compiled for AVX2, never passed
// between differently compiled code; the compiler's note on their ABI does not apply.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace moltaro {

typedef float v4f __attribute__((vector_size(16)));
typedef double v2d __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));
// Eight floats and four doubles: only for the wide paths below.
typedef float v8f __attribute__((vector_size(32)));
typedef double v4d __attribute__((vector_size(32)));

// Wide paths (eight float lanes, AVX2) run where the processor has them, on x86-64
// outside Windows (where the compiler cannot keep the stack aligned for them). They do
// the same operations lane by lane, so they give the same samples as the narrow ones.
//
// Every function that takes or returns a 32-byte vector is always inlined (MOLTARO_INLINE):
// a call from the AVX2 code to one compiled without AVX2 would pass the vector
// differently on each side.
#define MOLTARO_INLINE inline __attribute__((always_inline))
#define MOLTARO_LAMBDA __attribute__((always_inline))   // after a lambda's parameters
#if defined(__x86_64__) && !defined(_WIN32)
#define MOLTARO_WIDE_VECTORS 1
inline bool wideVectorsAvailable() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#else
#define MOLTARO_WIDE_VECTORS 0
inline bool wideVectorsAvailable() { return false; }
#endif

inline v4f load4(const float* p) {
    v4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store4(float* p, v4f v) { std::memcpy(p, &v, sizeof v); }
inline v4f splat4(float x) { return v4f{x, x, x, x}; }
inline v2d splat2(double x) { return v2d{x, x}; }

// Rows a, b, c, d (four samples of four lines) become columns (one sample of four lines).
inline void transpose4(v4f& a, v4f& b, v4f& c, v4f& d) {
    const v4f t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const v4f t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const v4f t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const v4f t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// The same for eight rows of eight: r[q][t] becomes r[t][q].
MOLTARO_INLINE void transpose8(v8f r[8]) {
    v8f t[8], u[8];
    for (int k = 0; k < 4; ++k) {
        t[2 * k] = __builtin_shufflevector(r[2 * k], r[2 * k + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[2 * k + 1] = __builtin_shufflevector(r[2 * k], r[2 * k + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int k = 0; k < 2; ++k) {
        const v8f *a = t + 4 * k, *b = t + 4 * k + 2;
        u[4 * k] = __builtin_shufflevector(a[0], b[0], 0, 1, 8, 9, 4, 5, 12, 13);
        u[4 * k + 1] = __builtin_shufflevector(a[0], b[0], 2, 3, 10, 11, 6, 7, 14, 15);
        u[4 * k + 2] = __builtin_shufflevector(a[1], b[1], 0, 1, 8, 9, 4, 5, 12, 13);
        u[4 * k + 3] = __builtin_shufflevector(a[1], b[1], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int k = 0; k < 4; ++k) {
        r[k] = __builtin_shufflevector(u[k], u[k + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        r[k + 4] = __builtin_shufflevector(u[k], u[k + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}
MOLTARO_INLINE v8f splat8(float x) { return v8f{x, x, x, x, x, x, x, x}; }

// Biquads (see Blocks.h) run side by side, one in each lane of V (v2d or v4d).
template <typename V>
struct BiquadLanes {
    V b0, b1, b2, a1, a2, x1, x2, y1, y2, offset, x0, y0;

    template <typename... B>
    MOLTARO_INLINE void load(const B&... f) {
        b0 = V{f.b0...}; b1 = V{f.b1...}; b2 = V{f.b2...};
        a1 = V{f.a1...}; a2 = V{f.a2...};
        x0 = V{f.x0...}; x1 = V{f.x1...}; x2 = V{f.x2...};
        y0 = V{f.y0...}; y1 = V{f.y1...}; y2 = V{f.y2...};
        offset = V{f.offset...};
    }
    template <typename... B>
    MOLTARO_INLINE void save(B&... f) const {
        int k = 0;
        ((f.x0 = x0[k], f.x1 = x1[k], f.x2 = x2[k], f.y0 = y0[k], f.y1 = y1[k], f.y2 = y2[k],
          f.offset = offset[k], ++k), ...);
    }
    // Runs m samples: x = in(i), out(i, y). Two samples per step, so that the
    // alternating offset needs no sign flips and the state no moves.
    template <typename In, typename Out>
    MOLTARO_INLINE void run(int m, In in, Out out) {
        const V offA = -offset, offB = offset;   // offsets of even and odd samples
        V lx1 = x1, lx2 = x2, ly1 = y1, ly2 = y2, lx0 = x0, ly0 = y0;
        int i = 0;
        for (; i + 2 <= m; i += 2) {
            const V xa = in(i) + offA;
            const V ya = b0 * xa + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
            const V y1a = ya + offA;
            out(i, ya);
            const V xb = in(i + 1) + offB;
            const V yb = b0 * xb + b1 * xa + b2 * lx1 - a1 * y1a - a2 * ly1;
            out(i + 1, yb);
            lx2 = xa; lx1 = xb; ly2 = y1a; ly1 = yb + offB;
            lx0 = xb; ly0 = yb;
        }
        if (i < m) {
            lx0 = in(i) + offA;
            ly0 = b0 * lx0 + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
            out(i, ly0);
            lx2 = lx1; lx1 = lx0; ly2 = ly1; ly1 = ly0 + offA;
            offset = offA;
        }
        x0 = lx0; x1 = lx1; x2 = lx2; y0 = ly0; y1 = ly1; y2 = ly2;
    }
    // Two samples in a row, xa then xb: the same as two calls of process(), with the
    // offset's two sign flips cancelling.
    MOLTARO_INLINE void process2(V xa, V xb, V& ya, V& yb) {
        const V offA = -offset;
        const V x0a = xa + offA;
        ya = b0 * x0a + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        const V y1a = ya + offA;
        x0 = xb + offset;
        y0 = b0 * x0 + b1 * x0a + b2 * x1 - a1 * y1a - a2 * y1;
        yb = y0;
        x2 = x0a; x1 = x0; y2 = y1a; y1 = y0 + offset;
    }
    MOLTARO_INLINE V process(V x) {
        offset = -offset;
        x0 = x + offset;
        y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x0; y2 = y1; y1 = y0 + offset;
        return y0;
    }
};
using BiquadPair = BiquadLanes<v2d>;

}  // namespace moltaro

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
