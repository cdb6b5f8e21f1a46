#pragma once
// Pop-up menus as override-redirect windows: shown at a screen position, tracked
// until the user chooses an entry or dismisses the menu, with submenus opening beside
// their entries. The call returns only then, as a system pop-up menu does; while it
// runs it keeps the other windows painted and calls the idle function it was given.

#include "MenuLayout.h"
#include "X11Connection.h"

#include <functional>
#include <vector>

namespace moltaro::platform::x11 {

struct MenuPick {
    int menu = -1;   // index into the menus given; -1 when nothing was chosen
    int entry = -1;  // index of the entry in that menu
    bool chosen() const { return menu >= 0; }
};

struct PopupRequest {
    std::vector<MenuList> menus;  // menus[0] is the one shown; the others are its submenus
    int screenX = 0, screenY = 0;
    // Button that opened the menu (toolkit bits: 1 left, 4 right); its release over an
    // entry after the pointer has moved chooses that entry.
    int openingButtons = 1;
    std::function<void()> idle;  // called about every 10 ms while the menu is open
    double scale = 1.0;  // the editor's scale factor: text, entries and lines grow with it
};

MenuPick runPopupMenu(Connection& connection, const PopupRequest& request);

}  // namespace moltaro::platform::x11
