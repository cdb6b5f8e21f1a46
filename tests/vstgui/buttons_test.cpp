// The movie bitmap, the on/off and kick buttons, the rocker switch and the slider.

#include "ToolkitFixture.h"

#include <cmath>

namespace toolkit_test {
namespace {

constexpr int kStrip9 = 9101;
constexpr int kStrip2 = 9102;
constexpr int kStrip3 = 9103;
constexpr int kHandle = 9104;
constexpr int kBack = 9105;

class ButtonsTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        registerStrip(kStrip9, 9, 20, 10);
        registerStrip(kStrip2, 2, 20, 10);
        registerStrip(kStrip3, 3, 20, 10);
    }
    int imageAt(CControl* c, int x, int y) {
        c->setDirty(true);
        frame->idle();
        return stripIndexOf(pixel(x, y));
    }
};

TEST_F(ButtonsTest, MovieBitmapRoundsItsImage) {
    CBitmap* strip = new CBitmap(kStrip9);
    auto* movie = new CMovieBitmap(CRect(10, 10, 30, 20), nullptr, 1, 9, 10, strip);
    strip->forget();
    frame->addView(movie);
    const std::pair<float, int> cases[] = {{0.5f, 4}, {0.07f, 1}, {0.f, 0}, {-0.3f, 0}, {1.f, 8}, {0.99f, 8}};
    for (const auto& c : cases) {
        movie->setValue(c.first);
        EXPECT_EQ(movie->getImageIndex(), c.second) << c.first;
        EXPECT_EQ(imageAt(movie, 20, 15), c.second) << c.first;
    }
    // Above 1 is taken as 1 when drawn.
    movie->setValue(3.f);
    EXPECT_EQ(imageAt(movie, 20, 15), 8);
    EXPECT_FLOAT_EQ(movie->getValue(), 1.f);
    movie->setValue(std::nanf(""));  // not a number: the first image, not a wild offset
    EXPECT_EQ(movie->getImageIndex(), 0);
    // Each algorithm value k/9 + 0.01 scaled by 9/8 shows picture k.
    for (int k = 0; k < 9; ++k) {
        movie->setValue((k / 9.f + 0.01f) * 9.f * 0.125f);
        EXPECT_EQ(movie->getImageIndex(), k);
    }
}

TEST_F(ButtonsTest, OnOffButtonTogglesAndTellsOnceAroundTheRedraw) {
    CBitmap* strip = new CBitmap(kStrip2);
    auto* button = new COnOffButton(CRect(10, 10, 30, 20), &recorder, 5, strip);
    strip->forget();
    frame->addView(button);
    EXPECT_EQ(imageAt(button, 20, 15), 0);
    window->click(20, 15);
    run();
    EXPECT_FLOAT_EQ(button->getValue(), 1.f);
    EXPECT_EQ(stripIndexOf(pixel(20, 15)), 1);
    const std::vector<std::string> once = {"begin 5", "value 5", "end 5"};
    EXPECT_EQ(recorder.events, once);
    // Style 0: the idle pass (redraw) comes before the listener hears of it.
    recorder.clear();
    int idleBefore = -1;
    struct Probe : CControlListener {
        Recorder* r;
        int* seen;
        void valueChanged(CDrawContext*, CControl*) override { *seen = r->idleCalls; }
    } probe;
    probe.r = &recorder;
    probe.seen = &idleBefore;
    button->setListener(&probe);
    const int idles = recorder.idleCalls;
    window->click(20, 15);
    run();
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);
    EXPECT_EQ(idleBefore, idles + 1);
    // Style 1: the listener first.
    button->setStyle(kPreListenerUpdate);
    const int idles2 = recorder.idleCalls;
    window->click(20, 15);
    run();
    EXPECT_EQ(idleBefore, idles2);
    // The right button does nothing.
    window->click(20, 15, pf::kButtonRight);
    run();
    EXPECT_FLOAT_EQ(button->getValue(), 1.f);
}

TEST_F(ButtonsTest, KickButtonIsOnOnlyWhileHeldOverIt) {
    CBitmap* strip = new CBitmap(kStrip2);
    auto* kick = new CKickButton(CRect(10, 10, 30, 20), &recorder, 6, 10, strip);
    strip->forget();
    frame->addView(kick);
    window->move(20, 15);
    window->press();
    window->move(22, 16);
    window->move(50, 50);  // off the button
    window->move(25, 12);  // back on
    window->release();
    run();
    EXPECT_EQ(recorder.values, (std::vector<float>{1.f, 0.f, 1.f, 0.f}));
    EXPECT_EQ(recorder.events.front(), "begin 6");
    EXPECT_EQ(recorder.events.back(), "end 6");
    EXPECT_FLOAT_EQ(kick->getValue(), 0.f);
    EXPECT_EQ(imageAt(kick, 20, 15), 0);
    kick->setValue(1.f);
    EXPECT_EQ(imageAt(kick, 20, 15), 1);
}

