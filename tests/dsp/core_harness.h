#pragma once
// Drives one algorithm core directly on an Engine, as the audio entry would between
// the stages: parameters set, setup then process per block on the work buffers.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/Engine.h"

namespace coretest {

using moltaro::Engine;
using Signal = std::vector<float>;

struct Core {
    void (Engine::*prepare)();
    void (Engine::*process)(int);
};
inline constexpr Core kArena{&Engine::prepareArena, &Engine::processArena};
inline constexpr Core kCathedral{&Engine::prepareCathedral, &Engine::processCathedral};
inline constexpr Core kSpring{&Engine::prepareSpring, &Engine::processSpring};

struct Settings {
    float decay = 0.5f, diffusion = 1.0f, highDamp = 0.1f;
};

// A fresh engine at 44100 Hz with flat shelves and no pre-delay.
inline std::unique_ptr<Engine> makeEngine(const Settings& s = {}) {
    auto e = std::make_unique<Engine>();
    moltaro::store(e->params.decay, s.decay);
    moltaro::store(e->params.diffusion, s.diffusion);
    moltaro::store(e->params.highDamp, s.highDamp);
    moltaro::store(e->params.lowGain, 1.0f);
    moltaro::store(e->params.highGain, 1.0f);
    moltaro::store(e->predelayTap, moltaro::relaxed(e->write64k));
    moltaro::store(e->setupPending, true);
    return e;
}

// Runs the core over the inputs in blocks of `block` core samples.
inline void run(Engine& e, Core c, const Signal& inL, const Signal& inR, Signal& outL, Signal& outR,
                int block = 256) {
    const int len = static_cast<int>(inL.size());
    outL.assign(len, 0.0f);
    outR.assign(len, 0.0f);
    for (int at = 0; at < len; at += block) {
        const int n = std::min(block, len - at);
        for (int i = 0; i < n; ++i) {
            e.workInL[i] = inL[at + i];
            e.workInR[i] = inR[at + i];
        }
        (e.*c.prepare)();
        (e.*c.process)(n);
        for (int i = 0; i < n; ++i) {
            outL[at + i] = e.workOutL[i];
            outR[at + i] = e.workOutR[i];
        }
    }
}

inline Signal impulse(int len, float at0 = 1.0f) {
    Signal s(len, 0.0f);
    s[0] = at0;
    return s;
}

// Deterministic noise in -0.5..0.5.
inline Signal noise(int len, unsigned seed = 1) {
    Signal s(len);
    for (float& x : s) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    return s;
}

// Reports the first few samples (of both channels) where a render differs from the
// expected one; `what` names the render.
inline void expectSameSamples(const Signal& gotL, const Signal& gotR, const Signal& wantL,
                              const Signal& wantR, const std::string& what) {
    ASSERT_EQ(gotL.size(), wantL.size());
    int reported = 0;
    for (size_t i = 0; i < gotL.size() && reported < 5; ++i)
        if (gotL[i] != wantL[i] || gotR[i] != wantR[i]) {
            ADD_FAILURE() << what << ", sample " << i << ": " << gotL[i] << "/" << gotR[i]
                          << ", expected " << wantL[i] << "/" << wantR[i];
            ++reported;
        }
}

// Index of the first sample whose magnitude exceeds thr, or -1.
inline int firstAbove(const Signal& x, float thr = 1e-4f) {
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > thr) return static_cast<int>(i);
    return -1;
}

}  // namespace coretest
