// The reverb controls operated through the headless window as a user would: each
// must change its parameter in the effect, show the new value, and tell the host
// about the edit as one begin / automate / end gesture.

#include "EditorFixture.h"

#include "editor/CMyRocker.h"

#include <cmath>
#include <thread>

namespace editor_test {
namespace {

int algorithmOf(float typeValue) { return static_cast<int>(typeValue * 9.f + 0.01f); }

// Checks that the recorded host calls form gestures "B i (A i)+ E i" for index only.
void expectGestures(const std::vector<testhost::HostCall>& calls, VstInt32 index, int gestures = 1) {
    int begun = 0, automated = 0;
    bool open = false;
    for (const auto& c : calls) {
        ASSERT_EQ(c.index, index) << "a call for another parameter";
        if (c.opcode == audioMasterBeginEdit) {
            ASSERT_FALSE(open) << "begin-edit inside an edit";
            open = true;
            ++begun;
        } else if (c.opcode == audioMasterAutomate) {
            ASSERT_TRUE(open) << "automate outside begin/end-edit";
            ++automated;
        } else {
            ASSERT_TRUE(open) << "end-edit without begin-edit";
            open = false;
        }
    }
    EXPECT_FALSE(open) << "an edit was never ended";
    EXPECT_EQ(begun, gestures);
    EXPECT_GE(automated, gestures);
}

struct KnobCase {
    const char* name;
    int parameter;
    int x, y;  // centre of the knob
};

const KnobCase kKnobs[] = {
    {"TIME", kParamDecay, 67, 70},         {"DAMP", kParamHighDamp, 232, 70},
    {"LOW GAIN", kParamLowGain, 67, 145},  {"LOW FREQ", kParamLowFreq, 122, 145},
    {"HIGH FREQ", kParamHighFreq, 177, 145}, {"HIGH GAIN", kParamHighGain, 232, 145},
    {"MIX", kParamMix, 122, 214},          {"OUTPUT", kParamOutput, 177, 214},
};

TEST_F(EditorTest, EveryKnobDragChangesItsParameterAndTellsTheHost) {
    for (const KnobCase& k : kKnobs) {
        SCOPED_TRACE(k.name);
        host.setParameter(k.parameter, 0.3f);
        idle();
        const std::string textBefore = fieldText(k.parameter);
        host.clearCalls();
        // Linear mode: 200 pixels for the whole range, so 40 pixels up is +0.2.
        drag({k.x, k.y}, {k.x, k.y - 40}, 8);
        EXPECT_NEAR(host.getParameter(k.parameter), 0.5f, 1e-4);
        EXPECT_NEAR(editor->getKnob(k.parameter)->getValue(), 0.5f, 1e-4);
        EXPECT_NE(fieldText(k.parameter), textBefore);
        expectGestures(gestureCalls(), k.parameter);
        EXPECT_NEAR(lastAutomated(k.parameter), 0.5f, 1e-4);
        EXPECT_FALSE(window->scriptRanDry());
        // The knob shows the image for its new value.
        EXPECT_EQ(static_cast<CAnimKnob*>(editor->getKnob(k.parameter))->getImageIndex(), 25);
    }
}

TEST_F(EditorTest, KnobDragsRightAndAreClampedAtTheEnds) {
    host.setParameter(kParamMix, 0.9f);
    idle();
    drag({122, 214}, {122 + 100, 214}, 5);  // right counts like up: +0.5, clamped
    EXPECT_FLOAT_EQ(host.getParameter(kParamMix), 1.0f);
    EXPECT_EQ(fieldText(kParamMix), "100%");
    drag({122, 214}, {122, 214 + 300}, 5);
    EXPECT_FLOAT_EQ(host.getParameter(kParamMix), 0.0f);
    EXPECT_EQ(fieldText(kParamMix), "0%");
}

TEST_F(EditorTest, ControlClickOnAKnobRestoresItsDefault) {
    host.setParameter(kParamHighDamp, 0.9f);
    idle();
    host.clearCalls();
    window->move(232, 70);
    window->setModifiers(pf::kModControl);
    window->press();
    window->release();
    window->setModifiers(0);
    settle();
    EXPECT_NEAR(host.getParameter(kParamHighDamp), 0.2f, 1e-6);
    expectGestures(gestureCalls(), kParamHighDamp);
}

TEST_F(EditorTest, SliderDragMovesPreDelayOnlyWhenTheHandleIsGrabbed) {
    ASSERT_FLOAT_EQ(host.getParameter(kParamPreDelay), 0.f);
    // A click beside the handle does nothing: the slider wants its handle.
    click(150, 181);
    EXPECT_FLOAT_EQ(host.getParameter(kParamPreDelay), 0.f);
    EXPECT_EQ(gestures(), "");

    // The handle (45..66) grabbed 5 pixels in and moved 87 of its 174 pixels of travel.
    drag({50, 181}, {137, 181}, 6);
    EXPECT_NEAR(host.getParameter(kParamPreDelay), 0.5f, 1e-4);
    EXPECT_EQ(fieldText(kParamPreDelay), "250ms");
    expectGestures(gestureCalls(), kParamPreDelay);
    const CRect handle = editor->getPreDelaySlider()->getHandleRect();
    EXPECT_EQ(handle.left, 45 + 87);

    host.clearCalls();
    drag({137, 181}, {280, 181}, 4);  // past the end of the travel
    EXPECT_FLOAT_EQ(host.getParameter(kParamPreDelay), 1.f);
    EXPECT_EQ(fieldText(kParamPreDelay), "1000ms");
}

TEST_F(EditorTest, ProcButtonSwitchesPowerOffAndOn) {
    ASSERT_FLOAT_EQ(host.getParameter(kParamPower), 1.f);
    const uint32_t lit = pixel(67, 208);
    click(67, 215);
    EXPECT_FLOAT_EQ(host.getParameter(kParamPower), 0.f);
    EXPECT_EQ(gestures(), "B0 A0 E0");
    EXPECT_NE(pixel(67, 208), lit) << "the button still shows on";
    host.clearCalls();
    click(67, 215);
    EXPECT_FLOAT_EQ(host.getParameter(kParamPower), 1.f);
    EXPECT_EQ(gestures(), "B0 A0 E0");
    EXPECT_EQ(pixel(67, 208), lit);
}

TEST_F(EditorTest, RightArrowStepsThroughAllAlgorithmsAndWrapsAround) {
    const int start = algorithmOf(host.getParameter(kParamType));
    ASSERT_EQ(start, 0);
    for (int i = 1; i <= 9; ++i) {
        host.clearCalls();
        click(165, 53);
        const int expected = (start + i) % 9;
        EXPECT_EQ(algorithmOf(host.getParameter(kParamType)), expected) << "after " << i << " clicks";
        EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(expected));
        EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), expected);
        EXPECT_EQ(editor->getAlgorithmPicture()->getImageIndex(), expected);
        expectGestures(gestureCalls(), kParamType);
    }
    EXPECT_EQ(algorithmOf(host.getParameter(kParamType)), start);
    EXPECT_EQ(editor->getAlgorithmArrows()->getDirection(), 0);
}

