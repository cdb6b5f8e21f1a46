// Arena algorithm: setup and core routine.
#include "Engine.h"

#include <algorithm>
#include <cmath>

#include "BlockwiseNetwork.h"
#include "SeededRandom.h"

namespace moltaro {
namespace {

// Reflection times of bank position k, in units of 44100 * s * 0.5 samples, and how
// much of the +-0.04351 jitter each takes (the first reflection is exact).
double reflectionBase(int k) { return k == 0 ? 0.05 : 0.1 * k; }
constexpr double kReflectionScale[5] = {0.0, 0.1, 0.2, 0.4, 0.8};  // 1 from k = 5 on
double reflectionScale(int k) { return k < 5 ? kReflectionScale[k] : 1.0; }

// All-pass delays L1..L4, R1..R4 in samples (signs +c, -c, +c, -c in each cascade).
constexpr double kAllpassD[8] = {
    158.55272451400756, 210.414322719574, 410.460735797882, 561.6134805679321,
    176.192723903656,   183.9543236351013, 419.2807354927063, 539.5634813308716,
};

constexpr float kOutputScale = 0.084f;

}  // namespace

void Engine::prepareArena() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    ArenaState& st = arena;

    const float s = static_cast<float>(std::pow(16.0, 0.435) * 0.125 * 0.5);
    const double d = relaxed(params.decay);
    st.sizeFactor = s;
    st.loopGain = static_cast<float>(std::pow(std::pow(1.0198, std::sqrt(d)) / 1.0205, 128.0 * s));
    write16k &= kMask16k;
    st.diffusionCoef = relaxed(params.diffusion) * 0.88f * 0.72f;
    st.dampCoef = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    prepareFrontEnd();

    const int w16 = write16k;
    const int w64 = relaxed(write64k);
    for (int i = 0; i < 8; ++i) st.allpassDelay[i] = delayOfTap16k(w16, kAllpassD[i]);

    SeededRandom rng(31767);
    auto jitter = [&rng] { return 2.0 * rng.next() / 32767.0 - 1.0; };
    for (int line = 0; line < ArenaState::kLines; ++line) {
        const int k = line % ArenaState::kBank;
        const double t = (reflectionBase(k) + reflectionScale(k) * 0.04351 * jitter()) * 44100.0 * s * 0.5;
        st.reflectionDelay[line] = delayOfTap64k(w64, t);
    }
    for (int line = 0; line < ArenaState::kLines; ++line) {
        const int k = line % ArenaState::kBank;
        const double t = (std::pow(2.0, k / 24.0) + 0.00025351 * jitter()) * 44100.0 * s * 0.125;
        st.loopDelay[line] = delayOfTap16k(w16, t);
    }
    st.combRing = ringForTaps(st.loopDelay, ArenaState::kLines);
    st.allpassRing = ringForTaps(st.allpassDelay, 8);
    st.longRing = ringForTaps(st.reflectionDelay, ArenaState::kLines);
    st.longSize[0] = st.longSize[1] = 0;
    for (int line = 0; line < ArenaState::kLines; ++line) {
        st.combSize[line] = st.loopDelay[line];
        if (st.combPos[line] >= st.combSize[line]) st.combPos[line] = 0;
        int& reach = st.longSize[arenaFeed(line)];
        reach = std::max(reach, st.reflectionDelay[line]);
    }
    for (int c = 0; c < 2; ++c)
        if (st.longPos[c] >= st.longSize[c]) st.longPos[c] = 0;
}

// Every comb line feeds back only into itself through a delay longer than a stretch, so
// the lines run over a whole stretch eight at a time (dampedCombs8); each bank's sum of the
// written values is formed afterwards, in line order. The long copies take the stretch's
// input after the combs have read their reflections (every one lies more than a stretch
// back). The samples are those of a loop sample by sample.
void Engine::processArena(int n) {
    ArenaState& st = arena;
    const float g = st.loopGain, damp = st.dampCoef, c = st.diffusionCoef;
    const int allpassRing = st.allpassRing;
    float* comb[ArenaState::kLines];
    for (int line = 0; line < ArenaState::kLines; ++line) comb[line] = st.combLine(lines16k, line);
    float* allpass[8];
    for (int a = 0; a < 8; ++a) allpass[a] = st.allpassLine(lines16k, a);
    float* const longLine[2] = {lines64k[ArenaState::kLongLeft], lines64k[ArenaState::kLongRight]};

    float nz[kStretch], u[2][kStretch];
    float sum[2][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (write16k + 1) & kMask16k;

        frontEndRun(done, m, 1, nz, u[0], u[1]);
        write16k = (write16k + m) & kMask16k;

        for (int first = 0; first < ArenaState::kLines; first += 8) {
            const float* feed[8];
            int feedPos[8], feedSize[8];
            for (int k = 0; k < 8; ++k) {
                const int ch = arenaFeed(first + k);
                feed[k] = longLine[ch];
                feedSize[k] = st.longSize[ch];
                feedPos[k] = ringBack(st.longPos[ch], st.reflectionDelay[first + k], feedSize[k]);
            }
            ringCombStretch8(comb + first, st.combPos + first, st.combSize + first, st.loopDelay + first, feed,
                             feedPos, feedSize, nz, st.combState + first, damp, g, m);
        }
        sumRings(sum[0], comb, st.combPos, st.combSize, ArenaState::kBank, m);
        sumRings(sum[1], comb + ArenaState::kBank, st.combPos + ArenaState::kBank, st.combSize + ArenaState::kBank,
                 ArenaState::kBank, m);
        for (int line = 0; line < ArenaState::kLines; ++line)
            st.combPos[line] = ringAdvance(st.combPos[line], m, st.combSize[line]);
        for (int ch = 0; ch < 2; ++ch) writeRing(longLine[ch], st.longPos[ch], st.longSize[ch], u[ch], m);

        allpassCascadeStretch(allpass, st.allpassDelay, c, sum[0], m, p0, allpassRing);
        allpassCascadeStretch(allpass + 4, st.allpassDelay + 4, c, sum[1], m, p0, allpassRing);
        for (int i = 0; i < m; ++i) {
            workOutL[done + i] = kOutputScale * sum[0][i];
            workOutR[done + i] = kOutputScale * sum[1][i];
        }
        done += m;
    }
}

}  // namespace moltaro
