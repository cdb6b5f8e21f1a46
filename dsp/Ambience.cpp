// Ambience algorithm: setup and core routine.
//
// While the Ambience runs, write16k counts with mask 0xffff (every other setup masks it
// back to 0x3fff); the lines are rings at positions of their own.
#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "BlockwiseNetwork.h"

namespace moltaro {

namespace {

using S = AmbienceState;

// Input taps in seconds, per side and branch: own copy, own copy, other copy.
constexpr double kInputTime[2][S::kOrders][3] = {
    {{0.00723, 0.01571, 0.02031}, {0.02793, 0.0412, 0.03931}, {0.05314, 0.05921, 0.06031},
     {0.06243, 0.06853, 0.07131}, {0.07745, 0.08543, 0.08331}, {0.09269, 0.1, 0.09831}},
    {{0.00731, 0.01511, 0.01931}, {0.02693, 0.0422, 0.03731}, {0.05414, 0.05821, 0.05831},
     {0.06143, 0.06953, 0.07231}, {0.07845, 0.08443, 0.08531}, {0.09369, 0.099, 0.09731}}};

// All-pass times in milliseconds, per side and branch: P, Q, R.
constexpr double kAllpassTime[2][S::kOrders][3] = {
    {{8.026208, 5.675372, 0.9538865}, {7.922031, 5.601708, 1.068492},
     {9.116107, 6.446046, 0.9683341}, {8.6994, 6.151389, 1.17334},
     {10.90712, 7.712478, 1.296272}, {10.49041, 7.417822, 1.414905}},
    {{7.6095, 5.380716, 0.9043623}, {7.505323, 5.307052, 1.012288},
     {8.074338, 5.709405, 0.8576749}, {7.65763, 5.414749, 1.032831},
     {11.94889, 8.449118, 1.420083}, {11.53218, 8.154462, 1.555414}}};

constexpr float kOutScale = 0.25f;

// The twelve branches, b = 6 side + j, as three groups of four lanes.
constexpr int kBranches = 2 * S::kOrders;

// Order damping of all twelve branches over m samples, side by side so that their chains
// overlap: s = s + (x - s) * damp + n, each branch's states into y[b]. Lane by lane these
// are the operations of one branch alone.
void dampBranches(float (*x)[kStretch], float (*y)[kStretch], const float* nz, float* state, const float* damp,
                  int m) {
    v4f s[3], d[3];
    for (int g = 0; g < 3; ++g) {
        s[g] = load4(state + 4 * g);
        d[g] = load4(damp + 4 * g);
    }
    int i = 0;
    for (; i + 4 <= m; i += 4) {
        v4f r[3][4];
        for (int g = 0; g < 3; ++g) {
            for (int q = 0; q < 4; ++q) r[g][q] = load4(x[4 * g + q] + i);
            transpose4(r[g][0], r[g][1], r[g][2], r[g][3]);
        }
        for (int t = 0; t < 4; ++t) {
            const v4f nv = splat4(nz[i + t]);
            for (int g = 0; g < 3; ++g) {
                s[g] = s[g] + (r[g][t] - s[g]) * d[g] + nv;
                r[g][t] = s[g];
            }
        }
        for (int g = 0; g < 3; ++g) {
            transpose4(r[g][0], r[g][1], r[g][2], r[g][3]);
            for (int q = 0; q < 4; ++q) store4(y[4 * g + q] + i, r[g][q]);
        }
    }
    alignas(16) float st[kBranches];
    for (int g = 0; g < 3; ++g) store4(st + 4 * g, s[g]);
    for (; i < m; ++i)
        for (int b = 0; b < kBranches; ++b) {
            st[b] = st[b] + (x[b][i] - st[b]) * damp[b] + nz[i];
            y[b][i] = st[b];
        }
    for (int b = 0; b < kBranches; ++b) state[b] = st[b];
}

// One branch's three all-passes with noise over m samples, in place on y (the damped
// input in, the third all-pass's output out). Four samples at a time, each read before
// it is written: every all-pass delay is longer than that. All-pass t is a ring of
// size[t] samples written at pos[t] + i (the positions advance by m).
void allpassBranch(float* const line[3], const int delay[3], int size[3], int pos[3], float ga, const float* nz,
                   float* y, int m) {
    const v4f gaV = splat4(ga);
    std::array<int, 6> at0, ring;
    for (int t = 0; t < 3; ++t) {
        at0[t] = pos[t];
        at0[3 + t] = ringBack(pos[t], delay[t], size[t]);
        ring[t] = ring[3 + t] = size[t];
    }
    forEachRingRun(m, at0, ring, [&](int i, int len, const std::array<int, 6>& at) {
        const float* pr = line[0] + at[3];
        const float* qr = line[1] + at[4];
        const float* rr = line[2] + at[5];
        float* pw = line[0] + at[0];
        float* qw = line[1] + at[1];
        float* rw = line[2] + at[2];
        const float* n = nz + i;
        float* v = y + i;
        int j = 0;
        for (; j + 4 <= len; j += 4) {
            const v4f s = load4(v + j), nv = load4(n + j);
            const v4f v1 = load4(pr + j) - gaV * s + nv;
            store4(pw + j, s + gaV * v1);
            const v4f v2 = load4(qr + j) - gaV * v1 + nv;
            store4(qw + j, v1 + gaV * v2);
            const v4f v3 = load4(rr + j) - gaV * v2 + nv;
            store4(rw + j, v2 + gaV * v3);
            store4(v + j, v3);
        }
        for (; j < len; ++j) {
            const float s = v[j];
            const float v1 = pr[j] - ga * s + n[j];
            pw[j] = s + ga * v1;
            const float v2 = qr[j] - ga * v1 + n[j];
            qw[j] = v1 + ga * v2;
            const float v3 = rr[j] - ga * v2 + n[j];
            rw[j] = v2 + ga * v3;
            v[j] = v3;
        }
    });
    for (int t = 0; t < 3; ++t) pos[t] = ringAdvance(pos[t], m, size[t]);
}

}  // namespace

void Engine::prepareAmbience() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    AmbienceState& st = ambience;

