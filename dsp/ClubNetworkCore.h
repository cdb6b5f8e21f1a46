#pragma once
// Setup and core of the comb-tank network shared by the Club and the Chamber, written
// once and parameterised by a layout holding what differs between the two:
//
//   kCombDelay[24], kLoopDelay[24]  comb and loop all-pass delays (A1..A12, B1..B12)
//   kEarlyDelay[24], kOutDelay[6]   early taps T1..T24, output all-passes O1..O6
//   kFeed[24]        input channel written into each comb (0 left, 1 right)
//   kSum[2][12]      combs whose states make the left / right sum, in the order added
//   kCrossed[12]     early tap m of a channel reads the other channel's input copy
//   kWritesBehind[24] comb written at early tap T3's read position (masked to 16384)
//                    instead of at write16k, which shortens its loop by T3's delay
//   kStateSign       +1: comb written with u + fb * s; -1: with u - fb * s
//   kOutScale        output gain
//
// Each comb feeds back only into itself, and every early tap reads the input copies
// more than a stretch back; so the combs run over a whole stretch eight at a time, then
// each channel's all-passes and early taps, and the stretch's input goes into the
// copies last. The samples are those of a loop sample by sample.

#include <algorithm>
#include <initializer_list>

#include "BlockwiseNetwork.h"
#include "Engine.h"