TEST_F(EditorTest, LeftArrowAtAmbienceGivesPlateAndStepsBack) {
    click(135, 53);
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(8));
    EXPECT_STREQ(host.text(effGetParamDisplay, kParamType).c_str(), "Plate");
    click(135, 53);
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(7));
    char name[256];
    editor->getAlgorithmMenu()->getEntry(editor->getAlgorithmMenu()->getCurrent(), name);
    EXPECT_STREQ(name, "Spring");
}

TEST_F(EditorTest, HeldArrowLightsUntilReleasedAndStepsOnce) {
    window->move(165, 53);
    window->press();
    for (int i = 0; i < 20; ++i) window->move(165, 53);  // still held
    window->release();
    settle();
    EXPECT_EQ(algorithmOf(host.getParameter(kParamType)), 1);
    EXPECT_EQ(editor->getAlgorithmArrows()->getDirection(), 0);
}

TEST_F(EditorTest, WheelOnTheArrowsStepsButStopsAtBothEnds) {
    // Away from the user steps back, towards the user forward.
    wheel(150, 53, -1.f);
    EXPECT_EQ(algorithmOf(host.getParameter(kParamType)), 1);
    expectGestures(gestureCalls(), kParamType);
    wheel(150, 53, 1.f);
    EXPECT_EQ(algorithmOf(host.getParameter(kParamType)), 0);
    // At Ambience a step back stays there.
    wheel(150, 53, 1.f);
    wheel(150, 53, 1.f);
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(0));
    EXPECT_FLOAT_EQ(editor->getAlgorithmArrows()->getValue(), typeValueOf(0));
    // At Plate a step forward stays there.
    host.setParameter(kParamType, typeValueOf(8));
    idle();
    wheel(150, 53, -1.f);
    wheel(150, 53, -1.f);
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(8));
    EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), 8);
}

