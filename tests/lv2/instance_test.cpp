// One LV2 instance on its own: what it makes of unusable control values, the peak
// output, its state interface, and the edit link to the UI binary.
#include <gtest/gtest.h>

#include <lv2/state/state.h>

#include <malloc.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Lv2Host.h"
#include "formats/lv2/Lv2Shared.h"
#include "shell/ParameterLaws.h"
#include "shell/Moltaro.h"

using namespace moltaro;
using namespace moltaro::lv2;

namespace {

Moltaro* effectOf(lv2host::Instance& plugin) {
    auto* shared = static_cast<SharedInstance*>(lilv_instance_get_handle(plugin.get()));
    return shared && shared->magic == kInstanceMagic ? shared->effect : nullptr;
}

struct Stereo {
    std::vector<float> inL, inR, outL, outR;
    explicit Stereo(std::size_t n) : inL(n), inR(n), outL(n, 7.0f), outR(n, 7.0f) {
        for (std::size_t i = 0; i < n; ++i) inL[i] = inR[i] = 0.4f * std::sin(0.05f * static_cast<float>(i));
    }
    void run(lv2host::Instance& p, std::uint32_t n) { p.run(inL.data(), inR.data(), outL.data(), outR.data(), n); }
    bool finite() const {
        for (std::size_t i = 0; i < outL.size(); ++i)
            if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) return false;
        return true;
    }
};

class Lv2Instance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plugin.ok());
        ASSERT_NE(effectOf(plugin), nullptr);
    }
    lv2host::Instance plugin{48000.0};
};

// Non-finite control values are ignored: the effect keeps the value it had and sounds
// as before; the next finite value is taken as usual.
TEST_F(Lv2Instance, NonFiniteControlValuesAreIgnored) {
    Stereo a(4096);
    plugin.activate();
    plugin.port("decay") = 80.0f;
    a.run(plugin, 256);
    Moltaro* effect = effectOf(plugin);
    std::vector<float> before;
    for (int c = 0; c < kNumPortParameters; ++c) before.push_back(effect->getParameter(c));
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        for (int c = 0; c < kNumPortParameters; ++c) plugin.control[kFirstParameterPort + c] = bad;
        a.run(plugin, 4096);
        ASSERT_TRUE(a.finite());
        for (int c = 0; c < kNumPortParameters; ++c)
            EXPECT_EQ(effect->getParameter(c), before[c]) << kParameterSymbols[c];
    }
    plugin.port("decay") = 20.0f;
    a.run(plugin, 64);
    EXPECT_FLOAT_EQ(effect->getParameter(kParamDecay), 0.2f);
}

// The peak output follows the block just rendered; a block of 0 frames and a plug-in not
// switched on report 0, and the latter writes silence.
TEST_F(Lv2Instance, PeakOutputAndInactiveInstance) {
    Stereo a(1024);
    a.run(plugin, 1024);
    EXPECT_EQ(a.outL, std::vector<float>(1024, 0.0f));
    EXPECT_EQ(plugin.control[kPeakPort], 0.0f);
    plugin.activate();
    plugin.port("mix") = 0.0f;  // dry: the output is the input
    a.run(plugin, 1024);
    float peak = 0.0f;
    for (std::size_t i = 0; i < 1024; ++i) peak = std::fmax(peak, std::fmax(std::fabs(a.outL[i]), std::fabs(a.outR[i])));
    EXPECT_GT(peak, 0.3f);
    EXPECT_EQ(plugin.control[kPeakPort], peak);
    a.run(plugin, 0);
    EXPECT_EQ(plugin.control[kPeakPort], 0.0f);
}

// A control port connected late, or moved to other memory, is read from where it now is.
TEST_F(Lv2Instance, ControlPortsConnectedLateOrMoved) {
    Stereo a(512);
    plugin.connect(kFirstParameterPort + kParamDecay, nullptr);
    plugin.activate();
    a.run(plugin, 512);
    float decay = 35.0f;
    plugin.connect(kFirstParameterPort + kParamDecay, &decay);
    a.run(plugin, 512);
    EXPECT_FLOAT_EQ(effectOf(plugin)->getParameter(kParamDecay), 0.35f);
    float elsewhere = 64.0f;
    plugin.connect(kFirstParameterPort + kParamDecay, &elsewhere);
    a.run(plugin, 512);
    EXPECT_FLOAT_EQ(effectOf(plugin)->getParameter(kParamDecay), 0.64f);
}

