#pragma once
// Shared pieces of the toolkit tests: a headless backend, a frame with a
// recording editor, a listener that records what controls report, and film
// strips whose images can be told apart by colour.

#include "platform/headless/HeadlessBackend.h"
#include "vstgui/VSTGUI.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace toolkit_test {

using namespace VSTGUI;
namespace pf = moltaro::platform;
namespace hl = moltaro::platform::headless;

// Everything a control tells its listener and the frame tells its editor, in order.
struct Recorder : CControlListener, CFrameOwner {
    std::vector<std::string> events;
    std::vector<float> values;
    long knobMode = kCircularMode;
    long modifierAnswer = 0;
    int idleCalls = 0;
    CFrame* frame = nullptr;

    void valueChanged(CDrawContext*, CControl* control) override {
        events.push_back("value " + std::to_string(control->getTag()));
        values.push_back(control->getValue());
    }
    long controlModifierClicked(CDrawContext*, CControl* control, long button) override {
        events.push_back("modifier " + std::to_string(control->getTag()) + " " + std::to_string(button));
        return modifierAnswer;
    }
    void doIdleStuff() override {
        ++idleCalls;
        if (frame) frame->idle();
    }
    void beginEdit(long tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endEdit(long tag) override { events.push_back("end " + std::to_string(tag)); }
    long getKnobMode() const override { return knobMode; }

    int count(const std::string& e) const {
        int n = 0;
        for (const auto& x : events) n += x == e;
        return n;
    }
    void clear() {
        events.clear();
        values.clear();
    }
};

// Colour of image i in a test strip: each image is one solid colour.
inline uint32_t stripColor(int i) { return 0xff000000u | (static_cast<uint32_t>(i * 4 + 2) << 16) | 0x4080u; }
inline int stripIndexOf(uint32_t pixel) { return static_cast<int>(((pixel >> 16) & 0xff) - 2) / 4; }

// A vertical strip of n images of width x height, registered under id.
inline void registerStrip(int id, int n, int width, int height) {
    std::vector<uint32_t> px(static_cast<size_t>(width) * height * n);
    for (int i = 0; i < n; ++i)
        for (size_t k = 0; k < static_cast<size_t>(width) * height; ++k)
            px[static_cast<size_t>(i) * width * height + k] = stripColor(i);
    pf::registerBitmapResource(id, width, height * n, px.data());
}

inline void registerSolid(int id, int width, int height, uint32_t argb) {
    std::vector<uint32_t> px(static_cast<size_t>(width) * height, argb);
    pf::registerBitmapResource(id, width, height, px.data());
}

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new CFrame(CRect(0, 0, 200, 150), &parentToken, &recorder);
        recorder.frame = frame;
        window = backend->window();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (frame) frame->forget();
        frame = nullptr;
        recorder.frame = nullptr;
    }
    // Runs the script, then lets the frame redraw what is dirty.
    void run() {
        window->run();
        frame->idle();
    }
    uint32_t pixel(int x, int y) const { return window->frameBuffer().pixel(x, y); }

    hl::ScopedHeadlessBackend backend;
    int parentToken = 0;
    Recorder recorder;
    CFrame* frame = nullptr;
    hl::HeadlessWindow* window = nullptr;
};

}  // namespace toolkit_test
