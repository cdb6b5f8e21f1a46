// The OVER lamp (its state rule, readout and the editor's peak hold fed from the
// effect's meters) and the about screen over the upper part of the window.

#include "EditorFixture.h"

#include "editor/CAbout.h"
#include "editor/CTextLED.h"

#include <cstring>

namespace editor_test {
namespace {

// Lamp rectangle 226,209,239,222; readout 210,229,255,242.
constexpr int kLampX = 232, kLampY = 215;

class LampTest : public EditorTest {
protected:
    CTextLED* lamp() { return editor->getLamp(); }
    std::string readout() {
        char text[32];
        lamp()->getReadout(text);
        return text;
    }
    // Feeds the meters as the output stage would, then idles.
    void meter(float peak, int blocks = 0) {
        effect().engine.peakL.store(peak);
        effect().engine.peakR.store(peak);
        effect().engine.blockCount.fetch_add(blocks);  // the output stage counts on
        idle();
    }
    int holdBlocks() { return effect().engine.meterHoldBlocks.load(); }
    // The ink of the readout: how many pixels differ clearly from the field's light
    // background, and how red they are on average (red minus the mean of green and blue).
    struct Ink {
        int pixels = 0;
        double redness = 0;
    };
    Ink readoutInk() {
        Ink ink;
        for (int y = 229; y < 242; ++y)
            for (int x = 212; x < 253; ++x) {
                const pf::Color p = window->frameBuffer().colorAt(x, y);
                if (std::abs(p.r - 237) + std::abs(p.g - 235) + std::abs(p.b - 213) < 60) continue;
                if (p.r < 150 && p.g < 150 && p.b < 150 && std::abs(p.r - p.g) < 8 && p.b < 120) continue;  // frame
                ++ink.pixels;
                ink.redness += p.r - (p.g + p.b) / 2.0;
            }
        if (ink.pixels) ink.redness /= ink.pixels;
        return ink;
    }
};

TEST(TextLED, StateRuleLatchesTheEndOfAnOverloadUntilReset) {
    CTextLED led(CRect(0, 0, 13, 13), CRect(0, 20, 45, 33), nullptr, 18, nullptr, nullptr);
    EXPECT_EQ(led.getImageIndex(), 2);
    led.setStateAndLevel(1.f, 1.0);
    EXPECT_EQ(led.getImageIndex(), 0);
    char text[32];
    led.getReadout(text);
    EXPECT_STREQ(text, "0.00dB");
    EXPECT_EQ(led.getReadoutColor(), CTextLED::kOverColor);
    led.setStateAndLevel(0.f, 0.5);
    EXPECT_EQ(led.getImageIndex(), 1);
    EXPECT_TRUE(led.isLatched());
    led.getReadout(text);
    EXPECT_STREQ(text, "-6.02dB");
    EXPECT_EQ(led.getReadoutColor(), CTextLED::kNormalColor);
    EXPECT_DOUBLE_EQ(led.getPreviousLevel(), 1.0);
    // Quiet again: still latched; a new overload lights it; only reset clears it.
    led.setStateAndLevel(0.f, 0.0);
    EXPECT_EQ(led.getImageIndex(), 1);
    led.getReadout(text);
    EXPECT_STREQ(text, "-oodB");
    led.setStateAndLevel(0.7f, 1.2);
    EXPECT_EQ(led.getImageIndex(), 0);
    led.setStateAndLevel(0.f, 0.1);
    EXPECT_EQ(led.getImageIndex(), 1);
    const float before = led.getValue();
    led.reset();
    EXPECT_EQ(led.getImageIndex(), 2);
    EXPECT_FALSE(led.isLatched());
    EXPECT_NE(led.getValue(), before) << "reset must make the lamp redraw";
}

TEST(TextLED, StatesAreClampedAndNearZeroIsOff) {
    CTextLED led(CRect(0, 0, 13, 13), CRect(0, 20, 45, 33), nullptr, 18, nullptr, nullptr);
    led.setState(100.f);
    EXPECT_FLOAT_EQ(led.getState(), 4.f);
    led.setState(-100.f);  // the end of an overload: latched, not -4
    EXPECT_FLOAT_EQ(led.getState(), -1.f);
    led.reset();
    led.setState(-100.f);  // not over before: taken as it is, clamped
    EXPECT_FLOAT_EQ(led.getState(), -4.f);
    EXPECT_TRUE(led.isLatched());
    led.reset();
    led.setState(1e-12f);
    EXPECT_FLOAT_EQ(led.getState(), 1e-9f);
    led.setStateAndLevel(1e-7f, 0.0);
    EXPECT_FLOAT_EQ(led.getState(), 1e-8f);
    led.setLevel(0.25);
    EXPECT_DOUBLE_EQ(led.getLevel(), 0.25);
    EXPECT_FLOAT_EQ(led.getValue(), 0.25f + 1e-8f);
}

TEST_F(LampTest, OverloadLightsTheLampAndLeavesItLatchedWithTheReadout) {
    EXPECT_EQ(lamp()->getImageIndex(), 2);
    EXPECT_EQ(readout(), "-oodB");
    const uint32_t dark = pixel(kLampX, kLampY);

    meter(1.0f);
    meter(1.0f);  // still over at the next idle, which draws the lamp
    EXPECT_EQ(lamp()->getImageIndex(), 0);
    EXPECT_EQ(readout(), "0.00dB");
    EXPECT_NE(pixel(kLampX, kLampY), dark);
    Ink ink = readoutInk();
    EXPECT_GT(ink.pixels, 10);
    EXPECT_GT(ink.redness, 30) << "0.00dB is written in red";
    const uint32_t lit = pixel(kLampX, kLampY);

    // The peak falls: the hold keeps the readout until its time is up.
    meter(0.5f, holdBlocks() / 2);
    EXPECT_EQ(lamp()->getImageIndex(), 1);
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), 1.0);
    meter(0.5f, holdBlocks());
    idle();
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), 0.5);
    EXPECT_EQ(readout(), "-6.02dB");
    ink = readoutInk();
    EXPECT_GT(ink.pixels, 10);
    EXPECT_LT(ink.redness, 10) << "-6.02dB is written in grey";
    const uint32_t latched = pixel(kLampX, kLampY);
    EXPECT_NE(latched, lit);
    EXPECT_NE(latched, dark);

    // A click on the lamp clears the latch and the held peak.
    host.clearCalls();
    click(kLampX, kLampY);
    EXPECT_FALSE(lamp()->isLatched());
    EXPECT_EQ(lamp()->getImageIndex(), 2);
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), 0.0);
    meter(0.f);
    idle();
    EXPECT_EQ(readout(), "-oodB");
    EXPECT_EQ(pixel(kLampX, kLampY), dark);
    EXPECT_EQ(gestures(), "") << "the lamp edits no parameter";
}

