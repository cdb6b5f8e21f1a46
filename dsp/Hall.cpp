// Hall algorithm: setup and core routine.
//
// The core runs the network a stretch of samples at a time: within a stretch no tap
// reads a sample written in the same stretch (every delay is longer than a stretch),
// so each comb, echo line and all-pass stage can be run over the whole stretch in
// turn and gives exactly the samples of a sample-by-sample loop.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "Engine.h"
#include "Simd.h"

namespace moltaro {
namespace {

// Pitches (Hz) of the taps: delay = 44100 / (sizeFactor * f) core samples.
constexpr double kLoopHz[24] = {
    155.5635, 160.1219, 164.8138, 169.6432, 174.6141, 179.7307, 184.9972, 190.4180,
    195.9977, 201.7409, 207.6523, 213.7370, 157.8250, 162.4497, 167.2098, 172.1094,
    177.1526, 182.3436, 187.6866, 193.1863, 198.8471, 204.6737, 210.6711, 216.8443};
constexpr double kEchoSourceHz[24] = {
    157.8262, 162.4509, 167.2111, 172.1107, 177.1539, 182.3449, 187.6881, 193.1877,
    198.8486, 204.6753, 210.6727, 216.8459, 160.1206, 164.8125, 169.6419, 174.6128,
    179.7293, 184.9958, 190.4166, 195.9962, 201.7394, 207.6508, 213.7354, 219.9983};
constexpr double kLeftOutHz[24] = {
    149.60, 192.50, 160.60, 203.50, 324.50, 236.50, 255.20, 305.80,
    369.60, 367.40, 389.40, 409.20, 169.60, 222.50, 210.60, 273.50,
    424.50, 366.50, 405.20, 475.80, 579.60, 597.40, 649.40, 699.20};
constexpr double kRightOutHz[24] = {
    149.60, 192.81, 160.29, 204.12, 323.57, 238.05, 253.34, 308.28,
    366.50, 371.12, 385.37, 413.85, 169.60, 222.81, 210.29, 274.12,
    423.57, 368.05, 403.34, 478.28, 576.50, 601.12, 645.37, 703.85};
// All-pass delays in samples, L1..L4 then R1..R4 (signs +c, -c, +c, -c).
constexpr double kAllpassSamples[8] = {
    715.3600100622778, 278.9699400090025, 555.8876416564859, 210.2111846487051,
    744.5941747562817, 243.8889423761977, 538.3471428400835, 233.59851640390832};
constexpr float kOutputScale = 0.08625f;

// Longest stretch: shorter than the shortest tap (211 samples) and the line guard.
constexpr int kStretch = 192;

// One all-pass stage over x[0..m) in place; p0 is the write position of x[0] on the
// guarded ring (mask + 1 samples).
inline void allpassRun(float* line, int delay, float g, float* x, int m, int p0, int mask) {
    const float* rd = line + ((p0 - delay) & mask);
    float* wr = line + p0;
    for (int i = 0; i < m; ++i) {
        const float v = rd[i] - g * x[i];
        wr[i] = x[i] + g * v;
        x[i] = v;
    }
}

}  // namespace

void Engine::prepareHall() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    HallState& st = hall;
    const float s = static_cast<float>(std::pow(4.0, 0.515) * 0.0625);
    const double decay = relaxed(params.decay);
    st.sizeFactor = s;
    st.loopGain = static_cast<float>(
        std::pow(std::pow(1.0198, std::sqrt(decay)) / 1.0205, 1.0 / (0.25 * static_cast<double>(s))));
    st.diffusionCoef = relaxed(params.diffusion) * 0.9f * 0.7f;
    st.dampCoef = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    prepareFrontEnd();

