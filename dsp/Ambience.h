#pragma once
// Ambience: a dense burst of early reflections without a recirculating tank. Twelve
// three-tap sums (six per side) on long copies of the shaped input, each smoothed by
// a one-pole low-pass and diffused by three all-passes, mixed into the two outputs
// with gains that fall by reflection order.

#include "Blocks.h"

namespace moltaro {

struct AmbienceState {
    static constexpr int kOrders = 6;   // branches per side
    // Pool lines: the input copies IL, IR are the first two divided blocks, used as
    // 65536-sample lines; the all-pass lines P, Q, R of branch j on side s (0 left,
    // 1 right) are lines16k[kFirstAllpass + 18 s + 3 j + 0..2].
    static constexpr int kInputLeft = 0, kInputRight = 1;   // block64 indices
    static constexpr int kFirstAllpass = 0;

    // Coefficients of the last setup.
    float size = 0.0f;            // size factor c
    float ga = 0.0f;              // all-pass gain
    float damp[kOrders] = {};     // w^j of branch j
    float gain[kOrders] = {};     // output gains G0..G5

    // Taps as delays in core samples behind write16k: per side and branch the two taps
    // on the side's own input copy and the one on the other side's copy (mask 0xffff),
    // and the P, Q, R all-passes (mask 0x3fff).
    int inputDelay[2][kOrders][3] = {};
    int allpassDelay[2][kOrders][3] = {};

    float s[2][kOrders] = {};     // order damping states

    void clear(ClearReason) {
        for (auto& side : s)
            for (float& x : side) x = 0.0f;
    }
};

}  // namespace moltaro
