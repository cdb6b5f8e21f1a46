// The factory bank as the effect holds it after construction.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "support/MoltaroFixture.h"

using Factory = MoltaroFixture;
using moltaro::relaxed;

namespace {

struct Row {
    const char* name;
    float type, decay, damp;
};

const Row kRows[53] = {
    {"Current", 0.01f, 0.5f, 0.1f},
    {"Default", 0.01f, 0.5f, 0.1f},
    {"Basic Ambience", 0.01f, 0.5f, 0.1f},
    {"Drum Ambience", 0.01f, 0.85f, 0.35f},
    {"Short Ambience", 0.01f, 0.35f, 0.5f},
    {"Max Ambience", 0.01f, 1.0f, 0.0f},
    {"Control Room Kit", 0.01f, 0.19f, 0.96f},
    {"Basic Room", 0.121111f, 0.5f, 0.1f},
    {"Small Room", 0.121111f, 0.2f, 0.0f},
    {"Big Room", 0.121111f, 0.7f, 0.2f},
    {"Basement", 0.121111f, 0.4f, 0.3f},
    {"Underground", 0.121111f, 0.8f, 0.25f},
    {"Piano Room", 0.121111f, 0.43f, 0.5f},
    {"Basic Chamber", 0.232222f, 0.5f, 0.1f},
    {"Damped Chamber", 0.232222f, 0.33f, 0.33f},
    {"Empty Chamber", 0.232222f, 0.75f, 0.1f},
    {"Long and Dark", 0.232222f, 0.85f, 0.5f},
    {"Basic Club", 0.343333f, 0.5f, 0.1f},
    {"Small Club", 0.343333f, 0.3f, 0.25f},
    {"Empty Club", 0.343333f, 0.4f, 0.25f},
    {"Theatre", 0.343333f, 0.3f, 0.5f},
    {"Long and Warm", 0.343333f, 0.7f, 0.5f},
    {"Basic Hall", 0.454444f, 0.5f, 0.1f},
    {"Small Hall", 0.454444f, 0.4f, 0.25f},
    {"Big Hall", 0.454444f, 0.6f, 0.35f},
    {"Rock Hall", 0.454444f, 0.7f, 0.25f},
    {"Lush Strings", 0.454444f, 0.88f, 0.37f},
    {"Basic Arena", 0.565556f, 0.5f, 0.1f},
    {"Bright Reflections", 0.565556f, 0.15f, 0.15f},
    {"Dark Reflections", 0.565556f, 0.0f, 0.5f},
    {"Very Long", 0.565556f, 0.8f, 0.15f},
    {"Basic Cathedral", 0.676667f, 0.5f, 0.1f},
    {"Wooden Room", 0.676667f, 0.08f, 0.5f},
    {"Wooden Church", 0.676667f, 0.2f, 0.3f},
    {"Stone Room", 0.676667f, 0.35f, 0.2f},
    {"Great Cathedral", 0.676667f, 0.7f, 0.3f},
    {"Sacred Space", 0.676667f, 0.8f, 0.5f},
    {"Stairwell", 0.676667f, 0.2f, 0.23f},
    {"Festival Hall", 0.676667f, 0.88f, 0.26f},
    {"Basic Spring", 0.787778f, 0.5f, 0.1f},
    {"Short Spring", 0.787778f, 0.2f, 0.2f},
    {"Typical Spring", 0.787778f, 0.5f, 0.25f},
    {"Long spring", 0.787778f, 0.7f, 0.35f},
    {"FenderTwin Reverb", 0.787778f, 0.34f, 0.41f},
    {"Guitar Amp Spring", 0.787778f, 0.11f, 0.92f},
    {"Vocal insert medium", 0.787778f, 0.25f, 0.19f},
    {"Singing in the bathroom", 0.787778f, 0.1f, 0.44f},
    {"Lo-Fi Drums", 0.787778f, 0.76f, 1.0f},
    {"Basic Plate", 0.898889f, 0.5f, 0.1f},
    {"Short Plate", 0.898889f, 0.2f, 0.25f},
    {"Medium Plate", 0.898889f, 0.4f, 0.2f},
    {"Long Plate", 0.898889f, 0.6f, 0.15f},
    {"Phat Drums", 0.898889f, 0.96f, 0.97f},
};

}  // namespace

