// Ambience core: its taps at two core rates, gains and damping, first arrivals, the
// end of its response, and the samples of a plain per-sample model of the network.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/core_harness.h"
#include "dsp/network_checks.h"

using namespace coretest;
using moltaro::AmbienceState;

namespace {

constexpr Core kAmbience{&Engine::prepareAmbience, &Engine::processAmbience};

const double kSize = static_cast<float>(std::pow(8.0, 0.52) * 0.5 * 1.25);

// Input taps in seconds: [side][branch] = {own copy, own copy, other copy}.
constexpr double kInput[2][6][3] = {
    {{0.00723, 0.01571, 0.02031}, {0.02793, 0.0412, 0.03931}, {0.05314, 0.05921, 0.06031},
     {0.06243, 0.06853, 0.07131}, {0.07745, 0.08543, 0.08331}, {0.09269, 0.1, 0.09831}},
    {{0.00731, 0.01511, 0.01931}, {0.02693, 0.0422, 0.03731}, {0.05414, 0.05821, 0.05831},
     {0.06143, 0.06953, 0.07231}, {0.07845, 0.08443, 0.08531}, {0.09369, 0.099, 0.09731}}};
// All-pass taps in milliseconds: [side][branch] = {P, Q, R}.
constexpr double kAllpass[2][6][3] = {
    {{8.026208, 5.675372, 0.9538865}, {7.922031, 5.601708, 1.068492}, {9.116107, 6.446046, 0.9683341},
     {8.6994, 6.151389, 1.17334}, {10.90712, 7.712478, 1.296272}, {10.49041, 7.417822, 1.414905}},
    {{7.6095, 5.380716, 0.9043623}, {7.505323, 5.307052, 1.012288}, {8.074338, 5.709405, 0.8576749},
     {7.65763, 5.414749, 1.032831}, {11.94889, 8.449118, 1.420083}, {11.53218, 8.154462, 1.555414}}};

// A tap of d samples is set with truncation toward zero: a fractional d reads ceil(d) back.
int inputDelay(int side, int j, int t, double rate) { return int(std::ceil(kInput[side][j][t] * kSize * rate)); }
int allpassDelay(int side, int j, int t, double rate) {
    return int(std::ceil(kAllpass[side][j][t] * 0.001 * kSize * rate));
}
int allpassChain(int side, int j, double rate) {
    return allpassDelay(side, j, 0, rate) + allpassDelay(side, j, 1, rate) + allpassDelay(side, j, 2, rate);
}

// Which branch feeds output channel ch at order j: L1, R2, L3, ... on the left.
int sideOf(int ch, int j) { return (ch + j) % 2; }

// First arrival on output ch of an impulse on input side `in`, Diffusion 0.
int firstArrival(int in, int ch, double rate) {
    int best = 1 << 30;
    for (int j = 0; j < 6; ++j) {
        const int side = sideOf(ch, j);
        for (int t = 0; t < 3; ++t) {
            const int copy = t < 2 ? side : 1 - side;
            if (copy == in) best = std::min(best, inputDelay(side, j, t, rate) + allpassChain(side, j, rate));
        }
    }
    return best;
}

// The longest path from the input to an output.
int longestPath(double rate) {
    int longest = 0;
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < 6; ++j)
            for (int t = 0; t < 3; ++t)
                longest = std::max(longest, inputDelay(side, j, t, rate) + allpassChain(side, j, rate));
    return longest;
}

std::unique_ptr<Engine> engineAt(const Settings& s, double rate) {
    auto e = makeEngine(s);
    e->coreRate = rate;
    return e;
}

AmbienceState setupAt(Settings s) {
    auto e = makeEngine(s);
    e->prepareAmbience();
    return e->ambience;
}

}  // namespace

TEST(Ambience, SetupGivesTheTapTablesAtEveryRateAndKeepsThemAcrossSetups) {
    for (double rate : {44100.0, 48000.0}) {
        auto e = engineAt({}, rate);
        e->write16k = 0xfff7;   // the Ambience's own 16-bit count stays
        e->prepareAmbience();
        EXPECT_EQ(e->write16k, 0xfff7);
        EXPECT_FALSE(e->setupPending.load());
        const AmbienceState& st = e->ambience;
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j)
                for (int t = 0; t < 3; ++t) {
                    EXPECT_EQ(st.inputDelay[side][j][t], inputDelay(side, j, t, rate)) << side << j << t;
                    EXPECT_EQ(st.allpassDelay[side][j][t], allpassDelay(side, j, t, rate)) << side << j << t;
                }
        if (rate == 44100.0) {
            EXPECT_EQ(st.inputDelay[0][0][0], 588);
            EXPECT_EQ(st.inputDelay[0][0][1], 1277);
            EXPECT_EQ(st.allpassDelay[0][0][0], 653);
            EXPECT_EQ(st.allpassDelay[0][0][1], 462);
            EXPECT_EQ(st.allpassDelay[0][0][2], 78);
        }

        const AmbienceState first = st;
        Signal in = noise(3000), outL, outR;
        run(*e, kAmbience, in, in, outL, outR);
        e->setupPending = true;
        e->prepareAmbience();
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j)
                for (int t = 0; t < 3; ++t) {
                    EXPECT_EQ(e->ambience.inputDelay[side][j][t], first.inputDelay[side][j][t]);
                    EXPECT_EQ(e->ambience.allpassDelay[side][j][t], first.allpassDelay[side][j][t]);
                }
    }
}

