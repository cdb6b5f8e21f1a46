// Engine state and building blocks: rates and block sizes chosen by resume, what
// suspend and reset clear, the pre-delay tap, taps on the lines, the filters and the
// noise source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dsp/engine_rig.h"

using namespace rig;
using moltaro::Biquad;
using moltaro::relaxed;
using moltaro::store;

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(Engine, ResumeChoosesTheCoreRate) {
    struct Case {
        float rate;
        int divider;
        double core;
    };
    const Case cases[] = {{44100, 0, 44100}, {48000, 0, 48000},  {50000, 0, 50000},   {50001, 1, 25000.5},
                          {88200, 1, 44100}, {96000, 1, 48000},  {100000, 1, 50000},  {176400, 3, 44100},
                          {192000, 3, 48000}, {200000, 3, 50000}, {20000, 0, 20000},   {0, 0, 44100},
                          {8000, 0, 44100},  {250000, 0, 44100}, {std::numeric_limits<float>::quiet_NaN(), 0, 44100}};
    for (const Case& c : cases) {
        Engine e;
        e.resume(c.rate, 512, 512);
        EXPECT_EQ(e.rateDivider, c.divider) << c.rate;
        EXPECT_EQ(e.coreRate, c.core) << c.rate;
        EXPECT_EQ(e.silenceHold, static_cast<int>(c.core * (c.divider + 1))) << c.rate;
        EXPECT_EQ(e.silenceCount, e.silenceHold);
    }
}

TEST(Engine, ResumeBlockSizeRules) {
    Engine e;
    float* before = e.workInL;
    for (int size : {16, 100000, 512, 32, 65536}) {
        e.resume(44100, size, 512);
        EXPECT_EQ(e.maxFrames, 65536) << size;   // never smaller, never beyond 65536
        EXPECT_EQ(e.workInL, before);
    }
    // Meter hold: two seconds of the host's blocks; the host's answer first, else the
    // stored size; outside 1..4096, 256.
    e.resume(44100, 512, 512);
    EXPECT_EQ(relaxed(e.meterHoldBlocks), 172);
    e.resume(48000, 1024, 0);
    EXPECT_EQ(relaxed(e.meterHoldBlocks), 93);
    e.resume(48000, 1024, 5000);
    EXPECT_EQ(relaxed(e.meterHoldBlocks), 375);
    e.suspend();
    EXPECT_EQ(relaxed(e.meterHoldBlocks), 100);
    // One instance stays within 8 MiB, all of it allocated up front.
    EXPECT_LE(e.allocatedBytes() + sizeof(Engine), 8u * 1024 * 1024);
    EXPECT_TRUE(e.ok());
}

TEST(Engine, SuspendAndResetClearWhatTheyShould) {
    auto e = makeEngine(48000, 4, {});
    Signal in = noise(4096), outL, outR;
    run(*e, in, in, outL, outR);
    EXPECT_GT(relaxed(e->peakL), 0.0f);
    const auto lineEnergy = [&] {
        double sum = 0;
        for (int l = 0; l < 64; ++l)
            for (int i = 0; i < 16384; ++i) sum += std::fabs(e->lines16k[l][i]);
        return sum;
    };
    ASSERT_GT(lineEnergy(), 0.0);

    // The changeover's reset: pool and core buffers, never the dry copy.
    e->dryL[5] = 0.25f;
    store(e->setupPending, false);
    e->resetEngine();
    EXPECT_EQ(lineEnergy(), 0.0);
    EXPECT_EQ(e->workOutL[5], 0.0f);
    EXPECT_EQ(e->dryL[5], 0.25f);
    EXPECT_TRUE(relaxed(e->setupPending));

    run(*e, in, in, outL, outR);
    e->suspend();
    EXPECT_EQ(lineEnergy(), 0.0);
    EXPECT_EQ(relaxed(e->peakL), 0.0f);
    EXPECT_EQ(e->wetFade, 0.0f);
    EXPECT_EQ(e->noise, 0.0f);
    EXPECT_EQ(e->coreRate, 44100.0);
    EXPECT_EQ(e->dcBlockL.y1, 0.0);
    EXPECT_TRUE(relaxed(e->setupPending));
}

