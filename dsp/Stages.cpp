// The input and output stages around the cores, and the per-block driver.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "Engine.h"
#include "Simd.h"

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

// Half-rate decimation of one channel: out[j] is the filter output at host position
// first + 2j. x is the dry copy (x[-32..-1] its history); a and b are scratch arrays of
// at least np + 16 samples. The samples of even and odd age are gathered into a and b
// so that four outputs are computed at once, each summed in the order k = 0..30.
void decimateHalfRun(const float* x, int first, int np, float* out, float* a, float* b) {
    float* A = a + 15;   // A[i] = x[first + 2i], B[i] = x[first + 2i - 1], i >= -15
    float* B = b + 15;
    for (int i = -15; i < np; ++i) {
        A[i] = x[first + 2 * i];
        B[i] = x[first + 2 * i - 1];
    }
    int j = 0;
    for (; j + 4 <= np; j += 4) {
        v4f y = splat4(kDecimate[0]) * load4(A + j);
        for (int h = 1; h <= 15; ++h) {
            y += splat4(kDecimate[2 * h - 1]) * load4(B + j - h + 1);
            y += splat4(kDecimate[2 * h]) * load4(A + j - h);
        }
        store4(out + j, y);
    }
    for (; j < np; ++j) out[j] = decimateHalf(x + first + 2 * j);
}

// Half-rate interpolation of one channel into wet[0..m): q[0..taken) are the core
// samples taken at host positions first + 2j, q[-1], q[-2], ... those taken before;
// real is scratch for `taken` samples.
void interpolateHalfRun(const float* q, int first, int taken, int m, float* wet, float* real) {
    int j = 0;
    for (; j + 4 <= taken; j += 4) {
        v4f y = splat4(kInterpolate[0]) * load4(q + j);
        for (int t = 1; t < 16; ++t) y += splat4(kInterpolate[t]) * load4(q + j - t);
        store4(real + j, y);
    }
    for (; j < taken; ++j) real[j] = interpolateHalf(q + j);
    if (first == 1) wet[0] = q[-8];
    for (j = 0; j < taken; ++j) {
        const int i = first + 2 * j;
        wet[i] = real[j];
        if (i + 1 < m) wet[i + 1] = q[j - 7];
    }
}

bool allZero(const float* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] != 0.0f) return false;
    return true;
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
                         outR ? outR + done : nullptr, m);
            done += m;
        }
    }
    if (!valid && outputs && frames > 0) {   // no engine memory: silence
        const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(frames);
        if (outputs[0]) std::memset(outputs[0], 0, bytes);
        if (relaxed(stereoOut) && output1Connected && outputs[1]) std::memset(outputs[1], 0, bytes);
    }
    blockCount.fetch_add(1, std::memory_order_relaxed);
}

void Engine::processPiece(const float* inL, const float* inR, float* outL, float* outR, int m) {
    if (predelayDirty.exchange(false, std::memory_order_acquire)) applyPredelay(relaxed(write64k));
    int count = typeChangeRestart.exchange(false, std::memory_order_acquire) ? kChangeoverCount
                                                                             : relaxed(typeChangeCount);
    const int np = inputStage(inL, inR, m);
    const bool coreOn = relaxed(hostRate) <= kMaxCoreHostRate && silenceCount > 0 &&
                        (count == 0 || count > kChangeoverGap);
    if (coreOn && clearPending()) {
        // A change arriving in the silent stretch runs the core again before all is clear.
        // Its output is faded to nothing until the next switch clears everything again, so
        // a dirty pool changes no sample, except through the Plate's dispersion filters,
        // which keep their state across a switch: for the Plate, clear what it reads.
        if (count <= kChangeoverGap) finishClear();
        else if (algorithm == Algorithm::Plate) clearPlateReads();
        else dropClear();
    }
    if (coreOn) {
        if (rateDivider == 0) {
            std::memcpy(workInL, dryL, sizeof(float) * static_cast<std::size_t>(m));
            std::memcpy(workInR, dryR, sizeof(float) * static_cast<std::size_t>(m));
        } else {
            decimate(np);
        }
        runCore(np);
    } else {
        std::memset(workOutL, 0, sizeof(float) * static_cast<std::size_t>(np));
        std::memset(workOutR, 0, sizeof(float) * static_cast<std::size_t>(np));
    }
    outputStage(outL, outR, m, np, count, coreOn);
    store(typeChangeCount, count);
    // The newest input samples become the decimator's history.
    std::memmove(dryL - kHistory, dryL - kHistory + m, sizeof(float) * kHistory);
    std::memmove(dryR - kHistory, dryR - kHistory + m, sizeof(float) * kHistory);
    if (clearPending()) clearStep(count);
}

