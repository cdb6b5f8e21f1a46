// Cathedral core: its taps, gains, input mixes, first arrivals, and the samples of a
// plain per-sample model of the network.
#include <gtest/gtest.h>

#include "dsp/core_harness.h"

using namespace coretest;
using moltaro::CathedralState;

namespace {

// Delays in core samples with seed 31767: left bank k = 0..23, then right bank.
constexpr int kLoop[48] = {
    1211, 1247, 1284, 1330, 1360, 1411, 1449, 1488, 1529, 1578, 1621, 1678,
    1715, 1768, 1823, 1872, 1929, 1986, 2043, 2110, 2173, 2233, 2297, 2363,
    1217, 1253, 1289, 1327, 1366, 1406, 1447, 1490, 1533, 1578, 1624, 1672,
    1721, 1771, 1823, 1877, 1932, 1988, 2046, 2106, 2168, 2232, 2297, 2364};
constexpr int kOut[48] = {
    28, 54, 104, 213, 345, 410, 558, 629, 768, 890, 1008, 1100,
    1213, 1343, 1452, 1566, 1606, 1727, 1891, 1970, 2075, 2228, 2324, 2379,
    28, 59, 110, 218, 359, 425, 536, 625, 766, 838, 1022, 1110,
    1218, 1326, 1425, 1518, 1674, 1763, 1899, 1948, 2094, 2215, 2294, 2427};
constexpr int kAllpass[8] = {745, 279, 545, 211, 716, 244, 556, 234};
// Left and right weights of each line's input, as printed in the line table.
struct Mix { float l, r; };
constexpr Mix kL75{0.75f, 0}, kR75{0, 0.75f}, kL50{0.5f, 0.25f}, kR50{0.25f, 0.5f};
constexpr Mix kFeed[48] = {
    kL75, kR75, kL50, kR50, kL75, kR75, kL50, kR50, kL75, kR75, kL50, kR50,
    kL75, kR75, kL50, kR50, kL75, kR75, kL50, kR50, kL75, kR75, kL50, kR50,
    kR75, kL75, kR50, kL50, kR75, kL75, kR50, kL50, kR75, kL75, kR50, kL50,
    kR75, kL75, kR50, kL50, kR75, kL75, kR50, kR75, kR75, kL75, kR50, kL50};

float loopGainAt(float decay) {
    auto e = makeEngine({decay});
    e->prepareCathedral();
    return e->cathedral.loopGain;
}

Mix mixOf(CathedralState::Feed f) {
    switch (f) {
    case CathedralState::kL75: return kL75;
    case CathedralState::kR75: return kR75;
    case CathedralState::kL50R25: return kL50;
    default: return kR50;
    }
}

}  // namespace

TEST(Cathedral, SetupGivesTheTapTablesAndKeepsThemAcrossSetups) {
    auto e = makeEngine();
    e->write16k = 0xc123;
    e->prepareCathedral();
    EXPECT_EQ(e->write16k, 0x0123);
    const CathedralState first = e->cathedral;
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(first.loopDelay[i], kLoop[i]) << "line " << i;
        EXPECT_EQ(first.outDelay[i], kOut[i]) << "line " << i;
        const Mix m = mixOf(moltaro::cathedralFeed(i));
        EXPECT_TRUE(m.l == kFeed[i].l && m.r == kFeed[i].r) << "line " << i;
    }
    for (int i = 0; i < 8; ++i) EXPECT_EQ(first.allpassDelay[i], kAllpass[i]);

    Signal in = noise(3000), outL, outR;
    run(*e, kCathedral, in, in, outL, outR);
    e->setupPending = true;
    e->prepareCathedral();
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(e->cathedral.loopDelay[i], first.loopDelay[i]);
        EXPECT_EQ(e->cathedral.outDelay[i], first.outDelay[i]);
    }
}

TEST(Cathedral, CoefficientsFollowTheParameters) {
    EXPECT_NEAR(loopGainAt(0.0f), 0.75081f, 5e-6);
    EXPECT_NEAR(loopGainAt(0.5f), 0.91320f, 5e-6);
    EXPECT_NEAR(loopGainAt(1.0f), 0.99036f, 5e-6);
    // Over the whole Decay range the gain is the double-precision formula rounded once.
    const double s = static_cast<float>(std::pow(4.0, 0.41) * 0.125);
    auto sweep = makeEngine();
    for (int i = 0; i <= 1000; ++i) {
        const float d = i / 1000.0f;
        moltaro::store(sweep->params.decay, d);
        sweep->setupPending = true;
        sweep->prepareCathedral();
        const float want = static_cast<float>(
            std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(d))) / 1.0205, 64.0 * s));
        ASSERT_EQ(sweep->cathedral.loopGain, want) << "decay " << d;
    }
    auto e = makeEngine({0.5f, 1.0f, 0.25f});
    e->prepareCathedral();
    EXPECT_FLOAT_EQ(e->cathedral.sizeFactor, 0.22067575f);
    EXPECT_NEAR(e->cathedral.diffusionCoef, 0.648f, 1e-6);
    EXPECT_FLOAT_EQ(e->cathedral.dampCoef, 0.8f);
}

