// Arena core: its taps, gains, first arrivals, and the samples of a plain per-sample
// model of the network.
#include <gtest/gtest.h>

#include "dsp/core_harness.h"

using namespace coretest;
using moltaro::ArenaState;

namespace {

// Delays in core samples with seed 31767: left bank k = 0..23, then right bank.
constexpr int kReflection[48] = {
    231, 453, 889, 1349, 1923, 2156, 2813, 3076, 3688, 4215, 4720, 5088,
    5569, 6136, 6590, 7078, 7177, 7694, 8441, 8741, 9177, 9867, 10254, 10430,
    231, 481, 921, 1374, 2000, 2232, 2701, 3053, 3680, 3944, 4794, 5143,
    5593, 6048, 6451, 6825, 7529, 7883, 8480, 8628, 9274, 9798, 10096, 10683};
constexpr int kLoop[48] = {
    1151, 1185, 1220, 1256, 1292, 1330, 1369, 1409, 1450, 1493, 1537, 1582,
    1628, 1676, 1725, 1775, 1827, 1881, 1936, 1993, 2051, 2111, 2173, 2237,
    1152, 1185, 1220, 1256, 1292, 1330, 1369, 1409, 1450, 1493, 1537, 1582,
    1628, 1676, 1725, 1775, 1827, 1881, 1936, 1992, 2051, 2111, 2173, 2237};
constexpr int kAllpass[8] = {159, 211, 411, 562, 177, 184, 420, 540};
constexpr char kFeed[2][25] = {"LLRLLRLLRLLRLLRLLRLLRLLR", "RRLRRLRRLRRLRRLRRLRRLRRL"};

float loopGainAt(float decay) {
    auto e = makeEngine({decay});
    e->prepareArena();
    return e->arena.loopGain;
}

}  // namespace

TEST(Arena, SetupGivesTheTapTablesAndKeepsThemAcrossSetups) {
    auto e = makeEngine();
    e->write16k = 0xfff7;   // as the Ambience leaves it
    e->prepareArena();
    EXPECT_EQ(e->write16k, 0x3ff7);
    EXPECT_FALSE(e->setupPending.load());
    const ArenaState first = e->arena;
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(first.reflectionDelay[i], kReflection[i]) << "line " << i;
        EXPECT_EQ(first.loopDelay[i], kLoop[i]) << "line " << i;
        EXPECT_EQ(moltaro::arenaFeed(i), kFeed[i / 24][i % 24] == 'L' ? 0 : 1) << "line " << i;
    }
    for (int i = 0; i < 8; ++i) EXPECT_EQ(first.allpassDelay[i], kAllpass[i]);

    // Without a pending setup nothing changes; a new one, later, gives the same taps.
    Signal in = noise(3000), outL, outR;
    run(*e, kArena, in, in, outL, outR);
    e->setupPending = true;
    e->prepareArena();
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(e->arena.reflectionDelay[i], first.reflectionDelay[i]);
        EXPECT_EQ(e->arena.loopDelay[i], first.loopDelay[i]);
    }
}

TEST(Arena, CoefficientsFollowTheParameters) {
    EXPECT_NEAR(loopGainAt(0.0f), 0.58142f, 5e-6);
    EXPECT_NEAR(loopGainAt(0.5f), 0.84215f, 5e-6);
    EXPECT_NEAR(loopGainAt(1.0f), 0.98183f, 5e-6);
    // Over the whole Decay range the gain is the double-precision formula rounded once
    // (a square root taken in single precision is off by one step for one value in ten).
    const double s = static_cast<float>(std::pow(16.0, 0.435) * 0.125 * 0.5);
    auto sweep = makeEngine();
    for (int i = 0; i <= 1000; ++i) {
        const float d = i / 1000.0f;
        moltaro::store(sweep->params.decay, d);
        sweep->setupPending = true;
        sweep->prepareArena();
        const float want = static_cast<float>(
            std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(d))) / 1.0205, 128.0 * s));
        ASSERT_EQ(sweep->arena.loopGain, want) << "decay " << d;
    }

    auto e = makeEngine({0.5f, 1.0f, 0.0f});
    e->prepareArena();
    EXPECT_FLOAT_EQ(e->arena.sizeFactor, 0.20877197f);
    EXPECT_NEAR(e->arena.diffusionCoef, 0.6336f, 1e-6);
    EXPECT_FLOAT_EQ(e->arena.dampCoef, 1.0f);
    moltaro::store(e->params.highDamp, 1.0f);
    moltaro::store(e->params.diffusion, 0.0f);
    e->setupPending = true;
    e->prepareArena();
    EXPECT_FLOAT_EQ(e->arena.dampCoef, 0.2f);
    EXPECT_EQ(e->arena.diffusionCoef, 0.0f);
}

