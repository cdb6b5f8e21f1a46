// The editor at 1.5x, 2x and 3x: window size, pictures against references and against
// the 1x one, the same script giving the same results at 1x and 2x, the size menu, and
// where the factor comes from.

#include "EditorFixture.h"

#include <cmath>
#include <cstdlib>

#include "editor/CSizeChooser.h"
#include "editor/EditorScale.h"
#include "platform/Scaling.h"
#include "support/PixelCompare.h"
#include "support/ScopedEnv.h"

namespace editor_test {
namespace {

const std::string kReferenceDir = std::string(MOLTARO_SOURCE_DIR) + "/tests/editor/reference/";

using testsupport::ScopedEnv;

// The editor opened with MOLTARO_SCALE set to the fixture's factor.
pf::Image loadReference(const std::string& name) {
    pf::Image image;
    hl::readPng(kReferenceDir + name, image);
    return image;
}

// Compares the window with a reference as the 1x picture test does; writes it first
// when MOLTARO_UPDATE_REFERENCES is set.
void expectMatchesReference(hl::HeadlessWindow* window, const std::string& name) {
    const pf::Image& shown = window->frameBuffer();
    window->writePng(std::string(MOLTARO_BUILD_DIR) + "/" + name);
    if (std::getenv("MOLTARO_UPDATE_REFERENCES")) {
        ASSERT_TRUE(window->writePng(kReferenceDir + name));
    }
    const pf::Image expected = loadReference(name);
    ASSERT_EQ(expected.width(), shown.width()) << name;
    ASSERT_EQ(expected.height(), shown.height()) << name;
    EXPECT_LE(testsupport::differingPixels(shown, expected, 24), shown.width() * shown.height() / 500) << name;
}

// ---------------------------------------------------------------- size and pictures

TEST_F(EditorTest, EveryFactorOpensItsSizeAndMatchesItsReference) {
    struct Case {
        const char* env;
        int width, height;
        const char* reference;
    };
    const Case cases[] = {
        {"1.5", 450, 441, "editor-default-150.png"},
        {"2", 600, 588, "editor-default-200.png"},
        {"300%", 900, 882, "editor-default-300.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env);
        closeEditor();
        ScopedEnv scale("MOLTARO_SCALE", c.env);
        ERect* r = nullptr;
        ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &r), 1);
        EXPECT_EQ(r->right - r->left, c.width);
        EXPECT_EQ(r->bottom - r->top, c.height);
        openEditor();
        EXPECT_EQ(window->frameBuffer().width(), c.width);
        EXPECT_EQ(window->frameBuffer().height(), c.height);
        expectMatchesReference(window, c.reference);
    }
}

// The 2x picture, each 2 x 2 block averaged, against the 1x reference. Text is drawn
// afresh at each size, so a little difference is expected there; the layout must agree.
TEST_F(EditorTest, TwiceTheSizeBoxFilteredDownMatchesTheOneTimesReference) {
    closeEditor();
    ScopedEnv scale("MOLTARO_SCALE", "2");
    openEditor();
    const pf::Image& big = window->frameBuffer();
    const pf::Image reference = loadReference("editor-default.png");
    ASSERT_EQ(big.width(), 2 * reference.width());
    double sum = 0;
    int far = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x) {
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                int mean = 0;
                for (int d = 0; d < 4; ++d) mean += (big.pixel(2 * x + d % 2, 2 * y + d / 2) >> shift) & 0xff;
                mean = (mean + 2) / 4;
                const int diff = std::abs(mean - static_cast<int>((reference.pixel(x, y) >> shift) & 0xff));
                sum += diff;
                worst = std::max(worst, diff);
            }
            if (worst > 64) ++far;
        }
    const double meanDifference = sum / (3.0 * reference.width() * reference.height());
    const double farShare = static_cast<double>(far) / (reference.width() * reference.height());
    RecordProperty("meanDifference", std::to_string(meanDifference));
    RecordProperty("farShare", std::to_string(farShare));
    std::printf("box-filtered 2x against 1x: mean difference %.3f of 255, %.3f %% of pixels off by more than 64\n",
                meanDifference, farShare * 100);
    EXPECT_LT(meanDifference, 4.0);
    EXPECT_LT(farShare, 0.02);
}

