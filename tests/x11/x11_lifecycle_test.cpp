// Opening and closing the editor window many times, as hosts do, must leave nothing
// behind on the X server: no windows under the host's window, no menus on the
// screen, no pixmaps, graphics contexts or pictures held by our connection, and no
// connection once the last window is closed. (Memory leaks are LeakSanitizer's job:
// run this suite in a -DMOLTARO_SANITIZE=ON build.)

#include <gtest/gtest.h>

#include "X11Fixture.h"

using namespace moltaro::platform;
using xtest::Host;
using xtest::asParent;

namespace {

struct Painter : xtest::PlainListener {
    int paints = 0;
    void onPaint(DrawContext& c, const Rect& r) override {
        ++paints;
        c.fillRect(r, Color{30, 30, 30, 255});
        c.drawText("Moltaro", Rect{10, 10, 200, 30}, FontSpec{}, Color{255, 255, 255, 255}, HAlign::Left);
    }
};

struct Quiet : TextFieldListener {
    void textFieldEnded(bool) override {}
};

}  // namespace

TEST(X11Lifecycle, AHundredOpenCloseCyclesLeaveNothingBehindOnTheServer) {
    MOLTARO_REQUIRE_XVFB();
    Host host;
    ASSERT_NE(host.display(), nullptr);
    const int clientsBefore = host.clientCount();
    const ::Window parent = host.makeParent(320, 300);
    x11::X11Backend backend;

    // A second editor stays open throughout, so the shared connection stays up and
    // anything a cycle forgets to free would pile up on it.
    const ::Window otherParent = host.makeParent(100, 100, 500, 40);
    Painter otherPainter;
    auto keeper = backend.createWindow(asParent(otherParent), 80, 80, &otherPainter);
    ASSERT_NE(keeper, nullptr);
    const unsigned long ourClient = x11::windowId(*keeper);

    auto cycle = [&](int i) {
        Painter painter;
        auto w = backend.createWindow(asParent(parent), 300, 294, &painter);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(Host::waitUntil([&] { return painter.paints > 0; }, [&] { w->processEvents(); }));
        {
            auto c = w->createContext();
            c->fillRect(Rect{0, 0, 50, 50}, Color{200, 0, 0, 255});
        }
        Quiet quiet;
        TextFieldSpec desc;
        desc.rect = Rect{10, 10, 60, 22};
        desc.text = "12.5";
        auto field = w->createTextField(desc, &quiet);
        ASSERT_NE(field, nullptr);
        w->processEvents();
        if (i % 10 == 0) {
            // A menu, dismissed by the user.
            std::thread user([] {
                Host hand;
                if (!hand.waitForPopups(1).empty())
                    hand.tap(XK_Escape);
            });
            Menu m;
            m.items.resize(3);
            m.items[0].text = "Hall";
            m.items[1].kind = MenuItem::Kind::Separator;
            m.items[2].text = "Plate";
            m.items[2].submenu = std::make_shared<Menu>();
            m.items[2].submenu->items.resize(1);
            w->popupMenu(m, Point{10, 10}, kButtonLeft);
            user.join();
        }
        field.reset();
        w.reset();
        ASSERT_EQ(host.childCount(parent), 0) << "cycle " << i;
    };

    cycle(0);  // caches (fonts, atoms, the connection's helper windows) fill on first use
    const int screenWindowsWarm = host.childCount(DefaultRootWindow(host.display()));
    std::map<std::string, int> warm;
    const bool haveXRes = host.clientResources(ourClient, warm);
    for (int i = 1; i <= 100; ++i) {
        cycle(i);
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(host.childCount(parent), 0);
    EXPECT_EQ(host.childCount(DefaultRootWindow(host.display())), screenWindowsWarm)
        << "menus or other top-level windows were left on the screen";
    if (haveXRes) {
        std::map<std::string, int> after;
        ASSERT_TRUE(host.clientResources(ourClient, after));
        EXPECT_EQ(after, warm) << "server resources of our connection changed over 100 cycles";
    } else {
        std::printf("X-Resource extension missing: server resources not counted\n");
    }

    keeper.reset();
    EXPECT_FALSE(x11::connectionOpen());
    host.destroy(parent);
    host.destroy(otherParent);
    if (clientsBefore >= 0) {
        EXPECT_EQ(host.clientCount(), clientsBefore) << "our connection should be closed with its last window";
    }
}

TEST(X11Lifecycle, EachEditorInstanceHasItsOwnWindowOnOneSharedConnection) {
    MOLTARO_REQUIRE_XVFB();
    Host host;
    ASSERT_NE(host.display(), nullptr);
    const int clientsBefore = host.clientCount();
    const ::Window a = host.makeParent(120, 120, 10, 10);
    const ::Window b = host.makeParent(120, 120, 200, 10);
    x11::X11Backend backend;
    Painter pa, pb;
    auto wa = backend.createWindow(asParent(a), 100, 100, &pa);
    auto wb = backend.createWindow(asParent(b), 100, 100, &pb);
    ASSERT_NE(wa, nullptr);
    ASSERT_NE(wb, nullptr);
    if (clientsBefore >= 0) {
        EXPECT_EQ(host.clientCount(), clientsBefore + 1);
    }
    // One editor's idle also delivers the other's events; each paints its own window.
    ASSERT_TRUE(Host::waitUntil([&] { return pa.paints > 0 && pb.paints > 0; }, [&] {
        wa->processEvents();
        wb->processEvents();
    }));
    wa.reset();
    EXPECT_TRUE(x11::connectionOpen());
    EXPECT_EQ(host.childCount(a), 0);
    EXPECT_EQ(host.childCount(b), 1);
    wb.reset();
    EXPECT_FALSE(x11::connectionOpen());
    host.destroy(a);
    host.destroy(b);
}
