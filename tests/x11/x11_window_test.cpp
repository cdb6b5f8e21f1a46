// The editor window on a real X server: a child of the host's window, painted from
// the image the toolkit draws into, with input read when the idle asks for it.

#include <gtest/gtest.h>

#include "X11Fixture.h"
#include "platform/x11/X11Connection.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace moltaro::platform;
using xtest::Host;
using xtest::asParent;

namespace {

constexpr Color kBack{200, 40, 40, 255};
constexpr Color kMark{20, 60, 220, 255};

uint32_t opaque(Color c) { return 0xff000000u | (c.r << 16) | (c.g << 8) | c.b; }

struct Recorder : WindowListener {
    int width = 0, height = 0;
    int paints = 0;
    Rect lastPaint;
    std::vector<std::pair<Point, int>> downs;
    std::vector<float> wheels;
    std::vector<KeyEvent> keysDown, keysUp;
    bool gone = false;
    std::function<void(Point, int)> whileDown;  // runs inside onMouseDown, like a control's tracking loop

    void onPaint(DrawContext& c, const Rect& r) override {
        ++paints;
        lastPaint = r;
        c.fillRect(Rect{0, 0, width, height}, kBack);
        c.fillRect(Rect{10, 10, 30, 30}, kMark);
    }
    void onMouseDown(Point where, int buttons) override {
        downs.emplace_back(where, buttons);
        if (whileDown)
            whileDown(where, buttons);
    }
    void onWheel(Point, float distance, int) override { wheels.push_back(distance); }
    bool onKeyDown(const KeyEvent& k) override {
        keysDown.push_back(k);
        return true;
    }
    bool onKeyUp(const KeyEvent& k) override {
        keysUp.push_back(k);
        return true;
    }
    void onWindowGone() override { gone = true; }
};

class X11WindowTest : public xtest::X11Fixture {
protected:
    void SetUp() override {
        X11Fixture::SetUp();
        rec.width = 300;
        rec.height = 294;
    }
    void TearDown() override {
        window.reset();
        X11Fixture::TearDown();
    }
    void open() {
        window = backend.createWindow(asParent(parent), 300, 294, &rec);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(Host::waitUntil([&] { return rec.paints > 0; }, [&] { window->processEvents(); }));
    }
    void pump() { window->processEvents(); }
    bool waitFor(const std::function<bool()>& done) { return Host::waitUntil(done, [&] { pump(); }); }

    Recorder rec;
    std::unique_ptr<moltaro::platform::Window> window;
};

}  // namespace

TEST_F(X11WindowTest, OpensAsAChildOfTheHostWindowAndShowsWhatThePaintDrew) {
    EXPECT_EQ(host->childCount(parent), 0);
    open();
    EXPECT_EQ(host->childCount(parent), 1);
    EXPECT_EQ(x11::windowId(*window), reinterpret_cast<uintptr_t>(window->nativeHandle()));
    EXPECT_EQ(window->size().width(), 300);
    EXPECT_EQ(window->size().height(), 294);
    EXPECT_EQ(rec.lastPaint.width(), 300);  // the first paint covers the whole window

    Image shown;
    ASSERT_TRUE(x11::captureWindow(*window, shown));
    EXPECT_EQ(shown.pixel(2, 2), opaque(kBack));
    EXPECT_EQ(shown.pixel(15, 15), opaque(kMark));
    EXPECT_EQ(shown.pixel(299, 293), opaque(kBack));

    window.reset();
    EXPECT_EQ(host->childCount(parent), 0) << "closing must remove the child window";
}

TEST_F(X11WindowTest, ABadParentIdFailsCleanlyInsteadOfEndingTheHost) {
    // Xlib's default error handler would exit the process here.
    std::unique_ptr<moltaro::platform::Window> w = backend.createWindow(asParent(0x7ffffe), 300, 294, &rec);
    EXPECT_EQ(w, nullptr);
    EXPECT_FALSE(x11::connectionOpen());
    EXPECT_EQ(backend.createWindow(asParent(parent), 0, 294, &rec), nullptr);
    // The backend still works afterwards.
    open();
}