// ---------------------------------------------------------------- the same script at 1x and 2x

// One user action in design coordinates.
struct Action {
    enum Kind { Click, Drag, Wheel, Type, Menu } kind;
    int x, y;
    int x2 = 0, y2 = 0;  // drag end
    float wheel = 0;
    const char* text = "";
    int menuIndex = -1;
};

const Action kScript[] = {
    {Action::Drag, 67, 70, 67, 30},                    // TIME up 40
    {Action::Drag, 122, 214, 170, 214},                // MIX right 48
    {Action::Wheel, 232, 70, 0, 0, 1.f},               // DAMP one notch
    {Action::Wheel, 150, 53, 0, 0, -1.f},              // algorithm arrows
    {Action::Click, 165, 53},                          // next algorithm
    {Action::Click, 67, 215},                          // PROC
    {Action::Drag, 50, 181, 138, 181},                 // PRE-DELAY slider
    {Action::Type, 178, 170, 0, 0, 0, "5000"},         // HIGH FREQ field
    {Action::Type, 178, 239, 0, 0, 0, "-6"},           // OUTPUT field
    {Action::Menu, 150, 108, 0, 0, 0, "", 6},          // algorithm menu: Cathedral
    {Action::Menu, 210, 277, 0, 0, 0, "", 4},          // program menu
    {Action::Click, 243, 277},                         // next program
    {Action::Drag, 232, 145, 232, 105},                // HIGH GAIN up 40
};

struct Outcome {
    std::vector<float> parameters;
    std::vector<std::string> texts;
    std::vector<testhost::HostCall> calls;
    int program = -1;
};

class ScriptTest : public EditorTest {
protected:
    // A fresh effect, its editor at the factor, the script, and what came of it.
    Outcome run(double factor) {
        host.close();
        const std::string text = std::to_string(factor);
        ScopedEnv scale("MOLTARO_SCALE", text.c_str());
        EXPECT_NE(host.load(moltaroPluginMain), nullptr);
        editor = dynamic_cast<MoltaroEditor*>(effect().getEditor());
        openEditor();
        EXPECT_EQ(editor->getScale(), factor);
        host.clearCalls();
        const pf::Scaling s{factor};
        const auto at = [&](int x, int y) {
            return pf::Point{(s.toDevice(x) + s.toDevice(x + 1)) / 2, (s.toDevice(y) + s.toDevice(y + 1)) / 2};
        };
        for (const Action& a : kScript) {
            const pf::Point p = at(a.x, a.y);
            switch (a.kind) {
            case Action::Click: click(p.x, p.y); break;
            case Action::Drag: {
                // The same distance in design pixels: factor times as many window pixels
                // (distances are multiples of the 8 steps, so that every step is whole).
                const pf::Point to{p.x + s.toDevice(a.x2 - a.x), p.y + s.toDevice(a.y2 - a.y)};
                drag(p, to, 8);
                break;
            }
            case Action::Wheel: wheel(p.x, p.y, a.wheel); break;
            case Action::Type: typeInto(p.x, p.y, a.text); break;
            case Action::Menu:
                window->answerMenu(0, a.menuIndex);
                click(p.x, p.y);
                break;
            }
        }
        Outcome o;
        for (int i = 0; i <= kParamOutput; ++i) {
            o.parameters.push_back(host.getParameter(i));
            o.texts.push_back(fieldText(i));
        }
        o.calls = host.calls();
        o.program = effect().getCurrentProgram();
        return o;
    }
};

