// The LV2 editor UI as a host meets it: Moltaro_ui.so loaded with dlopen, instantiated
// on a DSP instance through instance-access, embedded in a host window on a private
// Xvfb, driven by the host's idle calls and operated with synthetic X input. The host
// here records the UI's port writes and touch gestures.

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <dlfcn.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include "XServer.h"
#include "editor/EditorText.h"
#include "editor/MoltaroEditor.h"
#include "formats/lv2/Lv2Shared.h"
#include "shell/Moltaro.h"
#include "vstgui/VSTGUI.h"

namespace {

using moltaro::lv2::kFirstParameterPort;
using moltaro::lv2::kNumPortParameters;
using moltaro::lv2::SharedInstance;
using xtest::Host;

const std::string kUiPath = std::string(MOLTARO_BUILD_DIR) + "/Moltaro.lv2/Moltaro_ui.so";
constexpr char kUiUri[] = "urn:zun-soundlab:moltaro#ui";

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The DSP side of an instance: the effect behind the shared record, its host callback
// forwarding the effect's edits to the open editor's link.
struct DspInstance {
    SharedInstance shared;
    std::unique_ptr<Moltaro> effect;

    static DspInstance*& current() {
        static DspInstance* instance = nullptr;
        return instance;
    }
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
        DspInstance* self = current();
        const moltaro::lv2::UiLink* link = self ? self->shared.uiLink.load() : nullptr;
        if (opcode == audioMasterVersion) return 2400;
        if (!link) return 0;
        if (opcode == audioMasterAutomate) link->automate(link->ui, index, opt);
        if (opcode == audioMasterBeginEdit) link->beginEdit(link->ui, index);
        if (opcode == audioMasterEndEdit) link->endEdit(link->ui, index);
        return 0;
    }
    DspInstance() {
        current() = this;
        effect = std::make_unique<Moltaro>(&callback);
        shared.effect = effect.get();
    }
    ~DspInstance() {
        effect.reset();
        current() = nullptr;
    }
    // What run() does with a changed control port.
    void applyPort(int parameter, float normalised) {
        if (!shared.enterEffect()) return;
        effect->setParameter(parameter, normalised);
        shared.leaveEffect();
    }
};

struct Write {
    uint32_t port;
    float value;
};

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        MOLTARO_REQUIRE_XVFB();
        module = dlopen(kUiPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(module, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, kUiUri);
        EXPECT_EQ(entry(1), nullptr);
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
        hostApp = std::make_unique<Host>();
        ASSERT_NE(hostApp->display(), nullptr);
        clientsBefore = hostApp->clientCount();
        parent = hostApp->makeParent(300, 294, 60, 50);
        hostApp->origin(parent, px, py);
        dsp = std::make_unique<DspInstance>();
    }
    void TearDown() override {
        if (user.joinable()) user.join();
        closeUi();
        dsp.reset();
        if (hostApp && parent) hostApp->destroy(parent);
        if (hostApp && clientsBefore >= 0) {
            // The editor's X connection goes with its last window.
            EXPECT_TRUE(Host::waitUntil([&] { return hostApp->clientCount() == clientsBefore; }, nullptr));
        }
        hostApp.reset();
        if (module) dlclose(module);
    }

    // The features a full host passes; `leaveOut` names one to withhold.
    std::vector<const LV2_Feature*> features(const char* leaveOut = nullptr, void* instance = nullptr) {
        featureStore = {
            {LV2_INSTANCE_ACCESS_URI, instance ? instance : &dsp->shared},
            {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))},
            {LV2_UI__resize, &resize},
            {LV2_UI__touch, &touch},
        };
        std::vector<const LV2_Feature*> list;
        for (const LV2_Feature& f : featureStore)
            if (!leaveOut || std::string(f.URI) != leaveOut) list.push_back(&f);
        list.push_back(nullptr);
        return list;
    }
    LV2UI_Handle instantiate(const char* leaveOut = nullptr, void* instance = nullptr) {
        auto list = features(leaveOut, instance);
        widget = nullptr;
        return descriptor->instantiate(descriptor, "urn:zun-soundlab:moltaro", "", &Lv2UiTest::writePort, this,
                                       &widget, list.data());
    }
    bool openUi() {
        ui = instantiate();
        if (!ui) return false;
        return Host::waitUntil([&] { return screenPixel(150, 12) != 0x303030u; }, [&] { idle(); });
    }
    void closeUi() {
        if (ui) descriptor->cleanup(ui);
        ui = nullptr;
    }
    int idle() { return idleInterface->idle(ui); }
    void portEvent(uint32_t port, float value) { descriptor->port_event(ui, port, sizeof value, 0, &value); }
    unsigned screenPixel(int x, int y) {
        const auto p = hostApp->grab(px + x, py + y, 1, 1);
        return p.empty() ? 0u : p[0];
    }
    MoltaroEditor* editor() { return static_cast<MoltaroEditor*>(dsp->effect->getEditor()); }
    // The port value the editor wrote last, per port.
    std::map<uint32_t, float> lastWrites() const {
        std::map<uint32_t, float> last;
        for (const Write& w : writes) last[w.port] = w.value;
        return last;
    }

    static void writePort(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
        auto* self = static_cast<Lv2UiTest*>(c);
        ASSERT_EQ(format, 0u);
        ASSERT_EQ(size, sizeof(float));
        self->writes.push_back({port, *static_cast<const float*>(buffer)});
    }
    static int resized(LV2UI_Feature_Handle h, int width, int height) {
        auto* self = static_cast<Lv2UiTest*>(h);
        self->announced = {width, height};
        return 0;
    }
    static void touched(LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
        static_cast<Lv2UiTest*>(h)->touches.push_back({port, grabbed ? 1.0f : 0.0f});
    }

    void* module = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::unique_ptr<DspInstance> dsp;
    std::unique_ptr<Host> hostApp;
    int clientsBefore = -1;
    ::Window parent = 0;
    int px = 0, py = 0;
    std::thread user;

    LV2UI_Resize resize{this, &Lv2UiTest::resized};
    LV2UI_Touch touch{this, &Lv2UiTest::touched};
    std::vector<LV2_Feature> featureStore;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<Write> writes;
    std::vector<Write> touches;  // value 1 grabbed, 0 released
    std::pair<int, int> announced{0, 0};
};

