#pragma once
// The user's choice of the editor's size: a right click on the panel where no control
// sits opens a menu of the sizes (automatic, 100 % to 300 %). It lies under every
// control and draws nothing; left clicks and the wheel pass by as before.

#include <functional>

#include "vstgui/CView.h"

class CSizeChooser : public VSTGUI::CView {
public:
    // chosen receives the factor picked (0 for automatic).
    CSizeChooser(const VSTGUI::CRect& size, std::function<void(double)> chosen);

    void draw(VSTGUI::CDrawContext*) override {}
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons = -1) override;

    // The menu's entries after its title: automatic, then one per supported factor.
    static int entryForFactor(double factor);
    static double factorForEntry(int entry);

private:
    std::function<void(double)> onChosen;
};
