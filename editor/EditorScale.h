#pragma once
// The editor's scale factor and where it comes from, first that answers:
//   1. the user's choice made in the editor, kept per user in the settings store
//      (Linux: a file next to the A/B memories; Windows: under HKEY_CURRENT_USER);
//   2. the environment variable MOLTARO_SCALE (e.g. "2", "1.5" or "150%");
//   3. the host, when it announces a factor;
//   4. the desktop (X11: GDK_SCALE, Xft.dpi; Windows: the window's DPI);
//   5. 1.
// The factor is the nearest of 1, 1.5, 2, 3, lowered to the largest one whose
// window fits on the screen.
// [ui thread]

#include <string>

namespace moltaro {

// A factor from text: a number ("2", "1.5") or a percentage ("150%"); 0 when the
// text holds nothing usable (empty, not a number, not between 0.5 and 8).
double parseScaleText(const std::string& text);

struct ScaleSources {
    double user = 0;    // 0: no choice
    double env = 0;
    double host = 0;
    double system = 0;
    int screenWidth = 0;  // 0: unknown
    int screenHeight = 0;
};

// The factor to draw at for a window of the given size at 1x.
double resolveScale(const ScaleSources& sources, int width, int height);

// The user's choice from the settings store: 0 when none, or when the stored value
// cannot be read or makes no sense (it is then left as it is).
double readUserScale();
// Stores the user's choice; 0 stores "automatic" (no choice). False when the store
// refused.
bool writeUserScale(double factor);
// Counts the user's choices made in this process, so that every open editor can
// follow a new one.
unsigned userScaleGeneration();

// Every source read now (the host's factor is given), for a window in this parent.
ScaleSources currentScaleSources(void* parent, double hostFactor);

}  // namespace moltaro
