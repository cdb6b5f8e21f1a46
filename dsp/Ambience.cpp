// Ambience algorithm: setup and core routine.
//
// While the Ambience runs, write16k counts with mask 0xffff and indexes the two
// 65536-sample input copies in full; the all-pass lines use it masked to 0x3fff.
// Every other setup masks it back to 0x3fff.
#include "Engine.h"

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

// One branch over a stretch: the three-tap sum, the order damping, three all-passes
// with noise, and its output times gain added into acc (or forming it when First).
// w0 is write16k of the first sample of the stretch.
struct Branch {
    const float* own;
    const float* other;
    const int* inputDelay;     // 3
    float* const* allpass;     // 3 lines
    const int* allpassDelay;   // 3
    float damp, gain;
    float* state;
};

template <bool First>
void runBranch(const Branch& b, float ga, const float* nz, float* acc, int m, int w0) {
    float s = *b.state;
    for (int i = 0; i < m;) {
        const int q = (w0 + i) & kMask64k, p = q & kMask16k;
        const int ra = (q - b.inputDelay[0]) & kMask64k, rb = (q - b.inputDelay[1]) & kMask64k;
        const int re = (q - b.inputDelay[2]) & kMask64k;
        const int r0 = (p - b.allpassDelay[0]) & kMask16k, r1 = (p - b.allpassDelay[1]) & kMask16k;
        const int r2 = (p - b.allpassDelay[2]) & kMask16k;
        int len = runWithin(m - i, p, 16384);
        for (int r : {r0, r1, r2}) len = runWithin(len, r, 16384);
        for (int r : {ra, rb, re}) len = runWithin(len, r, 65536);

        const float* ta = b.own + ra;
        const float* tb = b.own + rb;
        const float* te = b.other + re;
        const float* pr = b.allpass[0] + r0;
        const float* qr = b.allpass[1] + r1;
        const float* rr = b.allpass[2] + r2;
        float* pw = b.allpass[0] + p;
        float* qw = b.allpass[1] + p;
        float* rw = b.allpass[2] + p;
        const float* n = nz + i;
        float* out = acc + i;
        const float damp = b.damp, gain = b.gain;
#pragma GCC unroll 4
        for (int j = 0; j < len; ++j) {
            const float x = ta[j] + tb[j] + te[j];
            s = s + (x - s) * damp + n[j];
            const float v1 = pr[j] - ga * s + n[j];
            pw[j] = s + ga * v1;
            const float v2 = qr[j] - ga * v1 + n[j];
            qw[j] = v1 + ga * v2;
            const float v3 = rr[j] - ga * v2 + n[j];
            rw[j] = v2 + ga * v3;
            out[j] = First ? gain * v3 : out[j] + gain * v3;
        }
        i += len;
    }
    *b.state = s;
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
}

// The branches share nothing but the input copies, so the copies are written for a
// whole stretch first and then each branch runs over the stretch, in the order of the
// output sums: a tap at sample i finds what the front end wrote up to i, and no tap
// (at most 0.1 s * c = 9214 samples at 50 kHz) reaches back to where the stretch
// has written since. The samples are those of a loop sample by sample.
void Engine::processAmbience(int n) {
    AmbienceState& st = ambience;
    float* const input[2] = {block64[S::kInputLeft], block64[S::kInputRight]};
    float nz[kStretch], acc[2][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int w0 = write16k + 1;

        // The shaped input passes through acc on its way into the input copies.
        frontEndRun(done, m, 1, nz, acc[0], acc[1]);
        for (int i = 0; i < m; ++i) {
            input[0][(w0 + i) & kMask64k] = acc[0][i];
            input[1][(w0 + i) & kMask64k] = acc[1][i];
        }

        // Output L = 0.25 (G0 zL1 + G1 zR2 + G2 zL3 + ...), R = 0.25 (G0 zR1 + G1 zL2 + ...).
        for (int j = 0; j < S::kOrders; ++j) {
            for (int ch = 0; ch < 2; ++ch) {
                const int side = (ch + j) & 1;
                const Branch b{input[side], input[1 - side], st.inputDelay[side][j],
                               lines16k + S::kFirstAllpass + 18 * side + 3 * j,
                               st.allpassDelay[side][j], st.damp[j], st.gain[j], &st.s[side][j]};
                if (j == 0)
                    runBranch<true>(b, st.ga, nz, acc[ch], m, w0);
                else
                    runBranch<false>(b, st.ga, nz, acc[ch], m, w0);
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
