// The parameter model through the record: names, labels, texts, read-back values, the
// engine quantities each parameter sets, the Type selection and the handling of values
// no host should send.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "support/MoltaroFixture.h"

using Parameters = MoltaroFixture;
using moltaro::relaxed;

TEST_F(Parameters, NamesAndLabels) {
    const char* names[] = {"Power", "Type", "PreDely", "Decay",    "HighDamp", "LowFreq",
                           "LowGain", "HighFreq", "HighGain", "Mix", "Output"};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(host.text(effGetParamName, i), names[i]);
    for (int i : {11, 12, 13, 14, 15, 16, 18, -1, 1000}) EXPECT_EQ(host.text(effGetParamName, i), "") << i;
    EXPECT_EQ(host.text(effGetParamName, kParamDiffusion), "Diffusion");
    for (int i : {-1, 0, 1, 5, 10, 11, 15, 16, 17, 400})
        EXPECT_EQ(host.text(effGetParamLabel, i), "   ") << i;
}

TEST_F(Parameters, DisplayTextsAtTypicalValues) {
    EXPECT_EQ(display(kParamPower, 1.0f), "On");
    EXPECT_EQ(display(kParamPower, 0.49f), "Off");
    EXPECT_EQ(display(kParamPreDelay, 0.5f), "250ms");
    EXPECT_EQ(display(kParamPreDelay, 0.0f), "0ms");
    EXPECT_EQ(display(kParamPreDelay, 1.0f), "1000ms");
    EXPECT_EQ(display(kParamDecay, 0.5f), "50%");
    EXPECT_EQ(display(kParamHighDamp, 0.1f), "10%");
    EXPECT_EQ(display(kParamLowFreq, 0.25f), "112Hz");
    EXPECT_EQ(display(kParamLowFreq, 0.0f), "25Hz");
    EXPECT_EQ(display(kParamLowFreq, 0.5f), "500Hz");
    EXPECT_EQ(display(kParamLowFreq, 1.0f), "10.0kHz");
    EXPECT_EQ(display(kParamLowGain, 0.25f), "-6.0dB");
    EXPECT_EQ(display(kParamLowGain, 0.5f), "0.0dB");
    EXPECT_EQ(display(kParamLowGain, 1.0f), "6.0dB");
    EXPECT_EQ(display(kParamLowGain, 0.0f), "-oodB");
    EXPECT_EQ(display(kParamHighFreq, 0.5f), "1.00kHz");
    EXPECT_EQ(display(kParamHighFreq, 1.0f), "20.0kHz");
    EXPECT_EQ(display(kParamHighFreq, 0.0f), "50Hz");
    EXPECT_EQ(display(kParamHighGain, 0.35355f), "-3.0dB");
    EXPECT_EQ(display(kParamMix, 1.0f), "Wet");
    EXPECT_EQ(display(kParamMix, 0.0f), "Dry");
    EXPECT_EQ(display(kParamMix, 0.5f), "50%");
    EXPECT_EQ(display(kParamOutput, 0.5f), "0.0dB");
    EXPECT_EQ(display(kParamOutput, 1.0f), "12.0dB");
    EXPECT_EQ(display(kParamOutput, 0.0f), "-oodB");
    EXPECT_EQ(display(kParamDiffusion), "100%") << "construction sets Diffusion to 100 %";
    for (int i : {11, 15, 16, -2}) {
        host.setParameter(i, 0.7f);
        EXPECT_EQ(display(i), "") << i;
    }
}

TEST_F(Parameters, TypeDisplaysTheRequestedAlgorithm) {
    const auto& names = moltaro::kAlgorithmNames;
    for (int a = 0; a < 9; ++a) EXPECT_EQ(display(kParamType, typeValueOf(a)), names[a]);
}

