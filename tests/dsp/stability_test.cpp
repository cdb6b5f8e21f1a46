// Long runs: a minute of full-scale noise at the longest decay stays finite and below
// +24 dBFS; a minute of silence after a signal leaves no subnormal number anywhere in
// the recirculating state.
#include <gtest/gtest.h>

#include <cmath>

#include "dsp/engine_rig.h"

using namespace rig;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kMinute = 60 * 44100;

reference::Params longest() {
    reference::Params p;
    p.decay = 1.0f;
    p.highDamp = 0.0f;
    p.wet = 1.0f;
    p.outGain = 1.0f;
    return p;
}

template <typename T>
bool subnormal(T x) {
    return std::fpclassify(x) == FP_SUBNORMAL;
}

int subnormalsIn(const Engine& e) {
    int count = 0;
    for (int l = 0; l < 64; ++l)
        for (int i = 0; i < 16384 + moltaro::kGuard; ++i) count += subnormal(e.lines16k[l][i]);
    for (int l = 0; l < 4; ++l)
        for (int i = 0; i < 65536; ++i) count += subnormal(e.lines64k[l][i]);
    for (float s : e.hall.combState) count += subnormal(s);
    for (float s : e.hall.echoState) count += subnormal(s);
    for (float s : e.plate.tankState) count += subnormal(s);
    const moltaro::FrontEndState& f = e.frontEnd;
    for (float s : {f.hsL, f.hsR, f.hpL, f.hpR, f.y1L, f.y1R}) count += subnormal(s);
    for (const moltaro::Biquad& b : e.dispersion)
        for (double s : {b.x1, b.x2, b.y1, b.y2}) count += subnormal(s);
    return count;
}

}  // namespace

TEST(Stability, AMinuteOfFullScaleNoiseAtTheLongestDecay) {
    for (int algorithm : {4, 8}) {
        auto e = makeEngine(kRate, algorithm, longest());
        const int block = 4096;
        Signal inL = noise(block, 1.0f, 1), inR = noise(block, 1.0f, 2), outL(block), outR(block);
        float peak = 0.0f;
        bool finite = true;
        uint32_t seed = 5;
        for (int done = 0; done < kMinute; done += block) {
            for (int i = 0; i < block; ++i) {   // fresh noise every block
                seed = seed * 1664525u + 1013904223u;
                inL[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
                seed = seed * 1664525u + 1013904223u;
                inR[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            }
            const float* ins[2] = {inL.data(), inR.data()};
            float* outs[2] = {outL.data(), outR.data()};
            e->process(ins, outs, block, true, true);
            for (int i = 0; i < block; ++i) {
                finite = finite && std::isfinite(outL[i]) && std::isfinite(outR[i]);
                peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
            }
        }
        EXPECT_TRUE(finite) << "algorithm " << algorithm;
        EXPECT_LT(peak, 15.85f) << "algorithm " << algorithm;   // +24 dBFS
        EXPECT_GT(peak, 0.5f) << "algorithm " << algorithm;
    }
}

// The core itself (no silence gate to stop it): a second of noise, then a minute of
// silence.
TEST(Stability, NoSubnormalsAfterAMinuteOfSilence) {
    for (int algorithm : {4, 8}) {
        auto e = makeEngine(kRate, algorithm, longest());
        const int block = 8192;
        auto core = [&](float level, int samples, uint32_t seed) {
            for (int done = 0; done < samples; done += block) {
                for (int i = 0; i < block; ++i) {
                    seed = seed * 1664525u + 1013904223u;
                    e->workInL[i] = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
                    e->workInR[i] = e->workInL[i];
                }
                if (algorithm == 4) {
                    e->prepareHall();
                    e->processHall(block);
                } else {
                    e->preparePlate();
                    e->processPlate(block);
                }
            }
        };
        core(0.5f, 44100, 3);
        ASSERT_GT(std::fabs(e->workOutL[100]), 1e-4f);
        core(0.0f, kMinute, 4);
        EXPECT_EQ(subnormalsIn(*e), 0) << "algorithm " << algorithm;
        EXPECT_TRUE(std::isfinite(e->workOutL[block - 1]));
    }
}
