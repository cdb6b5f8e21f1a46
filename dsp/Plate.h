#pragma once
// Plate: dispersion all-passes on the shaped input, an early network of four multi-tap
// all-passes per channel, three input diffusers per channel and a tank of 24 damped
// combs with an all-pass inside each loop.

#include "Blocks.h"

namespace moltaro {

struct PlateState {
    static constexpr int kTank = 24;
    static constexpr int kReadTaps = 20;   // T1..T10 (left), T13..T22 (right)
    // The core runs stretches of at most this many samples (the shortest tap, X1).
    static constexpr int kStretch = 24;
    // The Plate's lines: tank combs C1..C24, loop all-passes X1..X24, early lines E1..E8,
    // diffusers I1..I6 and the two dispersed input lines DL, DR.
    static constexpr int kFirstComb = 0;
    static constexpr int kFirstLoop = kFirstComb + kTank;
    static constexpr int kFirstEarly = kFirstLoop + kTank;
    static constexpr int kFirstDiffuser = kFirstEarly + 8;
    static constexpr int kDispersedL = kFirstDiffuser + 6, kDispersedR = kDispersedL + 1;
    static constexpr int kRings = kDispersedR + 1;

    // The lines lie packed in one divided block of the pool (Engine::block64[kArea]), each
    // a ring of the power-of-two length that its longest tap plus a stretch needs, so that
    // the Plate sweeps 250 KB instead of 4 MB (the taps are at most 1212 samples long;
    // a test checks that every tap fits its ring). Each ring carries a copy of its first
    // kRingGuard samples behind its end, so that a stretch of up to kRingGuard samples
    // reads and writes it as a plain array. Ring indices follow write16k: a ring of
    // length L uses write16k & (L - 1).
    static constexpr int kArea = 3;
    static constexpr int kRingGuard = 32;
    // Ring lengths of the combs, of the loop all-passes, early lines and diffusers (taps
    // of 24 to 120 samples), and of DL, DR.
    static constexpr int kGroups = 3;
    static constexpr int kGroupFirst[kGroups + 1] = {kFirstComb, kFirstLoop, kDispersedL, kRings};
    static constexpr int kGroupLength[kGroups] = {2048, 256, 1024};

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

// Where each of the Plate's rings lies in its area, and its index mask.
struct PlateRings {
    int offset[PlateState::kRings] = {};
    int mask[PlateState::kRings] = {};
    int floats = 0;   // the whole area
};
constexpr PlateRings makePlateRings() {
    PlateRings r;
    for (int g = 0; g < PlateState::kGroups; ++g) {
        for (int i = PlateState::kGroupFirst[g]; i < PlateState::kGroupFirst[g + 1]; ++i) {
            r.offset[i] = r.floats;
            r.mask[i] = PlateState::kGroupLength[g] - 1;
            r.floats += PlateState::kGroupLength[g] + PlateState::kRingGuard;
        }
    }
    return r;
}
inline constexpr PlateRings kPlateRings = makePlateRings();
static_assert(kPlateRings.floats <= kLen64k, "the Plate's rings must fit one divided block");

// Shaped, diffused input channel (0 left, 1 right) fed into tank comb j (0-based):
// C1, C3, ..., C11 and C14, C16, ..., C24 take the left.
constexpr int plateTankFeed(int j) { return j < 12 ? (j & 1) : 1 - (j & 1); }

}  // namespace moltaro
