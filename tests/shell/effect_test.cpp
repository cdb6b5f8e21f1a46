// The effect object: suspend / resume and their host calls, the reduced-rate choice,
// the audio entry with its pin queries, names, pins, speaker arrangements and canDo.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "support/MoltaroFixture.h"

using Effect = MoltaroFixture;
using moltaro::relaxed;
using testhost::HostCall;

TEST_F(Effect, SuspendAndResumeTellTheHostInOrder) {
    host.dispatch(effMainsChanged, 0, 0);
    std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterUpdateDisplay);

    host.clearCalls();
    host.dispatch(effMainsChanged, 0, 1);
    calls = host.calls();
    ASSERT_EQ(calls.size(), 2u) << "no MIDI is requested";
    EXPECT_EQ(calls[0].opcode, audioMasterGetBlockSize);
    EXPECT_EQ(calls[1].opcode, audioMasterUpdateDisplay);
    EXPECT_TRUE(relaxed(engine().setupPending));
}

TEST_F(Effect, SampleRateTakesEffectAtTheNextResume) {
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(engine().coreRate, 44100.0);
    EXPECT_EQ(engine().rateDivider, 0);
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(engine().rateDivider, 1);
    EXPECT_EQ(engine().coreRate, 48000.0);
}

TEST_F(Effect, ReducedRateChoices) {
    struct Case {
        float rate;
        int divider;
        double coreRate;
    };
    const Case cases[] = {
        {44100, 0, 44100},  {48000, 0, 48000},   {50000, 0, 50000},    {88200, 1, 44100},
        {96000, 1, 48000},  {100000, 1, 50000},  {176400, 3, 44100},   {192000, 3, 48000},
        {200000, 3, 50000}, {8000, 0, 44100},    {0, 0, 44100},        {19999, 0, 44100},
        {250000, 0, 44100}, {-48000, 0, 44100},
        {std::numeric_limits<float>::quiet_NaN(), 0, 44100},
        {std::numeric_limits<float>::infinity(), 0, 44100},
    };
    for (const Case& c : cases) {
        host.dispatch(effSetSampleRate, 0, 0, nullptr, c.rate);
        host.dispatch(effMainsChanged, 0, 1);
        EXPECT_EQ(engine().rateDivider, c.divider) << "host rate " << c.rate;
        EXPECT_EQ(engine().coreRate, c.coreRate) << "host rate " << c.rate;
        host.dispatch(effMainsChanged, 0, 0);
    }
}

TEST_F(Effect, EveryBlockAsksWhetherTheSecondPinsAreConnected) {
    host.startAudio(44100.0f, 64);
    host.clearCalls();
    host.process(64);
    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 2u) << "the audio path calls the host for nothing else";
    for (const HostCall& c : calls) {
        EXPECT_EQ(c.opcode, audioMasterPinConnected);
        EXPECT_EQ(c.index, 1);
    }
    EXPECT_TRUE((calls[0].value == 0 && calls[1].value == 1) || (calls[0].value == 1 && calls[1].value == 0));
}

// Dry only at unity output: every output sample equals its input sample.
TEST_F(Effect, DryPathReachesEveryChannelAndFrame) {
    host.setParameter(kParamMix, 0.0f);
    host.setParameter(kParamOutput, 0.5f);
    host.startAudio(44100.0f, 256);
    for (int c = 0; c < 2; ++c) {
        host.in[c].assign(256, 0.0f);
        for (int i = 0; i < 256; ++i) host.in[c][i] = 0.001f * (i + 1) * (c ? -1.0f : 1.0f);
    }
    host.process(256);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 256; ++i) ASSERT_EQ(host.out[c][i], host.in[c][i]) << c << "/" << i;
}

TEST_F(Effect, AnUnconnectedSecondOutputIsLeftAlone) {
    host.output1Connected = false;
    host.startAudio(44100.0f, 32);
    host.out[1].assign(32, 7.0f);
    host.in[0].assign(32, 0.5f);
    host.process(32);
    for (float v : host.out[1]) EXPECT_EQ(v, 7.0f);
}

