#pragma once
// Cathedral: two banks of 24 recirculating damped comb lines, each fed from a fixed mix
// of both shaped input channels and read by a jittered output tap, then two four-stage
// all-pass cascades.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct CathedralState {
    static constexpr int kBank = 24;            // comb lines per bank
    static constexpr int kLines = 2 * kBank;    // left bank 0..23, right bank 24..47
    // Pool memory: the comb lines, then the all-passes L1..L4, R1..R4, as rings packed
    // into the single lines (packedRing), in slots of these sizes in samples (set by the
    // setup). Comb line k is a ring of its own (Rings.h) of combSize[k] samples in its
    // slot, written at combPos[k]: its loop tap or its output tap, whichever is farther.
    int combRing = kLen16k, allpassRing = kLen16k;
    int combSize[kLines] = {};
    int combPos[kLines] = {};

    // The four input mixes a comb line can take.
    enum Feed { kL75, kR75, kL50R25, kL25R50 };

    // Taps, as delays in core samples behind the write position (the shared write index
    // for the all-passes, the ring's own position for the combs; set by the setup).
    int loopDelay[kLines] = {};
    int outDelay[kLines] = {};
    int allpassDelay[8] = {};   // L1..L4, R1..R4

    // Coefficients of the last setup.
    float sizeFactor = 0.0f, loopGain = 0.0f, dampCoef = 0.0f, diffusionCoef = 0.0f;

    float combState[kLines] = {};

    // Where the core lays out comb line `line` and all-pass `a` in the single pool lines.
    float* combLine(float* const* single, int line) const { return packedRing(single, line, combRing); }
    float* allpassLine(float* const* single, int a) const {
        return packedRing(single + linesForRings(kLines, combRing), a, allpassRing);
    }

    void clear(ClearReason) {
        for (float& s : combState) s = 0.0f;
    }
};

// Input mix of each comb line. Period four; the right bank mirrors the left, except
// its line 19, which takes 0.75 R.
constexpr CathedralState::Feed cathedralFeed(int line) {
    using F = CathedralState::Feed;
    constexpr F left[4] = {F::kL75, F::kR75, F::kL50R25, F::kL25R50};
    constexpr F right[4] = {F::kR75, F::kL75, F::kL25R50, F::kL50R25};
    if (line < CathedralState::kBank) return left[line % 4];
    const int k = line - CathedralState::kBank;
    return k == 19 ? F::kR75 : right[k % 4];
}

}  // namespace moltaro
