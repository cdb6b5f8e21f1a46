#include <gtest/gtest.h>

#include "tools/Lookup.h"

using namespace render;

namespace {
const std::vector<std::string> kPrograms = {"Current", "Default", "Basic Hall", "basic hall", "Long spring", "7"};
const std::vector<std::string> kParams = {"Power", "Type", "Decay", "", "Mix"};
}  // namespace

TEST(FindProgram, ByNumberOrName) {
    std::string error;
    EXPECT_EQ(findProgram("0", kPrograms, error), 0);
    EXPECT_EQ(findProgram("4", kPrograms, error), 4);
    EXPECT_EQ(findProgram("004", kPrograms, error), 4);
    EXPECT_EQ(findProgram("Default", kPrograms, error), 1);
    // Exact spelling first, then any spelling.
    EXPECT_EQ(findProgram("basic hall", kPrograms, error), 3);
    EXPECT_EQ(findProgram("Basic Hall", kPrograms, error), 2);
    EXPECT_EQ(findProgram("BASIC HALL", kPrograms, error), 2);
    EXPECT_EQ(findProgram("long Spring", kPrograms, error), 4);
    // A program named with digits is found by its name.
    EXPECT_EQ(findProgram("7", kPrograms, error), 5);
}

TEST(FindProgram, UnknownOrOutOfRange) {
    std::string error;
    EXPECT_EQ(findProgram("Basic", kPrograms, error), -1);
    EXPECT_NE(error.find("unknown preset 'Basic'"), std::string::npos) << error;
    EXPECT_EQ(findProgram("6", kPrograms, error), -1);
    EXPECT_NE(error.find("out of range (0-5)"), std::string::npos) << error;
    EXPECT_EQ(findProgram("99999999999999999999", kPrograms, error), -1);   // no overflow
    EXPECT_EQ(findProgram(" 2", kPrograms, error), -1);
    EXPECT_EQ(findProgram("-1", kPrograms, error), -1);
    EXPECT_EQ(findProgram("", kPrograms, error), -1);
}

TEST(FindParameter, ByNameIgnoringCaseNeverUnnamed) {
    std::string error;
    EXPECT_EQ(findParameter("Decay", kParams, error), 2);
    EXPECT_EQ(findParameter("mix", kParams, error), 4);
    EXPECT_EQ(findParameter("", kParams, error), -1);
    EXPECT_EQ(findParameter("Diffusion", kParams, error), -1);
    EXPECT_EQ(error, "unknown parameter 'Diffusion' (parameters: Power, Type, Decay, Mix)");
}

TEST(ReportTexts, DbfsAndSummary) {
    EXPECT_EQ(dbfsText(1.0f), "+0.0 dBFS");
    EXPECT_EQ(dbfsText(0.5f), "-6.0 dBFS");
    EXPECT_EQ(dbfsText(2.0f), "+6.0 dBFS");
    EXPECT_EQ(dbfsText(0.0f), "-inf dBFS");

    SummaryInfo s;
    s.input = "in.wav (WAV, stereo, 48000 Hz)";
    s.output = "out.wav";
    s.preset = "22 \"Basic Hall\"";
    s.settings = "Decay=0.8";
    s.sampleRate = 48000;
    s.inputFrames = 480000;
    s.tailFrames = 96000;
    s.peak = 0.5f;
    s.cpuSeconds = 0.12;
    EXPECT_EQ(summaryLine(s),
              "in.wav (WAV, stereo, 48000 Hz) -> out.wav, preset 22 \"Basic Hall\", Decay=0.8: "
              "12.00 s (10.00 s + 2.00 s tail), peak -6.0 dBFS, CPU 0.120 s (100x real time)");
    s.preset.clear();
    s.settings.clear();
    s.cpuSeconds = 0;
    EXPECT_EQ(summaryLine(s), "in.wav (WAV, stereo, 48000 Hz) -> out.wav: 12.00 s (10.00 s + 2.00 s tail), "
                              "peak -6.0 dBFS, CPU 0.000 s");
}
