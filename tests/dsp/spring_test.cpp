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
    // The host always resumes after a suspend: the suspend's start value must survive it.
    e->resume(44100.0f, 512, 512);
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

// The springs written out sample by sample with running read indices, with taps and
// coefficients worked out here from the constants: f = 44.1 and t = 2.31 f as floats,
// every delay D read ceil(D) back; indices advanced at the end of each sample.
struct SpringModel {
    static constexpr double kLoopUnits[6] = {29, 34, 38, 29.2, 33.7, 38.1};
    static constexpr double kPUnits[6] = {0.92, 1.08, 1.21, 0.93, 1.06, 1.22};
    static constexpr double kQUnits[6] = {0.5683208, 0.6671592, 0.7474654, 0.5744982, 0.6548044, 0.7536428};
    static constexpr double kWUnits[6] = {1.4883208, 1.7471592, 1.9574654, 1.5044982, 1.7148044, 1.9736428};

    std::vector<float> S[6], R[6], P[6], Q[6], W[6];
    int w, loopTap[6], pTap[6], qTap[6], wTap[6];
    float s[6] = {}, env[2];
    float ga, fb0, k, att, rel;
    std::unique_ptr<Engine> frontEnd;

    SpringModel(const Settings& set, double rate, int startW16, int startW64, float startEnv)
        : frontEnd(makeEngine(set)) {
        frontEnd->coreRate = rate;
        frontEnd->write64k = startW64;
        frontEnd->predelayTap = startW64;
        frontEnd->prepareFrontEnd();
        ga = set.diffusion * 0.78f;
        fb0 = static_cast<float>(std::pow(1.5, std::sqrt(static_cast<double>(set.decay))) / 1.5 * 0.9999);
        k = (1.0f - set.highDamp) * 0.8f + 0.2f;
        att = static_cast<float>(std::pow(0.005, 1000.0 / rate));
        rel = static_cast<float>(std::pow(0.005, 10.0 / rate));
        env[0] = env[1] = startEnv;
        w = startW16;
        const float f = 44.1f, t = static_cast<float>(f * 2.31);
        auto tap = [&](double d) { return static_cast<int>(w - d + 16384) & 0x3fff; };
        for (int j = 0; j < 6; ++j) {
            for (auto* l : {&S[j], &R[j], &P[j], &Q[j], &W[j]}) l->assign(16384, 0.0f);
            loopTap[j] = tap(kLoopUnits[j] * f);
            pTap[j] = tap(kPUnits[j] * t);
            qTap[j] = tap(kQUnits[j] * t);
            wTap[j] = tap(kWUnits[j] * t);
        }
    }

    void step(float inL, float inR, float& outL, float& outR) {
        float u[2];
        const float nz = frontEnd->frontEndSample(inL, inR, u[0], u[1]);
        float fb[2];
        for (int ch = 0; ch < 2; ++ch) {
            const int j0 = 3 * ch;
            const float x = std::fabs(S[j0][loopTap[j0]]) + std::fabs(S[j0 + 1][loopTap[j0 + 1]]) +
                            std::fabs(S[j0 + 2][loopTap[j0 + 2]]);
            const float c = x > env[ch] ? att : rel;
            env[ch] = (env[ch] - x) * c + x;
            const float e = std::sqrt(std::sqrt(1.0f / (1.0f + std::sqrt(std::sqrt(env[ch])))));
            fb[ch] = fb0 * ((0.95f - e) * 0.3f + e);
        }
        float r[6], a[6];
        for (int j = 0; j < 6; ++j) {
            s[j] = s[j] + (S[j][loopTap[j]] - s[j]) * k + nz;
            r[j] = R[j][loopTap[j]];
        }
        for (int j = 0; j < 6; ++j) {
            const int ch = j / 3;
            float d = P[j][pTap[j]];
            float v = -s[j] + ga * d;
            P[j][w] = v;
            a[j] = d - ga * v;
            d = Q[j][qTap[j]];
            v = a[j] + ga * d;
            Q[j][w] = v;
            R[j][w] = d - ga * v;
            d = W[j][wTap[j]];
            v = r[j] + ga * d;
            W[j][w] = v;
            S[j][w] = (d - ga * v) * fb[ch] + u[ch];
        }
        outL = (a[0] + a[1] + a[2]) * 0.2968f;
        outR = (a[3] + a[4] + a[5]) * 0.2968f;
        w = (w + 1) & 0x3fff;
        for (int j = 0; j < 6; ++j) {
            loopTap[j] = (loopTap[j] + 1) & 0x3fff;
            pTap[j] = (pTap[j] + 1) & 0x3fff;
            qTap[j] = (qTap[j] + 1) & 0x3fff;
            wTap[j] = (wTap[j] + 1) & 0x3fff;
        }
        frontEnd->advanceShared();
    }
};

TEST(Spring, CoreGivesTheSamplesOfThePerSampleModel) {
    // Decay 0.3 is one of the values where a square root in single precision would give
    // a different base feedback; the burst is loud enough to pull the loop gains down.
    for (double rate : {44100.0, 48000.0}) {
        const Settings s{0.3f, 0.9f, 0.4f};
        const int len = 30000;   // the write index wraps
        Signal inL = noise(len, 7), inR = noise(len, 8);
        for (int i = 0; i < len; ++i) {
            inL[i] = i < 6000 ? 4.0f * inL[i] : 0.0f;
            inR[i] = i < 3000 ? 0.5f * inR[i] : 0.0f;
        }
        SpringModel model(s, rate, 16000, 65000, 0.01f);   // envelopes as a reset leaves them
        Signal wantL(len), wantR(len);
        for (int i = 0; i < len; ++i) model.step(inL[i], inR[i], wantL[i], wantR[i]);
        EXPECT_GT(std::fabs(wantL[len - 1]), 1e-6f);

        for (int block : {1, 300}) {
            auto e = makeEngine(s);
            e->resetEngine();
            e->coreRate = rate;
            e->write16k = 16000;
            e->write64k = 65000;
            e->predelayTap = 65000;
            Signal outL, outR;
            run(*e, kSpring, inL, inR, outL, outR, block);
            expectSameSamples(outL, outR, wantL, wantR,
                              "rate " + std::to_string(rate) + ", blocks of " + std::to_string(block));
        }
    }
}