// The pre-delay delays by its time in core samples at every host rate, also after a
// resume at another rate.
TEST(Engine, PredelayTapDelaysByTheDisplayedTime) {
    auto firstArrival = [](Engine& e, int factor) {
        const int len = factor * 3000;
        Signal outL, outR;
        run(e, impulse(len), Signal(len, 0.0f), outL, outR);
        return firstAbove(outL, 1e-3f);
    };
    reference::Params p;
    p.diffusion = 0.0f;
    p.wet = 1.0f;
    auto plain = makeEngine(44100, 4, p);
    const int base = firstArrival(*plain, 1);
    EXPECT_EQ(base, 2295);
    p.predelaySeconds = 0.01f;
    auto delayed = makeEngine(44100, 4, p);
    EXPECT_EQ(firstArrival(*delayed, 1), base + 441);

    // Set at 44100, resumed at 96000 (core 48000): 480 core samples, 960 host samples.
    auto e = std::make_unique<Engine>();
    apply(*e, p);
    e->resume(96000, 512, 512);
    e->algorithm = moltaro::Algorithm::Hall;
    p.predelaySeconds = 0.0f;
    auto e0 = makeEngine(96000, 4, p);
    EXPECT_NEAR(firstArrival(*e, 2) - firstArrival(*e0, 2), 960, 1);

    // Times beyond the line, or not a number, stay within it.
    for (float seconds : {100.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity()}) {
        store(e->params.predelaySeconds, seconds);
        e->updatePredelay();
        const int tap = relaxed(e->predelayTap);
        EXPECT_GE(tap, 0);
        EXPECT_LE(tap, 0xffff);
    }
}

TEST(Blocks, TapsReadWhatWasWrittenTheirDelayAgo) {
    using moltaro::tap16k;
    using moltaro::tapDelay16k;
    EXPECT_EQ(tap16k(100, 10.0), 90);
    EXPECT_EQ(tap16k(100, 10.2), 89);        // a fractional delay reads ceil(D) back
    EXPECT_EQ(tap16k(5, 10.0), 16379);        // wraps
    EXPECT_EQ(moltaro::tap64k(5, 10.5), 65530);
    for (int w : {0, 1, 16383, 9000}) EXPECT_EQ(tapDelay16k(w, 715.36), 716);

    // A stretch written unmasked across the end keeps the start and its copy in step.
    std::vector<float> line(16384 + moltaro::kGuard, 0.0f);
    for (int i = 0; i < 100; ++i) line[16340 + i] = static_cast<float>(i + 1);
    moltaro::syncGuard(line.data(), 16340, 100);
    for (int i = 44; i < 100; ++i) {
        EXPECT_EQ(line[i - 44], static_cast<float>(i + 1));
        EXPECT_EQ(line[16384 + i - 44], static_cast<float>(i + 1));
    }
    for (int i = 0; i < 50; ++i) line[10 + i] = -1.0f;
    moltaro::syncGuard(line.data(), 10, 50);
    EXPECT_EQ(line[16384 + 30], -1.0f);
}

TEST(Blocks, BiquadDesigns) {
    Biquad hp;
    hp.init(44100, 1, 5, 0.5, 0);
    // High-pass: constant input dies away, alternating input passes.
    double y = 0;
    for (int i = 0; i < 200000; ++i) y = hp.process(1.0);
    EXPECT_LT(std::fabs(y), 1e-6);
    hp.clear();
    double peak = 0;
    for (int i = 0; i < 1000; ++i) peak = std::max(peak, std::fabs(hp.process(i % 2 ? 1.0 : -1.0)));
    EXPECT_NEAR(peak, 1.0, 1e-3);

    // All-pass: unit gain at any frequency; coefficients b0 = a2, b1 = a1, b2 = 1.
    Biquad ap;
    ap.init(48000, 10, 1600, 1.2, 24);
    EXPECT_EQ(ap.b0, ap.a2);
    EXPECT_EQ(ap.b1, ap.a1);
    EXPECT_EQ(ap.b2, 1.0);
    for (double hz : {100.0, 1600.0, 9000.0}) {
        ap.clear();
        double in = 0, out = 0;
        for (int i = 0; i < 48000; ++i) {
            const double x = std::sin(2 * kPi * hz * i / 48000);
            const double o = ap.process(x);
            if (i >= 24000) {
                in += x * x;
                out += o * o;
            }
        }
        EXPECT_NEAR(out / in, 1.0, 1e-3) << hz;
    }
    // A new rate designs anew and clears the state; other types are all ones.
    ap.setSampleRate(96000);
    EXPECT_EQ(ap.y1, 0.0);
    Biquad other;
    other.init(44100, 2, 1000, 1, 6);
    EXPECT_EQ(other.a1, 1.0);
    EXPECT_EQ(other.b2, 1.0);
}

