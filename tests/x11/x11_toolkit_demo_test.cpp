// The toolkit demo in a real X11 window under Xvfb, opened into a parent window as a
// host would open the editor, and operated with synthetic X input: a knob drag, a
// text entry and a menu choice. Also: the window shows exactly the pixels the
// headless backend draws, and a hundred open/close cycles leave nothing behind.

#include <gtest/gtest.h>

#include "ToolkitDemo.h"
#include "X11Fixture.h"
#include "platform/headless/HeadlessBackend.h"

#include <atomic>

using namespace moltaro::platform;
using toolkit_demo::ToolkitDemo;
using xtest::Host;
using xtest::pause;

namespace {

class X11DemoTest : public xtest::X11Fixture {
protected:
    X11DemoTest() : X11Fixture(30, 30, 400, 280) {}
    void SetUp() override {
        X11Fixture::SetUp();
        if (ready())
            setBackend(&backend);
    }
    void TearDown() override {
        if (user.joinable())
            user.join();
        demo.close();
        setBackend(nullptr);
        X11Fixture::TearDown();
    }
    void open() {
        ASSERT_TRUE(demo.open(xtest::asParent(parent)));
        window = demo.getFrame()->getPlatformWindow();
        ASSERT_NE(window, nullptr);
        // What a host's idle calls do for the editor: read events, redraw what changed.
        ASSERT_TRUE(Host::waitUntil([&] {
            Image shown;
            return x11::captureWindow(*window, shown) && shown.pixel(359, 239) != 0xfff0f0f0u;
        }, [&] { idle(); }));
    }
    void idle() {
        window->processEvents();
        if (demo.getFrame())
            demo.getFrame()->idle();
    }
    bool idleUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
        return Host::waitUntil(done, [&] { idle(); }, timeoutMs);
    }

    ToolkitDemo demo;
    moltaro::platform::Window* window = nullptr;
};

}  // namespace

TEST_F(X11DemoTest, ShowsExactlyWhatTheHeadlessBackendDraws) {
    open();
    Image shown;
    ASSERT_TRUE(x11::captureWindow(*window, shown));
    const std::string path = std::string(MOLTARO_BUILD_DIR) + "/x11-toolkit-demo.png";
    EXPECT_TRUE(headless::writePng(shown, path));
    demo.close();
    setBackend(nullptr);

    headless::ScopedHeadlessBackend memory;
    ToolkitDemo same;
    int token = 0;
    ASSERT_TRUE(same.open(&token));
    memory->window()->run();
    same.getFrame()->idle();
    const Image& drawn = memory->window()->frameBuffer();
    ASSERT_EQ(drawn.width(), shown.width());
    ASSERT_EQ(drawn.height(), shown.height());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            differing += (drawn.pixel(x, y) & 0xffffff) != (shown.pixel(x, y) & 0xffffff);
    EXPECT_EQ(differing, 0) << "see " << path;
    same.close();
    setBackend(&backend);
}

TEST_F(X11DemoTest, DraggingTheKnobWithSyntheticInputChangesItsValue) {
    open();
    auto* knob = demo.getAnimKnob();
    ASSERT_NE(knob, nullptr);
    const float before = knob->getValue();
    Image was;
    ASSERT_TRUE(x11::captureWindow(*window, was));
    const int changesBefore = demo.changes();

    // The user presses on the film knob and drags 60 pixels up while the knob's
    // tracking loop polls the pointer; in linear mode 200 pixels cover the range.
    host->moveTo(px + 48, py + 62);
    std::atomic<bool> released{false};
    asUser([&](Host& hand) {
        hand.press(1);
        for (int i = 1; i <= 12; ++i) {
            pause(15);
            hand.moveTo(px + 48, py + 62 - 5 * i);
        }
        pause(30);
        hand.release(1);
        released = true;
    });
    idleUntil([&] { return released.load(); });
    user.join();
    idleUntil([&] { return false; }, 50);

    EXPECT_NEAR(knob->getValue(), before + 60.0f / 200.0f, 0.011f);
    EXPECT_GT(demo.changes(), changesBefore);
    Image now;
    ASSERT_TRUE(x11::captureWindow(*window, now));
    int knobPixelsChanged = 0;
    for (int y = 38; y < 86; ++y)
        for (int x = 24; x < 72; ++x)
            knobPixelsChanged += was.pixel(x, y) != now.pixel(x, y);
    EXPECT_GT(knobPixelsChanged, 20) << "the window should show the knob's new image";
    headless::writePng(now, std::string(MOLTARO_BUILD_DIR) + "/x11-toolkit-demo-dragged.png");
}