TEST_F(EditorTest, AlgorithmMenuListsTheNineAlgorithmsAndSelectsOne) {
    window->answerMenu(0, 4);
    click(150, 108);
    ASSERT_EQ(window->menusShown(), 1);
    const pf::Menu& menu = window->lastMenu();
    const auto& names = moltaro::kAlgorithmNames;
    ASSERT_EQ(menu.items.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(menu.items[i].text, names[i]);
        EXPECT_EQ(menu.items[i].checked, i == 0) << "the current algorithm carries the check mark";
    }
    // Below the menu's field, at its left edge.
    EXPECT_EQ(window->lastMenuPosition().x, 94);
    EXPECT_EQ(window->lastMenuPosition().y, 113);

    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(4));
    EXPECT_EQ(gestures(), "B1 A1 E1");
    EXPECT_EQ(editor->getAlgorithmPicture()->getImageIndex(), 4);
    EXPECT_FLOAT_EQ(editor->getAlgorithmArrows()->getValue(), typeValueOf(4));

    host.clearCalls();
    click(150, 108);  // cancelled: an edit without a change
    EXPECT_EQ(gestures(), "B1 E1");
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(4));
}

struct FieldCase {
    const char* name;
    int parameter;
    int x, y;  // inside the field
    const char* typed;
    float expectedValue;
    const char* expectedText;
};

const FieldCase kFields[] = {
    {"TIME", kParamDecay, 68, 104, "75", 0.75f, "75%"},
    {"DAMP", kParamHighDamp, 233, 104, "33", 0.33f, "33%"},
    {"PRE-DELAY", kParamPreDelay, 258, 181, "5000", 1.0f, "1000ms"},
    {"LOW GAIN", kParamLowGain, 68, 170, "-6", 0.25f, "-6.00dB"},
    {"LOW FREQ", kParamLowFreq, 123, 170, "100", 0.2313782f, "100Hz"},
    {"HIGH FREQ", kParamHighFreq, 178, 170, "5000", 0.7686218f, "5.00kHz"},
    {"HIGH GAIN", kParamHighGain, 233, 170, "-150", 0.0f, "-oodB"},
    {"MIX", kParamMix, 123, 239, "25", 0.25f, "25%"},
    {"OUTPUT", kParamOutput, 178, 239, "-150", 0.0f, "-oo dB"},
};

TEST_F(EditorTest, EveryTextFieldSetsItsParameterFromTheTypedNumber) {
    for (const FieldCase& f : kFields) {
        SCOPED_TRACE(f.name);
        host.clearCalls();
        typeInto(f.x, f.y, f.typed);
        EXPECT_NEAR(host.getParameter(f.parameter), f.expectedValue, 1e-5);
        EXPECT_EQ(fieldText(f.parameter), f.expectedText);
        EXPECT_EQ(gestures(), "B" + std::to_string(f.parameter) + " A" + std::to_string(f.parameter) + " E" +
                                  std::to_string(f.parameter));
        EXPECT_EQ(window->textField(), nullptr);
    }
}

