#pragma once
// What the X11 window, menu, text field and demo tests share: a host application on
// the private Xvfb with one parent window, a user acting on a connection of their own
// while the editor's thread is busy, and a listener that only paints.

#include <gtest/gtest.h>

#include "XServer.h"
#include "platform/x11/X11Backend.h"

#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace xtest {

inline void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline void* asParent(::Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }

// Paints one colour; a click runs onDown (an option menu opens its menu from there).
struct PlainListener : moltaro::platform::WindowListener {
    moltaro::platform::Color fill{60, 60, 60, 255};
    std::function<void(moltaro::platform::Point, int)> onDown;

    void onPaint(moltaro::platform::DrawContext& c, const moltaro::platform::Rect& r) override {
        c.fillRect(r, fill);
    }
    void onMouseDown(moltaro::platform::Point p, int buttons) override {
        if (onDown)
            onDown(p, buttons);
    }
    void onWheel(moltaro::platform::Point, float, int) override {}
    bool onKeyDown(const moltaro::platform::KeyEvent&) override { return false; }
    bool onKeyUp(const moltaro::platform::KeyEvent&) override { return false; }
};

class X11Fixture : public ::testing::Test {
protected:
    // Where the host's window lies on the screen.
    X11Fixture(int x = 40, int y = 40, int width = 320, int height = 300)
        : parentX(x), parentY(y), parentWidth(width), parentHeight(height) {}

    void SetUp() override {
        std::string why;
        if (!ensureServer(&why))
            GTEST_SKIP() << why << " (scripts/deps.sh installs xvfb)";
        host = std::make_unique<Host>();
        ASSERT_NE(host->display(), nullptr) << "cannot connect to Xvfb with XTEST";
        parent = host->makeParent(parentWidth, parentHeight, parentX, parentY);
        host->origin(parent, px, py);
    }
    // Derived fixtures close their windows first, then call this.
    void TearDown() override {
        if (user.joinable())
            user.join();
        if (host && parent)
            host->destroy(parent);
        host.reset();
        EXPECT_FALSE(moltaro::platform::x11::connectionOpen()) << "the shared connection outlived its last window";
    }
    bool ready() const { return !IsSkipped() && !HasFatalFailure(); }

    // Runs the user's actions on their own connection. A menu they leave open is
    // dismissed after a while, so that the editor's thread never stays in it.
    void asUser(std::function<void(Host&)> actions) {
        user = std::thread([actions] {
            Host hand;
            actions(hand);
            for (int i = 0; i < 20 && !hand.popups().empty(); ++i) {
                pause(100);
                if (i >= 10)
                    hand.tap(XK_Escape);
            }
        });
    }

    moltaro::platform::x11::X11Backend backend;
    std::unique_ptr<Host> host;
    ::Window parent = 0;
    int px = 0, py = 0;  // the parent's screen position
    std::thread user;

private:
    int parentX, parentY, parentWidth, parentHeight;
};

}  // namespace xtest