    const float c = static_cast<float>(std::pow(8.0, 0.52) * 0.5 * 1.25);
    st.size = c;
    st.ga = relaxed(params.diffusion) * 0.65f;
    const double w = std::pow((1.0 - relaxed(params.highDamp)) * 0.5 + 0.5, c / 5.0);
    const double decay = relaxed(params.decay);
    for (int j = 0; j < S::kOrders; ++j) {
        st.damp[j] = static_cast<float>(std::pow(w, j + 1));
        st.gain[j] = static_cast<float>(std::pow(std::pow(0.5, j), 1.0 - decay));
    }
    prepareFrontEnd();

    // write16k keeps its full 16-bit count here.
    const int w16 = write16k;
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < S::kOrders; ++j)
            for (int t = 0; t < 3; ++t) {
                const double input = kInputTime[side][j][t] * c * coreRate;
                const double allpass = kAllpassTime[side][j][t] * 0.001 * c * coreRate;
                st.inputDelay[side][j][t] = delayOfTap64k(w16, input);
                st.allpassDelay[side][j][t] = delayOfTap16k(w16, allpass);
            }
    st.inputRing = ringForTaps(&st.inputDelay[0][0][0], 2 * S::kOrders * 3, kStretch);
    st.allpassRing = ringForTaps(&st.allpassDelay[0][0][0], 2 * S::kOrders * 3, kStretch);
    st.inputSize[0] = st.inputSize[1] = 0;
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < S::kOrders; ++j)
            for (int t = 0; t < 3; ++t) {
                int& reach = st.inputSize[t < 2 ? side : 1 - side];
                reach = std::max(reach, st.inputDelay[side][j][t]);
                int& size = st.allpassSize[side][j][t];
                size = std::max(st.allpassDelay[side][j][t], S::kMinAllpassSize);
                if (st.allpassPos[side][j][t] >= size) st.allpassPos[side][j][t] = 0;
            }
    for (int c = 0; c < 2; ++c)
        if (st.inputPos[c] >= st.inputSize[c]) st.inputPos[c] = 0;
}