// Dry copy and signal detection; returns the number of core samples this piece yields.
int Engine::inputStage(const float* inL, const float* inR, int m) {
    if (!inR) inR = inL;
    int bad = 0, signal = 0;
    for (int i = 0; i < m; ++i) {
        const float l = inL[i], r = inR[i];
        dryL[i] = l;
        dryR[i] = r;
        bad |= !(std::fabs(l) <= kInputLimit) | !(std::fabs(r) <= kInputLimit);
        signal |= std::fabs(l) + std::fabs(r) > kSilenceThreshold;
    }
    if (bad) {
        signal = 0;
        for (int i = 0; i < m; ++i) {
            dryL[i] = sanitize(dryL[i]);
            dryR[i] = sanitize(dryR[i]);
            signal |= std::fabs(dryL[i]) + std::fabs(dryR[i]) > kSilenceThreshold;
        }
    }
    // Input signal keeps the core running for a second after the input stops, plus the
    // pre-delay: the sound may still be waiting in the pre-delay line for up to a second.
    if (signal) silenceCount = silenceHold + predelayHostSamples();
    return rateDivider == 0 ? m : countAt(stagePhase, rateDivider, emitPhase(rateDivider), m);
}

// Low-pass and decimate the dry copy into the core input.
void Engine::decimate(int np) {
    const int first = firstAt(stagePhase, rateDivider, emitPhase(rateDivider));
    if (rateDivider == 1) {
        decimateHalfRun(dryL, first, np, workInL, scratch, scratch + kScratchHalf);
        decimateHalfRun(dryR, first, np, workInR, scratch, scratch + kScratchHalf);
        return;
    }
    for (int j = 0; j < np; ++j) {
        const int i = first + 4 * j;
        workInL[j] = decimateQuarter(dryL + i);
        workInR[j] = decimateQuarter(dryR + i);
    }
}

// Wet samples at the host rate: the core output itself at full rate; otherwise
// interpolated into workIn (free once the core has run).
void Engine::interpolate(int m, int taken, bool coreRan) {
    const int rd = rateDivider;
    const int pendingStart = pendingOut;
    const float* qL = workOutL - pendingStart;
    const float* qR = workOutR - pendingStart;
    // A gated core over a silent history: every interpolated sample is zero.
    if (!coreRan && allZero(qL - 16, 16 + pendingStart) && allZero(qR - 16, 16 + pendingStart)) {
        std::memset(workInL, 0, sizeof(float) * static_cast<std::size_t>(m));
        std::memset(workInR, 0, sizeof(float) * static_cast<std::size_t>(m));
        return;
    }
    const int first = firstAt(stagePhase, rd, takePhase(rd));
    if (rd == 1) {
        interpolateHalfRun(qL, first, taken, m, workInL, scratch);
        interpolateHalfRun(qR, first, taken, m, workInR, scratch);
        return;
    }
    int phase = stagePhase, t = 0;
    for (int i = 0; i < m; ++i) {
        if (phase == 3) ++t;
        phase = (phase + 1) & 3;
        workInL[i] = interpolateQuarter(qL + t - 1, phase);
        workInR[i] = interpolateQuarter(qR + t - 1, phase);
    }
}