TEST(Arena, ImpulseArrivesFirstThroughTheShortestReflections) {
    // Diffusion 0: the cascades are plain delays of 1343 (left) and 1321 samples (right).
    auto e = makeEngine({0.5f, 0.0f});
    Signal imp = impulse(4000), silent(4000, 0.0f), outL, outR;
    run(*e, kArena, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), 231 + 1343);   // left-bank line 0
    EXPECT_EQ(firstAbove(outR), 921 + 1321);   // right-bank line 2, fed from the left
    EXPECT_NEAR(outL[1574], 0.084f, 1e-6);

    auto r = makeEngine({0.5f, 0.0f});
    run(*r, kArena, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outR), 231 + 1321);   // right-bank line 0
    EXPECT_EQ(firstAbove(outL), 889 + 1343);   // left-bank line 2, fed from the right
}

// The network written out sample by sample with running read indices from the tables.
struct ArenaModel {
    std::vector<float> longLine[2], comb[48], ap[8];
    float state[48] = {};
    int w16, w64, refl[48], loop[48], apTap[8];
    std::unique_ptr<Engine> frontEnd;

    ArenaModel(const Settings& s, int startW16, int startW64) : frontEnd(makeEngine(s)) {
        frontEnd->write64k = startW64;
        frontEnd->predelayTap = startW64;
        frontEnd->prepareFrontEnd();
        w16 = startW16;
        w64 = startW64;
        for (auto& l : longLine) l.assign(65536, 0.0f);
        for (auto& l : comb) l.assign(16384, 0.0f);
        for (auto& l : ap) l.assign(16384, 0.0f);
        for (int i = 0; i < 48; ++i) {
            refl[i] = (w64 - kReflection[i]) & 0xffff;
            loop[i] = (w16 - kLoop[i]) & 0x3fff;
        }
        for (int i = 0; i < 8; ++i) apTap[i] = (w16 - kAllpass[i]) & 0x3fff;
    }

    void step(float inL, float inR, float g, float damp, float c, float& outL, float& outR) {
        w16 = (w16 + 1) & 0x3fff;
        w64 = (w64 + 1) & 0xffff;
        for (int& t : refl) t = (t + 1) & 0xffff;
        for (int& t : loop) t = (t + 1) & 0x3fff;
        for (int& t : apTap) t = (t + 1) & 0x3fff;
        frontEnd->advanceShared();
        float u[2];
        const float nz = frontEnd->frontEndSample(inL, inR, u[0], u[1]);
        longLine[0][w64] = u[0];
        longLine[1][w64] = u[1];
        for (int i = 0; i < 48; ++i) state[i] = nz + (state[i] + (comb[i][loop[i]] - state[i]) * damp);
        float sum[2] = {0.0f, 0.0f};
        for (int i = 0; i < 48; ++i) {
            const int feed = kFeed[i / 24][i % 24] == 'L' ? 0 : 1;
            comb[i][w16] = longLine[feed][refl[i]] + g * state[i];
            sum[i / 24] = sum[i / 24] + comb[i][w16];
        }
        for (int ch = 0; ch < 2; ++ch) {
            float x = sum[ch];
            for (int st = 0; st < 4; ++st) {
                const int a = 4 * ch + st;
                const float cs = st % 2 == 0 ? c : -c;
                const float v = ap[a][apTap[a]] - cs * x;
                ap[a][w16] = x + cs * v;
                x = v;
            }
            (ch == 0 ? outL : outR) = 0.084f * x;
        }
    }
};

TEST(Arena, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.8f, 1.0f, 0.3f};
    const int len = 70000;   // every index wraps at least once
    Signal inL = noise(len, 3), inR = noise(len, 4);
    for (int i = 8000; i < len; ++i) inL[i] = inR[i] = 0.0f;   // and the tail rings on

    ArenaModel model(s, 16300, 65000);
    auto probe = makeEngine(s);
    probe->prepareArena();
    Signal wantL(len), wantR(len);
    for (int i = 0; i < len; ++i)
        model.step(inL[i], inR[i], probe->arena.loopGain, probe->arena.dampCoef,
                   probe->arena.diffusionCoef, wantL[i], wantR[i]);

    for (int block : {1, 77, 128, 1000}) {
        auto e = makeEngine(s);
        e->write16k = 16300;
        e->write64k = 65000;
        e->predelayTap = 65000;
        Signal outL, outR;
        run(*e, kArena, inL, inR, outL, outR, block);
        expectSameSamples(outL, outR, wantL, wantR, "blocks of " + std::to_string(block));
    }
    EXPECT_GT(std::fabs(wantL[len - 1]), 1e-5f);   // the tail still rings
}