TEST_F(ButtonsTest, KickButtonWithAModifierTogglesOnceAndReturnsToZero) {
    CBitmap* strip = new CBitmap(kStrip2);
    auto* kick = new CKickButton(CRect(10, 10, 30, 20), &recorder, 6, 10, strip);
    strip->forget();
    frame->addView(kick);
    window->setModifiers(kShift);
    window->move(20, 15);
    window->press();
    window->move(60, 60);  // held or moved, it does not follow the pointer
    window->release();
    window->setModifiers(0);
    run();
    const std::vector<std::string> expected = {"modifier 6 9", "begin 6", "value 6", "value 6", "end 6"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(recorder.values, (std::vector<float>{1.f, 0.f}));
    EXPECT_FLOAT_EQ(kick->getValue(), 0.f);
    // The listener may take the click instead.
    recorder.clear();
    recorder.modifierAnswer = 1;
    window->setModifiers(kShift);
    window->click(20, 15);
    window->setModifiers(0);
    run();
    EXPECT_EQ(recorder.events, std::vector<std::string>{"modifier 6 9"});
}

TEST_F(ButtonsTest, RockerSwitchFollowsTheHalvesAndSpringsBack) {
    CBitmap* strip = new CBitmap(kStrip3);
    auto* rocker = new CRockerSwitch(CRect(10, 10, 30, 20), &recorder, 7, 10, strip);
    strip->forget();
    frame->addView(rocker);
    EXPECT_EQ(imageAt(rocker, 20, 15), 1);
    window->move(12, 15);
    window->press();
    window->move(28, 15);
    window->move(100, 100);  // outside: unchanged
    window->release();
    run();
    EXPECT_EQ(recorder.values, (std::vector<float>{-1.f, 1.f, 0.f}));
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.f);
    rocker->setValue(-1.f);
    EXPECT_EQ(imageAt(rocker, 20, 15), 0);
    rocker->setValue(1.f);
    EXPECT_EQ(imageAt(rocker, 20, 15), 2);
}

TEST_F(ButtonsTest, VerticalRockerSwitchUsesTheUpperAndLowerHalves) {
    CBitmap* strip = new CBitmap(kStrip3);
    auto* rocker = new CRockerSwitch(CRect(50, 10, 70, 30), &recorder, 8, 10, strip, CPoint(), kVertical);
    strip->forget();
    frame->addView(rocker);
    window->move(55, 12);
    window->press();
    window->move(65, 28);
    window->release();
    window->click(60, 25, pf::kButtonRight);  // any button rocks it
    run();
    EXPECT_EQ(recorder.values, (std::vector<float>{-1.f, 1.f, 0.f, 1.f, 0.f}));
    EXPECT_EQ(recorder.count("begin 8"), 2);
    EXPECT_EQ(recorder.count("end 8"), 2);
}

class SliderTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        registerSolid(kHandle, 21, 9, 0xffff0000u);
        registerSolid(kBack, 200, 150, 0xff0000ffu);
        CBitmap* handle = new CBitmap(kHandle);
        CBitmap* back = new CBitmap(kBack);
        // The handle's left edge travels 45 .. 219 (174 pixels).
        slider = new CHorizontalSlider(CRect(45, 77, 240, 86), &recorder, 2, 45, 219, handle, back, CPoint(45, 77));
        handle->forget();
        back->forget();
        slider->setFreeClick(false);
        frame->addView(slider);
    }
    CHorizontalSlider* slider = nullptr;
};

TEST_F(SliderTest, HandleIsDrawnAtItsTravelAndTheBackgroundBehindIt) {
    EXPECT_TRUE(slider->getStyle() & kHorizontal);
    slider->setValue(0.f);
    slider->setDirty(true);
    frame->idle();
    EXPECT_EQ(pixel(45, 80), 0xffff0000u);
    EXPECT_EQ(pixel(66, 80), 0xff0000ffu);
    slider->setValue(1.f);
    EXPECT_EQ(slider->getHandleRect(), CRect(219, 77, 240, 86));
    slider->setValue(0.5f);
    EXPECT_EQ(slider->getHandleRect(), CRect(132, 77, 153, 86));
    slider->setValue(7.f);  // held within the travel
    EXPECT_EQ(slider->getHandleRect().left, 219);
    slider->setValue(1e30f);
    EXPECT_EQ(slider->getHandleRect().left, 219);
    slider->setValue(-1e30f);
    EXPECT_EQ(slider->getHandleRect().left, 45);
    slider->setValue(std::nanf(""));
    EXPECT_EQ(slider->getHandleRect().left, 45);
}

