// Room core: its taps and gains, first arrivals, decay, and the samples of a plain
// per-sample model of the network.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "dsp/core_harness.h"
#include "dsp/network_checks.h"

using namespace coretest;
using moltaro::RoomState;

namespace {

constexpr Core kRoom{&Engine::prepareRoom, &Engine::processRoom};

// The unit length h = c * 44.1 samples as float, c = 0.5 * 4^0.445 as float.
const double kUnit = static_cast<float>(static_cast<float>(0.5 * std::pow(4.0, 0.445)) * 44.1);

// A tap of d samples is set with truncation toward zero: a fractional d reads ceil(d) back.
int tapDelay(double d) { return static_cast<int>(std::ceil(d)); }

// Comb lengths f (units of h), A1..A12 then B1..B12.
double combFactor(int i) {
    const int n = i % 12;                  // comb number - 1
    const bool a = i < 12;
    const double base = n % 2 == 0 ? (a ? 20.03 : 20.0) : (a ? 19.97 : 20.0) * 1.41421;
    return base * std::pow(2.0, (n + 12) / 24.0);
}

// Output taps: comb read (A1..A12 = 0..11, B1..B12 = 12..23) and factor; left, right.
struct OutTap { int comb; double f; };
const OutTap kOut[2][12] = {
    {{0, 2 * 2.36}, {13, 2.1 * 2.75}, {2, 2.2 * 3.46}, {15, 2.3 * 2.85}, {4, 2.4 * 3.95},
     {17, 2.5 * 4.15}, {6, 2.6 * 5.32}, {19, 2.7 * 4.78}, {8, 2.8 * 7.36}, {21, 2.9 * 7.34},
     {10, 3.0 * 10.54}, {23, 3.1 * 10.72}},
    {{1, 2 * 2.36}, {12, 2.1 * 2.74}, {3, 2.2 * 3.47}, {14, 2.3 * 2.83}, {5, 2.4 * 3.97},
     {16, 2.5 * 4.14}, {7, 2.6 * 5.33}, {18, 2.7 * 4.75}, {9, 2.8 * 7.39}, {20, 2.9 * 7.31},
     {11, 3.0 * 10.57}, {22, 3.1 * 10.72}}};
constexpr double kAllpassFactor[8] = {12.735, 4.7713, 9.3075, 3.5953, 12.235, 5.2713, 9.5075, 3.3953};

// Combs fed by the left input: A1, A2, A5, A6, A9, A10, B3, B4, B7, B8, B11, B12.
bool fedLeft(int i) {
    const int n = i % 12;
    const bool pairOneFiveNine = (n / 2) % 2 == 0;
    return i < 12 ? pairOneFiveNine : !pairOneFiveNine;
}

RoomState setupAt(Settings s) {
    auto e = makeEngine(s);
    e->prepareRoom();
    return e->room;
}

}  // namespace

TEST(Room, SetupGivesTheTapTablesAndKeepsThemAcrossSetups) {
    auto e = makeEngine();
    e->write16k = 0xfff7;   // as the Ambience leaves it
    e->prepareRoom();
    EXPECT_EQ(e->write16k, 0x3ff7);
    EXPECT_FALSE(e->setupPending.load());

    const RoomState& r = e->room;
    EXPECT_NEAR(kUnit * combFactor(0), 1157.5, 0.01);
    EXPECT_NEAR(kUnit * combFactor(11), 2242.4, 0.05);
    EXPECT_EQ(r.combDelay[0], 1158);    // A1
    EXPECT_EQ(r.combDelay[11], 2243);   // A12
    for (int i = 0; i < 24; ++i) EXPECT_EQ(r.combDelay[i], tapDelay(kUnit * combFactor(i))) << i;
    for (int ch = 0; ch < 2; ++ch)
        for (int t = 0; t < 12; ++t)
            EXPECT_EQ(r.outDelay[ch][t], tapDelay(kUnit * kOut[ch][t].f)) << ch << "/" << t;
    for (int a = 0; a < 8; ++a)
        EXPECT_EQ(r.allpassDelay[a], tapDelay(kUnit * (kAllpassFactor[a] * 0.75))) << a;

    // No setup without a pending change; a new one after running gives the same taps.
    const RoomState first = r;
    Signal in = noise(3000), outL, outR;
    run(*e, kRoom, in, in, outL, outR);
    e->setupPending = true;
    e->prepareRoom();
    for (int i = 0; i < 24; ++i) EXPECT_EQ(e->room.combDelay[i], first.combDelay[i]);
    for (int a = 0; a < 8; ++a) EXPECT_EQ(e->room.allpassDelay[a], first.allpassDelay[a]);
}

TEST(Room, CoefficientsFollowTheParameters) {
    EXPECT_NEAR(setupAt({0.0f}).g, 0.54788f, 5e-6);
    EXPECT_NEAR(setupAt({0.5f}).g, 0.82137f, 5e-6);
    EXPECT_NEAR(setupAt({1.0f}).g, 0.97135f, 5e-6);
    EXPECT_FLOAT_EQ(setupAt({0.5f, 1.0f, 0.0f}).k, 1.0f);
    EXPECT_FLOAT_EQ(setupAt({0.5f, 1.0f, 1.0f}).k, 0.2f);
    EXPECT_FLOAT_EQ(setupAt({0.5f, 1.0f}).ga, 0.7f);
    EXPECT_EQ(setupAt({0.5f, 0.0f}).ga, 0.0f);
}

