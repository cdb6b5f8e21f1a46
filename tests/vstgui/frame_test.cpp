// The frame and its views: click dispatch, the modal and focus views, idle
// redraw, the splash screen, containers, reference counting, drag and drop, and
// behaviour without a window.

#include "ToolkitFixture.h"

#include <cstring>

namespace toolkit_test {
namespace {

// A view that counts what reaches it.
class ProbeView : public CView {
public:
    ProbeView(const CRect& r, std::vector<std::string>* log, const char* name) : CView(r), log(log), name(name) {}
    ~ProbeView() override {
        if (destroyed) *destroyed = true;
    }
    void mouse(CDrawContext* context, CPoint& where, long buttons) override {
        if (buttons == -1) buttons = context->getMouseButtons();
        lastWhere = where;
        log->push_back(std::string(name) + " click");
    }
    void draw(CDrawContext* context) override {
        ++draws;
        CView::draw(context);
    }
    bool onWheel(CDrawContext*, const CPoint&, float distance) override {
        log->push_back(std::string(name) + " wheel " + std::to_string(static_cast<int>(distance)));
        return true;
    }
    long onKeyDown(VstKeyCode&) override {
        log->push_back(std::string(name) + " key");
        return 1;
    }
    void looseFocus(CDrawContext*) override { log->push_back(std::string(name) + " lost focus"); }
    bool onDrop(CDrawContext*, CDragContainer* drag, const CPoint&) override {
        log->push_back(std::string(name) + " drop " + drag->getItem(0));
        return true;
    }
    void onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) override { log->push_back(std::string(name) + " enter"); }

    std::vector<std::string>* log;
    const char* name;
    CPoint lastWhere;
    int draws = 0;
    bool* destroyed = nullptr;
};

class FrameTest : public ToolkitTest {
protected:
    std::vector<std::string> log;
};

TEST_F(FrameTest, ClickGoesToTheNewestChildThatTakesIt) {
    auto* older = new ProbeView(CRect(10, 10, 60, 60), &log, "older");
    auto* newer = new ProbeView(CRect(40, 40, 90, 90), &log, "newer");
    frame->addView(older);
    frame->addView(newer);
    window->click(50, 50);  // both: the newer wins
    window->click(20, 20);
    window->click(100, 100);  // nobody
    run();
    EXPECT_EQ(log, (std::vector<std::string>{"newer click", "older click"}));
    log.clear();
    newer->setMouseEnabled(false);
    window->click(50, 50);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"older click"});
    // A mouse-able area smaller than the view limits where it takes clicks.
    log.clear();
    older->setMouseableArea(CRect(10, 10, 20, 20));
    window->click(50, 50);
    window->click(15, 15);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"older click"});
}

TEST_F(FrameTest, ModalViewTakesAllClicks) {
    auto* button = new ProbeView(CRect(10, 10, 60, 60), &log, "button");
    auto* modal = new ProbeView(CRect(0, 0, 100, 100), &log, "modal");
    auto* second = new ProbeView(CRect(0, 0, 10, 10), &log, "second");
    frame->addView(button);
    ASSERT_TRUE(frame->setModalView(modal));
    EXPECT_FALSE(frame->setModalView(second)) << "only one modal view at a time";
    EXPECT_EQ(frame->getModalView(), modal);
    window->click(20, 20);     // over the button: the modal view gets it
    window->click(150, 120);   // outside the modal view: nobody
    window->wheel(1.f);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"modal click"});
    EXPECT_EQ(frame->getCurrentView(), modal);

    // Ending the modal state removes the view without releasing it.
    ASSERT_TRUE(frame->setModalView(nullptr));
    EXPECT_FALSE(frame->isChild(modal));
    EXPECT_EQ(modal->getNbReference(), 1);
    log.clear();
    window->click(20, 20);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"button click"});
    modal->forget();
    second->forget();
}