TEST_F(Factory, NamesTypesDecaysAndDamping) {
    std::set<std::string> names;
    for (int p = 0; p < 53; ++p) {
        const CProgram& prog = *effect().getProgramRecord(p);
        EXPECT_STREQ(prog.name(), kRows[p].name) << "program " << p;
        EXPECT_LE(std::strlen(prog.name()), 24u);
        names.insert(prog.name());
        EXPECT_EQ(prog.getParameter(kParamType), kRows[p].type) << "program " << p;
        EXPECT_EQ(prog.getParameter(kParamDecay), kRows[p].decay) << "program " << p;
        EXPECT_EQ(prog.getParameter(kParamHighDamp), kRows[p].damp) << "program " << p;
    }
    EXPECT_EQ(names.size(), 53u) << "every name is different";
}

TEST_F(Factory, SharedValues) {
    const float presets[16] = {1.0f, -1, 0.0f, -1, -1, 0.25f, 0.25f, 0.5f,
                               0.35355f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const float neutral[16] = {1.0f, -1, 0.0f, -1, -1, 0.5f, 0.5f, 0.5f,
                               0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (int p = 0; p < 53; ++p)
        for (int i = 0; i < 16; ++i) {
            const float expected = p < 2 ? neutral[i] : presets[i];
            if (expected < 0) continue;  // the varying columns
            EXPECT_EQ(effect().getProgramRecord(p)->getParameter(i), expected)
                << "program " << p << " value " << i;
        }
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(effect().getProgramRecord(0)->getParameter(i), effect().getProgramRecord(1)->getParameter(i));
}

TEST_F(Factory, PresetsShowTheirSharedVoicing) {
    effect().loadProgram(2);
    EXPECT_EQ(display(kParamPower), "On");
    EXPECT_EQ(display(kParamPreDelay), "0ms");
    EXPECT_EQ(display(kParamLowFreq), "112Hz");
    EXPECT_EQ(display(kParamLowGain), "-6.0dB");
    EXPECT_EQ(display(kParamHighFreq), "1.00kHz");
    EXPECT_EQ(display(kParamHighGain), "-3.0dB");
    EXPECT_EQ(display(kParamMix), "50%");
    EXPECT_EQ(display(kParamOutput), "0.0dB");
}

TEST_F(Factory, PhatDrumsIsTheLastProgram) {
    effect().loadProgram(52);
    EXPECT_EQ(host.text(effGetProgramName), "Phat Drums");
    EXPECT_EQ(display(kParamType), "Plate");
    EXPECT_EQ(display(kParamDecay), "96%");
    EXPECT_EQ(display(kParamHighDamp), "97%");
}

// Each algorithm's presets form one run, in algorithm order.
TEST_F(Factory, PresetsAreGroupedByTheAlgorithmTheySelect) {
    const int firstOfRun[10] = {2, 7, 13, 17, 22, 27, 31, 39, 48, 53};
    for (int a = 0; a < 9; ++a)
        for (int p = firstOfRun[a]; p < firstOfRun[a + 1]; ++p) {
            effect().loadProgram(p);
            EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), a) << "program " << p;
        }
    // Program 0 is now a copy of program 52; "Default" is still neutral.
    effect().loadProgram(1);
    EXPECT_EQ(relaxed(engine().params.requestedAlgorithm), 0);
}

TEST_F(Factory, RefillingRestoresTheTable) {
    effect().loadProgram(3);
    host.setParameter(kParamDecay, 0.1f);
    host.setParameter(kParamMix, 0.9f);
    effect().renameCurrent("Changed");
    effect().fillFactoryBank();
    for (int p = 0; p < 53; ++p) {
        EXPECT_STREQ(effect().getProgramRecord(p)->name(), kRows[p].name);
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamDecay), kRows[p].decay);
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamMix), 0.5f);
    }
    EXPECT_EQ(host.getParameter(kParamDecay), 0.1f) << "the effect itself is not touched";
}