TEST(Cathedral, ImpulseArrivesFirstThroughTheEarliestOutputTaps) {
    auto e = makeEngine({0.5f, 0.0f});
    Signal imp = impulse(4000), silent(4000, 0.0f), outL, outR;
    run(*e, kCathedral, imp, silent, outL, outR);
    EXPECT_EQ(firstAbove(outL), 28 + 1780);   // left-bank line 0, 0.75 L
    EXPECT_EQ(firstAbove(outR), 59 + 1750);   // right-bank line 1, 0.75 L
    EXPECT_NEAR(outL[1808], 0.75f * 0.0891f, 1e-6);

    auto r = makeEngine({0.5f, 0.0f});
    run(*r, kCathedral, silent, imp, outL, outR);
    EXPECT_EQ(firstAbove(outR), 28 + 1750);   // right-bank line 0, 0.75 R
    EXPECT_EQ(firstAbove(outL), 54 + 1780);   // left-bank line 1, 0.75 R
}

TEST(Cathedral, RightInputAloneFeedsEighteenLeftBankLines) {
    auto e = makeEngine();
    Signal imp = impulse(100), silent(100, 0.0f), outL, outR;
    run(*e, kCathedral, silent, imp, outL, outR);
    int fed = 0;
    for (int k = 0; k < 24; ++k) {
        const float* line = e->cathedral.combLine(e->lines16k, k);
        float peak = 0.0f;
        for (int i = 0; i < e->cathedral.combRing; ++i) peak = std::max(peak, std::fabs(line[i]));
        EXPECT_EQ(peak > 0.1f, kFeed[k].r > 0.0f) << "left-bank line " << k;
        fed += peak > 0.1f;
    }
    EXPECT_EQ(fed, 18);
}

// The network written out sample by sample with running read indices from the tables.
struct CathedralModel {
    std::vector<float> comb[48], ap[8];
    float state[48] = {};
    int w16, loop[48], out[48], apTap[8];
    std::unique_ptr<Engine> frontEnd;

    CathedralModel(const Settings& s, int startW16) : frontEnd(makeEngine(s)) {
        frontEnd->prepareFrontEnd();
        w16 = startW16;
        for (auto& l : comb) l.assign(16384, 0.0f);
        for (auto& l : ap) l.assign(16384, 0.0f);
        for (int i = 0; i < 48; ++i) {
            loop[i] = (w16 - kLoop[i]) & 0x3fff;
            out[i] = (w16 - kOut[i]) & 0x3fff;
        }
        for (int i = 0; i < 8; ++i) apTap[i] = (w16 - kAllpass[i]) & 0x3fff;
    }

    void step(float inL, float inR, float g, float damp, float c, float& outL, float& outR) {
        w16 = (w16 + 1) & 0x3fff;
        for (int& t : loop) t = (t + 1) & 0x3fff;
        for (int& t : out) t = (t + 1) & 0x3fff;
        for (int& t : apTap) t = (t + 1) & 0x3fff;
        frontEnd->advanceShared();
        float uL, uR;
        const float nz = frontEnd->frontEndSample(inL, inR, uL, uR);
        for (int i = 0; i < 48; ++i) state[i] = nz + (state[i] + (comb[i][loop[i]] - state[i]) * damp);
        for (int i = 0; i < 48; ++i) comb[i][w16] = (kFeed[i].l * uL + kFeed[i].r * uR) + g * state[i];
        float sum[2] = {0.0f, 0.0f};
        for (int i = 0; i < 48; ++i) sum[i / 24] = sum[i / 24] + comb[i][out[i]];
        for (int ch = 0; ch < 2; ++ch) {
            float x = 0.0891f * sum[ch];
            for (int st = 0; st < 4; ++st) {
                const int a = 4 * ch + st;
                const float cs = st % 2 == 0 ? c : -c;
                const float v = ap[a][apTap[a]] - cs * x;
                ap[a][w16] = x + cs * v;
                x = v;
            }
            (ch == 0 ? outL : outR) = x;
        }
    }
};

TEST(Cathedral, BlocksOfAnySizeGiveTheSamplesOfThePerSampleNetwork) {
    const Settings s{0.9f, 0.7f, 0.5f};
    const int len = 40000;
    Signal inL = noise(len, 5), inR = noise(len, 6);
    for (int i = 6000; i < len; ++i) inL[i] = inR[i] = 0.0f;

    CathedralModel model(s, 9000);
    auto probe = makeEngine(s);
    probe->prepareCathedral();
    Signal wantL(len), wantR(len);
    for (int i = 0; i < len; ++i)
        model.step(inL[i], inR[i], probe->cathedral.loopGain, probe->cathedral.dampCoef,
                   probe->cathedral.diffusionCoef, wantL[i], wantR[i]);

    for (int block : {1, 100, 128, 4096}) {
        auto e = makeEngine(s);
        e->write16k = 9000;
        Signal outL, outR;
        run(*e, kCathedral, inL, inR, outL, outR, block);
        expectSameSamples(outL, outR, wantL, wantR, "blocks of " + std::to_string(block));
    }
    EXPECT_GT(std::fabs(wantL[len - 1]), 1e-5f);
}
