// The editor's window on Win32: its class, style and user data, painting through the
// surface in memory, clicks and the button state a tracking loop reads, the wheel, and a
// host that destroys its window first or closes the editor during a click.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Backend.h"

using namespace win32test;
namespace w32 = moltaro::platform::win32;

namespace {

class Win32WindowTest : public ::testing::Test {
protected:
    std::unique_ptr<pf::Window> open(int width = 120, int height = 80) {
        auto w = backend.createWindow(host.hwnd, width, height, &listener);
        pump();
        return w;
    }

    HostWindow host;
    RecordingListener listener;
    w32::Win32Backend backend;
};

}  // namespace

TEST_F(Win32WindowTest, ChildOfTheHostWithTheModulesClassCountedByItsWindows) {
    EXPECT_EQ(backend.createWindow(nullptr, 10, 10, &listener), nullptr);
    EXPECT_EQ(backend.createWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234)), 10, 10, &listener),
              nullptr);
    const std::string className = w32::windowClassName();
    char expected[64];
    std::snprintf(expected, sizeof expected, "Plugin%p", static_cast<void*>(w32::moduleHandle()));
    EXPECT_EQ(className, expected);
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExA(w32::moduleHandle(), className.c_str(), &info));

    auto first = open();
    ASSERT_TRUE(first);
    auto second = open(30, 20);
    EXPECT_EQ(w32::windowClassUsers(), 2);
    HWND hwnd = w32::windowHandle(*first);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(first->nativeHandle(), hwnd);
    EXPECT_EQ(GetParent(hwnd), host.hwnd);
    char name[64] = {}, title[32] = {};
    GetClassNameA(hwnd, name, sizeof name);
    GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_EQ(std::string(name), className);
    EXPECT_EQ(std::string(title), "Window");
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    EXPECT_NE(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
    ASSERT_TRUE(GetClassInfoExA(w32::moduleHandle(), className.c_str(), &info));
    EXPECT_EQ(info.style & CS_GLOBALCLASS, static_cast<UINT>(CS_GLOBALCLASS));
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 80);

    first.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(w32::windowClassUsers(), 1);
    EXPECT_TRUE(GetClassInfoExA(w32::moduleHandle(), className.c_str(), &info));
    second.reset();
    EXPECT_EQ(w32::windowClassUsers(), 0);
    EXPECT_FALSE(GetClassInfoExA(w32::moduleHandle(), className.c_str(), &info)) << "unregistered with the last window";
}

TEST_F(Win32WindowTest, InvalidatedAreasArePaintedByTheListenerAndShown) {
    auto window = open();
    ASSERT_TRUE(window);
    ASSERT_FALSE(listener.paints.empty()) << "a new window paints itself whole";
    EXPECT_EQ(listener.paints.front().right, 120);
    HWND hwnd = w32::windowHandle(*window);
    auto shown = capture(hwnd, 120, 80);
    EXPECT_EQ(shown[40 * 120 + 60], rgb(listener.paintColor));

    listener.paints.clear();
    listener.paintColor = pf::Color{20, 160, 60, 255};
    window->invalidate(pf::Rect{10, 10, 30, 20});
    window->processEvents();  // the editor's idle: paints what is pending at once
    ASSERT_EQ(listener.paints.size(), 1u);
    EXPECT_EQ(listener.paints[0].left, 10);
    EXPECT_EQ(listener.paints[0].bottom, 20);
    shown = capture(hwnd, 120, 80);
    EXPECT_EQ(shown[15 * 120 + 20], 0x14a03cu);
    EXPECT_EQ(shown[25 * 120 + 20], rgb(pf::Color{200, 40, 40, 255})) << "outside the area nothing changed";

    // An exposure the toolkit did not ask for is answered from memory.
    listener.paints.clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    pump();
    EXPECT_TRUE(listener.paints.empty());
    EXPECT_EQ(capture(hwnd, 120, 80)[15 * 120 + 20], 0x14a03cu);

    // Drawing outside a paint shows when the context goes.
    {
        auto context = window->createContext();
        context->fillRect(pf::Rect{100, 60, 110, 70}, pf::Color{0, 0, 255, 255});
    }
    EXPECT_EQ(capture(hwnd, 120, 80)[65 * 120 + 105], 0x0000ffu);

    window->setSize(60, 40);
    pump();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 60);
    EXPECT_EQ(window->size().bottom, 40);
}

TEST_F(Win32WindowTest, PumpingOnePaintDrawsWhatIsPendingDuringATrackingLoop) {
    auto window = open();
    listener.paints.clear();
    window->invalidate(pf::Rect{0, 0, 5, 5});
    int pumped = 0;
    while (window->pumpOnePaint() && pumped < 20) ++pumped;
    EXPECT_GE(pumped, 1);
    EXPECT_EQ(listener.paints.size(), 1u);
    EXPECT_FALSE(window->pumpOnePaint()) << "nothing left to paint";
}

