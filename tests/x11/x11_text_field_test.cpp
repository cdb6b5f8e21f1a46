// The in-window text field on a real X server: keyboard focus, typing over the
// initial selection, editing keys, and the three ways editing ends.

#include <gtest/gtest.h>

#include "X11Fixture.h"

#include <atomic>

using namespace moltaro::platform;
using xtest::Host;

namespace {

struct Ends : TextFieldListener {
    std::vector<bool> ends;
    std::string textAtEnd;
    std::unique_ptr<TextField>* owner = nullptr;  // set: the field is destroyed inside the call
    void textFieldEnded(bool enter) override {
        ends.push_back(enter);
        if (owner && *owner) {
            textAtEnd = (*owner)->text();
            owner->reset();
        }
    }
};

class X11TextFieldTest : public xtest::X11Fixture {
protected:
    X11TextFieldTest() : X11Fixture(60, 60) {}
    void SetUp() override {
        X11Fixture::SetUp();
        if (!ready())
            return;
        window = backend.createWindow(xtest::asParent(parent), 300, 294, &blank);
        ASSERT_NE(window, nullptr);
        window->processEvents();
        host->focus(parent);  // the host has the keyboard until the field takes it
        desc.rect = Rect{47, 99, 89, 110};
        desc.text = "100";
        desc.font.sizePx = 10;
        desc.align = HAlign::Center;
    }
    void TearDown() override {
        field.reset();
        window.reset();
        X11Fixture::TearDown();
    }
    void openField() {
        field = window->createTextField(desc, &ends);
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(waitFor([&] { return fieldHasFocus(); })) << "the field should take the keyboard";
    }
    // The keyboard is on a child of the editor's window: the field.
    bool fieldHasFocus() {
        const ::Window focus = focusWindow();
        if (focus == None || focus == static_cast<::Window>(PointerRoot))
            return false;
        ::Window root = 0, above = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(host->display(), focus, &root, &above, &children, &n))
            return false;
        if (children)
            XFree(children);
        return above == static_cast<::Window>(x11::windowId(*window));
    }
    ::Window focusWindow() {
        ::Window w = 0;
        int revert = 0;
        XGetInputFocus(host->display(), &w, &revert);
        return w;
    }
    bool waitFor(const std::function<bool()>& done) {
        return Host::waitUntil(done, [&] { window->processEvents(); });
    }

    xtest::PlainListener blank;
    std::unique_ptr<moltaro::platform::Window> window;
    TextFieldSpec desc;
    Ends ends;
    std::unique_ptr<TextField> field;
};

}  // namespace

TEST_F(X11TextFieldTest, SitsOverTheControlInsideTheEditorWindow) {
    openField();
    const ::Window editor = static_cast<::Window>(x11::windowId(*window));
    EXPECT_EQ(host->childCount(editor), 1);
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    ASSERT_TRUE(XGetGeometry(host->display(), focusWindow(), &root, &x, &y, &w, &h, &border, &depth));
    EXPECT_EQ(x, 47);
    EXPECT_EQ(y, 99);
    EXPECT_EQ(w, 42u);
    EXPECT_EQ(h, 11u);
    field.reset();
    EXPECT_EQ(host->childCount(editor), 0);
    EXPECT_EQ(focusWindow(), parent) << "closing the field gives the keyboard back";
    EXPECT_TRUE(ends.ends.empty()) << "destroying a field is not an end of editing";
}

