// Opening, closing and destroying the editor in every order a host may choose,
// including from inside the editor's own mouse tracking, and what an idle costs.

#include "EditorFixture.h"

#include <time.h>

#include <cmath>
#include <cstdio>

#include "editor/CTextLED.h"

namespace editor_test {
namespace {

TEST_F(EditorTest, AHundredOpenCloseCyclesLeaveNoWindow) {
    const int before = backend->windowsCreated();
    for (int i = 0; i < 100; ++i) {
        closeEditor();
        ASSERT_TRUE(backend->openWindows().empty()) << "cycle " << i;
        ASSERT_EQ(editor->getFrame(), nullptr);
        openEditor();
        ASSERT_EQ(backend->openWindows().size(), 1u);
    }
    EXPECT_EQ(backend->windowsCreated(), before + 100);
    // Still fully working.
    drag({67, 70}, {67, 50}, 4);
    EXPECT_NEAR(host.getParameter(kParamDecay), 0.6f, 1e-4);
}

TEST_F(EditorTest, OpeningAgainWithoutClosingKeepsOneWindow) {
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, &parentToken), 1);
    EXPECT_EQ(backend->openWindows().size(), 1u);
    window = backend->window();
    idle();
}

TEST_F(EditorTest, ClosedEditorIgnoresIdleKeysAndParameterChanges) {
    closeEditor();
    idle();
    host.setParameter(kParamDecay, 0.1f);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.f), 0);
    EXPECT_FALSE(editor->onWheel(1.f));
    closeEditor();  // twice is harmless
    EXPECT_TRUE(backend->openWindows().empty());
}

TEST_F(EditorTest, TextBeingTypedIsKeptWhenTheWindowCloses) {
    click(68, 104);
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("80");
    closeEditor();
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.8f);
    EXPECT_TRUE(backend->openWindows().empty());
}

TEST_F(EditorTest, ClosingTheEffectWithTheEditorOpenClosesTheWindow) {
    click(68, 104);  // even with a field being edited
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("80");
    host.clearCalls();
    host.close();
    EXPECT_TRUE(backend->openWindows().empty());
    EXPECT_TRUE(host.calls().empty()) << "a destroyed effect tells the host nothing";
}

// A host that closes the editor from inside the host idle call the editor makes
// while a control tracks the mouse.
struct ClosingHost {
    static AEffect*& effect() {
        static AEffect* e = nullptr;
        return e;
    }
    static int& idleCalls() {
        static int n = 0;
        return n;
    }
    static VstIntPtr callback(AEffect* e, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
        if (opcode == audioMasterVersion) return 2400;
        if (opcode == audioMasterIdle && e && ++idleCalls() == 1) e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
        return 0;
    }
};

TEST(EditorLifecycle, HostClosingTheEditorDuringAKnobDragIsSurvived) {
    hl::ScopedHeadlessBackend backend;
    AEffect* e = moltaroPluginMain(&ClosingHost::callback);
    ASSERT_NE(e, nullptr);
    ClosingHost::effect() = e;
    ClosingHost::idleCalls() = 0;
    int parent = 0;
    ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &parent, 0.f), 1);
    hl::HeadlessWindow* window = backend->window();
    // A long drag: the knob asks the host to idle, which closes the editor under it.
    window->move(67, 70);
    window->press();
    for (int i = 0; i < 60; ++i) window->move(67, 70 - i);
    window->release();
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
    EXPECT_GE(ClosingHost::idleCalls(), 1);
    EXPECT_TRUE(backend->openWindows().empty());
    auto* editor = dynamic_cast<MoltaroEditor*>(static_cast<AudioEffect*>(e->object)->getEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->getFrame(), nullptr);
    // It opens again as new.
    ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &parent, 0.f), 1);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
    EXPECT_EQ(backend->openWindows().size(), 1u);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
    EXPECT_TRUE(backend->openWindows().empty());
}

// CPU time of this thread in microseconds.
double threadMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Not a check but a measurement, printed for the notes: what 1000 host idle calls
// cost with nothing to draw, with the OVER lamp and its readout changing at every
// call, and (100 calls) with the host automating a knob.
TEST_F(EditorTest, IdleCost) {
    settle();
    double t0 = threadMicroseconds();
    for (int i = 0; i < 1000; ++i) idle();
    const double quiet = threadMicroseconds() - t0;

    t0 = threadMicroseconds();
    for (int i = 0; i < 1000; ++i) {
        effect().engine.peakL.store(0.4f + 0.35f * static_cast<float>(std::sin(i * 0.7)) + (i % 50 == 0 ? 0.5f : 0.f));
        effect().engine.blockCount.fetch_add(200);
        idle();
    }
    const double lamp = threadMicroseconds() - t0;

    t0 = threadMicroseconds();
    for (int i = 0; i < 100; ++i) {
        host.setParameter(kParamDecay, (i % 20) / 20.f);
        idle();
    }
    const double automated = threadMicroseconds() - t0;
    std::printf("[ idle cost ] 1000 idles, nothing dirty: %.1f ms (%.1f us each)\n", quiet / 1e3, quiet / 1e3);
    std::printf("[ idle cost ] 1000 idles, lamp animating: %.1f ms (%.1f us each)\n", lamp / 1e3, lamp / 1e3);
    std::printf("[ idle cost ] 100 idles, host automating a knob: %.1f ms (%.1f us each)\n", automated / 1e3,
                automated / 1e2);
    RecordProperty("idle_quiet_us", static_cast<int>(quiet / 1000));
    RecordProperty("idle_lamp_us", static_cast<int>(lamp / 1000));
    EXPECT_GT(editor->getHeldPeak(), 0.0);
}

}  // namespace
}  // namespace editor_test

namespace {
const auto* const releaseCachesAtExit = ::testing::AddGlobalTestEnvironment(new editor_test::ReleaseDrawingCaches);
}  // namespace
