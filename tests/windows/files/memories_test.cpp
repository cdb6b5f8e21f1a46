// The A/B memories in the Windows registry: what a store leaves under
// HKEY_LOCAL_MACHINE\SOFTWARE\ZUN-soundlab\ZUNmo15, and a recall in a second process.

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "MemoryChild.h"
#include "WinTestSupport.h"
#include "support/MoltaroFixture.h"

namespace {

const char* const kMemoA = "SOFTWARE\\ZUN-soundlab\\ZUNmo15\\MemoA";
const char* const kMemoB = "SOFTWARE\\ZUN-soundlab\\ZUNmo15\\MemoB";

std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

struct ChildResult {
    int status = -1;
    std::uint32_t bits[16] = {};
    std::string name;
    int automations = -1;
};

ChildResult recallElsewhere(const char* which) {
    int exitCode = -1;
    std::istringstream in(memorychild::runInSecondProcess(which, &exitCode));
    ChildResult r;
    std::string word;
    while (in >> word) {
        if (word == "status") in >> r.status;
        if (word == "automations") in >> r.automations;
        if (word == "value") {
            int i;
            in >> i >> std::hex >> r.bits[i & 15] >> std::dec;
        }
        if (word == "name") {
            in.get();
            std::getline(in, r.name);
            if (!r.name.empty() && r.name.back() == '\r') r.name.pop_back();
        }
    }
    EXPECT_EQ(exitCode, 0);
    return r;
}

class WindowsMemories : public MoltaroFixture {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZUN-soundlab");
        MoltaroFixture::SetUp();
        effect().loadProgram(27);
        for (int i = 0; i < 16; ++i) host.setParameter(i, 0.1f + 0.04f * float(i));
        host.setParameter(1, 8.0f / 9.0f + 0.01f);  // Plate
        effect().renameCurrent("Parked in A");
    }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZUN-soundlab"); }
};

}  // namespace

TEST_F(WindowsMemories, StoreWritesSixteenBinaryValuesAndTheNameUnderHkeyLocalMachine) {
    ASSERT_EQ(effect().storeMemoA(), 0);
    for (int i = 0; i < 16; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "param%3d", i);
        auto v = wintest::readRaw(HKEY_LOCAL_MACHINE, kMemoA, name);
        ASSERT_TRUE(v.exists) << name;
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY)) << name;
        ASSERT_EQ(v.data.size(), 4u) << name;
        std::uint32_t stored = std::uint32_t(v.data[0]) | std::uint32_t(v.data[1]) << 8 |
                               std::uint32_t(v.data[2]) << 16 | std::uint32_t(v.data[3]) << 24;
        EXPECT_EQ(stored, bitsOf(host.getParameter(i))) << name;
    }
    auto name = wintest::readRaw(HKEY_LOCAL_MACHINE, kMemoA, "name");
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(name.data.begin(), name.data.end()), std::string("Parked in A", 12));
    EXPECT_FALSE(wintest::readRaw(HKEY_LOCAL_MACHINE, kMemoB, "name").exists);
}

TEST_F(WindowsMemories, ASecondProcessRecallsEachMemoryWithAnAutomationEventPerParameter) {
    std::uint32_t a[16], b[16];
    ASSERT_EQ(effect().storeMemoA(), 0);
    for (int i = 0; i < 16; ++i) a[i] = bitsOf(host.getParameter(i));
    for (int i = 2; i < 11; ++i) host.setParameter(i, 0.9f - 0.03f * float(i));
    host.setParameter(1, 3.0f / 9.0f + 0.01f);  // Club
    effect().renameCurrent("Parked in B");
    ASSERT_EQ(effect().storeMemoB(), 0);
    for (int i = 0; i < 16; ++i) b[i] = bitsOf(host.getParameter(i));

    ChildResult ra = recallElsewhere("A");
    EXPECT_EQ(ra.status, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ra.bits[i], a[i]) << "parameter " << i << " of A";
    EXPECT_EQ(ra.name, "Parked in A");
    EXPECT_EQ(ra.automations, 16);

    ChildResult rb = recallElsewhere("B");
    EXPECT_EQ(rb.status, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rb.bits[i], b[i]) << "parameter " << i << " of B";
    EXPECT_EQ(rb.name, "Parked in B");
}

TEST_F(WindowsMemories, RecallOfAMemoryNeverStoredChangesNothing) {
    std::uint32_t before[16];
    for (int i = 0; i < 16; ++i) before[i] = bitsOf(host.getParameter(i));
    host.clearCalls();
    EXPECT_NE(effect().recallMemoB(), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bitsOf(host.getParameter(i)), before[i]);
    EXPECT_EQ(host.count(audioMasterAutomate), 0u);
    EXPECT_STREQ(effect().getProgramRecord(effect().getCurrentProgram())->name(), "Parked in A");
}