TEST_F(X11TextFieldTest, WithTheFocusFollowingThePointerTheKeyboardIsGivenBackThatWay) {
    XSetInputFocus(host->display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(host->display(), False);
    openField();
    field.reset();
    EXPECT_EQ(focusWindow(), static_cast<::Window>(PointerRoot));
}

TEST_F(X11TextFieldTest, TypingReplacesTheSelectedTextAndEnterEndsOnce) {
    openField();
    host->typeText("42.5");
    host->tap(XK_Return);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(ends.ends, std::vector<bool>{true});
    EXPECT_EQ(field->text(), "42.5");
    // Keys after the end change nothing and end nothing again.
    host->typeText("9");
    host->tap(XK_Return);
    for (int i = 0; i < 10; ++i)
        window->processEvents();
    EXPECT_EQ(ends.ends.size(), 1u);
    EXPECT_EQ(field->text(), "42.5");
}

TEST_F(X11TextFieldTest, EditingKeysMoveTheCaretAndDelete) {
    desc.text = "1000";
    openField();
    host->tap(XK_End);        // drop the selection, caret at the end
    host->tap(XK_BackSpace);  // 100
    host->tap(XK_Home);
    host->tap(XK_Delete);     // 00
    host->typeText("5");      // 500
    host->key(XK_Shift_L, true);
    host->tap(XK_End);        // select "00"
    host->key(XK_Shift_L, false);
    host->typeText("12");     // 512
    host->tap(XK_KP_Enter);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(field->text(), "512");
}

TEST_F(X11TextFieldTest, ControlASelectsEverythingAgain) {
    openField();
    host->tap(XK_End);
    host->key(XK_Control_L, true);
    host->tap(XK_a);
    host->key(XK_Control_L, false);
    host->typeText("7");
    host->tap(XK_Return);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(field->text(), "7");
}

TEST_F(X11TextFieldTest, LosingTheFocusEndsEditingWithoutEnterAndKeepsTheText) {
    openField();
    host->typeText("3");
    ASSERT_TRUE(waitFor([&] { return field->text() == "3"; }));
    host->focus(parent);  // the host (or the user) puts the keyboard elsewhere
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(ends.ends, std::vector<bool>{false});
    EXPECT_EQ(field->text(), "3");
}

TEST_F(X11TextFieldTest, EscapeGivesBackTheOriginalBytesUnchanged) {
    desc.text = "caf\xe9";  // a single-byte text from an old preset
    openField();
    host->typeText("99");
    host->tap(XK_Escape);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(ends.ends, std::vector<bool>{false});
    EXPECT_EQ(field->text(), "caf\xe9") << "so that the toolkit sees no change and reports nothing";
}

TEST_F(X11TextFieldTest, TheListenerMayDestroyTheFieldInsideTheEndCall) {
    ends.owner = &field;
    openField();
    host->typeText("12");
    host->tap(XK_Return);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(field, nullptr);
    EXPECT_EQ(ends.textAtEnd, "12");
    EXPECT_EQ(host->childCount(static_cast<::Window>(x11::windowId(*window))), 0);
    // Events still queued for the vanished field must not reach it.
    host->typeText("5");
    for (int i = 0; i < 5; ++i)
        window->processEvents();
    EXPECT_EQ(ends.ends.size(), 1u);
}

TEST_F(X11TextFieldTest, AClickPlacesTheCaretAndSetTextReplacesEverything) {
    desc.align = HAlign::Left;
    desc.rect = Rect{20, 20, 220, 40};
    desc.text = "abc";
    openField();
    host->moveTo(px + 210, py + 30);  // right of the text
    host->press(1);
    host->release(1);
    host->typeText("d");
    ASSERT_TRUE(waitFor([&] { return field->text() == "abcd"; }));
    host->moveTo(px + 21, py + 30);   // before the first character
    host->press(1);
    host->release(1);
    host->typeText("x");
    ASSERT_TRUE(waitFor([&] { return field->text() == "xabcd"; }));
    field->setText("0.5");
    host->typeText("7");  // setText selects everything, so typing replaces it
    ASSERT_TRUE(waitFor([&] { return field->text() == "7"; }));
    EXPECT_TRUE(ends.ends.empty());
}

TEST_F(X11TextFieldTest, TheLimitHoldsWhileTyping) {
    desc.text = "";
    desc.maxLength = 5;
    openField();
    host->typeText("123456789");
    host->tap(XK_Return);
    ASSERT_TRUE(waitFor([&] { return !ends.ends.empty(); }));
    EXPECT_EQ(field->text(), "12345");
}

TEST_F(X11TextFieldTest, TheFieldShowsItsTextInItsColours) {
    desc.rect = Rect{20, 20, 120, 40};
    desc.textColor = Color{255, 255, 0, 255};
    desc.backColor = Color{0, 0, 128, 255};
    desc.text = "8888";
    openField();
    host->tap(XK_End);  // no selection, so the text shows in its own colours
    window->processEvents();
    int yellow = 0, navy = 0;
    Host::waitUntil([&] {
        yellow = navy = 0;
        for (unsigned p : host->grab(px + 20, py + 20, 100, 20)) {
            yellow += (p & 0xffff00) > 0xa0a000 && (p & 0xff) < 0x60;
            navy += p == 0x000080;
        }
        return yellow > 20;
    }, [&] { window->processEvents(); });
    EXPECT_GT(yellow, 20);
    EXPECT_GT(navy, 1000);
    host->savePng(std::string(MOLTARO_BUILD_DIR) + "/x11-text-field.png", px + 10, py + 10, 120, 40);
}

TEST_F(X11TextFieldTest, CopyAndPasteBetweenFieldsAndCutKeepsTheTextOnTheClipboard) {
    desc.text = "12.5";
    openField();
    host->key(XK_Control_L, true);
    host->tap(XK_c);
    host->key(XK_Control_L, false);
    host->tap(XK_Return);
    ASSERT_TRUE(waitFor([&] { return ends.ends.size() == 1; }));
    field.reset();

    desc.text = "7";
    openField();
    host->tap(XK_End);
    host->key(XK_Control_L, true);
    host->tap(XK_v);
    host->key(XK_Control_L, false);
    ASSERT_TRUE(waitFor([&] { return field->text() == "712.5"; }));
    host->key(XK_Control_L, true);
    host->tap(XK_a);
    host->tap(XK_x);
    host->key(XK_Control_L, false);
    ASSERT_TRUE(waitFor([&] { return field->text().empty(); }));
    host->key(XK_Shift_L, true);
    host->tap(XK_Insert);
    host->key(XK_Shift_L, false);
    ASSERT_TRUE(waitFor([&] { return field->text() == "712.5"; })) << "cut text can be pasted back";
}

TEST_F(X11TextFieldTest, PastesTheFirstLineOfAnotherProgramsClipboard) {
    std::atomic<bool> done{false};
    std::atomic<bool> serving{false};
    std::thread other([&] {
        Host program;
        serving = true;
        program.serveClipboard("440 Hz\nsecond line", [&] { return done.load(); });
    });
    while (!serving)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    openField();
    host->key(XK_Control_L, true);
    host->tap(XK_v);
    host->key(XK_Control_L, false);
    const bool pasted = waitFor([&] { return field->text() == "440 Hz"; });
    done = true;
    other.join();
    EXPECT_TRUE(pasted) << "got \"" << field->text() << "\"";
}

TEST_F(X11TextFieldTest, OtherProgramsCanPasteWhatWasCopied) {
    desc.text = "-3.5";
    openField();
    host->key(XK_Control_L, true);
    host->tap(XK_c);
    host->key(XK_Control_L, false);
    window->processEvents();
    std::string got;
    std::atomic<bool> finished{false};
    bool ok = false;
    std::thread other([&] {
        Host program;
        ok = program.readClipboard(got);
        finished = true;
    });
    // The editor answers the request from its idle.
    waitFor([&] { return finished.load(); });
    other.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, "-3.5");
}