// The changeover's fade: wet[0..m) times the fade into faded[0..m) (the same arrays or
// not). Steps, per sample: count down, fade out, switch at the first count in
// (kChangeoverGap, kChangeoverSwitch - m] (for equal block lengths exactly where the count
// reaches kChangeoverSwitch - m), hold the core off, fade in.
void Engine::fade(const float* wetL, const float* wetR, float* fadedL, float* fadedR, int m, int& count) {
    float f = wetFade;
    const int switchAt = kChangeoverSwitch - m;
    for (int i = 0; i < m; ++i) {
        if (count != 0) {
            --count;
            f = std::max(0.0f, f - kFadeStep);
            if (count > kChangeoverGap && count <= switchAt) {
                f = 0.0f;
                algorithm = algorithmAt(relaxed(params.requestedAlgorithm));
                // Clears the core's buffers (so the rest of this piece's wet reads zero),
                // not the dry copy; the pool follows over the silent stretch.
                beginReset(m);
                count = kChangeoverGap;
            }
        }
        if (count == 0) f = std::min(1.0f, f + kFadeStep);
        fadedL[i] = f * wetL[i];
        fadedR[i] = f * wetR[i];
    }
    wetFade = f;
}

// DC blocking of the wet signal, mix, output level, meters, silence gate and the host's
// buffers, sample by sample in one loop: the DC blocker's recursion is a long chain of
// dependent operations, and the mix of each sample runs beside it instead of after it.
void Engine::mixOut(const float* wetL, const float* wetR, float* outL, float* outR, int m) {
    const float mix = relaxed(params.wet);
    const float wetGain = std::sqrt(mix), dryGain = std::sqrt(1.0f - mix);
    const float gain = relaxed(params.outGain);
    float pkL = 0.0f, pkR = 0.0f;
    int silence = silenceCount;
    const int hold = silenceHold;
    BiquadPair dc;
    dc.load(dcBlockL, dcBlockR);
    dc.run(m, [&](int i) { return v2d{wetL[i], wetR[i]}; },
           [&](int i, v2d y) {
               const float dcL = static_cast<float>(y[0]);
               const float dcR = static_cast<float>(y[1]);
               const float oL = gain * (dryL[i] * dryGain + wetGain * dcL);
               const float oR = gain * (dryR[i] * dryGain + wetGain * dcR);
               pkL = std::max(pkL, std::fabs(oL));
               pkR = std::max(pkR, std::fabs(oR));
               if (std::fabs(oL) + std::fabs(oR) < kSilenceThreshold) silence -= silence > 0;
               else silence = hold;
               if (outR) {
                   outL[i] = oL;
                   outR[i] = oR;
               } else {
                   outL[i] = (oL + oR) * 0.5f;
               }
           });
    dc.save(dcBlockL, dcBlockR);
    silenceCount = silence;
    raisePeak(peakL, pkL);
    raisePeak(peakR, pkR);
}

void Engine::outputStage(float* outL, float* outR, int m, int np, int& count, bool coreRan) {
    const int rd = rateDivider;
    const int pendingStart = rd == 0 ? 0 : pendingOut;
    const int taken = rd == 0 ? m : countAt(stagePhase, rd, takePhase(rd), m);
    // The wet signal at the host rate: the core's output itself, or interpolated into
    // workIn. The fade then works in workIn (free once the core has run), so workOut
    // keeps what the core produced.
    const float* wetL = workOutL;
    const float* wetR = workOutR;
    if (rd != 0) {
        interpolate(m, taken, coreRan);
        wetL = workInL;
        wetR = workInR;
    }
    stagePhase = (stagePhase + m) & rd;

    // With no changeover running and the wet fully in, the fade is the identity.
    if (count != 0 || wetFade != 1.0f) {
        fade(wetL, wetR, workInL, workInR, m, count);
        wetL = workInL;
        wetR = workInR;
    }
    mixOut(wetL, wetR, outL, outR, m);

    if (rd != 0) {
        // Keep the 16 newest taken samples and any untaken one just in front of workOut.
        const int left = pendingStart + np - taken;
        const std::size_t keep = sizeof(float) * static_cast<std::size_t>(16 + left);
        std::memmove(workOutL - 16 - left, workOutL - pendingStart + taken - 16, keep);
        std::memmove(workOutR - 16 - left, workOutR - pendingStart + taken - 16, keep);
        pendingOut = left;
    }
}

}  // namespace moltaro
