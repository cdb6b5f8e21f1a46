#pragma once
// Small building blocks shared by the algorithm cores. Per-sample operations are
// inline; setup-time helpers may call the math library.

#include <cmath>
#include <cstdint>
#include <cstring>

namespace moltaro {

// Why the engine is being cleared; some cores start from different values.
enum class ClearReason { Suspend, Resume, Reset };

constexpr int kMask16k = 0x3fff;
constexpr int kMask64k = 0xffff;
constexpr int kLen16k = 16384;
constexpr int kLen64k = 65536;

// A tap D samples behind write index w on a 16384-sample line: the setup's
// trunc(w - D + 16384) & mask. A fractional D reads ceil(D) samples back.
inline int tap16k(int w, double d) { return static_cast<int>(w - d + 16384.0) & kMask16k; }
// The same on a 65536-sample line.
inline int tap64k(int w, double d) { return static_cast<int>(w - d + 65536.0) & kMask64k; }
// The distance in samples between write index w and the tap created for D.
inline int tapDelay16k(int w, double d) { return (w - tap16k(w, d)) & kMask16k; }

// One-pole smoothing in the shelf form y = x + (y - x) * p, p = 0.005^(f / rate).
inline float onePoleShelf(float& y, float x, float p) {
    y = x + (y - x) * p;
    return y;
}

// First-order high-pass of the low shelf: hp = a*hp + (a + 1)*(x - x1)*0.5, x1 = x.
inline float onePoleHighpass(float& hp, float& x1, float x, float a) {
    hp = a * hp + (a + 1.0f) * (x - x1) * 0.5f;
    x1 = x;
    return hp;
}

// Three-word shift-register noise that keeps recirculating values above denormals.
struct DenormalNoise {
    uint32_t s1 = 37, s2 = 19221, s3 = 763;

    // The one-off step taken at construction.
    void seedStep() {
        s1 = (s1 << 4) ^ (((s1 >> 24) ^ (s1 >> 15)) & 0xfu);
        s2 = (s2 << 3) ^ (((s2 >> 26) ^ (s2 >> 24)) & 7u);
        s3 = (s3 << 1) ^ (((s3 >> 30) ^ (s3 >> 24)) & 1u);
    }
    // Advances the generator and returns the new noise sample (within +-1e-8).
    inline float next() {
        s1 = (s1 << 13) ^ (((s1 >> 15) ^ (s1 >> 6)) & 0x1fffu);
        s2 = (s2 << 20) ^ (((s2 >> 9) ^ (s2 >> 7)) & 0xfffffu);
        s3 = (s3 << 17) ^ (((s3 >> 14) ^ (s3 >> 8)) & 0x1ffffu);
        const uint32_t u = s1 ^ s2 ^ s3;
        return static_cast<float>((u * 2.3283064365e-10 * 2.0 - 1.0) * 1e-8);
    }
};

// Second-order filter in doubles, direct form I, with an anti-denormal offset whose
// sign flips on every sample. Types: 1 high-pass, 3 low shelf, 4 peaking, 5 band-pass,
// 6 notch, 7 high shelf, 8 low-pass, 10 all-pass (the engine uses 1 and 10); any other
// type gets all coefficients 1.
struct Biquad {
    double sampleRate = 44100.0;
    int type = 0;
    double frequency = 1000.0, q = 0.5, gainDb = 0.0;
    double offset = 1e-14;
    double a0 = 1, a1 = 0, a2 = 0, b0 = 1, b1 = 0, b2 = 0;   // a1..b2 divided by a0
    double x0 = 0, x1 = 0, x2 = 0, y0 = 0, y1 = 0, y2 = 0;

    // [setup] stores the values, resets the offset, clears the state and designs.
    void init(double rate, int filterType, double hz, double quality, double gain);
    // [setup] computes the coefficients from the stored values.
    void design();
    // [setup] new rate: designs and clears the state.
    void setSampleRate(double rate) { sampleRate = rate; design(); clear(); }
    void clear() { x0 = x1 = x2 = y0 = y1 = y2 = 0.0; }

    inline double process(double x) {
        offset = -offset;
        x0 = x + offset;
        y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x0; y2 = y1; y1 = y0 + offset;
        return y0;
    }
};

// Pre-delay and shelving EQ in front of every core: states and the coefficients the
// setup routines compute (p for the high shelf, a for the low shelf).
struct FrontEndState {
    float p = 0.0f, a = 0.0f;
    float hsL = 0.0f, hsR = 0.0f;   // high shelf states
    float hpL = 0.0f, hpR = 0.0f;   // low shelf high-pass outputs
    float y1L = 0.0f, y1R = 0.0f;   // low shelf previous inputs
    void clear() { hsL = hsR = hpL = hpR = y1L = y1R = 0.0f; }
};

// Lines that the stretch-wise cores (Hall, Plate) read as plain arrays carry a copy of
// their first kGuard samples right after their end, so that a stretch of up to kGuard
// samples starting anywhere on the line is contiguous in memory. Such a core writes
// a stretch unmasked (spilling into the copy) and then calls syncGuard.
constexpr int kGuard = 256;

// Restores the copy after samples [p0, p0 + m) of a guarded line of `len` samples (with
// a copy of its first `guard`) were written unmasked (0 <= p0 < len, m <= guard).
inline void syncGuard(float* line, int p0, int m, int len, int guard) {
    const int end = p0 + m;
    if (end > len) {
        std::memcpy(line, line + len, sizeof(float) * static_cast<size_t>(end - len));
    } else if (p0 < guard) {
        const int stop = end < guard ? end : guard;
        std::memcpy(line + len + p0, line + p0, sizeof(float) * static_cast<size_t>(stop - p0));
    }
}
inline void syncGuard(float* line, int p0, int m) { syncGuard(line, p0, m, kLen16k, kGuard); }
// True when a stretch [p0, p0 + m) needs syncGuard on the lines it wrote.
inline bool touchesGuard(int p0, int m, int len, int guard) { return p0 < guard || p0 + m > len; }
inline bool touchesGuard(int p0, int m) { return touchesGuard(p0, m, kLen16k, kGuard); }
// Makes the copy match the line again (after anything wrote the line masked).
inline void refreshGuard(float* line, int len, int guard) {
    std::memcpy(line + len, line, sizeof(float) * static_cast<size_t>(guard));
}
inline void refreshGuard(float* line) { refreshGuard(line, kLen16k, kGuard); }

}  // namespace moltaro
