// Hall: its taps, gains and routing, and where an impulse first arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/engine_rig.h"

using namespace rig;
using moltaro::HallState;

namespace {

// Delays in core samples: loop, echo source, left out, right out, per comb line.
constexpr int kLoop[24] = {2222, 2158, 2097, 2037, 1979, 1923, 1868, 1815, 1763, 1713, 1665, 1617,
                           2190, 2128, 2067, 2008, 1951, 1895, 1842, 1789, 1738, 1689, 1641, 1594};
constexpr int kEcho[24] = {2190, 2128, 2067, 2008, 1951, 1895, 1842, 1789, 1738, 1689, 1641, 1594,
                           2158, 2097, 2037, 1979, 1923, 1868, 1815, 1763, 1713, 1665, 1617, 1571};
constexpr int kLeftOut[24] = {2310, 1796, 2152, 1698, 1065, 1462, 1354, 1130, 935, 941, 888, 845,
                              2038, 1553, 1641, 1264, 814, 943, 853, 727, 597, 579, 533, 495};
constexpr int kRightOut[24] = {2310, 1793, 2156, 1693, 1068, 1452, 1364, 1121, 943, 932, 897, 835,
                               2038, 1551, 1644, 1261, 816, 939, 857, 723, 600, 575, 536, 491};
constexpr int kAllpass[8] = {716, 279, 556, 211, 745, 244, 539, 234};
constexpr char kCombFeed[] = "LLLRLRLRLRLRLRLRLRLRLRLR";

const CoreRoutines kHall{&Engine::prepareHall, &Engine::processHall};

}  // namespace

TEST(Hall, TapsMatchTheTablesWhereverTheWriteIndexStands) {
    for (int start : {0, 16383, 5000, 0xfff7}) {
        auto e = makeEngine(44100, 4, settings());
        e->write16k = start;
        e->prepareHall();
        EXPECT_EQ(e->write16k, start & 0x3fff);
        const HallState& h = e->hall;
        for (int k = 0; k < 24; ++k) {
            EXPECT_EQ(h.combDelay[k], kLoop[k]) << "comb " << k;
            EXPECT_EQ(h.echoSourceDelay[k], kEcho[k]) << "echo source " << k;
            EXPECT_EQ(h.leftOutDelay[k], kLeftOut[k]) << "left out " << k;
            EXPECT_EQ(h.rightOutDelay[k], kRightOut[k]) << "right out " << k;
            EXPECT_EQ(moltaro::hallCombFeed(k), kCombFeed[k] == 'L' ? 0 : 1) << "feed " << k;
        }
        for (int i = 0; i < 8; ++i) EXPECT_EQ(h.allpassDelay[i], kAllpass[i]) << "all-pass " << i;
    }
}

TEST(Hall, GainsFollowDecayHighDampAndDiffusion) {
    const float decays[3] = {0.0f, 0.5f, 1.0f};
    const float gains[3] = {0.52940f, 0.81751f, 0.97872f};
    for (int i = 0; i < 3; ++i) {
        auto e = makeEngine(44100, 4, settings(decays[i]));
        e->prepareHall();
        EXPECT_NEAR(e->hall.loopGain, gains[i], 5e-6) << "decay " << decays[i];
    }
    auto e = makeEngine(44100, 4, settings(0.5f, 0.0f, 0.0f));
    e->prepareHall();
    EXPECT_NEAR(e->hall.sizeFactor, 0.12762651f, 1e-8);
    EXPECT_EQ(e->hall.dampCoef, 1.0f);        // HighDamp 0: the comb taps pass unfiltered
    EXPECT_EQ(e->hall.diffusionCoef, 0.0f);
    e = makeEngine(44100, 4, settings(0.5f, 1.0f, 1.0f));
    e->prepareHall();
    EXPECT_NEAR(e->hall.dampCoef, 0.2f, 1e-7);
    EXPECT_NEAR(e->hall.diffusionCoef, 0.63f, 1e-7);
}

