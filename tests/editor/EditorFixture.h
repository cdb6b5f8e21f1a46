#pragma once
// An effect in a recording host with its editor open in a headless window: the
// script drives the mouse, keys, menus and text fields; the host records what the
// effect tells it. File dialogs, message boxes and the A/B memories' store are
// answered in memory, so that no test blocks on a dialog or touches the user's files.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "editor/MoltaroEditor.h"
#include "platform/KeyValueStore.h"
#include "platform/ScriptedDialogs.h"
#include "platform/headless/HeadlessBackend.h"
#include "shell/Moltaro.h"
#include "formats/vst2/PluginEntry.h"
#include "support/RecordingHost.h"
#include "vstgui/VSTGUI.h"

namespace editor_test {

using namespace VSTGUI;
namespace pf = moltaro::platform;
namespace hl = moltaro::platform::headless;

// A key/value store in memory.
class MemoryStore : public pf::KeyValueStore {
public:
    MemoryStore() { pf::installKeyValueStore(this); }
    ~MemoryStore() override { pf::installKeyValueStore(nullptr); }
    pf::StoreStatus write(const pf::StoreKey& key, const pf::StoredValues& values) override {
        for (const auto& v : values) keys[key][v.first] = v.second;
        return pf::StoreStatus::ok;
    }
    pf::StoreStatus read(const pf::StoreKey& key, pf::StoredValues& values) override {
        auto it = keys.find(key);
        if (it == keys.end()) return pf::StoreStatus::notFound;
        values = it->second;
        return pf::StoreStatus::ok;
    }
    std::map<pf::StoreKey, pf::StoredValues> keys;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.load(moltaroPluginMain), nullptr);
        ASSERT_TRUE(host.effect()->flags & effFlagsHasEditor);
        editor = dynamic_cast<MoltaroEditor*>(effect().getEditor());
        ASSERT_NE(editor, nullptr);
        openEditor();
        host.clearCalls();
    }
    void TearDown() override { host.close(); }

    void openEditor() {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, &parentToken), 1);
        window = backend->window();
        ASSERT_NE(window, nullptr);
        idle();
    }
    void closeEditor() { host.dispatch(effEditClose); }

    Moltaro& effect() { return *static_cast<Moltaro*>(AudioEffect::fromAeffect(host.effect())); }
    CFrame* frame() { return editor->getFrame(); }

    // One host idle: the script runs, what is dirty is drawn.
    void idle() { host.dispatch(effEditIdle); }
    // Runs the whole script, then idles once more so that everything is drawn.
    void settle() {
        for (int i = 0; i < 4 && window->pendingSteps() > 0; ++i) idle();
        idle();
    }
    void click(int x, int y) {
        window->click(x, y);
        settle();
    }
    void drag(pf::Point from, pf::Point to, int steps = 10) {
        window->drag(from, to, steps);
        settle();
    }
    void wheel(int x, int y, float distance) {
        window->move(x, y);
        window->wheel(distance);
        settle();
    }

    // Types into the text field under (x, y) and presses Enter.
    void typeInto(int x, int y, const std::string& text) {
        click(x, y);
        ASSERT_NE(window->textField(), nullptr) << "no text field opened at " << x << "," << y;
        window->textField()->type(text);
        window->textField()->pressEnter();
        settle();
    }

    std::string fieldText(int parameter) {
        CTextEdit* t = editor->getTextField(parameter);
        return t ? t->getTextPointer() : std::string("<no field>");
    }

    // The host calls of one kind of parameter gesture: begin/automate/end for index.
    std::vector<testhost::HostCall> gestureCalls() {
        return host.callsOf({audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit});
    }
    // "B3 A3 E3" style summary of begin (B), automate (A) and end (E) calls.
    std::string gestures() {
        std::string s;
        for (const auto& c : gestureCalls()) {
            if (!s.empty()) s += ' ';
            s += c.opcode == audioMasterBeginEdit ? 'B' : c.opcode == audioMasterAutomate ? 'A' : 'E';
            s += std::to_string(c.index);
        }
        return s;
    }
    float lastAutomated(VstInt32 index) {
        float v = -1.f;
        for (const auto& c : host.callsOf({audioMasterAutomate}))
            if (c.index == index) v = c.opt;
        return v;
    }

    uint32_t pixel(int x, int y) const { return window->frameBuffer().pixel(x, y); }

    hl::ScopedHeadlessBackend backend;
    pf::ScopedScriptedDialogs dialogs;
    MemoryStore store;
    testhost::RecordingHost host;
    int parentToken = 0;
    MoltaroEditor* editor = nullptr;
    hl::HeadlessWindow* window = nullptr;
};

}  // namespace editor_test

namespace editor_test {

// The drawing library keeps font caches for the whole process; they are freed after
// the last test so that LeakSanitizer sees only real leaks.
class ReleaseDrawingCaches : public ::testing::Environment {
public:
    void TearDown() override { hl::releaseProcessCaches(); }
};

}  // namespace editor_test