TEST_F(X11WindowTest, RefusedRequestsStayOursWhenTheHostInstallsItsOwnErrorHandler) {
    open();  // our connection and its handler are in place
    static int hostSaw = 0;
    XErrorHandler before = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++hostSaw;
        return 0;
    });
    std::unique_ptr<moltaro::platform::Window> bad = backend.createWindow(asParent(0x7ffffe), 100, 100, &rec);
    XSetErrorHandler(before);
    EXPECT_EQ(bad, nullptr) << "the bad parent must still be noticed";
    EXPECT_EQ(hostSaw, 0) << "the host's handler must not see our errors";

    // Errors that arrive later, unasked for: drawing into our window after the host
    // destroyed it, before the editor has read that it is gone.
    XSetErrorHandler([](Display*, XErrorEvent*) {
        ++hostSaw;
        return 0;
    });
    host->destroy(parent);
    parent = 0;
    {
        std::unique_ptr<DrawContext> c = window->createContext();
        c->fillRect(Rect{0, 0, 50, 50}, kMark);
    }
    ASSERT_TRUE(waitFor([&] { return rec.gone; }));
    EXPECT_EQ(hostSaw, 0);
}

TEST_F(X11WindowTest, DrawingOutsideAPaintShowsAtOnceAndInvalidateAsksForAPaint) {
    open();
    {
        std::unique_ptr<DrawContext> c = window->createContext();
        c->setOffset(Point{100, 100});
        c->fillRect(Rect{0, 0, 20, 10}, kMark);
    }  // the drawn area is copied to the window when the context goes
    Image shown;
    ASSERT_TRUE(x11::captureWindow(*window, shown));
    EXPECT_EQ(shown.pixel(105, 105), opaque(kMark));
    EXPECT_EQ(shown.pixel(125, 105), opaque(kBack));

    const int before = rec.paints;
    window->invalidate(Rect{100, 100, 120, 110});
    pump();
    EXPECT_EQ(rec.paints, before + 1);
    EXPECT_EQ(rec.lastPaint.left, 100);
    EXPECT_EQ(rec.lastPaint.bottom, 110);
    ASSERT_TRUE(x11::captureWindow(*window, shown));
    EXPECT_EQ(shown.pixel(105, 105), opaque(kBack));
}

TEST_F(X11WindowTest, UncoveringTheWindowIsAnsweredFromTheImageWithoutAPaint) {
    open();
    const int before = rec.paints;
    ::Window cover = host->makeParent(100, 100, px + 20, py + 20);
    host->destroy(cover);
    ASSERT_TRUE(waitFor([&] {
        Image shown;
        return x11::captureWindow(*window, shown) && shown.pixel(15, 15) == opaque(kMark);
    }));
    EXPECT_EQ(rec.paints, before);
}

TEST_F(X11WindowTest, ButtonStateAndPositionArePolledFromTheServer) {
    open();
    host->moveTo(px + 50, py + 60);
    Point p = window->mousePosition();
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 60);
    EXPECT_EQ(window->mouseButtons(), 0);
    host->key(XK_Shift_L, true);
    host->press(1);
    EXPECT_EQ(window->mouseButtons(), kButtonLeft | kModShift);
    host->key(XK_Shift_L, false);
    host->key(XK_Control_L, true);
    EXPECT_EQ(window->mouseButtons(), kButtonLeft | kModControl);
    host->key(XK_Control_L, false);
    host->release(1);
    host->press(3);
    EXPECT_EQ(window->mouseButtons(), kButtonRight);
    host->release(3);
    EXPECT_EQ(window->mouseButtons(), 0);
}

TEST_F(X11WindowTest, ClicksAndWheelStepsReachTheListenerWithTheirModifiers) {
    open();
    host->moveTo(px + 30, py + 40);
    host->press(1);
    host->release(1);
    ASSERT_TRUE(waitFor([&] { return rec.downs.size() == 1; }));
    EXPECT_EQ(rec.downs[0].first.x, 30);
    EXPECT_EQ(rec.downs[0].first.y, 40);
    EXPECT_EQ(rec.downs[0].second, kButtonLeft);

    host->key(XK_Control_L, true);
    host->press(3);
    host->release(3);
    host->key(XK_Control_L, false);
    ASSERT_TRUE(waitFor([&] { return rec.downs.size() == 2; }));
    EXPECT_EQ(rec.downs[1].second, kButtonRight | kModControl);

    host->press(4);
    host->release(4);
    host->press(5);
    host->release(5);
    ASSERT_TRUE(waitFor([&] { return rec.wheels.size() == 2; }));
    EXPECT_EQ(rec.wheels[0], 1.0f);   // away from the user
    EXPECT_EQ(rec.wheels[1], -1.0f);
    EXPECT_EQ(rec.downs.size(), 2u);  // wheel steps are not clicks
}

