// Spring algorithm: setup and core routine.
#include "Engine.h"

#include <cmath>

namespace moltaro {
namespace {

// Per spring (0..2 left, 3..5 right): loop delay in units of f, all-pass delays P, Q, W
// in units of t.
struct SpringTaps { double loop, p, q, w; };
constexpr SpringTaps kTaps[SpringState::kSprings] = {
    {29.0, 0.92, 0.5683208, 1.4883208},
    {34.0, 1.08, 0.6671592, 1.7471592},
    {38.0, 1.21, 0.7474654, 1.9574654},
    {29.2, 0.93, 0.5744982, 1.5044982},
    {33.7, 1.06, 0.6548044, 1.7148044},
    {38.1, 1.22, 0.7536428, 1.9736428},
};

constexpr float kOutputScale = 0.2968f;

// Loop gain from the envelope: fb0 * 0.985 on silence, toward fb0 * 0.285 when loud.
inline float loopGainFor(float env, float fb0) {
    const float e = std::sqrt(std::sqrt(1.0f / (1.0f + std::sqrt(std::sqrt(env)))));
    return fb0 * ((0.95f - e) * 0.3f + e);
}

// Envelope step: rises with `att`, falls with `rel`.
inline float follow(float env, float x, float att, float rel) {
    const float c = x > env ? att : rel;
    return (env - x) * c + x;
}

}  // namespace

void Engine::prepareSpring() {
    if (!setupPending.exchange(false, std::memory_order_relaxed)) return;
    SpringState& st = spring;

    const double c = std::pow(4.0, 0.5) * 0.5;
    st.allpassGain = relaxed(params.diffusion) * 0.78f;
    const double decay = relaxed(params.decay);
    st.baseFeedback = static_cast<float>(std::pow(1.5, std::sqrt(decay)) / 1.5 * 0.9999);
    st.damp = (1.0f - relaxed(params.highDamp)) * 0.8f + 0.2f;
    prepareFrontEnd();
    st.attack = static_cast<float>(std::pow(0.005, 1000.0 / coreRate));
    st.release = static_cast<float>(std::pow(0.005, 10.0 / coreRate));

    write16k &= kMask16k;
    const float f = static_cast<float>(c * 44100.0 * 0.001);
    const float t = static_cast<float>(f * 2.31);
    const int w = write16k;
    for (int j = 0; j < SpringState::kSprings; ++j) {
        st.loopDelay[j] = tapDelay16k(w, kTaps[j].loop * f);
        st.pDelay[j] = tapDelay16k(w, kTaps[j].p * t);
        st.qDelay[j] = tapDelay16k(w, kTaps[j].q * t);
        st.wDelay[j] = tapDelay16k(w, kTaps[j].w * t);
    }
}

void Engine::processSpring(int n) {
    SpringState& st = spring;
    const float ga = st.allpassGain, fb0 = st.baseFeedback, k = st.damp;
    const float att = st.attack, rel = st.release;
    constexpr int kSprings = SpringState::kSprings;
    float* lineS[kSprings]; float* lineR[kSprings]; float* lineP[kSprings];
    float* lineQ[kSprings]; float* lineW[kSprings];
    for (int j = 0; j < kSprings; ++j) {
        lineS[j] = lines16k[SpringState::line(j, SpringState::kS)];
        lineR[j] = lines16k[SpringState::line(j, SpringState::kR)];
        lineP[j] = lines16k[SpringState::line(j, SpringState::kP)];
        lineQ[j] = lines16k[SpringState::line(j, SpringState::kQ)];
        lineW[j] = lines16k[SpringState::line(j, SpringState::kW)];
    }
    float envL = st.envL, envR = st.envR;
    float fbL = st.fbL, fbR = st.fbR;
    float damped[kSprings];
    for (int j = 0; j < kSprings; ++j) damped[j] = st.damped[j];

    constexpr int kFrontRun = 256;   // samples of front end computed at once
    float nz[kFrontRun], u[2][kFrontRun];
    for (int done = 0; done < n;) {
        const int m = n - done < kFrontRun ? n - done : kFrontRun;
        // The front end for the stretch; this core advances its indices at the end of
        // each sample.
        frontEndRun(done, m, 0, nz, u[0], u[1]);
        for (int i = 0; i < m; ++i) {
            const int w = write16k;

            float loopOut[kSprings];
            for (int j = 0; j < kSprings; ++j) loopOut[j] = lineS[j][(w - st.loopDelay[j]) & kMask16k];
            envL = follow(envL, std::fabs(loopOut[0]) + std::fabs(loopOut[1]) + std::fabs(loopOut[2]), att, rel);
            envR = follow(envR, std::fabs(loopOut[3]) + std::fabs(loopOut[4]) + std::fabs(loopOut[5]), att, rel);
            fbL = loopGainFor(envL, fb0);
            fbR = loopGainFor(envR, fb0);

            float heard[kSprings];
            for (int j = 0; j < kSprings; ++j) {
                const bool left = j < 3;
                float& s = damped[j];
                s = s + (loopOut[j] - s) * k + nz[i];
                const float ret = lineR[j][(w - st.loopDelay[j]) & kMask16k];

                float d = lineP[j][(w - st.pDelay[j]) & kMask16k];
                float v = -s + ga * d;
                lineP[j][w] = v;
                const float a = d - ga * v;
                heard[j] = a;

                d = lineQ[j][(w - st.qDelay[j]) & kMask16k];
                v = a + ga * d;
                lineQ[j][w] = v;
                lineR[j][w] = d - ga * v;

                d = lineW[j][(w - st.wDelay[j]) & kMask16k];
                v = ret + ga * d;
                lineW[j][w] = v;
                const float b = d - ga * v;
                lineS[j][w] = b * (left ? fbL : fbR) + u[left ? 0 : 1][i];
            }
            workOutL[done + i] = (heard[0] + heard[1] + heard[2]) * kOutputScale;
            workOutR[done + i] = (heard[3] + heard[4] + heard[5]) * kOutputScale;
            write16k = (write16k + 1) & kMask16k;
        }
        done += m;
    }

    st.envL = envL; st.envR = envR;
    st.fbL = fbL; st.fbR = fbR;
    for (int j = 0; j < kSprings; ++j) st.damped[j] = damped[j];
}

}  // namespace moltaro
