#pragma once
// Arena: 48 damped comb lines in two banks, each fed by its own early-reflection tap on
// a long copy of the shaped input, then two four-stage all-pass cascades.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct ArenaState {
    static constexpr int kBank = 24;            // comb lines per bank
    static constexpr int kLines = 2 * kBank;    // left bank 0..23, right bank 24..47
    // Pool memory: the comb lines, then the all-passes L1..L4, R1..R4, as rings packed
    // into the single lines (packedRing); the two long input copies as rings at the start
    // of lines64k[kLongLeft], lines64k[kLongRight].
    static constexpr int kLongLeft = 2, kLongRight = 3;
    // Slot sizes in samples, from the taps (set by the setup).
    int combRing = kLen16k, allpassRing = kLen16k, longRing = kLen64k;
    // Comb line k is a ring of its own (Rings.h) of loopDelay[k] samples in its slot,
    // written at combPos[k] (and read there, a whole ring back); the long copy of
    // channel c one of longSize[c] samples, its farthest reflection tap, at longPos[c].
    int combSize[kLines] = {};
    int combPos[kLines] = {};
    int longSize[2] = {}, longPos[2] = {};

    // Taps, as delays in core samples behind the write position (the shared write index
    // for the all-passes, the ring's own position for the rest; set by the setup).
    int reflectionDelay[kLines] = {};   // on the long line of the line's feed channel
    int loopDelay[kLines] = {};
    int allpassDelay[8] = {};           // L1..L4, R1..R4

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

// Which shaped input channel (0 left, 1 right) feeds each comb line's reflection tap.
// Period three: the left bank takes left, left, right; the right bank the mirror image.
constexpr int arenaFeed(int line) {
    return line < ArenaState::kBank ? (line % 3 == 2 ? 1 : 0) : ((line - ArenaState::kBank) % 3 == 2 ? 0 : 1);
}

}  // namespace moltaro
