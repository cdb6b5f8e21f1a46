// The Linux plug-in module as a host meets it: Moltaro.so loaded with dlopen, its
// editor opened into a host window on a private Xvfb by the window's id, kept alive
// by the host's idle calls, and operated with synthetic X input. Opening and closing
// it many times must leave no window and no connection behind (run this program in
// a -DMOLTARO_SANITIZE=ON build to have LeakSanitizer check the memory as well).

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <dlfcn.h>

#include <cstdlib>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <time.h>
#include <cmath>
#include <thread>

#include "XServer.h"
#include "platform/headless/HeadlessBackend.h"
#include "support/RecordingHost.h"
#include "support/ScopedEnv.h"

namespace {

using xtest::Host;
namespace pf = moltaro::platform;

const std::string kModulePath = std::string(MOLTARO_BUILD_DIR) + "/Moltaro.so";
const std::string kReference = std::string(MOLTARO_SOURCE_DIR) + "/tests/editor/reference/editor-default.png";

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void* asParent(::Window w) { return reinterpret_cast<void*>(static_cast<uintptr_t>(w)); }

class ModuleEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        MOLTARO_REQUIRE_XVFB();
        module = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<testhost::EntryPoint>(dlsym(module, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        hostApp = std::make_unique<Host>();
        ASSERT_NE(hostApp->display(), nullptr);
        clientsBefore = hostApp->clientCount();
        ASSERT_NE(host.load(entry), nullptr);
        ASSERT_TRUE(host.effect()->flags & effFlagsHasEditor);
        parent = hostApp->makeParent(300, 294, 60, 50);
        hostApp->origin(parent, px, py);
    }
    void TearDown() override {
        if (user.joinable()) user.join();
        host.close();
        if (hostApp && parent) hostApp->destroy(parent);
        if (hostApp && clientsBefore >= 0) {
            // The editor's connection goes with its last window.
            EXPECT_TRUE(Host::waitUntil([&] { return hostApp->clientCount() == clientsBefore; }, nullptr));
        }
        hostApp.reset();
        if (module) dlclose(module);
    }

    bool openEditor() {
        if (host.dispatch(effEditOpen, 0, 0, asParent(parent)) != 1) return false;
        return Host::waitUntil([&] { return screenPixel(150, 12) != 0x303030u; }, [&] { idle(); });
    }
    void idle() { host.dispatch(effEditIdle); }
    unsigned screenPixel(int x, int y) {
        const auto p = hostApp->grab(px + x, py + y, 1, 1);
        return p.empty() ? 0u : p[0];
    }

    void* module = nullptr;
    testhost::RecordingHost host;
    std::unique_ptr<Host> hostApp;
    int clientsBefore = -1;
    ::Window parent = 0;
    int px = 0, py = 0;
    std::thread user;
};

TEST_F(ModuleEditorTest, OpensInTheHostsWindowWithThePanelsSize) {
    ERect* r = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 300);
    EXPECT_EQ(r->bottom - r->top, 294);
    ASSERT_TRUE(openEditor());
    EXPECT_EQ(hostApp->childCount(parent), 1);
    for (int i = 0; i < 5; ++i) {
        idle();
        pause(5);
    }

    // What the window shows is what the headless backend draws for the same program.
    const auto shown = hostApp->grab(px, py, 300, 294);
    ASSERT_EQ(shown.size(), 300u * 294u);
    hostApp->savePng(std::string(MOLTARO_BUILD_DIR) + "/editor-x11.png", px, py, 300, 294);
    pf::Image reference;
    ASSERT_TRUE(pf::headless::readPng(kReference, reference)) << kReference;
    int differing = 0;
    for (int y = 0; y < 294; ++y)
        for (int x = 0; x < 300; ++x) {
            const unsigned a = shown[static_cast<size_t>(y) * 300 + x], b = reference.pixel(x, y) & 0xffffffu;
            for (int s = 0; s < 24; s += 8) {
                const int d = static_cast<int>((a >> s) & 0xff) - static_cast<int>((b >> s) & 0xff);
                if (d > 24 || d < -24) {
                    ++differing;
                    break;
                }
            }
        }
    EXPECT_LE(differing, 300 * 294 / 200) << "see editor-x11.png in the build folder";

