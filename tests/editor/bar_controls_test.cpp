// The preset bar's own controls on a frame of their own: which image each shows in
// each state, and what a click asks of the editor, looked at while it happens.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/HeadlessBackend.h"
#include "presetsystem/CPresetOnOffButton.h"
#include "presetsystem/CPresetRockerSwitch.h"
#include "presetsystem/CSaveLoadButton.h"
#include "vstgui/VSTGUI.h"

namespace {

using namespace VSTGUI;
namespace pf = moltaro::platform;
namespace hl = moltaro::platform::headless;

constexpr int kStripId = 9901;
constexpr int kArrowStripId = 9902;

// A strip of n images of w x h, image i filled with grey level 20 * (i + 1).
void registerStrip(int id, int n, int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h * n);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < w * h; ++k) {
            const uint32_t g = 20u * (i + 1);
            px[static_cast<size_t>(i) * w * h + k] = 0xff000000u | (g << 16) | (g << 8) | g;
        }
    pf::registerBitmapResource(id, w, h * n, px.data());
}
int imageAt(uint32_t pixel) { return static_cast<int>((pixel & 0xff) / 20) - 1; }

// The editor's side: records every request with the image its control showed then.
struct FakeEditor : CPresetSystemListener, CFrameOwner {
    std::vector<std::string> log;
    std::vector<std::string> imagesWhileTracking;
    CControl* watched = nullptr;
    CFrame* frame = nullptr;

    std::string shown() {
        if (auto* r = dynamic_cast<CPresetRockerSwitch*>(watched)) return std::to_string(r->getImageIndex());
        if (auto* b = dynamic_cast<CSaveLoadButton*>(watched)) return std::to_string(b->getImageIndex());
        if (auto* b = dynamic_cast<CPresetOnOffButton*>(watched)) return std::to_string(b->getImageIndex());
        return "?";
    }
    void valueChanged(CDrawContext*, CControl* c) override {
        log.push_back("value " + std::to_string(c->getTag()) + " image " + shown());
    }
    void loadBank() override { log.push_back("loadBank image " + shown()); }
    void saveBank() override { log.push_back("saveBank image " + shown()); }
    void loadPreset() override { log.push_back("loadPreset image " + shown()); }
    void savePreset() override { log.push_back("savePreset image " + shown()); }
    void stepProgram(bool up) override { log.push_back(std::string(up ? "next" : "previous") + " image " + shown()); }
    void doIdleStuff() override {
        imagesWhileTracking.push_back(shown());
        if (frame) frame->idle();
    }
    void beginEdit(long tag) override { log.push_back("begin " + std::to_string(tag)); }
    void endEdit(long tag) override { log.push_back("end " + std::to_string(tag)); }
};

class BarControls : public ::testing::Test {
protected:
    void SetUp() override {
        registerStrip(kStripId, 4, 12, 14);
        registerStrip(kArrowStripId, 5, 31, 14);
        frame = new CFrame(CRect(0, 0, 100, 40), &token, &editor);
        editor.frame = frame;
        window = backend->window();
    }
    void TearDown() override {
        editor.frame = nullptr;
        frame->forget();
    }
    void settle() {
        window->run();
        frame->idle();
    }
    template <class T>
    T* add(T* control) {
        frame->addView(control);
        editor.watched = control;
        return control;
    }

    hl::ScopedHeadlessBackend backend;
    int token = 0;
    FakeEditor editor;
    CFrame* frame = nullptr;
    hl::HeadlessWindow* window = nullptr;
};

