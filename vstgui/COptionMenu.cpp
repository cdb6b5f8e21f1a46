#include "COptionMenu.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace VSTGUI {

namespace pf = moltaro::platform;

namespace {

// Menus with this many entries or more are never split into columns.
constexpr long kMaxEntriesForColumns = 160;

std::string withoutMarker(const std::string& text) {
    if (text.size() >= 2 && text[0] == '-' && (text[1] == 'T' || text[1] == 'G' || text[1] == 'M'))
        return text.substr(2);
    return text;
}

std::string numbered(const std::string& text, long number, long digits) {
    if (digits <= 0) return text;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%0*ld ", static_cast<int>(digits > 3 ? 3 : digits), number);
    return prefix + text;
}

}  // namespace

COptionMenu::COptionMenu(const CRect& r, CControlListener* l, long t, CBitmap* background, CBitmap* clickBack,
                         long s)
    : CParamDisplay(r, background, s), bgWhenClick(clickBack) {
    listener = l;
    tag = t;
    if (bgWhenClick) bgWhenClick->remember();
}

COptionMenu::~COptionMenu() {
    removeAllEntry();
    if (bgWhenClick) bgWhenClick->forget();
}

bool COptionMenu::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "COptionMenu") == 0) || CParamDisplay::isTypeOf(className);
}

bool COptionMenu::addEntry(const char* text, long index) {
    if (getNbEntries() >= kMaxEntries) return false;
    // -1 appends; otherwise the entry goes before index, or at the end for index
    // = the number of entries. Anything else is a caller's mistake.
    if (index < -1 || index > getNbEntries()) return false;
    Entry entry;
    entry.text = std::string(text ? text : "").substr(0, kMaxEntryLength);
    if (index < 0 || index == getNbEntries()) {
        entries.push_back(entry);
    } else {
        entries.insert(entries.begin() + index, entry);
        if (currentIndex >= index) ++currentIndex;
    }
    if (currentIndex < 0) currentIndex = 0;
    setDirty(true);
    return true;
}

bool COptionMenu::addEntry(COptionMenu* submenu, const char* text) {
    if (!submenu || submenu == this || getNbEntries() >= kMaxEntries) return false;
    if (!addEntry(text, -1)) return false;
    submenu->remember();
    entries.back().submenu = submenu;
    return true;
}

long COptionMenu::getCurrent(char* text, bool countSeparator) const {
    if (currentIndex < 0 || currentIndex >= getNbEntries()) {
        if (text) text[0] = 0;
        return -1;
    }
    if (text) std::strcpy(text, entries[static_cast<size_t>(currentIndex)].text.c_str());
    if (countSeparator) return currentIndex;
    long position = 0;
    for (long i = 0; i < currentIndex; ++i) {
        const std::string& t = entries[static_cast<size_t>(i)].text;
        if (!isSeparator(t) && !isTitle(t)) ++position;
    }
    return position;
}

bool COptionMenu::setCurrent(long index, bool countSeparator) {
    long found = -1;
    if (countSeparator) {
        if (index < 0 || index >= getNbEntries()) return false;
        if (isSeparator(entries[static_cast<size_t>(index)].text)) return false;
        found = index;
    } else {
        long position = -1;
        for (long i = 0; i < getNbEntries(); ++i) {
            const std::string& t = entries[static_cast<size_t>(i)].text;
            if (isSeparator(t) || isTitle(t)) continue;
            if (++position == index) {
                found = i;
                break;
            }
        }
        if (found < 0) return false;
    }
    currentIndex = found;
    if (style & kMultipleCheckStyle)
        entries[static_cast<size_t>(found)].checked = !entries[static_cast<size_t>(found)].checked;
    setDirty(true);
    return true;
}

bool COptionMenu::getEntry(long index, char* text) const {
    if (index < 0 || index >= getNbEntries()) {
        if (text) text[0] = 0;
        return false;
    }
    if (text) std::strcpy(text, entries[static_cast<size_t>(index)].text.c_str());
    return true;
}

bool COptionMenu::setEntry(long index, const char* text) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries[static_cast<size_t>(index)].text = std::string(text ? text : "").substr(0, kMaxEntryLength);
    if (index == currentIndex) setDirty(true);
    return true;
}

bool COptionMenu::removeEntry(long index) {
    if (index < 0 || index >= getNbEntries()) return false;
    if (COptionMenu* sub = entries[static_cast<size_t>(index)].submenu) sub->forget();
    entries.erase(entries.begin() + index);
    if (currentIndex > index || currentIndex >= getNbEntries()) --currentIndex;
    if (getNbEntries() > 0 && currentIndex < 0) currentIndex = 0;
    lastMenu = nullptr;
    setDirty(true);
    return true;
}

bool COptionMenu::removeAllEntry() {
    for (Entry& e : entries)
        if (e.submenu) e.submenu->forget();
    entries.clear();
    currentIndex = -1;
    lastMenu = nullptr;
    setDirty(true);
    return true;
}

long COptionMenu::getIndex(const char* text) const {
    if (!text) return -1;
    for (long i = 0; i < getNbEntries(); ++i)
        if (entries[static_cast<size_t>(i)].text == text) return i;
    return -1;
}

bool COptionMenu::checkEntry(long index, bool checked) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries[static_cast<size_t>(index)].checked = checked;
    return true;
}