TEST_F(Lv2UiTest, OpensEmbeddedInTheHostsWindowAndAnnouncesItsSize) {
    ASSERT_TRUE(openUi());
    EXPECT_EQ(hostApp->childCount(parent), 1);
    EXPECT_NE(widget, nullptr) << "the widget is the editor's X11 window";
    EXPECT_EQ(announced.first, MoltaroEditor::kWindowWidth);
    EXPECT_EQ(announced.second, MoltaroEditor::kWindowHeight);
    EXPECT_EQ(idle(), 0);
    closeUi();
    EXPECT_EQ(hostApp->childCount(parent), 0);
    EXPECT_EQ(dsp->effect->getEditor(), nullptr) << "the effect holds no editor of an unloaded UI";
}

TEST_F(Lv2UiTest, DraggingTimeWritesTheDecayPortWithinOneGesture) {
    ASSERT_TRUE(openUi());
    writes.clear();
    const float before = dsp->effect->getParameter(kParamDecay);
    std::atomic<bool> done{false};
    const int x = px + 67, y = py + 70;
    user = std::thread([&, x, y] {
        Host hand;
        hand.moveTo(x, y);
        pause(30);
        hand.press(1);
        for (int i = 1; i <= 8; ++i) {
            pause(15);
            hand.moveTo(x, y - 5 * i);
        }
        pause(60);
        hand.release(1);
        pause(30);
        done = true;
    });
    ASSERT_TRUE(Host::waitUntil([&] { return done.load(); }, [&] { idle(); }, 5000));
    user.join();
    for (int i = 0; i < 5; ++i) idle();

    const uint32_t decayPort = kFirstParameterPort + kParamDecay;
    const float after = dsp->effect->getParameter(kParamDecay);
    EXPECT_NEAR(after - before, 0.2f, 0.011f) << "40 pixels up in linear mode";
    ASSERT_FALSE(writes.empty());
    for (const Write& w : writes) EXPECT_EQ(w.port, decayPort);
    EXPECT_FLOAT_EQ(writes.back().value, static_cast<float>(moltaro::fieldNumber(kParamDecay, after)))
        << "the last write is the effect's value in percent";
    ASSERT_EQ(touches.size(), 2u);
    EXPECT_EQ(touches[0].port, decayPort);
    EXPECT_EQ(touches[0].value, 1.0f);
    EXPECT_EQ(touches[1].port, decayPort);
    EXPECT_EQ(touches[1].value, 0.0f);
}

TEST_F(Lv2UiTest, APortChangeFromTheHostMovesTheTimeKnob) {
    ASSERT_TRUE(openUi());
    for (int i = 0; i < 3; ++i) idle();
    const auto knobArea = [&] { return hostApp->grab(px + 39, py + 42, 57, 57); };
    const auto before = knobArea();
    writes.clear();
    portEvent(kFirstParameterPort + kParamDecay, 85.0f);
    for (int i = 0; i < 3; ++i) idle();
    EXPECT_NEAR(dsp->effect->getParameter(kParamDecay), 0.85f, 1e-6f);
    EXPECT_NEAR(editor()->getKnob(kParamDecay)->getValue(), 0.85f, 1e-6f);
    EXPECT_TRUE(Host::waitUntil([&] { return knobArea() != before; }, [&] { idle(); }))
        << "the window shows the knob turned";
    EXPECT_TRUE(writes.empty()) << "a host's change is not written back";

    // What the UI ignores: other formats, other ports, non-finite values.
    const float nan = std::nanf("");
    descriptor->port_event(ui, kFirstParameterPort + kParamDecay, sizeof(double), 0, &nan);
    portEvent(kFirstParameterPort + kParamDecay, nan);
    portEvent(moltaro::lv2::kPeakPort, 0.25f);
    portEvent(0, 0.5f);
    EXPECT_NEAR(dsp->effect->getParameter(kParamDecay), 0.85f, 1e-6f);
}

