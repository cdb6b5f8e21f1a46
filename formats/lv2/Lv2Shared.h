#pragma once
// What the LV2 UI binary sees of the DSP instance, through the host's instance-access
// feature. Both binaries come from one build, so they agree on the effect's layout; the
// UI drives the very effect object the DSP side renders with.

#include <atomic>
#include <cstdint>

class Moltaro;

namespace moltaro::lv2 {

constexpr std::uint32_t kInstanceMagic = 0x324c564du;  // guards against a foreign handle

// Set by the UI while its editor is open. The DSP side's host callback forwards the
// effect's edits (audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit) here,
// so that they reach the host as port writes and gestures.
struct UiLink {
    void* ui;
    void (*automate)(void* ui, int index, float normalised);  // [ui thread]
    void (*beginEdit)(void* ui, int index);                   // [ui thread]
    void (*endEdit)(void* ui, int index);                     // [ui thread]
};

// The LV2_Handle the DSP side hands out starts with this record.
struct SharedInstance {
    std::uint32_t magic = kInstanceMagic;
    Moltaro* effect = nullptr;                  // owned by the DSP side
    std::atomic<const UiLink*> uiLink{nullptr};  // null while no editor is open
};

}  // namespace moltaro::lv2
