// The A/B memories on running effects: what a store writes, what a recall brings
// back and tells the host, and that damaged or missing memories change nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "FilesTestSupport.h"
#include "platform/posix/StoreFileFormat.h"
#include "presetsystem/Memories.h"
#include "support/MoltaroFixture.h"

using namespace moltaro;
using filestest::ScopedEnv;
using filestest::TempDir;

namespace {

std::string hexOfFloat(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", bits & 0xff, (bits >> 8) & 0xff, (bits >> 16) & 0xff,
                  bits >> 24);
    return text;
}

// Every parameter away from the values below, and a new name.
void changeEverything(testhost::RecordingHost& host, Moltaro& effect) {
    for (int i = 0; i < 16; ++i) host.setParameter(i, i == 0 ? 0.0f : 0.97f - 0.05f * float(i));
    effect.renameCurrent("something else");
}

class Memories : public MoltaroFixture {
protected:
    void SetUp() override {
        MoltaroFixture::SetUp();
        effect().loadProgram(12);
        setDistinctValues();
        effect().renameCurrent("Parked");
        host.clearCalls();
    }

    void setDistinctValues() {
        for (int i = 0; i < 16; ++i) host.setParameter(i, 0.1f + 0.04f * float(i));
        host.setParameter(1, 5.0f / 9.0f + 0.01f);  // Arena
    }

    std::vector<float> held() {
        std::vector<float> v;
        for (int i = 0; i < 16; ++i) v.push_back(host.getParameter(i));
        return v;
    }
    std::string currentName() { return effect().getProgramRecord(effect().getCurrentProgram())->name(); }
    std::string memoFile(const char* which) { return config.file(std::string("ZUN-soundlab/ZUNmo15/") + which); }

    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};
};

}  // namespace

TEST_F(Memories, ValueNamesAreRightAligned) {
    EXPECT_EQ(memoryValueName(0), "param  0");
    EXPECT_EQ(memoryValueName(9), "param  9");
    EXPECT_EQ(memoryValueName(15), "param 15");
}

TEST_F(Memories, StoreWritesTheHeldValuesAndTheNameInTheirByteFormats) {
    const auto values = held();
    ASSERT_EQ(effect().storeMemoA(), 0);
    std::string text = filestest::readText(memoFile("MemoA"));
    for (int i = 0; i < 16; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "\nbin param%3d=%s\n", i, hexOfFloat(values[i]).c_str());
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
    EXPECT_NE(text.find("\nstr name=Parked\n"), std::string::npos) << text;
    EXPECT_EQ(values[1], 5.0f / 9.0f + 0.01f) << "Type is held quantised";
    EXPECT_FALSE(filestest::fs::exists(memoFile("MemoB")));
    EXPECT_TRUE(host.calls().empty()) << "storing tells the host nothing";
}

TEST_F(Memories, RecallBringsBackAllValuesAndTheNameWithAnAutomationEventEach) {
    const auto values = held();
    ASSERT_EQ(effect().storeMemoA(), 0);
    changeEverything(host, effect());
    ASSERT_NE(held(), values);
    host.clearCalls();

    ASSERT_EQ(effect().recallMemoA(), 0);
    EXPECT_EQ(held(), values);
    EXPECT_EQ(currentName(), "Parked");
    EXPECT_STREQ(effect().getProgramRecord(0)->name(), "Parked");
    EXPECT_EQ(effect().engine.params.requestedAlgorithm.load(), 5) << "the same algorithm again";
    auto automations = host.callsOf({audioMasterAutomate});
    ASSERT_EQ(automations.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(automations[i].index, i);
        EXPECT_EQ(automations[i].opt, values[i]);
    }
    EXPECT_GE(host.count(audioMasterUpdateDisplay), 1u);
    // The programs follow too.
    for (int i = 0; i < 16; ++i) EXPECT_EQ(effect().getProgramRecord(12)->getParameter(i), values[i]) << i;
}

TEST_F(Memories, AAndBAreIndependent) {
    const auto a = held();
    ASSERT_EQ(effect().storeMemoA(), 0);
    changeEverything(host, effect());
    const auto b = held();
    ASSERT_EQ(effect().storeMemoB(), 0);

    ASSERT_EQ(effect().recallMemoA(), 0);
    EXPECT_EQ(held(), a);
    EXPECT_EQ(currentName(), "Parked");
    ASSERT_EQ(effect().recallMemoB(), 0);
    EXPECT_EQ(held(), b);
    EXPECT_EQ(currentName(), "something else");
    ASSERT_EQ(effect().recallMemoA(), 0);
    EXPECT_EQ(held(), a);
}

