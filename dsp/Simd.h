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
    inline v2d process(v2d x) {
        offset = -offset;
        x0 = x + offset;
        y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x0; y2 = y1; y1 = y0 + offset;
        return y0;
    }
};

}  // namespace moltaro