// Long display texts are written whole, with their terminator; none is longer than
// "Cathedral" whatever the value.
TEST_F(Parameters, DisplayTextsAreWrittenWholeAndStayShort) {
    display(kParamType, typeValueOf(6));
    EXPECT_EQ(host.text(effGetParamDisplay, kParamType), "Cathedral");
    EXPECT_EQ(host.lastTextBytes(), 10u);

    const float probes[] = {0.0f, 1.4e-45f, 1e-38f, 1e-20f, 1e-6f, 0.001f, 0.0049f, 0.05f,
                            0.1f, 0.2499f,  0.5f,   0.7f,   0.999f, 0.99999f, 1.0f};
    for (int i = 0; i < kNumStoredParams; ++i)
        for (float x : probes) {
            host.setParameter(i, x);
            const std::string t = display(i);
            EXPECT_LE(t.size(), 9u) << "parameter " << i << " at " << x << ": " << t;
            EXPECT_EQ(host.lastTextBytes(), t.size() + 1) << "parameter " << i << " at " << x;
        }
    for (int i = 0; i < kNumStoredParams; ++i) EXPECT_LE(host.text(effGetParamName, i).size(), 9u);
}

TEST_F(Parameters, ReadBackValues) {
    host.setParameter(kParamType, 1.0f);
    EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 8);
    EXPECT_NEAR(host.getParameter(kParamType), 0.89889f, 1e-5);
    host.setParameter(kParamType, 0.5f);
    EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 4);
    EXPECT_NEAR(host.getParameter(kParamType), 0.45444f, 1e-5);

    host.setParameter(kParamPower, 0.49f);
    EXPECT_EQ(host.getParameter(kParamPower), 0.0f);
    EXPECT_EQ(relaxed(engine().params.power), 0);
    host.setParameter(kParamPower, 0.5f);
    EXPECT_EQ(host.getParameter(kParamPower), 1.0f);
    EXPECT_EQ(relaxed(engine().params.power), 1);

    for (int i = kParamPreDelay; i <= kParamOutput; ++i) {
        host.setParameter(i, 0.3f);
        EXPECT_EQ(host.getParameter(i), 0.3f) << i;
    }
    host.setParameter(kParamDiffusion, 0.25f);
    EXPECT_EQ(host.getParameter(kParamDiffusion), 0.25f);
    for (int i : {11, 15, 16, 18, -1}) {
        host.setParameter(i, 0.7f);
        EXPECT_EQ(host.getParameter(i), 0.0f) << i;
    }
}

TEST_F(Parameters, EngineQuantities) {
    const moltaro::EngineParams& p = engine().params;
    host.setParameter(kParamPreDelay, 0.5f);
    EXPECT_FLOAT_EQ(relaxed(p.predelaySeconds), 0.25f);
    host.setParameter(kParamDecay, 0.7f);
    EXPECT_EQ(relaxed(p.decay), 0.7f);
    host.setParameter(kParamHighDamp, 0.2f);
    EXPECT_EQ(relaxed(p.highDamp), 0.2f);
    host.setParameter(kParamLowFreq, 0.25f);
    EXPECT_NEAR(relaxed(p.lowFreq), 111.8034f, 1e-3);
    host.setParameter(kParamLowFreq, 1.0f);
    EXPECT_NEAR(relaxed(p.lowFreq), 10000.0f, 1e-2);
    host.setParameter(kParamLowGain, 0.3f);
    EXPECT_FLOAT_EQ(relaxed(p.lowGain), 0.6f);
    host.setParameter(kParamHighFreq, 0.0f);
    EXPECT_FLOAT_EQ(relaxed(p.highFreq), 50.0f);
    host.setParameter(kParamHighFreq, 1.0f);
    EXPECT_NEAR(relaxed(p.highFreq), 20000.0f, 1e-2);
    host.setParameter(kParamHighGain, 0.9f);
    EXPECT_FLOAT_EQ(relaxed(p.highGain), 1.8f);
    host.setParameter(kParamMix, 0.4f);
    EXPECT_EQ(relaxed(p.wet), 0.4f);
    host.setParameter(kParamOutput, 1.0f);
    EXPECT_EQ(relaxed(p.outGain), 4.0f);
    host.setParameter(kParamOutput, 0.5f);
    EXPECT_EQ(relaxed(p.outGain), 1.0f);
    host.setParameter(kParamDiffusion, 0.6f);
    EXPECT_EQ(relaxed(p.diffusion), 0.6f);
}

