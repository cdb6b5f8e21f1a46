// The program bank as the effect uses it: program 0 as the mirror of the effect, loading
// a program, renames, and the bank-wide Power / Mix / Output.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/AEffEditor.h"
#include "support/MoltaroFixture.h"

using Bank = MoltaroFixture;
using testhost::HostCall;

namespace {

class NameSpy : public AEffEditor {
public:
    explicit NameSpy(AudioEffect* e) : AEffEditor(e) {}
    void showProgramName(const char* text) override { names.push_back(text); }
    void setParameter(VstInt32 index, float value) override { changes.push_back({index, value}); }
    std::vector<std::string> names;
    std::vector<std::pair<VstInt32, float>> changes;
};

void expectSameProgram(const CProgram& a, const CProgram& b) {
    EXPECT_STREQ(a.name(), b.name());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.getParameter(i), b.getParameter(i)) << "value " << i;
}

}  // namespace

TEST_F(Bank, AfterConstructionTheHostSeesCurrent) {
    EXPECT_EQ(host.text(effGetProgramName), "Current");
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_EQ(host.text(effGetProgramNameIndexed, 0, 7), "Current") << "category is not looked at";
    EXPECT_EQ(host.lastAnswer(), 1);
    host.text(effGetProgramNameIndexed, 1);
    EXPECT_EQ(host.lastAnswer(), 0);
    EXPECT_EQ(host.lastTextBytes(), 0u) << "nothing is written for other indices";
}

TEST_F(Bank, HostRenameKeeps24CharactersInCurrentProgramAndProgramZero) {
    effect().loadProgram(5);
    auto* spy = new NameSpy(&effect());
    char name[] = "Thirty-one characters long name";
    ASSERT_EQ(std::strlen(name), 31u);
    host.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_STREQ(effect().getProgramRecord(5)->name(), "Thirty-one characters lo");
    EXPECT_STREQ(effect().getProgramRecord(0)->name(), "Thirty-one characters lo");
    EXPECT_STREQ(effect().getProgramRecord(4)->name(), "Short Ambience");
    EXPECT_EQ(host.text(effGetProgramName), "Thirty-one characters lo");
    EXPECT_EQ(host.lastTextBytes(), 25u);
    ASSERT_EQ(spy->names.size(), 1u);
    EXPECT_EQ(spy->names[0], "Thirty-one characters lo");
}

TEST_F(Bank, RenameWithRefreshAsksTheHostToRedisplay) {
    effect().loadProgram(9);
    host.clearCalls();
    effect().renameWithRefresh("My Big Room");
    EXPECT_STREQ(effect().getProgramRecord(9)->name(), "My Big Room");
    EXPECT_STREQ(effect().getProgramRecord(0)->name(), "My Big Room");
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterUpdateDisplay);
}

TEST_F(Bank, LoadingAProgramCopiesItIntoProgramZeroAndReportsEveryValue) {
    const CProgram five = *effect().getProgramRecord(5);
    effect().loadProgram(5);
    expectSameProgram(*effect().getProgramRecord(0), five);
    expectSameProgram(*effect().getProgramRecord(5), five);
    EXPECT_EQ(effect().getCurrentProgram(), 5);

    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 16u * 4 + 1);
    for (int i = 0; i < 16; ++i) {
        const HostCall* g = &calls[4 * i];
        EXPECT_EQ(g[0].opcode, audioMasterBeginEdit);
        EXPECT_EQ(g[1].opcode, audioMasterAutomate);
        EXPECT_EQ(g[2].opcode, audioMasterAutomate);
        EXPECT_EQ(g[3].opcode, audioMasterEndEdit);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(g[k].index, i);
        EXPECT_EQ(g[2].opt, five.getParameter(i)) << "second automate: the value as loaded";
    }
    EXPECT_EQ(calls.back().opcode, audioMasterUpdateDisplay);
    // The effect took the values on.
    EXPECT_EQ(host.getParameter(kParamDecay), 1.0f);
    EXPECT_EQ(host.getParameter(kParamHighDamp), 0.0f);
}