TEST_F(SliderTest, DragMovesTheGrabbedHandleOverItsTravel) {
    slider->setValue(0.f);
    // A click beside the handle does nothing without free click.
    window->click(150, 80);
    run();
    EXPECT_FLOAT_EQ(slider->getValue(), 0.f);
    EXPECT_TRUE(recorder.events.empty());
    // Grab the handle 5 pixels in and move 87 pixels: half the travel.
    window->drag({50, 80}, {137, 80}, 10);
    run();
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-6);
    EXPECT_EQ(recorder.events.front(), "begin 2");
    EXPECT_EQ(recorder.events.back(), "end 2");
    // 174 pixels more runs to the end and stays there.
    window->drag({137, 80}, {400, 80}, 10);
    run();
    EXPECT_FLOAT_EQ(slider->getValue(), 1.f);
}

TEST_F(SliderTest, ShiftMovesTenTimesFinerFromWhereItWasPressed) {
    slider->setValue(0.f);
    window->move(50, 80);
    window->press();
    window->setModifiers(kShift);
    window->move(137, 80);  // 87 pixels = 0.5 of the travel, a tenth of it
    window->release();
    window->setModifiers(0);
    run();
    EXPECT_NEAR(slider->getValue(), 0.05f, 1e-6);
}

TEST_F(SliderTest, FreeClickJumpsAndControlClickResets) {
    slider->setFreeClick(true);
    slider->setValue(0.f);
    window->click(142, 80);  // handle centre to the pointer: left edge 132 = 87 in
    run();
    EXPECT_NEAR(slider->getValue(), 0.5f, 1e-6);
    slider->setDefaultValue(0.f);
    recorder.clear();
    window->setModifiers(kControl);
    window->click(142, 80);
    window->setModifiers(0);
    run();
    EXPECT_FLOAT_EQ(slider->getValue(), 0.f);
    const std::vector<std::string> expected = {"modifier 2 17", "begin 2", "value 2", "end 2"};
    EXPECT_EQ(recorder.events, expected);
}

TEST_F(SliderTest, VerticalSliderFromTheBottomRunsUpwards) {
    CBitmap* handle = new CBitmap(kHandle);  // 21 x 9
    // The handle's top edge travels 10 .. 100 (window y); value 1 at the top.
    auto* vertical = new CSlider(CRect(150, 10, 171, 109), &recorder, 12, 10, 100, handle, nullptr, CPoint(),
                                 kVertical | kBottom);
    handle->forget();
    frame->addView(vertical);
    vertical->setValue(0.f);
    EXPECT_EQ(vertical->getHandleRect(), CRect(150, 100, 171, 109));
    vertical->setValue(1.f);
    EXPECT_EQ(vertical->getHandleRect(), CRect(150, 10, 171, 19));
    // A free click centres the handle on the pointer: top edge 55 - 4 = 51, half way.
    vertical->setValue(0.f);
    window->click(160, 59);
    run();
    EXPECT_NEAR(vertical->getValue(), 0.5f, 1e-6);
    // Dragging up raises it; the horizontal position does not matter.
    window->drag({160, 59}, {10, 14}, 6);
    run();
    EXPECT_FLOAT_EQ(vertical->getValue(), 1.f);
    // Keys and the wheel step it like a knob.
    VstKeyCode down;
    down.virt = VKEY_DOWN;
    EXPECT_EQ(vertical->onKeyDown(down), 1);
    EXPECT_NEAR(vertical->getValue(), 0.9f, 1e-6);
}

TEST_F(SliderTest, RightStyleRunsTheOtherWay) {
    CBitmap* handle = new CBitmap(kHandle);
    auto* inverse = new CHorizontalSlider(CRect(0, 100, 100, 110), &recorder, 9, 0, 79, handle, nullptr,
                                          CPoint(), kRight);
    handle->forget();
    frame->addView(inverse);
    inverse->setValue(0.f);
    EXPECT_EQ(inverse->getHandleRect().left, 79);
    inverse->setValue(1.f);
    EXPECT_EQ(inverse->getHandleRect().left, 0);
}

}  // namespace
}  // namespace toolkit_test
