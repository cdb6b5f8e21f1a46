// The input and output stages around the cores, and the per-block driver.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "Engine.h"

namespace moltaro {
namespace {

// Half-rate decimation low-pass: weight of the input sample k host samples old.
constexpr float kDecimate[31] = {
    0.0018f, 0.007f, -0.0025f, -0.016f, -0.0012f, 0.029f, 0.01f, -0.032f,
    -0.0242f, 0.0372f, 0.0478f, -0.0408f, -0.0962f, 0.0428f, 0.314f, 0.455f,
    0.314f, 0.0428f, -0.0962f, -0.0408f, 0.0478f, 0.0372f, -0.0242f, -0.032f,
    0.01f, 0.029f, -0.0012f, -0.016f, -0.0025f, 0.007f, 0.0018f,
};
// Half-rate interpolation: weights at the even offsets 0, 2, ..., 30, where the real
// core samples lie when the newest sample is a real one; the zero-stuffed samples in
// between contribute nothing. Halfway between two real samples the output is the
// real sample 15 host samples old (the centre tap, weight 1).
constexpr float kInterpolate[16] = {
    -0.004f, 0.0106f, -0.0268f, 0.0524f, -0.0812f, 0.1224f, -0.2097f, 0.6351f,
    0.6351f, -0.2097f, 0.1224f, -0.0812f, 0.0524f, -0.0268f, 0.0106f, -0.004f,
};

// Non-finite input is silence; absurdly large input is held at the limit, so that no
// input can overflow the recirculating network.
inline float sanitize(float x) {
    if (std::fabs(x) <= Engine::kInputLimit) return x;
    if (std::fabs(x) <= FLT_MAX) return x > 0.0f ? Engine::kInputLimit : -Engine::kInputLimit;
    return 0.0f;
}

// Position in a block of the first sample whose phase (before advancing) is `target`.
inline int firstAt(int phase, int mask, int target) { return (target - phase) & mask; }
// Number of samples in [0, m) whose phase is `target`.
inline int countAt(int phase, int mask, int target, int m) {
    const int first = firstAt(phase, mask, target);
    return first < m ? (m - 1 - first) / (mask + 1) + 1 : 0;
}
// Phases at which the decimator emits and the interpolator takes a core sample.
inline int emitPhase(int rd) { return rd == 1 ? 0 : 2; }
inline int takePhase(int rd) { return rd == 1 ? 0 : 3; }

// x points at the newest input sample; x[-k] is k samples old.
inline float decimateHalf(const float* x) {
    float y = kDecimate[0] * x[0];
    for (int k = 1; k < 31; ++k) y += kDecimate[k] * x[-k];
    return y;
}
inline float decimateQuarter(const float* x) {
    return 0.25f * (0.183443f * (x[-9] + x[-3]) + 0.516773f * (x[-8] + x[-4]) +
                    0.855737f * (x[-7] + x[-5]) + x[-6]);
}
// r points at the newest real core sample; r[-j] is j core samples old.
inline float interpolateHalf(const float* r) {
    float y = kInterpolate[0] * r[0];
    for (int j = 1; j < 16; ++j) y += kInterpolate[j] * r[-j];
    return y;
}
// Quarter rate, by the new phase p; r points at the newest real core sample.
inline float interpolateQuarter(const float* r, int p) {
    switch (p) {
    case 0: return -0.015f * r[0] + 0.2351f * r[-1] + 0.8732f * r[-2] - 0.0744f * r[-3];
    case 1: return 0.5621f * (r[-1] + r[-2]) - 0.0531f * (r[0] + r[-3]);
    case 2: return -0.0744f * r[0] + 0.8732f * r[-1] + 0.2351f * r[-2] - 0.015f * r[-3];
    default: return r[-1];
    }
}

inline void raisePeak(std::atomic<float>& peak, float v) {
    float cur = peak.load(std::memory_order_relaxed);
    while (v > cur && !peak.compare_exchange_weak(cur, v, std::memory_order_relaxed)) {
    }
}

}  // namespace

void Engine::process(const float* const* inputs, float* const* outputs, int frames,
                     bool input1Connected, bool output1Connected) {
    if (valid && outputs && outputs[0] && frames > 0) {
        const float* inL = inputs && inputs[0] ? inputs[0] : nullptr;
        const float* inR = inL && relaxed(stereoIn) && input1Connected && inputs[1] ? inputs[1] : nullptr;
        float* outL = outputs[0];
        // Without a usable second output, both channels are averaged into the first
        // (so a stereo arrangement with an unconnected second pin loses no channel).
        float* outR = relaxed(stereoOut) && output1Connected && outputs[1] ? outputs[1] : nullptr;
        // Long host blocks run in pieces: the buffers hold any piece, and every piece
        // is short enough for a changeover to reach its switch point.
        for (int done = 0; done < frames;) {
            const int m = std::min(kMaxPiece, frames - done);
            processPiece(inL ? inL + done : silentInput, inR ? inR + done : nullptr, outL + done,
                         outR ? outR + done : nullptr, m, outR == nullptr);
            done += m;
        }
    }
    blockCount.fetch_add(1, std::memory_order_relaxed);
}

void Engine::processPiece(const float* inL, const float* inR, float* outL, float* outR, int m,
                          bool monoOut) {
    if (predelayDirty.exchange(false, std::memory_order_acquire)) applyPredelay(relaxed(write64k));
    int count = typeChangeRestart.exchange(false, std::memory_order_acquire) ? 20000
                                                                             : relaxed(typeChangeCount);
    const int np = inputStage(inL, inR, m);
    const bool coreOn = relaxed(hostRate) <= 200000.0f && silenceCount > 0 &&
                        (count == 0 || count > 5000);
    if (coreOn) {
        if (rateDivider == 0) {
            std::memcpy(workInL, dryL, sizeof(float) * static_cast<std::size_t>(m));
            std::memcpy(workInR, dryR, sizeof(float) * static_cast<std::size_t>(m));
        } else {
            decimate(m, np);
        }
        runCore(np);
    } else {
        std::memset(workOutL, 0, sizeof(float) * static_cast<std::size_t>(np));
        std::memset(workOutR, 0, sizeof(float) * static_cast<std::size_t>(np));
    }
    outputStage(outL, outR, m, np, count, monoOut);
    store(typeChangeCount, count);
    // The newest input samples become the decimator's history.
    std::memmove(dryL - kHistory, dryL - kHistory + m, sizeof(float) * kHistory);
    std::memmove(dryR - kHistory, dryR - kHistory + m, sizeof(float) * kHistory);
}

// Dry copy and signal detection; returns the number of core samples this piece yields.
int Engine::inputStage(const float* inL, const float* inR, int m) {
    bool signal = false;
    if (inR) {
        for (int i = 0; i < m; ++i) {
            const float l = sanitize(inL[i]), r = sanitize(inR[i]);
            dryL[i] = l;
            dryR[i] = r;
            signal |= std::fabs(l) + std::fabs(r) > 1e-6f;
        }
    } else {
        for (int i = 0; i < m; ++i) {
            const float l = sanitize(inL[i]);
            dryL[i] = l;
            dryR[i] = l;
            signal |= std::fabs(l) + std::fabs(l) > 1e-6f;
        }
    }
    if (signal) silenceCount = silenceHold;
    return rateDivider == 0 ? m : countAt(stagePhase, rateDivider, emitPhase(rateDivider), m);
}

// Low-pass and decimate the dry copy into the core input.
void Engine::decimate(int m, int np) {
    (void)m;
    const int step = rateDivider + 1;
    const int first = firstAt(stagePhase, rateDivider, emitPhase(rateDivider));
    for (int j = 0; j < np; ++j) {
        const int i = first + j * step;
        if (rateDivider == 1) {
            workInL[j] = decimateHalf(dryL + i);
            workInR[j] = decimateHalf(dryR + i);
        } else {
            workInL[j] = decimateQuarter(dryL + i);
            workInR[j] = decimateQuarter(dryR + i);
        }
    }
}

void Engine::outputStage(float* outL, float* outR, int m, int np, int& count, bool monoOut) {
    const float mix = relaxed(params.wet);
    const float wetGain = std::sqrt(mix), dryGain = std::sqrt(1.0f - mix);
    const float gain = relaxed(params.outGain);
    const int rd = rateDivider;
    // The core samples not yet taken: the one left over from the last piece (quarter
    // rate), then this piece's; the samples taken before lie in front of them.
    const int pendingStart = rd == 0 ? 0 : pendingOut;
    const float* qL = workOutL - pendingStart;
    const float* qR = workOutR - pendingStart;
    int taken = 0;
    int phase = stagePhase;
    float pkL = 0.0f, pkR = 0.0f;
    int silence = silenceCount;
    const int hold = silenceHold;
    float fade = wetFade;
    const int switchAt = 15000 - m;

    for (int i = 0; i < m; ++i) {
        float wL, wR;
        if (rd == 0) {
            wL = workOutL[i];
            wR = workOutR[i];
        } else if (rd == 1) {
            if (phase == 0) {
                wL = interpolateHalf(qL + taken);
                wR = interpolateHalf(qR + taken);
                ++taken;
            } else {
                wL = qL[taken - 8];
                wR = qR[taken - 8];
            }
            phase ^= 1;
        } else {
            if (phase == 3) ++taken;
            phase = (phase + 1) & 3;
            wL = interpolateQuarter(qL + taken - 1, phase);
            wR = interpolateQuarter(qR + taken - 1, phase);
        }

        // Changeover: fade out, switch, hold the core off, fade in.
        if (count != 0) {
            --count;
            fade = std::max(0.0f, fade - 0.0002f);
            if (count > 5000 && count <= switchAt) {
                fade = 0.0f;
                algorithm = std::min(8, std::max(0, relaxed(params.requestedAlgorithm)));
                resetEngine();
                count = 5000;
            }
        }
        if (count == 0) fade = std::min(1.0f, fade + 0.0002f);

        wL = static_cast<float>(dcBlockL.process(fade * wL));
        wR = static_cast<float>(dcBlockR.process(fade * wR));
        const float oL = gain * (dryL[i] * dryGain + wetGain * wL);
        const float oR = gain * (dryR[i] * dryGain + wetGain * wR);
        pkL = std::max(pkL, std::fabs(oL));
        pkR = std::max(pkR, std::fabs(oR));
        if (std::fabs(oL) + std::fabs(oR) < 1e-6f) {
            if (silence > 0) --silence;
        } else {
            silence = hold;
        }
        if (monoOut) {
            outL[i] = (oL + oR) * 0.5f;
        } else {
            outL[i] = oL;
            outR[i] = oR;
        }
    }

    wetFade = fade;
    silenceCount = silence;
    stagePhase = phase;
    raisePeak(peakL, pkL);
    raisePeak(peakR, pkR);
    if (rd != 0) {
        // Keep the 16 newest taken samples and any untaken one just in front of workOut.
        const int left = pendingStart + np - taken;
        const std::size_t keep = sizeof(float) * static_cast<std::size_t>(16 + left);
        std::memmove(workOutL - 16 - left, qL + taken - 16, keep);
        std::memmove(workOutR - 16 - left, qR + taken - 16, keep);
        pendingOut = left;
    }
}

}  // namespace moltaro
