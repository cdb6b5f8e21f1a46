// Plate algorithm: setup and core routine.
//
// The core runs a stretch of at most 24 samples at a time (the shortest tap, X1, is 24
// samples long): within a stretch no tap reads a sample written in the same stretch,
// so each stage can run over the whole stretch in turn and gives exactly the samples
// of a sample-by-sample loop.
// The 8-lane helpers are inlined into the wide core only, compiled for AVX2 (see Simd.h).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Engine.h"
#include "Simd.h"

namespace moltaro {
namespace {

// Tank comb C13..C24 and loop all-pass X13..X24 factors (C1..C12 and X1..X12 are
// twelfth-octave steps 2^(m/24)).
constexpr double kCombUpper[12] = {
    1.01, 1.019302236643492, 1.0694630943592953, 1.0805077326652577, 1.132462048309373,
    1.145352696872273, 1.199207115002721, 1.2140535433046553, 1.2699210498948732,
    1.2868395546510096, 1.3448398541700344, 1.3639536474580891};
constexpr double kLoopUpper[12] = {
    1.5969502183850317, 1.611658345948689, 1.6909696258334737, 1.708432732323266,
    1.7905797181786272, 1.8109616231663972, 1.864490158242355, 1.9512099757219716,
    2.007921483130066, 2.034671987946957, 2.1263785136730005, 2.1566000744309464};
constexpr double kLoopBase = 1.5811388300841898;
// Input diffusers I1..I6, in units of 0.2 * r.
constexpr double kDiffuser[6] = {3.364663430419156, 4.983749592425366, 8.12072903131239876,
                                 3.314066987856462, 5.00904781370671337, 8.146027252593747};
// Early feedback taps E1..E8, in units of r.
constexpr double kEarly[8] = {0.393, 0.435, 0.663, 0.771, 0.39, 0.438, 0.669, 0.765};
// Early read taps T1..T10 and T13..T22 into DL/DR, in units of 0.2 * r. (The setup's
// jitter of these taps, below 1e-8 samples, moves none of them; a test checks the margin.)
constexpr double kRead[20] = {21.4, 30.25, 38.65, 40.945, 55, 28, 40.615, 41.5, 43, 43.75,
                              21.4, 30.235, 38.665, 40.915, 55.03, 27.925, 40.69, 41.395, 43.105, 43.6};
constexpr float kOutputScale = 0.07268f;

constexpr int kStretch = PlateState::kStretch;
static_assert(kStretch <= PlateState::kRingGuard, "a stretch must fit the rings' guards");

// Loads and stores for code written once for a sample (float) and for four (v4f).
template <typename T> T ld(const float* p);
template <> inline float ld<float>(const float* p) { return *p; }
template <> inline v4f ld<v4f>(const float* p) { return load4(p); }
template <> MOLTARO_INLINE v8f ld<v8f>(const float* p) {
    v8f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void put(float* p, float v) { *p = v; }
inline void put(float* p, v4f v) { store4(p, v); }
MOLTARO_INLINE void put(float* p, v8f v) { std::memcpy(p, &v, sizeof v); }

// Runs f(i, T{}) over [0, m): W (4 or 8) samples at a time with T = v4f or v8f, then
// four with v4f, the rest with float.
template <int W, typename F>
MOLTARO_INLINE void forStretch(int m, F&& f) {
    int i = 0;
    if constexpr (W == 8)
        for (; i + 8 <= m; i += 8) f(i, v8f{});
    for (; i + 4 <= m; i += 4) f(i, v4f{});
    for (; i < m; ++i) f(i, 0.0f);
}

MOLTARO_INLINE v2d low(v4d v) { return __builtin_shufflevector(v, v, 0, 1); }
MOLTARO_INLINE v2d high(v4d v) { return __builtin_shufflevector(v, v, 2, 3); }

// The output dispersion: (B12, B24) + (B11, B23) + (B10, B22) + (B9, B21) per sample, in
// that order (left members in the even lanes), from the sums z0..z7 of the tank's taps.
// The four independent recursions run in one loop; the 4-lane core runs them as four
// pairs, the wide core as two fours, (B12, B24, B11, B23) and (B10, B22, B9, B21).
constexpr int kOutMembers[8] = {11, 23, 10, 22, 9, 21, 8, 20};   // indices into the bank

template <int W>
struct OutputDispersion;

template <>
struct OutputDispersion<4> {
    BiquadPair q[4];
    void load(const Biquad* bank) {
        for (int k = 0; k < 4; ++k) q[k].load(bank[kOutMembers[2 * k]], bank[kOutMembers[2 * k + 1]]);
    }
    void save(Biquad* bank) const {
        for (int k = 0; k < 4; ++k) q[k].save(bank[kOutMembers[2 * k]], bank[kOutMembers[2 * k + 1]]);
    }
    MOLTARO_INLINE void run(int m, const float (*z)[kStretch], v2d* pair) {
        auto zPair = [z](int k, int i) { return v2d{z[2 * k][i], z[2 * k + 1][i]}; };
        int i = 0;
        for (; i + 2 <= m; i += 2) {
            v2d ya, yb, ta, tb;
            q[0].process2(zPair(0, i), zPair(0, i + 1), ya, yb);
            for (int k = 1; k < 4; ++k) {
                q[k].process2(zPair(k, i), zPair(k, i + 1), ta, tb);
                ya += ta;
                yb += tb;
            }
            pair[i] = ya;
            pair[i + 1] = yb;
        }
        if (i < m) {
            v2d y = q[0].process(zPair(0, i));
            for (int k = 1; k < 4; ++k) y += q[k].process(zPair(k, i));
            pair[i] = y;
        }
    }
};

template <>
struct OutputDispersion<8> {
    BiquadLanes<v4d> q[2];
    MOLTARO_INLINE void load(const Biquad* bank) {
        for (int h = 0; h < 2; ++h) {
            const int* b = kOutMembers + 4 * h;
            q[h].load(bank[b[0]], bank[b[1]], bank[b[2]], bank[b[3]]);
        }
    }
    MOLTARO_INLINE void save(Biquad* bank) const {
        for (int h = 0; h < 2; ++h) {
            const int* b = kOutMembers + 4 * h;
            q[h].save(bank[b[0]], bank[b[1]], bank[b[2]], bank[b[3]]);
        }
    }
    MOLTARO_INLINE void run(int m, const float (*z)[kStretch], v2d* pair) {
        // Columns (z0, z1, z2, z3) and (z4, z5, z6, z7) of each sample, in doubles.
        v4d zc[2][kStretch];
        int i = 0;
        for (; i + 4 <= m; i += 4)
            for (int h = 0; h < 2; ++h) {
                v4f a = load4(z[4 * h] + i), b = load4(z[4 * h + 1] + i), c = load4(z[4 * h + 2] + i),
                    d = load4(z[4 * h + 3] + i);
                transpose4(a, b, c, d);
                zc[h][i] = __builtin_convertvector(a, v4d);
                zc[h][i + 1] = __builtin_convertvector(b, v4d);
                zc[h][i + 2] = __builtin_convertvector(c, v4d);
                zc[h][i + 3] = __builtin_convertvector(d, v4d);
            }
        for (; i < m; ++i)
            for (int h = 0; h < 2; ++h) zc[h][i] = v4d{z[4 * h][i], z[4 * h + 1][i], z[4 * h + 2][i], z[4 * h + 3][i]};
        auto sum = [](v4d a, v4d b) MOLTARO_LAMBDA { return ((low(a) + high(a)) + low(b)) + high(b); };
        for (i = 0; i + 2 <= m; i += 2) {
            v4d ya, yb, ta, tb;
            q[0].process2(zc[0][i], zc[0][i + 1], ya, yb);
            q[1].process2(zc[1][i], zc[1][i + 1], ta, tb);
            pair[i] = sum(ya, ta);
            pair[i + 1] = sum(yb, tb);
        }
        if (i < m) pair[i] = sum(q[0].process(zc[0][i]), q[1].process(zc[1][i]));
    }
};

// One group of the Plate's rings (all of length kLen) in its area: ring k of the group,
// where a stretch starting at write16k = p0 writes it, and a tap `delay` samples behind.
template <int kLen>
struct RingGroup {
    static constexpr int kStride = kLen + PlateState::kRingGuard;
    float* base;
    float* ring(int k) const { return base + k * kStride; }
    float* wr(int k, int p0) const { return ring(k) + (p0 & (kLen - 1)); }
    const float* at(int k, int p0, int delay) const { return ring(k) + ((p0 - delay) & (kLen - 1)); }
};

// The groups lie in the area as makePlateRings lays them out: ring after ring.
constexpr bool groupsMatchTheLayout() {
    for (int g = 0; g < PlateState::kGroups; ++g) {
        const int first = PlateState::kGroupFirst[g];
        for (int i = first; i < PlateState::kGroupFirst[g + 1]; ++i)
            if (kPlateRings.offset[i] != kPlateRings.offset[first] +
                                            (i - first) * (PlateState::kGroupLength[g] + PlateState::kRingGuard))
                return false;
    }
    return true;
}
static_assert(groupsMatchTheLayout(), "RingGroup addresses the rings as makePlateRings lays them out");

// Index into a side's ten read taps of tap Tn (n = 1..10; the right side's T13..T22
// stand at the same places).
constexpr int T(int n) { return n - 1; }

}  // namespace

// The taps depend on constants alone (and on write16k only through the rounding, which
// gives the same distances from every index).
void Engine::placePlateTaps() {
    PlateState& st = plate;
    st.sizeFactor = static_cast<float>(std::pow(4.0, 0.515) * 0.5 * 0.8 * 1.02);
    const float r = static_cast<float>(2.0 * st.sizeFactor * 44100.0 * 0.001);
    st.unit = r;

    write16k &= kMask16k;
    const int w = write16k;
    for (int m = 0; m < 12; ++m) {
        const double step = std::pow(2.0, m / 24.0);
        st.combDelay[m] = tapDelay16k(w, 12.0 * r * step);
        st.combDelay[12 + m] = tapDelay16k(w, 12.0 * r * kCombUpper[m]);
        st.loopDelay[m] = tapDelay16k(w, 0.2 * r * kLoopBase * step);
        st.loopDelay[12 + m] = tapDelay16k(w, 0.2 * r * kLoopUpper[m]);
    }
    for (int i = 0; i < 6; ++i) st.diffuserDelay[i] = tapDelay16k(w, 0.2 * r * kDiffuser[i]);
    for (int i = 0; i < 8; ++i) st.earlyDelay[i] = tapDelay16k(w, r * kEarly[i]);
    for (int i = 0; i < PlateState::kReadTaps; ++i) st.readDelay[i] = tapDelay16k(w, 0.2 * r * kRead[i]);
}

void Engine::preparePlate() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    PlateState& st = plate;
    placePlateTaps();
    const float c = st.sizeFactor;
    st.allpassGain = relaxed(params.diffusion) * 0.6f * 0.7f;
    st.damp = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    const double decay = relaxed(params.decay);
    st.feedback = static_cast<float>(std::pow(std::pow(1.65, std::sqrt(decay)) / 1.7, c * 0.5));
    prepareFrontEnd();

