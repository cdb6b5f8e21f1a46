// The response analysis on signals whose answers are known.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "Fft.h"
#include "RoomAcoustics.h"

using namespace analysis;

namespace {

constexpr double kRate = 44100.0;

// Noise of constant envelope in each octave band, decaying exponentially with the band's
// own reverberation time (60 dB in decay[b] seconds): a tone whose frequency wanders at
// random within a quarter octave of the band centre. Its energy follows the decay closely,
// unlike Gaussian noise, whose own fluctuations would blur a 2 % check.
std::vector<float> decayingBandNoise(const double (&decay)[kBandCount], double seconds, unsigned seed) {
    const size_t n = static_cast<size_t>(seconds * kRate);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> out(n, 0.0);
    for (int b = 0; b < kBandCount; ++b) {
        const double r1 = 3 + 6 * uniform(rng), r2 = 3 + 6 * uniform(rng);
        const double p1 = 6.283 * uniform(rng), p2 = 6.283 * uniform(rng);
        double phase = 6.283 * uniform(rng);
        for (size_t i = 0; i < n; ++i) {
            const double t = i / kRate;
            const double wander = 0.5 * std::sin(6.283185 * r1 * t + p1) + 0.5 * std::sin(6.283185 * r2 * t + p2);
            phase += 6.283185307 * kBandCentres[b] * std::pow(2.0, 0.25 * wander) / kRate;
            out[i] += std::cos(phase) * std::exp(-6.907755 * t / decay[b]);
        }
    }
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i) x[i] = static_cast<float>(0.1 * out[i]);
    return x;
}

std::vector<float> whiteNoise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> gauss;
    std::vector<float> x(n);
    for (float& v : x) v = 0.1f * gauss(rng);
    return x;
}

std::vector<float> flatDecay(double decay, double seconds, unsigned seed) {
    std::vector<float> x = whiteNoise(static_cast<size_t>(seconds * kRate), seed);
    for (size_t i = 0; i < x.size(); ++i) x[i] *= static_cast<float>(std::exp(-6.907755 * (i / kRate) / decay));
    return x;
}

}  // namespace

TEST(RoomAcoustics, DecayTimesOfBandNoiseWithKnownDecays) {
    const double decay[kBandCount] = {2.0, 1.7, 1.5, 1.3, 1.1, 0.9, 0.75};
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::vector<float> x = decayingBandNoise(decay, 3.0, seed);
        const ResponseFigures f = analyseResponse(kRate, {&x}, x, x);
        for (int b = 0; b < kBandCount; ++b) {
            SCOPED_TRACE(testing::Message() << kBandCentres[b] << " Hz, seed " << seed);
            for (const DecayTime* t : {&f.bands[b].edt, &f.bands[b].t20, &f.bands[b].t30}) {
                EXPECT_TRUE(t->reached);
                EXPECT_NEAR(t->seconds, decay[b], 0.02 * decay[b]);
            }
        }
    }
}

TEST(RoomAcoustics, ArrivalOfAPureDelay) {
    for (size_t delay : {0u, 1u, 441u, 30000u}) {
        std::vector<float> x(40000, 0.0f), silent(40000, 0.0f);
        x[delay] = 0.5f;
        x[delay + 100] = 0.2f;   // a later, weaker reflection does not move it
        EXPECT_EQ(arrivalIndex({&silent, &x}), delay);
        const ResponseFigures f = analyseResponse(kRate, {&x}, x, silent);
        EXPECT_DOUBLE_EQ(f.arrivalSeconds, delay / kRate);
    }
}

TEST(RoomAcoustics, CrossCorrelationOfIdenticalDelayedAndIndependentChannels) {
    const std::vector<float> a = whiteNoise(20000, 7), b = whiteNoise(20000, 8);
    EXPECT_NEAR(crossCorrelation(a.data(), a.data(), a.size(), 44), 1.0, 1e-9);
    std::vector<float> inverted(a), delayed(20000, 0.0f);
    for (float& v : inverted) v = -v;
    EXPECT_NEAR(crossCorrelation(a.data(), inverted.data(), a.size(), 44), 1.0, 1e-9);
    // Half a millisecond apart: within the +-1 ms of the measure.
    std::copy(a.begin(), a.end() - 22, delayed.begin() + 22);
    EXPECT_GT(crossCorrelation(a.data(), delayed.data(), a.size(), 44), 0.99);
    EXPECT_LT(crossCorrelation(a.data(), delayed.data(), a.size(), 10), 0.1);
    EXPECT_LT(crossCorrelation(a.data(), b.data(), a.size(), 44), 0.05);

    const std::vector<float> l = flatDecay(0.8, 1.5, 3), r = flatDecay(0.8, 1.5, 4);
    const ResponseFigures same = analyseResponse(kRate, {&l}, l, l);
    EXPECT_NEAR(same.iaccAll, 1.0, 1e-9);
    EXPECT_NEAR(same.iaccEarly, 1.0, 1e-9);
    EXPECT_NEAR(same.iaccLate, 1.0, 1e-9);
    const ResponseFigures apart = analyseResponse(kRate, {&l, &r}, l, r);
    EXPECT_LT(apart.iaccAll, 0.05);
    EXPECT_LT(apart.iaccLate, 0.05);
    EXPECT_LT(apart.iaccEarly, 0.2);   // 80 ms of noise: a larger chance correlation
}

// A decay far longer than the window: the times that need more range than the window
// gives are not reached, and say so, instead of extrapolating the truncated curve.
TEST(RoomAcoustics, DecayBeyondTheWindowIsNotReached) {
    struct Case {
        double decay, seconds;
        bool edt, t20, t30;
    } cases[] = {
        {60.0, 2.0, false, false, false},   // 2 dB in the window
        {4.0, 2.0, true, false, false},     // 30 dB
        {1.0, 2.0, true, true, true},       // 120 dB
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.decay << " s in " << c.seconds << " s");
        double decay[kBandCount];
        std::fill(decay, decay + kBandCount, c.decay);
        const std::vector<float> x = decayingBandNoise(decay, c.seconds, 5);
        const BandDecay& b = analyseResponse(kRate, {&x}, x, x).bands[3];
        EXPECT_EQ(b.edt.reached, c.edt);
        EXPECT_EQ(b.t20.reached, c.t20);
        EXPECT_EQ(b.t30.reached, c.t30);
        if (c.edt) {
            EXPECT_NEAR(b.edt.seconds, c.decay, 0.02 * c.decay);
        }
        if (c.t30) {
            EXPECT_NEAR(b.t30.seconds, c.decay, 0.02 * c.decay);
        }
        EXPECT_EQ(decayText(b.t30) == "not reached", !c.t30);
    }
}
