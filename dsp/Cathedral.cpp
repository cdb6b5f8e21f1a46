// Cathedral algorithm: setup and core routine.
#include "Engine.h"

#include <algorithm>
#include <cmath>

#include "BlockwiseNetwork.h"
#include "SeededRandom.h"

namespace moltaro {
namespace {

// Output tap times of bank position k, in units of 44100 * 0.9f * s * 0.125 samples,
// and how much of the +-0.0351 jitter each takes.
double outputBase(int k) {
    constexpr double first[3] = {0.025, 0.05, 0.1};
    return k < 3 ? first[k] : 0.1 * (k - 1);
}
double outputScale(int k) {
    constexpr double first[5] = {0.0, 0.1, 0.2, 0.4, 0.8};
    return k < 5 ? first[k] : 1.0;
}
// 0.9 as a single-precision value, used as such.
constexpr double kNineTenthsAsFloat = 0.8999999761581421;

// All-pass delays L1..L4, R1..R4 in samples (signs +c, -c, +c, -c in each cascade).
constexpr double kAllpassD[8] = {
    744.5941747562817, 278.9699400090025, 544.1939757788844, 210.2111846487051,
    715.3600100622778, 243.8889423761977, 555.8876416564859, 233.59851640390832,
};

constexpr float kOutputScale = 0.0891f;

}  // namespace

void Engine::prepareCathedral() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    CathedralState& st = cathedral;

    const float s = static_cast<float>(std::pow(4.0, 0.41) * 0.125);
    const double d = relaxed(params.decay);
    st.sizeFactor = s;
    st.loopGain = static_cast<float>(std::pow(std::pow(1.0198, std::sqrt(d)) / 1.0205, 64.0 * s));
    write16k &= kMask16k;
    st.diffusionCoef = relaxed(params.diffusion) * 0.9f * 0.72f;
    st.dampCoef = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    prepareFrontEnd();

    const int w16 = write16k;
    for (int i = 0; i < 8; ++i) st.allpassDelay[i] = delayOfTap16k(w16, kAllpassD[i]);

    SeededRandom rng(31767);
    auto jitter = [&rng] { return 2.0 * rng.next() / 32767.0 - 1.0; };
    for (int line = 0; line < CathedralState::kLines; ++line) {
        const int k = line % CathedralState::kBank;
        const double t = (outputBase(k) + outputScale(k) * 0.0351 * jitter()) * 44100.0 *
                         kNineTenthsAsFloat * s * 0.125;
        st.outDelay[line] = delayOfTap16k(w16, t);
    }
    for (int k = 0; k < CathedralState::kBank; ++k) {
        const double t = (std::pow(2.0, k / 24.0) + 0.005351 * jitter()) * 44100.0 * s * 0.125;
        st.loopDelay[k] = delayOfTap16k(w16, t);
    }
    // The right bank's loops are not jittered.
    for (int k = 0; k < CathedralState::kBank; ++k)
        st.loopDelay[CathedralState::kBank + k] = delayOfTap16k(w16, 44100.0 * std::pow(2.0, k / 24.0) * s * 0.125);
    const int loopRing = ringForTaps(st.loopDelay, CathedralState::kLines);
    const int outRing = ringForTaps(st.outDelay, CathedralState::kLines);
    st.combRing = loopRing > outRing ? loopRing : outRing;
    st.allpassRing = ringForTaps(st.allpassDelay, 8);
    for (int line = 0; line < CathedralState::kLines; ++line) {
        st.combSize[line] = std::max(st.loopDelay[line], st.outDelay[line]);
        if (st.combPos[line] >= st.combSize[line]) st.combPos[line] = 0;
    }
}

// Every comb line feeds back only into itself through a delay longer than a stretch, so
// the lines run over a whole stretch eight at a time (dampedCombs8), which also sums each
// bank's output taps in line order, every sample before it is written (the shortest tap,
// about 28 samples, then finds what the stretch wrote). The samples are those of a loop
// sample by sample.
void Engine::processCathedral(int n) {
    CathedralState& st = cathedral;
    const float g = st.loopGain, damp = st.dampCoef, c = st.diffusionCoef;
    const int allpassRing = st.allpassRing;
    float* comb[CathedralState::kLines];
    for (int line = 0; line < CathedralState::kLines; ++line) comb[line] = st.combLine(lines16k, line);
    float* allpass[8];
    for (int a = 0; a < 8; ++a) allpass[a] = st.allpassLine(lines16k, a);

    float nz[kStretch], uL[kStretch], uR[kStretch];
    float mix[4][kStretch];   // indexed by CathedralState::Feed
    // The mixes as the combs' feeds: from their start, never wrapping.
    static constexpr int kMixPos[8] = {}, kMixSize[8] = {kStretch, kStretch, kStretch, kStretch,
                                                         kStretch, kStretch, kStretch, kStretch};
    float sum[2][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (write16k + 1) & kMask16k;

        frontEndRun(done, m, 1, nz, uL, uR);
        write16k = (write16k + m) & kMask16k;
        for (int i = 0; i < m; ++i) {
            mix[CathedralState::kL75][i] = 0.75f * uL[i];
            mix[CathedralState::kR75][i] = 0.75f * uR[i];
            mix[CathedralState::kL50R25][i] = 0.5f * uL[i] + 0.25f * uR[i];
            mix[CathedralState::kL25R50][i] = 0.25f * uL[i] + 0.5f * uR[i];
        }

        for (int i = 0; i < m; ++i) sum[0][i] = sum[1][i] = 0.0f;
        for (int first = 0; first < CathedralState::kLines; first += 8) {
            const float* feed[8];
            for (int k = 0; k < 8; ++k) feed[k] = mix[cathedralFeed(first + k)];
            ringCombStretch8(comb + first, st.combPos + first, st.combSize + first, st.loopDelay + first, feed,
                             kMixPos, kMixSize, nz, st.combState + first, damp, g, m, st.outDelay + first,
                             sum[first / CathedralState::kBank]);
        }
        for (int line = 0; line < CathedralState::kLines; ++line)
            st.combPos[line] = ringAdvance(st.combPos[line], m, st.combSize[line]);

        for (int i = 0; i < m; ++i) {
            sum[0][i] = kOutputScale * sum[0][i];
            sum[1][i] = kOutputScale * sum[1][i];
        }
        allpassCascadeStretch(allpass, st.allpassDelay, c, sum[0], m, p0, allpassRing);
        allpassCascadeStretch(allpass + 4, st.allpassDelay + 4, c, sum[1], m, p0, allpassRing);
        for (int i = 0; i < m; ++i) {
            workOutL[done + i] = sum[0][i];
            workOutR[done + i] = sum[1][i];
        }
        done += m;
    }
}

}  // namespace moltaro
