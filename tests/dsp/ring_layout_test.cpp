// The compact ring layouts: at every host rate, each line an algorithm lays out lies
// inside one single pool line, and no two of its lines share memory (an overlap would
// let one line overwrite another's samples). A line that is a ring of its own counts
// with the samples it uses (its ring, and its guard copy if it has one), so that a ring
// outgrowing its place in the layout overlaps the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "dsp/engine_rig.h"

namespace {

using moltaro::Algorithm;
using moltaro::Engine;
using moltaro::kGuard;
using moltaro::kLen16k;

// (first sample, samples) of each line the running algorithm uses in the single lines.
using Lines = std::vector<std::pair<const float*, int>>;

Lines linesOf(const Engine& e) {
    Lines out;
    float* const* single = e.lines16k;
    auto add = [&](const float* p, int n) { out.emplace_back(p, n); };
    switch (e.algorithm) {
    case Algorithm::Ambience:
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < 6; ++j)
                for (int t = 0; t < 3; ++t)
                    add(e.ambience.allpassLine(single, side, j, t), e.ambience.allpassSize[side][j][t]);
        break;
    case Algorithm::Room:
        for (int c = 0; c < 24; ++c) add(e.room.combLine(single, c), e.room.combRing);
        for (int a = 0; a < 8; ++a) add(e.room.allpassLine(single, a), e.room.allpassRing);
        break;
    case Algorithm::Chamber:
    case Algorithm::Club: {
        const auto& st = e.algorithm == Algorithm::Club ? static_cast<const moltaro::ClubNetworkState&>(e.club)
                                                        : static_cast<const moltaro::ClubNetworkState&>(e.chamber);
        for (int c = 0; c < 24; ++c) {
            add(st.combLine(single, c), st.combLoop[c]);
            add(st.loopLine(single, c), st.loopRing);
        }
        for (int o = 0; o < 6; ++o) add(st.outLine(single, o), st.outRing);
        break;
    }
    case Algorithm::Hall:
        for (int k = 0; k < 48; ++k) add(e.hall.line(single, k), e.hall.lineRing[k] + kGuard);
        for (int a = 0; a < 8; ++a) add(e.hall.allpassLine(single, a), e.hall.allpassRing + kGuard);
        break;
    case Algorithm::Arena:
    case Algorithm::Cathedral: {
        auto banks = [&](const auto& st) {
            for (int k = 0; k < 48; ++k) add(st.combLine(single, k), st.combSize[k]);
            for (int a = 0; a < 8; ++a) add(st.allpassLine(single, a), st.allpassRing);
        };
        if (e.algorithm == Algorithm::Arena) banks(e.arena);
        else banks(e.cathedral);
        break;
    }
    case Algorithm::Spring:
    case Algorithm::Plate:
        break;
    }
    return out;
}

TEST(RingLayout, EveryLineLiesInsideOneSingleLineAndNoTwoOverlap) {
    const std::less<const float*> before;
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (Algorithm a : moltaro::kAllAlgorithms) {
            auto e = rig::makeEngine(rate, moltaro::indexOf(a));
            rig::Signal in(1024, 0.1f), outL, outR;
            rig::run(*e, in, in, outL, outR);   // the setup picks the ring sizes
            Lines lines = linesOf(*e);
            for (const auto& [p, n] : lines) {
                bool inside = false;
                for (int s = 0; s < 64 && !inside; ++s) {
                    const float* line = e->lines16k[s];
                    inside = !before(p, line) && !before(line + kLen16k + kGuard, p + n);
                }
                EXPECT_TRUE(inside) << moltaro::nameOf(a) << " at " << rate << ": a line of " << n
                                    << " samples outside the single lines";
            }
            std::sort(lines.begin(), lines.end(), [&](const auto& x, const auto& y) { return before(x.first, y.first); });
            for (std::size_t k = 1; k < lines.size(); ++k)
                EXPECT_FALSE(before(lines[k].first, lines[k - 1].first + lines[k - 1].second))
                    << moltaro::nameOf(a) << " at " << rate << ": lines " << k - 1 << " and " << k << " overlap";
        }
    }
}

}  // namespace
