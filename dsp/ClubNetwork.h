#pragma once
// State of the comb-tank network that the Club and the Chamber share: 24 damped combs
// (A1..A12, B1..B12), each with an all-pass inside its loop, whose states are summed
// into the two outputs; per channel two output all-passes, twelve weighted early taps
// on a copy of the shaped input, and a third all-pass.

#include "Blocks.h"

namespace moltaro {

struct ClubNetworkState {
    static constexpr int kCombs = 24;          // A1..A12 = 0..11, B1..B12 = 12..23
    static constexpr int kEarlyTaps = 24;      // T1..T12 left, T13..T24 right
    static constexpr int kOutAllpasses = 6;    // O1..O3 left, O4..O6 right

    // Pool lines: the input copies DL, DR on lines64k[kEarlyLeft], lines64k[kEarlyRight];
    // combs, loop all-passes and output all-passes on consecutive 16384-sample lines.
    static constexpr int kEarlyLeft = 2, kEarlyRight = 3;
    static constexpr int kFirstComb = 0;
    static constexpr int kFirstLoop = kFirstComb + kCombs;
    static constexpr int kFirstOut = kFirstLoop + kCombs;

    // Coefficients of the last setup.
    float ga = 0.0f;          // all-pass gain
    float k = 1.0f;           // comb damping
    float fb = 0.0f;          // comb feedback
    float gain[12] = {};      // early-tap gains G1..G12

    // Taps as delays in core samples behind the shared write index (write16k for the
    // tank and output lines, write64k for the early taps).
    int combDelay[kCombs] = {};
    int loopDelay[kCombs] = {};
    int earlyDelay[kEarlyTaps] = {};
    int outDelay[kOutAllpasses] = {};

    float s[kCombs] = {};     // comb damping states

    void clear(ClearReason) {
        for (float& x : s) x = 0.0f;
    }
};

}  // namespace moltaro