TEST_F(X11WindowTest, ATrackingLoopFollowsThePointerByPollingUntilTheButtonIsReleased) {
    open();
    std::vector<Point> seen;
    int paintsDuringDrag = 0;
    rec.whileDown = [&](Point, int) {
        // What a knob does: poll until the button is up, keeping the window painted.
        const uint32_t start = backend.ticks();
        while (window->mouseButtons() & kButtonLeft) {
            Point p = window->mousePosition();
            if (seen.empty() || p.x != seen.back().x || p.y != seen.back().y)
                seen.push_back(p);
            window->invalidate(Rect{0, 0, 5, 5});
            if (window->pumpOnePaint())
                ++paintsDuringDrag;
            backend.sleep(2);
            if (backend.ticks() - start > 5000)
                break;
        }
    };
    host->moveTo(px + 100, py + 150);
    host->press(1);
    // The user, on a connection of their own, drags upwards while the loop runs.
    std::atomic<bool> started{false};
    std::thread user([&] {
        Host hand;
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 1; i <= 10; ++i) {
            hand.moveTo(px + 100, py + 150 - 10 * i);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        hand.release(1);
    });
    rec.whileDown = [inner = rec.whileDown, &started](Point p, int b) {
        started = true;
        inner(p, b);
    };
    waitFor([&] { return rec.downs.size() == 1; });
    user.join();
    ASSERT_EQ(rec.downs.size(), 1u);
    ASSERT_GE(seen.size(), 3u) << "the loop should see the pointer move";
    EXPECT_EQ(seen.back().x, 100);
    EXPECT_EQ(seen.back().y, 50);
    EXPECT_GT(paintsDuringDrag, 0);
    EXPECT_EQ(window->mouseButtons() & kButtonLeft, 0);
}

TEST_F(X11WindowTest, AClickOverBeforeTheIdleReadsItStillCountsAsAPress) {
    // Hosts call the idle 20 to 60 times a second; a quick click may be over by then.
    open();
    std::vector<std::pair<int, Point>> polls;
    rec.whileDown = [&](Point, int) {
        for (int i = 0; i < 2; ++i) {
            const int b = window->mouseButtons();
            polls.emplace_back(b, window->mousePosition());
        }
    };
    host->moveTo(px + 70, py + 80);
    host->press(1);
    host->release(1);
    host->moveTo(px + 90, py + 95);
    ASSERT_TRUE(waitFor([&] { return rec.downs.size() == 1; }));
    ASSERT_EQ(polls.size(), 2u);
    EXPECT_EQ(polls[0].first, kButtonLeft) << "the first poll reports the click";
    EXPECT_EQ(polls[0].second.x, 70);
    EXPECT_EQ(polls[0].second.y, 80);
    EXPECT_EQ(polls[1].first, 0) << "later polls report the button as it is now";
    EXPECT_EQ(polls[1].second.x, 90);
    EXPECT_EQ(window->mouseButtons(), 0);
}

TEST_F(X11WindowTest, AnIdleCalledFromInsideAClickDoesNotLeaveTheOuterIdleWaiting) {
    // Some hosts run the editor's idle from the idle call a tracking loop makes.
    open();
    int depth = 0;
    rec.whileDown = [&](Point, int) {
        if (depth++ == 0)
            window->processEvents();  // takes the rest of the queue
    };
    host->moveTo(px + 20, py + 20);
    for (int i = 0; i < 2; ++i) {
        host->press(1);
        host->release(1);
    }
    {
        // Everything the server sent us so far is in our queue after a round trip.
        x11::Connection* ours = x11::Connection::acquire();
        XSync(ours->display(), False);
        ours->release();
    }
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        Host h;
        for (int i = 0; !finished; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (i >= 100 && i % 10 == 0) {  // something to read, so that a blocked read ends
                ::Window cover = h.makeParent(30, 30, px + 5, py + 5);
                h.destroy(cover);
            }
        }
    });
    const auto start = std::chrono::steady_clock::now();
    window->processEvents();
    const auto took = std::chrono::steady_clock::now() - start;
    finished = true;
    watchdog.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    EXPECT_EQ(rec.downs.size(), 2u);
}

