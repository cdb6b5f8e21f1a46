// Text entry and option menus: editing through the native field, reporting a
// changed text once, the entry model with and without separator counting, and
// the pop-up menu built from the entries.

#include "ToolkitFixture.h"

#include <cmath>
#include <cstring>

namespace toolkit_test {
namespace {

class TextEditTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        edit = new CTextEdit(CRect(20, 20, 80, 32), &recorder, 22, "50%");
        edit->setFont(kNormalFontVerySmall);
        edit->setHoriAlign(kCenterText);
        frame->addView(edit);
        frame->idle();
    }
    std::string text() const {
        char buffer[256];
        edit->getText(buffer);
        return buffer;
    }
    CTextEdit* edit = nullptr;
};

TEST_F(TextEditTest, ClickOpensAFieldOverTheControlWithItsText) {
    window->click(50, 25);
    run();
    hl::HeadlessTextField* field = window->textField();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(edit->isEditing());
    EXPECT_EQ(frame->getFocusView(), edit);
    EXPECT_EQ(field->text(), "50%");
    EXPECT_EQ(field->desc().rect.left, 20);
    EXPECT_EQ(field->desc().rect.bottom, 32);
    EXPECT_EQ(field->desc().font.sizePx, 9);
    EXPECT_EQ(field->desc().align, pf::HAlign::Center);
    EXPECT_EQ(field->desc().maxLength, 255);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"begin 22"});
}

TEST_F(TextEditTest, EnterReportsTheNewTextOnce) {
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("75");
    window->textField()->pressEnter();
    EXPECT_EQ(window->textField(), nullptr);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_TRUE(edit->wasReturnPressed());
    EXPECT_EQ(text(), "75");
    EXPECT_EQ(recorder.count("value 22"), 1);
    EXPECT_EQ(recorder.count("end 22"), 1);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    // Another click elsewhere reports nothing more.
    window->click(150, 120);
    run();
    EXPECT_EQ(recorder.count("value 22"), 1);
}

TEST_F(TextEditTest, TypingThroughTheScriptAndEnterKey) {
    window->click(50, 25);
    pf::KeyEvent k;
    for (char c : std::string("-150")) {
        k.character = c;
        window->key(k);
    }
    k.character = 0;
    k.virt = pf::kKeyReturn;
    window->key(k);
    run();
    EXPECT_EQ(text(), "-150");
    EXPECT_EQ(recorder.count("value 22"), 1);
}

TEST_F(TextEditTest, UnchangedTextReportsNothing) {
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->pressEnter();
    EXPECT_EQ(recorder.count("value 22"), 0);
    EXPECT_EQ(recorder.count("end 22"), 1);
    EXPECT_EQ(text(), "50%");
}

