// Knobs: the film-strip image for a value, linear and circular dragging, the
// reset to default, wheel and keys.

#include "ToolkitFixture.h"

#include <cmath>

namespace toolkit_test {
namespace {

constexpr int kStripId = 9001;

class KnobTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        registerStrip(kStripId, 51, 40, 40);
        CBitmap* strip = new CBitmap(kStripId);
        knob = new CAnimKnob(CRect(40, 30, 80, 70), &recorder, 3, 51, 40, strip);
        strip->forget();
        frame->addView(knob);
        recorder.knobMode = kLinearMode;
    }
    int shownImage() {
        knob->setDirty(true);
        frame->idle();
        return stripIndexOf(pixel(60, 50));
    }
    CAnimKnob* knob = nullptr;  // owned by the frame
};

TEST_F(KnobTest, FilmStripImageFollowsTheValue) {
    knob->setValue(0.5f);
    EXPECT_EQ(knob->getImageIndex(), 25);
    EXPECT_EQ(shownImage(), 25);
    knob->setValue(1.f);
    EXPECT_EQ(shownImage(), 50);
    knob->setValue(0.f);
    EXPECT_EQ(shownImage(), 0);
    knob->setValue(0.999f);  // truncated, not rounded
    EXPECT_EQ(shownImage(), 49);
    knob->setInverseBitmap(true);
    knob->setValue(0.f);
    EXPECT_EQ(shownImage(), 50);
    knob->setInverseBitmap(false);
    knob->setValue(1.7f);  // beyond the strip: stays on the last image
    EXPECT_EQ(shownImage(), 50);
    knob->setValue(1e30f);
    EXPECT_EQ(knob->getImageIndex(), 50);
    knob->setValue(std::nanf(""));
    EXPECT_EQ(knob->getImageIndex(), 0);
    knob->setValue(-1e30f);
    EXPECT_EQ(knob->getImageIndex(), 0);
}

TEST_F(KnobTest, LinearDragOf200PixelsCoversTheRange) {
    knob->setValue(0.f);
    window->drag({60, 50}, {60, -150}, 20);  // 200 pixels up
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.front(), "begin 3");
    EXPECT_EQ(recorder.events.back(), "end 3");

    // Halfway, and right counts like up.
    knob->setValue(0.f);
    window->drag({60, 50}, {160, 50}, 10);
    run();
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    // Down and left decrease.
    window->drag({60, 50}, {35, 75}, 5);
    run();
    EXPECT_NEAR(knob->getValue(), 0.25f, 1e-6);
    EXPECT_FALSE(window->scriptRanDry());
}

TEST_F(KnobTest, ShiftMakesTheDragFinerAndRebasesWhenItChanges) {
    knob->setValue(0.f);
    window->setModifiers(kShift);
    window->drag({60, 50}, {60, -250}, 30);  // 300 pixels with Shift
    window->setModifiers(0);
    run();
    EXPECT_NEAR(knob->getValue(), 1.f, 1e-5);

    // 150 pixels with Shift (0.5), then Shift let go and 50 more pixels (0.25):
    // no jump when Shift changes.
    knob->setValue(0.f);
    window->setModifiers(kShift);
    window->move(60, 50);
    window->press();
    for (int i = 1; i <= 15; ++i) window->move(60, 50 - 10 * i);
    window->setModifiers(0);
    window->move(60, -100);  // no movement: the value must not jump
    for (int i = 1; i <= 5; ++i) window->move(60, -100 - 10 * i);
    window->release();
    recorder.clear();
    run();
    EXPECT_NEAR(knob->getValue(), 0.75f, 1e-5);
    for (size_t i = 1; i < recorder.values.size(); ++i)
        EXPECT_LE(recorder.values[i] - recorder.values[i - 1], 0.05f + 1e-6) << "jump at report " << i;
}

TEST_F(KnobTest, ControlClickResetsToTheDefault) {
    knob->setValue(0.9f);
    knob->setDefaultValue(0.25f);
    window->setModifiers(kControl);
    window->click(60, 50);
    window->setModifiers(0);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    // Offered to the listener first, then begin edit, valueChanged, end edit.
    const std::vector<std::string> expected = {"modifier 3 17", "begin 3", "value 3", "end 3"};
    EXPECT_EQ(recorder.events, expected);

    // A plain click (no Control) leaves the value alone.
    recorder.clear();
    window->click(60, 50);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    EXPECT_EQ(recorder.count("value 3"), 0);

    // Only left + Control exactly: with Shift as well it is an ordinary click.
    knob->setValue(0.9f);
    frame->idle();
    recorder.clear();
    window->setModifiers(kControl | kShift);
    window->click(60, 50);
    window->setModifiers(0);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);
    EXPECT_EQ(recorder.count("value 3"), 0);
    EXPECT_EQ(recorder.events.front(), "modifier 3 25");
}

