#pragma once
// The reverb's editor as an LV2 UI: the editor the VST module opens, inside the host's
// window, on the DSP instance's own effect object (reached through instance-access).
// The editor's edits reach the host as port writes and touch gestures through the DSP
// side's host callback, which forwards them to the link installed here; port changes
// from the host are handed to the effect, which moves the editor's controls, as a VST
// host's setParameter does.
//
// [ui thread] everything: the host creates, idles, feeds and destroys the UI there.

#include <cstdint>
#include <memory>

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/ui/ui.h>

#include "formats/lv2/Lv2Shared.h"
#include "platform/Platform.h"

class Moltaro;
class MoltaroEditor;

namespace moltaro::lv2 {

class Lv2EditorUi {
public:
    // Null (with the reason written to the host's log or stderr) when the host lacks a
    // required feature, the instance is not ours, another editor of it is open, or no
    // window could be made. On success *widget is the editor's X11 window.
    static Lv2EditorUi* create(const LV2_Feature* const* features, LV2UI_Write_Function write,
                               LV2UI_Controller controller, LV2UI_Widget* widget);
    ~Lv2EditorUi();
    Lv2EditorUi(const Lv2EditorUi&) = delete;
    Lv2EditorUi& operator=(const Lv2EditorUi&) = delete;

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer);
    // Non-zero once the window is gone (the host destroyed its parent).
    int idle();

private:
    Lv2EditorUi() = default;
    bool open(void* parent, LV2UI_Widget* widget);

    // Fits the window the host embeds to the editor, and tells the host, when the
    // editor's size differs from what it was last.
    void announceSize();

    static void automate(void* ui, int index, float normalised);
    static void beginEdit(void* ui, int index);
    static void endEdit(void* ui, int index);
    void touch(int index, bool grabbed);

    // The window the host embeds: the editor opens inside it. The editor may replace its
    // own window (at a new scale), while the host keeps the one it was given.
    struct Container final : platform::WindowListener {
        void onPaint(platform::DrawContext&, const platform::Rect&) override {}
        void onMouseDown(platform::Point, int) override {}
        void onWheel(platform::Point, float, int) override {}
        bool onKeyDown(const platform::KeyEvent&) override { return false; }
        bool onKeyUp(const platform::KeyEvent&) override { return false; }
    };
    Container containerListener;
    std::unique_ptr<platform::Window> container;  // null until opened

    SharedInstance* shared = nullptr;  // the DSP side's; outlives the UI
    Moltaro* effect = nullptr;         // the DSP side's
    MoltaroEditor* editor = nullptr;   // owned by the effect while attached
    UiLink link{};
    bool linked = false;
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touchFeature = nullptr;    // optional
    const LV2UI_Resize* resizeFeature = nullptr;  // optional
    double hostScale = 0.0;                       // the host's ui:scaleFactor, 0 for none
    int announcedWidth = 0, announcedHeight = 0;
    int gestures[kNumPortParameters] = {};      // open begin/end pairs per parameter
};

}  // namespace moltaro::lv2
