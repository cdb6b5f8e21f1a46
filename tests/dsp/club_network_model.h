#pragma once
// The comb-tank network of the Club and the Chamber written out sample by sample with
// running read indices, from a description in the terms of the algorithm tables, and
// the first arrivals those tables imply.

#include <algorithm>
#include <array>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "dsp/core_harness.h"
#include "dsp/network_checks.h"

namespace coretest {

struct ClubVariant {
    int comb[24], loop[24], early[24], out[6];   // A1..A12, B1..B12; T1..T24; O1..O6
    std::string feed;          // input of each comb, A1..A12 then B1..B12: 'L' or 'R'
    std::string sumLeft, sumRight;   // comb names in the order of the sums
    std::string earlyLeft;     // input copy read by T1..T12: 'L' (DL) or 'R' (DR);
                               // T13..T24 read the mirror image
    std::string behind;        // '1' where a comb is written at T3's read position
    int stateSign;             // +1: C = u + fb * s; -1: C = u - fb * s
    float outScale;
};

// "A1 A2 B3" -> comb indices 0, 1, 14.
inline std::vector<int> combIndices(const std::string& names) {
    std::vector<int> out;
    std::istringstream in(names);
    std::string n;
    while (in >> n) out.push_back((n[0] == 'A' ? 0 : 12) + std::stoi(n.substr(1)) - 1);
    return out;
}

// Loop length of comb i as the tables imply: comb delay (less T3's delay for the
// combs written behind) plus the loop all-pass delay, when the all-passes are delays.
inline int combLoop(const ClubVariant& v, int i) {
    return v.comb[i] - (v.behind[i] == '1' ? v.early[2] : 0) + v.loop[i];
}

// First arrival on output channel ch (0 left) of an impulse on input side (0 left),
// with Diffusion 0: through an early tap and O3, or through a comb and O1, O2, O3.
inline int firstArrival(const ClubVariant& v, int side, int ch) {
    const char in = side == 0 ? 'L' : 'R';
    const int o = 3 * ch;
    int best = 1 << 30;
    for (int m = 0; m < 12; ++m) {
        const char src = ch == 0 ? v.earlyLeft[m] : (v.earlyLeft[m] == 'L' ? 'R' : 'L');
        if (src == in) best = std::min(best, v.early[12 * ch + m] + v.out[o + 2]);
    }
    for (int i : combIndices(ch == 0 ? v.sumLeft : v.sumRight))
        if (v.feed[i] == in) best = std::min(best, combLoop(v, i) + v.out[o] + v.out[o + 1] + v.out[o + 2]);
    return best;
}

// The delays of a setup equal the variant's tables.
inline void expectTaps(const ClubVariant& v, const moltaro::ClubNetworkState& st) {
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(st.combDelay[i], v.comb[i]) << "comb " << i;
        EXPECT_EQ(st.loopDelay[i], v.loop[i]) << "loop " << i;
        EXPECT_EQ(st.earlyDelay[i], v.early[i]) << "early tap " << i;
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(st.outDelay[i], v.out[i]) << "output all-pass " << i;
}

// The 24 comb states after each of len samples of an impulse on the left input, one
// sample per block, Diffusion 0 and no damping. member is the core's state.
template <class State>
std::vector<std::array<float, 24>> combStatesAfterLeftImpulse(Core core, State Engine::*member, int len) {
    auto e = makeEngine({0.5f, 0.0f, 0.0f});
    std::vector<std::array<float, 24>> states(len);
    for (int i = 0; i < len; ++i) {
        e->workInL[0] = i == 0 ? 1.0f : 0.0f;
        e->workInR[0] = 0.0f;
        (e.get()->*core.prepare)();
        (e.get()->*core.process)(1);
        const float* s = ((*e).*member).s;
        std::copy(s, s + 24, states[i].begin());
    }
    return states;
}

// First sample at which comb i's state exceeds 0.1 in magnitude, or -1.
inline int firstLoud(const std::vector<std::array<float, 24>>& states, int i) {
    for (size_t k = 0; k < states.size(); ++k)
        if (std::fabs(states[k][i]) > 0.1f) return static_cast<int>(k);
    return -1;
}

struct ClubModel {
    const ClubVariant& v;
    std::vector<float> input[2], comb[24], loop[24], out[6];
    float state[24] = {};
    int w16, w64, combTap[24], loopTap[24], earlyTap[24], outTap[6];
    float ga, k, fb, gain[12];
    std::vector<int> sum[2];
    std::unique_ptr<Engine> frontEnd;