TEST_F(Parameters, RecomputeFlagOnlyWhereCoefficientsDependOnTheValue) {
    const int flagged[] = {kParamPower, kParamDecay, kParamHighDamp, kParamLowFreq, kParamLowGain,
                           kParamHighFreq, kParamHighGain, kParamDiffusion};
    const int unflagged[] = {kParamType, kParamPreDelay, kParamMix, kParamOutput, 11};
    for (int i : flagged) {
        engine().setupPending.store(false);
        host.setParameter(i, 0.37f);
        EXPECT_TRUE(relaxed(engine().setupPending)) << i;
    }
    for (int i : unflagged) {
        engine().setupPending.store(false);
        host.setParameter(i, 0.37f);
        EXPECT_FALSE(relaxed(engine().setupPending)) << i;
    }
}

TEST_F(Parameters, TypeStartsAChangeoverUnlessItIsAlreadySelected) {
    engine().typeChangeCount.store(0);
    host.setParameter(kParamType, host.getParameter(kParamType));
    EXPECT_EQ(relaxed(engine().typeChangeCount), 0) << "the held value restarts nothing";

    host.setParameter(kParamType, 0.5f);
    EXPECT_EQ(relaxed(engine().typeChangeCount), 20000);
    engine().typeChangeCount.store(0);
    host.setParameter(kParamType, host.getParameter(kParamType));
    EXPECT_EQ(relaxed(engine().typeChangeCount), 0);
    // Another value selecting the same algorithm restarts nothing either: the reverb
    // keeps its tail (a wheel step past Plate arrives as 1.0, past Ambience as 0.0).
    host.setParameter(kParamType, 0.46f);
    EXPECT_EQ(relaxed(engine().typeChangeCount), 0);
    host.setParameter(kParamType, 1.0f);
    EXPECT_EQ(relaxed(engine().typeChangeCount), 20000) << "Plate is a different algorithm";
    engine().typeChangeCount.store(0);
    host.setParameter(kParamType, 1.0f);
    host.setParameter(kParamType, 0.95f);
    EXPECT_EQ(relaxed(engine().typeChangeCount), 0) << "still Plate";
    EXPECT_EQ(host.getParameter(kParamType), typeValueOf(8));
    // A request back to the running algorithm during a changeover still takes effect.
    host.setParameter(kParamType, 0.5f);
    engine().typeChangeCount.store(123);
    host.setParameter(kParamType, 1.0f);
    EXPECT_EQ(relaxed(engine().typeChangeCount), 20000);
    EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 8);
}

// The whole range of Type values: algorithm trunc(9x + 0.01), x >= 1 treated as 8/9, and
// nothing past Plate, even just below 1.
TEST_F(Parameters, EveryTypeValueSelectsAnAlgorithmInRange) {
    const auto& names = moltaro::kAlgorithmNames;
    const int steps = 20000;
    for (int k = 0; k <= steps; ++k) {
        const float x = static_cast<float>(k) / steps;
        const double exact = 9.0 * x + 0.01;
        if (std::fabs(exact - std::round(exact)) < 1e-5) continue;  // rounding-sensitive edge
        int expected = x >= 1.0f ? 8 : static_cast<int>(exact);
        if (expected > 8) expected = 8;
        host.setParameter(kParamType, x);
        ASSERT_EQ(relaxed(engine().params.requestedAlgorithm), expected) << "x = " << x;
        ASSERT_EQ(host.getParameter(kParamType), typeValueOf(expected)) << "x = " << x;
        ASSERT_EQ(display(kParamType), names[expected]) << "x = " << x;
    }
    for (float x : {0.99889f, 0.9990f, 0.9995f, 0.99999f, std::nextafter(1.0f, 0.0f)}) {
        host.setParameter(kParamType, x);
        EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 8) << "x = " << x;
        EXPECT_EQ(display(kParamType), "Plate") << "x = " << x;
    }
    // Each reported value selects its own algorithm again.
    for (int a = 0; a < 9; ++a) {
        host.setParameter(kParamType, typeValueOf(a));
        EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), a);
    }
}

