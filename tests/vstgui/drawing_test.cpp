// Drawing: bitmap blits (opaque, transparent colour, constant alpha), film-strip
// offsets, clipping and offsets, text, off-screen contexts, PNG round trips; and
// the rule that the toolkit never includes an operating-system header.

#include "ToolkitFixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace toolkit_test {
namespace {

uint32_t rgb(uint32_t p) { return p & 0x00ffffffu; }

class DrawingTest : public ToolkitTest {
protected:
    // A context on the window, cleared to black.
    CDrawContext* context() {
        CDrawContext* c = frame->createDrawContext();
        c->setFillColor(kBlackCColor);
        c->fillRect(CRect(0, 0, 200, 150));
        return c;
    }
};

TEST_F(DrawingTest, OpaqueBlitCopiesTheAskedPartOfTheBitmap) {
    registerStrip(9301, 4, 10, 10);
    CBitmap strip(9301);
    EXPECT_EQ(strip.getWidth(), 10);
    EXPECT_EQ(strip.getHeight(), 40);
    CDrawContext* c = context();
    strip.draw(c, CRect(20, 20, 30, 30), CPoint(0, 20));  // image 2
    EXPECT_EQ(stripIndexOf(pixel(20, 20)), 2);
    EXPECT_EQ(stripIndexOf(pixel(29, 29)), 2);
    EXPECT_EQ(pixel(30, 30), 0xff000000u) << "nothing outside the rectangle";
    EXPECT_EQ(pixel(19, 20), 0xff000000u);
    c->forget();
}

TEST_F(DrawingTest, TransparentColourIsLeftOutAndAlphaBlends) {
    // Left half white (the default transparent colour), right half red.
    std::vector<uint32_t> px(20 * 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) px[static_cast<size_t>(y * 20 + x)] = x < 10 ? 0xffffffffu : 0xffff0000u;
    pf::registerBitmapResource(9302, 20, 10, px.data());
    CBitmap bitmap(9302);
    CDrawContext* c = context();
    bitmap.drawTransparent(c, CRect(0, 0, 20, 10));
    EXPECT_EQ(pixel(5, 5), 0xff000000u);
    EXPECT_EQ(pixel(15, 5), 0xffff0000u);
    // Another transparent colour.
    bitmap.setTransparentColor(kRedCColor);
    bitmap.drawTransparent(c, CRect(0, 20, 20, 30));
    EXPECT_EQ(pixel(5, 25), 0xffffffffu);
    EXPECT_EQ(pixel(15, 25), 0xff000000u);
    // Opaque ignores the transparent colour.
    bitmap.draw(c, CRect(0, 40, 20, 50));
    EXPECT_EQ(pixel(15, 45), 0xffff0000u);
    // Constant alpha of about a half over black.
    bitmap.drawAlphaBlend(c, CRect(0, 60, 20, 70), CPoint(), 128);
    const uint32_t red = (pixel(15, 65) >> 16) & 0xff;
    EXPECT_NEAR(static_cast<int>(red), 128, 2);
    EXPECT_EQ(pixel(15, 65) & 0xffff, 0u);
    c->forget();
}

TEST_F(DrawingTest, OffsetAndClipApply) {
    CDrawContext* c = context();
    c->setOffset(CPoint(100, 50));
    c->setClipRect(CRect(0, 0, 10, 10));  // window 100..110, 50..60
    CRect clip;
    c->getClipRect(clip);
    EXPECT_EQ(clip, CRect(0, 0, 10, 10));
    c->setFillColor(kGreenCColor);
    c->fillRect(CRect(-5, -5, 20, 20));
    EXPECT_EQ(pixel(100, 50), 0xff00ff00u);
    EXPECT_EQ(pixel(109, 59), 0xff00ff00u);
    EXPECT_EQ(pixel(110, 59), 0xff000000u);
    EXPECT_EQ(pixel(99, 50), 0xff000000u);
    c->resetClipRect();
    c->setFrameColor(kRedCColor);
    c->drawRect(CRect(0, 20, 10, 30));  // outline just inside
    EXPECT_EQ(pixel(100, 70), 0xffff0000u);
    EXPECT_EQ(pixel(109, 79), 0xffff0000u);
    EXPECT_EQ(pixel(105, 75), 0xff000000u);
    c->moveTo(CPoint(0, 40));
    c->lineTo(CPoint(9, 40));
    EXPECT_EQ(pixel(100, 90), 0xffff0000u);
    EXPECT_EQ(pixel(109, 90), 0xffff0000u);
    c->forget();
}

TEST_F(DrawingTest, TextIsDrawnInItsRectangleWithItsAlignment) {
    CDrawContext* c = context();
    c->setFont(kNormalFont);
    EXPECT_EQ(c->getFontSize(), 12);
    c->setFont(99, 0, 0);  // outside the table: the system font
    EXPECT_EQ(c->getFont(), kSystemFont);
    c->setFont(kNormalFontSmall);
    c->setFontColor(kWhiteCColor);
    const long width = c->getStringWidth("MMMM");
    EXPECT_GT(width, 20);
    EXPECT_LT(width, 60);
    EXPECT_GT(c->getStringWidth("MMMMMMMM"), width);
    // Left, centred and right text land in different places.
    const auto inkSpan = [&](int top) {
        int first = 999, last = -1;
        for (int y = top; y < top + 20; ++y)
            for (int x = 0; x < 200; ++x)
                if (((pixel(x, y) >> 8) & 0xff) > 100) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::make_pair(first, last);
    };
    c->drawString("MMMM", CRect(0, 0, 200, 20), 0, kLeftText);
    c->drawString("MMMM", CRect(0, 20, 200, 40), 0, kCenterText);
    c->drawString("MMMM", CRect(0, 40, 200, 60), 0, kRightText);
    const auto left = inkSpan(0), centre = inkSpan(20), right = inkSpan(40);
    EXPECT_LE(left.first, 3);
    EXPECT_NEAR((centre.first + centre.second) / 2.0, 100.0, 3.0);
    EXPECT_GE(right.second, 196);
    // Opaque text fills its rectangle with the fill colour; text is clipped to it.
    c->setFillColor(kBlueCColor);
    c->drawString("x", CRect(0, 80, 50, 100), 1, kCenterText);
    EXPECT_EQ(pixel(2, 82), 0xff0000ffu);
    c->drawString("MMMMMMMMMMMMMMMMMMMM", CRect(0, 120, 20, 140), 0, kLeftText);
    EXPECT_EQ(inkSpan(120).second < 20, true);
    c->forget();
}

TEST_F(DrawingTest, OffscreenContextCopiesInOnePiece) {
    COffscreenContext offscreen(frame, 30, 20, kYellowCColor);
    offscreen.setFillColor(kBlueCColor);
    offscreen.fillRect(CRect(10, 5, 20, 15));
    CDrawContext* c = context();
    offscreen.copyFrom(c, CRect(50, 50, 80, 70));
    EXPECT_EQ(pixel(50, 50), 0xffffff00u);
    EXPECT_EQ(pixel(60, 55), 0xff0000ffu);
    EXPECT_EQ(pixel(80, 70), 0xff000000u);
    // Into a blank bitmap, which then draws like any other.
    CBitmap blank(8, 8);
    {
        COffscreenContext into(c, &blank);
        into.setFillColor(kGreenCColor);
        into.fillRect(CRect(0, 0, 4, 8));
    }
    blank.draw(c, CRect(100, 100, 108, 108));
    EXPECT_EQ(pixel(101, 101), 0xff00ff00u);
    EXPECT_EQ(pixel(106, 101), 0xff000000u);
    c->forget();
}

TEST_F(DrawingTest, ControlsWithoutBitmapsDrawWithoutFailing) {
    const CRect r(10, 10, 40, 40);
    CView* views[] = {new CAnimKnob(r, nullptr, 0, 51, 30, nullptr),
                      new CKnob(r, nullptr, 0, nullptr, nullptr),
                      new CMovieBitmap(r, nullptr, 0, 9, 30, nullptr),
                      new COnOffButton(r, nullptr, 0, nullptr),
                      new CKickButton(r, nullptr, 0, 30, nullptr),
                      new CRockerSwitch(r, nullptr, 0, 30, nullptr),
                      new CHorizontalSlider(r, nullptr, 0, 10, 30, nullptr, nullptr),
                      new CSplashScreen(r, nullptr, 0, nullptr, r),
                      new COptionMenu(r, nullptr, 0)};
    for (CView* v : views) {
        static_cast<CControl*>(v)->setValue(1.f);
        frame->addView(v);
    }
    frame->idle();
    EXPECT_FALSE(frame->isDirty());
}

TEST_F(DrawingTest, ThePaintedFrameGoesToAPngAndBack) {
    frame->setBackgroundColor(MakeCColor(10, 20, 30));
    frame->setDirty(true);
    frame->idle();
    // A name of this process's own: other runs of the suite may share the folder.
    const std::string path = testing::TempDir() + "frame_roundtrip-" + std::to_string(::getpid()) + ".png";
    ASSERT_TRUE(window->writePng(path));
    pf::Image back;
    const bool read = hl::readPng(path, back);
    std::remove(path.c_str());
    ASSERT_TRUE(read);
    EXPECT_EQ(back.width(), 200);
    EXPECT_EQ(back.height(), 150);
    EXPECT_EQ(rgb(back.pixel(100, 100)), 0x0a141eu);
    EXPECT_FALSE(hl::readPng(path + ".missing", back));
}

// The header named by an include line, or "" when the line is no include.
std::string includedHeader(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return "";
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return "";
    const size_t open = line.find_first_of("<\"", i + 7);
    if (open == std::string::npos) return "";
    const size_t close = line.find_first_of(">\"", open + 1);
    return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

bool isOperatingSystemHeader(const std::string& header) {
    static const char* const prefixes[] = {"X11/", "cairo", "fontconfig/", "sys/", "windows.h", "winuser.h",
                                           "wingdi.h", "ole2.h", "shellapi.h", "commdlg.h", "unistd.h", "dlfcn.h",
                                           "pthread.h"};
    for (const char* p : prefixes)
        if (header.rfind(p, 0) == 0) return true;
    return false;
}

TEST(ToolkitLayering, NoToolkitFileIncludesAnOperatingSystemHeader) {
    EXPECT_EQ(includedHeader("#include <X11/Xlib.h>"), "X11/Xlib.h");
    EXPECT_EQ(includedHeader("  #  include \"cairo.h\" // x"), "cairo.h");
    EXPECT_EQ(includedHeader("// #include <windows.h>"), "");
    EXPECT_TRUE(isOperatingSystemHeader("X11/Xlib.h"));
    EXPECT_FALSE(isOperatingSystemHeader("CView.h"));

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(MOLTARO_SOURCE_DIR) + "/vstgui")) {
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            ++n;
            const std::string header = includedHeader(line);
            if (header.empty()) continue;
            const std::string where = entry.path().filename().string() + ":" + std::to_string(n);
            EXPECT_FALSE(isOperatingSystemHeader(header)) << where << " includes " << header;
            if (header.rfind("platform/", 0) == 0) {
                // The backend-neutral headers lie directly in platform/; backends in its folders.
                EXPECT_EQ(header.find('/', 9), std::string::npos) << where << " reaches into a backend";
            }
        }
    }
    EXPECT_GT(files, 20);
    // And the platform interface itself stays neutral.
    std::ifstream platformHeader(std::string(MOLTARO_SOURCE_DIR) + "/platform/Platform.h");
    std::string line;
    while (std::getline(platformHeader, line)) EXPECT_FALSE(isOperatingSystemHeader(includedHeader(line))) << line;
}

// Frees the drawing library's caches once every test is done.
class ReleaseCaches : public ::testing::Environment {
public:
    void TearDown() override { hl::releaseProcessCaches(); }
};
const auto* const releaseCachesAtExit = ::testing::AddGlobalTestEnvironment(new ReleaseCaches);

}  // namespace
}  // namespace toolkit_test
