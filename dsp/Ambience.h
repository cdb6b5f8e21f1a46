#pragma once
// Ambience: a dense burst of early reflections without a recirculating tank. Twelve
// three-tap sums (six per side) on long copies of the shaped input, each smoothed by
// a one-pole low-pass and diffused by three all-passes, mixed into the two outputs
// with gains that fall by reflection order.

#include "Blocks.h"
#include "Rings.h"

namespace moltaro {

struct AmbienceState {
    static constexpr int kOrders = 6;   // branches per side
    // Pool memory: the input copies IL, IR are rings at the start of the first two
    // divided blocks; the all-pass lines P, Q, R of branch j on side s (0 left, 1 right)
    // are rings 18 s + 3 j + 0..2 packed into the single lines.
    static constexpr int kInputLeft = 0, kInputRight = 1;   // block64 indices

    // Coefficients of the last setup.
    float size = 0.0f;            // size factor c
    float ga = 0.0f;              // all-pass gain
    float damp[kOrders] = {};     // w^j of branch j
    float gain[kOrders] = {};     // output gains G0..G5

    // Taps as delays in core samples behind the line's write position: per side and
    // branch the two taps on the side's own input copy and the one on the other side's
    // copy, and the P, Q, R all-passes.
    int inputDelay[2][kOrders][3] = {};
    int allpassDelay[2][kOrders][3] = {};

    float s[2][kOrders] = {};     // order damping states

    // Slot sizes in samples (set by the setup) and where the core lays out all-pass line
    // t (0..2 for P, Q, R) of branch j on side `side`.
    int inputRing = kLen64k, allpassRing = kLen16k;
    // Each line is a ring of its own (Rings.h) in its slot: input copy c one of
    // inputSize[c] samples, its farthest tap, at inputPos[c]; an all-pass line one of
    // its delay (at least kMinAllpassSize, so that short ones wrap less often).
    static constexpr int kMinAllpassSize = 256;
    int inputSize[2] = {}, inputPos[2] = {};
    int allpassSize[2][kOrders][3] = {};
    int allpassPos[2][kOrders][3] = {};
    float* allpassLine(float* const* single, int side, int j, int t) const {
        return packedRing(single, 18 * side + 3 * j + t, allpassRing);
    }

    void clear(ClearReason) {
        for (auto& side : s)
            for (float& x : side) x = 0.0f;
    }
};

}  // namespace moltaro