// The branches share nothing but the input copies, and no tap on them (at least 0.0072 s
// * c = 312 samples at 22.05 kHz) reads what this stretch writes, so the taps read first
// and the copies take the stretch afterwards. Then, each stage over the whole stretch:
// every branch's three-tap sum, the order damping of all branches side by side (their
// only recursion), each branch's all-passes, and the output sums in the order of the
// orders. The samples are those of a loop sample by sample.
void Engine::processAmbience(int n) {
    AmbienceState& st = ambience;
    float* const input[2] = {block64[S::kInputLeft], block64[S::kInputRight]};
    float* allpass[kBranches][3];
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < S::kOrders; ++j)
            for (int t = 0; t < 3; ++t) allpass[6 * side + j][t] = st.allpassLine(lines16k, side, j, t);
    float damp[kBranches];
    for (int b = 0; b < kBranches; ++b) damp[b] = st.damp[b % S::kOrders];
    alignas(16) float nz[kStretch], acc[2][kStretch], u[2][kStretch];
    alignas(16) float x[kBranches][kStretch], y[kBranches][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        frontEndRun(done, m, 1, nz, u[0], u[1]);

        // Three-tap sums: two taps on the side's own copy, one on the other's.
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < S::kOrders; ++j) {
                const int* d = st.inputDelay[side][j];
                const int own = st.inputSize[side], other = st.inputSize[1 - side];
                float* xs = x[6 * side + j];
                forEachRingRun(m,
                               std::array<int, 3>{ringBack(st.inputPos[side], d[0], own),
                                                  ringBack(st.inputPos[side], d[1], own),
                                                  ringBack(st.inputPos[1 - side], d[2], other)},
                               std::array<int, 3>{own, own, other}, [&](int i, int len, const std::array<int, 3>& at) {
                                   const float* ta = input[side] + at[0];
                                   const float* tb = input[side] + at[1];
                                   const float* te = input[1 - side] + at[2];
                                   for (int k = 0; k < len; ++k) xs[i + k] = ta[k] + tb[k] + te[k];
                               });
            }
        for (int c = 0; c < 2; ++c) writeRing(input[c], st.inputPos[c], st.inputSize[c], u[c], m);
        dampBranches(x, y, nz, &st.s[0][0], damp, m);
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < S::kOrders; ++j)
                allpassBranch(allpass[6 * side + j], st.allpassDelay[side][j], st.allpassSize[side][j],
                              st.allpassPos[side][j], st.ga, nz, y[6 * side + j], m);

        // Output L = 0.25 (G0 zL1 + G1 zR2 + G2 zL3 + ...), R = 0.25 (G0 zR1 + G1 zL2 + ...).
        for (int ch = 0; ch < 2; ++ch) {
            float* out = acc[ch];
            for (int j = 0; j < S::kOrders; ++j) {
                const float* z = y[6 * ((ch + j) & 1) + j];
                const float gain = st.gain[j];
                if (j == 0)
                    for (int i = 0; i < m; ++i) out[i] = gain * z[i];
                else
                    for (int i = 0; i < m; ++i) out[i] = out[i] + gain * z[i];
            }
        }

        for (int i = 0; i < m; ++i) {
            workOutL[done + i] = kOutScale * acc[0][i];
            workOutR[done + i] = kOutScale * acc[1][i];
        }
        write16k = (write16k + m) & kMask64k;
        done += m;
    }
}

}  // namespace moltaro