TEST(Ambience, WriteIndexCountsSixteenBitsAndTheNextAlgorithmMasksItBack) {
    auto e = makeEngine();
    e->write16k = 0x3ff0;
    Signal in = noise(20000), outL, outR;
    run(*e, kAmbience, in, in, outL, outR);
    EXPECT_EQ(e->write16k, 0x3ff0 + 20000);
    e->setupPending = true;
    e->prepareRoom();
    EXPECT_EQ(e->write16k, (0x3ff0 + 20000) & 0x3fff);
}

TEST(Ambience, GainsFallByOrderFasterTheShorterTheDecay) {
    const float atZero[6] = {1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    const AmbienceState d0 = setupAt({0.0f}), d5 = setupAt({0.5f}), d1 = setupAt({1.0f});
    for (int m = 0; m < 6; ++m) {
        EXPECT_FLOAT_EQ(d0.gain[m], atZero[m]) << m;
        EXPECT_NEAR(d5.gain[m], std::sqrt(atZero[m]), 1e-6) << m;
        EXPECT_FLOAT_EQ(d1.gain[m], 1.0f) << m;
    }
    EXPECT_FLOAT_EQ(d0.size, 1.8428365f);
    EXPECT_NEAR(d0.ga, 0.65f, 1e-7);
    EXPECT_EQ(setupAt({0.5f, 0.0f}).ga, 0.0f);

    const AmbienceState open = setupAt({0.5f, 1.0f, 0.0f}), damped = setupAt({0.5f, 1.0f, 1.0f});
    for (int j = 0; j < 6; ++j) EXPECT_FLOAT_EQ(open.damp[j], 1.0f);
    EXPECT_NEAR(damped.damp[0], 0.774551f, 1e-6);
    EXPECT_NEAR(damped.damp[5], 0.21592f, 1e-5);
}

TEST(Ambience, ImpulseArrivesFirstWhereTheTablesImply) {
    EXPECT_EQ(firstArrival(0, 0, 44100), 588 + 653 + 462 + 78);   // L1's first tap
    EXPECT_EQ(firstArrival(0, 1, 44100), 1570 + 619 + 438 + 74);   // R1's tap on IL
    EXPECT_EQ(firstArrival(1, 0, 44100), 1651 + 653 + 462 + 78);   // L1's tap on IR
    EXPECT_EQ(firstArrival(1, 1, 44100), 595 + 619 + 438 + 74);    // R1's first tap

    for (double rate : {44100.0, 48000.0}) {
        Signal imp = impulse(4000), silent(4000, 0.0f), outL, outR;
        auto e = engineAt({0.5f, 0.0f, 0.0f}, rate);
        run(*e, kAmbience, imp, silent, outL, outR);
        EXPECT_EQ(firstAbove(outL), firstArrival(0, 0, rate)) << rate;
        EXPECT_EQ(firstAbove(outR), firstArrival(0, 1, rate)) << rate;
        EXPECT_NEAR(outL[firstArrival(0, 0, rate)], 0.25f, 1e-5);

        auto r = engineAt({0.5f, 0.0f, 0.0f}, rate);
        run(*r, kAmbience, silent, imp, outL, outR);
        EXPECT_EQ(firstAbove(outL), firstArrival(1, 0, rate)) << rate;
        EXPECT_EQ(firstAbove(outR), firstArrival(1, 1, rate)) << rate;
    }
}

TEST(Ambience, FallsSilentAfterItsLongestPath) {
    const double rate = 44100.0;
    const int longest = longestPath(rate);
    EXPECT_EQ(longest, 8046 + 938 + 663 + 127);   // R6: its tap on IR at 0.099 s
    const int burst = 5000, len = burst + longest + 2000;
    Signal in = noise(burst, 5), outL, outR;
    in.resize(len, 0.0f);

    // Without diffusion nothing recirculates: silence right after the longest path
    // (the noise floor of the denormal guard aside).
    auto e = engineAt({1.0f, 0.0f, 0.0f}, rate);
    run(*e, kAmbience, in, in, outL, outR);
    float late = 0.0f, edge = 0.0f;
    for (int i = burst + longest; i < len; ++i) late = std::max({late, std::fabs(outL[i]), std::fabs(outR[i])});
    for (int i = burst + longest - 50; i < burst + longest; ++i)
        edge = std::max({edge, std::fabs(outL[i]), std::fabs(outR[i])});
    EXPECT_LT(late, 1e-6f);
    EXPECT_GT(edge, 1e-3f);

    // With diffusion only the all-passes ring on, and die within a second.
    auto d = expectDiesIntoHealthyStates(kAmbience, {1.0f, 1.0f, 0.0f}, longest + 44100, 1e-6f);
    for (const auto& side : d->ambience.s) EXPECT_EQ(unhealthyCount(side, 6), 0);
}

TEST(Ambience, ResponseLengthensWithDecay) { expectTailGrowsWithDecay(kAmbience, 44100); }

// The network written out sample by sample: running read indices, a 16-bit write
// index advanced at the end of each sample, every sum in the order written.
struct AmbienceModel {
    std::vector<float> input[2], ap[2][6][3];
    float s[2][6] = {};
    int w, inTap[2][6][3], apTap[2][6][3];
    AmbienceState coef;
    std::unique_ptr<Engine> frontEnd;

    AmbienceModel(const Settings& set, const AmbienceState& c, double rate, int startW16, int startW64)
        : coef(c), frontEnd(makeEngine(set)) {
        frontEnd->coreRate = rate;
        frontEnd->write64k = startW64;
        frontEnd->predelayTap = startW64;
        frontEnd->prepareFrontEnd();
        w = startW16;
        for (auto& l : input) l.assign(65536, 0.0f);
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j)
                for (int t = 0; t < 3; ++t) {
                    ap[side][j][t].assign(16384, 0.0f);
                    inTap[side][j][t] = int(w - kInput[side][j][t] * kSize * rate + 65536) & 0xffff;
                    apTap[side][j][t] = int(w - kAllpass[side][j][t] * 0.001 * kSize * rate + 16384) & 0x3fff;
                }
    }

    void step(float inL, float inR, float& outL, float& outR) {
        float u[2];
        const float nz = frontEnd->frontEndSample(inL, inR, u[0], u[1]);
        input[0][w] = u[0];
        input[1][w] = u[1];
        float z[2][6];
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j) {
                const std::vector<float>& own = input[side];
                const std::vector<float>& other = input[1 - side];
                const float x = own[inTap[side][j][0]] + own[inTap[side][j][1]] + other[inTap[side][j][2]];
                s[side][j] = s[side][j] + (x - s[side][j]) * coef.damp[j] + nz;
                float y = s[side][j];
                for (int t = 0; t < 3; ++t) {
                    std::vector<float>& line = ap[side][j][t];
                    const float v = line[apTap[side][j][t]] - coef.ga * y + nz;
                    line[w & 0x3fff] = y + coef.ga * v;
                    y = v;
                }
                z[side][j] = y;
            }
        const float* G = coef.gain;
        outL = 0.25f * (G[0] * z[0][0] + G[1] * z[1][1] + G[2] * z[0][2] + G[3] * z[1][3] + G[4] * z[0][4] +
                        G[5] * z[1][5]);
        outR = 0.25f * (G[0] * z[1][0] + G[1] * z[0][1] + G[2] * z[1][2] + G[3] * z[0][3] + G[4] * z[1][4] +
                        G[5] * z[0][5]);
        w = (w + 1) & 0xffff;
        frontEnd->advanceShared();
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j)
                for (int t = 0; t < 3; ++t) {
                    inTap[side][j][t] = (inTap[side][j][t] + 1) & 0xffff;
                    apTap[side][j][t] = (apTap[side][j][t] + 1) & 0x3fff;
                }
    }
};

TEST(Ambience, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.7f, 1.0f, 0.3f};
    const double rate = 48000.0;
    const int len = 70000;   // the 16-bit write index wraps
    Signal inL = noise(len, 3), inR = noise(len, 4);
    for (int i = 20000; i < len; ++i) inL[i] = inR[i] = 0.0f;

    auto probe = engineAt(s, rate);
    probe->prepareAmbience();
    AmbienceModel model(s, probe->ambience, rate, 0xff00, 65000);
    Signal wantL(len), wantR(len);
    for (int i = 0; i < len; ++i) model.step(inL[i], inR[i], wantL[i], wantR[i]);

    expectBlocksGiveSamples(kAmbience, s, rate, 0xff00, 65000, inL, inR, wantL, wantR);
}
