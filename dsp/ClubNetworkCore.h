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
// Each comb feeds back only into itself, and the early taps read the input copies,
// which the front end writes for a whole stretch first; so the combs run over a whole
// stretch one after the other, then each channel's all-passes and early taps. The
// samples are those of a loop sample by sample.

#include <initializer_list>

#include "BlockwiseNetwork.h"
#include "Engine.h"

namespace moltaro {
namespace clubnet {

// Early-reflection amplitudes of taps 1..12, halving in power from tap to tap; each
// algorithm shapes its gains from them.
constexpr double kEarlyAmplitude[12] = {1,      0.7071,  0.5,     0.3536, 0.25,    0.1768,
                                        0.125,  0.0884,  0.0625,  0.04419, 0.03125, 0.02209};

// One comb of the tank: lines, delays, write position rule, state, input.
struct Comb {
    float* line;
    float* loop;
    int combDelay, loopDelay;
    bool behind;
    float* state;
    const float* u;
};

// Two combs over a stretch; their states are added to sum (a, then b), or form it
// when First. p0 is write16k of the first sample, behind0 the position written by the
// combs that write behind.
template <int StateSign, bool First>
void runCombPair(const Comb& a, const Comb& b, float ga, float k, float fb, const float* nz,
                 float* sum, int m, int p0, int behind0) {
    float sa = *a.state, sb = *b.state;
    for (int i = 0; i < m;) {
        const int p = (p0 + i) & kMask16k, back = (behind0 + i) & kMask16k;
        const int wa = a.behind ? back : p, wb = b.behind ? back : p;
        const int ca = (p - a.combDelay) & kMask16k, la = (p - a.loopDelay) & kMask16k;
        const int cb = (p - b.combDelay) & kMask16k, lb = (p - b.loopDelay) & kMask16k;
        int len = runWithin(m - i, p, 16384);
        for (int pos : {wa, wb, ca, la, cb, lb}) len = runWithin(len, pos, 16384);

        const float* combRdA = a.line + ca;
        const float* loopRdA = a.loop + la;
        float* combWrA = a.line + wa;
        float* loopWrA = a.loop + p;
        const float* combRdB = b.line + cb;
        const float* loopRdB = b.loop + lb;
        float* combWrB = b.line + wb;
        float* loopWrB = b.loop + p;
        const float* ua = a.u + i;
        const float* ub = b.u + i;
        const float* n = nz + i;
        float* out = sum + i;
        for (int j = 0; j < len; ++j) {
            const float da = loopRdA[j];
            const float va = ga * da - combRdA[j];
            loopWrA[j] = va;
            const float ya = da - ga * va;
            sa = sa + (ya - sa) * k + n[j];
            combWrA[j] = StateSign > 0 ? ua[j] + fb * sa : ua[j] - fb * sa;

            const float db = loopRdB[j];
            const float vb = ga * db - combRdB[j];
            loopWrB[j] = vb;
            const float yb = db - ga * vb;
            sb = sb + (yb - sb) * k + n[j];
            combWrB[j] = StateSign > 0 ? ub[j] + fb * sb : ub[j] - fb * sb;

            out[j] = First ? sa + sb : out[j] + sa + sb;
        }
        i += len;
    }
    *a.state = sa;
    *b.state = sb;
}

// Output all-pass over a stretch, in place: d = line[p - delay]; v = x - g * d;
// line[p] = v; output g * v + d. The second stage of each channel uses g = -ga
// (v = x + ga * d, output d - ga * v: negation is exact, the samples are the same).
inline void outAllpassStretch(float* line, int delay, float g, float* x, int m, int p0) {
    for (int i = 0; i < m;) {
        const int p = (p0 + i) & kMask16k, r = (p - delay) & kMask16k;
        const int len = runWithin(runWithin(m - i, p, 16384), r, 16384);
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

// Four early taps added to acc in order with the signs +, -, +, -.
inline void addEarlyTaps(float* acc, const float* const line[4], const int delay[4],
                         const float gain[4], int m, int q0) {
    const float g0 = gain[0], g1 = gain[1], g2 = gain[2], g3 = gain[3];
    for (int i = 0; i < m;) {
        const int q = (q0 + i) & kMask64k;
        int r[4], len = m - i;
        for (int t = 0; t < 4; ++t) {
            r[t] = (q - delay[t]) & kMask64k;
            len = runWithin(len, r[t], 65536);
        }
        const float* t0 = line[0] + r[0];
        const float* t1 = line[1] + r[1];
        const float* t2 = line[2] + r[2];
        const float* t3 = line[3] + r[3];
        float* e = acc + i;
        for (int j = 0; j < len; ++j) e[j] = e[j] + g0 * t0[j] - g1 * t1[j] + g2 * t2[j] - g3 * t3[j];
        i += len;
    }
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
}

template <class Layout>
void runClubNetwork(Engine& e, ClubNetworkState& st, int n) {
    using S = ClubNetworkState;
    float nz[kStretch], u[2][kStretch], x[2][kStretch];
    float* const input[2] = {e.lines64k[S::kEarlyLeft], e.lines64k[S::kEarlyRight]};
    const float ga = st.ga, k = st.k, fb = st.fb;

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (e.write16k + 1) & kMask16k;
        const int q0 = (relaxed(e.write64k) + 1) & kMask64k;
        // Early tap T3's read position, masked to a 16384-sample line.
        const int behind0 = (q0 - st.earlyDelay[2]) & kMask16k;

        // Front end, and the shaped input into the two input copies.
        e.frontEndRun(done, m, 1, nz, u[0], u[1]);
        for (int i = 0; i < m; ++i) {
            input[0][(q0 + i) & kMask64k] = u[0][i];
            input[1][(q0 + i) & kMask64k] = u[1][i];
        }

        // The tank: each channel's combs in pairs, in the order of its sum.
        for (int ch = 0; ch < 2; ++ch) {
            for (int pair = 0; pair < 6; ++pair) {
                clubnet::Comb c[2];
                for (int h = 0; h < 2; ++h) {
                    const int i = Layout::kSum[ch][2 * pair + h];
                    c[h] = {e.lines16k[S::kFirstComb + i], e.lines16k[S::kFirstLoop + i],
                            st.combDelay[i], st.loopDelay[i], Layout::kWritesBehind[i],
                            &st.s[i], u[Layout::kFeed[i]]};
                }
                if (pair == 0)
                    clubnet::runCombPair<Layout::kStateSign, true>(c[0], c[1], ga, k, fb, nz, x[ch],
                                                                   m, p0, behind0);
                else
                    clubnet::runCombPair<Layout::kStateSign, false>(c[0], c[1], ga, k, fb, nz, x[ch],
                                                                    m, p0, behind0);
            }
        }

        // Per channel: two all-passes, the early reflections, a third all-pass.
        for (int ch = 0; ch < 2; ++ch) {
            float* const* outLine = e.lines16k + S::kFirstOut + 3 * ch;
            const int* outDelay = st.outDelay + 3 * ch;
            clubnet::outAllpassStretch(outLine[0], outDelay[0], ga, x[ch], m, p0);
            clubnet::outAllpassStretch(outLine[1], outDelay[1], -ga, x[ch], m, p0);
            for (int t = 0; t < 12; t += 4) {
                const float* line[4];
                for (int h = 0; h < 4; ++h) line[h] = input[Layout::kCrossed[t + h] ? 1 - ch : ch];
                clubnet::addEarlyTaps(x[ch], line, st.earlyDelay + 12 * ch + t, st.gain + t, m, q0);
            }
            clubnet::outAllpassStretch(outLine[2], outDelay[2], ga, x[ch], m, p0);
        }

        for (int i = 0; i < m; ++i) {
            e.workOutL[done + i] = x[0][i] * Layout::kOutScale;
            e.workOutR[done + i] = x[1][i] * Layout::kOutScale;
        }
        e.write16k = (e.write16k + m) & kMask16k;
        done += m;
    }
}

}  // namespace moltaro
