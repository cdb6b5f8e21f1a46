#pragma once
// Test helpers: an Engine driven as the shell drives it, and the same settings on the
// reference model.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/Engine.h"
#include "dsp/reference_model.h"

namespace rig {

using moltaro::Engine;
using Signal = std::vector<float>;

inline void apply(Engine& e, const reference::Params& p) {
    using moltaro::store;
    store(e.params.power, p.power);
    store(e.params.requestedAlgorithm, p.requested);
    store(e.params.predelaySeconds, p.predelaySeconds);
    store(e.params.decay, p.decay);
    store(e.params.highDamp, p.highDamp);
    store(e.params.diffusion, p.diffusion);
    store(e.params.lowFreq, p.lowFreq);
    store(e.params.lowGain, p.lowGain);
    store(e.params.highFreq, p.highFreq);
    store(e.params.highGain, p.highGain);
    store(e.params.wet, p.wet);
    store(e.params.outGain, p.outGain);
    store(e.setupPending, true);
    e.updatePredelay();
}

// Settings for the core tests: the three values they vary, the rest at their defaults.
inline reference::Params settings(float decay = 0.5f, float diffusion = 1.0f, float highDamp = 0.1f) {
    reference::Params p;
    p.decay = decay;
    p.diffusion = diffusion;
    p.highDamp = highDamp;
    return p;
}

// A fresh engine as the plug-in leaves it after construction and resume, running
// `algorithm` with the given settings.
inline std::unique_ptr<Engine> makeEngine(float rate, int algorithm, const reference::Params& p = {},
                                          int block = 512) {
    auto e = std::make_unique<Engine>();
    apply(*e, p);
    e->suspend();
    e->resume(rate, block, block);
    e->algorithm = moltaro::algorithmAt(algorithm);
    return e;
}

// Runs stereo input through the engine in blocks of the given lengths (cycled).
inline void run(Engine& e, const Signal& inL, const Signal& inR, Signal& outL, Signal& outR,
                const std::vector<int>& blocks = {512}) {
    const int len = static_cast<int>(inL.size());
    outL.assign(len, 0.0f);
    outR.assign(len, 0.0f);
    size_t b = 0;
    for (int at = 0; at < len;) {
        const int n = std::min(blocks[b++ % blocks.size()], len - at);
        const float* ins[2] = {inL.data() + at, inR.data() + at};
        float* outs[2] = {outL.data() + at, outR.data() + at};
        e.process(ins, outs, n, true, true);
        at += n;
    }
}

// One algorithm's setup and core routine.
struct CoreRoutines {
    void (Engine::*prepare)();
    void (Engine::*process)(int);
};

// The core alone on core samples, all of them in one call.
inline void runCore(Engine& e, CoreRoutines c, const Signal& inL, const Signal& inR, Signal& outL, Signal& outR) {
    const int n = static_cast<int>(inL.size());
    std::copy(inL.begin(), inL.end(), e.workInL);
    std::copy(inR.begin(), inR.end(), e.workInR);
    (e.*c.prepare)();
    (e.*c.process)(n);
    outL.assign(e.workOutL, e.workOutL + n);
    outR.assign(e.workOutR, e.workOutR + n);
}

// Deterministic uniform noise in [-amp, amp).
inline Signal noise(int len, float amp = 0.5f, uint32_t seed = 1) {
    Signal s(len);
    for (float& x : s) {
        seed = seed * 1664525u + 1013904223u;
        x = amp * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return s;
}

inline Signal impulse(int len, int at = 0, float value = 1.0f) {
    Signal s(len, 0.0f);
    if (at < len) s[at] = value;
    return s;
}

// Random block lengths in [lo, hi].
inline std::vector<int> randomBlocks(int count, int lo, int hi, uint32_t seed = 7) {
    std::vector<int> b(count);
    for (int& x : b) {
        seed = seed * 1664525u + 1013904223u;
        x = lo + static_cast<int>((seed >> 8) % static_cast<uint32_t>(hi - lo + 1));
    }
    return b;
}

// Index of the first sample whose magnitude exceeds thr, or -1.
inline int firstAbove(const Signal& x, float thr) {
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > thr) return static_cast<int>(i);
    return -1;
}

}  // namespace rig