TEST_F(BarControls, ArrowsStepOnceWithThePressedImageShowing) {
    CBitmap* strip = new CBitmap(kArrowStripId);
    auto* arrows = add(new CPresetRockerSwitch(CRect(20, 10, 51, 24), &editor, 33, 14, strip, CPoint(0, 0)));
    strip->forget();
    settle();
    EXPECT_EQ(imageAt(window->frameBuffer().pixel(30, 15)), 0);

    window->move(25, 15);
    window->press();
    for (int i = 0; i < 5; ++i) window->move(26, 15);
    window->release();
    window->click(45, 15);
    settle();
    EXPECT_EQ(editor.log, (std::vector<std::string>{"previous image 3", "next image 4"}));
    EXPECT_EQ(arrows->getValue(), 0.f);
    EXPECT_EQ(imageAt(window->frameBuffer().pixel(30, 15)), 0);

    // Each half lights up under the mouse; outside the rows a click does nothing.
    editor.log.clear();
    arrows->setHighlight(true, 35, 15);
    EXPECT_EQ(arrows->getHighlight(), 2);  // the halves split at 35: 20..34 and 35..50
    arrows->setHighlight(true, 22, 12);
    EXPECT_EQ(arrows->getHighlight(), 1);
    settle();
    EXPECT_EQ(imageAt(window->frameBuffer().pixel(30, 15)), 1);
    arrows->setHighlight(true, 60, 15);  // in neither half: unchanged
    EXPECT_EQ(arrows->getHighlight(), 1);
    arrows->setHighlight(false, 22, 12);
    EXPECT_EQ(arrows->getHighlight(), 0);
    window->click(35, 24);  // below the rows: nothing
    settle();
    EXPECT_TRUE(editor.log.empty());
}

TEST_F(BarControls, SaveLoadButtonRunsItsOperationPressedThenEndsTheEdit) {
    const long modes[4] = {CSaveLoadButton::kLoadBank, CSaveLoadButton::kSaveBank, CSaveLoadButton::kLoadPreset,
                           CSaveLoadButton::kSavePreset};
    const char* expected[4] = {"loadBank image 2", "saveBank image 2", "loadPreset image 2", "savePreset image 2"};
    for (int i = 0; i < 4; ++i) {
        CBitmap* strip = new CBitmap(kStripId);
        auto* button = add(new CSaveLoadButton(CRect(5 + 14 * i, 5, 17 + 14 * i, 19), &editor, 34 + i, 14, strip,
                                               CPoint(0, 0), modes[i]));
        strip->forget();
        editor.log.clear();
        window->click(10 + 14 * i, 10);
        settle();
        EXPECT_EQ(editor.log, (std::vector<std::string>{expected[i], "end " + std::to_string(34 + i)}));
        EXPECT_EQ(button->getValue(), 0.f);
    }
    auto* button = static_cast<CSaveLoadButton*>(editor.watched);
    button->setHighlight(true);
    EXPECT_EQ(button->getImageIndex(), 1);
    EXPECT_TRUE(button->isDirty());
    settle();
    EXPECT_EQ(imageAt(window->frameBuffer().pixel(10 + 14 * 3, 10)), 1);
    button->setValue(1.f);
    EXPECT_EQ(button->getImageIndex(), 2) << "pressed wins over the highlight";
    button->setValue(0.f);
    button->setHighlight(false);
    EXPECT_EQ(button->getImageIndex(), 0);
}

TEST_F(BarControls, MemoryButtonReportsFirstAndShowsPressedWhileHeld) {
    CBitmap* strip = new CBitmap(kStripId);
    auto* button = add(new CPresetOnOffButton(CRect(5, 5, 17, 19), &editor, 39, strip));
    strip->forget();
    window->move(10, 10);
    window->press();
    window->move(11, 10);
    window->move(11, 11);
    window->release();
    settle();
    ASSERT_EQ(editor.log, (std::vector<std::string>{"value 39 image 0"}));
    ASSERT_FALSE(editor.imagesWhileTracking.empty());
    EXPECT_EQ(editor.imagesWhileTracking.front(), "2") << "pressed while held";
    EXPECT_FALSE(button->isPressed());
    EXPECT_EQ(button->getImageIndex(), 0);
    EXPECT_EQ(button->getValue(), 0.f) << "a memory button is not a switch";

    button->setHighlight(true);
    EXPECT_EQ(button->getImageIndex(), 1);
    button->setEnabled(false);
    EXPECT_EQ(button->getImageIndex(), 3);
    settle();
    EXPECT_EQ(imageAt(window->frameBuffer().pixel(10, 10)), 3);
}

}  // namespace