// The effect's edits reach the UI binary's link while one is set, and nothing else.
struct LinkLog {
    std::vector<std::string> calls;
    static void automate(void* ui, int index, float x) {
        static_cast<LinkLog*>(ui)->calls.push_back("automate " + std::to_string(index) + " " + std::to_string(x));
    }
    static void begin(void* ui, int index) { static_cast<LinkLog*>(ui)->calls.push_back("begin " + std::to_string(index)); }
    static void end(void* ui, int index) { static_cast<LinkLog*>(ui)->calls.push_back("end " + std::to_string(index)); }
};

TEST_F(Lv2Instance, EditsReachTheUiLink) {
    auto* shared = static_cast<SharedInstance*>(lilv_instance_get_handle(plugin.get()));
    LinkLog log;
    const UiLink link{&log, &LinkLog::automate, &LinkLog::begin, &LinkLog::end};
    Moltaro* effect = shared->effect;
    effect->setParameterAutomated(kParamMix, 0.25f);
    EXPECT_TRUE(log.calls.empty());
    shared->uiLink.store(&link);
    effect->beginEdit(kParamDecay);
    effect->setParameterAutomated(kParamDecay, 0.75f);
    effect->endEdit(kParamDecay);
    shared->uiLink.store(nullptr);
    effect->setParameterAutomated(kParamDecay, 0.5f);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"begin 3", "automate 3 0.750000", "end 3"}));
    // The host's echo of an edit as a port write leaves the editor's value exact, even
    // one that the port's units cannot tell from its neighbour.
    const ParameterLaw& decay = *parameterLaw(kParamDecay);
    float x = 0.7f;
    for (int i = 0; i < 16 && normalisedValue(decay, portValue(decay, x)) == x; ++i) x = std::nextafter(x, 1.0f);
    ASSERT_NE(normalisedValue(decay, portValue(decay, x)), x);
    effect->setParameterAutomated(kParamDecay, x);
    Stereo a(64);
    plugin.activate();
    plugin.port("decay") = portValue(decay, x);
    a.run(plugin, 64);
    EXPECT_EQ(effect->getParameter(kParamDecay), x);
}

// A host that creates and frees instances again and again loses no memory to it (the
// binary's own C++ runtime would set up a new pool at every reload).
TEST(Lv2Instances, ComeAndGoWithoutGrowth) {
    auto cycle = [] {
        lv2host::Instance i(44100.0);
        ASSERT_TRUE(i.ok());
        i.activate();
        i.run(nullptr, nullptr, nullptr, nullptr, 0);
    };
    for (int n = 0; n < 3; ++n) cycle();  // the host's own first-use allocations
    const std::size_t before = mallinfo2().uordblks;
    for (int n = 0; n < 20; ++n) cycle();
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 16384) << "grew by " << (after - before) << " bytes over 20 instances";
}

// The state interface taken directly, with what a host or a damaged project may hand it.
TEST_F(Lv2Instance, StateRestoreChecksWhatItIsGiven) {
    lv2host::World& w = lv2host::World::get();
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(plugin.get(), LV2_STATE__interface));
    ASSERT_NE(state, nullptr);
    struct Stored {
        const void* value;
        std::size_t size;
        LV2_URID type;
    };
    auto retrieve = [](LV2_State_Handle h, std::uint32_t, std::size_t* size, std::uint32_t* type,
                       std::uint32_t* flags) -> const void* {
        const Stored* s = static_cast<const Stored*>(h);
        *size = s->size;
        *type = s->type;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return s->value;
    };
    const LV2_URID string = w.urid(LV2_ATOM__String), integer = w.urid(LV2_ATOM__Int);
    const std::int32_t number = 5;
    const char longName[] = "A name far longer than a program name may be";
    struct Case {
        Stored stored;
        LV2_State_Status status;
        const char* name;  // the program name afterwards
    };
    const Case cases[] = {
        {{"Hall one", 9, string}, LV2_STATE_SUCCESS, "Hall one"},
        {{&number, sizeof number, integer}, LV2_STATE_ERR_BAD_TYPE, "Hall one"},
        {{nullptr, 0, 0}, LV2_STATE_SUCCESS, "Hall one"},  // a project without a name
        {{"No end", 6, string}, LV2_STATE_SUCCESS, "No end"},  // unterminated
        {{longName, sizeof longName, string}, LV2_STATE_SUCCESS, "A name far longer than a"},
    };
    for (const Case& c : cases) {
        Stored s = c.stored;
        EXPECT_EQ(state->restore(lilv_instance_get_handle(plugin.get()), retrieve, &s, 0, nullptr), c.status)
            << c.name;
        char name[64] = {};
        effectOf(plugin)->getProgramName(name);
        EXPECT_STREQ(name, c.name);
    }
}

}  // namespace
