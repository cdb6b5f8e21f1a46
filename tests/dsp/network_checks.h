#pragma once
// Checks shared by the tests of the comb and reflection networks (Ambience, Room,
// Chamber, Club): decay time of a response and the health of states after silence.

#include <cfloat>
#include <cmath>
#include <cstddef>

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

}  // namespace coretest
