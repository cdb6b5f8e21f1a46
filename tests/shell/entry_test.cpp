// The entry point, the effect record and what the host sees during creation and close.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/Parameters.h"
#include "formats/vst2/PluginEntry.h"
#include "support/RecordingHost.h"

using testhost::HostCall;
using testhost::RecordingHost;

TEST(Entry, RefusesAHostThatAnswersNoVersion) {
    RecordingHost host;
    host.version = 0;
    EXPECT_EQ(host.load(moltaroPluginMain), nullptr);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterVersion);
}

TEST(Entry, RefusesANullCallback) { EXPECT_EQ(moltaroPluginMain(nullptr), nullptr); }

namespace {
int versionQueries = 0;
// Answers the entry's version query but not the second one made before construction.
VstIntPtr secondVersionZero(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return ++versionQueries == 1 ? 2400 : 0;
    ADD_FAILURE() << "host called with opcode " << opcode << " though no effect should exist";
    return 0;
}
}  // namespace

TEST(Entry, ASecondVersionAnswerOfZeroAbortsCreation) {
    versionQueries = 0;
    EXPECT_EQ(moltaroPluginMain(secondVersionZero), nullptr);
    EXPECT_EQ(versionQueries, 2);
}

TEST(Entry, RecordCarriesTheEffectsIdentity) {
    RecordingHost host;
    AEffect* e = host.load(moltaroPluginMain);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 16);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsCanReplacing);
    EXPECT_EQ(e->flags, 17);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, 0x514B5458);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, &host);
    EXPECT_TRUE(e->dispatcher && e->process && e->setParameter && e->getParameter &&
                e->processReplacing && e->processDoubleReplacing);
    for (char c : e->future) EXPECT_EQ(c, 0);
}

TEST(Entry, CreationAsksVersionTwiceAndReportsProgramZero) {
    RecordingHost host;
    ASSERT_NE(host.load(moltaroPluginMain), nullptr);
    const std::vector<HostCall> calls = host.calls();

    // Version from the entry point (no record yet), then from the creation.
    ASSERT_GE(calls.size(), 2u + 16 * 4 + 2);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_FALSE(calls[0].hadEffect);
    EXPECT_EQ(calls[1].opcode, audioMasterVersion);

    // Program 0 applied: a begin-edit / automate / automate / end-edit group per parameter.
    const float program0[16] = {1.0f, 0.01f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f,
                                0.5f, 0.5f,  0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::vector<HostCall> expected;
    for (int i = 0; i < 16; ++i) {
        expected.push_back({audioMasterBeginEdit, i, 0, 0.0f, true});
        expected.push_back({audioMasterAutomate, i, 0, program0[i], true});
        expected.push_back({audioMasterAutomate, i, 0, program0[i], true});
        expected.push_back({audioMasterEndEdit, i, 0, 0.0f, true});
    }
    // End of the program load, then end of the first suspend.
    expected.push_back({audioMasterUpdateDisplay, 0, 0, 0.0f, true});
    expected.push_back({audioMasterUpdateDisplay, 0, 0, 0.0f, true});
    const std::vector<HostCall> rest(calls.begin() + 2, calls.end());
    ASSERT_EQ(rest.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(rest[k], expected[k]) << "call " << k + 2 << ": opcode " << rest[k].opcode
                                        << " index " << rest[k].index << " opt " << rest[k].opt;
}

TEST(Entry, CloseAnswersOneAndInstancesAreIndependent) {
    RecordingHost a, b;
    ASSERT_NE(a.load(moltaroPluginMain), nullptr);
    ASSERT_NE(b.load(moltaroPluginMain), nullptr);
    a.setParameter(kParamDecay, 0.9f);
    a.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Mine"));
    EXPECT_EQ(b.getParameter(kParamDecay), 0.5f);
    EXPECT_EQ(b.text(effGetProgramName), "Current");
    EXPECT_EQ(a.close(), 1);
    // The other instance is untouched by the first one's destruction.
    EXPECT_EQ(b.getParameter(kParamDecay), 0.5f);
    EXPECT_EQ(b.close(), 1);
}

TEST(Entry, DeprecatedEntriesLeaveTheHostsBuffersAlone) {
    RecordingHost host;
    AEffect* e = host.load(moltaroPluginMain);
    ASSERT_NE(e, nullptr);
    float in[2][8], out[2][8];
    double din[2][8], dout[2][8];
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 8; ++i) {
            in[c][i] = 0.25f; out[c][i] = 7.0f; din[c][i] = 0.25; dout[c][i] = 7.0;
        }
    float* ins[2] = {in[0], in[1]};
    float* outs[2] = {out[0], out[1]};
    double* dins[2] = {din[0], din[1]};
    double* douts[2] = {dout[0], dout[1]};
    e->process(e, ins, outs, 8);
    e->processDoubleReplacing(e, dins, douts, 8);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(out[c][i], 7.0f);
            EXPECT_EQ(dout[c][i], 7.0);
        }
}
