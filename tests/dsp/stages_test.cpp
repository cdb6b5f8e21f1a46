// The input and output stages: mix and output gains, routing, the silence gate, the
// algorithm changeover, odd block lengths, and input a host should not send.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#include "dsp/engine_rig.h"

using namespace rig;
using moltaro::relaxed;
using moltaro::store;

namespace {

reference::Params mixed(float wet, float outGain = 1.0f) {
    reference::Params p;
    p.wet = wet;
    p.outGain = outGain;
    return p;
}

void block(Engine& e, const float* inL, const float* inR, float* outL, float* outR, int n, bool in1 = true,
           bool out1 = true) {
    const float* ins[2] = {inL, inR};
    float* outs[2] = {outL, outR};
    e.process(ins, outs, n, in1, out1);
}

// A settled engine: past the fade-in that follows resume.
std::unique_ptr<Engine> settled(float rate, int algorithm, const reference::Params& p) {
    auto e = makeEngine(rate, algorithm, p);
    Signal in(512, 0.0f), out(512);
    for (int b = 0; b < 12; ++b) block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    return e;
}

bool allFinite(const Signal& s) {
    return std::all_of(s.begin(), s.end(), [](float x) { return std::isfinite(x); });
}

}  // namespace

TEST(Stages, MixAndOutputGains) {
    const Signal in = noise(2048, 0.5f, 9);
    Signal outL, outR;
    // Mix 0: the dry signal alone, exactly; the output gain scales it.
    for (float gain : {1.0f, 4.0f, 0.0f}) {
        auto e = settled(44100, 4, mixed(0.0f, gain));
        run(*e, in, in, outL, outR);
        for (int i = 0; i < 2048; ++i) ASSERT_EQ(outL[i], gain * in[i]) << "gain " << gain << " at " << i;
    }
    // Mix 0.5: both at sqrt(0.5). Before the first reflection the output is the dry part.
    auto e = settled(44100, 4, mixed(0.5f));
    run(*e, in, in, outL, outR);
    for (int i = 0; i < 400; ++i) ASSERT_NEAR(outL[i], 0.70710678f * in[i], 1e-6f) << i;
    // Mix 1: the wet signal alone; the dry impulse does not come through.
    e = settled(44100, 4, mixed(1.0f));
    run(*e, impulse(3000, 0, 1.0f), impulse(3000, 0, 1.0f), outL, outR);
    EXPECT_LT(std::fabs(outL[0]), 1e-6f);
    EXPECT_GT(*std::max_element(outL.begin(), outL.end()), 0.01f);
}

TEST(Stages, MonoOutputCarriesTheAverage) {
    const Signal inL = noise(4096, 0.5f, 1), inR = noise(4096, 0.5f, 2);
    Signal stL, stR;
    auto stereo = settled(48000, 8, mixed(0.5f));
    run(*stereo, inL, inR, stL, stR);
    for (const bool arrangement : {false, true}) {
        // Mono arrangement, or stereo with the second output not connected: the first
        // output carries the average of both channels, none is lost.
        auto e = settled(48000, 8, mixed(0.5f));
        store(e->stereoOut, arrangement);
        Signal out(4096), untouched(4096, 7.0f);
        for (int at = 0; at < 4096; at += 512)
            block(*e, inL.data() + at, inR.data() + at, out.data() + at, untouched.data() + at, 512, true,
                  false);
        for (int i = 0; i < 4096; ++i) ASSERT_EQ(out[i], (stL[i] + stR[i]) * 0.5f) << i;
        EXPECT_EQ(untouched[100], 7.0f);
    }
}

TEST(Stages, MonoInputIsDuplicated) {
    const Signal inL = noise(1024, 0.5f, 1), inR = noise(1024, 0.5f, 2);
    for (const bool arrangement : {false, true}) {
        auto e = settled(44100, 4, mixed(0.0f));
        store(e->stereoIn, arrangement);
        Signal outL(1024), outR(1024);
        block(*e, inL.data(), inR.data(), outL.data(), outR.data(), 1024, !arrangement ? true : false);
        for (int i = 0; i < 1024; ++i) {
            ASSERT_EQ(outL[i], inL[i]);
            ASSERT_EQ(outR[i], inL[i]);
        }
    }
}

