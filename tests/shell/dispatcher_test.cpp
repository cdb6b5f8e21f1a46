// Every dispatcher opcode's answer, the editor opcodes with and without an editor, and
// the host-facing robustness against null pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "shell/AEffEditor.h"
#include "support/MoltaroFixture.h"

using Dispatcher = MoltaroFixture;

namespace {

struct Answer {
    VstInt32 opcode;
    VstIntPtr expected;
};

// Opcodes whose answer does not depend on the arguments.
const Answer kFixedAnswers[] = {
    {effOpen, 0},
    {effGetProgram, 0},
    {effIdentify, 0x4E764566},
    {effSetChunk, 0},
    {effProcessEvents, 0},
    {effString2Parameter, 0},
    {effGetPlugCategory, 6},
    {effOfflineNotify, 0},
    {effOfflinePrepare, 0},
    {effOfflineRun, 0},
    {effProcessVarIo, 0},
    {effSetBypass, 0},
    {effGetVendorVersion, 1600},
    {effVendorSpecific, 0},
    {effGetTailSize, 0},
    {effGetVstVersion, 2400},
    {effGetMidiProgramName, 0},
    {effGetCurrentMidiProgram, -1},
    {effGetMidiProgramCategory, 0},
    {effHasMidiProgramsChanged, 0},
    {effGetMidiKeyName, 0},
    {effBeginSetProgram, 0},
    {effEndSetProgram, 0},
    {effShellGetNextPlugin, 0},
    {effStartProcess, 0},
    {effStopProcess, 0},
    {effSetPanLaw, 0},
    {effBeginLoadBank, 0},
    {effBeginLoadProgram, 0},
    {effSetProcessPrecision, 0},
    {effGetNumMidiInputChannels, 0},
    {effGetNumMidiOutputChannels, 0},
};

// Deprecated and unknown opcodes: nothing happens, the answer is 0.
const VstInt32 kIgnoredOpcodes[] = {9,  16, 17, 18, 20, 21, 28, 30,  31,   32,     36, 37,
                                    43, 46, 53, 54, 55, 57, 80, 100, 4096, -1, 0x7fffffff};

class SpyEditor : public AEffEditor {
public:
    explicit SpyEditor(AudioEffect* e) : AEffEditor(e) {}
    bool onKeyDown(VstInt32 c, VstInt32 v, VstInt32 m) override {
        keys.push_back({c, v, m, true});
        return true;
    }
    bool onKeyUp(VstInt32 c, VstInt32 v, VstInt32 m) override {
        keys.push_back({c, v, m, false});
        return false;
    }
    bool setKnobMode(VstInt32 mode) override {
        knobMode = mode;
        return true;
    }
    void idle() override { ++idles; }
    struct Key {
        VstInt32 character, virtualKey, modifiers;
        bool down;
    };
    std::vector<Key> keys;
    VstInt32 knobMode = -1;
    int idles = 0;
};

}  // namespace

TEST_F(Dispatcher, FixedAnswers) {
    for (const Answer& a : kFixedAnswers) {
        char buffer[64] = "untouched";
        EXPECT_EQ(host.dispatch(a.opcode, 0, 0, buffer), a.expected) << "opcode " << a.opcode;
        EXPECT_STREQ(buffer, "untouched") << "opcode " << a.opcode;
    }
    EXPECT_TRUE(host.calls().empty()) << "plain answers make no host calls";
}

TEST_F(Dispatcher, IgnoredOpcodesDoNothing) {
    for (VstInt32 op : kIgnoredOpcodes) {
        char buffer[64] = "untouched";
        EXPECT_EQ(host.dispatch(op, 3, 5, buffer, 1.0f), 0) << "opcode " << op;
        EXPECT_STREQ(buffer, "untouched") << "opcode " << op;
    }
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(Dispatcher, EveryIndexCanBeAutomated) {
    for (VstInt32 i : {0, 1, 10, 11, 15, 17, 99, -1}) EXPECT_EQ(host.dispatch(effCanBeAutomated, i), 1);
}

TEST_F(Dispatcher, TotalSampleCountIsEchoed) {
    for (VstIntPtr v : {VstIntPtr(0), VstIntPtr(1), VstIntPtr(48000), VstIntPtr(-7),
                        std::numeric_limits<VstIntPtr>::max(), std::numeric_limits<VstIntPtr>::min()})
        EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, v), v);
}