TEST_F(X11DemoTest, TheTextEditTakesTypedTextThroughTheX11Field) {
    open();
    auto* edit = demo.getTextEdit();
    ASSERT_NE(edit, nullptr);
    const ::Window frameWindow = static_cast<::Window>(x11::windowId(*window));
    host->moveTo(px + 60, py + 182);
    host->press(1);
    host->release(1);
    ASSERT_TRUE(idleUntil([&] { return host->childCount(frameWindow) == 1; })) << "no text field opened";
    ::Window focus = 0;
    int revert = 0;
    ASSERT_TRUE(idleUntil([&] {
        XGetInputFocus(host->display(), &focus, &revert);
        return focus != PointerRoot && focus != None && focus != parent;
    }));
    host->typeText("Hall 2");
    host->tap(XK_Return);
    ASSERT_TRUE(idleUntil([&] { return host->childCount(frameWindow) == 0; })) << "Enter should close the field";
    char text[256] = {};
    edit->getText(text);
    EXPECT_STREQ(text, "Hall 2");
}

TEST_F(X11DemoTest, AClickElsewhereInTheWindowEndsTheEditingAndKeepsTheText) {
    open();
    const ::Window frameWindow = static_cast<::Window>(x11::windowId(*window));
    host->moveTo(px + 60, py + 182);
    host->press(1);
    host->release(1);
    ASSERT_TRUE(idleUntil([&] { return host->childCount(frameWindow) == 1; }));
    ASSERT_TRUE(idleUntil([&] {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(host->display(), &focus, &revert);
        return focus != PointerRoot && focus != None && focus != parent;
    }));
    host->typeText("12");
    idleUntil([&] { return false; }, 30);
    host->moveTo(px + 200, py + 110);  // the panel, away from every control
    host->press(1);
    host->release(1);
    ASSERT_TRUE(idleUntil([&] { return host->childCount(frameWindow) == 0; }));
    char text[256] = {};
    demo.getTextEdit()->getText(text);
    EXPECT_STREQ(text, "12");
}

TEST_F(X11DemoTest, TheOptionMenuOpensBelowItselfAndTakesTheChoice) {
    open();
    auto* menu = demo.getMenu();
    ASSERT_NE(menu, nullptr);
    Host::Placed shown;
    asUser([&](Host& hand) {
        auto menus = hand.waitForPopups(1);
        if (menus.empty())
            return;
        shown = menus.back();
        hand.savePng(std::string(MOLTARO_BUILD_DIR) + "/x11-toolkit-demo-menu.png", shown.x, shown.y, shown.width,
                     shown.height);
        hand.moveTo(shown.x + 30, shown.y + 2 + 18 + 9);  // second entry: Room
        hand.press(1);
        hand.release(1);
    });
    host->moveTo(px + 190, py + 182);
    host->press(1);
    host->release(1);
    idleUntil([&] { return !user.joinable() || (shown.id != 0 && host->popups().empty()); });
    user.join();
    idleUntil([&] { return false; }, 50);
    EXPECT_EQ(shown.x, px + 144) << "at the control's left edge";
    EXPECT_EQ(shown.y, py + 190) << "below the control";
    EXPECT_EQ(menu->getCurrent(), 1);
    EXPECT_EQ(menu->getValue(), 1.0f);
}

TEST_F(X11DemoTest, AHundredOpenCloseCyclesLeaveNoWindowsAndNoServerResources) {
    // A second editor keeps the shared connection open, so leftovers would pile up.
    const ::Window otherParent = host->makeParent(100, 100, 600, 30);
    xtest::PlainListener quiet;
    auto keeper = backend.createWindow(xtest::asParent(otherParent), 50, 50, &quiet);
    ASSERT_NE(keeper, nullptr);

    open();
    demo.close();
    std::map<std::string, int> warm, after;
    const bool counted = host->clientResources(x11::windowId(*keeper), warm);
    const int screenWindows = host->childCount(DefaultRootWindow(host->display()));
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(demo.open(xtest::asParent(parent)));
        window = demo.getFrame()->getPlatformWindow();
        idle();
        ASSERT_EQ(host->childCount(parent), 1);
        demo.close();
        ASSERT_EQ(host->childCount(parent), 0) << "cycle " << i;
    }
    EXPECT_EQ(host->childCount(DefaultRootWindow(host->display())), screenWindows);
    if (counted) {
        ASSERT_TRUE(host->clientResources(x11::windowId(*keeper), after));
        EXPECT_EQ(after, warm);
    }
    keeper.reset();
    host->destroy(otherParent);
}