TEST_F(KnobTest, ListenerMayTakeModifierClicks) {
    recorder.modifierAnswer = 1;
    knob->setValue(0.9f);
    window->setModifiers(kControl);
    window->click(60, 50);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"modifier 3 17"});
}

TEST_F(KnobTest, OnlyTheLeftButtonDragsAndDisabledKnobsIgnoreClicks) {
    knob->setValue(0.f);
    window->drag({60, 50}, {60, 0}, 5, pf::kButtonRight);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    knob->setMouseEnabled(false);
    window->drag({60, 50}, {60, 0}, 5);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(KnobTest, CircularModeFollowsTheAngleAndStopsAtTheGap) {
    recorder.knobMode = kCircularMode;
    // The knob's centre is (60, 50). Straight up is the middle of the -270 degree arc.
    CPoint up(60, 30);
    EXPECT_NEAR(knob->valueFromPoint(up), 0.5f, 1e-4);
    CPoint right(80, 50);  // 0 degrees: 225 of 270 degrees along
    EXPECT_NEAR(knob->valueFromPoint(right), 225.f / 270.f, 1e-4);
    CPoint belowLeft(59, 70);  // in the gap, nearer the start
    EXPECT_FLOAT_EQ(knob->valueFromPoint(belowLeft), 0.f);
    CPoint belowRight(61, 70);  // in the gap, nearer the end
    EXPECT_FLOAT_EQ(knob->valueFromPoint(belowRight), 1.f);

    // Dragging round to straight up gives 0.5; onwards past the end into the gap
    // stops at 1 instead of wrapping to 0.
    knob->setValue(0.f);
    window->move(45, 65);
    window->press();
    window->move(40, 50);
    window->move(60, 30);
    window->move(80, 50);
    window->move(75, 65);
    window->move(61, 75);
    window->move(59, 75);  // across the gap: must not jump to 0
    window->release();
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);

    // Alt turns the linear knob mode into circular and the circular into linear.
    recorder.knobMode = kLinearMode;
    knob->setValue(0.f);
    window->setModifiers(kAlt);
    window->drag({45, 65}, {60, 30}, 4);
    window->setModifiers(0);
    run();
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-4);
}

TEST_F(KnobTest, RelativeCircularModeTurnsFromTheCurrentValue) {
    recorder.knobMode = kRelativCircularMode;
    knob->setValue(0.5f);
    // Clicking anywhere does not jump; a quarter turn clockwise adds 90/270.
    window->move(60, 30);  // straight up
    window->press();
    window->move(74, 36);
    window->move(80, 50);  // three o'clock
    window->release();
    run();
    EXPECT_NEAR(knob->getValue(), 0.5f + 90.f / 270.f, 0.01f);
}

TEST_F(KnobTest, ValueToPointPutsTheHandleOnTheArc) {
    knob->setInsetValue(0);
    knob->setValue(0.5f);
    CPoint p;
    knob->valueToPoint(p);
    EXPECT_EQ(p, CPoint(60, 30));
    knob->setValue(0.f);
    knob->valueToPoint(p);
    EXPECT_EQ(p, CPoint(46, 64));  // 225 degrees at radius 20
}

TEST_F(KnobTest, WheelAndArrowKeysStepByTheWheelIncrement) {
    knob->setValue(0.5f);
    frame->idle();
    window->move(60, 50);
    window->wheel(1.f);
    run();
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    const std::vector<std::string> framed = {"begin 3", "value 3", "end 3"};
    EXPECT_EQ(recorder.events, framed);

    window->setModifiers(kShift);
    window->wheel(-1.f);
    window->setModifiers(0);
    run();
    EXPECT_NEAR(knob->getValue(), 0.59f, 1e-6);

    // At the end, further steps change and report nothing.
    knob->setValue(1.f);
    frame->idle();
    recorder.clear();
    window->wheel(3.f);
    run();
    EXPECT_FLOAT_EQ(knob->getValue(), 1.f);
    EXPECT_TRUE(recorder.events.empty());

    // Keys go to the focus view (the knob became it when its edit began).
    ASSERT_EQ(frame->getFocusView(), knob);
    VstKeyCode down;
    down.virt = VKEY_DOWN;
    EXPECT_EQ(frame->onKeyDown(down), 1);
    EXPECT_NEAR(knob->getValue(), 0.9f, 1e-6);
    down.modifier = MODIFIER_SHIFT;
    frame->onKeyDown(down);
    EXPECT_NEAR(knob->getValue(), 0.89f, 1e-6);
    VstKeyCode other;
    other.character = 'a';
    EXPECT_EQ(frame->onKeyDown(other), -1);
}

}  // namespace
}  // namespace toolkit_test