TEST(Stages, SilenceGateStopsTheCoreAndTheFirstSignalRestartsIt) {
    reference::Params p = mixed(0.5f);
    p.decay = 0.0f;
    auto e = settled(44100, 4, p);
    Signal in = noise(512), silence(512, 0.0f), out(512);
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    // Tail, then a second of silence: the core stops and its output is zero.
    for (int b = 0; b < 6 * 44100 / 512; ++b) block(*e, silence.data(), silence.data(), out.data(), out.data(), 512);
    EXPECT_EQ(e->silenceCount, 0);
    const int w = e->write16k;
    block(*e, silence.data(), silence.data(), out.data(), out.data(), 512);
    EXPECT_EQ(e->write16k, w);
    for (int i = 0; i < 512; ++i) EXPECT_EQ(e->workOutL[i], 0.0f);
    EXPECT_LT(*std::max_element(out.begin(), out.end()), 1e-6f);
    // One sample above the threshold at the end of a block restarts the core in that block.
    Signal tick(512, 0.0f);
    tick[511] = 2e-6f;
    block(*e, tick.data(), silence.data(), out.data(), out.data(), 512);
    EXPECT_EQ(e->write16k, (w + 512) & 0x3fff);
    EXPECT_EQ(e->silenceCount, e->silenceHold);
}

// A click waiting in a one-second pre-delay is still heard: the gate must not close
// while the sound is inside the pre-delay line.
TEST(Stages, SilenceGateWaitsForTheLongestPredelay) {
    for (float rate : {44100.0f, 96000.0f}) {
        reference::Params p = mixed(1.0f);
        p.predelaySeconds = 1.0f;
        auto e = settled(rate, 4, p);
        Signal click(512, 0.0f), silence(512, 0.0f), out(512);
        click[0] = 1.0f;
        block(*e, click.data(), click.data(), out.data(), out.data(), 512);
        float peak = 0.0f;
        for (int b = 0; b < static_cast<int>(3 * rate) / 512; ++b) {
            block(*e, silence.data(), silence.data(), out.data(), out.data(), 512);
            for (float v : out) peak = std::max(peak, std::fabs(v));
        }
        EXPECT_GT(peak, 1e-3f) << "no reverb after a one-second pre-delay at " << rate << " Hz";
    }
}

// A changeover requested before a block of 512: the wet fades out over 5000 samples,
// the switch comes when the count reaches 15000 - 512 (5512 samples after the request),
// the core stays off for the blocks that start with the count at 1..5000, then the wet
// fades in again.
TEST(Stages, TypeChangeSwitchesAfter5512SamplesAtBlocksOf512) {
    auto e = settled(44100, 4, mixed(0.5f));
    Signal in = noise(512), out(512);
    store(e->params.requestedAlgorithm, 8);
    e->requestTypeChange();
    EXPECT_EQ(relaxed(e->typeChangeCount), 20000);
    for (int b = 0; b < 10; ++b) block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(moltaro::indexOf(e->algorithm), 4);
    EXPECT_EQ(relaxed(e->typeChangeCount), 20000 - 5120);
    EXPECT_EQ(e->wetFade, 0.0f);
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(moltaro::indexOf(e->algorithm), 8);
    EXPECT_EQ(relaxed(e->typeChangeCount), 5000 - (5632 - 5512));
    // Core off while the count is at 1..5000 at the start of a block.
    int w = e->write16k;
    int blocks = 0;
    while (relaxed(e->typeChangeCount) > 0) {
        block(*e, in.data(), in.data(), out.data(), out.data(), 512);
        ++blocks;
    }
    EXPECT_EQ(blocks, 10);
    EXPECT_EQ(e->write16k, w);
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_NE(e->write16k, w);
    for (int b = 0; b < 10; ++b) block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(e->wetFade, 1.0f);
}

// Long or changing host blocks must not skip the switch.
TEST(Stages, TypeChangeTakesEffectWithLongAndVaryingBlocks) {
    {
        auto e = settled(44100, 4, mixed(0.5f));
        Signal in = noise(20000), out(20000);
        store(e->params.requestedAlgorithm, 8);
        e->requestTypeChange();
        block(*e, in.data(), in.data(), out.data(), out.data(), 20000);
        EXPECT_EQ(moltaro::indexOf(e->algorithm), 8);
    }
    {
        auto e = settled(44100, 8, mixed(0.5f));
        Signal in = noise(2000), out(2000);
        store(e->params.requestedAlgorithm, 4);
        e->requestTypeChange();
        // Blocks that grow as the count falls: the count never equals 15000 - frames.
        const int sizes[] = {1000, 1000, 1000, 1000, 1000, 100, 1500, 1800, 1900, 2000, 2000, 2000};
        for (int n : sizes) block(*e, in.data(), in.data(), out.data(), out.data(), n);
        EXPECT_EQ(moltaro::indexOf(e->algorithm), 4);
    }
}

