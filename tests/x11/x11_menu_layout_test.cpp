// Where the pop-up menu puts its entries, and how the keys step through them.

#include <gtest/gtest.h>

#include "platform/x11/MenuLayout.h"


using namespace moltaro::platform::x11;

namespace {

MenuEntry item(const std::string& text) {
    MenuEntry e;
    e.text = text;
    return e;
}
MenuEntry separator() {
    MenuEntry e;
    e.kind = MenuEntry::Kind::separator;
    return e;
}
MenuEntry title(const std::string& text) {
    MenuEntry e = item(text);
    e.kind = MenuEntry::Kind::title;
    return e;
}
MenuEntry greyed(const std::string& text) {
    MenuEntry e = item(text);
    e.greyed = true;
    return e;
}

// Every character 7 pixels wide, bold ones 8.
double fixedWidth(const std::string& text, bool bold) { return static_cast<double>(text.size()) * (bold ? 8 : 7); }

}  // namespace

TEST(MenuLayout, EntriesStackWithSeparatorsThinnerThanItems) {
    MenuList m;
    m.entries = {item("Hall"), separator(), item("Plate")};
    MenuMetrics mm;
    MenuGeometry g = layoutMenu(m, fixedWidth, mm, 0);
    ASSERT_EQ(g.boxes.size(), 3u);
    EXPECT_EQ(g.boxes[0].y, mm.border);
    EXPECT_EQ(g.boxes[1].y, mm.border + mm.itemHeight);
    EXPECT_EQ(g.boxes[1].height, mm.separatorHeight);
    EXPECT_EQ(g.boxes[2].y, mm.border + mm.itemHeight + mm.separatorHeight);
    EXPECT_EQ(g.height, 2 * mm.border + 2 * mm.itemHeight + mm.separatorHeight);
    EXPECT_EQ(g.columnStarts.size(), 1u);
    // All entries of a column are as wide as its widest text plus the gutters.
    EXPECT_EQ(g.boxes[0].width, std::max(mm.minWidth, 5 * 7 + mm.checkGutter + mm.rightGutter));
    EXPECT_EQ(g.boxes[0].width, g.boxes[2].width);
    EXPECT_EQ(g.entryAt(g.boxes[2].x + 1, g.boxes[2].y + 1), 2);
    EXPECT_EQ(g.entryAt(0, 0), -1);  // on the border
}

TEST(MenuLayout, ColumnBreaksStartNewColumnsAtTheTop) {
    MenuList m;
    for (int i = 0; i < 7; ++i) {
        m.entries.push_back(item("Program " + std::to_string(i)));
        m.entries.back().columnBreak = i > 0 && i % 3 == 0;
    }
    MenuMetrics mm;
    MenuGeometry g = layoutMenu(m, fixedWidth, mm, 0);
    ASSERT_EQ(g.columnStarts, (std::vector<int>{0, 3, 6}));
    EXPECT_EQ(g.boxes[3].y, g.boxes[0].y);
    EXPECT_EQ(g.boxes[6].y, g.boxes[0].y);
    EXPECT_GT(g.boxes[3].x, g.boxes[2].x + g.boxes[2].width - 1);
    EXPECT_EQ(g.height, 2 * mm.border + 3 * mm.itemHeight);
    EXPECT_EQ(g.width, g.boxes[6].x + g.boxes[6].width + mm.border);
}

TEST(MenuLayout, AMenuTallerThanTheScreenWrapsIntoColumnsSoEveryEntryIsReachable) {
    MenuList m;
    for (int i = 0; i < 160; ++i)
        m.entries.push_back(item("Entry"));
    MenuMetrics mm;
    const int screenHeight = 768;
    MenuGeometry g = layoutMenu(m, fixedWidth, mm, screenHeight);
    EXPECT_LE(g.height, screenHeight);
    EXPECT_GT(g.columnStarts.size(), 1u);
    for (const EntryBox& b : g.boxes)
        EXPECT_LE(b.y + b.height, screenHeight - mm.border);
}

TEST(MenuLayout, TabbedEntriesReserveRoomForBothParts) {
    MenuList m;
    m.entries = {item("Copy\tCtrl+C")};
    MenuMetrics mm;
    mm.minWidth = 0;
    MenuGeometry g = layoutMenu(m, fixedWidth, mm, 0);
    EXPECT_EQ(g.boxes[0].width, 4 * 7 + mm.tabGap + 6 * 7 + mm.checkGutter + mm.rightGutter);
}

TEST(MenuLayout, EmptyMenuStillHasASize) {
    MenuList m;
    MenuGeometry g = layoutMenu(m, fixedWidth, MenuMetrics{}, 0);
    EXPECT_GT(g.width, 0);
    EXPECT_GT(g.height, 0);
    EXPECT_EQ(stepSelection(m, -1, 1), -1);
}

TEST(MenuKeys, StepsSkipSeparatorsTitlesAndGreyedEntriesAndWrap) {
    MenuList m;
    m.entries = {title("Rooms"), item("Room"), separator(), greyed("Club"), item("Hall"), separator()};
    EXPECT_EQ(stepSelection(m, -1, 1), 1);
    EXPECT_EQ(stepSelection(m, 1, 1), 4);
    EXPECT_EQ(stepSelection(m, 4, 1), 1);   // wraps past the end
    EXPECT_EQ(stepSelection(m, 1, -1), 4);  // and past the start
    EXPECT_EQ(stepSelection(m, -1, -1), 4);
    EXPECT_FALSE(isSelectable(m.entries[0]));
    EXPECT_FALSE(isSelectable(m.entries[3]));
}

TEST(MenuKeys, LeftAndRightMoveBetweenColumnsAtTheSameHeight) {
    MenuList m;
    for (int i = 0; i < 6; ++i) {
        m.entries.push_back(item("P" + std::to_string(i)));
        m.entries.back().columnBreak = i == 3;
    }
    MenuGeometry g = layoutMenu(m, fixedWidth, MenuMetrics{}, 0);
    EXPECT_EQ(neighbourColumnEntry(m, g, 1, 1), 4);
    EXPECT_EQ(neighbourColumnEntry(m, g, 4, -1), 1);
    EXPECT_EQ(neighbourColumnEntry(m, g, 4, 1), -1);  // no column further right
    EXPECT_EQ(neighbourColumnEntry(m, g, 0, -1), -1);
}

TEST(MenuPlacement, MenusAreMovedOntoTheScreen) {
    int x = 1000, y = 700;
    fitOnScreen(x, y, 100, 200, 1024, 768);
    EXPECT_EQ(x, 924);
    EXPECT_EQ(y, 568);
    x = -20;
    y = 10;
    fitOnScreen(x, y, 100, 200, 1024, 768);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 10);
    // Larger than the screen: the top-left corner stays visible.
    x = 5;
    y = 5;
    fitOnScreen(x, y, 2000, 2000, 1024, 768);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}