TEST_F(Win32WindowTest, ClicksCarryPointButtonsAndModifiersAndTheFirstPollReportsThem) {
    auto window = open();
    HWND hwnd = w32::windowHandle(*window);
    int polledButtons = -1, laterButtons = -1;
    pf::Point polledPoint;
    listener.onDown = [&](pf::Point, int) {
        polledButtons = window->mouseButtons();
        polledPoint = window->mousePosition();
        laterButtons = window->mouseButtons();
    };
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(17, 23));
    pump();
    ASSERT_EQ(listener.downs.size(), 1u);
    EXPECT_EQ(listener.downs[0].first.x, 17);
    EXPECT_EQ(listener.downs[0].first.y, 23);
    EXPECT_EQ(listener.downs[0].second, pf::kButtonLeft | pf::kModShift);
    EXPECT_EQ(polledButtons, pf::kButtonLeft | pf::kModShift);
    EXPECT_EQ(polledPoint.x, 17);
    EXPECT_EQ(laterButtons & pf::kButtonLeft, 0) << "later polls read the real (released) buttons";

    PostMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MAKELPARAM(3, 4));
    PostMessageA(hwnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 6));
    pump();
    ASSERT_EQ(listener.downs.size(), 3u);
    EXPECT_EQ(listener.downs[1].second, pf::kButtonRight | pf::kModControl);
    EXPECT_EQ(listener.downs[2].second, pf::kButtonMiddle);
}

TEST_F(Win32WindowTest, WheelNotchesArriveAtTheWindowsPoint) {
    auto window = open();
    HWND hwnd = w32::windowHandle(*window);
    POINT screen{30, 40};
    ClientToScreen(hwnd, &screen);
    PostMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    PostMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(screen.x, screen.y));
    pump();
    ASSERT_EQ(listener.wheels.size(), 2u);
    EXPECT_EQ(listener.wheels[0].first.x, 30);
    EXPECT_EQ(listener.wheels[0].first.y, 40);
    EXPECT_FLOAT_EQ(listener.wheels[0].second, 2.0f);
    EXPECT_FLOAT_EQ(listener.wheels[1].second, -1.0f);
}

TEST_F(Win32WindowTest, RealMouseButtonsAreReadAsTheUserSeesThem) {
    auto window = open();
    HWND hwnd = w32::windowHandle(*window);
    POINT p{50, 50};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    pump(30);
    EXPECT_EQ(window->mouseButtons() & pf::kButtonMask, pf::kButtonLeft);
    const pf::Point at = window->mousePosition();
    EXPECT_EQ(at.x, 50);
    EXPECT_EQ(at.y, 50);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    pump(30);
    EXPECT_EQ(window->mouseButtons() & pf::kButtonMask, 0);
}

TEST_F(Win32WindowTest, SwappedButtonsAreSwappedBack) {
    // For a left-handed user the physical left button is the logical right one; the
    // window class reads the setting when it is registered.
    const BOOL wasSwapped = SwapMouseButton(TRUE);
    auto window = open();
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    pump(30);
    const int pressedLeft = w32::asyncButtons() & pf::kButtonMask;
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    pump(30);
    window.reset();
    SwapMouseButton(wasSwapped);
    EXPECT_EQ(pressedLeft, pf::kButtonRight);
}

TEST_F(Win32WindowTest, AHostThatDestroysItsWindowFirstLeavesAWindowThatIsGone) {
    auto window = open();
    DestroyWindow(host.hwnd);
    pump();
    EXPECT_EQ(listener.gone, 1);
    EXPECT_EQ(window->mouseButtons(), 0);
    window->invalidate(pf::Rect{0, 0, 10, 10});
    window->processEvents();
    EXPECT_FALSE(window->pumpOnePaint());
    pf::Menu menu;
    menu.items.resize(1);
    EXPECT_FALSE(window->popupMenu(menu, pf::Point{}, pf::kButtonLeft).chosen());
    EXPECT_EQ(window->createTextField(pf::TextFieldSpec{}, nullptr), nullptr);
    window.reset();
    EXPECT_EQ(w32::windowClassUsers(), 0);
}

TEST_F(Win32WindowTest, TheEditorClosedDuringAClickIsNotTouchedAgain) {
    auto window = open();
    HWND hwnd = w32::windowHandle(*window);
    listener.onDown = [&](pf::Point, int) { window.reset(); };
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    pump();
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(listener.gone, 0) << "closing our own window is no surprise to the listener";
}