TEST_F(EditorTest, TypedNumbersAreClampedToTheFieldRange) {
    typeInto(178, 239, "20");
    EXPECT_FLOAT_EQ(host.getParameter(kParamOutput), 1.0f);
    EXPECT_EQ(fieldText(kParamOutput), "12.00dB");
    typeInto(178, 239, "-150");
    EXPECT_FLOAT_EQ(host.getParameter(kParamOutput), 0.0f);
    EXPECT_EQ(fieldText(kParamOutput), "-oo dB");
    typeInto(258, 181, "5000");
    EXPECT_FLOAT_EQ(host.getParameter(kParamPreDelay), 1.0f);
    typeInto(123, 170, "3");  // below 25 Hz
    EXPECT_NEAR(host.getParameter(kParamLowFreq), 0.f, 1e-6);
    EXPECT_EQ(fieldText(kParamLowFreq), "25Hz");
    typeInto(178, 170, "99999");  // above 20 kHz
    EXPECT_NEAR(host.getParameter(kParamHighFreq), 1.f, 1e-6);
    EXPECT_EQ(fieldText(kParamHighFreq), "20.0kHz");
}

TEST_F(EditorTest, TextThatIsNotANumberReadsAsZeroOrItsLeadingNumber) {
    typeInto(178, 239, "loud");  // 0 dB
    EXPECT_FLOAT_EQ(host.getParameter(kParamOutput), 0.5f);
    EXPECT_EQ(fieldText(kParamOutput), "0.00dB");
    typeInto(178, 239, "1,5 dB");  // comma as the decimal separator, unit ignored
    EXPECT_EQ(fieldText(kParamOutput), "1.50dB");
    typeInto(68, 104, "80%");
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.8f);
    typeInto(68, 104, "abc");
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.0f);
    EXPECT_EQ(fieldText(kParamDecay), "0%");
}

TEST_F(EditorTest, EscapingATextFieldWithoutChangesChangesNothing) {
    click(68, 104);
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->loseFocus();
    settle();
    EXPECT_EQ(gestures(), "");
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.5f);
}

TEST_F(EditorTest, HostChangesMoveTheControlsAtTheNextIdle) {
    const uint32_t knobBefore = pixel(67, 50);
    host.setParameter(kParamDecay, 0.0f);
    host.setParameter(kParamPreDelay, 0.5f);
    host.setParameter(kParamPower, 0.0f);
    host.setParameter(kParamLowGain, 0.0f);
    EXPECT_EQ(pixel(67, 50), knobBefore) << "drawn before the idle";
    idle();
    EXPECT_NE(pixel(67, 50), knobBefore);
    EXPECT_FLOAT_EQ(editor->getKnob(kParamDecay)->getValue(), 0.f);
    EXPECT_EQ(fieldText(kParamDecay), "0%");
    EXPECT_FLOAT_EQ(editor->getPreDelaySlider()->getValue(), 0.5f);
    EXPECT_EQ(fieldText(kParamPreDelay), "250ms");
    EXPECT_FLOAT_EQ(editor->getProcButton()->getValue(), 0.f);
    EXPECT_EQ(fieldText(kParamLowGain), "-oodB");
    // The field's value is the number shown: a shelf at 0 is at the field's floor.
    EXPECT_FLOAT_EQ(editor->getTextField(kParamLowGain)->getValue(), -200.f);
    EXPECT_FLOAT_EQ(editor->getTextField(kParamPreDelay)->getValue(), 250.f);
    EXPECT_EQ(gestures(), "") << "host changes are not reported back as edits";
}

