// Plate: its taps, gains and routing, where an impulse first arrives, and its use of
// the dispersion bank.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/engine_rig.h"

using namespace rig;
using moltaro::PlateState;

namespace {

// Delays in core samples (ceil of the formulas' D with r = 73.483467).
constexpr int kComb[24] = {882, 908, 935, 962, 990, 1019, 1049, 1080, 1112, 1144, 1178, 1212,
                           891, 899, 944, 953, 999, 1010, 1058, 1071, 1120, 1135, 1186, 1203};
constexpr int kLoop[24] = {24, 24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 32,
                           24, 24, 25, 26, 27, 27, 28, 29, 30, 30, 32, 32};
constexpr int kDiffuser[6] = {50, 74, 120, 49, 74, 120};
constexpr int kEarly[8] = {29, 32, 49, 57, 29, 33, 50, 57};
// T1..T10, T13..T22.
constexpr int kRead[20] = {315, 445, 569, 602, 809, 412, 597, 610, 632, 643,
                           315, 445, 569, 602, 809, 411, 599, 609, 634, 641};
// Channel fed into C1..C24.
constexpr char kTankFeed[] = "LRLRLRLRLRLRRLRLRLRLRLRL";

const CoreRoutines kPlate{&Engine::preparePlate, &Engine::processPlate};

}  // namespace

TEST(Plate, TapsMatchTheFormulas) {
    for (int start : {0, 16383, 777, 0xfff7}) {
        auto e = makeEngine(44100, 8, settings());
        e->write16k = start;
        e->preparePlate();
        EXPECT_EQ(e->write16k, start & 0x3fff);
        const PlateState& p = e->plate;
        for (int j = 0; j < 24; ++j) {
            EXPECT_EQ(p.combDelay[j], kComb[j]) << "C" << j + 1;
            EXPECT_EQ(p.loopDelay[j], kLoop[j]) << "X" << j + 1;
            EXPECT_EQ(moltaro::plateTankFeed(j), kTankFeed[j] == 'L' ? 0 : 1) << "C" << j + 1;
        }
        for (int i = 0; i < 6; ++i) EXPECT_EQ(p.diffuserDelay[i], kDiffuser[i]) << "I" << i + 1;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(p.earlyDelay[i], kEarly[i]) << "E" << i + 1;
        for (int i = 0; i < 20; ++i) EXPECT_EQ(p.readDelay[i], kRead[i]) << "read tap " << i;
    }
}

// Each line lies in a ring that must hold its longest tap plus a stretch written after it.
TEST(Plate, EveryTapFitsItsRing) {
    auto e = makeEngine(44100, 8, settings());
    e->preparePlate();
    const PlateState& p = e->plate;
    auto check = [](int ring, int delay) {
        EXPECT_LE(delay + PlateState::kStretch, moltaro::kPlateRings.mask[ring] + 1) << "ring " << ring;
    };
    for (int j = 0; j < PlateState::kTank; ++j) {
        check(PlateState::kFirstComb + j, p.combDelay[j]);
        check(PlateState::kFirstLoop + j, p.loopDelay[j]);
    }
    for (int i = 0; i < 8; ++i) check(PlateState::kFirstEarly + i, p.earlyDelay[i]);
    for (int i = 0; i < 6; ++i) check(PlateState::kFirstDiffuser + i, p.diffuserDelay[i]);
    for (int d : p.readDelay) {   // each side reads both dispersed lines
        check(PlateState::kDispersedL, d);
        check(PlateState::kDispersedR, d);
    }
}

// The setup's seeded jitter of the early read taps is below 1e-8 samples; it can move a
// tap only if the tap's D lies that close to a whole number. None does.
TEST(Plate, ReadTapsLieFarFromWholeSamples) {
    auto e = makeEngine(44100, 8, settings());
    e->preparePlate();
    const double b[20] = {21.4, 30.25, 38.65, 40.945, 55, 28, 40.615, 41.5, 43, 43.75,
                          21.4, 30.235, 38.665, 40.915, 55.03, 27.925, 40.69, 41.395, 43.105, 43.6};
    for (double x : b) {
        const double d = 0.2 * e->plate.unit * x;
        EXPECT_GT(std::fabs(d - std::round(d)), 1e-6) << x;
    }
}