TEST(Hall, SetupRunsOnlyWhenPendingAndKeepsTheDelays) {
    auto e = makeEngine(44100, 4, settings(0.2f));
    e->prepareHall();
    const float g = e->hall.loopGain;
    Signal in = noise(3000), outL, outR;
    runCore(*e, kHall, in, in, outL, outR);
    moltaro::store(e->params.decay, 0.9f);   // not yet flagged
    e->prepareHall();
    EXPECT_EQ(e->hall.loopGain, g);
    moltaro::store(e->setupPending, true);
    e->prepareHall();
    EXPECT_GT(e->hall.loopGain, g);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(e->hall.combDelay[k], kLoop[k]);
}

// With Diffusion 0 the all-passes are plain delays (716 + 279 + 556 + 211 on the left,
// 745 + 244 + 539 + 234 on the right, 1762 each): a left impulse reaches the left output
// through comb 22's tap (533) and the right output through echo line 23's (491).
TEST(Hall, ImpulseFirstArrivesThroughTheShortestTaps) {
    auto e = makeEngine(44100, 4, settings(0.5f, 0.0f, 0.0f));
    Signal outL, outR;
    runCore(*e, kHall, impulse(4000), Signal(4000, 0.0f), outL, outR);
    EXPECT_EQ(firstAbove(outL, 1e-4f), 533 + 1762);
    EXPECT_EQ(firstAbove(outR, 1e-4f), 491 + 1762);

    // With diffusion the all-passes pass part of their input at once: 1762 samples earlier,
    // scaled by c^4.
    e = makeEngine(44100, 4, settings(0.5f, 1.0f, 0.0f));
    runCore(*e, kHall, impulse(4000), Signal(4000, 0.0f), outL, outR);
    EXPECT_EQ(firstAbove(outL, 1e-6f), 533);
    EXPECT_NEAR(std::fabs(outL[533]), 0.08625f * std::pow(0.63f, 4.0f), 2e-4f);
}

// Through the whole engine the core runs at half or a quarter of the host rate: the
// first arrival (its peak) lands rateDivider + 1 times as many host samples later, plus
// the latency of the decimator and interpolator.
TEST(Hall, FirstArrivalInHostSamplesFollowsTheRateDivider) {
    struct Rate {
        float hz;
        int factor, latency;
    };
    for (const Rate r : {Rate{44100, 1, 0}, Rate{96000, 2, 30}, Rate{192000, 4, 13}}) {
        reference::Params p = settings(0.5f, 0.0f, 0.0f);
        p.wet = 1.0f;
        auto e = makeEngine(r.hz, 4, p);
        const int len = r.factor * 2400;
        Signal outL, outR;
        run(*e, impulse(len), Signal(len, 0.0f), outL, outR);
        const auto peak = [&](const Signal& s, int expect) {
            const int from = expect - 40 * r.factor, to = expect + 40 * r.factor;
            return static_cast<int>(std::max_element(s.begin() + from, s.begin() + to,
                                                     [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
                                    s.begin());
        };
        const int left = r.factor * 2295 + r.latency, right = r.factor * 2253 + r.latency;
        EXPECT_NEAR(peak(outL, left), left, r.factor) << "at " << r.hz;
        EXPECT_NEAR(peak(outR, right), right, r.factor) << "at " << r.hz;
        // Nothing of the impulse before it (the resampling filters' pre-ringing aside).
        const int first = firstAbove(outL, 1e-3f);
        EXPECT_LE(first, left) << "at " << r.hz;
        EXPECT_GE(first, left - 16 * r.factor) << "at " << r.hz;
    }
}

TEST(Hall, PowerOffLetsTheTailDecay) {
    reference::Params p = settings(0.5f);
    auto e = makeEngine(44100, 4, p);
    Signal in = noise(20000), outL, outR;
    runCore(*e, kHall, in, in, outL, outR);
    moltaro::store(e->params.power, 0);
    Signal silence(44100, 0.0f);
    runCore(*e, kHall, silence, silence, outL, outR);
    auto energy = [](const Signal& s, int from, int to) {
        double sum = 0;
        for (int i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
        return sum;
    };
    const double first = energy(outL, 0, 4410), later = energy(outL, 22050, 26460);
    EXPECT_GT(first, 1e-2);            // the tail goes on ...
    EXPECT_LT(later, first * 0.01);    // ... and decays (some 23 dB in half a second)
    EXPECT_GT(later, 0.0);
}
