#pragma once
// Checks shared by the tests of the comb and reflection networks (Ambience, Room,
// Chamber, Club): decay time of a response and the health of states after silence.

#include <cfloat>
#include <cmath>
#include <cstddef>

#include <gtest/gtest.h>

#include "dsp/core_harness.h"

namespace coretest {

// Time in seconds after which the energy of the response, in 10 ms windows of both
// channels, stays more than 30 dB below its loudest window.
inline double decayTime30dB(const Signal& l, const Signal& r, double rate) {
    const std::size_t win = static_cast<std::size_t>(rate * 0.01);
    double peak = 0.0;
    std::size_t lastLoud = 0;
    std::vector<double> energy;
    for (std::size_t at = 0; at + win <= l.size(); at += win) {
        double e = 0.0;
        for (std::size_t i = at; i < at + win; ++i) e += double(l[i]) * l[i] + double(r[i]) * r[i];
        energy.push_back(e);
        peak = std::max(peak, e);
    }
    for (std::size_t k = 0; k < energy.size(); ++k)
        if (energy[k] > peak * 1e-3) lastLoud = k;
    return double((lastLoud + 1) * win) / rate;
}

// Finite and either exactly zero or a normal number (no subnormal).
inline bool healthy(float x) {
    return std::isfinite(x) && (x == 0.0f || std::fabs(x) >= FLT_MIN);
}

// Number of unhealthy values in p[0..n).
inline int unhealthyCount(const float* p, std::size_t n) {
    int bad = 0;
    for (std::size_t i = 0; i < n; ++i) bad += healthy(p[i]) ? 0 : 1;
    return bad;
}

// Runs the core over the inputs at several block sizes (1, 77, 128, 1000 core samples),
// from the write positions w16 and w64 at the given core rate, and expects exactly
// the wanted samples; reports the first mismatches of each run.
inline void expectBlocksGiveSamples(Core core, const Settings& s, double rate, int w16, int w64,
                                    const Signal& inL, const Signal& inR, const Signal& wantL,
                                    const Signal& wantR) {
    for (int block : {1, 77, 128, 1000}) {
        auto e = makeEngine(s);
        e->coreRate = rate;
        e->write16k = w16;
        e->write64k = w64;
        e->predelayTap = w64;
        Signal outL, outR;
        run(*e, core, inL, inR, outL, outR, block);
        int mismatches = 0;
        for (std::size_t i = 0; i < inL.size() && mismatches < 5; ++i)
            if (outL[i] != wantL[i] || outR[i] != wantR[i]) {
                ADD_FAILURE() << "block " << block << " sample " << i << ": " << outL[i] << "/"
                              << outR[i] << " want " << wantL[i] << "/" << wantR[i];
                ++mismatches;
            }
    }
}

// The -30 dB time of an impulse response (len samples at 44100 Hz) grows from
// Decay 0.2 to 0.5 to 0.8.
inline void expectTailGrowsWithDecay(Core core, int len) {
    Signal imp = impulse(len), outL, outR;
    double previous = 0.0;
    for (float decay : {0.2f, 0.5f, 0.8f}) {
        auto e = makeEngine({decay});
        run(*e, core, imp, imp, outL, outR);
        const double t = decayTime30dB(outL, outR, 44100.0);
        EXPECT_GT(t, previous) << "decay " << decay;
        previous = t;
    }
}

// Runs a noise burst followed by `silence` samples of silence; expects every output
// sample and every pool line healthy and the last output below `floor`. Returns the
// engine for checks of the core's own states.
inline std::unique_ptr<Engine> expectDiesIntoHealthyStates(Core core, const Settings& s, int silence,
                                                           float floor) {
    auto e = makeEngine(s);
    Signal in = noise(20000, 9), outL, outR;
    in.resize(in.size() + silence, 0.0f);
    run(*e, core, in, in, outL, outR);
    EXPECT_EQ(unhealthyCount(outL.data(), outL.size()), 0);
    EXPECT_EQ(unhealthyCount(outR.data(), outR.size()), 0);
    EXPECT_LT(std::fabs(outL.back()), floor);
    EXPECT_LT(std::fabs(outR.back()), floor);
    for (int line = 0; line < Engine::kNum16k; ++line)
        EXPECT_EQ(unhealthyCount(e->lines16k[line], 16384), 0) << "16384-sample line " << line;
    for (int line = 0; line < Engine::kNum64k; ++line)
        EXPECT_EQ(unhealthyCount(e->lines64k[line], 65536), 0) << "65536-sample line " << line;
    return e;
}

}  // namespace coretest
