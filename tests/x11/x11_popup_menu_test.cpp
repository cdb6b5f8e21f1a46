// Pop-up menus on a real X server, operated by a "user" thread with its own
// connection while the editor's thread is inside popupMenu(), as with a real menu.

#include <gtest/gtest.h>

#include "X11Fixture.h"

using namespace moltaro::platform;
using xtest::Host;
using xtest::pause;

namespace {

constexpr int kBorder = 2, kItem = 18, kSeparator = 8;

MenuItem entry(const std::string& text, MenuItem::Kind kind = MenuItem::Kind::Normal) {
    MenuItem i;
    i.text = text;
    i.kind = kind;
    return i;
}

// The algorithm menu of the editor, with the extras the option menu can ask for.
Menu sampleMenu() {
    Menu m;
    m.id = 7;
    m.items = {entry("Reverbs", MenuItem::Kind::Title), entry("Ambience"), entry("Room"),
               entry("", MenuItem::Kind::Separator), entry("Club", MenuItem::Kind::Greyed), entry("Hall"),
               entry("Plate")};
    m.items[2].checked = true;
    return m;
}

// Vertical centre of entry `index` of a menu laid out as the backend does.
int entryCentre(const Menu& m, int index) {
    int y = kBorder;
    for (int i = 0; i < index; ++i)
        y += m.items[i].kind == MenuItem::Kind::Separator ? kSeparator : kItem;
    return y + kItem / 2;
}

class X11MenuTest : public xtest::X11Fixture {
protected:
    X11MenuTest() : X11Fixture(100, 80) {}
    void SetUp() override {
        X11Fixture::SetUp();
        if (!ready())
            return;
        blank.fill = Color{90, 90, 90, 255};
        window = backend.createWindow(xtest::asParent(parent), 300, 294, &blank);
        ASSERT_NE(window, nullptr);
        window->processEvents();
        host->moveTo(px + 5, py + 5);
    }
    void TearDown() override {
        if (user.joinable())
            user.join();
        window.reset();
        EXPECT_TRUE(host ? host->popups().empty() : true) << "a menu window was left behind";
        X11Fixture::TearDown();
    }

    xtest::PlainListener blank;
    std::unique_ptr<moltaro::platform::Window> window;
};

}  // namespace

TEST_F(X11MenuTest, AClickChoosesTheEntryUnderThePointer) {
    const Menu m = sampleMenu();
    Host::Placed shown;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        shown = menus.back();
        hand.moveTo(shown.x + 30, shown.y + entryCentre(m, 5));
        hand.press(1);
        hand.release(1);
    });
    MenuChoice c = window->popupMenu(m, Point{40, 50}, kButtonLeft);
    user.join();
    EXPECT_EQ(shown.x, px + 40) << "the menu opens at the point asked, in window coordinates";
    EXPECT_EQ(shown.y, py + 50);
    EXPECT_EQ(shown.height, 2 * kBorder + 6 * kItem + kSeparator);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.menuId, 7);
    EXPECT_EQ(c.index, 5);  // indices count titles and separators
}

TEST_F(X11MenuTest, TitlesAndGreyedEntriesCannotBeChosenAndEscapeCancels) {
    const Menu m = sampleMenu();
    bool stillOpen = false;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        const Host::Placed p = menus.back();
        for (int index : {0, 4, 3}) {  // title, greyed, separator
            hand.moveTo(p.x + 30, p.y + entryCentre(m, index));
            hand.press(1);
            hand.release(1);
        }
        pause(80);
        stillOpen = hand.popups().size() == 1;
        hand.tap(XK_Escape);
    });
    MenuChoice c = window->popupMenu(m, Point{10, 10}, kButtonLeft);
    user.join();
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(c.chosen());
    EXPECT_EQ(c.menuId, -1);
}

TEST_F(X11MenuTest, AClickOutsideTheMenuDismissesIt) {
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        hand.moveTo(menus.back().x + menus.back().width + 30, menus.back().y);
        hand.press(1);
        hand.release(1);
    });
    EXPECT_FALSE(window->popupMenu(sampleMenu(), Point{10, 10}, kButtonLeft).chosen());
}

TEST_F(X11MenuTest, ArrowKeysSkipWhatCannotBeChosenAndEnterChooses) {
    asUser([&](Host& hand) {
        if (hand.waitForPopups(1).empty())
            return;
        hand.tap(XK_Down);  // Ambience (the title is skipped)
        hand.tap(XK_Down);  // Room
        hand.tap(XK_Down);  // Hall: separator and greyed Club skipped
        hand.tap(XK_Return);
    });
    MenuChoice c = window->popupMenu(sampleMenu(), Point{10, 10}, kButtonLeft);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.index, 5);
}