bool COptionMenu::checkEntryAlone(long index) {
    if (index < 0 || index >= getNbEntries()) return false;
    for (long i = 0; i < getNbEntries(); ++i) entries[static_cast<size_t>(i)].checked = i == index;
    return true;
}

bool COptionMenu::isCheckEntry(long index) const {
    return index >= 0 && index < getNbEntries() && entries[static_cast<size_t>(index)].checked;
}

COptionMenu* COptionMenu::getLastItemMenu(long& indexInMenu) const {
    indexInMenu = lastMenu ? lastMenu->lastResult : -1;
    return lastMenu;
}

COptionMenu* COptionMenu::getSubMenu(long index) const {
    if (index < 0 || index >= getNbEntries()) return nullptr;
    return entries[static_cast<size_t>(index)].submenu;
}

void COptionMenu::setPrefixNumbers(long digits) {
    if (digits >= 0 && digits <= 3) prefixNumbers = digits;
}

void COptionMenu::setValue(float val) {
    // The range is checked before the conversion, which a huge value would overflow.
    if (val > -1.f && val < static_cast<float>(getNbEntries())) {
        const long index = static_cast<long>(val);
        currentIndex = index;
        if (style & kMultipleCheckStyle)
            entries[static_cast<size_t>(index)].checked = !entries[static_cast<size_t>(index)].checked;
    }
    value = val;
    setDirty(true);
}

void COptionMenu::draw(CDrawContext* context) {
    std::string text;
    if (currentIndex >= 0 && currentIndex < getNbEntries())
        text = withoutMarker(entries[static_cast<size_t>(currentIndex)].text);
    drawText(context, text.c_str(), popupOpen ? bgWhenClick : nullptr);
}

void COptionMenu::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!bMouseEnabled || !pParentFrame) return;
    const long button = readButtons(context, buttons);
    // Only these clicks open the menu; any other is not offered to the listener either.
    if (!(button & (kLButton | kRButton | kApple))) return;
    lastButton = button;
    if (offerModifierClick(context, button)) return;
    beginEdit();
    takeFocus(context);
    if (pParentFrame && pParentFrame->getFocusView() == this) pParentFrame->setFocusView(nullptr);
    endEdit();
}

void COptionMenu::takeFocus(CDrawContext* context) {
    if (!pParentFrame || !pParentFrame->isOpen()) return;
    pf::Window* window = pParentFrame->getPlatformWindow();

    // The menu and its submenus, numbered depth first; the number is the menu id.
    std::vector<COptionMenu*> menus;
    std::function<std::shared_ptr<pf::Menu>(COptionMenu*)> build = [&](COptionMenu* m) {
        auto menu = std::make_shared<pf::Menu>();
        menu->scale = pParentFrame->getScale();
        menu->id = static_cast<int>(menus.size());
        menus.push_back(m);
        const long n = m->getNbEntries();
        for (long i = 0; i < n; ++i) {
            const Entry& e = m->entries[static_cast<size_t>(i)];
            pf::MenuItem item;
            if (isSeparator(e.text)) {
                item.kind = pf::MenuItem::Kind::Separator;
            } else {
                if (isTitle(e.text))
                    item.kind = pf::MenuItem::Kind::Title;
                else if (e.text.compare(0, 2, "-G") == 0)
                    item.kind = pf::MenuItem::Kind::Greyed;
                item.text = numbered(withoutMarker(e.text), i + 1, m->prefixNumbers);
                if (m->style & kMultipleCheckStyle)
                    item.checked = e.checked;
                else if (m->style & kCheckStyle)
                    item.checked = i == m->currentIndex;
                if (e.submenu && menus.size() < 64 && std::find(menus.begin(), menus.end(), e.submenu) == menus.end())
                    item.submenu = build(e.submenu);
            }
            if (n < kMaxEntriesForColumns && m->nbItemsPerColumn > 0 && i > 0 && i % m->nbItemsPerColumn == 0)
                item.columnBreak = true;
            menu->items.push_back(std::move(item));
        }
        return menu;
    };
    const std::shared_ptr<pf::Menu> menu = build(this);

    popupOpen = true;
    if (bgWhenClick) pParentFrame->drawView(this);
    const CRect r = getWindowRect();
    const pf::Point at = pParentFrame->getScaling().toDevice(pf::Point{r.left, (style & kPopupStyle) ? r.top : r.bottom});
    const pf::MenuChoice choice =
        window->popupMenu(*menu, at, (lastButton & kRButton) ? pf::kButtonRight : pf::kButtonLeft);
    popupOpen = false;
    setDirty(true);

    if (!choice.chosen() || choice.menuId >= static_cast<int>(menus.size())) return;
    COptionMenu* chosenMenu = menus[static_cast<size_t>(choice.menuId)];
    if (choice.index >= chosenMenu->getNbEntries()) return;
    const std::string& text = chosenMenu->entries[static_cast<size_t>(choice.index)].text;
    if (isSeparator(text) || isTitle(text)) return;
    chosenMenu->setValue(static_cast<float>(choice.index));
    chosenMenu->lastResult = choice.index;
    lastResult = choice.index;
    lastMenu = chosenMenu;
    if (listener) listener->valueChanged(context, chosenMenu);
}

void COptionMenu::looseFocus(CDrawContext*) {}

}  // namespace VSTGUI