TEST_F(Lv2UiTest, ChoosingAProgramFromThePresetMenuWritesEveryParameterPort) {
    ASSERT_TRUE(openUi());
    writes.clear();
    std::atomic<bool> done{false};
    user = std::thread([&] {
        Host hand;
        hand.moveTo(px + 211, py + 277);
        pause(30);
        hand.press(1);
        hand.release(1);
        if (!hand.waitForPopups(1).empty()) {
            for (int i = 0; i < 5; ++i) hand.tap(XK_Down);
            hand.tap(XK_Return);
        }
        done = true;
    });
    ASSERT_TRUE(Host::waitUntil([&] { return done.load(); }, [&] { idle(); }, 8000));
    user.join();
    for (int i = 0; i < 3; ++i) idle();

    const VstInt32 program = dsp->effect->getCurrentProgram();
    ASSERT_GT(program, 0) << "a program was chosen";
    const CProgram* chosen = dsp->effect->getProgramRecord(program);
    const auto last = lastWrites();
    ASSERT_EQ(last.size(), static_cast<size_t>(kNumPortParameters));
    for (int i = 0; i < kNumPortParameters; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(last.count(kFirstParameterPort + i));
        const float port = last.at(kFirstParameterPort + i);
        if (i == kParamType)
            EXPECT_EQ(port, std::floor(9.0f * chosen->getParameter(i) + 0.01f));
        else if (i == kParamPower)
            EXPECT_EQ(port, chosen->getParameter(i) >= 0.5f ? 1.0f : 0.0f);
        else
            EXPECT_FLOAT_EQ(port, static_cast<float>(moltaro::fieldNumber(i, chosen->getParameter(i))));
    }
    EXPECT_EQ(touches.size(), 2u * kNumPortParameters) << "one gesture per parameter port";
}

TEST_F(Lv2UiTest, AHundredOpenCloseCyclesLeaveNoWindowsAndNoMemoryBehind) {
    // The DSP side keeps applying automation meanwhile, as run() does.
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        for (int n = 0; !stop; ++n) {
            dsp->applyPort(kParamMix, (n % 100) / 100.0f);
            std::this_thread::yield();
        }
    });
    const auto cycle = [&](int i) {
        ui = instantiate();
        ASSERT_NE(ui, nullptr) << "cycle " << i;
        ASSERT_EQ(hostApp->childCount(parent), 1) << "cycle " << i;
        idle();
        idle();
        closeUi();
        ASSERT_EQ(hostApp->childCount(parent), 0) << "cycle " << i;
    };
    // The first openings load the pictures and fonts once; allocator caches settle.
    for (int i = -3; i < 0; ++i) cycle(i);
    const size_t heapBefore = mallinfo2().uordblks;
    for (int i = 0; i < 100 && !HasFatalFailure(); ++i) cycle(i);
    const size_t heapAfter = mallinfo2().uordblks;
    stop = true;
    audio.join();
    // Bounded by the allocator's per-thread caches (a few KiB, whatever the number of
    // cycles); an object left behind per cycle shows well above it.
    EXPECT_LT(heapAfter, heapBefore + 16 * 1024) << "heap grew by " << (heapAfter - heapBefore) << " bytes";
    EXPECT_EQ(dsp->effect->getEditor(), nullptr);
    ASSERT_TRUE(openUi()) << "still opens afterwards";
}

TEST_F(Lv2UiTest, RefusesClearlyWhatItCannotWorkWith) {
    SharedInstance foreign;
    foreign.magic = 0;
    foreign.effect = dsp->effect.get();
    struct Case {
        const char* leaveOut;
        void* instance;
        const char* what;
    } cases[] = {
        {LV2_INSTANCE_ACCESS_URI, nullptr, "no instance access"},
        {LV2_UI__parent, nullptr, "no parent window"},
        {nullptr, &foreign, "an instance that is not ours"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(instantiate(c.leaveOut, c.instance), nullptr) << c.what;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("ZUN Moltaro editor:"), std::string::npos) << c.what;
        EXPECT_EQ(hostApp->childCount(parent), 0) << c.what;
    }
    ASSERT_TRUE(openUi());
    testing::internal::CaptureStderr();
    EXPECT_EQ(instantiate(), nullptr) << "a second editor on the same instance";
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(hostApp->childCount(parent), 1);
}

TEST_F(Lv2UiTest, TellsTheHostWhenItsWindowIsGone) {
    ASSERT_TRUE(openUi());
    hostApp->destroy(parent);
    parent = 0;
    EXPECT_TRUE(Host::waitUntil([&] { return idle() != 0; }, [&] { pause(2); }));
    closeUi();
}

}  // namespace