TEST_F(FrameTest, FocusViewLosesFocusOnAnyClickAndGetsTheKeys) {
    auto* a = new ProbeView(CRect(10, 10, 60, 60), &log, "a");
    auto* b = new ProbeView(CRect(70, 10, 120, 60), &log, "b");
    frame->addView(a);
    frame->addView(b);
    frame->setFocusView(a);
    VstKeyCode key;
    key.virt = VKEY_UP;
    EXPECT_EQ(frame->onKeyDown(key), 1);
    frame->setFocusView(b);
    EXPECT_EQ(log, (std::vector<std::string>{"a key", "a lost focus"}));
    log.clear();
    window->click(150, 120);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"b lost focus"});
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(frame->onKeyDown(key), -1);
    // Setting the same focus view again does not make it lose focus.
    log.clear();
    frame->setFocusView(a);
    frame->setFocusView(a);
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameTest, IdleRedrawsOnlyDirtyViews) {
    auto* a = new ProbeView(CRect(10, 10, 60, 60), &log, "a");
    auto* b = new ProbeView(CRect(70, 10, 120, 60), &log, "b");
    frame->addView(a);
    frame->addView(b);
    frame->idle();
    const int aDraws = a->draws, bDraws = b->draws;
    EXPECT_GE(aDraws, 1);
    frame->idle();
    EXPECT_EQ(a->draws, aDraws) << "nothing dirty, nothing drawn";
    b->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, aDraws);
    EXPECT_EQ(b->draws, bDraws + 1);
    EXPECT_FALSE(frame->isDirty());
    // A dirty frame redraws everything.
    frame->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, aDraws + 1);
    EXPECT_EQ(b->draws, bDraws + 2);
}

TEST_F(FrameTest, DirtyViewUnderAModalViewDoesNotPaintOverIt) {
    registerSolid(9201, 50, 50, 0xff00ff00u);
    registerSolid(9202, 100, 100, 0xffff0000u);
    CBitmap* green = new CBitmap(9201);
    CBitmap* red = new CBitmap(9202);
    auto* below = new CView(CRect(10, 10, 60, 60));
    below->setBackground(green);
    auto* modal = new CView(CRect(0, 0, 100, 100));
    modal->setBackground(red);
    green->forget();
    red->forget();
    frame->addView(below);
    frame->setModalView(modal);
    frame->idle();
    EXPECT_EQ(pixel(30, 30), 0xffff0000u);
    below->setDirty(true);
    frame->idle();
    EXPECT_EQ(pixel(30, 30), 0xffff0000u);
    frame->setModalView(nullptr);
    modal->forget();
    window->run();  // the removed view's area is painted again
    EXPECT_EQ(pixel(30, 30), 0xff00ff00u);
}

TEST_F(FrameTest, NewModalViewIsDrawnWholeEvenWhenADirtyViewBelowOverlapsIt) {
    registerSolid(9207, 40, 40, 0xff00ff00u);
    registerSolid(9208, 100, 100, 0xffff0000u);
    CBitmap* green = new CBitmap(9207);
    CBitmap* red = new CBitmap(9208);
    auto* below = new CView(CRect(80, 80, 120, 120));  // only its corner lies under the modal view
    below->setBackground(green);
    auto* modal = new CView(CRect(0, 0, 100, 100));
    modal->setBackground(red);
    green->forget();
    red->forget();
    frame->addView(below);
    frame->idle();
    below->setDirty(true);
    frame->setModalView(modal);
    frame->idle();
    EXPECT_EQ(pixel(10, 10), 0xffff0000u) << "far from the view below";
    EXPECT_EQ(pixel(90, 90), 0xffff0000u);
    EXPECT_EQ(pixel(110, 110), 0xff00ff00u);
    frame->setModalView(nullptr);
    modal->forget();
}

TEST_F(FrameTest, SplashScreenOpensAsModalViewAndClosesOnAClick) {
    registerSolid(9203, 200, 100, 0xff336699u);
    CBitmap* picture = new CBitmap(9203);
    auto* splash = new CSplashScreen(CRect(10, 0, 190, 10), &recorder, 31, picture, CRect(0, 0, 200, 100));
    picture->forget();
    auto* knobBelow = new ProbeView(CRect(50, 50, 70, 70), &log, "below");
    frame->addView(knobBelow);
    frame->addView(splash);
    window->click(100, 5);
    run();
    EXPECT_FLOAT_EQ(splash->getValue(), 1.f);
    ASSERT_NE(frame->getModalView(), nullptr);
    EXPECT_TRUE(frame->getModalView()->isTypeOf("CSplashScreenView"));
    EXPECT_EQ(recorder.count("value 31"), 1);
    EXPECT_EQ(pixel(60, 60), 0xff336699u);
    // A click anywhere on it closes it (and reaches nothing below).
    window->click(60, 60);
    run();
    EXPECT_TRUE(log.empty());
    EXPECT_FLOAT_EQ(splash->getValue(), 0.f);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(recorder.count("value 31"), 2);
    EXPECT_EQ(frame->getNbViews(), 2);
    window->click(60, 60);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"below click"});
}