TEST_F(TextEditTest, ClickOutsideEndsEditingAndKeepsTheText) {
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("12");
    window->click(150, 120);  // on the frame, away from the field
    run();
    EXPECT_EQ(window->textField(), nullptr);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_FALSE(edit->wasReturnPressed());
    EXPECT_EQ(text(), "12");
    EXPECT_EQ(recorder.count("value 22"), 1);
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(TextEditTest, FocusLossOfTheFieldEndsEditing) {
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("3");
    window->textField()->loseFocus();
    EXPECT_EQ(text(), "3");
    EXPECT_EQ(recorder.count("value 22"), 1);
}

TEST_F(TextEditTest, EndOfEditingIsAnnouncedToTheContainer) {
    struct Box : CViewContainer {
        using CViewContainer::CViewContainer;
        long notify(CView* sender, const char* message) override {
            if (message == kMsgLooseFocus) heard.push_back(sender);
            return CViewContainer::notify(sender, message);
        }
        std::vector<CView*> heard;
    };
    auto* box = new Box(CRect(100, 60, 200, 100), frame);
    auto* inner = new CTextEdit(CRect(10, 10, 90, 22), &recorder, 23, "a");
    box->addView(inner);
    frame->addView(box);
    window->click(150, 75);
    run();
    ASSERT_NE(window->textField(), nullptr);
    EXPECT_EQ(window->textField()->desc().rect.left, 110) << "placed in window coordinates";
    EXPECT_EQ(window->textField()->desc().rect.top, 70);
    window->textField()->pressEnter();  // unchanged, still announced
    EXPECT_EQ(box->heard, std::vector<CView*>{inner});
    EXPECT_EQ(recorder.count("value 23"), 0);
}

TEST_F(TextEditTest, LongTextIsCutAt255) {
    edit->setText(std::string(300, 'x').c_str());
    EXPECT_EQ(text().size(), 255u);
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type(std::string(400, 'y'));
    window->textField()->pressEnter();
    EXPECT_EQ(text(), std::string(255, 'y'));
}

TEST_F(TextEditTest, DoubleClickStyleNeedsTwoQuickClicks) {
    edit->setStyle(kDoubleClickStyle);
    window->click(50, 25);
    run();
    EXPECT_EQ(window->textField(), nullptr);
    backend->advance(1000);  // too slow for a double click
    window->click(50, 25);
    run();
    EXPECT_EQ(window->textField(), nullptr);
    backend->advance(100);
    window->click(50, 25);
    run();
    EXPECT_NE(window->textField(), nullptr);
}

TEST_F(TextEditTest, DoubleClickTimeIsAtLeast250Milliseconds) {
    backend->setDoubleClickTime(100);  // a system set far too short
    edit->setStyle(kDoubleClickStyle);
    window->click(50, 25);
    run();
    backend->advance(200);
    window->click(50, 25);
    run();
    EXPECT_NE(window->textField(), nullptr) << "200 ms apart is still a double click";
    window->click(150, 120);
    run();
    backend->advance(300);
    window->click(50, 25);
    run();
    EXPECT_EQ(window->textField(), nullptr) << "300 ms after the last click is not";
}

TEST_F(TextEditTest, ClosingTheFrameWhileEditingKeepsTheTypedText) {
    edit->remember();
    window->click(50, 25);
    run();
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type("99");
    frame->forget();
    frame = nullptr;
    EXPECT_EQ(text(), "99");
    EXPECT_EQ(recorder.count("value 22"), 1);
    edit->forget();
}

TEST_F(TextEditTest, TextIsDrawnOverTheBackColour) {
    edit->setTransparency(false);
    edit->setBackColor(MakeCColor(237, 235, 213));
    edit->setFontColor(kBlackCColor);
    edit->setFrameColor(kRedCColor);
    edit->setTextTransparency(true);
    frame->idle();
    EXPECT_EQ(pixel(20, 20), 0xffff0000u) << "frame colour on the edge";
    EXPECT_EQ(pixel(22, 22), 0xffedebd5u) << "back colour inside";
    int dark = 0;
    for (int y = 21; y < 31; ++y)
        for (int x = 21; x < 79; ++x) dark += (pixel(x, y) & 0xff) < 0x80;
    EXPECT_GT(dark, 5) << "the text is drawn";
    // Draw-nothing style leaves the window alone.
    edit->setStyle(kNoDrawStyle);
    edit->setBackColor(kBlueCColor);
    frame->idle();
    EXPECT_EQ(pixel(22, 22), 0xffedebd5u);
}

class OptionMenuTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        menu = new COptionMenu(CRect(30, 40, 130, 52), &recorder, 38, nullptr, nullptr, 0);
        frame->addView(menu);
    }
    COptionMenu* menu = nullptr;
};

TEST_F(OptionMenuTest, CurrentPositionCountingOrSkippingSeparators) {
    EXPECT_EQ(menu->getCurrent(), -1);
    for (const char* e : {"Current", "-", "One", "Two", "Three", "Four", "-TTitle", "Five"})
        ASSERT_TRUE(menu->addEntry(e));
    ASSERT_TRUE(menu->setCurrent(5));
    char text[256];
    EXPECT_EQ(menu->getCurrent(text, false), 4);
    EXPECT_STREQ(text, "Four");
    EXPECT_EQ(menu->getCurrent(text, true), 5);
    // Titles are skipped too.
    ASSERT_TRUE(menu->setCurrent(7));
    EXPECT_EQ(menu->getCurrent(nullptr, false), 5);

    // Setting without counting finds the n-th real entry.
    ASSERT_TRUE(menu->setCurrent(4, false));
    EXPECT_EQ(menu->getCurrent(), 5);
    ASSERT_TRUE(menu->setCurrent(0, false));
    EXPECT_EQ(menu->getCurrent(), 0);
    EXPECT_FALSE(menu->setCurrent(6, false));
    // Counting refuses a separator and anything outside the list.
    EXPECT_FALSE(menu->setCurrent(1));
    EXPECT_FALSE(menu->setCurrent(8));
    EXPECT_FALSE(menu->setCurrent(-1));
    EXPECT_EQ(menu->getCurrent(), 0);
}