TEST(Plate, GainsFollowDecayHighDampAndDiffusion) {
    const float decays[3] = {0.0f, 0.5f, 1.0f};
    const float feedback[3] = {0.80168f, 0.92910f, 0.98764f};
    for (int i = 0; i < 3; ++i) {
        auto e = makeEngine(44100, 8, settings(decays[i]));
        e->preparePlate();
        EXPECT_NEAR(e->plate.feedback, feedback[i], 5e-6) << "decay " << decays[i];
    }
    auto e = makeEngine(44100, 8, settings(0.5f, 1.0f, 0.0f));
    e->preparePlate();
    EXPECT_NEAR(e->plate.sizeFactor, 0.83314592f, 1e-7);
    EXPECT_NEAR(e->plate.unit, 73.483467f, 1e-5);
    EXPECT_NEAR(e->plate.allpassGain, 0.42f, 1e-7);
    EXPECT_EQ(e->plate.damp, 1.0f);
    e = makeEngine(44100, 8, settings(0.5f, 0.0f, 1.0f));
    e->preparePlate();
    EXPECT_EQ(e->plate.allpassGain, 0.0f);
    EXPECT_NEAR(e->plate.damp, 0.2f, 1e-7);
}

// With Diffusion 0 the early stages pass their weighted taps through their own delay:
// a left impulse first reaches the left output by T1 and E1 (315 + 29), the right one by
// T18 and E5 (411 + 29). With diffusion a part passes the stages at once, from T1.
TEST(Plate, ImpulseFirstArrivesThroughTheEarlyNetwork) {
    auto e = makeEngine(44100, 8, settings(0.5f, 0.0f));
    Signal outL, outR;
    runCore(*e, kPlate, impulse(2000), Signal(2000, 0.0f), outL, outR);
    EXPECT_EQ(firstAbove(outL, 1e-4f), 315 + 29);
    EXPECT_EQ(firstAbove(outR, 1e-4f), 411 + 29);
    // Early network weighted 3x, its first stage 0.5: the arrival carries the dispersed
    // impulse's first sample, B3(B1(1)).
    EXPECT_NEAR(outL[344], 3.0f * 0.5f * 0.07268f * 0.79f, 0.02f);

    e = makeEngine(44100, 8, settings(0.5f, 1.0f));
    runCore(*e, kPlate, impulse(2000), Signal(2000, 0.0f), outL, outR);
    EXPECT_EQ(firstAbove(outL, 1e-4f), 315);
}

TEST(Plate, UsesOnlyItsTwelveDispersionMembers) {
    auto e = makeEngine(44100, 8, settings());
    Signal in = noise(5000), outL, outR;
    runCore(*e, kPlate, in, in, outL, outR);
    const int used[12] = {1, 3, 5, 7, 9, 10, 11, 12, 21, 22, 23, 24};
    for (int m = 1; m <= 32; ++m) {
        const bool isUsed = std::find(std::begin(used), std::end(used), m) != std::end(used);
        const moltaro::Biquad& b = e->dispersion[m - 1];
        EXPECT_EQ(b.y1 != 0.0, isUsed) << "member " << m;
    }
    // Their states carry over a new setup; a resume clears them.
    moltaro::store(e->setupPending, true);
    e->preparePlate();
    EXPECT_NE(e->dispersion[0].y1, 0.0);
    e->resume(44100, 512, 512);
    EXPECT_EQ(e->dispersion[0].y1, 0.0);
}

TEST(Plate, DecayLengthensTheTail) {
    double previous = 0;
    for (float decay : {0.0f, 0.5f, 1.0f}) {
        auto e = makeEngine(44100, 8, settings(decay));
        Signal in = noise(4410), outL, outR;
        runCore(*e, kPlate, in, in, outL, outR);
        Signal silence(44100, 0.0f);
        runCore(*e, kPlate, silence, silence, outL, outR);
        double late = 0;
        for (int i = 22050; i < 44100; ++i) late += static_cast<double>(outL[i]) * outL[i];
        EXPECT_GT(late, previous * 10) << "decay " << decay;
        previous = late;
    }
}
