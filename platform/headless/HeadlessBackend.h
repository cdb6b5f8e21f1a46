#pragma once
// A backend without a display, for tests: windows are images in memory, input is
// a script, the clock only moves when told (or when someone sleeps), and pop-up
// menus and text fields are answered by the test.
//
// Input script. Each window has a queue of steps. processEvents() works through
// it: a press is delivered to the listener as a mouse-down, a wheel step or a key
// as their events; moves, releases and modifier changes only change the state.
// While a listener handles a mouse-down (a control tracking the mouse), each
// mouseButtons() poll takes the next move, press, release or modifier step, so a
// tracking loop sees the script one step per pass. The first poll after an event
// is delivered reports the state of that event without taking a step. When a
// tracking loop polls with a button held and no step left, the buttons are
// released after a while and scriptRanDry() reports it, so a test never hangs.

#include "platform/Platform.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace moltaro {
namespace platform {
namespace headless {

class HeadlessWindow;

// A text field the test can type into and end.
class HeadlessTextField final : public TextField {
public:
    HeadlessTextField(HeadlessWindow* window, const TextFieldSpec& desc, TextFieldListener* listener);
    ~HeadlessTextField() override;

    std::string text() const override { return content; }
    void setText(const std::string& t) override;

    const TextFieldSpec& desc() const { return fieldSpec; }
    // Replaces the selection (initially all text) or appends, as typing would.
    void type(const std::string& t);
    void backspace();
    // Ends editing like the Enter key or a focus change. The field may be
    // destroyed by the listener during these calls.
    void pressEnter();
    void loseFocus();
    bool ended() const { return done; }

private:
    friend class HeadlessWindow;
    void end(bool enter);

    HeadlessWindow* window;
    TextFieldSpec fieldSpec;
    TextFieldListener* listener;
    std::string content;
    bool allSelected = true;
    bool done = false;
};

class HeadlessBackend;

class HeadlessWindow final : public Window {
public:
    HeadlessWindow(HeadlessBackend* backend, void* parent, int width, int height, WindowListener* listener);
    ~HeadlessWindow() override;

    // Window
    Rect size() const override { return Rect{0, 0, frame.width(), frame.height()}; }
    void setSize(int width, int height) override;
    void* nativeHandle() const override { return const_cast<HeadlessWindow*>(this); }
    void invalidate(const Rect& r) override;
    std::unique_ptr<DrawContext> createContext() override;
    void processEvents() override;
    bool pumpOnePaint() override;
    int mouseButtons() override;
    Point mousePosition() override { return position; }
    MenuChoice popupMenu(const Menu& menu, Point at, int trackButton) override;
    std::unique_ptr<TextField> createTextField(const TextFieldSpec& desc, TextFieldListener* listener) override;

    // ---- the script
    void move(int x, int y);
    void press(int button = kButtonLeft);
    void release(int button = kButtonLeft);
    void setModifiers(int modifiers);  // kMod* bits held from now on
    void wheel(float distance);
    void key(const KeyEvent& k);  // key down then key up
    // Convenience: move, press, release.
    void click(int x, int y, int button = kButtonLeft);
    // Convenience: move to `from`, press, move in `steps` equal moves to `to`, release.
    void drag(Point from, Point to, int steps = 10, int button = kButtonLeft);
    // Runs the script now (same as processEvents()).
    void run() { processEvents(); }
    size_t pendingSteps() const { return script.size(); }
    bool scriptRanDry() const { return ranDry; }

    // ---- what the window shows
    const Image& frameBuffer() const { return frame; }
    bool writePng(const std::string& path) const;
    void* parent() const { return parentHandle; }
    int paintCount() const { return paints; }

    // ---- menus: answers are used in order; without one a menu is cancelled
    void answerMenu(MenuChoice choice) { menuAnswers.push_back(choice); }
    void answerMenu(int menuId, int index) { answerMenu(MenuChoice{menuId, index}); }
    void setMenuHandler(std::function<MenuChoice(const Menu&, Point)> handler) { menuHandler = std::move(handler); }
    int menusShown() const { return menuCount; }
    const Menu& lastMenu() const { return shownMenu; }
    Point lastMenuPosition() const { return shownAt; }
    int lastMenuButton() const { return shownButton; }

