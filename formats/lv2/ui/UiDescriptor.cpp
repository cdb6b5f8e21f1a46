// The UI binary's one export: the descriptor of the editor UI.
#include <cstring>

#include <lv2/ui/ui.h>

#include "formats/lv2/ui/Lv2EditorUi.h"

using moltaro::lv2::Lv2EditorUi;

namespace {

constexpr char kUiUri[] = "urn:zun-soundlab:moltaro#ui";

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    // Nothing may escape into the host: without memory there is simply no editor.
    try {
        return Lv2EditorUi::create(features, write, controller, widget);
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle ui) { delete static_cast<Lv2EditorUi*>(ui); }

void portEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (ui) static_cast<Lv2EditorUi*>(ui)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle ui) { return ui ? static_cast<Lv2EditorUi*>(ui)->idle() : 1; }

const LV2UI_Idle_Interface kIdleInterface{idle};

const void* extensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor{kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