TEST_F(Effect, OversizedAndDegenerateBlocksDoNotOverrunAnything) {
    host.setParameter(kParamMix, 0.0f);
    host.startAudio(44100.0f, 512);
    const int frames = 70000;  // more than the work buffers hold
    host.in[0].assign(frames, 0.0f);
    host.in[1].assign(frames, 0.0f);
    host.in[0][frames - 1] = 0.25f;
    host.in[1][frames - 1] = -0.25f;
    host.process(frames);
    EXPECT_EQ(host.out[0][frames - 1], 0.25f);
    EXPECT_EQ(host.out[1][frames - 1], -0.25f);

    AEffect* e = host.effect();
    e->processReplacing(e, nullptr, nullptr, 0);
    e->processReplacing(e, nullptr, nullptr, 16);
    e->processReplacing(e, nullptr, nullptr, -5);
    float in0[16] = {}, out0[16] = {};
    float* ins[2] = {in0, nullptr};
    float* outs[2] = {out0, nullptr};
    e->processReplacing(e, ins, outs, 16);  // second buffers missing though reported connected
    SUCCEED();
}

TEST_F(Effect, NamesAndVersions) {
    EXPECT_EQ(host.text(effGetEffectName), "ZUN Moltaro");
    EXPECT_EQ(host.lastAnswer(), 1);
    EXPECT_EQ(host.text(effGetProductString), "ZUN Moltaro - general purpose reverb plug-in");
    EXPECT_EQ(host.lastAnswer(), 1);
    const std::string vendor = host.text(effGetVendorString);
    EXPECT_EQ(host.lastAnswer(), 1);
    EXPECT_FALSE(vendor.empty());
    EXPECT_LE(vendor.size(), 63u);
}

TEST_F(Effect, PinProperties) {
    const struct {
        VstInt32 opcode;
        VstInt32 index;
        const char* label;
    } pins[] = {{effGetInputProperties, 0, "ZUN Dravik 1 In"},
                {effGetInputProperties, 1, "ZUN Dravik 2 In"},
                {effGetOutputProperties, 0, "ZUN Dravik 1 Out"},
                {effGetOutputProperties, 1, "ZUN Dravik 2 Out"}};
    for (const auto& pin : pins) {
        VstPinProperties p;
        std::memset(&p, 0x11, sizeof p);
        EXPECT_EQ(host.dispatch(pin.opcode, pin.index, 0, &p), 1);
        EXPECT_STREQ(p.label, pin.label);
        EXPECT_EQ(p.flags, kVstPinIsActive | kVstPinIsStereo);
        EXPECT_EQ(p.arrangementType, 0x11111111) << "left as the host supplied it";
        EXPECT_EQ(p.shortLabel[0], 0x11);
    }
    for (VstInt32 op : {effGetInputProperties, effGetOutputProperties})
        for (VstInt32 index : {2, 3, -1}) {
            VstPinProperties p, before;
            std::memset(&p, 0x22, sizeof p);
            before = p;
            EXPECT_EQ(host.dispatch(op, index, 0, &p), 0);
            EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
        }
}

TEST_F(Effect, SpeakerArrangements) {
    const struct {
        VstInt32 ins, outs;
        bool stereoIn, stereoOut;
        VstIntPtr answer;
    } cases[] = {{1, 1, false, false, 1}, {1, 2, false, true, 1}, {2, 2, true, true, 1},
                 {2, 1, true, true, 0},   {0, 2, true, true, 0},   {8, 8, true, true, 0},
                 {1, 1, false, false, 1}, {2, 6, true, true, 0}};
    for (const auto& c : cases) {
        VstSpeakerArrangement in{}, out{};
        in.numChannels = c.ins;
        out.numChannels = c.outs;
        EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out),
                  c.answer)
            << c.ins << " in, " << c.outs << " out";
        EXPECT_EQ(relaxed(engine().stereoIn), c.stereoIn) << c.ins << " in, " << c.outs << " out";
        EXPECT_EQ(relaxed(engine().stereoOut), c.stereoOut) << c.ins << " in, " << c.outs << " out";
    }
    VstSpeakerArrangement mono{};
    mono.numChannels = 1;
    host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono);
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, 0, &mono), 0);
    EXPECT_TRUE(relaxed(engine().stereoIn));
    EXPECT_TRUE(relaxed(engine().stereoOut));
}

TEST_F(Effect, CanDoAnswersExactlyItsOwnList) {
    for (const char* yes : {"offline", "plugAsChannelInsert", "plugAsSend", "mixDryWet", "1in1out",
                            "1in2out", "2in2out"})
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"receiveVstMidiEvent", "receiveVstEvents", "receiveVstTimeInfo",
                           "sendVstEvents", "sendVstMidiEvent", "midiProgramNames", "bypass",
                           "2in1out", "2in4out", "4in4out", "conformsToWindowRules", "2in2outX",
                           "2in2", "Offline", "offline ", ""})
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>(no)), 0) << no;
}