TEST_F(ScriptTest, TwiceTheSizeGivesTheSameValuesTextsAndHostCalls) {
    const Outcome one = run(1.0);
    const Outcome two = run(2.0);
    EXPECT_EQ(one.parameters, two.parameters);
    EXPECT_EQ(one.texts, two.texts);
    EXPECT_EQ(one.program, two.program);
    EXPECT_GT(one.calls.size(), 20u);
    EXPECT_EQ(one.calls.size(), two.calls.size());
    for (size_t i = 0; i < std::min(one.calls.size(), two.calls.size()); ++i)
        EXPECT_TRUE(one.calls[i] == two.calls[i]) << "call " << i << ": " << one.calls[i].opcode << "/"
                                                  << one.calls[i].index << " " << one.calls[i].opt << " vs "
                                                  << two.calls[i].opcode << "/" << two.calls[i].index << " "
                                                  << two.calls[i].opt;
    // The script did what it says (not nothing at both sizes): the program it chose last,
    // then the HIGH GAIN knob moved up.
    EXPECT_EQ(one.program, 4);
    EXPECT_GT(one.parameters[kParamHighGain], 0.5f);
}

// Every window pixel belongs to exactly the design pixel whose span covers it, so that
// clicks land where the drawing put a control.
TEST(EditorScale, WindowPixelsMapBackToTheDesignPixelThatCoversThem) {
    for (double f : pf::kSupportedScales) {
        const pf::Scaling s{f};
        for (int p = -20; p < 1000; ++p) {
            const int d = s.toDesign(p);
            ASSERT_LE(s.toDevice(d), p) << f << " " << p;
            ASSERT_LT(p, s.toDevice(d + 1)) << f << " " << p;
        }
    }
}

// ---------------------------------------------------------------- where the factor comes from

TEST(EditorScale, SourcesInOrderRoundedAndFittedToTheScreen) {
    struct Case {
        double user, env, host, system;
        int screenWidth, screenHeight;
        double expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 1},       {0, 0, 0, 2, 0, 0, 2},       {0, 0, 1.5, 2, 0, 0, 1.5},
        {0, 3, 1.5, 2, 0, 0, 3},     {1, 3, 1.5, 2, 0, 0, 1},     {0, 0, 0, 1.2, 0, 0, 1},
        {0, 0, 0, 1.25, 0, 0, 1.5},  {0, 0, 0, 2.4, 0, 0, 2},     {0, 0, 0, 2.6, 0, 0, 3},
        {0, 0, 0, 6, 0, 0, 3},       {0, 3, 0, 0, 1920, 1080, 3}, {0, 3, 0, 0, 1366, 768, 2},
        {0, 2, 0, 0, 800, 600, 2},   {0, 2, 0, 0, 640, 480, 1.5}, {0, 3, 0, 0, 320, 240, 1},
    };
    for (const Case& c : cases) {
        moltaro::ScaleSources s;
        s.user = c.user, s.env = c.env, s.host = c.host, s.system = c.system;
        s.screenWidth = c.screenWidth, s.screenHeight = c.screenHeight;
        EXPECT_EQ(moltaro::resolveScale(s, 300, 294), c.expected)
            << c.user << " " << c.env << " " << c.host << " " << c.system << " on " << c.screenWidth;
    }
}

