// The parameter laws: a value in user units (a typed number, a plug-in port's value)
// selects exactly the normalised value the effect holds for the same setting, and the
// values the factory programs and the editor produce come back from their user values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "presetsystem/FactoryPresets.h"
#include "shell/ParameterLaws.h"
#include "support/MoltaroFixture.h"

using moltaro::normalisedValue;
using moltaro::ParameterLaw;
using moltaro::parameterLaw;
using moltaro::portValue;

namespace {

// Float steps from a to b (counted up to 1000).
long ulpsApart(float a, float b) {
    long n = 0;
    for (float v = std::fmin(a, b); v < std::fmax(a, b) && n < 1000; v = std::nextafter(v, std::numeric_limits<float>::infinity())) ++n;
    return n;
}

// The user value a port reports for x lies in the law's range and selects x again.
void expectRoundTrip(const ParameterLaw& law, float x) {
    const float u = portValue(law, x);
    ASSERT_GE(u, law.minimum) << law.name << " x = " << x;
    ASSERT_LE(u, law.maximum) << law.name << " x = " << x;
    ASSERT_EQ(normalisedValue(law, u), x) << law.name << " x = " << x << " user value " << u;
}

}  // namespace

using Laws = MoltaroFixture;

// Every value the effect holds after loading each factory program comes back exactly
// from its port value (Type as the algorithm number, Power as 0 or 1).
TEST_F(Laws, FactoryProgramsComeBackExactly) {
    for (int p = 0; p < kNumFactoryPresets; ++p) {
        effect().loadProgram(p);
        for (int i = kParamPower; i <= kParamOutput; ++i) {
            SCOPED_TRACE(kFactoryPresets[p].name);
            const float held = host.getParameter(i);
            expectRoundTrip(*parameterLaw(i), held);
            const float u = portValue(*parameterLaw(i), held);
            if (parameterLaw(i)->integer()) {
                EXPECT_EQ(u, std::floor(u)) << "Power and Type report whole numbers";
            }
        }
    }
}

// A typed number (the editor rounds it to float, as a port holds it) selects a value
// whose port value selects it again. The numbers run through each field's range in steps
// finer than the field shows; then any float a host may send.
TEST(LawsTyped, TypedNumbersComeBackExactly) {
    struct Grid {
        int parameter;
        double step;
    } grids[] = {{kParamPreDelay, 0.1}, {kParamDecay, 0.01},    {kParamHighDamp, 0.01},
                 {kParamMix, 0.01},     {kParamLowFreq, 0.1},   {kParamHighFreq, 0.1},
                 {kParamLowGain, 0.01}, {kParamHighGain, 0.01}, {kParamOutput, 0.01}};
    for (const Grid& g : grids) {
        const ParameterLaw& law = *parameterLaw(g.parameter);
        const long steps = std::lround((law.maximum - law.minimum) / g.step);
        for (long k = 0; k <= steps; ++k) {
            const double number = law.minimum + k * g.step;
            const float typed = normalisedValue(law, static_cast<float>(number));
            expectRoundTrip(law, typed);
            // The port value shows the typed number, as far as the normalised float resolves it.
            if (number >= moltaro::kSilenceDb) {
                const double resolution = std::fabs(moltaro::userValue(law, std::nextafter(typed, 2.0f)) -
                                                    moltaro::userValue(law, typed));
                ASSERT_NEAR(portValue(law, typed), number, resolution + 2.5e-7 * std::fabs(number)) << law.name;
            }
        }
        std::mt19937 random(g.parameter);
        std::uniform_real_distribution<float> anywhere(law.minimum, law.maximum);
        for (int k = 0; k < 100000; ++k) expectRoundTrip(law, normalisedValue(law, anywhere(random)));
    }
}

// Knob drags (200 pixels for the range, 300 with Shift), slider positions and wheel
// steps from every value a program or a default starts at. A float in user units cannot
// tell apart every float in 0..1, so such a value may come back as a neighbour that has
// the same user value to a float step; once it has, it stays.
TEST(LawsDragged, DraggedValuesComeBackToANeighbourThatStays) {
    std::set<float> starts = {0.0f, 1.0f, 0.2f};
    for (const FactoryPreset& p : kFactoryPresets)
        for (double v : p.values) starts.insert(static_cast<float>(v));
    std::vector<float> values;
    for (float s : starts) {
        for (float range : {200.0f, 300.0f})
            for (int px = -400; px <= 400; ++px) values.push_back(s + static_cast<float>(px) / range);
        for (float step : {0.1f, 0.01f}) {
            float up = s, down = s;
            for (int i = 0; i < 20; ++i) values.push_back(up += step), values.push_back(down -= step);
        }
    }
    for (int px = 0; px <= 174; ++px) values.push_back(static_cast<float>(px) / 174.0f);

    for (int i : {kParamPreDelay, kParamDecay, kParamLowFreq, kParamLowGain, kParamOutput}) {
        const ParameterLaw& law = *parameterLaw(i);
        for (float x : values) {
            x = std::fmin(std::fmax(x, 0.0f), 1.0f);
            const float back = normalisedValue(law, portValue(law, x));
            // Gains far below the silence floor are silence.
            if (back == 0.0f && std::isfinite(moltaro::userValue(law, x)) && moltaro::userValue(law, x) < -99.0)
                continue;
            ASSERT_LE(ulpsApart(portValue(law, back), portValue(law, x)), 1) << law.name << " x = " << x;
            expectRoundTrip(law, back);
        }
    }
}

// The ends, the integer laws and what no port should send.
TEST(LawsEdges, EndsIntegersAndBadValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const ParameterLaw& law : moltaro::kParameterLaws) {
        SCOPED_TRACE(law.name);
        EXPECT_EQ(normalisedValue(law, nan), normalisedValue(law, law.minimum));
        EXPECT_EQ(normalisedValue(law, -inf), normalisedValue(law, law.minimum));
        EXPECT_EQ(normalisedValue(law, inf), normalisedValue(law, law.maximum));
        EXPECT_EQ(normalisedValue(law, law.maximum), law.law == moltaro::Law::Algorithm ? typeValueOf(8) : 1.0f);
        EXPECT_EQ(portValue(law, 0.0f), law.minimum);
        expectRoundTrip(law, normalisedValue(law, law.minimum));
        expectRoundTrip(law, normalisedValue(law, law.maximum));
    }
    const ParameterLaw& type = *parameterLaw(kParamType);
    for (int a = 0; a < kNumAlgorithms; ++a) {
        EXPECT_EQ(portValue(type, typeValueOf(a)), a);
        EXPECT_EQ(normalisedValue(type, a + 0.4f), typeValueOf(a)) << "the nearest algorithm";
    }
    const ParameterLaw& power = *parameterLaw(kParamPower);
    EXPECT_EQ(normalisedValue(power, 0.49f), 0.0f);
    EXPECT_EQ(normalisedValue(power, 0.5f), 1.0f);
    EXPECT_EQ(normalisedValue(*parameterLaw(kParamOutput), -100.01f), 0.0f) << "silence below -100 dB";
    EXPECT_GT(normalisedValue(*parameterLaw(kParamLowGain), -100.0f), 0.0f);
    EXPECT_EQ(parameterLaw(11), nullptr);
    EXPECT_EQ(parameterLaw(16), nullptr);
}