TEST_F(X11MenuTest, ASubmenuOpensBesideItsEntryAndReportsItsOwnId) {
    Menu m = sampleMenu();
    auto sub = std::make_shared<Menu>();
    sub->id = 9;
    sub->items = {entry("Small"), entry("Large")};
    m.items.push_back(entry("More"));
    m.items.back().submenu = sub;
    const int moreIndex = static_cast<int>(m.items.size()) - 1;
    Host::Placed first, second;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        first = menus.back();
        hand.moveTo(first.x + 30, first.y + entryCentre(m, moreIndex));
        menus = hand.waitForPopups(2);
        if (menus.size() < 2)
            return;
        second = menus.back();
        hand.moveTo(second.x + 20, second.y + entryCentre(*sub, 1));
        hand.press(1);
        hand.release(1);
    });
    MenuChoice c = window->popupMenu(m, Point{10, 10}, kButtonLeft);
    user.join();
    EXPECT_EQ(second.x, first.x + first.width - kBorder);
    EXPECT_EQ(second.y, first.y + entryCentre(m, moreIndex) - kItem / 2 - kBorder);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.menuId, 9);
    EXPECT_EQ(c.index, 1);
}

TEST_F(X11MenuTest, PressDragReleaseChoosesInOneGesture) {
    const Menu m = sampleMenu();
    MenuChoice c;
    bool opened = false;
    blank.onDown = [&](Point, int) {
        opened = true;
        c = window->popupMenu(m, Point{20, 20}, kButtonLeft);
    };
    host->moveTo(px + 20, py + 20);
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        hand.moveTo(menus.back().x + 30, menus.back().y + entryCentre(m, 6));
        hand.release(1);
    });
    host->press(1);  // the click that opens the menu stays down while it opens
    Host::waitUntil([&] { return opened; }, [&] { window->processEvents(); });
    user.join();
    ASSERT_TRUE(opened);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.index, 6);
}

TEST_F(X11MenuTest, ReleasingTheOpeningClickWithoutMovingKeepsTheMenuOpen) {
    const Menu m = sampleMenu();
    MenuChoice c;
    bool opened = false;
    bool openAfterRelease = false;
    blank.onDown = [&](Point, int) {
        opened = true;
        c = window->popupMenu(m, Point{40, 40}, kButtonLeft);
    };
    // The menu opens under the pointer, so the release lands on an entry.
    host->moveTo(px + 40, py + 40 + entryCentre(m, 1));
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        hand.release(1);
        pause(80);
        openAfterRelease = hand.popups().size() == 1;
        hand.moveTo(menus.back().x + 30, menus.back().y + entryCentre(m, 2));
        hand.press(1);
        hand.release(1);
    });
    host->press(1);
    Host::waitUntil([&] { return opened; }, [&] { window->processEvents(); });
    user.join();
    EXPECT_TRUE(openAfterRelease);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.index, 2);
}

TEST_F(X11MenuTest, ColumnBreaksPutEntriesSideBySideAndTheRightButtonWorksToo) {
    Menu m;
    m.id = 3;
    for (int i = 0; i < 6; ++i) {
        m.items.push_back(entry("Program " + std::to_string(i + 1)));
        m.items.back().columnBreak = i == 3;
    }
    Host::Placed shown;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        shown = menus.back();
        hand.moveTo(shown.x + shown.width - 10, shown.y + entryCentre(m, 1));
        hand.press(3);
        hand.release(3);
    });
    MenuChoice c = window->popupMenu(m, Point{10, 10}, kButtonRight);
    user.join();
    EXPECT_EQ(shown.height, 2 * kBorder + 3 * kItem);
    ASSERT_TRUE(c.chosen());
    EXPECT_EQ(c.index, 4);  // second column, second row
}

TEST_F(X11MenuTest, TheMenuLooksRight) {
    // Check marks, title, greyed entry, separator, submenu arrow and columns, written
    // to the build directory for a person to look at.
    Menu m = sampleMenu();
    auto sub = std::make_shared<Menu>();
    sub->items = {entry("x")};
    m.items.push_back(entry("More"));
    m.items.back().submenu = sub;
    for (int i = 0; i < 3; ++i) {
        m.items.push_back(entry("Column two " + std::to_string(i)));
        m.items.back().columnBreak = i == 0;
        m.items.back().checked = i == 1;
    }
    const std::string path = std::string(MOLTARO_BUILD_DIR) + "/x11-menu.png";
    bool saved = false;
    std::vector<unsigned> pixels;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        const Host::Placed p = menus.back();
        hand.moveTo(p.x + 30, p.y + entryCentre(m, 5));  // highlight Hall
        pause(60);
        saved = hand.savePng(path, p.x, p.y, p.width, p.height);
        pixels = hand.grab(p.x, p.y, p.width, p.height);
        hand.tap(XK_Escape);
    });
    window->popupMenu(m, Point{10, 10}, kButtonLeft);
    user.join();
    EXPECT_TRUE(saved);
    ASSERT_FALSE(pixels.empty());
    // Some pixels are in the highlight colour, and the menu is not one flat colour.
    int highlighted = 0, dark = 0;
    for (unsigned p : pixels) {
        highlighted += p == 0x3063c7 || p == 0x3064c7 || p == 0x3063c8 || p == 0x3064c8;
        dark += (p & 0xff) < 0x40;
    }
    EXPECT_GT(highlighted, 100);
    EXPECT_GT(dark, 50);  // text
}
