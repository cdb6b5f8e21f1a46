#include "formats/lv2/ui/Lv2EditorUi.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "editor/MoltaroEditor.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "shell/Moltaro.h"
#include "shell/ParameterLaws.h"

namespace moltaro::lv2 {

namespace {

// What the host offers, by URI; null when it does not.
const void* feature(const LV2_Feature* const* features, const char* uri) {
    if (!features) return nullptr;
    for (; *features; ++features)
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// Refusals go to the host's log when it has one (and a URID map to name the entry's
// type), else to stderr.
void reportError(const LV2_Feature* const* features, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const auto* log = static_cast<const LV2_Log_Log*>(feature(features, LV2_LOG__log));
    const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
    if (log && log->printf && map && map->map) {
        log->printf(log->handle, map->map(map->handle, LV2_LOG__Error), "ZUN Moltaro editor: %s\n", text);
        return;
    }
    std::fprintf(stderr, "ZUN Moltaro editor: %s\n", text);
}

// The host's ui:scaleFactor option (a float), 0 when it gives none.
double hostScaleFactor(const LV2_Feature* const* features) {
    const auto* options = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
    const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
    if (!options || !map || !map->map) return 0.0;
    const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
        if (o->key == key && o->type == floatType && o->size == sizeof(float) && o->value) {
            float f;
            std::memcpy(&f, o->value, sizeof f);
            return std::isfinite(f) && f > 0.0f ? f : 0.0;
        }
    return 0.0;
}

bool isPortParameter(int index) { return index >= 0 && index < kNumPortParameters; }

}  // namespace

Lv2EditorUi* Lv2EditorUi::create(const LV2_Feature* const* features, LV2UI_Write_Function write,
                                 LV2UI_Controller controller, LV2UI_Widget* widget) {
    auto* shared = static_cast<SharedInstance*>(const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!shared) {
        reportError(features, "the host gives no access to the plug-in instance (%s)", LV2_INSTANCE_ACCESS_URI);
        return nullptr;
    }
    if (shared->magic != kInstanceMagic || !shared->effect) {
        reportError(features, "the instance the host passed is not a ZUN Moltaro of this build");
        return nullptr;
    }
    if (!parent) {
        reportError(features, "the host gives no window to open in (%s)", LV2_UI__parent);
        return nullptr;
    }
    if (!write || !widget) {
        reportError(features, "the host gives no port write function or widget slot");
        return nullptr;
    }
    Lv2EditorUi* ui = new (std::nothrow) Lv2EditorUi;
    if (!ui) return nullptr;
    ui->shared = shared;
    ui->effect = shared->effect;
    ui->write = write;
    ui->controller = controller;
    ui->touchFeature = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    ui->resizeFeature = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    ui->hostScale = hostScaleFactor(features);
    ui->link = UiLink{ui, &Lv2EditorUi::automate, &Lv2EditorUi::beginEdit, &Lv2EditorUi::endEdit};
    // One editor per instance: the effect has room for one.
    const UiLink* none = nullptr;
    if (!shared->uiLink.compare_exchange_strong(none, &ui->link)) {
        reportError(features, "an editor of this instance is open already");
        delete ui;
        return nullptr;
    }
    ui->linked = true;
    if (!ui->open(parent, widget)) {
        reportError(features, "the editor window could not be opened (no X display, or the host's window is gone)");
        delete ui;
        return nullptr;
    }
    ui->announceSize();
    return ui;
}

bool Lv2EditorUi::open(void* parent, LV2UI_Widget* widget) {
    // Once per binary, before the first editor exists.
    static const bool installed = (platform::setBackend(&platform::systemBackend()), true);
    (void)installed;
    shared->holdEditor();
    // Attaches itself to the effect, which deletes the editor it had (the DSP side's
    // stand-in, or nothing).
    editor = new (std::nothrow) MoltaroEditor(effect);
    shared->releaseEditor();
    if (editor && hostScale > 0) editor->setHostScale(hostScale);
    ERect* r = nullptr;
    if (!editor || !editor->getRect(&r) || !r) return false;
    container = platform::backend().createWindow(parent, r->right - r->left, r->bottom - r->top, &containerListener);
    if (!container || !editor->open(container->nativeHandle())) return false;
    *widget = container->nativeHandle();
    return true;
}

Lv2EditorUi::~Lv2EditorUi() {
    if (editor) {
        // Closing ends a text field's editing, which may still report its edit.
        editor->close();
        // A gesture the host was told of must end, or it keeps ignoring automation.
        for (int i = 0; i < kNumPortParameters; ++i)
            if (gestures[i] > 0) {
                gestures[i] = 0;
                touch(i, false);
            }
    }
    if (linked) shared->uiLink.store(nullptr);
    if (editor) {
        shared->holdEditor();
        effect->setEditor(nullptr);  // deletes it
        shared->releaseEditor();
    }
    container.reset();
}

void Lv2EditorUi::announceSize() {
    ERect* r = nullptr;
    if (!editor->getRect(&r) || !r) return;
    const int width = r->right - r->left, height = r->bottom - r->top;
    if (width == announcedWidth && height == announcedHeight) return;
    announcedWidth = width;
    announcedHeight = height;
    if (container) container->setSize(width, height);
    if (resizeFeature && resizeFeature->ui_resize) resizeFeature->ui_resize(resizeFeature->handle, width, height);
}

int Lv2EditorUi::idle() {
    if (!editor) return 1;
    editor->idle();
    announceSize();
    return container && platform::x11::isAlive(*container) ? 0 : 1;
}

void Lv2EditorUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    if (format != 0 || size != sizeof(float) || !buffer || port < kFirstParameterPort) return;
    const int index = static_cast<int>(port - kFirstParameterPort);
    if (!isPortParameter(index)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (!std::isfinite(value)) return;  // ignored, as in the VST module
    // While the user moves a control the host's echoes of earlier writes would pull
    // it back; a value the effect already holds needs nothing.
    if (gestures[index] > 0) return;
    const ParameterLaw& law = *parameterLaw(index);
    const float x = normalisedValue(law, value);
    if (portValue(law, effect->getParameter(index)) == portValue(law, x)) return;
    effect->setParameter(index, x);
}

void Lv2EditorUi::automate(void* self, int index, float normalised) {
    auto* ui = static_cast<Lv2EditorUi*>(self);
    if (!isPortParameter(index) || !std::isfinite(normalised)) return;
    const float value = portValue(*parameterLaw(index), normalised);
    ui->write(ui->controller, kFirstParameterPort + static_cast<std::uint32_t>(index), sizeof value, 0, &value);
}

void Lv2EditorUi::beginEdit(void* self, int index) {
    auto* ui = static_cast<Lv2EditorUi*>(self);
    if (!isPortParameter(index)) return;
    ++ui->gestures[index];
    if (ui->gestures[index] == 1) ui->touch(index, true);
}

void Lv2EditorUi::endEdit(void* self, int index) {
    auto* ui = static_cast<Lv2EditorUi*>(self);
    if (!isPortParameter(index) || ui->gestures[index] == 0) return;
    if (--ui->gestures[index] == 0) ui->touch(index, false);
}

void Lv2EditorUi::touch(int index, bool grabbed) {
    if (touchFeature && touchFeature->touch)
        touchFeature->touch(touchFeature->handle, kFirstParameterPort + static_cast<std::uint32_t>(index), grabbed);
}

}  // namespace moltaro::lv2