TEST_F(LampTest, AnOverloadOnEitherChannelAloneLightsTheLamp) {
    // Dry signal only, at unity gain: the output is the input.
    host.setParameter(kParamMix, 0.0f);
    host.setParameter(kParamOutput, 0.5f);
    host.startAudio();
    for (int right = 0; right < 2; ++right) {
        SCOPED_TRACE(right ? "right channel" : "left channel");
        lamp()->reset();
        host.in[right].assign(512, 1.5f);
        host.in[1 - right].assign(512, 0.25f);
        host.process(512);
        ASSERT_FLOAT_EQ(host.out[right][0], 1.5f);
        idle();
        EXPECT_EQ(lamp()->getImageIndex(), 0) << "the output clips; the lamp must say so";
        EXPECT_DOUBLE_EQ(editor->getHeldPeak(), 1.5);
        EXPECT_EQ(readout(), "3.52dB");
        host.in[right].assign(512, 0.0f);
        host.in[1 - right].assign(512, 0.0f);
        host.process(512);
        meter(0.0f, holdBlocks());
    }
}

TEST_F(LampTest, ReadoutSurvivesARedrawOfTheWholeWindow) {
    meter(0.5f);
    idle();
    const int ink = readoutInk().pixels;
    ASSERT_GT(ink, 10);
    host.setParameter(kParamDecay, 0.3f);  // redraws the whole window
    meter(0.5f);
    idle();
    EXPECT_EQ(readoutInk().pixels, ink);
}

TEST_F(LampTest, PeakHoldCountsOnlyTheBlocksSinceTheLastPeak) {
    // A long rise: many blocks go by while the peak keeps growing.
    for (int i = 1; i <= 10; ++i) meter(0.05f * i, holdBlocks());
    ASSERT_DOUBLE_EQ(editor->getHeldPeak(), static_cast<double>(0.5f));
    // Just after the rise the hold still holds.
    meter(0.1f, 1);
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), static_cast<double>(0.5f));
    meter(0.1f, holdBlocks());
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), static_cast<double>(0.1f));
}