TEST(Stages, TypeChangeRequestedAgainRestartsTheCount) {
    auto e = settled(44100, 4, mixed(0.5f));
    Signal in = noise(512), out(512);
    store(e->params.requestedAlgorithm, 8);
    e->requestTypeChange();
    for (int b = 0; b < 8; ++b) block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    e->requestTypeChange();
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(relaxed(e->typeChangeCount), 20000 - 512);
    EXPECT_EQ(moltaro::indexOf(e->algorithm), 4);
}

// The switch clears the core's buffers, never the dry samples being mixed.
TEST(Stages, DrySignalRunsOnThroughTheSwitch) {
    for (float rate : {44100.0f, 96000.0f}) {
        auto e = settled(rate, 4, mixed(0.5f));
        store(e->params.requestedAlgorithm, 8);
        e->requestTypeChange();
        const int len = 512 * 14;
        const Signal in = noise(len, 0.5f, 5);
        Signal outL, outR;
        run(*e, in, in, outL, outR);
        ASSERT_EQ(moltaro::indexOf(e->algorithm), 8);
        // The wet is faded out from about sample 5000 to well past the switch at 5512
        // (only the DC blocker's slow tail of the wet is left): the output is the dry part.
        for (int i = 5100; i < len; ++i) ASSERT_NEAR(outL[i], 0.70710678f * in[i], 2e-3f) << "at " << i;
    }
}

TEST(Stages, BlockOfZeroFramesOnlyCountsTheBlock) {
    auto e = settled(44100, 4, mixed(0.5f));
    const int w = e->write16k, before = relaxed(e->blockCount);
    float in[4] = {1, 1, 1, 1}, out[4] = {5, 5, 5, 5};
    block(*e, in, in, out, out, 0);
    EXPECT_EQ(relaxed(e->blockCount), before + 1);
    EXPECT_EQ(e->write16k, w);
    EXPECT_EQ(out[0], 5.0f);
}

// Blocks of any length give the same samples: no core sample dropped or used twice at
// the reduced rates, and a block longer than the buffers runs in pieces.
TEST(Stages, BlockLengthsDoNotChangeTheOutput) {
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        for (int algorithm : {4, 8}) {
            const int len = static_cast<int>(rate * 0.9f);
            const Signal inL = noise(len, 0.5f, 3), inR = noise(len, 0.5f, 4);
            Signal refL, refR, outL, outR;
            auto a = makeEngine(rate, algorithm, mixed(0.7f));
            run(*a, inL, inR, refL, refR, {512});
            auto b = makeEngine(rate, algorithm, mixed(0.7f));
            run(*b, inL, inR, outL, outR, randomBlocks(1000, 1, 2000, 99));
            int bad = 0;
            for (int i = 0; i < len && bad < 3; ++i)
                if (outL[i] != refL[i] || outR[i] != refR[i]) {
                    ADD_FAILURE() << rate << " Hz, algorithm " << algorithm << ": sample " << i << " differs";
                    ++bad;
                }
        }
    }
    // One host block of 100000 frames (more than the work buffers hold).
    const int len = 100000;
    const Signal in = noise(len, 0.5f, 8);
    Signal refL, refR, outL, outR;
    auto a = makeEngine(44100, 4, mixed(0.7f));
    run(*a, in, in, refL, refR, {512});
    auto b = makeEngine(44100, 4, mixed(0.7f));
    run(*b, in, in, outL, outR, {len});
    EXPECT_EQ(relaxed(b->blockCount), 1);
    EXPECT_TRUE(outL == refL && outR == refR);
}

TEST(Stages, NonFiniteInputIsTreatedAsSilence) {
    for (int algorithm : {4, 8}) {
        auto e = settled(96000, algorithm, mixed(0.5f));
        const int len = 96000;
        Signal in = noise(len, 0.5f, 4), outL, outR;
        in[10] = std::numeric_limits<float>::quiet_NaN();
        in[600] = std::numeric_limits<float>::infinity();
        in[601] = -std::numeric_limits<float>::infinity();
        run(*e, in, in, outL, outR);
        EXPECT_TRUE(allFinite(outL) && allFinite(outR)) << "algorithm " << algorithm;
        EXPECT_LT(std::fabs(outL[10]), 0.05f);   // no dry part, a little wet
        // A second later, normal input, the output is normal.
        Signal later = noise(len, 0.5f, 5);
        run(*e, later, later, outL, outR);
        EXPECT_TRUE(allFinite(outL) && allFinite(outR));
        EXPECT_LT(*std::max_element(outL.begin(), outL.end()), 4.0f);
    }
    // Absurd but finite input is held at the limit: loud, never infinite.
    auto e = settled(44100, 8, mixed(0.5f));
    Signal in = noise(44100, 0.5f, 4), outL, outR;
    in[100] = std::numeric_limits<float>::max();
    in[101] = -1e30f;
    run(*e, in, in, outL, outR);
    EXPECT_TRUE(allFinite(outL) && allFinite(outR));
    EXPECT_NEAR(outL[100], 0.70710678f * Engine::kInputLimit, 1e3f);
    EXPECT_NEAR(outL[101], -0.70710678f * Engine::kInputLimit, 1e3f);
}