TEST_F(Bank, FirstAutomateReportsTheValueAsTheEffectHoldsIt) {
    effect().loadProgram(48);  // Basic Plate: stored Type 0.898889
    const std::vector<HostCall> calls = host.calls();
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(calls[4].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[5].opt, typeValueOf(8));
    EXPECT_EQ(calls[5].opt, host.getParameter(kParamType));
    EXPECT_EQ(calls[6].opt, 0.898889f);
    EXPECT_NE(calls[5].opt, calls[6].opt);
}

TEST_F(Bank, OrdinaryParametersGoToTheCurrentProgramAndProgramZeroOnly) {
    effect().loadProgram(5);
    host.setParameter(kParamDecay, 0.9f);
    for (int p = 0; p < 53; ++p) {
        const float decay = effect().getProgramRecord(p)->getParameter(kParamDecay);
        if (p == 0 || p == 5) EXPECT_EQ(decay, 0.9f) << p;
        else EXPECT_NE(decay, 0.9f) << p;
    }
    host.setParameter(11, 0.7f);  // no function, but still kept in the program
    EXPECT_EQ(effect().getProgramRecord(5)->getParameter(11), 0.7f);
    EXPECT_EQ(effect().getProgramRecord(0)->getParameter(11), 0.7f);
    EXPECT_EQ(effect().getProgramRecord(6)->getParameter(11), 0.0f);
    EXPECT_EQ(host.getParameter(11), 0.0f);
    host.setParameter(kParamDiffusion, 0.2f);  // internal: never in a program
    for (int p = 0; p < 53; ++p) EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamDiffusion), -1.0f);
}

TEST_F(Bank, PowerMixAndOutputBelongToTheWholeBank) {
    effect().loadProgram(5);
    host.setParameter(kParamMix, 0.2f);
    host.setParameter(kParamOutput, 0.8f);
    host.setParameter(kParamPower, 0.1f);
    for (int p = 0; p < 53; ++p) {
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamMix), 0.2f) << p;
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamOutput), 0.8f) << p;
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamPower), 0.1f) << p;
    }
}

TEST_F(Bank, LoadingAProgramSpreadsItsPowerMixAndOutput) {
    CProgram* seven = effect().getProgramRecord(7);
    seven->setParameter(kParamMix, 0.3f);
    seven->setParameter(kParamOutput, 0.6f);
    seven->setParameter(kParamDecay, 0.66f);
    effect().loadProgram(7);
    for (int p = 0; p < 53; ++p) {
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamMix), 0.3f) << p;
        EXPECT_EQ(effect().getProgramRecord(p)->getParameter(kParamOutput), 0.6f) << p;
    }
    EXPECT_EQ(effect().getProgramRecord(8)->getParameter(kParamDecay), 0.2f) << "others stay";
}

TEST_F(Bank, ProgramsReceiveTheClampedValueAndTheEditorFollows) {
    auto* spy = new NameSpy(&effect());
    host.setParameter(kParamType, 1.0f);
    EXPECT_EQ(effect().getProgramRecord(0)->getParameter(kParamType), 8.0f / 9.0f);
    host.setParameter(kParamDecay, 1.5f);
    EXPECT_EQ(effect().getProgramRecord(0)->getParameter(kParamDecay), 1.0f);
    ASSERT_EQ(spy->changes.size(), 2u);
    EXPECT_EQ(spy->changes[0].first, kParamType);
    EXPECT_EQ(spy->changes[0].second, 8.0f / 9.0f);
    EXPECT_EQ(spy->changes[1].first, kParamDecay);
    EXPECT_EQ(spy->changes[1].second, 1.0f);
}

TEST_F(Bank, ProgramsOutsideTheBankAreNotLoaded) {
    effect().loadProgram(3);
    host.clearCalls();
    for (VstInt32 n : {-1, 53, 1000}) effect().loadProgram(n);
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(effect().getCurrentProgram(), 3);
    EXPECT_EQ(effect().getProgramRecord(53), nullptr);
    EXPECT_EQ(effect().getProgramRecord(-1), nullptr);
}