    ClubModel(const ClubVariant& variant, const Settings& s, const moltaro::ClubNetworkState& coef,
              int startW16, int startW64)
        : v(variant), ga(coef.ga), k(coef.k), fb(coef.fb), frontEnd(makeEngine(s)) {
        std::copy(coef.gain, coef.gain + 12, gain);
        frontEnd->write64k = startW64;
        frontEnd->predelayTap = startW64;
        frontEnd->prepareFrontEnd();
        w16 = startW16;
        w64 = startW64;
        for (auto& l : input) l.assign(65536, 0.0f);
        for (auto& l : comb) l.assign(16384, 0.0f);
        for (auto& l : loop) l.assign(16384, 0.0f);
        for (auto& l : out) l.assign(16384, 0.0f);
        for (int i = 0; i < 24; ++i) {
            combTap[i] = (w16 - v.comb[i]) & 0x3fff;
            loopTap[i] = (w16 - v.loop[i]) & 0x3fff;
            earlyTap[i] = (w64 - v.early[i]) & 0xffff;
        }
        for (int i = 0; i < 6; ++i) outTap[i] = (w16 - v.out[i]) & 0x3fff;
        sum[0] = combIndices(v.sumLeft);
        sum[1] = combIndices(v.sumRight);
    }

    void step(float inL, float inR, float& outL, float& outR) {
        w16 = (w16 + 1) & 0x3fff;
        w64 = (w64 + 1) & 0xffff;
        for (int i = 0; i < 24; ++i) {
            combTap[i] = (combTap[i] + 1) & 0x3fff;
            loopTap[i] = (loopTap[i] + 1) & 0x3fff;
            earlyTap[i] = (earlyTap[i] + 1) & 0xffff;
        }
        for (int& t : outTap) t = (t + 1) & 0x3fff;
        frontEnd->advanceShared();
        float u[2];
        const float nz = frontEnd->frontEndSample(inL, inR, u[0], u[1]);
        input[0][w64] = u[0];
        input[1][w64] = u[1];

        for (int i = 0; i < 24; ++i) {
            const float d = loop[i][loopTap[i]];
            const float x = ga * d - comb[i][combTap[i]];
            loop[i][w16] = x;
            const float y = d - ga * x;
            state[i] = state[i] + (y - state[i]) * k + nz;
            const int w = v.behind[i] == '1' ? (earlyTap[2] & 0x3fff) : w16;
            const float in = u[v.feed[i] == 'L' ? 0 : 1];
            comb[i][w] = v.stateSign > 0 ? in + fb * state[i] : in - fb * state[i];
        }

        for (int ch = 0; ch < 2; ++ch) {
            float s = 0.0f;
            for (size_t j = 0; j < sum[ch].size(); ++j) s = j == 0 ? state[sum[ch][j]] : s + state[sum[ch][j]];
            std::vector<float>* o = out + 3 * ch;
            const int* ot = outTap + 3 * ch;
            const float da = o[0][ot[0]];
            const float va = s - ga * da;
            o[0][w16] = va;
            const float ya = ga * va + da;
            const float db = o[1][ot[1]];
            const float vb = ya + ga * db;
            o[1][w16] = vb;
            const float yb = db - ga * vb;
            float e = yb;
            for (int m = 0; m < 12; ++m) {
                const bool ownCopy = v.earlyLeft[m] == 'L';
                const int line = ch == 0 ? (ownCopy ? 0 : 1) : (ownCopy ? 1 : 0);
                const float x = gain[m] * input[line][earlyTap[12 * ch + m]];
                e = m % 2 == 0 ? e + x : e - x;
            }
            const float dc = o[2][ot[2]];
            const float vc = e - ga * dc;
            o[2][w16] = vc;
            (ch == 0 ? outL : outR) = (ga * vc + dc) * v.outScale;
        }
    }
};

// Compares a core with the model over a noise burst and its tail, at several block
// sizes and with every index wrapping; reports the first mismatches.
// coef holds the coefficients of the core's setup at these settings.
inline void expectModelSamples(const ClubVariant& v, Core core,
                               const moltaro::ClubNetworkState& coef, const Settings& s) {
    const int len = 70000;
    Signal inL = noise(len, 3), inR = noise(len, 4);
    for (int i = 8000; i < len; ++i) inL[i] = inR[i] = 0.0f;

    ClubModel model(v, s, coef, 16300, 65000);
    Signal wantL(len), wantR(len);
    for (int i = 0; i < len; ++i) model.step(inL[i], inR[i], wantL[i], wantR[i]);
    EXPECT_GT(std::fabs(wantL[len - 1]), 1e-5f);   // the tail still rings

    expectBlocksGiveSamples(core, s, 44100.0, 16300, 65000, inL, inR, wantL, wantR);
}

}  // namespace coretest