TEST(Stages, MetersFollowTheOutputUntilCleared) {
    auto e = settled(44100, 4, mixed(0.0f));
    Signal in(512, 0.0f), out(512);
    in[100] = 0.25f;
    in[200] = -0.5f;
    const int before = relaxed(e->blockCount);
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(relaxed(e->peakL), 0.5f);
    EXPECT_EQ(relaxed(e->peakR), 0.5f);
    EXPECT_EQ(relaxed(e->blockCount), before + 1);
    store(e->peakL, 0.0f);   // the editor reads and clears
    in[200] = 0.0f;
    block(*e, in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_EQ(relaxed(e->peakL), 0.25f);
    EXPECT_EQ(relaxed(e->peakR), 0.5f);
}

TEST(Stages, MissingBuffersAndInPlaceProcessing) {
    auto e = settled(44100, 4, mixed(0.5f));
    Signal out(512, 3.0f);
    float* outs[2] = {out.data(), nullptr};
    e->process(nullptr, outs, 512, true, true);   // no input: silence in
    EXPECT_LT(std::fabs(out[0]), 1e-6f);
    e->process(nullptr, nullptr, 512, true, true);   // no output: nothing to write
    const float* ins[2] = {out.data(), nullptr};
    e->process(ins, outs, 512, true, true);          // second input missing: mono

    const Signal in = noise(2048, 0.5f, 6);
    Signal refL, refR;
    auto a = makeEngine(48000, 8, mixed(0.5f));
    run(*a, in, in, refL, refR);
    auto b = makeEngine(48000, 8, mixed(0.5f));
    Signal l = in, r = in;
    for (int at = 0; at < 2048; at += 512) block(*b, l.data() + at, r.data() + at, l.data() + at, r.data() + at, 512);
    EXPECT_TRUE(l == refL && r == refR);
}

TEST(Stages, HostRateAbove200kHzKeepsOnlyTheDryPath) {
    auto e = makeEngine(250000, 4, mixed(0.5f));
    EXPECT_EQ(e->rateDivider, 0);
    EXPECT_EQ(e->coreRate, 44100.0);
    const int w = e->write16k;
    const Signal in = noise(8192, 0.5f, 2);
    Signal outL, outR;
    run(*e, in, in, outL, outR);
    EXPECT_EQ(e->write16k, w);
    for (int i = 0; i < 8192; ++i) ASSERT_NEAR(outL[i], 0.70710678f * in[i], 1e-6f);
}

// Parameter changes, pre-delay moves, changeover requests and meter reads from another
// thread while audio runs: no torn state, the output stays finite.
TEST(Stages, ParametersFromAnotherThreadWhileAudioRuns) {
    auto e = settled(96000, 4, mixed(0.5f));
    std::atomic<bool> stop{false};
    std::thread ui([&] {
        for (int i = 0; !stop.load(); ++i) {
            store(e->params.decay, 0.01f * static_cast<float>(i % 100));
            store(e->params.predelaySeconds, 0.001f * static_cast<float>(i % 300));
            e->updatePredelay();
            store(e->setupPending, true);
            if (i % 500 == 0) {
                store(e->params.requestedAlgorithm, (i / 500) % 2 ? 8 : 4);
                e->requestTypeChange();
            }
            e->peakL.exchange(0.0f);
            e->blockCount.exchange(0);
            std::this_thread::yield();
        }
    });
    Signal in = noise(512), outL(512), outR(512);
    bool finite = true;
    for (int b = 0; b < 400; ++b) {
        block(*e, in.data(), in.data(), outL.data(), outR.data(), 512);
        finite = finite && allFinite(outL) && allFinite(outR);
    }
    stop = true;
    ui.join();
    EXPECT_TRUE(finite);
    const int tap = relaxed(e->predelayTap), w = relaxed(e->write64k);
    EXPECT_LE((w - tap) & 0xffff, 48000);   // within the longest pre-delay at this core rate
}