    write16k &= kMask16k;
    const int w = write16k;
    for (int k = 0; k < HallState::kCombs; ++k) {
        st.combDelay[k] = tapDelay16k(w, 44100.0 / (s * kLoopHz[k]));
        st.echoSourceDelay[k] = tapDelay16k(w, 44100.0 / (s * kEchoSourceHz[k]));
        st.leftOutDelay[k] = tapDelay16k(w, 44100.0 / (s * kLeftOutHz[k]));
        st.rightOutDelay[k] = tapDelay16k(w, 44100.0 / (s * kRightOutHz[k]));
    }
    for (int i = 0; i < 8; ++i) st.allpassDelay[i] = tapDelay16k(w, kAllpassSamples[i]);
    int reach = 0;
    for (const int* d : {st.combDelay, st.echoSourceDelay, st.leftOutDelay, st.rightOutDelay})
        for (int k = 0; k < HallState::kCombs; ++k) reach = std::max(reach, d[k]);
    st.combRing = ringFor(reach, kStretch);
    st.allpassRing = ringForTaps(st.allpassDelay, 8, kStretch);
    for (int k = 0; k < HallState::kCombs; ++k) {
        st.lineRing[HallState::kFirstComb + k] =
            std::max({st.combDelay[k], st.echoSourceDelay[k], st.leftOutDelay[k]});
        st.lineRing[HallState::kFirstEcho + k] = st.rightOutDelay[k];
    }
    for (int k = 0; k < 2 * HallState::kCombs; ++k) {
        if (st.linePos[k] >= st.lineRing[k]) st.linePos[k] = 0;
        refreshGuard(st.line(lines16k, k), st.lineRing[k], kGuard);
    }
    for (int a = 0; a < 8; ++a) refreshGuard(st.allpassLine(lines16k, a), st.allpassRing, kGuard);
}

