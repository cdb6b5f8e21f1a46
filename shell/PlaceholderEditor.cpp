// Stand-in editor until the real one exists: it attaches itself (so the host knows the
// effect has an editor) and reports the window size, but opens no window.
#include "shell/AEffEditor.h"
#include "shell/EditorFactory.h"

namespace {

class PlaceholderEditor : public AEffEditor {
public:
    explicit PlaceholderEditor(AudioEffect* effect) : AEffEditor(effect) {}

    bool getRect(ERect** rect) override {
        if (!rect) return false;
        *rect = &size;
        return true;
    }

private:
    ERect size{0, 0, 294, 300};
};

}  // namespace

AEffEditor* createMoltaroEditor(AudioEffect* effect) { return new PlaceholderEditor(effect); }