TEST_F(FrameTest, ContainersOffsetTheirChildren) {
    auto* box = new CViewContainer(CRect(50, 40, 150, 140), frame);
    box->setBackgroundColor(kBlueCColor);
    auto* inner = new ProbeView(CRect(10, 10, 30, 30), &log, "inner");
    box->addView(inner);
    frame->addView(box);
    EXPECT_EQ(box->notify(nullptr, kMsgCheckIfViewContainer), 1);
    EXPECT_EQ(inner->notify(nullptr, kMsgCheckIfViewContainer), 0);
    EXPECT_EQ(inner->getWindowRect(), CRect(60, 50, 80, 70));
    EXPECT_EQ(inner->getFrame(), frame);
    window->click(65, 55);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"inner click"});
    EXPECT_EQ(inner->lastWhere, CPoint(15, 15)) << "the point in the container's coordinates";
    EXPECT_EQ(pixel(55, 45), 0xff0000ffu);
}

TEST_F(FrameTest, TypesAndReferenceCounts) {
    auto* knob = new CKnob(CRect(0, 0, 10, 10), nullptr, 0, nullptr, nullptr);
    EXPECT_TRUE(knob->isTypeOf("CKnob"));
    EXPECT_TRUE(knob->isTypeOf("CControl"));
    EXPECT_TRUE(knob->isTypeOf("CView"));
    EXPECT_FALSE(knob->isTypeOf("CAnimKnob"));
    EXPECT_FALSE(knob->isTypeOf(nullptr));
    auto* edit = new CTextEdit(CRect(), nullptr, 0);
    EXPECT_TRUE(edit->isTypeOf("CParamDisplay"));
    EXPECT_TRUE(frame->isTypeOf("CViewContainer"));
    EXPECT_FALSE(frame->isTypeOf("CControl"));
    knob->forget();
    edit->forget();

    // Views handed to the frame are released with it; bitmaps by every holder.
    registerSolid(9204, 4, 4, 0xffffffffu);
    CBitmap* bitmap = new CBitmap(9204);
    bool destroyed = false;
    auto* view = new ProbeView(CRect(0, 0, 5, 5), &log, "v");
    view->destroyed = &destroyed;
    view->setBackground(bitmap);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    frame->addView(view);
    frame->removeView(view);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(bitmap->getNbReference(), 1);
    bitmap->forget();
}

TEST_F(FrameTest, WheelGoesToTheViewUnderThePointer) {
    frame->addView(new ProbeView(CRect(10, 10, 60, 60), &log, "a"));
    window->move(20, 20);
    window->wheel(2.f);
    window->move(150, 120);
    window->wheel(1.f);
    run();
    EXPECT_EQ(log, std::vector<std::string>{"a wheel 2"});
}

TEST_F(FrameTest, DropsReachTheViewUnderThePointer) {
    frame->addView(new ProbeView(CRect(10, 10, 60, 60), &log, "a"));
    window->dropFiles({"/tmp/one.zun"}, {20, 20});
    window->dropText("hello", {100, 100});
    EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a drop /tmp/one.zun"}));
}

TEST_F(FrameTest, TrackingLoopsKeepTheEditorIdle) {
    registerStrip(9205, 3, 20, 20);
    CBitmap* strip = new CBitmap(9205);
    auto* knob = new CAnimKnob(CRect(10, 10, 30, 30), &recorder, 4, 3, 20, strip);
    strip->forget();
    frame->addView(knob);
    recorder.knobMode = kLinearMode;
    window->drag({20, 20}, {20, -80}, 10);
    run();
    EXPECT_GE(recorder.idleCalls, 10);
    // The knob was redrawn during the drag: the window shows the last image.
    EXPECT_EQ(stripIndexOf(pixel(20, 20)), 1);
}

