#pragma once
// The entries of a pop-up menu and where each one lies on screen: columns, entry
// heights, hit testing, keyboard stepping and placement on the screen. Pure
// arithmetic, shared by the X11 menu windows and their tests.

#include <functional>
#include <string>
#include <vector>

namespace moltaro::platform::x11 {

struct MenuEntry {
    enum class Kind { item, separator, title };
    Kind kind = Kind::item;
    std::string text;     // UTF-8; a tab separates a right-aligned second column
    bool greyed = false;  // shown but cannot be chosen
    bool checked = false;
    bool columnBreak = false;  // starts a new column
    int submenu = -1;     // index of the menu this entry opens, -1 for none
};

struct MenuList {
    std::vector<MenuEntry> entries;
};

// Whether the user can choose the entry (or open its submenu).
bool isSelectable(const MenuEntry& entry);

struct EntryBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

struct MenuGeometry {
    int width = 0, height = 0;
    std::vector<EntryBox> boxes;   // one per entry, in menu coordinates
    std::vector<int> columnStarts; // entry index that begins each column
    int entryAt(int x, int y) const;  // any entry under the point, or -1
};

struct MenuMetrics {
    int itemHeight = 18;
    int separatorHeight = 8;
    int border = 2;       // frame line plus padding, on every side
    int checkGutter = 20; // left of the text: room for the check mark
    int rightGutter = 22; // right of the text: room for the submenu arrow
    int tabGap = 24;      // between the two columns of a tabbed entry
    int minWidth = 60;
};

// Measures the width in pixels of one part of an entry text.
using TextMeasure = std::function<double(const std::string& text, bool bold)>;

// Lays the entries out in columns: a new column starts at every entry marked so,
// and wherever the next entry would pass maxHeight, so that no entry ends up off
// the screen.
MenuGeometry layoutMenu(const MenuList& menu, const TextMeasure& measure, const MenuMetrics& metrics,
                        int maxHeight);

// The next selectable entry from `from` in the direction (+1 / -1), wrapping round;
// from = -1 starts before the first entry. -1 when there is none.
int stepSelection(const MenuList& menu, int from, int direction);

// The entry in the neighbouring column at about the same height (direction +1 / -1),
// or -1 when there is no such column.
int neighbourColumnEntry(const MenuList& menu, const MenuGeometry& geometry, int from, int direction);

// Moves a rectangle of the given size at (x, y) so that it lies on a screen of the
// given size, preferring to keep its top-left corner where asked.
void fitOnScreen(int& x, int& y, int width, int height, int screenWidth, int screenHeight);

}  // namespace moltaro::platform::x11
