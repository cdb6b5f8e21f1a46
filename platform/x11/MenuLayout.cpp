#include "MenuLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace moltaro::platform::x11 {

namespace {
constexpr int kColumnGap = 5;  // between columns, with a dividing line in the middle
}  // namespace

bool isSelectable(const MenuEntry& e) { return e.kind == MenuEntry::Kind::item && !e.greyed; }

int MenuGeometry::entryAt(int x, int y) const {
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].contains(x, y))
            return static_cast<int>(i);
    return -1;
}

MenuGeometry layoutMenu(const MenuList& menu, const TextMeasure& measure, const MenuMetrics& m,
                        int maxHeight) {
    MenuGeometry g;
    const int n = static_cast<int>(menu.entries.size());
    g.boxes.resize(n);

    // Pass 1: entry heights, column breaks and the widest text of each column.
    std::vector<int> columnWidth;
    int y = m.border;
    int tallest = 0;
    for (int i = 0; i < n; ++i) {
        const MenuEntry& e = menu.entries[i];
        const int h = e.kind == MenuEntry::Kind::separator ? m.separatorHeight : m.itemHeight;
        bool breakHere = i == 0 || e.columnBreak;
        if (i > 0 && !breakHere && maxHeight > 0 && y + h + m.border > maxHeight)
            breakHere = true;
        if (breakHere) {
            g.columnStarts.push_back(i);
            columnWidth.push_back(m.minWidth);
            y = m.border;
        }
        g.boxes[i].y = y;
        g.boxes[i].height = h;
        y += h;
        tallest = std::max(tallest, y);

        int w = m.checkGutter + m.rightGutter;
        if (e.kind != MenuEntry::Kind::separator) {
            const bool bold = e.kind == MenuEntry::Kind::title;
            const auto tab = e.text.find('\t');
            if (tab == std::string::npos) {
                w += static_cast<int>(std::ceil(measure(e.text, bold)));
            } else {
                w += static_cast<int>(std::ceil(measure(e.text.substr(0, tab), bold))) + m.tabGap +
                     static_cast<int>(std::ceil(measure(e.text.substr(tab + 1), bold)));
            }
        }
        columnWidth.back() = std::max(columnWidth.back(), w);
    }

    // Pass 2: columns side by side.
    int x = m.border;
    for (std::size_t c = 0; c < g.columnStarts.size(); ++c) {
        const int first = g.columnStarts[c];
        const int last = c + 1 < g.columnStarts.size() ? g.columnStarts[c + 1] : n;
        for (int i = first; i < last; ++i) {
            g.boxes[i].x = x;
            g.boxes[i].width = columnWidth[c];
        }
        x += columnWidth[c];
        if (c + 1 < g.columnStarts.size())
            x += kColumnGap;
    }
    g.width = std::max(x + m.border, m.minWidth + 2 * m.border);
    g.height = std::max(tallest + m.border, 2 * m.border + (n == 0 ? m.itemHeight : 0));
    return g;
}

int stepSelection(const MenuList& menu, int from, int direction) {
    const int n = static_cast<int>(menu.entries.size());
    if (n == 0)
        return -1;
    int i = from;
    if (i < 0 || i >= n)
        i = direction > 0 ? -1 : n;
    for (int k = 0; k < n; ++k) {
        i += direction > 0 ? 1 : -1;
        if (i >= n) i = 0;
        if (i < 0) i = n - 1;
        if (isSelectable(menu.entries[i]))
            return i;
    }
    return -1;
}

int neighbourColumnEntry(const MenuList& menu, const MenuGeometry& g, int from, int direction) {
    if (from < 0 || from >= static_cast<int>(g.boxes.size()))
        return -1;
    const int targetX = g.boxes[from].x + (direction > 0 ? g.boxes[from].width + 2 * kColumnGap : -2 * kColumnGap);
    const int targetY = g.boxes[from].y + g.boxes[from].height / 2;
    int best = -1, bestDistance = 0;
    for (std::size_t i = 0; i < g.boxes.size(); ++i) {
        const EntryBox& b = g.boxes[i];
        if (targetX < b.x || targetX >= b.x + b.width || !isSelectable(menu.entries[i]))
            continue;
        const int d = std::abs(b.y + b.height / 2 - targetY);
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

void fitOnScreen(int& x, int& y, int width, int height, int screenWidth, int screenHeight) {
    if (x + width > screenWidth) x = screenWidth - width;
    if (y + height > screenHeight) y = screenHeight - height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
}

}  // namespace moltaro::platform::x11