    host.dispatch(effEditClose);
    EXPECT_EQ(hostApp->childCount(parent), 0);
}

TEST_F(ModuleEditorTest, DraggingTheTimeKnobChangesDecay) {
    ASSERT_TRUE(openEditor());
    host.clearCalls();
    ASSERT_FLOAT_EQ(host.getParameter(3), 0.5f);
    std::atomic<bool> done{false};
    const int x = px + 67, y = py + 70;
    user = std::thread([&, x, y] {
        Host hand;
        hand.moveTo(x, y);
        pause(30);
        hand.press(1);
        for (int i = 1; i <= 8; ++i) {
            pause(15);
            hand.moveTo(x, y - 5 * i);
        }
        pause(60);
        hand.release(1);
        pause(30);
        done = true;
    });
    // The host keeps calling the editor's idle; the knob follows the pointer inside it.
    ASSERT_TRUE(Host::waitUntil([&] { return done.load(); }, [&] { idle(); }, 5000));
    user.join();
    for (int i = 0; i < 5; ++i) idle();
    // 40 pixels up in linear mode: +0.2.
    EXPECT_NEAR(host.getParameter(3), 0.7f, 0.011f);
    EXPECT_GE(host.count(audioMasterBeginEdit), 1u);
    EXPECT_EQ(host.count(audioMasterBeginEdit), host.count(audioMasterEndEdit));
    EXPECT_GE(host.count(audioMasterAutomate), 1u);
    for (const auto& c : host.callsOf({audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}))
        EXPECT_EQ(c.index, 3);
    host.dispatch(effEditClose);
}

TEST_F(ModuleEditorTest, AHundredOpenCloseCyclesLeaveNoWindowBehind) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, asParent(parent)), 1) << "cycle " << i;
        ASSERT_EQ(hostApp->childCount(parent), 1);
        idle();
        idle();
        host.dispatch(effEditClose);
        ASSERT_EQ(hostApp->childCount(parent), 0) << "cycle " << i;
    }
    // Still works afterwards.
    ASSERT_TRUE(openEditor());
    host.dispatch(effEditClose);
}

TEST_F(ModuleEditorTest, ClosingTheEffectWithItsEditorOpenTakesTheWindowAlong) {
    ASSERT_TRUE(openEditor());
    ASSERT_EQ(hostApp->childCount(parent), 1);
    host.close();
    XSync(hostApp->display(), False);
    EXPECT_EQ(hostApp->childCount(parent), 0);
}

TEST_F(ModuleEditorTest, AHostThatDestroysItsWindowFirstIsSurvived) {
    ASSERT_TRUE(openEditor());
    hostApp->destroy(parent);
    parent = 0;
    for (int i = 0; i < 10; ++i) {
        idle();
        pause(2);
    }
    host.dispatch(effEditClose);
    idle();
}

double threadMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Not a check but a measurement, printed for the notes: the CPU time the host's
// thread spends in 1000 editor idle calls, with nothing to draw, and with the output
// rising into overload so that the OVER lamp's readout changes at every call.
TEST_F(ModuleEditorTest, IdleCost) {
    host.startAudio(44100.0f, 512);
    ASSERT_TRUE(openEditor());
    for (int i = 0; i < 10; ++i) idle();
    double t0 = threadMicroseconds();
    for (int i = 0; i < 1000; ++i) idle();
    const double quiet = threadMicroseconds() - t0;

    double lamp = 0;
    for (int c = 0; c < 2; ++c) host.in[c].assign(512, 0.0f);
    for (int i = 0; i < 1000; ++i) {
        // A rising level: the held peak and its readout change at every call.
        const float level = 0.3f + 1.2f * static_cast<float>(i) / 1000.f;
        for (int c = 0; c < 2; ++c)
            for (int k = 0; k < 512; ++k) host.in[c][k] = level * std::sin(0.05f * k);
        host.process(512);
        t0 = threadMicroseconds();
        idle();
        lamp += threadMicroseconds() - t0;
    }
    std::printf("[ idle cost ] X11, 1000 idles, nothing dirty: %.1f ms (%.1f us each)\n", quiet / 1e3, quiet / 1e3);
    std::printf("[ idle cost ] X11, 1000 idles, lamp animating: %.1f ms (%.1f us each)\n", lamp / 1e3, lamp / 1e3);
    host.dispatch(effEditClose);
    host.stopAudio();
}

