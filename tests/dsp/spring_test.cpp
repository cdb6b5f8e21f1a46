// Spring core: its taps and coefficients, the envelope-driven loop gain, its start
// values, and the first arrivals.
#include <gtest/gtest.h>

#include "dsp/core_harness.h"

using namespace coretest;
using moltaro::SpringState;

namespace {

// Delays in core samples per spring (0..2 left, 3..5 right): S and R, P, Q, W.
constexpr int kLoop[6] = {1279, 1500, 1676, 1288, 1487, 1681};
constexpr int kP[6] = {94, 111, 124, 95, 108, 125};
constexpr int kQ[6] = {58, 68, 77, 59, 67, 77};
constexpr int kW[6] = {152, 178, 200, 154, 175, 202};

// Runs one silent sample with the left envelope at `env`; returns the left loop gain.
float loopGainAfter(Engine& e, float env) {
    e.spring.envL = env;
    e.workInL[0] = e.workInR[0] = 0.0f;
    e.processSpring(1);
    return e.spring.fbL;
}

}  // namespace

TEST(Spring, SetupGivesTheTapsAndCoefficients) {
    auto e = makeEngine({0.0f, 1.0f, 0.0f});
    e->write16k = 0x8005;
    e->prepareSpring();
    EXPECT_EQ(e->write16k, 0x0005);
    for (int j = 0; j < 6; ++j) {
        // The loop constants are 1278.9 .. 1680.2 samples; a tap reads ceil() back.
        EXPECT_EQ(e->spring.loopDelay[j], kLoop[j]) << "spring " << j;
        EXPECT_EQ(e->spring.pDelay[j], kP[j]) << "spring " << j;
        EXPECT_EQ(e->spring.qDelay[j], kQ[j]) << "spring " << j;
        EXPECT_EQ(e->spring.wDelay[j], kW[j]) << "spring " << j;
    }
    EXPECT_NEAR(e->spring.baseFeedback, 0.66660f, 1e-6);
    EXPECT_FLOAT_EQ(e->spring.allpassGain, 0.78f);
    EXPECT_FLOAT_EQ(e->spring.damp, 1.0f);
    EXPECT_NEAR(e->spring.attack, 0.88679f, 5e-6);
    EXPECT_NEAR(e->spring.release, 0.99880f, 5e-6);

    Signal in = noise(2000), outL, outR;
    run(*e, kSpring, in, in, outL, outR);
    moltaro::store(e->params.decay, 1.0f);
    e->setupPending = true;
    e->prepareSpring();
    EXPECT_FLOAT_EQ(e->spring.baseFeedback, 0.9999f);
    for (int j = 0; j < 6; ++j) EXPECT_EQ(e->spring.loopDelay[j], kLoop[j]);
}

TEST(Spring, EnvelopeRisesFastFallsSlowlyAndSetsTheLoopGain) {
    auto e = makeEngine();
    e->prepareSpring();
    const float fb0 = e->spring.baseFeedback;

    // A unit value reaching the first spring's loop tap raises the envelope with att.
    e->spring.envL = 0.0f;
    const int w = e->write16k;
    e->lines16k[SpringState::line(0, SpringState::kS)][(w - kLoop[0]) & 0x3fff] = 1.0f;
    e->processSpring(1);
    EXPECT_FLOAT_EQ(e->spring.envL, 1.0f - e->spring.attack);
    // With nothing in the loops it falls with rel.
    e->spring.envL = 1.0f;
    e->processSpring(1);
    EXPECT_NEAR(e->spring.envL, e->spring.release, 1e-6);

    // The loop gain runs from fb0 * 0.985 (silence) down toward fb0 * 0.285 (loud).
    EXPECT_NEAR(loopGainAfter(*e, 0.0f) / fb0, 0.985f, 1e-6);
    float previous = fb0;
    for (float env : {1e-6f, 1e-2f, 1.0f, 1e2f, 1e6f, 1e12f, 1e36f}) {
        const float fb = loopGainAfter(*e, env);
        EXPECT_LT(fb, previous) << "envelope " << env;
        previous = fb;
    }
    EXPECT_NEAR(previous / fb0, 0.285f, 0.005f);
}

TEST(Spring, EnvelopesStartFromTheirResetAndSuspendValues) {
    auto e = makeEngine();
    e->spring.envL = e->spring.envR = 5.0f;
    e->resetEngine();
    EXPECT_FLOAT_EQ(e->spring.envL, 0.01f);
    EXPECT_FLOAT_EQ(e->spring.envR, 0.01f);
    e->suspend();
    EXPECT_FLOAT_EQ(e->spring.envL, 0.1f);
    EXPECT_FLOAT_EQ(e->spring.envR, 0.1f);
}

TEST(Spring, ImpulseTakesTheFirstSpringsLoopAndFirstAllpass) {
    // Diffusion 0, no damping: the left output first hears spring 1 after S1 + P1, as the
    // negated loop output; the two channels' springs never meet.
    auto e = makeEngine({0.5f, 0.0f, 0.0f});
    Signal imp = impulse(6000), silent(6000, 0.0f), outL, outR;
    run(*e, kSpring, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), 1279 + 94);
    EXPECT_NEAR(outL[1373], -0.2968f, 1e-5);
    EXPECT_EQ(firstAbove(outR), -1);
    // After springs 2 and 3 (1611, 1800), one round trip later (Q1 + R1 + W1 + S1 + P1
    // = 2862) spring 1 again.
    EXPECT_EQ(firstAbove(Signal(outL.begin() + 1801, outL.end())), 1373 + 2862 - 1801);

    auto r = makeEngine({0.5f, 0.0f, 0.0f});
    run(*r, kSpring, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outR), 1288 + 95);
    EXPECT_EQ(firstAbove(outL), -1);

    // With diffusion the first all-pass passes part of the loop output at once.
    auto d = makeEngine({0.5f, 1.0f, 0.0f});
    run(*d, kSpring, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), 1279);
    EXPECT_NEAR(outL[1279], 0.78f * 0.2968f, 1e-5);
}

TEST(Spring, LoudMaterialDiesAwayFasterThanQuiet) {
    // Ratio of the first spring's second arrival to its first: -fb * (loop output damping).
    auto ratioFor = [](float level) {
        auto e = makeEngine({0.5f, 0.0f, 0.0f});
        Signal imp = impulse(4300, level), silent(4300, 0.0f), outL, outR;
        run(*e, kSpring, imp, silent, outL, outR);
        return -outL[1373 + 2862] / outL[1373];
    };
    auto fb0 = [] { auto e = makeEngine(); e->prepareSpring(); return e->spring.baseFeedback; }();
    const float quiet = ratioFor(1e-3f), loud = ratioFor(1e3f);
    EXPECT_LT(loud, quiet - 0.05f);
    EXPECT_LE(quiet, 0.985f * fb0);
    EXPECT_GE(loud, 0.285f * fb0);
}

TEST(Spring, BlockSizeDoesNotChangeTheSamples) {
    Signal in = noise(20000, 9), a, b, c, d;
    auto e1 = makeEngine(), e2 = makeEngine();
    run(*e1, kSpring, in, in, a, b, 1);
    run(*e2, kSpring, in, in, c, d, 300);
    EXPECT_TRUE(a == c && b == d);
}