TEST_F(OptionMenuTest, EntriesInsertReplaceAndRemove) {
    menu->addEntry("a");
    menu->addEntry("c");
    menu->setCurrent(1);
    menu->addEntry("b", 1);  // inserted before the current one: it moves along
    EXPECT_EQ(menu->getNbEntries(), 3);
    EXPECT_EQ(menu->getCurrent(), 2);
    char text[256];
    menu->getEntry(1, text);
    EXPECT_STREQ(text, "b");
    EXPECT_TRUE(menu->setEntry(0, "A"));
    EXPECT_FALSE(menu->setEntry(3, "x"));
    EXPECT_EQ(menu->getIndex("A"), 0);
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(menu->getCurrent(), 1);
    EXPECT_FALSE(menu->removeEntry(5));
    // An insertion point outside the list is refused; the end itself appends.
    EXPECT_FALSE(menu->addEntry("far", 3));
    EXPECT_FALSE(menu->addEntry("before", -2));
    EXPECT_EQ(menu->getNbEntries(), 2);
    EXPECT_TRUE(menu->addEntry("end", 2));
    menu->getEntry(2, text);
    EXPECT_STREQ(text, "end");
    menu->removeAllEntry();
    EXPECT_EQ(menu->getCurrent(), -1);
    for (int i = 0; i < COptionMenu::kMaxEntries; ++i) ASSERT_TRUE(menu->addEntry("x"));
    EXPECT_FALSE(menu->addEntry("one too many"));
}

TEST_F(OptionMenuTest, SetValueTakesTheIntegerPart) {
    for (const char* e : {"Ambience", "Room", "Chamber"}) menu->addEntry(e);
    menu->setValue(1.7f);
    EXPECT_EQ(menu->getCurrent(), 1);
    EXPECT_FLOAT_EQ(menu->getValue(), 1.7f);
    menu->setValue(5.f);  // outside: the entry stays
    EXPECT_EQ(menu->getCurrent(), 1);
    for (float outside : {-1.f, 3.f, 1e30f, -1e30f, std::nanf("")}) {
        menu->setValue(outside);
        EXPECT_EQ(menu->getCurrent(), 1) << outside;
    }
    menu->setValue(-0.5f);  // its integer part is 0
    EXPECT_EQ(menu->getCurrent(), 0);
    menu->setValue(1.f);
    menu->setStyle(kMultipleCheckStyle);
    menu->setValue(2.f);
    EXPECT_TRUE(menu->isCheckEntry(2));
    menu->setValue(2.f);
    EXPECT_FALSE(menu->isCheckEntry(2));
}