TEST_F(Parameters, NonFiniteValuesChangeNothing) {
    host.setParameter(kParamDecay, 0.3f);
    host.setParameter(kParamType, typeValueOf(4));
    const float held[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
    for (float bad : held) {
        engine().setupPending.store(false);
        engine().typeChangeCount.store(0);
        for (int i = 0; i < kNumStoredParams; ++i) {
            const float before = host.getParameter(i);
            host.setParameter(i, bad);
            EXPECT_EQ(host.getParameter(i), before) << "parameter " << i;
        }
        EXPECT_FALSE(relaxed(engine().setupPending));
        EXPECT_EQ(relaxed(engine().typeChangeCount), 0);
        EXPECT_EQ(relaxed(engine().params.decay), 0.3f);
        EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 4);
        EXPECT_EQ(effect().getProgramRecord(0)->getParameter(kParamDecay), 0.3f);
        EXPECT_EQ(effect().getProgramRecord(9)->getParameter(kParamMix), 0.5f);
    }
}

TEST_F(Parameters, ValuesOutsideTheRangeAreClampedBeforeTheFormulas) {
    const moltaro::EngineParams& p = engine().params;
    host.setParameter(kParamOutput, 3.0f);
    EXPECT_EQ(relaxed(p.outGain), 4.0f);
    EXPECT_EQ(host.getParameter(kParamOutput), 1.0f);
    host.setParameter(kParamLowGain, 50.0f);
    EXPECT_EQ(relaxed(p.lowGain), 2.0f);
    host.setParameter(kParamHighGain, -1.0f);
    EXPECT_EQ(relaxed(p.highGain), 0.0f);
    host.setParameter(kParamDecay, 1.5f);
    EXPECT_EQ(relaxed(p.decay), 1.0f);
    host.setParameter(kParamHighDamp, -0.2f);
    EXPECT_EQ(relaxed(p.highDamp), 0.0f);
    host.setParameter(kParamLowFreq, -3.0f);
    EXPECT_FLOAT_EQ(relaxed(p.lowFreq), 25.0f);
    host.setParameter(kParamHighFreq, 2.0f);
    EXPECT_NEAR(relaxed(p.highFreq), 20000.0f, 1e-2);
    host.setParameter(kParamPreDelay, 4.0f);
    EXPECT_EQ(relaxed(p.predelaySeconds), 1.0f);
    host.setParameter(kParamMix, 1e9f);
    EXPECT_EQ(relaxed(p.wet), 1.0f);
    host.setParameter(kParamDiffusion, 7.0f);
    EXPECT_EQ(relaxed(p.diffusion), 1.0f);
    host.setParameter(kParamPower, -5.0f);
    EXPECT_EQ(relaxed(p.power), 0);
    host.setParameter(kParamPower, 5.0f);
    EXPECT_EQ(relaxed(p.power), 1);
    host.setParameter(kParamType, -2.0f);
    EXPECT_EQ(relaxed(p.requestedAlgorithm), 0);
    host.setParameter(kParamType, 1e30f);
    EXPECT_EQ(relaxed(p.requestedAlgorithm), 8);
}

TEST_F(Parameters, OnlyPowerHasProperties) {
    VstParameterProperties props;
    std::memset(&props, 0x5a, sizeof props);
    EXPECT_EQ(host.dispatch(effGetParameterProperties, kParamPower, 0, &props), 1);
    EXPECT_EQ(props.stepFloat, 1.0f);
    EXPECT_EQ(props.smallStepFloat, 1.0f);
    EXPECT_EQ(props.largeStepFloat, 1.0f);
    EXPECT_EQ(props.flags, 5);
    EXPECT_STREQ(props.label, "Power");
    EXPECT_STREQ(props.shortLabel, "Power");
    EXPECT_EQ(props.minInteger, 0x5a5a5a5a) << "other fields are left as they were";

    for (int i : {1, 2, 10, 15, 16, 17, -1}) {
        VstParameterProperties other, before;
        std::memset(&other, 0x33, sizeof other);
        std::memcpy(&before, &other, sizeof other);
        EXPECT_EQ(host.dispatch(effGetParameterProperties, i, 0, &other), 0) << i;
        EXPECT_EQ(std::memcmp(&other, &before, sizeof other), 0) << i;
    }
}
