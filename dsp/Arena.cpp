// Arena algorithm: setup and core routine.
#include "Engine.h"

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

// Two comb lines of one bank over m samples: damped loop tap, write of reflection plus
// feedback, and the written values added into sum (line a first, then line b).
struct CombPair {
    float* lineA; float* lineB;
    const float* feedA; const float* feedB;   // long input lines
    int loopA, loopB, reflA, reflB;
    float* stateA; float* stateB;
};

void runCombPair(const CombPair& c, float g, float damp, const float* nz, float* sum, int m,
                 int p0, int q0) {
    float sa = *c.stateA, sb = *c.stateB;
    forEachRun(m, p0, std::array<int, 3>{0, c.loopA, c.loopB}, q0, std::array<int, 2>{c.reflA, c.reflB},
               [&](int i, int len, const std::array<int, 3>& at, const std::array<int, 2>& refl) {
                   float* wrA = c.lineA + at[0];
                   float* wrB = c.lineB + at[0];
                   const float* loopRdA = c.lineA + at[1];
                   const float* loopRdB = c.lineB + at[2];
                   const float* reflRdA = c.feedA + refl[0];
                   const float* reflRdB = c.feedB + refl[1];
                   const float* n = nz + i;
                   float* out = sum + i;
                   for (int j = 0; j < len; ++j) {
                       sa = n[j] + (sa + (loopRdA[j] - sa) * damp);
                       const float va = reflRdA[j] + g * sa;
                       wrA[j] = va;
                       sb = n[j] + (sb + (loopRdB[j] - sb) * damp);
                       const float vb = reflRdB[j] + g * sb;
                       wrB[j] = vb;
                       out[j] = out[j] + va + vb;
                   }
               });
    *c.stateA = sa;
    *c.stateB = sb;
}

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
}

void Engine::processArena(int n) {
    ArenaState& st = arena;
    const float g = st.loopGain, damp = st.dampCoef, c = st.diffusionCoef;
    float* const longLine[2] = {lines64k[ArenaState::kLongLeft], lines64k[ArenaState::kLongRight]};
    float* const allpassL[4] = {lines16k[ArenaState::kFirstAllpass + 0], lines16k[ArenaState::kFirstAllpass + 1],
                                lines16k[ArenaState::kFirstAllpass + 2], lines16k[ArenaState::kFirstAllpass + 3]};
    float* const allpassR[4] = {lines16k[ArenaState::kFirstAllpass + 4], lines16k[ArenaState::kFirstAllpass + 5],
                                lines16k[ArenaState::kFirstAllpass + 6], lines16k[ArenaState::kFirstAllpass + 7]};

    float nz[kStretch], uL[kStretch], uR[kStretch];
    float sum[2][kStretch];

    for (int done = 0; done < n;) {
        const int m = n - done < kStretch ? n - done : kStretch;
        const int p0 = (write16k + 1) & kMask16k;
        const int q0 = (relaxed(write64k) + 1) & kMask64k;

        // Front end, and the shaped input into the two long lines.
        frontEndRun(done, m, 1, nz, uL, uR);
        write16k = (write16k + m) & kMask16k;
        for (int i = 0; i < m; ++i) {
            const int q = (q0 + i) & kMask64k;
            longLine[0][q] = uL[i];
            longLine[1][q] = uR[i];
            sum[0][i] = 0.0f;
            sum[1][i] = 0.0f;
        }

        // Comb lines, two at a time, each bank into its own sum.
        for (int line = 0; line < ArenaState::kLines; line += 2) {
            const CombPair pair{lines16k[ArenaState::kFirstComb + line], lines16k[ArenaState::kFirstComb + line + 1],
                                longLine[arenaFeed(line)], longLine[arenaFeed(line + 1)],
                                st.loopDelay[line], st.loopDelay[line + 1],
                                st.reflectionDelay[line], st.reflectionDelay[line + 1],
                                &st.combState[line], &st.combState[line + 1]};
            runCombPair(pair, g, damp, nz, sum[line < ArenaState::kBank ? 0 : 1], m, p0, q0);
        }

        allpassCascadeStretch(allpassL, st.allpassDelay, c, sum[0], m, p0);
        allpassCascadeStretch(allpassR, st.allpassDelay + 4, c, sum[1], m, p0);
        for (int i = 0; i < m; ++i) {
            workOutL[done + i] = kOutputScale * sum[0][i];
            workOutR[done + i] = kOutputScale * sum[1][i];
        }
        done += m;
    }
}

}  // namespace moltaro