    // ---- text fields: the one open now (null when none)
    HeadlessTextField* textField() const { return field; }
    int textFieldsOpened() const { return fieldCount; }

    // ---- drag and drop, delivered at once
    void dropFiles(const std::vector<std::string>& files, Point at);
    void dropText(const std::string& text, Point at);

    // Tells the listener the window is gone, as when the host destroys its parent.
    void simulateDestroyed();

private:
    friend class HeadlessTextField;
    friend class HeadlessBackend;
    struct Step {
        enum class Kind { Move, Press, Release, Modifiers, Wheel, Key } kind;
        Point at;
        int value = 0;
        float distance = 0;
        KeyEvent key;
        Step(Kind k, Point p) : kind(k), at(p) {}
    };
    bool takeStateStep();
    void apply(const Step& s);
    void paintPending();

    HeadlessBackend* owner;
    void* parentHandle;
    WindowListener* listener;
    Image frame;
    Rect dirty;
    std::deque<Step> script;
    Point position;
    int buttons = 0;
    int modifiers = 0;
    bool freshEvent = false;
    int starvedPolls = 0;
    bool ranDry = false;
    bool dispatching = false;
    bool gone = false;
    int paints = 0;
    std::deque<MenuChoice> menuAnswers;
    std::function<MenuChoice(const Menu&, Point)> menuHandler;
    Menu shownMenu;
    Point shownAt;
    int shownButton = 0;
    int menuCount = 0;
    HeadlessTextField* field = nullptr;
    int fieldCount = 0;
};

class HeadlessBackend final : public Backend {
public:
    HeadlessBackend() = default;
    ~HeadlessBackend() override;

    std::unique_ptr<Window> createWindow(void* parent, int width, int height, WindowListener* listener) override;
    std::unique_ptr<DrawContext> createImageContext(Image& target) override;
    uint32_t ticks() override { return now; }
    void sleep(int milliseconds) override {
        if (milliseconds > 0) now += static_cast<uint32_t>(milliseconds);
    }
    int doubleClickTime() override { return doubleClick; }
    double systemScale(void*) override { return desktopScale; }
    bool screenSize(void*, int& width, int& height) override {
        if (screenWidth <= 0) return false;
        width = screenWidth;
        height = screenHeight;
        return true;
    }

    // What the pretend desktop reports: its scale factor (0: nothing) and screen size
    // (0: unknown).
    void setSystemScale(double f) { desktopScale = f; }
    void setScreenSize(int width, int height) {
        screenWidth = width;
        screenHeight = height;
    }

    // The fake clock.
    void advance(int milliseconds) { sleep(milliseconds); }
    void setDoubleClickTime(int ms) { doubleClick = ms; }

    // The newest window still open (null when none), and all open windows.
    HeadlessWindow* window() const { return windows.empty() ? nullptr : windows.back(); }
    const std::vector<HeadlessWindow*>& openWindows() const { return windows; }
    int windowsCreated() const { return created; }

private:
    friend class HeadlessWindow;
    std::vector<HeadlessWindow*> windows;
    uint32_t now = 1000;
    int doubleClick = 400;
    int created = 0;
    double desktopScale = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};

// Installs a HeadlessBackend for the lifetime of the object (tests).
class ScopedHeadlessBackend {
public:
    ScopedHeadlessBackend() { setBackend(&instance); }
    ~ScopedHeadlessBackend() { setBackend(nullptr); }
    HeadlessBackend* operator->() { return &instance; }
    HeadlessBackend& get() { return instance; }

private:
    HeadlessBackend instance;
};

bool writePng(const Image& image, const std::string& path);
// Frees the drawing library's process-wide caches; call at the end of a test
// program, when no window or image context is left.
void releaseProcessCaches();
bool readPng(const std::string& path, Image& out);

}  // namespace headless
}  // namespace platform
}  // namespace moltaro
