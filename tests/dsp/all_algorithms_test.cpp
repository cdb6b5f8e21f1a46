// All nine algorithms through the engine's block entry, as the audio entry runs them:
// clean changeovers between them while audio runs, and tails that lengthen with Decay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dsp/AlgorithmNames.h"
#include "dsp/Engine.h"

using moltaro::Engine;

namespace {

const auto& kName = moltaro::kAlgorithmNames;

// A host driving one engine in fixed blocks, wet signal only.
struct Host {
    std::unique_ptr<Engine> e = std::make_unique<Engine>();
    int block;
    std::vector<float> inL, inR, outL, outR;   // everything rendered so far
    unsigned seed = 12345;

    Host(float rate, int blockSize, float decay = 0.5f) : block(blockSize) {
        moltaro::store(e->params.wet, 1.0f);
        moltaro::store(e->params.outGain, 1.0f);
        moltaro::store(e->params.decay, decay);
        e->resume(rate, block, block);
    }
    // Renders `frames` host samples of noise (level > 0), an impulse (level < 0) or silence.
    void render(int frames, float level) {
        std::vector<float> l(block), r(block), oL(block), oR(block);
        for (int done = 0; done < frames; done += block) {
            const int n = std::min(block, frames - done);
            for (int i = 0; i < n; ++i) {
                float x = 0.0f;
                if (level > 0.0f) {
                    seed = seed * 1664525u + 1013904223u;
                    x = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
                } else if (level < 0.0f && done + i == 0) {
                    x = -level;
                }
                l[i] = r[i] = x;
            }
            const float* ins[2] = {l.data(), r.data()};
            float* outs[2] = {oL.data(), oR.data()};
            e->process(ins, outs, n, true, true);
            inL.insert(inL.end(), l.begin(), l.begin() + n);
            outL.insert(outL.end(), oL.begin(), oL.begin() + n);
            outR.insert(outR.end(), oR.begin(), oR.begin() + n);
        }
    }
    void selectAlgorithm(int a) {
        moltaro::store(e->params.requestedAlgorithm, a);
        e->requestTypeChange();
    }
    float peak(size_t from, size_t to) const {
        float p = 0.0f;
        for (size_t i = from; i < to && i < outL.size(); ++i) p = std::max({p, std::fabs(outL[i]), std::fabs(outR[i])});
        return p;
    }
};

// Checks one changeover that was requested at sample `at`: the old sound fades out over
// 5000 samples, stays silent until the new algorithm starts, and fades in over 5000.
void checkChangeover(const Host& h, size_t at, int to, float rate) {
    const long switchAt = 4999 + h.block;      // the count meets 15000 - frames
    const long fadeInAt = switchAt + 5000;     // the count reaches 0
    auto fade = [&](long k) {
        return k < fadeInAt ? std::max(0.0f, 1.0f - 0.0002f * (k + 1)) : std::min(1.0f, 0.0002f * (k - fadeInAt + 1));
    };
    const float before = h.peak(at - 5000, at);
    const float after = h.peak(at + fadeInAt + 5000, at + fadeInAt + 15000);
    const float eps = 0.02f * std::max(before, after) + 1e-6f;   // DC blocker residue
    SCOPED_TRACE(::testing::Message() << "to " << kName[to] << " at " << rate << " Hz");
    EXPECT_EQ(moltaro::indexOf(h.e->algorithm), to);
    EXPECT_GT(after, 1e-3f) << "the new algorithm is silent";
    int reported = 0;
    for (long k = 0; k < fadeInAt + 5000 && reported < 3; ++k) {
        const float level = k < fadeInAt ? before : after;
        const float limit = 2.0f * fade(k) * level + eps;
        const float o = std::max(std::fabs(h.outL[at + k]), std::fabs(h.outR[at + k]));
        if (!(o <= limit)) {
            ADD_FAILURE() << "sample " << k << " after the request: " << o << " above the fade limit " << limit;
            ++reported;
        }
    }
    EXPECT_LT(h.peak(at + switchAt + 2000, at + fadeInAt), 0.01f * before + 1e-6f) << "gap not silent";
}

// Feeds an impulse and returns the time until its response stays 30 dB below its
// loudest 20 ms window: the end of the last window above that level, found once the
// response has stayed below it for 0.2 s (at most 6 s are rendered; 1e9 if longer).
double decayTime30(Host& h, float rate) {
    const int win = static_cast<int>(rate * 0.02f);
    std::vector<double> level;
    double top = -1e9;
    size_t lastLoud = 0;
    while (level.size() < 300) {
        const size_t from = h.outL.size();
        h.render(win, level.empty() ? -1.0f : 0.0f);
        double e = 0.0;
        for (size_t i = from; i < h.outL.size(); ++i) e += double(h.outL[i]) * h.outL[i] + double(h.outR[i]) * h.outR[i];
        level.push_back(10.0 * std::log10(e + 1e-30));
        top = std::max(top, level.back());
        for (size_t i = lastLoud; i < level.size(); ++i)
            if (level[i] > top - 30.0) lastLoud = i;
        if (level.size() - lastLoud > 10) return (lastLoud + 1) * 0.02;
    }
    return 1e9;
}

}  // namespace

TEST(AllAlgorithms, TypeChangesSwitchCleanlyWhileAudioRuns) {
    for (float rate : {44100.0f, 96000.0f}) {
        Host h(rate, 512);
        h.render(30000, 0.25f);   // Ambience fades in and fills
        for (int to : {1, 2, 3, 4, 5, 6, 7, 8, 0}) {
            const size_t at = h.outL.size();
            h.selectAlgorithm(to);
            h.render(35000, 0.25f);
            bool finite = true;
            for (size_t i = at; i < h.outL.size(); ++i) finite = finite && std::isfinite(h.outL[i]) && std::isfinite(h.outR[i]);
            EXPECT_TRUE(finite) << "non-finite output after changing to " << kName[to] << " at " << rate;
            checkChangeover(h, at, to, rate);
        }
    }
}

TEST(AllAlgorithms, TailsLengthenWithDecay) {
    const float rate = 44100.0f;
    for (int a = 0; a < 9; ++a) {
        double previous = 0.0;
        for (float decay : {0.2f, 0.5f, 0.8f}) {
            Host h(rate, 512, decay);
            h.selectAlgorithm(a);
            h.render(20000, 0.0f);   // changeover done, wet path faded in
            const size_t at = h.outL.size();
            const double t = decayTime30(h, rate);
            EXPECT_GT(h.peak(at, h.outL.size()), 1e-4f) << kName[a] << " is silent";
            EXPECT_GT(t, previous) << kName[a] << ": the -30 dB time at Decay " << decay
                                   << " is not longer than at the Decay before";
            EXPECT_LT(t, 1e8) << kName[a] << " does not fall by 30 dB within 6 s";
            previous = t;
        }
    }
}