namespace moltaro {
namespace clubnet {

// Early-reflection amplitudes of taps 1..12, halving in power from tap to tap; each
// algorithm shapes its gains from them.
constexpr double kEarlyAmplitude[12] = {1,      0.7071,  0.5,     0.3536, 0.25,    0.1768,
                                        0.125,  0.0884,  0.0625,  0.04419, 0.03125, 0.02209};

// Eight combs of the tank side by side (two groups of four lanes, so that their chains of
// dependent operations overlap) over `len` samples in which no position wraps. Per comb:
// d = loop tap; v = ga * d - comb tap; the loop line takes v; y = d - ga * v;
// s = s + (y - s) * k + n; the comb line takes u + fb * s (u - fb * s when StateSign is
// -1), and sOut[k] receives s. Lane by lane these are the operations of one comb alone.
template <int StateSign>
void tankCombs8(const float* const loopRd[8], const float* const combRd[8], float* const loopWr[8],
                float* const combWr[8], const float* const u[8], float* const sOut[8], const float* nz,
                float* state, float ga, float k, float fb, int len) {
    const v4f gaV = splat4(ga), kV = splat4(k), fbV = splat4(fb);
    v4f s[2] = {load4(state), load4(state + 4)};
    int j = 0;
    for (; j + 4 <= len; j += 4) {
        v4f d[2][4], c[2][4], x[2][4], out[2][4];
        for (int h = 0; h < 2; ++h) {
            for (int q = 0; q < 4; ++q) {
                d[h][q] = load4(loopRd[4 * h + q] + j);
                c[h][q] = load4(combRd[4 * h + q] + j);
                x[h][q] = load4(u[4 * h + q] + j);
            }
            transpose4(d[h][0], d[h][1], d[h][2], d[h][3]);
            transpose4(c[h][0], c[h][1], c[h][2], c[h][3]);
            transpose4(x[h][0], x[h][1], x[h][2], x[h][3]);
        }
        for (int t = 0; t < 4; ++t) {
            const v4f nv = splat4(nz[j + t]);
            for (int h = 0; h < 2; ++h) {
                const v4f v = gaV * d[h][t] - c[h][t];
                const v4f y = d[h][t] - gaV * v;
                s[h] = s[h] + (y - s[h]) * kV + nv;
                d[h][t] = v;
                c[h][t] = StateSign > 0 ? x[h][t] + fbV * s[h] : x[h][t] - fbV * s[h];
                out[h][t] = s[h];
            }
        }
        for (int h = 0; h < 2; ++h) {
            transpose4(d[h][0], d[h][1], d[h][2], d[h][3]);
            transpose4(c[h][0], c[h][1], c[h][2], c[h][3]);
            transpose4(out[h][0], out[h][1], out[h][2], out[h][3]);
            for (int q = 0; q < 4; ++q) {
                store4(loopWr[4 * h + q] + j, d[h][q]);
                store4(combWr[4 * h + q] + j, c[h][q]);
                store4(sOut[4 * h + q] + j, out[h][q]);
            }
        }
    }
    alignas(16) float st[8];
    store4(st, s[0]);
    store4(st + 4, s[1]);
    for (; j < len; ++j)
        for (int q = 0; q < 8; ++q) {
            const float d = loopRd[q][j];
            const float v = ga * d - combRd[q][j];
            loopWr[q][j] = v;
            const float y = d - ga * v;
            st[q] = st[q] + (y - st[q]) * k + nz[j];
            combWr[q][j] = StateSign > 0 ? u[q][j] + fb * st[q] : u[q][j] - fb * st[q];
            sOut[q][j] = st[q];
        }
    for (int q = 0; q < 8; ++q) state[q] = st[q];
}

// One group of eight combs over a stretch of m samples, split into runs in which no
// position wraps. comb[k] is the comb's index (0..23); its comb line is a ring of its
// own, read where it is written (a whole ring back); its loop line a ring of
// st.loopRing samples on the shared write index, p0 that of the first sample; sOut[k]
// receives comb k's states.
template <class Layout>
void runTankGroup(Engine& e, ClubNetworkState& st, const int comb[8], const float* const u[2], const float* nz,
                  float* const sOut[8], int m, int p0) {
    float* combLine[8];
    float* loopLine[8];
    float state[8];
    std::array<int, 17> pos, size;
    for (int q = 0; q < 8; ++q) {
        const int c = comb[q];
        combLine[q] = st.combLine(e.lines16k, c);
        loopLine[q] = st.loopLine(e.lines16k, c);
        state[q] = st.s[c];
        pos[q] = st.combPos[c];
        size[q] = st.combLoop[c];
        pos[8 + q] = (p0 - st.loopDelay[c]) & (st.loopRing - 1);
        size[8 + q] = st.loopRing;
    }
    pos[16] = p0 & (st.loopRing - 1);
    size[16] = st.loopRing;
    forEachRingRun(m, pos, size, [&](int i, int len, const std::array<int, 17>& at) {
        float* combAt[8];
        const float* loopRd[8];
        float* loopWr[8];
        const float* in[8];
        float* out[8];
        for (int q = 0; q < 8; ++q) {
            combAt[q] = combLine[q] + at[q];
            loopRd[q] = loopLine[q] + at[8 + q];
            loopWr[q] = loopLine[q] + at[16];
            in[q] = u[Layout::kFeed[comb[q]]] + i;
            out[q] = sOut[q] + i;
        }
        tankCombs8<Layout::kStateSign>(loopRd, combAt, loopWr, combAt, in, out, nz + i, state, st.ga, st.k, st.fb,
                                       len);
    });
    for (int q = 0; q < 8; ++q) {
        const int c = comb[q];
        st.s[c] = state[q];
        st.combPos[c] = ringAdvance(st.combPos[c], m, st.combLoop[c]);
    }
}

// Output all-pass over a stretch, in place: d = line[p - delay]; v = x - g * d;
// line[p] = v; output g * v + d. The second stage of each channel uses g = -ga
// (v = x + ga * d, output d - ga * v: negation is exact, the samples are the same).
inline void outAllpassStretch(float* line, int delay, float g, float* x, int m, int p0, int size) {
    const int mask = size - 1;
    for (int i = 0; i < m;) {
        const int p = (p0 + i) & mask, r = (p - delay) & mask;
        const int len = runWithin(runWithin(m - i, p, size), r, size);
        const float* rd = line + r;
        float* wr = line + p;
        float* xs = x + i;
        for (int j = 0; j < len; ++j) {
            const float d = rd[j];
            const float v = xs[j] - g * d;
            wr[j] = v;
            xs[j] = g * v + d;
        }
        i += len;
    }
}

// Four early taps added to acc in order with the signs +, -, +, -: tap t reads line[t],
// a ring of size[t] samples, from position at[t].
inline void addEarlyTaps(float* acc, const float* const line[4], const std::array<int, 4>& at,
                         const std::array<int, 4>& size, const float gain[4], int m) {
    const float g0 = gain[0], g1 = gain[1], g2 = gain[2], g3 = gain[3];
    forEachRingRun(m, at, size, [&](int i, int len, const std::array<int, 4>& r) {
        const float* t0 = line[0] + r[0];
        const float* t1 = line[1] + r[1];
        const float* t2 = line[2] + r[2];
        const float* t3 = line[3] + r[3];
        float* e = acc + i;
        for (int j = 0; j < len; ++j) e[j] = e[j] + g0 * t0[j] - g1 * t1[j] + g2 * t2[j] - g3 * t3[j];
    });
}

}  // namespace clubnet

// Copies the layout's delays into the state and masks write16k back to 16384 samples.
template <class Layout>
void setClubNetworkTaps(Engine& e, ClubNetworkState& st) {
    e.write16k &= kMask16k;
    for (int i = 0; i < ClubNetworkState::kCombs; ++i) {
        st.combDelay[i] = Layout::kCombDelay[i];
        st.loopDelay[i] = Layout::kLoopDelay[i];
    }
    for (int i = 0; i < ClubNetworkState::kEarlyTaps; ++i) st.earlyDelay[i] = Layout::kEarlyDelay[i];
    for (int i = 0; i < ClubNetworkState::kOutAllpasses; ++i) st.outDelay[i] = Layout::kOutDelay[i];
    // Combs that write behind write at T3's read position: from write16k that lies this far.
    const int behind = (relaxed(e.write64k) - e.write16k - st.earlyDelay[2]) & kMask16k;
    for (int i = 0; i < ClubNetworkState::kCombs; ++i)
        st.combLoop[i] = Layout::kWritesBehind[i] ? (st.combDelay[i] + behind) & kMask16k : st.combDelay[i];
    // A comb line is a ring of its loop's length, run four samples at a time: a loop
    // shorter than that (write16k and write64k out of step, which only tests arrange;
    // 0 would be an empty ring) is held at four.
    for (int& loop : st.combLoop) loop = std::max(loop, 4);
    // (A comb reads each sample before the write that overwrites it, so 16384 holds any loop.)
    st.combRing = std::min(kLen16k, ringForTaps(st.combLoop, ClubNetworkState::kCombs, kStretch));
    st.loopRing = ringForTaps(st.loopDelay, ClubNetworkState::kCombs, kStretch);
    st.outRing = ringForTaps(st.outDelay, ClubNetworkState::kOutAllpasses, kStretch);
    st.earlyRing = ringForTaps(st.earlyDelay, ClubNetworkState::kEarlyTaps, kStretch);
    for (int i = 0; i < ClubNetworkState::kCombs; ++i) {
        if (st.combPos[i] >= st.combLoop[i]) st.combPos[i] = 0;
    }
    st.earlySize[0] = st.earlySize[1] = 0;
    for (int ch = 0; ch < 2; ++ch)
        for (int t = 0; t < 12; ++t) {
            int& size = st.earlySize[Layout::kCrossed[t] ? 1 - ch : ch];
            size = std::max(size, st.earlyDelay[12 * ch + t]);
        }
    for (int ch = 0; ch < 2; ++ch)
        if (st.earlyPos[ch] >= st.earlySize[ch]) st.earlyPos[ch] = 0;
}

template <class Layout>
void runClubNetwork(Engine& e, ClubNetworkState& st, int n) {
    using S = ClubNetworkState;
    float nz[kStretch], u[2][kStretch], x[2][kStretch];
    float states[S::kCombs][kStretch];
    float* const input[2] = {e.lines64k[S::kEarlyLeft], e.lines64k[S::kEarlyRight]};
    float* outLine[S::kOutAllpasses];
    for (int o = 0; o < S::kOutAllpasses; ++o) outLine[o] = st.outLine(e.lines16k, o);
    // The combs in the order of the two sums, left then right, eight at a time.
    int order[S::kCombs];
    for (int h = 0; h < 12; ++h) {
        order[h] = Layout::kSum[0][h];
        order[12 + h] = Layout::kSum[1][h];
    }
    const float ga = st.ga;

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (e.write16k + 1) & kMask16k;
        e.frontEndRun(done, m, 1, nz, u[0], u[1]);

        // The tank, then each channel's sum of its combs' states in order.
        const float* const feeds[2] = {u[0], u[1]};
        for (int g = 0; g < S::kCombs; g += 8) {
            float* sOut[8];
            for (int q = 0; q < 8; ++q) sOut[q] = states[g + q];
            clubnet::runTankGroup<Layout>(e, st, order + g, feeds, nz, sOut, m, p0);
        }
        for (int ch = 0; ch < 2; ++ch) {
            float* sum = x[ch];
            const float* const* s = nullptr;
            float* rows[12];
            for (int h = 0; h < 12; ++h) rows[h] = states[12 * ch + h];
            s = rows;
            for (int i = 0; i < m; ++i) sum[i] = s[0][i] + s[1][i];
            for (int h = 2; h < 12; ++h)
                for (int i = 0; i < m; ++i) sum[i] = sum[i] + s[h][i];
        }

        // Per channel: two all-passes, the early reflections, a third all-pass.
        for (int ch = 0; ch < 2; ++ch) {
            float* const* outL = outLine + 3 * ch;
            const int* outDelay = st.outDelay + 3 * ch;
            clubnet::outAllpassStretch(outL[0], outDelay[0], ga, x[ch], m, p0, st.outRing);
            clubnet::outAllpassStretch(outL[1], outDelay[1], -ga, x[ch], m, p0, st.outRing);
            for (int t = 0; t < 12; t += 4) {
                const float* line[4];
                std::array<int, 4> at, size;
                for (int h = 0; h < 4; ++h) {
                    const int copy = Layout::kCrossed[t + h] ? 1 - ch : ch;
                    line[h] = input[copy];
                    size[h] = st.earlySize[copy];
                    at[h] = ringBack(st.earlyPos[copy], st.earlyDelay[12 * ch + t + h], size[h]);
                }
                clubnet::addEarlyTaps(x[ch], line, at, size, st.gain + t, m);
            }
            clubnet::outAllpassStretch(outL[2], outDelay[2], ga, x[ch], m, p0, st.outRing);
        }

        // The shaped input into the two input copies, after every early tap has read
        // (each lies more than a stretch back).
        for (int ch = 0; ch < 2; ++ch) writeRing(input[ch], st.earlyPos[ch], st.earlySize[ch], u[ch], m);

        for (int i = 0; i < m; ++i) {
            e.workOutL[done + i] = x[0][i] * Layout::kOutScale;
            e.workOutR[done + i] = x[1][i] * Layout::kOutScale;
        }
        e.write16k = (e.write16k + m) & kMask16k;
        done += m;
    }
}

}  // namespace moltaro
