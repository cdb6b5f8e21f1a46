// Club core: its taps and gains, the loops of its combs, first arrivals, decay, and
// the samples of a plain per-sample model of the network.
#include <gtest/gtest.h>

#include "dsp/club_network_model.h"
#include "dsp/core_harness.h"
#include "dsp/network_checks.h"

using namespace coretest;
using moltaro::ClubState;

namespace {

constexpr Core kClub{&Engine::prepareClub, &Engine::processClub};

const ClubVariant kVariant{
    {1754, 2056, 2298, 2703, 2891, 3084, 2128, 2494, 2788, 3278, 3507, 3741,
     1760, 2044, 2304, 2697, 2903, 3078, 2062, 2480, 2795, 3271, 3521, 3807},
    {155, 182, 204, 203, 231, 266, 251, 381, 427, 328, 374, 430,
     157, 181, 206, 201, 236, 262, 254, 292, 333, 325, 381, 423},
    {346, 684, 1339, 1676, 2504, 2630, 3842, 4286, 4626, 5689, 5700, 6098,
     346, 678, 1384, 1774, 2516, 2787, 3944, 4141, 4464, 5713, 5991, 6074},
    {648, 504, 221, 659, 482, 232},
    "LLLLLLLRLRLR" "RRRRRRRLRLRL",
    "A1 A2 B3 B4 A5 A6 B7 B8 B9 B10 B11 B12",
    "B1 B2 A3 A4 B5 B6 A7 A8 A9 A10 A11 A12",
    "LLLLLLLLLLLL",
    "111111000000" "111111000000",
    +1,
    0.1103f};

ClubState setupAt(Settings s) {
    auto e = makeEngine(s);
    e->prepareClub();
    return e->club;
}

}  // namespace

TEST(Club, SetupGivesTheTapTablesAndKeepsThemAcrossSetups) {
    auto e = makeEngine();
    e->write16k = 0xfff7;   // as the Ambience leaves it
    e->prepareClub();
    EXPECT_EQ(e->write16k, 0x3ff7);
    EXPECT_FALSE(e->setupPending.load());
    expectTaps(kVariant, e->club);

    Signal in = noise(3000), outL, outR;
    run(*e, kClub, in, in, outL, outR);
    e->setupPending = true;
    e->prepareClub();
    expectTaps(kVariant, e->club);
}

TEST(Club, CoefficientsFollowTheParameters) {
    EXPECT_NEAR(setupAt({0.0f}).fb, 0.36120f, 5e-6);
    EXPECT_NEAR(setupAt({0.5f}).fb, 0.73888f, 5e-6);
    EXPECT_NEAR(setupAt({1.0f}).fb, 0.99386f, 5e-6);
    const ClubState st = setupAt({0.5f, 1.0f, 0.0f});
    EXPECT_NEAR(st.ga, 0.63f, 1e-6);
    EXPECT_FLOAT_EQ(st.k, 1.0f);
    EXPECT_FLOAT_EQ(setupAt({0.5f, 1.0f, 1.0f}).k, 0.2f);
    EXPECT_EQ(setupAt({0.5f, 0.0f}).ga, 0.0f);
    EXPECT_FLOAT_EQ(st.gain[0], 2.5f);
    EXPECT_NEAR(st.gain[11], 0.37157f, 5e-6);
    for (int m = 1; m < 12; ++m) {
        EXPECT_LT(st.gain[m], st.gain[m - 1]);
        EXPECT_NEAR(st.gain[m] / st.gain[m - 1], 0.8409, 0.001) << m;   // -1.5 dB a tap
    }
}

TEST(Club, CombsOfTheFirstSixPairsLoopShortAndAllCombsFlipSign) {
    // Diffusion 0, no damping: a comb is a loop of comb line plus loop line; the first
    // six of each bank are written 1339 samples (T3) behind the write index.
    const int shortLoops[12] = {415, 717, 959, 1364, 1552, 1745, 421, 705, 965, 1358, 1564, 1739};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(kVariant.comb[i] - kVariant.early[2], shortLoops[i]);
        EXPECT_EQ(kVariant.comb[12 + i] - kVariant.early[2], shortLoops[6 + i]);
    }

    const float fb = setupAt({0.5f, 0.0f, 0.0f}).fb;
    const auto states = combStatesAfterLeftImpulse(kClub, &Engine::club, 5000);
    for (int comb : {0, 6}) {   // A1 (written behind), A7 (at the write index)
        const int loop = combLoop(kVariant, comb);
        EXPECT_EQ(firstLoud(states, comb), loop) << "comb " << comb;
        EXPECT_NEAR(states[loop][comb], -1.0f, 1e-5);      // the loop all-pass inverts
        ASSERT_LT(2 * loop, 5000);
        EXPECT_NEAR(states[2 * loop][comb], fb, 1e-5);     // and again on the next trip
        EXPECT_LT(std::fabs(states[2 * loop - 1][comb]), 1e-5f);
    }
    EXPECT_EQ(combLoop(kVariant, 0), 570);
    EXPECT_EQ(combLoop(kVariant, 6), 2379);
}

TEST(Club, ImpulseArrivesFirstWhereTheTablesImply) {
    EXPECT_EQ(firstArrival(kVariant, 0, 0), 346 + 221);               // T1, O3
    EXPECT_EQ(firstArrival(kVariant, 0, 1), 959 + 204 + 659 + 482 + 232);   // A3
    EXPECT_EQ(firstArrival(kVariant, 1, 0), 965 + 206 + 648 + 504 + 221);   // B3
    EXPECT_EQ(firstArrival(kVariant, 1, 1), 346 + 232);               // T13, O6

    Signal imp = impulse(4000), silent(4000, 0.0f), outL, outR;
    auto e = makeEngine({0.5f, 0.0f});
    run(*e, kClub, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), firstArrival(kVariant, 0, 0));
    EXPECT_EQ(firstAbove(outR), firstArrival(kVariant, 0, 1));
    EXPECT_NEAR(outL[567], 2.5f * 0.1103f, 1e-5);

    auto r = makeEngine({0.5f, 0.0f});
    run(*r, kClub, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outL), firstArrival(kVariant, 1, 0));
    EXPECT_EQ(firstAbove(outR), firstArrival(kVariant, 1, 1));
}

TEST(Club, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.8f, 1.0f, 0.3f};
    expectModelSamples(kVariant, kClub, setupAt(s), s);
}

TEST(Club, TailGrowsWithDecayAndDiesIntoHealthyStates) {
    expectTailGrowsWithDecay(kClub, 4 * 44100);
    auto e = expectDiesIntoHealthyStates(kClub, {0.5f, 1.0f, 0.0f}, 10 * 44100, 1e-5f);
    EXPECT_EQ(unhealthyCount(e->club.s, 24), 0);
}

// With the write indices out of step (which only tests arrange), a comb that writes
// behind can get a loop of 0: an empty ring would never finish a stretch, so the loop
// is held at four samples and the core runs on.
TEST(Club, IndicesOutOfStepLeaveNoCombWithoutALoop) {
    auto e = makeEngine();
    e->write16k = 0;
    e->write64k = (1339 - 1754) & 0xffff;   // T3's read position 1754 behind write16k: A1's loop 0
    e->prepareClub();
    EXPECT_EQ(e->club.combLoop[0], 4);
    Signal in = noise(3000), outL, outR;
    run(*e, kClub, in, in, outL, outR);
    EXPECT_TRUE(std::isfinite(outL.back()) && std::isfinite(outR.back()));
}