TEST_F(EditorTest, ChangesFromAnotherThreadWaitForTheIdle) {
    std::thread automation([this] {
        host.setParameter(kParamMix, 0.1f);
        host.setParameter(kParamType, typeValueOf(5));
    });
    automation.join();
    // Nothing of the window was touched from the other thread.
    EXPECT_FLOAT_EQ(editor->getKnob(kParamMix)->getValue(), 0.5f);
    EXPECT_EQ(fieldText(kParamMix), "50%");
    idle();
    EXPECT_FLOAT_EQ(editor->getKnob(kParamMix)->getValue(), 0.1f);
    EXPECT_EQ(fieldText(kParamMix), "10%");
    EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), 5);
}

TEST_F(EditorTest, EachTypeValueSelectsItsMenuEntryAndPicture) {
    std::vector<uint32_t> pictures;
    for (int k = 0; k < 9; ++k) {
        host.setParameter(kParamType, k / 9.f + 0.01f);
        idle();
        EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), k);
        EXPECT_EQ(editor->getAlgorithmPicture()->getImageIndex(), k);
        // Each algorithm has a picture of its own.
        uint32_t sum = 0;
        for (int y = 65; y < 101; ++y)
            for (int x = 120; x < 180; ++x) sum = sum * 31u + pixel(x, y);
        for (uint32_t other : pictures) EXPECT_NE(sum, other) << "picture " << k;
        pictures.push_back(sum);
    }
}

TEST_F(EditorTest, ReopeningRebuildsEveryControlWithTheCurrentValues) {
    closeEditor();
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->getKnob(kParamDecay), nullptr);
    host.setParameter(kParamDecay, 0.9f);  // while closed: nothing to update
    host.setParameter(kParamType, typeValueOf(6));
    host.setParameter(kParamOutput, 0.25f);
    openEditor();
    EXPECT_FLOAT_EQ(editor->getKnob(kParamDecay)->getValue(), 0.9f);
    EXPECT_EQ(fieldText(kParamDecay), "90%");
    EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), 6);
    EXPECT_EQ(editor->getAlgorithmPicture()->getImageIndex(), 6);
    EXPECT_EQ(fieldText(kParamOutput), "-12.00dB");
    EXPECT_EQ(backend->openWindows().size(), 1u);
}

TEST_F(EditorTest, KeysReachTheControlThatWasLastOperated) {
    EXPECT_EQ(host.dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.f), 0) << "no control has the focus yet";
    click(67, 70);  // the TIME knob takes the focus
    host.clearCalls();
    EXPECT_EQ(host.dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.f), 1);
    EXPECT_NEAR(host.getParameter(kParamDecay), 0.6f, 1e-5);
    expectGestures(gestureCalls(), kParamDecay);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 0, VKEY_DOWN, nullptr, static_cast<float>(VSTGUI::MODIFIER_SHIFT)), 1);
    EXPECT_NEAR(host.getParameter(kParamDecay), 0.59f, 1e-5);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.f), 0);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 0, VKEY_UP, nullptr, 0.f), 0);
}

TEST_F(EditorTest, KnobModeIsTheHostsUntilTheEditorOpens) {
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, kCircularMode), 1);
    EXPECT_EQ(AEffGUIEditor::knobMode, kCircularMode);
    closeEditor();
    openEditor();
    EXPECT_EQ(AEffGUIEditor::knobMode, kLinearMode);
}

TEST_F(EditorTest, WheelOnAKnobStepsIt) {
    window->move(5, 150);  // nothing there takes the wheel
    window->run();
    EXPECT_FALSE(editor->onWheel(1.f));
    host.clearCalls();
    window->move(177, 214);
    window->run();
    EXPECT_TRUE(editor->onWheel(1.f));
    EXPECT_NEAR(host.getParameter(kParamOutput), 0.6f, 1e-5);
    expectGestures(gestureCalls(), kParamOutput);
}

TEST_F(EditorTest, GetRectReportsTheWindowSize) {
    ERect* r = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 294);
    EXPECT_EQ(r->right, 300);
    EXPECT_EQ(window->frameBuffer().width(), 300);
    EXPECT_EQ(window->frameBuffer().height(), 294);
}

}  // namespace
}  // namespace editor_test