// ---------------------------------------------------------------- at twice the size

using testsupport::ScopedEnv;

class ScaledModuleTest : public ModuleEditorTest {
protected:
    // The host's window made anew at the size the editor asks for.
    std::pair<int, int> reopenParentAtEditorSize() {
        ERect* r = nullptr;
        if (host.dispatch(effEditGetRect, 0, 0, &r) != 1 || !r) return {0, 0};
        const int w = r->right - r->left, h = r->bottom - r->top;
        hostApp->destroy(parent);
        parent = hostApp->makeParent(w, h, 60, 50);
        hostApp->origin(parent, px, py);
        return {w, h};
    }
    // Pixels of the window off the reference by more than 24 in a channel.
    int differingFrom(const std::string& reference, int w, int h) {
        const auto shown = hostApp->grab(px, py, w, h);
        hostApp->savePng(std::string(MOLTARO_BUILD_DIR) + "/editor-x11-" + std::to_string(w) + ".png", px, py, w, h);
        pf::Image expected;
        if (!pf::headless::readPng(std::string(MOLTARO_SOURCE_DIR) + "/tests/editor/reference/" + reference, expected) ||
            expected.width() != w || expected.height() != h || shown.size() != static_cast<size_t>(w) * h)
            return w * h;
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned a = shown[static_cast<size_t>(y) * w + x], b = expected.pixel(x, y) & 0xffffffu;
                for (int sh = 0; sh < 24; sh += 8) {
                    const int d = static_cast<int>((a >> sh) & 0xff) - static_cast<int>((b >> sh) & 0xff);
                    if (d > 24 || d < -24) {
                        ++differing;
                        break;
                    }
                }
            }
        return differing;
    }
    void expectTwiceTheSize() {
        const auto size = reopenParentAtEditorSize();
        EXPECT_EQ(size.first, 600);
        EXPECT_EQ(size.second, 588);
        ASSERT_TRUE(openEditor());
        for (int i = 0; i < 5; ++i) {
            idle();
            pause(5);
        }
        EXPECT_LE(differingFrom("editor-default-200.png", 600, 588), 600 * 588 / 200)
            << "see editor-x11-600.png in the build folder";
        host.dispatch(effEditClose);
    }
    // Sets the X server's resources (as xrdb does); empty removes them.
    void setServerResources(const std::string& text) {
        Display* d = hostApp->display();
        if (text.empty())
            XDeleteProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER);
        else
            XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        XSync(d, False);
    }
};

TEST_F(ScaledModuleTest, TheVariableMakesItTwiceAsLarge) {
    ScopedEnv gdk("GDK_SCALE", nullptr);
    ScopedEnv scale("MOLTARO_SCALE", "2");
    expectTwiceTheSize();
}

TEST_F(ScaledModuleTest, TheServersXftDpiMakesItTwiceAsLarge) {
    ScopedEnv gdk("GDK_SCALE", nullptr);
    ScopedEnv scale("MOLTARO_SCALE", nullptr);
    setServerResources("Xft.antialias:\t1\nXft.dpi:\t192\n");
    expectTwiceTheSize();
    setServerResources("");
    ERect* r = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &r), 1);
    EXPECT_EQ(r->right - r->left, 300);
}

struct ScriptOutcome {
    std::vector<float> parameters;
    std::string gestures;  // "B3 E3 B0 E0 ...": the begin and end of every edit
};

