#include "editor/CSizeChooser.h"

#include <cstdio>
#include <iterator>

#include "editor/EditorScale.h"
#include "platform/Scaling.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;
namespace pf = moltaro::platform;

namespace {
constexpr int kFirstFactorEntry = 2;  // after the title and "Automatic"
}

CSizeChooser::CSizeChooser(const CRect& size, std::function<void(double)> chosen)
    : CView(size), onChosen(std::move(chosen)) {}

int CSizeChooser::entryForFactor(double factor) {
    for (int i = 0; i < static_cast<int>(std::size(pf::kSupportedScales)); ++i)
        if (pf::kSupportedScales[i] == factor) return kFirstFactorEntry + i;
    return kFirstFactorEntry - 1;
}

double CSizeChooser::factorForEntry(int entry) {
    const int i = entry - kFirstFactorEntry;
    return i >= 0 && i < static_cast<int>(std::size(pf::kSupportedScales)) ? pf::kSupportedScales[i] : 0.0;
}

void CSizeChooser::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!context || !pParentFrame || !pParentFrame->isOpen()) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    if (!(buttons & kRButton)) return;
    pf::Window* window = pParentFrame->getPlatformWindow();
    if (!window) return;

    pf::Menu menu;
    menu.scale = pParentFrame->getScale();
    const auto add = [&](const std::string& text, pf::MenuItem::Kind kind, bool checked) {
        pf::MenuItem item;
        item.text = text;
        item.kind = kind;
        item.checked = checked;
        menu.items.push_back(item);
    };
    add("Window size", pf::MenuItem::Kind::Title, false);
    const int current = entryForFactor(moltaro::readUserScale());
    add("Automatic", pf::MenuItem::Kind::Normal, current == kFirstFactorEntry - 1);
    for (int i = 0; i < static_cast<int>(std::size(pf::kSupportedScales)); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%d %%", pf::scalePercent(pf::kSupportedScales[i]));
        add(text, pf::MenuItem::Kind::Normal, current == kFirstFactorEntry + i);
    }
    const CPoint at = where;  // a child of the frame: frame coordinates
    const pf::MenuChoice choice = window->popupMenu(menu, pParentFrame->getScaling().toDevice(pf::Point{at.h, at.v}),
                                                    pf::kButtonRight);
    if (!choice.chosen() || choice.index < kFirstFactorEntry - 1) return;
    if (onChosen) onChosen(factorForEntry(choice.index));
}
