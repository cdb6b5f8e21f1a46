// The toolkit demo: its picture against the committed reference, and a few
// interactions through the whole stack.

#include "ToolkitFixture.h"

#ifdef MOLTARO_HAVE_TOOLKIT_DEMO

#include "ToolkitDemo.h"

#include <cstdlib>
#include <cstdio>
#include "support/PixelCompare.h"

namespace toolkit_test {
namespace {

using toolkit_demo::ToolkitDemo;

const std::string kReference = std::string(MOLTARO_SOURCE_DIR) + "/tests/vstgui/reference/toolkit-demo.png";

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(demo.open(&parentToken));
        window = backend->window();
        ASSERT_NE(window, nullptr);
        settle();
    }
    void settle() {
        window->run();
        demo.getFrame()->idle();
    }

    hl::ScopedHeadlessBackend backend;
    int parentToken = 0;
    ToolkitDemo demo;
    hl::HeadlessWindow* window = nullptr;
};

using testsupport::differingPixels;

TEST_F(DemoTest, MatchesTheReferencePicture) {
    const pf::Image& shown = window->frameBuffer();
    if (std::getenv("MOLTARO_UPDATE_REFERENCES")) {
        ASSERT_TRUE(window->writePng(kReference));
    }
    pf::Image reference;
    ASSERT_TRUE(hl::readPng(kReference, reference)) << "missing " << kReference;
    ASSERT_EQ(reference.width(), shown.width());
    ASSERT_EQ(reference.height(), shown.height());
    // Font rendering may differ slightly between machines; everything else is exact.
    const int differing = differingPixels(shown, reference, 24);
    const std::string actual = std::string(MOLTARO_BUILD_DIR) + "/toolkit-demo-actual.png";
    if (differing > shown.width() * shown.height() / 500) window->writePng(actual);
    EXPECT_LE(differing, shown.width() * shown.height() / 500) << "see " << actual;
}

TEST_F(DemoTest, HoldsOneOfEveryStandardControl) {
    const char* classes[] = {"CAnimKnob", "CKnob", "CMovieBitmap", "CSlider", "CHorizontalSlider", "COnOffButton",
                             "CKickButton", "CRockerSwitch", "CParamDisplay", "CTextEdit", "COptionMenu",
                             "CSplashScreen"};
    CFrame* frame = demo.getFrame();
    for (const char* name : classes) {
        bool found = false;
        for (long i = 0; i < frame->getNbViews() && !found; ++i) found = frame->getView(i)->isTypeOf(name);
        EXPECT_TRUE(found) << name;
    }
}

TEST_F(DemoTest, DraggingTheFilmKnobMovesItAndWhatFollowsIt) {
    CAnimKnob* knob = demo.getAnimKnob();
    ASSERT_FLOAT_EQ(knob->getValue(), 0.5f);
    window->drag({48, 62}, {48, 22}, 8);  // 40 pixels up: +0.2
    settle();
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    EXPECT_NEAR(demo.getValueDisplay()->getValue(), 0.7f, 1e-5);
    EXPECT_GE(demo.changes(), 1);
    EXPECT_FALSE(window->scriptRanDry());
}

TEST_F(DemoTest, TitleOpensTheSplashAndAClickClosesIt) {
    const uint32_t before = window->frameBuffer().pixel(180, 120);
    window->click(100, 10);
    settle();
    ASSERT_NE(demo.getFrame()->getModalView(), nullptr);
    EXPECT_NE(window->frameBuffer().pixel(180, 120), before);
    window->click(180, 120);
    settle();
    EXPECT_EQ(demo.getFrame()->getModalView(), nullptr);
    EXPECT_EQ(window->frameBuffer().pixel(180, 120), before);
}

TEST_F(DemoTest, MenuAndTextEditWorkThroughTheFrame) {
    window->answerMenu(0, 8);
    window->click(190, 180);
    settle();
    EXPECT_EQ(demo.getMenu()->getCurrent(), 8);
    window->click(60, 180);
    settle();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("typed");
    window->textField()->pressEnter();
    EXPECT_STREQ(demo.getTextEdit()->getTextPointer(), "typed");
}

TEST(DemoLifecycle, OpeningAndClosingAHundredTimesLeavesNothingBehind) {
    hl::ScopedHeadlessBackend backend;
    ToolkitDemo demo;
    int parent = 0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(demo.open(&parent));
        backend->window()->run();
        demo.getFrame()->idle();
        demo.close();
        ASSERT_TRUE(backend->openWindows().empty());
    }
    EXPECT_EQ(backend->windowsCreated(), 100);
}

}  // namespace
}  // namespace toolkit_test

#endif
