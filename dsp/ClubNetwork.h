#pragma once
// State of the comb-tank network that the Club and the Chamber share: 24 damped combs
// (A1..A12, B1..B12), each with an all-pass inside its loop, whose states are summed
// into the two outputs; per channel two output all-passes, twelve weighted early taps
// on a copy of the shaped input, and a third all-pass.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct ClubNetworkState {
    static constexpr int kCombs = 24;          // A1..A12 = 0..11, B1..B12 = 12..23
    static constexpr int kEarlyTaps = 24;      // T1..T12 left, T13..T24 right
    static constexpr int kOutAllpasses = 6;    // O1..O3 left, O4..O6 right

    // Pool memory: the input copies DL, DR as rings at the start of lines64k[kEarlyLeft],
    // lines64k[kEarlyRight]; the combs, the loop all-passes and the output all-passes as
    // rings packed into the single lines, in that order.
    static constexpr int kEarlyLeft = 2, kEarlyRight = 3;

    // Coefficients of the last setup.
    float ga = 0.0f;          // all-pass gain
    float k = 1.0f;           // comb damping
    float fb = 0.0f;          // comb feedback
    float gain[12] = {};      // early-tap gains G1..G12

    // Taps as delays in core samples behind the write position (write16k for the loop
    // and output lines, the ring's own position for the rest).
    int combDelay[kCombs] = {};
    int loopDelay[kCombs] = {};
    int earlyDelay[kEarlyTaps] = {};
    int outDelay[kOutAllpasses] = {};
    // Each comb's loop: the distance between its write and read positions (combDelay
    // shortened by how far behind write16k a comb that writes behind writes).
    int combLoop[kCombs] = {};

    float s[kCombs] = {};     // comb damping states

    // Comb line c is a ring of its own (Rings.h) of combLoop[c] samples (read where it
    // is written, a whole ring back) at combPos[c]; the input copy of channel ch one of
    // earlySize[ch] samples, its farthest early tap, at earlyPos[ch].
    int combPos[kCombs] = {};
    int earlySize[2] = {}, earlyPos[2] = {};

    // Slot sizes in samples (set by the setup) and where the core lays out each line.
    int combRing = kLen16k, loopRing = kLen16k, outRing = kLen16k, earlyRing = kLen64k;
    float* combLine(float* const* single, int i) const { return packedRing(single, i, combRing); }
    float* loopLine(float* const* single, int i) const {
        return packedRing(single + linesForRings(kCombs, combRing), i, loopRing);
    }
    float* outLine(float* const* single, int o) const {
        return packedRing(single + linesForRings(kCombs, combRing) + linesForRings(kCombs, loopRing), o, outRing);
    }

    void clear(ClearReason) {
        for (float& x : s) x = 0.0f;
    }
};

}  // namespace moltaro