TEST_F(LampTest, IdleReadsAndClearsTheMeters) {
    meter(0.3f, 5);
    EXPECT_FLOAT_EQ(effect().engine.peakL.load(), 0.f);
    EXPECT_FLOAT_EQ(effect().engine.peakR.load(), 0.f);
    EXPECT_EQ(effect().engine.blockCount.load(), 0);
}

TEST_F(LampTest, ClosedEditorStillHoldsAndClearsThePeaks) {
    closeEditor();
    meter(0.8f, 3);
    EXPECT_FLOAT_EQ(effect().engine.peakL.load(), 0.f);
    EXPECT_DOUBLE_EQ(editor->getHeldPeak(), static_cast<double>(0.8f));
}

TEST_F(LampTest, AboutScreenOpensOverTheUpperRowsAndAClickClosesIt) {
    const pf::Image before = window->frameBuffer();
    click(150, 12);
    CAbout* about = editor->getAbout();
    ASSERT_FLOAT_EQ(about->getValue(), 1.f);
    CView* modal = frame()->getModalView();
    ASSERT_NE(modal, nullptr);
    ASSERT_TRUE(modal->isTypeOf("CSplashScreenMyView"));
    CRect shown;
    modal->getViewSize(shown);
    EXPECT_EQ(shown, CRect(0, 0, 300, 262));

    // The upper 262 rows show the about picture, the preset bar stays.
    const pf::Image& now = window->frameBuffer();
    int changedAbove = 0, changedBelow = 0;
    for (int y = 0; y < 294; ++y)
        for (int x = 0; x < 300; ++x)
            if (now.pixel(x, y) != before.pixel(x, y)) (y < 262 ? changedAbove : changedBelow)++;
    EXPECT_GT(changedAbove, 300 * 262 / 3);
    EXPECT_EQ(changedBelow, 0);
    auto aboutPicture = pf::loadBitmapResource(MoltaroEditor::kAboutBitmap);
    ASSERT_NE(aboutPicture, nullptr);
    EXPECT_EQ(now.pixel(150, 100), aboutPicture->pixel(150, 100));
    // The version is written on the picture.
    const CRect version = static_cast<CSplashScreenMyView*>(modal)->getVersionRect();
    EXPECT_EQ(version, CRect(85, 201, 213, 216));
    int written = 0;
    for (int y = version.top; y < version.bottom; ++y)
        for (int x = version.left; x < version.right; ++x) written += now.pixel(x, y) != aboutPicture->pixel(x, y);
    EXPECT_GT(written, 20);

    // The lamp keeps its state meanwhile, and a click anywhere on the picture closes
    // it without reaching the control beneath.
    meter(2.0f);
    EXPECT_EQ(editor->getLamp()->getImageIndex(), 2);
    host.clearCalls();
    click(67, 70);  // over the TIME knob
    EXPECT_FLOAT_EQ(about->getValue(), 0.f);
    EXPECT_EQ(frame()->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.5f);
    EXPECT_EQ(gestures(), "");
    for (int y = 0; y < 262; y += 7)
        for (int x = 0; x < 300; x += 5)
            if (!(x >= 210 && x < 255 && y >= 209 && y < 242)) {
                ASSERT_EQ(now.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
    meter(2.0f);
    EXPECT_EQ(editor->getLamp()->getImageIndex(), 0) << "the lamp follows again";
}

TEST_F(LampTest, OnlyTheLeftButtonOpensAndClosesTheAboutScreen) {
    window->click(150, 12, pf::kButtonRight);
    settle();
    EXPECT_EQ(frame()->getModalView(), nullptr);
    click(150, 12);
    ASSERT_NE(frame()->getModalView(), nullptr);
    window->click(150, 150, pf::kButtonRight);
    settle();
    EXPECT_NE(frame()->getModalView(), nullptr);
    click(150, 150);
    EXPECT_EQ(frame()->getModalView(), nullptr);
}

TEST_F(LampTest, ClosingTheWindowWithTheAboutScreenOpenIsClean) {
    click(150, 12);
    ASSERT_NE(frame()->getModalView(), nullptr);
    closeEditor();
    EXPECT_TRUE(backend->openWindows().empty());
    openEditor();
    EXPECT_EQ(frame()->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(editor->getAbout()->getValue(), 0.f);
}

}  // namespace
}  // namespace editor_test