TEST_F(Memories, ASecondInstanceRecallsWhatTheFirstStored) {
    const auto values = held();
    ASSERT_EQ(effect().storeMemoB(), 0);
    host.close();

    testhost::RecordingHost second;
    ASSERT_NE(second.load(moltaroPluginMain), nullptr);
    auto& other = *static_cast<Moltaro*>(AudioEffect::fromAeffect(second.effect()));
    second.clearCalls();
    ASSERT_EQ(other.recallMemoB(), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(second.getParameter(i), values[i]) << i;
    EXPECT_STREQ(other.getProgramRecord(0)->name(), "Parked");
    EXPECT_EQ(second.count(audioMasterAutomate), 16u);
}

TEST_F(Memories, RecallOfAMemoryNeverStoredChangesNothing) {
    const auto values = held();
    EXPECT_NE(effect().recallMemoA(), 0);
    EXPECT_EQ(held(), values);
    EXPECT_EQ(currentName(), "Parked");
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(Memories, CorruptMemoryFilesChangeNothingAndCrashNothing) {
    const auto values = held();
    filestest::fs::create_directories(config.path() / "ZUN-soundlab/ZUNmo15");
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += char((i * 7919) % 256);
    for (const std::string& text : {std::string(), garbage, std::string("bin param  0=0000"),
                                    std::string("bin param  0=zzzzzzzz\nbin name=00\nstr param  1=abcd\n")}) {
        filestest::writeText(memoFile("MemoA"), text);
        effect().recallMemoA();
        EXPECT_EQ(held(), values);
        EXPECT_EQ(currentName(), "Parked");
        EXPECT_EQ(host.count(audioMasterAutomate), 0u);
    }
    // A folder where the file should be.
    filestest::fs::remove(memoFile("MemoA"));
    filestest::fs::create_directory(memoFile("MemoA"));
    effect().recallMemoA();
    EXPECT_EQ(held(), values);
}

TEST_F(Memories, MissingOrMalformedValuesAreSkippedAndTheOthersApplied) {
    const auto values = held();
    filestest::fs::create_directories(config.path() / "ZUN-soundlab/ZUNmo15");
    filestest::writeText(memoFile("MemoA"),
                         "bin param  3=0000403f\n"   // 0.75
                         "bin param  4=0000c07f\n"   // NaN
                         "bin param  5=000000\n"     // 3 bytes
                         "bin param  6=00002041\n"   // 10.0, clamped
                         "bin param  7=000080bf\n"   // -1.0, clamped
                         "str param  8=0000003f\n"); // wrong type
    host.clearCalls();
    ASSERT_EQ(effect().recallMemoA(), 0);
    auto now = held();
    EXPECT_EQ(now[3], 0.75f);
    EXPECT_EQ(now[6], 1.0f);
    EXPECT_EQ(now[7], 0.0f);
    for (int i : {0, 1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15}) EXPECT_EQ(now[i], values[i]) << i;
    EXPECT_EQ(currentName(), "Parked") << "no name stored, the name stays";
    EXPECT_EQ(host.count(audioMasterAutomate), 3u);
}

TEST_F(Memories, LongStoredNameIsCutToTwentyFourCharacters) {
    filestest::fs::create_directories(config.path() / "ZUN-soundlab/ZUNmo15");
    filestest::writeText(memoFile("MemoB"), "str name=" + std::string(200, 'n') + "\n");
    ASSERT_EQ(effect().recallMemoB(), 0);
    EXPECT_EQ(currentName(), std::string(24, 'n'));
}

TEST_F(Memories, StoreThatCannotWriteFailsQuietly) {
    filestest::writeText(config.file("blocker"), "x");
    ScopedEnv blocked("XDG_CONFIG_HOME", config.file("blocker"));
    EXPECT_NE(effect().storeMemoA(), 0);
    EXPECT_NE(effect().recallMemoA(), 0);
    EXPECT_EQ(currentName(), "Parked");
}
