#pragma once
// Four-lane float and two-lane double vectors (GCC/Clang vector extensions). Every
// operation is the same IEEE operation lane by lane, so vector code gives exactly the
// samples of the scalar code it replaces.

#include <cstring>

namespace moltaro {

typedef float v4f __attribute__((vector_size(16)));
typedef double v2d __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));

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

// Two Biquads (see Blocks.h) run side by side in the lanes of a v2d.
struct BiquadPair {
    v2d b0, b1, b2, a1, a2, x1, x2, y1, y2, offset, x0, y0;

    template <typename B>
    void load(const B& l, const B& r) {
        b0 = v2d{l.b0, r.b0}; b1 = v2d{l.b1, r.b1}; b2 = v2d{l.b2, r.b2};
        a1 = v2d{l.a1, r.a1}; a2 = v2d{l.a2, r.a2};
        x0 = v2d{l.x0, r.x0}; x1 = v2d{l.x1, r.x1}; x2 = v2d{l.x2, r.x2};
        y0 = v2d{l.y0, r.y0}; y1 = v2d{l.y1, r.y1}; y2 = v2d{l.y2, r.y2};
        offset = v2d{l.offset, r.offset};
    }
    template <typename B>
    void save(B& l, B& r) const {
        l.x0 = x0[0]; l.x1 = x1[0]; l.x2 = x2[0]; l.y0 = y0[0]; l.y1 = y1[0]; l.y2 = y2[0];
        r.x0 = x0[1]; r.x1 = x1[1]; r.x2 = x2[1]; r.y0 = y0[1]; r.y1 = y1[1]; r.y2 = y2[1];
        l.offset = offset[0];
        r.offset = offset[1];
    }
    // Runs m samples: x = in(i), out(i, y). Two samples per step, so that the
    // alternating offset needs no sign flips and the state no moves.
    template <typename In, typename Out>
    inline void run(int m, In in, Out out) {
        const v2d offA = -offset, offB = offset;   // offsets of even and odd samples
        v2d lx1 = x1, lx2 = x2, ly1 = y1, ly2 = y2, lx0 = x0, ly0 = y0;
        int i = 0;
        for (; i + 2 <= m; i += 2) {
            const v2d xa = in(i) + offA;
            const v2d ya = b0 * xa + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
            const v2d y1a = ya + offA;
            out(i, ya);
            const v2d xb = in(i + 1) + offB;
            const v2d yb = b0 * xb + b1 * xa + b2 * lx1 - a1 * y1a - a2 * ly1;
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
    inline void process2(v2d xa, v2d xb, v2d& ya, v2d& yb) {
        const v2d offA = -offset;
        const v2d x0a = xa + offA;
        ya = b0 * x0a + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        const v2d y1a = ya + offA;
        x0 = xb + offset;
        y0 = b0 * x0 + b1 * x0a + b2 * x1 - a1 * y1a - a2 * y1;
        yb = y0;
        x2 = x0a; x1 = x0; y2 = y1a; y1 = y0 + offset;
    }
    inline v2d process(v2d x) {
        offset = -offset;
        x0 = x + offset;
        y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x0; y2 = y1; y1 = y0 + offset;
        return y0;
    }
};

}  // namespace moltaro