TEST(EditorScale, SettingTextsThatMakeNoSenseAreRefused) {
    const std::pair<const char*, double> cases[] = {
        {"2", 2},  {"1.5", 1.5}, {"150%", 1.5}, {" 2 \n", 2}, {"2x", 2},  {"", 0},
        {"banana", 0}, {"-1", 0}, {"1e9", 0}, {"nan", 0},  {"2 3", 0}, {"0", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(moltaro::parseScaleText(c.first), c.second) << '"' << c.first << '"';
}

const pf::StoreKey kSettings{"ZUN-soundlab", "ZUNmo15", "Editor"};

// A right click on the bare panel offers the sizes; the choice is stored for the user,
// resizes this window (telling the host) and every other open editor.
TEST_F(EditorTest, TheSizeMenuStoresTheChoiceAndResizesEveryEditor) {
    testhost::RecordingHost other;
    ASSERT_NE(other.load(moltaroPluginMain), nullptr);
    int otherParent = 0;
    ASSERT_EQ(other.dispatch(effEditOpen, 0, 0, &otherParent), 1);
    hl::HeadlessWindow* otherWindow = backend->window();
    window->click(12, 40, pf::kButtonLeft);  // a left click there does nothing
    settle();
    EXPECT_EQ(window->menusShown(), 0);

    // The window is replaced by a larger one as the choice takes effect.
    pf::Menu shown;
    window->setMenuHandler([&](const pf::Menu& menu, pf::Point) {
        shown = menu;
        return pf::MenuChoice{0, CSizeChooser::entryForFactor(2.0)};
    });
    window->click(12, 40, pf::kButtonRight);
    window->run();
    idle();
    EXPECT_EQ(shown.items.size(), 2 + std::size(pf::kSupportedScales));
    EXPECT_EQ(store.keys[kSettings]["Scale"].text(), "200%");
    ASSERT_EQ(backend->openWindows().size(), 2u);
    window = backend->openWindows()[0] == otherWindow ? backend->openWindows()[1] : backend->openWindows()[0];
    EXPECT_EQ(window->frameBuffer().width(), 600);
    EXPECT_EQ(window->frameBuffer().height(), 588);
    const auto sized = host.callsOf({audioMasterSizeWindow});
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(sized[0].index, 600);
    EXPECT_EQ(sized[0].value, 588);

    other.dispatch(effEditIdle);
    otherWindow = backend->window();
    EXPECT_EQ(otherWindow->frameBuffer().width(), 600);
    EXPECT_EQ(other.callsOf({audioMasterSizeWindow}).size(), 1u);

    // Back to automatic: 1x here, and the stored text says so.
    window->answerMenu(0, CSizeChooser::entryForFactor(0));
    window->click(2 * 12, 2 * 40, pf::kButtonRight);
    window->run();
    idle();
    EXPECT_EQ(store.keys[kSettings]["Scale"].text(), "auto");
    EXPECT_EQ(editor->getScale(), 1.0);
    other.dispatch(effEditClose);
}

TEST_F(EditorTest, AnUnreadableSettingIsIgnoredAndKeptAndTooLargeFallsBack) {
    for (const pf::StoredValue& bad : {pf::StoredValue::stringValue("banana"),
                                       pf::StoredValue::binaryValue({0x02, 0x00})}) {
        closeEditor();
        store.keys[kSettings]["Scale"] = bad;
        backend->setSystemScale(1.5);
        openEditor();
        EXPECT_EQ(editor->getScale(), 1.5);
        closeEditor();
        EXPECT_TRUE(store.keys[kSettings]["Scale"].bytes == bad.bytes);
        openEditor();
    }
    // 3x would not fit an 800 x 600 screen; 2x does.
    closeEditor();
    ScopedEnv scale("MOLTARO_SCALE", "3");
    backend->setScreenSize(800, 600);
    openEditor();
    EXPECT_EQ(editor->getScale(), 2.0);
    EXPECT_EQ(window->frameBuffer().width(), 600);
}

// The vendor-specific call by which a host announces its factor.
VstIntPtr announce(testhost::RecordingHost& host, float factor) {
    return host.dispatch(effVendorSpecific, ('P' << 24) | ('r' << 16) | ('e' << 8) | 'S',
                         ('A' << 24) | ('e' << 16) | ('C' << 8) | 's', nullptr, factor);
}

TEST_F(EditorTest, AFactorTheHostAnnouncesResizesTheOpenWindow) {
    EXPECT_EQ(announce(host, -1.f), 0);
    EXPECT_EQ(announce(host, 2.f), 1);
    idle();
    window = backend->window();
    EXPECT_EQ(window->frameBuffer().width(), 600);
    const auto sized = host.callsOf({audioMasterSizeWindow});
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(sized[0].index, 600);
    EXPECT_EQ(sized[0].value, 588);
    // The environment variable comes before the host.
    closeEditor();
    ScopedEnv scale("MOLTARO_SCALE", "1");
    openEditor();
    EXPECT_EQ(editor->getScale(), 1.0);
}

}  // namespace
}  // namespace editor_test
