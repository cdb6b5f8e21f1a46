#pragma once
// A control that pops up a menu of text entries and shows the current one.
// Entry texts may start with a marker: "-" alone is a separator, "-T" a title
// that cannot be chosen, "-G" a greyed entry, "-M" an entry that opens a submenu.

#include "CParamDisplay.h"

#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu : public CParamDisplay {
public:
    static constexpr long kMaxEntries = 1024;
    static constexpr size_t kMaxEntryLength = 255;

    COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr,
                CBitmap* bgWhenClick = nullptr, long style = 0);
    ~COptionMenu() override;

    // Inserts before index (shifting later entries and the current index), or
    // appends for -1 or the number of entries. False when the menu is full or
    // the index lies outside the list.
    virtual bool addEntry(const char* text, long index = -1);
    // Appends an entry that opens submenu (retained).
    virtual bool addEntry(COptionMenu* submenu, const char* text);
    // The current index; without counting, the number of entries before it that
    // are neither separators nor titles. text (256 bytes) receives its text. -1
    // when there is no current entry.
    virtual long getCurrent(char* text = nullptr, bool countSeparator = true) const;
    // Makes an entry current: by its index when counting (separators refused),
    // else the index-th entry that is neither separator nor title.
    virtual bool setCurrent(long index, bool countSeparator = true);
    virtual bool getEntry(long index, char* text) const;
    virtual bool setEntry(long index, const char* text);
    virtual bool removeEntry(long index);
    virtual bool removeAllEntry();
    virtual long getNbEntries() const { return static_cast<long>(entries.size()); }
    virtual long getIndex(const char* text) const;
    virtual bool checkEntry(long index, bool checked);
    virtual bool checkEntryAlone(long index);
    virtual bool isCheckEntry(long index) const;
    virtual void setNbItemsPerColumn(long count) { nbItemsPerColumn = count; }
    virtual long getNbItemsPerColumn() const { return nbItemsPerColumn; }
    virtual long getLastResult() const { return lastResult; }
    // The (sub)menu that held the last chosen entry, and that entry's index.
    virtual COptionMenu* getLastItemMenu(long& indexInMenu) const;
    virtual COptionMenu* getSubMenu(long index) const;
    // Entries shown with their 1-based number in 1, 2 or 3 digits (0: none).
    virtual void setPrefixNumbers(long digits);
    virtual long getPrefixNumbers() const { return prefixNumbers; }
    long getLastButton() const { return lastButton; }

    void setValue(float val) override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    bool isTypeOf(const char* className) const override;

    static bool isSeparator(const std::string& text) { return text == "-"; }
    static bool isTitle(const std::string& text) { return text.compare(0, 2, "-T") == 0; }

private:
    struct Entry {
        std::string text;
        bool checked = false;
        COptionMenu* submenu = nullptr;  // retained
    };

    std::vector<Entry> entries;
    long currentIndex = -1;
    long nbItemsPerColumn = -1;
    long lastResult = -1;
    long lastButton = 0;
    long prefixNumbers = 0;
    COptionMenu* lastMenu = nullptr;  // not owned: this or a submenu
    CBitmap* bgWhenClick = nullptr;   // retained
    bool popupOpen = false;
};

}  // namespace VSTGUI
