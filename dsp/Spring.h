#pragma once
// Spring: three springs per channel, each a loop of two equal delays with three
// all-passes between them; the loop gain follows an envelope of the circulating signal.

#include "Blocks.h"

namespace moltaro {

struct SpringState {
    static constexpr int kSprings = 6;   // 0..2 left, 3..5 right
    // Pool lines of spring j: loop S, return R, all-passes P, Q, W on lines16k[5j + ...].
    enum LineRole { kS, kR, kP, kQ, kW, kLinesPerSpring };
    static constexpr int line(int spring, LineRole role) { return kLinesPerSpring * spring + role; }

    // Taps, as delays in core samples behind the shared write index (S and R alike).
    int loopDelay[kSprings] = {};
    int pDelay[kSprings] = {}, qDelay[kSprings] = {}, wDelay[kSprings] = {};

    // Coefficients of the last setup.
    float allpassGain = 0.0f;   // ga
    float baseFeedback = 0.0f;  // fb0
    float damp = 0.0f;          // k
    float attack = 0.0f, release = 0.0f;

    float damped[kSprings] = {};      // damping state of each loop output
    float envL = 0.0f, envR = 0.0f;   // envelopes of the circulating signal
    float fbL = 0.0f, fbR = 0.0f;     // loop gains of the last sample

    // A reset starts the envelopes at 0.01, a suspend at 0.1. A resume clears the
    // filter states only: the envelopes are level followers, not filters, so the
    // start value the preceding suspend gave them is what the first block sees.
    void clear(ClearReason why) {
        for (float& s : damped) s = 0.0f;
        if (why != ClearReason::Resume) envL = envR = why == ClearReason::Reset ? 0.01f : 0.1f;
        fbL = fbR = 0.0f;
    }
};

}  // namespace moltaro
