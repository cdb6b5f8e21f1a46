#pragma once
// What the LV2 UI binary sees of the DSP instance, through the host's instance-access
// feature. Both binaries come from one build, so they agree on the effect's layout; the
// UI drives the very effect object the DSP side renders with.

#include <atomic>
#include <cstdint>
#include <thread>

class Moltaro;

namespace moltaro::lv2 {

constexpr std::uint32_t kInstanceMagic = 0x324c564du;  // guards against a foreign handle

// Port numbers, fixed once released (both binaries and the plug-in description use
// them): audio in left/right, audio out left/right, the control input of each host
// parameter 0..10 (Power .. Output) in parameter order, then the output peak level.
// The DSP side measures that peak from its own output buffers: the engine's peak meters
// belong to the editor's OVER lamp, which clears them as it reads them.
constexpr std::uint32_t kAudioInLeftPort = 0;
constexpr std::uint32_t kAudioInRightPort = 1;
constexpr std::uint32_t kAudioOutLeftPort = 2;
constexpr std::uint32_t kAudioOutRightPort = 3;
constexpr std::uint32_t kFirstParameterPort = 4;
constexpr int kNumPortParameters = 11;
constexpr std::uint32_t kPeakPort = kFirstParameterPort + kNumPortParameters;

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

    // The effect calls its editor from setParameter, and run() calls setParameter for
    // control ports that changed, while the UI attaches its editor to the effect when
    // it opens and deletes it when it closes. The two must never overlap: run()
    // brackets its calls into the effect with enterEffect()/leaveEffect() and, when
    // enterEffect() answers false, leaves the changed ports for the next block; the UI
    // brackets the editor's replacement with holdEditor()/releaseEditor().

    // [audio thread] never waits.
    bool enterEffect() {
        inEffect.store(true, std::memory_order_seq_cst);
        if (!editorHeld.load(std::memory_order_seq_cst)) return true;
        inEffect.store(false, std::memory_order_release);
        return false;
    }
    void leaveEffect() { inEffect.store(false, std::memory_order_release); }
    // [ui thread] waits while run() is inside the effect (one block's port updates).
    void holdEditor() {
        editorHeld.store(true, std::memory_order_seq_cst);
        while (inEffect.load(std::memory_order_seq_cst)) std::this_thread::yield();
    }
    void releaseEditor() { editorHeld.store(false, std::memory_order_release); }

    std::atomic<bool> inEffect{false};
    std::atomic<bool> editorHeld{false};
};

}  // namespace moltaro::lv2