void Engine::processHall(int n) {
    HallState& st = hall;
    const float g = st.loopGain, damp = st.dampCoef, c = st.diffusionCoef;
    alignas(16) float nz[kStretch], u[2][kStretch], sum[2][kStretch];
    // Per sample, the shaped input as four lanes for a group of four combs: the comb
    // feeds of combs 0..3 (L, L, L, R) and of every later group (L, R, L, R), and the
    // echo feeds, the other channel.
    v4f feedLLLR[kStretch], feedRRRL[kStretch], feedLRLR[kStretch], feedRLRL[kStretch];
    v4f noise4[kStretch];
    const v4f dampV = splat4(damp), gV = splat4(g);
    const int apMask = st.allpassRing - 1;
    float* line[2 * HallState::kCombs];
    for (int k = 0; k < 2 * HallState::kCombs; ++k) line[k] = st.line(lines16k, k);
    float* allpass[8];
    for (int a = 0; a < 8; ++a) allpass[a] = st.allpassLine(lines16k, a);

    for (int done = 0; done < n;) {
        const int m = std::min(kStretch, n - done);
        const int m4 = m & ~3;
        const int w0 = (write16k + 1) & kMask16k;
        const int a0 = w0 & apMask;
        frontEndRun(done, m, 1, nz, u[0], u[1]);
        for (int i = 0; i < m; ++i) {
            const float l = u[0][i], r = u[1][i];
            feedLLLR[i] = v4f{l, l, l, r};
            feedRRRL[i] = v4f{r, r, r, l};
            feedLRLR[i] = v4f{l, r, l, r};
            feedRLRL[i] = v4f{r, l, r, l};
            noise4[i] = splat4(nz[i]);
        }

        // Damped comb taps and echo source taps, then the line writes, four combs at a
        // time (each group of four samples is read before it is written). The output
        // taps are read there too, before the writes (no tap reads a sample of this
        // stretch): left from the comb lines, right from the echo lines, each summed in
        // line order and then scaled.
        const int last = HallState::kCombs - 1;
        for (int k0 = 0; k0 < HallState::kCombs; k0 += 4) {
            float* comb[4];
            float* echo[4];
            const float* loopTap[4];
            const float* echoTap[4];
            const float* outL[4];
            const float* outR[4];
            for (int q = 0; q < 4; ++q) {
                const int c = HallState::kFirstComb + k0 + q, e = HallState::kFirstEcho + k0 + q;
                const int at = st.linePos[c], size = st.lineRing[c];
                comb[q] = line[c] + at;
                echo[q] = line[e] + st.linePos[e];
                loopTap[q] = line[c] + ringBack(at, st.combDelay[k0 + q], size);
                echoTap[q] = line[c] + ringBack(at, st.echoSourceDelay[k0 + q], size);
                outL[q] = line[c] + ringBack(at, st.leftOutDelay[k0 + q], size);
                outR[q] = line[e] + ringBack(st.linePos[e], st.rightOutDelay[k0 + q], st.lineRing[e]);
            }
            const v4f* feedA = k0 == 0 ? feedLLLR : feedLRLR;
            const v4f* feedB = k0 == 0 ? feedRRRL : feedRLRL;
            v4f a = load4(st.combState + k0), b = load4(st.echoState + k0);
            for (int i = 0; i < m4; i += 4) {
                v4f l0 = load4(loopTap[0] + i), l1 = load4(loopTap[1] + i), l2 = load4(loopTap[2] + i),
                    l3 = load4(loopTap[3] + i);
                v4f e0 = load4(echoTap[0] + i), e1 = load4(echoTap[1] + i), e2 = load4(echoTap[2] + i),
                    e3 = load4(echoTap[3] + i);
                v4f sl = k0 == 0 ? load4(outL[0] + i) : load4(sum[0] + i) + load4(outL[0] + i);
                v4f sr = k0 == 0 ? load4(outR[0] + i) : load4(sum[1] + i) + load4(outR[0] + i);
                for (int q = 1; q < 4; ++q) {
                    sl += load4(outL[q] + i);
                    sr += load4(outR[q] + i);
                }
                if (k0 + 3 == last) {
                    sl = kOutputScale * sl;
                    sr = kOutputScale * sr;
                }
                store4(sum[0] + i, sl);
                store4(sum[1] + i, sr);
                transpose4(l0, l1, l2, l3);
                transpose4(e0, e1, e2, e3);
                v4f* ls[4] = {&l0, &l1, &l2, &l3};
                v4f* es[4] = {&e0, &e1, &e2, &e3};
                for (int t = 0; t < 4; ++t) {
                    a = noise4[i + t] + (a + (*ls[t] - a) * dampV);
                    b = noise4[i + t] + (b + (*es[t] - b) * dampV);
                    *ls[t] = feedA[i + t] + gV * a;
                    *es[t] = feedB[i + t] + gV * b;
                }
                transpose4(l0, l1, l2, l3);
                transpose4(e0, e1, e2, e3);
                store4(comb[0] + i, l0);
                store4(comb[1] + i, l1);
                store4(comb[2] + i, l2);
                store4(comb[3] + i, l3);
                store4(echo[0] + i, e0);
                store4(echo[1] + i, e1);
                store4(echo[2] + i, e2);
                store4(echo[3] + i, e3);
            }
            store4(st.combState + k0, a);
            store4(st.echoState + k0, b);
            for (int q = 0; q < 4 && m4 < m; ++q) {
                const int k = k0 + q;
                const float* fa = u[hallCombFeed(k)];
                const float* fb = u[1 - hallCombFeed(k)];
                float sa = st.combState[k], sb = st.echoState[k];
                for (int i = m4; i < m; ++i) {
                    float l = k == 0 ? outL[q][i] : sum[0][i] + outL[q][i];
                    float r = k == 0 ? outR[q][i] : sum[1][i] + outR[q][i];
                    sum[0][i] = k == last ? kOutputScale * l : l;
                    sum[1][i] = k == last ? kOutputScale * r : r;
                    sa = nz[i] + (sa + (loopTap[q][i] - sa) * damp);
                    sb = nz[i] + (sb + (echoTap[q][i] - sb) * damp);
                    comb[q][i] = fa[i] + g * sa;
                    echo[q][i] = fb[i] + g * sb;
                }
                st.combState[k] = sa;
                st.echoState[k] = sb;
            }
        }

        // All-pass cascades.
        for (int side = 0; side < 2; ++side) {
            for (int stage = 0; stage < 4; ++stage) {
                const int a = 4 * side + stage;
                allpassRun(allpass[a], st.allpassDelay[a], (stage & 1) ? -c : c, sum[side], m, a0, apMask);
            }
        }
        std::copy(sum[0], sum[0] + m, workOutL + done);
        std::copy(sum[1], sum[1] + m, workOutR + done);

        write16k = (write16k + m) & kMask16k;
        for (int k = 0; k < 2 * HallState::kCombs; ++k) {
            int& at = st.linePos[k];
            const int size = st.lineRing[k];
            if (touchesGuard(at, m, size, kGuard)) syncGuard(line[k], at, m, size, kGuard);
            at = ringAdvance(at, m, size);
        }
        if (touchesGuard(a0, m, apMask + 1, kGuard))
            for (float* l : allpass) syncGuard(l, a0, m, apMask + 1, kGuard);
        done += m;
    }
}

}  // namespace moltaro