TEST_F(X11WindowTest, KeysReachTheListenerWhenTheWindowHasTheFocus) {
    open();
    host->focus(static_cast<::Window>(x11::windowId(*window)));
    host->tap(XK_Up);
    host->key(XK_Shift_L, true);
    host->tap(XK_a);
    host->key(XK_Shift_L, false);
    ASSERT_TRUE(waitFor([&] { return rec.keysDown.size() >= 3 && rec.keysUp.size() >= 3; }));
    EXPECT_EQ(rec.keysDown[0].virt, kKeyUp);
    EXPECT_EQ(rec.keysUp[0].virt, kKeyUp);
    EXPECT_EQ(rec.keysDown[2].character, 'A');
    EXPECT_EQ(rec.keysDown[2].modifiers, kKeyModShift);
}

TEST_F(X11WindowTest, WhenTheHostDestroysItsWindowFirstTheEditorIsToldAndNothingBreaks) {
    open();
    host->moveTo(px + 10, py + 10);
    host->press(1);
    host->destroy(parent);
    parent = 0;
    // Before the destruction is read from the queue, a poll already fails safely.
    EXPECT_EQ(window->mouseButtons(), 0);
    host->release(1);
    ASSERT_TRUE(waitFor([&] { return rec.gone; }));
    EXPECT_FALSE(x11::isAlive(*window));
    EXPECT_EQ(window->mouseButtons(), 0);  // so a tracking loop ends
    {
        std::unique_ptr<DrawContext> c = window->createContext();
        c->fillRect(Rect{0, 0, 10, 10}, kMark);  // still draws into the image; nothing is sent
    }
    window->invalidate(Rect{0, 0, 300, 294});
    pump();
    EXPECT_FALSE(window->pumpOnePaint());
    Menu m;
    m.items.emplace_back();
    m.items.back().text = "Hall";
    EXPECT_FALSE(window->popupMenu(m, Point{0, 0}, kButtonLeft).chosen());
    EXPECT_EQ(window->createTextField(TextFieldSpec{}, nullptr), nullptr);
    window.reset();  // destroying a window the server no longer has
}

TEST_F(X11WindowTest, WithoutADisplayNoWindowIsMade) {
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", ":4711", 1);  // nothing listens there
    std::unique_ptr<moltaro::platform::Window> w = backend.createWindow(asParent(parent), 300, 294, &rec);
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(w, nullptr);
    EXPECT_FALSE(x11::connectionOpen());
}

TEST_F(X11WindowTest, WithoutAParentATopLevelWindowIsMadeAndTheUserCanCloseIt) {
    // For tools that show the toolkit without a host.
    window = backend.createWindow(nullptr, 200, 120, &rec);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return rec.paints > 0; }));
    const auto id = static_cast<::Window>(x11::windowId(*window));
    ::Window root = 0, above = 0, *children = nullptr;
    unsigned n = 0;
    ASSERT_TRUE(XQueryTree(host->display(), id, &root, &above, &children, &n));
    if (children)
        XFree(children);
    EXPECT_EQ(above, DefaultRootWindow(host->display()));
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(host->display(), id, &name));
    EXPECT_STREQ(name, "Moltaro");
    XFree(name);

    // What a window manager sends when the user clicks the close box.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = id;
    close.xclient.message_type = XInternAtom(host->display(), "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(host->display(), "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(host->display(), id, False, NoEventMask, &close);
    XSync(host->display(), False);
    ASSERT_TRUE(waitFor([&] { return rec.gone; }));
    EXPECT_FALSE(x11::isAlive(*window));
}

TEST_F(X11WindowTest, ResizingKeepsTheWindowAndRepaintsIt) {
    open();
    const int before = rec.paints;
    rec.width = 200;
    rec.height = 100;
    window->setSize(200, 100);
    pump();
    EXPECT_EQ(rec.paints, before + 1);
    EXPECT_EQ(window->size().width(), 200);
    Image shown;
    ASSERT_TRUE(x11::captureWindow(*window, shown));
    EXPECT_EQ(shown.width(), 200);
    EXPECT_EQ(shown.pixel(199, 99), opaque(kBack));
}
