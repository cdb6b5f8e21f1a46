#pragma once
// Room: two banks of twelve damped combs fed crosswise from the two input channels,
// a fixed multi-tap read-out of the comb lines per output, and four series all-passes
// per channel.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct RoomState {
    static constexpr int kCombs = 24;       // A1..A12, then B1..B12
    static constexpr int kOutTaps = 12;     // per output channel
    static constexpr int kAllpasses = 8;    // P1..P4 left, P5..P8 right

    // Coefficients of the last setup.
    float g = 0.0f;    // comb feedback
    float k = 1.0f;    // comb damping
    float ga = 0.0f;   // all-pass gain

    // Taps as delays in core samples behind write16k (a tap's read index runs in
    // lock-step with the write index, so only this distance matters).
    int combDelay[kCombs] = {};
    int outDelay[2][kOutTaps] = {};
    int allpassDelay[kAllpasses] = {};

    float s[kCombs] = {};   // comb damping states

    // Pool memory: the combs A1..A12, B1..B12, then the all-passes, as rings packed into
    // the single lines, of these sizes in samples (set by the setup).
    int combRing = kLen16k, allpassRing = kLen16k;
    float* combLine(float* const* single, int c) const { return packedRing(single, c, combRing); }
    float* allpassLine(float* const* single, int a) const {
        return packedRing(single + linesForRings(kCombs, combRing), a, allpassRing);
    }

    void clear(ClearReason) {
        for (float& x : s) x = 0.0f;
    }
};

}  // namespace moltaro