// Silence through a filter gives tiny values around the 1e-14 offset (the DC blocker's
// between 1e-18 and 3e-12): never zero, never a denormal, as doubles or as floats.
TEST(Blocks, BiquadOnSilenceStaysAwayFromDenormals) {
    Biquad dc, ap;
    dc.init(44100, 1, 5, 0.5, 0);
    ap.init(44100, 10, 100, 0.3, 24);
    for (int i = 0; i < 1000000; ++i) {
        for (Biquad* b : {&dc, &ap}) {
            const double y = b->process(0.0);
            ASSERT_NE(y, 0.0) << i;
            ASSERT_GT(std::fabs(y), 1e-20) << i;
            ASSERT_LT(std::fabs(y), 1e-11) << i;
            ASSERT_EQ(std::fpclassify(static_cast<float>(y)), FP_NORMAL) << i;
        }
    }
}

TEST(Blocks, DenormalNoiseStaysSmallAndAwayFromZero) {
    moltaro::DenormalNoise n;
    n.seedStep();
    EXPECT_EQ(n.s1, 592u);
    EXPECT_EQ(n.s2, 153768u);
    EXPECT_EQ(n.s3, 1526u);
    double sum = 0;
    int large = 0;
    for (int i = 0; i < 100000; ++i) {
        const float x = n.next();
        ASSERT_LE(std::fabs(x), 1e-8f);
        ASSERT_EQ(std::fpclassify(x), FP_NORMAL);
        sum += x;
        large += std::fabs(x) > 5e-9f;
    }
    EXPECT_LT(std::fabs(sum / 100000), 1e-10);
    EXPECT_NEAR(large, 50000, 1500);
}

// The other cookbook designs, by their gains at DC, at the corner and at Nyquist.
TEST(Blocks, CookbookDesignsHaveTheirGains) {
    auto gainAt = [](const Biquad& b, double hz) {
        const double w = 2 * kPi * hz / b.sampleRate;
        // |H(e^jw)| from the normalised coefficients.
        const double cr = b.b0 + b.b1 * std::cos(w) + b.b2 * std::cos(2 * w);
        const double ci = -(b.b1 * std::sin(w) + b.b2 * std::sin(2 * w));
        const double dr = 1 + b.a1 * std::cos(w) + b.a2 * std::cos(2 * w);
        const double di = -(b.a1 * std::sin(w) + b.a2 * std::sin(2 * w));
        return std::sqrt((cr * cr + ci * ci) / (dr * dr + di * di));
    };
    const double rate = 48000, nyq = 23999;
    Biquad b;
    b.init(rate, 8, 1000, 0.7071, 0);   // low-pass, with its larger offset
    EXPECT_EQ(b.offset, 1e-12);
    EXPECT_NEAR(gainAt(b, 1), 1.0, 1e-6);
    EXPECT_LT(gainAt(b, nyq), 1e-3);
    b.init(rate, 4, 1000, 1.0, 12);     // peaking +12 dB
    EXPECT_NEAR(gainAt(b, 1000), std::pow(10.0, 12.0 / 20), 1e-6);
    EXPECT_NEAR(gainAt(b, 1), 1.0, 1e-3);
    b.init(rate, 5, 1000, 2.0, 0);      // band-pass, 0 dB at the centre
    EXPECT_NEAR(gainAt(b, 1000), 1.0, 1e-6);
    b.init(rate, 6, 1000, 2.0, 0);      // notch
    EXPECT_LT(gainAt(b, 1000), 1e-9);
    b.init(rate, 3, 200, 0.7071, 6);    // low shelf: the gain below, unity above
    EXPECT_NEAR(gainAt(b, 1), std::pow(10.0, 6.0 / 20), 1e-3);
    EXPECT_NEAR(gainAt(b, nyq), 1.0, 1e-2);
    b.init(rate, 7, 5000, 0.7071, -6);  // high shelf
    EXPECT_NEAR(gainAt(b, nyq), std::pow(10.0, -6.0 / 20), 1e-2);
    EXPECT_NEAR(gainAt(b, 1), 1.0, 1e-3);
}
