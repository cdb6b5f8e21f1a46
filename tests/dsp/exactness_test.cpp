// The engine against the plain sample-by-sample model: the same samples, exactly, at
// every rate, for any block lengths, parameter changes and changeovers.
#include <gtest/gtest.h>

#include "dsp/engine_rig.h"

using namespace rig;

namespace {

struct Case {
    float rate;
    int algorithm;
    bool narrow = false;   // the 4-lane path even where the wide one runs
};

reference::Params busySettings(int algorithm) {
    reference::Params p;
    p.requested = algorithm;
    p.predelaySeconds = 0.013f * 0.013f * 100.0f;
    p.decay = 0.7f;
    p.highDamp = 0.3f;
    p.diffusion = 0.8f;
    p.lowFreq = 180.0f;
    p.lowGain = 1.4f;
    p.highFreq = 4000.0f;
    p.highGain = 0.6f;
    p.wet = 0.6f;
    p.outGain = 0.8f;
    return p;
}

// Bursts of noise, impulses and silence.
Signal programme(int len, uint32_t seed) {
    Signal s = noise(len, 0.4f, seed);
    for (int i = 0; i < len; ++i) {
        const int part = (i / 3000) % 4;
        if (part == 1) s[i] = (i % 3000 == 17) ? 0.9f : 0.0f;
        if (part == 3) s[i] *= 0.05f;
    }
    return s;
}

class EngineMatchesModel : public ::testing::TestWithParam<Case> {};

TEST_P(EngineMatchesModel, WithRandomBlocksAndParameterChanges) {
    const Case c = GetParam();
    reference::Params p = busySettings(c.algorithm);
    auto e = makeEngine(c.rate, c.algorithm, p);
    if (c.narrow) e->wideVectors = false;
    reference::Model m;
    m.p = p;
    m.suspend();
    m.resume(c.rate, 512, 512);
    m.algorithm = c.algorithm;

    const int len = static_cast<int>(c.rate * 0.6f);
    const Signal inL = programme(len, 3), inR = programme(len, 4);
    Signal eL(len), eR(len), mL(len), mR(len);
    const auto blocks = randomBlocks(400, 1, 700, 11);
    size_t b = 0;
    for (int at = 0; at < len;) {
        const int n = std::min(blocks[b++ % blocks.size()], len - at);
        if (b % 37 == 5) {   // a parameter change between blocks
            p.decay = 0.2f + 0.01f * static_cast<float>(b % 70);
            p.highDamp = 0.01f * static_cast<float>(b % 90);
            p.predelaySeconds = 0.0001f * static_cast<float>(b % 50);
            p.wet = 0.3f + 0.01f * static_cast<float>(b % 60);
            p.power = (b % 111 == 42) ? 0 : 1;
            apply(*e, p);
            m.p = p;
            m.setupPending = true;
            m.updatePredelay();
        }
        const float* ins[2] = {inL.data() + at, inR.data() + at};
        float* outs[2] = {eL.data() + at, eR.data() + at};
        e->process(ins, outs, n, true, true);
        m.process(inL.data() + at, inR.data() + at, mL.data() + at, mR.data() + at, n);
        at += n;
    }
    int mismatches = 0;
    for (int i = 0; i < len && mismatches < 5; ++i) {
        if (eL[i] != mL[i] || eR[i] != mR[i]) {
            ADD_FAILURE() << "sample " << i << ": engine " << eL[i] << ", " << eR[i] << " model " << mL[i]
                          << ", " << mR[i];
            ++mismatches;
        }
    }
    // The wet path took part: the output is far from the dry signal alone.
    float wetPart = 0.0f;
    for (int i = 0; i < len; ++i)
        wetPart = std::max(wetPart, std::fabs(eR[i] - p.outGain * std::sqrt(1.0f - p.wet) * inR[i]));
    EXPECT_GT(wetPart, 0.02f);
}

INSTANTIATE_TEST_SUITE_P(HallAndPlate, EngineMatchesModel,
                         ::testing::Values(Case{44100, 4}, Case{48000, 4}, Case{96000, 4}, Case{192000, 4},
                                           Case{44100, 8}, Case{48000, 8}, Case{96000, 8}, Case{192000, 8},
                                           Case{48000, 8, true}, Case{192000, 8, true}),
                         [](const auto& info) {
                             return std::string(info.param.algorithm == 4 ? "Hall" : "Plate") +
                                    std::to_string(static_cast<int>(info.param.rate)) +
                                    (info.param.narrow ? "Narrow" : "");
                         });

}  // namespace

namespace {

class ChangeoversMatchModel : public ::testing::TestWithParam<float> {};

// Changeovers Hall -> Plate -> Hall, the silence gate closing and opening, mono input
// and output, at blocks of 512 and of random lengths.
TEST_P(ChangeoversMatchModel, ThroughChangeoversTheGateAndMonoRouting) {
    const float rate = GetParam();
    for (int variant = 0; variant < 2; ++variant) {
        const bool monoIn = variant == 1, monoOut = variant == 1;
        reference::Params p = busySettings(4);
        p.decay = 0.05f;
        p.predelaySeconds = 0.0f;
        auto e = makeEngine(rate, 4, p);
        moltaro::store(e->stereoIn, !monoIn);
        moltaro::store(e->stereoOut, !monoOut);
        reference::Model m;
        m.p = p;
        m.suspend();
        m.resume(rate, 512, 512);
        m.algorithm = 4;

        const int second = static_cast<int>(rate);
        const int len = second * 5;
        Signal inL = programme(len, 7), inR = programme(len, 8);
        for (int i = second; i < second * 4; ++i) inL[i] = inR[i] = 0.0f;   // 3 s of silence
        Signal eL(len), eR(len), mL(len), mR(len);
        const auto blocks = variant == 0 ? std::vector<int>{512} : randomBlocks(300, 1, 1500, 21);
        bool gateClosed = false;
        size_t b = 0;
        int changes = 0;
        for (int at = 0; at < len;) {
            const int n = std::min(blocks[b++ % blocks.size()], len - at);
            const int wantChanges = at > second / 4 ? (at > second * 4 + second / 4 ? 2 : 1) : 0;
            if (changes < wantChanges) {
                p.requested = changes == 0 ? 8 : 4;
                apply(*e, p);
                e->requestTypeChange();
                m.p = p;
                m.setupPending = true;
                m.requestTypeChange();
                ++changes;
            }
            const float* ins[2] = {inL.data() + at, inR.data() + at};
            float* outs[2] = {eL.data() + at, eR.data() + at};
            e->process(ins, outs, n, true, true);
            m.process(inL.data() + at, monoIn ? nullptr : inR.data() + at, mL.data() + at,
                      monoOut ? nullptr : mR.data() + at, n);
            gateClosed = gateClosed || e->silenceCount == 0;
            at += n;
        }
        EXPECT_TRUE(gateClosed);
        EXPECT_EQ(moltaro::indexOf(e->algorithm), 4);
        int mismatches = 0;
        for (int i = 0; i < len && mismatches < 5; ++i) {
            if (eL[i] != mL[i] || (!monoOut && eR[i] != mR[i])) {
                ADD_FAILURE() << "variant " << variant << " sample " << i << ": engine " << eL[i] << " model "
                              << mL[i];
                ++mismatches;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, ChangeoversMatchModel, ::testing::Values(44100.0f, 48000.0f, 96000.0f, 192000.0f),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param)); });

}  // namespace