TEST(Room, ImpulseArrivesThroughTheShortestOutputTapAndTheDiffuserDelays) {
    // Diffusion 0: each all-pass is a pure delay of its length.
    int chain[2] = {0, 0};
    for (int a = 0; a < 8; ++a) chain[a / 4] += tapDelay(kUnit * (kAllpassFactor[a] * 0.75));
    int first[2][2];   // [input side][output channel]
    for (int side = 0; side < 2; ++side)
        for (int ch = 0; ch < 2; ++ch) {
            int best = 1 << 30;
            for (const OutTap& t : kOut[ch])
                if (fedLeft(t.comb) == (side == 0)) best = std::min(best, tapDelay(kUnit * t.f));
            first[side][ch] = best + chain[ch];
        }
    EXPECT_EQ(first[0][0], 1128);   // A1's tap: 193 + 391 + 147 + 286 + 111
    EXPECT_EQ(first[0][1], 1127);   // A2's tap: 193 + 375 + 162 + 292 + 105

    Signal imp = impulse(3000), silent(3000, 0.0f), outL, outR;
    auto e = makeEngine({0.5f, 0.0f});
    run(*e, kRoom, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), first[0][0]);
    EXPECT_EQ(firstAbove(outR), first[0][1]);
    EXPECT_NEAR(outL[first[0][0]], 0.14875f, 1e-5);

    auto r = makeEngine({0.5f, 0.0f});
    run(*r, kRoom, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outL), first[1][0]);
    EXPECT_EQ(firstAbove(outR), first[1][1]);
}

// The network written out sample by sample with running read indices, from the tables.
struct RoomModel {
    std::vector<float> comb[24], ap[8];
    float state[24] = {};
    int w, combTap[24], outTap[2][12], apTap[8];
    float g, k, ga;
    std::unique_ptr<Engine> frontEnd;

    RoomModel(const Settings& s, const RoomState& coef, int startW16, int startW64)
        : g(coef.g), k(coef.k), ga(coef.ga), frontEnd(makeEngine(s)) {
        frontEnd->write64k = startW64;
        frontEnd->predelayTap = startW64;
        frontEnd->prepareFrontEnd();
        w = startW16;
        auto tap = [&](double d) { return static_cast<int>(w - d + 16384) & 0x3fff; };
        for (auto& l : comb) l.assign(16384, 0.0f);
        for (auto& l : ap) l.assign(16384, 0.0f);
        for (int i = 0; i < 24; ++i) combTap[i] = tap(kUnit * combFactor(i));
        for (int ch = 0; ch < 2; ++ch)
            for (int t = 0; t < 12; ++t) outTap[ch][t] = tap(kUnit * kOut[ch][t].f);
        for (int a = 0; a < 8; ++a) apTap[a] = tap(kUnit * (kAllpassFactor[a] * 0.75));
    }

    void step(float inL, float inR, float& outL, float& outR) {
        w = (w + 1) & 0x3fff;
        for (int& t : combTap) t = (t + 1) & 0x3fff;
        for (auto& taps : outTap)
            for (int& t : taps) t = (t + 1) & 0x3fff;
        for (int& t : apTap) t = (t + 1) & 0x3fff;
        frontEnd->advanceShared();
        float u[2];
        const float nz = frontEnd->frontEndSample(inL, inR, u[0], u[1]);
        for (int i = 0; i < 24; ++i) state[i] = nz + (state[i] + (comb[i][combTap[i]] - state[i]) * k);
        for (int i = 0; i < 24; ++i) comb[i][w] = (fedLeft(i) ? u[0] : u[1]) + state[i] * g;
        for (int ch = 0; ch < 2; ++ch) {
            float sum = 0.0f;
            for (int t = 0; t < 12; ++t) {
                const float x = comb[kOut[ch][t].comb][outTap[ch][t]];
                sum = t == 0 ? x : sum + x;
            }
            float x = 0.14875f * sum;
            for (int st = 0; st < 4; ++st) {
                const int a = 4 * ch + st;
                const float c = st % 2 == 0 ? ga : -ga;
                const float v = ap[a][apTap[a]] - c * x;
                ap[a][w] = x + c * v;
                x = v;
            }
            (ch == 0 ? outL : outR) = x;
        }
    }
};

TEST(Room, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.8f, 1.0f, 0.3f};
    const int len = 40000;   // every 16384-sample index wraps
    Signal inL = noise(len, 3), inR = noise(len, 4);
    for (int i = 6000; i < len; ++i) inL[i] = inR[i] = 0.0f;   // and the tail rings on

    RoomModel model(s, setupAt(s), 16300, 65000);
    Signal wantL(len), wantR(len);
    for (int i = 0; i < len; ++i) model.step(inL[i], inR[i], wantL[i], wantR[i]);

    expectBlocksGiveSamples(kRoom, s, 44100.0, 16300, 65000, inL, inR, wantL, wantR);
    EXPECT_GT(std::fabs(wantL[len - 1]), 1e-5f);   // the tail still rings
}

TEST(Room, TailGrowsWithDecayAndDiesIntoHealthyStates) {
    expectTailGrowsWithDecay(kRoom, 4 * 44100);
    // Even the longest tail falls to the noise floor of the denormal guard.
    auto e = expectDiesIntoHealthyStates(kRoom, {1.0f, 1.0f, 0.0f}, 20 * 44100, 1e-5f);
    EXPECT_EQ(unhealthyCount(e->room.s, 24), 0);
}
