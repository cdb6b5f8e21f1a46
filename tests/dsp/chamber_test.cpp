// Chamber core: the Club's network with the Chamber's tables, signs and routing; its
// taps and gains, the loops of its combs, first arrivals, decay, and the samples of
// the per-sample model.
#include <gtest/gtest.h>

#include "dsp/club_network_model.h"
#include "dsp/core_harness.h"
#include "dsp/network_checks.h"

using namespace coretest;
using moltaro::ChamberState;

namespace {

constexpr Core kChamber{&Engine::prepareChamber, &Engine::processChamber};

const ClubVariant kVariant{
    {1024, 1200, 1341, 1577, 1687, 1799, 1552, 1819, 2033, 2391, 2557, 2728,
     1025, 1198, 1343, 1575, 1689, 1833, 1554, 1817, 2036, 2388, 2560, 2725},
    {159, 186, 209, 207, 236, 272, 256, 389, 436, 335, 382, 439,
     159, 186, 209, 207, 236, 274, 257, 301, 337, 335, 382, 440},
    {221, 434, 852, 1072, 1593, 1695, 2447, 2719, 2936, 3611, 3658, 3906,
     221, 427, 883, 1130, 1600, 1776, 2500, 2643, 2852, 3624, 3809, 3894},
    {674, 493, 253, 676, 495, 254},
    "LRLRLRLRLRLR" "RLRLRLRLRLRL",
    "A1 A2 B3 B4 A5 A6 B7 B8 A9 A10 B11 B12",
    "B1 B2 A3 A4 B5 B6 A7 A8 B9 B10 A11 A12",
    "LLRLLRLRLRLR",
    "000000000000" "000000000000",
    -1,
    0.09177f};

ChamberState setupAt(Settings s) {
    auto e = makeEngine(s);
    e->prepareChamber();
    return e->chamber;
}

}  // namespace

TEST(Chamber, SetupGivesTheTapTablesAndKeepsThemAcrossSetups) {
    auto e = makeEngine();
    e->write16k = 0xfff7;   // as the Ambience leaves it
    e->prepareChamber();
    EXPECT_EQ(e->write16k, 0x3ff7);
    EXPECT_FALSE(e->setupPending.load());
    expectTaps(kVariant, e->chamber);

    Signal in = noise(3000), outL, outR;
    run(*e, kChamber, in, in, outL, outR);
    e->setupPending = true;
    e->prepareChamber();
    expectTaps(kVariant, e->chamber);
}

TEST(Chamber, CoefficientsFollowTheParameters) {
    EXPECT_NEAR(setupAt({0.0f}).fb, 0.44721f, 5e-6);
    EXPECT_NEAR(setupAt({0.5f}).fb, 0.78440f, 5e-6);
    EXPECT_NEAR(setupAt({1.0f}).fb, 0.98995f, 5e-6);
    const ChamberState st = setupAt({0.5f, 1.0f, 0.0f});
    EXPECT_NEAR(st.ga, 0.476f, 1e-6);
    EXPECT_FLOAT_EQ(st.k, 1.0f);
    EXPECT_FLOAT_EQ(setupAt({0.5f, 1.0f, 1.0f}).k, 0.2f);
    EXPECT_EQ(setupAt({0.5f, 0.0f}).ga, 0.0f);
    const float want[12] = {2.0f,    1.8025f,  1.62450f, 1.46414f, 1.31951f, 1.18925f,
                            1.07177f, 0.96597f, 0.87055f, 0.78456f, 0.70711f, 0.63722f};
    for (int m = 0; m < 12; ++m) EXPECT_NEAR(st.gain[m], want[m], 5e-5) << "G" << m + 1;
}

TEST(Chamber, CombsLoopAtTheWriteIndexAndKeepTheirSign) {
    // Diffusion 0, no damping: the loop all-pass inverts the comb and the state is
    // subtracted at the write, so a comb recirculates with the sign of its input.
    const float fb = setupAt({0.5f, 0.0f, 0.0f}).fb;
    const int len = 4500;
    const auto states = combStatesAfterLeftImpulse(kChamber, &Engine::chamber, len);
    for (int comb : {0, 13}) {   // A1 and B2, both fed from the left
        const int loop = combLoop(kVariant, comb);
        EXPECT_EQ(loop, kVariant.comb[comb] + kVariant.loop[comb]);
        EXPECT_EQ(firstLoud(states, comb), loop) << "comb " << comb;
        EXPECT_NEAR(states[loop][comb], -1.0f, 1e-5);
        EXPECT_NEAR(states[2 * loop][comb], -fb, 1e-5);
        ASSERT_LT(3 * loop, len);
        EXPECT_NEAR(states[3 * loop][comb], -fb * fb, 1e-5);
    }
    // A comb fed from the right stays silent.
    float quiet = 0.0f;
    for (const auto& s : states) quiet = std::max(quiet, std::fabs(s[1]));
    EXPECT_LT(quiet, 1e-6f);
}

TEST(Chamber, ImpulseArrivesFirstWhereTheTablesImply) {
    EXPECT_EQ(firstArrival(kVariant, 0, 0), 221 + 253);   // T1 on DL, O3
    EXPECT_EQ(firstArrival(kVariant, 0, 1), 883 + 254);   // T15 on DL, O6
    EXPECT_EQ(firstArrival(kVariant, 1, 0), 852 + 253);   // T3 on DR, O3
    EXPECT_EQ(firstArrival(kVariant, 1, 1), 221 + 254);   // T13 on DR, O6

    Signal imp = impulse(4000), silent(4000, 0.0f), outL, outR;
    auto e = makeEngine({0.5f, 0.0f});
    run(*e, kChamber, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), firstArrival(kVariant, 0, 0));
    EXPECT_EQ(firstAbove(outR), firstArrival(kVariant, 0, 1));
    EXPECT_NEAR(outL[474], 2.0f * 0.09177f, 1e-5);
    EXPECT_NEAR(outR[1137], 1.62450f * 0.09177f, 1e-4);   // +G3 from the other copy

    auto r = makeEngine({0.5f, 0.0f});
    run(*r, kChamber, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outL), firstArrival(kVariant, 1, 0));
    EXPECT_EQ(firstAbove(outR), firstArrival(kVariant, 1, 1));
}

TEST(Chamber, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.8f, 1.0f, 0.3f};
    expectModelSamples(kVariant, kChamber, setupAt(s), s);
}

TEST(Chamber, TailGrowsWithDecayAndDiesIntoHealthyStates) {
    expectTailGrowsWithDecay(kChamber, 4 * 44100);
    auto e = expectDiesIntoHealthyStates(kChamber, {0.5f, 1.0f, 0.0f}, 10 * 44100, 1e-5f);
    EXPECT_EQ(unhealthyCount(e->chamber.s, 24), 0);
}