    float* const area = block64[PlateState::kArea];
    for (int i = 0; i < PlateState::kRings; ++i)
        refreshGuard(area + kPlateRings.offset[i], kPlateRings.mask[i] + 1, PlateState::kRingGuard);
}

// How far back the Plate reads ring `ring` (its longest tap on it).
int Engine::plateReach(int ring) const {
    const PlateState& st = plate;
    if (ring < PlateState::kFirstLoop) return st.combDelay[ring - PlateState::kFirstComb];
    if (ring < PlateState::kFirstEarly) return st.loopDelay[ring - PlateState::kFirstLoop];
    if (ring < PlateState::kFirstDiffuser) return st.earlyDelay[ring - PlateState::kFirstEarly];
    if (ring < PlateState::kDispersedL) return st.diffuserDelay[ring - PlateState::kFirstDiffuser];
    return *std::max_element(st.readDelay, st.readDelay + PlateState::kReadTaps);   // both sides read both
}

// The core, with W float lanes in the loops over a stretch (4, or 8 in the wide core).
template <int W>
__attribute__((always_inline)) inline void Engine::plateCore(int n) {
    PlateState& st = plate;
    const float ga = st.allpassGain, k = st.damp, fb = st.feedback;
    const float ga70 = 0.7f * ga, ga79 = 0.79f * ga, ga84 = 0.84f * ga, ga92 = 0.92f * ga;
    float* const area = block64[PlateState::kArea];
    const int skew = static_cast<int>(reinterpret_cast<std::uintptr_t>(area) / sizeof(float)) & 7;
    // The groups of rings, in kGroupLength's order; the short lines are the loop
    // all-passes, then the early lines, then the diffusers.
    const RingGroup<PlateState::kGroupLength[0]> combs{area + kPlateRings.offset[PlateState::kFirstComb]};
    const RingGroup<PlateState::kGroupLength[1]> shortLines{area + kPlateRings.offset[PlateState::kFirstLoop]};
    const RingGroup<PlateState::kGroupLength[2]> dispersed{area + kPlateRings.offset[PlateState::kDispersedL]};
    constexpr int kLoop = 0, kEarly = PlateState::kFirstEarly - PlateState::kFirstLoop,
                  kDiffuser = PlateState::kFirstDiffuser - PlateState::kFirstLoop;
    alignas(32) float nz[kStretch], u[2][kStretch], e[2][kStretch], early[2][kStretch], dif[2][kStretch];
    alignas(32) float y[PlateState::kTank][kStretch], z[8][kStretch];
    v2d pair[kStretch];

    // Dispersion members in pairs, left member in lane 0, right in lane 1.
    BiquadPair in15, in37;
    in15.load(dispersion[0], dispersion[4]);
    in37.load(dispersion[2], dispersion[6]);
    OutputDispersion<W> out;
    out.load(dispersion);

    for (int done = 0; done < n;) {
        // Stretches end where the rings' write position is a multiple of eight floats in
        // memory, so that (from the second stretch of a block on) the vector stores into
        // the rings do not straddle cache lines; any stretch up to kStretch samples gives
        // the same samples.
        const int m = std::min(kStretch - ((write16k + skew) & 7), n - done);
        const int p0 = write16k;   // the Plate advances its indices at the end of a sample
        float* const dl = dispersed.wr(0, p0);
        float* const dr = dispersed.wr(1, p0);
        frontEndRun(done, m, 0, nz, u[0], u[1]);

        // Input dispersion into DL, DR: e = B3(B1(u) + nz) + nz, and B7, B5 on the right.
        // Both pairs in one loop: each filter's recursion is a long chain of dependent
        // operations, and two chains side by side keep the processor busy.
        auto keep = [&](int i, v2d b) {
            e[0][i] = static_cast<float>(b[0]);
            e[1][i] = static_cast<float>(b[1]);
            dl[i] = e[0][i];
            dr[i] = e[1][i];
        };
        int i2 = 0;
        for (; i2 + 2 <= m; i2 += 2) {
            v2d a0, a1, b0, b1;
            in15.process2(v2d{u[0][i2], u[1][i2]}, v2d{u[0][i2 + 1], u[1][i2 + 1]}, a0, a1);
            in37.process2(a0 + splat2(nz[i2]), a1 + splat2(nz[i2 + 1]), b0, b1);
            keep(i2, b0 + splat2(nz[i2]));
            keep(i2 + 1, b1 + splat2(nz[i2 + 1]));
        }
        if (i2 < m) {
            const v2d a = in15.process(v2d{u[0][i2], u[1][i2]}) + splat2(nz[i2]);
            keep(i2, in37.process(a) + splat2(nz[i2]));
        }

        // Early network: per side, stages on E1..E4 (left) or E5..E8 (right); "own" is
        // the side's dispersed line, "other" the opposite one.
        for (int side = 0; side < 2; ++side) {
            const int own = side, other = 1 - side;
            const int* rd = st.readDelay + 10 * side;   // T1.. or T13..
            float* lineE[4];
            const float* d[4];
            for (int s = 0; s < 4; ++s) {
                const int ring = kEarly + 4 * side + s;
                lineE[s] = shortLines.wr(ring, p0);
                d[s] = shortLines.at(ring, p0, st.earlyDelay[4 * side + s]);
            }
            const float* t1 = dispersed.at(own, p0, rd[T(1)]);
            const float* t2 = dispersed.at(own, p0, rd[T(2)]);
            const float* t3 = dispersed.at(own, p0, rd[T(3)]);
            const float* t4 = dispersed.at(own, p0, rd[T(4)]);
            const float* t5 = dispersed.at(own, p0, rd[T(5)]);
            const float* t6 = dispersed.at(other, p0, rd[T(6)]);
            const float* t7 = dispersed.at(other, p0, rd[T(7)]);
            const float* t8 = dispersed.at(other, p0, rd[T(8)]);
            const float* t9 = dispersed.at(other, p0, rd[T(9)]);
            const float* t10 = dispersed.at(other, p0, rd[T(10)]);
            float* out = early[side];
            forStretch<W>(m, [&](int i, auto tag) MOLTARO_LAMBDA {
                using V = decltype(tag);
                const V d1 = ld<V>(d[0] + i), d2 = ld<V>(d[1] + i), d3 = ld<V>(d[2] + i), d4 = ld<V>(d[3] + i);
                const V v1 = 0.5f * ld<V>(t6 + i) + 0.5f * ld<V>(t1 + i) - ga70 * d1;
                const V v2 = ga79 * d2 + 0.4f * ld<V>(t2 + i);
                const V v3 = 0.32f * ld<V>(t4 + i) + 0.35f * ld<V>(t3 + i) + 0.2f * ld<V>(t5 + i) - ga84 * d3;
                const V v4 = 0.31f * ld<V>(t7 + i) + 0.29f * ld<V>(t8 + i) + 0.28f * ld<V>(t9 + i) +
                             0.27f * ld<V>(t10 + i) + ga92 * d4;
                put(lineE[0] + i, v1);
                put(lineE[1] + i, v2);
                put(lineE[2] + i, v3);
                put(lineE[3] + i, v4);
                const V y1 = ga70 * v1 + d1;
                const V y2 = d2 - ga79 * v2;
                const V y3 = ga84 * v3 + d3;
                const V y4 = d4 - ga92 * v4;
                put(out + i, y1 + y2 + y3 + y4);
            });
        }

        // Input diffusers: three all-passes (+0.5) per side.
        for (int side = 0; side < 2; ++side) {
            float* x = dif[side];
            std::copy(e[side], e[side] + m, x);
            for (int s = 0; s < 3; ++s) {
                const int ring = kDiffuser + 3 * side + s;
                const float* rd = shortLines.at(ring, p0, st.diffuserDelay[3 * side + s]);
                float* const w = shortLines.wr(ring, p0);
                forStretch<W>(m, [&](int i, auto tag) MOLTARO_LAMBDA {
                    using V = decltype(tag);
                    const V xi = ld<V>(x + i);
                    const V v = ld<V>(rd + i) - 0.5f * xi;
                    put(w + i, xi + 0.5f * v);
                    put(x + i, v);
                });
            }
        }
        // Tank, first the loop all-passes (alternating sign, +ga for C1): x = -C at its
        // tap, v = x + g*d into X, y = d - g*v.
        for (int j = 0; j < PlateState::kTank; ++j) {
            const float* cTap = combs.at(j, p0, st.combDelay[j]);
            const float* xTap = shortLines.at(kLoop + j, p0, st.loopDelay[j]);
            float* xWr = shortLines.wr(kLoop + j, p0);
            const float g = (j & 1) ? -ga : ga;
            float* yj = y[j];
            forStretch<W>(m, [&](int i, auto tag) MOLTARO_LAMBDA {
                using V = decltype(tag);
                // v = x + g*d with x = -C, written as g*d - C (the same sum, one operation less).
                const V d = ld<V>(xTap + i);
                const V v = g * d - ld<V>(cTap + i);
                put(xWr + i, v);
                put(yj + i, d - g * v);
            });
        }
        // ... then the damping recurrences, four (or, in the wide core, eight) combs to a
        // vector, and the comb writes C = in + s*fb. Three groups run side by side: each is
        // a chain of dependent operations, and one chain alone would leave the processor
        // waiting.
        const int mW = m & ~(W - 1);
        if constexpr (W == 8) {
            // Eight combs to a vector, the three groups side by side; the feeds of combs
            // C1..C8, C9..C16 and C17..C24 alternate left and right as plateTankFeed says.
            const v8f kv = splat8(k), fbv = splat8(fb);
            v8f s[3];
            float* cw[3][8];
            for (int h = 0; h < 3; ++h) {
                s[h] = ld<v8f>(st.tankState + 8 * h);
                for (int q = 0; q < 8; ++q) cw[h][q] = combs.wr(8 * h + q, p0);
            }
            for (int i = 0; i < mW; i += 8) {
                v8f r[3][8];
                for (int h = 0; h < 3; ++h) {
                    for (int q = 0; q < 8; ++q) r[h][q] = ld<v8f>(y[8 * h + q] + i);
                    transpose8(r[h]);
                }
                for (int t = 0; t < 8; ++t) {
                    const v8f l = splat8(dif[0][i + t]), rr = splat8(dif[1][i + t]), nv = splat8(nz[i + t]);
                    const v8f feed[3] = {__builtin_shufflevector(l, rr, 0, 9, 2, 11, 4, 13, 6, 15),
                                         __builtin_shufflevector(l, rr, 0, 9, 2, 11, 12, 5, 14, 7),
                                         __builtin_shufflevector(l, rr, 8, 1, 10, 3, 12, 5, 14, 7)};
                    for (int h = 0; h < 3; ++h) {
                        s[h] = s[h] + (r[h][t] - s[h]) * kv + nv;
                        r[h][t] = feed[h] + s[h] * fbv;
                    }
                }
                for (int h = 0; h < 3; ++h) {
                    transpose8(r[h]);
                    for (int q = 0; q < 8; ++q) put(cw[h][q] + i, r[h][q]);
                }
            }
            for (int h = 0; h < 3; ++h) put(st.tankState + 8 * h, s[h]);
        } else {
            v4f feedLR[kStretch], feedRL[kStretch], nzv[kStretch];
            for (int i = 0; i < m; ++i) {
                feedLR[i] = v4f{dif[0][i], dif[1][i], dif[0][i], dif[1][i]};
                feedRL[i] = v4f{dif[1][i], dif[0][i], dif[1][i], dif[0][i]};
                nzv[i] = splat4(nz[i]);
            }
            const v4f kv = splat4(k), fbv = splat4(fb);
            constexpr int kGroups = PlateState::kTank / 4, kSideBySide = 3;
            for (int g0 = 0; g0 < kGroups; g0 += kSideBySide) {
                v4f s[kSideBySide];
                float* cw[kSideBySide][4];
                const v4f* feed[kSideBySide];
                const float* yg[kSideBySide];
                for (int h = 0; h < kSideBySide; ++h) {
                    const int j0 = 4 * (g0 + h);
                    feed[h] = g0 + h < 3 ? feedLR : feedRL;
                    for (int q = 0; q < 4; ++q) cw[h][q] = combs.wr(j0 + q, p0);
                    s[h] = load4(st.tankState + j0);
                    yg[h] = y[j0];
                }
                for (int i = 0; i < mW; i += 4) {
                    for (int h = 0; h < kSideBySide; ++h) {
                        v4f a = load4(yg[h] + i), b = load4(yg[h] + kStretch + i), c = load4(yg[h] + 2 * kStretch + i),
                            d = load4(yg[h] + 3 * kStretch + i);
                        transpose4(a, b, c, d);
                        v4f sh = s[h];
                        sh = sh + (a - sh) * kv + nzv[i];
                        a = feed[h][i] + sh * fbv;
                        sh = sh + (b - sh) * kv + nzv[i + 1];
                        b = feed[h][i + 1] + sh * fbv;
                        sh = sh + (c - sh) * kv + nzv[i + 2];
                        c = feed[h][i + 2] + sh * fbv;
                        sh = sh + (d - sh) * kv + nzv[i + 3];
                        d = feed[h][i + 3] + sh * fbv;
                        s[h] = sh;
                        transpose4(a, b, c, d);
                        store4(cw[h][0] + i, a);
                        store4(cw[h][1] + i, b);
                        store4(cw[h][2] + i, c);
                        store4(cw[h][3] + i, d);
                    }
                }
                for (int h = 0; h < kSideBySide; ++h) store4(st.tankState + 4 * (g0 + h), s[h]);
            }
        }
        for (int j = 0; j < PlateState::kTank && mW < m; ++j) {
            const float* in = dif[plateTankFeed(j)];
            float* cwj = combs.wr(j, p0);
            float sj = st.tankState[j];
            for (int i = mW; i < m; ++i) {
                sj = sj + (y[j][i] - sj) * k + nz[i];
                cwj[i] = in[i] + sj * fb;
            }
            st.tankState[j] = sj;
        }

        // Output dispersion and mix with the early network.
        auto Y = [&y](int j) { return y[j - 1]; };
        const int groups[8][3] = {{24, 10, 23}, {12, 11, 22}, {9, 19, 20}, {21, 7, 8},
                                  {6, 5, 16},   {18, 4, 17},  {15, 1, 2}, {3, 13, 14}};
        for (int q = 0; q < 8; ++q) {
            const float* a = Y(groups[q][0]);
            const float* b = Y(groups[q][1]);
            const float* c = Y(groups[q][2]);
            float* zq = z[q];
            forStretch<W>(m, [&](int i, auto tag) MOLTARO_LAMBDA {
                using V = decltype(tag);
                put(zq + i, ld<V>(a + i) + ld<V>(b + i) + ld<V>(c + i));
            });
        }
        out.run(m, z, pair);
        for (int i = 0; i < m; ++i) {
            const float tL = static_cast<float>(pair[i][0]);
            const float tR = static_cast<float>(pair[i][1]);
            workOutL[done + i] = (tL + 3.0f * early[0][i]) * kOutputScale;
            workOutR[done + i] = (tR + 3.0f * early[1][i]) * kOutputScale;
        }

        write16k = (write16k + m) & kMask16k;
        for (int g = 0; g < PlateState::kGroups; ++g) {
            const int len = PlateState::kGroupLength[g], w = p0 & (len - 1);
            if (!touchesGuard(w, m, len, PlateState::kRingGuard)) continue;
            for (int i = PlateState::kGroupFirst[g]; i < PlateState::kGroupFirst[g + 1]; ++i)
                syncGuard(area + kPlateRings.offset[i], w, m, len, PlateState::kRingGuard);
        }
        done += m;
    }

    in15.save(dispersion[0], dispersion[4]);
    in37.save(dispersion[2], dispersion[6]);
    out.save(dispersion);
}

#if MOLTARO_WIDE_VECTORS
__attribute__((target("avx2"))) static void plateCoreWide(Engine& e, int n) { e.plateCore<8>(n); }
#endif

void Engine::processPlate(int n) {
#if MOLTARO_WIDE_VECTORS
    if (wideVectors) {
        plateCoreWide(*this, n);
        return;
    }
#endif
    plateCore<4>(n);
}

}  // namespace moltaro