// The same user actions at 1x and 2x, through real X input: the knob dragged, PROC
// clicked, a wheel step, a typed number, an algorithm chosen from its menu by keys.
TEST_F(ScaledModuleTest, TheSameActionsAtTwiceTheSizeGiveTheSameResult) {
    ScopedEnv gdk("GDK_SCALE", nullptr);
    const auto run = [&](const char* factor) {
        ScopedEnv scale("MOLTARO_SCALE", factor);
        host.close();
        EXPECT_NE(host.load(reinterpret_cast<testhost::EntryPoint>(dlsym(module, "VSTPluginMain"))), nullptr);
        reopenParentAtEditorSize();
        EXPECT_TRUE(openEditor());
        host.clearCalls();
        const double f = std::atof(factor);
        const auto X = [&](int x) { return px + static_cast<int>(x * f + f / 2); };
        const auto Y = [&](int y) { return py + static_cast<int>(y * f + f / 2); };
        std::atomic<bool> done{false};
        user = std::thread([&] {
            Host hand;
            hand.moveTo(X(67), Y(70));  // TIME up 40
            pause(30);
            hand.press(1);
            for (int i = 1; i <= 8; ++i) {
                pause(15);
                hand.moveTo(X(67), Y(70 - 5 * i));
            }
            pause(60);
            hand.release(1);
            pause(60);
            hand.moveTo(X(67), Y(215));  // PROC
            hand.press(1);
            hand.release(1);
            pause(60);
            hand.moveTo(X(232), Y(70));  // DAMP: one wheel notch
            pause(30);
            hand.press(4);
            hand.release(4);
            pause(60);
            hand.moveTo(X(123), Y(239));  // MIX field: type 25
            hand.press(1);
            hand.release(1);
            pause(150);
            hand.typeText("25");
            hand.tap(XK_Return);
            pause(100);
            hand.moveTo(X(150), Y(108));  // algorithm menu: the second entry by keys
            hand.press(1);
            hand.release(1);
            hand.waitForPopups(1);
            pause(50);
            hand.tap(XK_Down);
            hand.tap(XK_Down);
            hand.tap(XK_Return);
            pause(100);
            done = true;
        });
        EXPECT_TRUE(Host::waitUntil([&] { return done.load(); }, [&] { idle(); }, 10000));
        user.join();
        for (int i = 0; i < 5; ++i) {
            idle();
            pause(5);
        }
        ScriptOutcome o;
        for (int i = 0; i <= 10; ++i) o.parameters.push_back(host.getParameter(i));
        for (const auto& c : host.callsOf({audioMasterBeginEdit, audioMasterEndEdit}))
            o.gestures += (c.opcode == audioMasterBeginEdit ? "B" : "E") + std::to_string(c.index) + " ";
        host.dispatch(effEditClose);
        return o;
    };
    const ScriptOutcome one = run("1");
    const ScriptOutcome two = run("2");
    EXPECT_EQ(one.gestures, two.gestures);
    ASSERT_EQ(one.parameters.size(), two.parameters.size());
    for (size_t i = 0; i < one.parameters.size(); ++i) EXPECT_NEAR(one.parameters[i], two.parameters[i], 1e-6) << i;
    // It did what it says at both sizes.
    EXPECT_NEAR(two.parameters[3], 0.7f, 0.011f);
    EXPECT_NEAR(two.parameters[9], 0.25f, 1e-6);
    EXPECT_NEAR(two.parameters[1], 1.f / 9.f, 0.01f);
}

long residentKilobytes() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// Not a check but a measurement, printed for the notes: the resident memory an editor
// at each factor adds, the first one at that factor decoding its bitmap set.
TEST_F(ScaledModuleTest, MemoryOfEachFactor) {
    ScopedEnv gdk("GDK_SCALE", nullptr);
    for (const char* factor : {"1", "1.5", "2", "3"}) {
        ScopedEnv scale("MOLTARO_SCALE", factor);
        const auto size = reopenParentAtEditorSize();  // 3x does not fit Xvfb's 1024 x 768: 2x
        const long before = residentKilobytes();
        ASSERT_TRUE(openEditor());
        for (int i = 0; i < 5; ++i) idle();
        const long open = residentKilobytes();
        host.dispatch(effEditClose);
        std::printf("[ memory ] MOLTARO_SCALE=%s, %d x %d: resident %+ld kB on opening (%ld kB in all)\n", factor,
                    size.first, size.second, open - before, open);
    }
}

TEST_F(ModuleEditorTest, WithoutAHostWindowTheEditorDoesNotOpen) {
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    idle();
    host.dispatch(effEditClose);
}

}  // namespace