TEST_F(Dispatcher, NoChunksAreExchanged) {
    int marker = 0;
    void* chunk = &marker;
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, &marker) << "the pointer is left as the host gave it";
    EXPECT_EQ(host.dispatch(effGetChunk, 1, 0, &chunk), 0);
    EXPECT_EQ(chunk, &marker);
    EXPECT_EQ(host.dispatch(effSetChunk, 0, 4, &marker), 0);
}

TEST_F(Dispatcher, TheHostSeesOneProgramWhateverTheBankShows) {
    EXPECT_EQ(host.dispatch(effSetProgram, 0, 0), 0);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, 1), 0);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, -3), 0);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.text(effGetProgramName), "Current");
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_TRUE(host.calls().empty()) << "setProgram changes nothing";

    effect().loadProgram(5);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.text(effGetProgramName), "Max Ambience");
}

TEST_F(Dispatcher, SampleRateAndBlockSizeAreStored) {
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    host.dispatch(effSetBlockSize, 0, 777);
    EXPECT_EQ(effect().getSampleRate(), 96000.0f);
    EXPECT_EQ(effect().getBlockSize(), 777);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(Dispatcher, PlaceholderEditorReportsItsSize) {
    ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 300);
    EXPECT_EQ(rect->bottom - rect->top, 294);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 0);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, nullptr), 0) << "null pointer from the host";
}

TEST_F(Dispatcher, KeysAndKnobModeReachTheEditorWithTheirArguments) {
    auto* spy = new SpyEditor(&effect());
    EXPECT_EQ(effect().getEditor(), spy);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'x', 13, nullptr, 9.0f), 1);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'y', 27, nullptr, 2.0f), 0);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    ASSERT_EQ(spy->keys.size(), 2u);
    EXPECT_EQ(spy->keys[0].character, 'x');
    EXPECT_EQ(spy->keys[0].virtualKey, 13);
    EXPECT_EQ(spy->keys[0].modifiers, MODIFIER_SHIFT | MODIFIER_CONTROL);
    EXPECT_TRUE(spy->keys[0].down);
    EXPECT_EQ(spy->keys[1].character, 'y');
    EXPECT_EQ(spy->keys[1].modifiers, MODIFIER_ALTERNATE);
    EXPECT_FALSE(spy->keys[1].down);
    EXPECT_EQ(spy->knobMode, 2);
    EXPECT_EQ(spy->idles, 1);
}

TEST_F(Dispatcher, WithoutAnEditorTheFlagGoesAndEditorOpcodesAnswerZero) {
    effect().setEditor(nullptr);
    EXPECT_EQ(host.effect()->flags, effFlagsCanReplacing);
    ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    int window = 0;
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, &window), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 1), 0);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 1), 0);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 1), 0);
    host.setParameter(kParamDecay, 0.3f);  // no editor to notify
    new SpyEditor(&effect());
    EXPECT_EQ(host.effect()->flags, 17);
}

TEST_F(Dispatcher, SpeakerArrangementQueryClearsBothPointers) {
    VstSpeakerArrangement a{}, b{};
    VstSpeakerArrangement* in = &a;
    VstSpeakerArrangement* out = &b;
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, NullPointersFromTheHostAreRefusedQuietly) {
    for (VstInt32 op : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                        effGetParamName, effGetProgramNameIndexed, effGetInputProperties,
                        effGetOutputProperties, effSetSpeakerArrangement, effGetEffectName,
                        effGetVendorString, effGetProductString, effCanDo,
                        effGetParameterProperties, effGetChunk, effSetChunk})
        EXPECT_EQ(host.dispatch(op, 0, 0, nullptr), 0) << "opcode " << op;
    EXPECT_EQ(host.text(effGetProgramName), "Current");
}

TEST_F(Dispatcher, ForeignRecordsAreIgnored) {
    AEffect forged = *host.effect();
    forged.magic = 0;
    EXPECT_EQ(forged.dispatcher(&forged, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(forged.dispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
    forged.setParameter(&forged, kParamDecay, 0.9f);
    EXPECT_EQ(forged.getParameter(&forged, kParamDecay), 0.0f);
    EXPECT_EQ(host.getParameter(kParamDecay), 0.5f);
}
