#pragma once
// Hall: 24 recirculating damped combs, 24 echo lines fed from second taps on the combs,
// 24 output taps per side and two four-stage all-pass cascades.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct HallState {
    static constexpr int kCombs = 24;
    // Pool memory: the combs, the echo lines, then the all-passes L1..L4, R1..R4, as
    // guarded rings (a ring of combRing or allpassRing samples, then a copy of its first
    // kGuard) packed into the single lines.
    static constexpr int kFirstComb = 0;
    static constexpr int kFirstEcho = kFirstComb + kCombs;

    // Taps, as the distance in core samples behind the shared write index (a running
    // read index advances in step with the write index, so only this distance matters).
    int combDelay[kCombs] = {};
    int echoSourceDelay[kCombs] = {};
    int leftOutDelay[kCombs] = {};
    int rightOutDelay[kCombs] = {};
    int allpassDelay[8] = {};   // L1..L4, R1..R4

    // Coefficients of the last setup.
    float sizeFactor = 0.0f, loopGain = 0.0f, dampCoef = 0.0f, diffusionCoef = 0.0f;

    float combState[kCombs] = {};
    float echoState[kCombs] = {};

    // Where the core lays out each line: comb or echo line k (0..47) in a slot of
    // combRing + kGuard samples, all-pass a (0..7) as a guarded ring of allpassRing
    // samples (slot sizes set by the setup). Line k is a guarded ring of lineRing[k]
    // samples, its farthest tap, at its own position linePos[k].
    int combRing = kLen16k, allpassRing = kLen16k;
    int lineRing[2 * kCombs] = {};
    int linePos[2 * kCombs] = {};
    float* line(float* const* single, int k) const { return packedRing(single, k, combRing + kGuard); }
    float* allpassLine(float* const* single, int a) const {
        return packedRing(single + linesForRings(2 * kCombs, combRing + kGuard), a, allpassRing + kGuard);
    }

    void clear(ClearReason) {
        for (float& s : combState) s = 0.0f;
        for (float& s : echoState) s = 0.0f;
    }
};

// Shaped input channel (0 left, 1 right) added into comb line k; echo line k takes the other.
constexpr int hallCombFeed(int k) { return k < 3 ? 0 : (k == 3 ? 1 : (k & 1)); }

}  // namespace moltaro