TEST_F(FrameTest, ForgottenReleaseDoesNotHang) {
    registerStrip(9206, 3, 20, 20);
    CBitmap* strip = new CBitmap(9206);
    frame->addView(new CAnimKnob(CRect(10, 10, 30, 30), &recorder, 4, 3, 20, strip));
    strip->forget();
    window->move(20, 20);
    window->press();
    run();
    EXPECT_TRUE(window->scriptRanDry());
}

TEST_F(FrameTest, CurrentViewIncludesTheEdges) {
    auto* a = new ProbeView(CRect(10, 10, 60, 60), &log, "a");
    frame->addView(a);
    window->move(60, 60);
    run();
    EXPECT_EQ(frame->getCurrentView(), a);
    window->move(61, 60);
    run();
    EXPECT_EQ(frame->getCurrentView(), nullptr);
}

TEST_F(FrameTest, PaintingThroughAnOffscreenPictureLooksTheSame) {
    registerStrip(9209, 2, 30, 30);
    CBitmap* strip = new CBitmap(9209);
    auto* view = new CView(CRect(20, 20, 50, 50));
    view->setBackground(strip);
    strip->forget();
    frame->addView(view);
    frame->setBackgroundColor(kYellowCColor);
    frame->setDirty(true);
    frame->idle();
    const pf::Image direct = window->frameBuffer();
    CDrawContext* c = frame->createDrawContext();
    c->setFillColor(kBlackCColor);
    c->fillRect(CRect(0, 0, 200, 150));
    c->forget();
    frame->setUseOffscreen(true);
    frame->invalidate(CRect(0, 0, 200, 150));
    EXPECT_TRUE(frame->pumpOnePaint());
    EXPECT_FALSE(frame->pumpOnePaint()) << "one paint at a time";
    for (int y = 0; y < 150; y += 7)
        for (int x = 0; x < 200; x += 7) ASSERT_EQ(window->frameBuffer().pixel(x, y), direct.pixel(x, y)) << x << "," << y;
}

TEST_F(FrameTest, WindowDestroyedUnderTheFrameIsNoLongerUsed) {
    frame->addView(new ProbeView(CRect(10, 10, 60, 60), &log, "a"));
    window->simulateDestroyed();
    EXPECT_FALSE(frame->isOpen());
    frame->setDirty(true);
    frame->idle();
    frame->doIdleStuff();
    frame->invalidate(CRect(0, 0, 10, 10));
    CDrawContext* c = frame->createDrawContext();
    EXPECT_EQ(c->getDevice(), nullptr);
    c->forget();
}

TEST_F(FrameTest, ResizingTheFrameResizesItsWindow) {
    EXPECT_TRUE(frame->setSize(300, 200));
    EXPECT_EQ(window->frameBuffer().width(), 300);
    EXPECT_EQ(window->frameBuffer().height(), 200);
    CRect r;
    frame->getSize(&r);
    EXPECT_EQ(r, CRect(0, 0, 300, 200));
    EXPECT_FALSE(frame->setSize(0, 10));
}

TEST(FrameWithoutWindow, EverythingIsSafeWithoutABackend) {
    // No backend installed: no window, nothing drawn, clicks do nothing.
    Recorder recorder;
    auto* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, &recorder);
    EXPECT_FALSE(frame->isOpen());
    auto* knob = new CKnob(CRect(0, 0, 10, 10), &recorder, 1, nullptr, nullptr);
    frame->addView(knob);
    frame->idle();
    frame->doIdleStuff();
    CPoint where(5, 5);
    frame->mouse(nullptr, where, -1);
    auto* edit = new CTextEdit(CRect(20, 20, 40, 30), &recorder, 2);
    frame->addView(edit);
    edit->mouse(nullptr, where, kLButton);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(frame->getFocusView(), nullptr);
    // The edit that began has ended.
    EXPECT_EQ(recorder.count("begin 2"), recorder.count("end 2"));
    CBitmap missing(424242);
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_FALSE(missing.isLoaded());
    frame->forget();
}

}  // namespace
}  // namespace toolkit_test