TEST_F(OptionMenuTest, PopupShowsTheEntriesAndReportsTheChoice) {
    menu->setStyle(kCheckStyle);
    menu->setNbItemsPerColumn(3);
    for (const char* e : {"Current", "-", "One", "-GGrey", "-TTitle", "Five", "Six"}) menu->addEntry(e);
    menu->setCurrent(2);
    window->answerMenu(0, 5);
    window->click(40, 45);
    run();
    ASSERT_EQ(window->menusShown(), 1);
    const pf::Menu& shown = window->lastMenu();
    ASSERT_EQ(shown.items.size(), 7u);
    EXPECT_EQ(shown.items[1].kind, pf::MenuItem::Kind::Separator);
    EXPECT_EQ(shown.items[3].kind, pf::MenuItem::Kind::Greyed);
    EXPECT_EQ(shown.items[3].text, "Grey");
    EXPECT_EQ(shown.items[4].kind, pf::MenuItem::Kind::Title);
    EXPECT_TRUE(shown.items[2].checked);
    EXPECT_FALSE(shown.items[0].checked);
    EXPECT_TRUE(shown.items[3].columnBreak);
    EXPECT_TRUE(shown.items[6].columnBreak);
    EXPECT_FALSE(shown.items[5].columnBreak);
    // Opened at the control's left and bottom edges, with the left button.
    EXPECT_EQ(window->lastMenuPosition().x, 30);
    EXPECT_EQ(window->lastMenuPosition().y, 52);
    EXPECT_EQ(window->lastMenuButton(), pf::kButtonLeft);

    EXPECT_EQ(menu->getCurrent(), 5);
    EXPECT_EQ(menu->getCurrent(nullptr, false), 3);
    EXPECT_EQ(menu->getLastResult(), 5);
    const std::vector<std::string> expected = {"begin 38", "value 38", "end 38"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(frame->getFocusView(), nullptr);

    // Cancelled: nothing changes, nothing is reported.
    recorder.clear();
    window->click(40, 45);
    run();
    EXPECT_EQ(menu->getCurrent(), 5);
    EXPECT_EQ(recorder.count("value 38"), 0);

    // Popup style opens at the top edge; a right click tracks with the right button.
    menu->setStyle(kPopupStyle);
    window->click(40, 45, pf::kButtonRight);
    run();
    EXPECT_EQ(window->lastMenuPosition().y, 40);
    EXPECT_EQ(window->lastMenuButton(), pf::kButtonRight);
}

TEST_F(OptionMenuTest, OnlyLeftAndRightClicksOpenItOrReachTheListener) {
    menu->addEntry("a");
    menu->addEntry("b");
    window->setModifiers(kShift);
    window->click(40, 45, pf::kButtonMiddle);
    window->setModifiers(0);
    window->click(40, 45, pf::kButtonMiddle);
    run();
    EXPECT_EQ(window->menusShown(), 0);
    EXPECT_TRUE(recorder.events.empty());
    // A Shift click with the left button is offered first, then opens the menu.
    window->setModifiers(kShift);
    window->click(40, 45);
    window->setModifiers(0);
    run();
    EXPECT_EQ(window->menusShown(), 1);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.front(), "modifier 38 9");
}

TEST_F(OptionMenuTest, ManyEntriesAreNotSplitIntoColumns) {
    menu->setNbItemsPerColumn(14);
    for (int i = 0; i < 160; ++i) menu->addEntry("p");
    window->click(40, 45);
    run();
    for (const auto& item : window->lastMenu().items) EXPECT_FALSE(item.columnBreak);
}

TEST_F(OptionMenuTest, ChoiceInASubmenuReportsTheSubmenu) {
    auto* sub = new COptionMenu(CRect(), nullptr, 99);
    sub->addEntry("deep 0");
    sub->addEntry("deep 1");
    menu->addEntry("top");
    menu->addEntry(sub, "-MMore");
    sub->forget();  // the menu keeps it
    menu->setPrefixNumbers(2);
    window->answerMenu(1, 1);
    window->click(40, 45);
    run();
    const pf::Menu& shown = window->lastMenu();
    ASSERT_EQ(shown.items.size(), 2u);
    EXPECT_EQ(shown.items[0].text, "01 top");
    ASSERT_TRUE(shown.items[1].submenu);
    EXPECT_EQ(shown.items[1].submenu->id, 1);
    EXPECT_EQ(shown.items[1].text, "02 More");
    EXPECT_EQ(shown.items[1].submenu->items[1].text, "deep 1");  // numbered by its own setting
    EXPECT_EQ(recorder.count("value 99"), 1);
    long index = -1;
    EXPECT_EQ(menu->getLastItemMenu(index), menu->getSubMenu(1));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(menu->getSubMenu(1)->getCurrent(), 1);
    EXPECT_EQ(menu->getCurrent(), 0);
}

}  // namespace
}  // namespace toolkit_test
