#pragma once
// Plate: dispersion all-passes on the shaped input, an early network of four multi-tap
// all-passes per channel, three input diffusers per channel and a tank of 24 damped
// combs with an all-pass inside each loop.

#include "Blocks.h"

namespace moltaro {

struct PlateState {
    static constexpr int kTank = 24;
    static constexpr int kReadTaps = 20;   // T1..T10 (left), T13..T22 (right)
    // Pool lines (single 16384-sample lines): tank combs C1..C24, loop all-passes
    // X1..X24, early lines E1..E8, diffusers I1..I6. DL and DR are the two long lines
    // that are not pre-delay lines (lines64k[2], [3]), used in their first 16384 samples.
    static constexpr int kFirstComb = 0;
    static constexpr int kFirstLoop = kFirstComb + kTank;
    static constexpr int kFirstEarly = kFirstLoop + kTank;
    static constexpr int kFirstDiffuser = kFirstEarly + 8;
    static constexpr int kLinesUsed = kFirstDiffuser + 6;
    static constexpr int kDispersedL = 2, kDispersedR = 3;

    // Taps as distances in core samples behind write16k.
    int combDelay[kTank] = {};      // C1..C24
    int loopDelay[kTank] = {};      // X1..X24
    int diffuserDelay[6] = {};      // I1..I6
    int earlyDelay[8] = {};         // E1..E8
    int readDelay[kReadTaps] = {};  // T1..T10, T13..T22

    // Setup values: size factor c, unit r (samples), all-pass gain, tank damping, feedback.
    float sizeFactor = 0.0f, unit = 0.0f, allpassGain = 0.0f, damp = 0.0f, feedback = 0.0f;

    float tankState[kTank] = {};

    void clear(ClearReason) {
        for (float& s : tankState) s = 0.0f;
    }
};

// Shaped, diffused input channel (0 left, 1 right) fed into tank comb j (0-based):
// C1, C3, ..., C11 and C14, C16, ..., C24 take the left.
constexpr int plateTankFeed(int j) { return j < 12 ? (j & 1) : 1 - (j & 1); }

}  // namespace moltaro
