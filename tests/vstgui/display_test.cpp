// The shared values (named colours, the standard font table), the rule by which
// a control counts as changed, and how a parameter display draws its frame,
// border, shadow and text after its style bits.

#include "ToolkitFixture.h"

#include <cstring>

namespace toolkit_test {
namespace {

TEST(ToolkitValues, NamedColours) {
    const std::pair<CColor, CColor> cases[] = {
        {kTransparentCColor, CColor{255, 255, 255, 0}}, {kBlackCColor, CColor{0, 0, 0, 255}},
        {kWhiteCColor, CColor{255, 255, 255, 255}},     {kGreyCColor, CColor{127, 127, 127, 255}},
        {kRedCColor, CColor{255, 0, 0, 255}},           {kGreenCColor, CColor{0, 255, 0, 255}},
        {kBlueCColor, CColor{0, 0, 255, 255}},          {kYellowCColor, CColor{255, 255, 0, 255}},
        {kMagentaCColor, CColor{255, 0, 255, 255}},     {kCyanCColor, CColor{0, 255, 255, 255}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
}

TEST(ToolkitValues, StandardFontTable) {
    const int sizes[] = {12, 18, 14, 12, 11, 10, 9, 13};
    for (long i = 0; i < kNumStandardFonts; ++i) {
        const pf::FontSpec f = standardFontSpec(i);
        EXPECT_EQ(f.sizePx, sizes[i]) << i;
        EXPECT_EQ(f.family, i == kSymbolFont ? pf::FontFamily::Symbol : pf::FontFamily::Sans) << i;
        EXPECT_EQ(f.style, i == kSystemFont ? pf::kFontBold : 0) << "only the system font is bold by itself: " << i;
    }
    // The system font stays bold whatever style is asked for; others take the style.
    EXPECT_EQ(standardFontSpec(kSystemFont, 0, kItalicFace).style, pf::kFontBold | pf::kFontItalic);
    EXPECT_EQ(standardFontSpec(kNormalFont, 0, kBoldFace | kUnderlineFace).style, pf::kFontBold | pf::kFontUnderline);
    // A size replaces the table's; an index outside the table is the system font.
    EXPECT_EQ(standardFontSpec(kNormalFontSmall, 20).sizePx, 20);
    for (long outside : {-1L, 8L, 1000L}) {
        const pf::FontSpec f = standardFontSpec(outside);
        EXPECT_EQ(f.sizePx, 12) << outside;
        EXPECT_EQ(f.style, pf::kFontBold) << outside;
        EXPECT_EQ(f.family, pf::FontFamily::Sans) << outside;
    }
}

TEST(ControlDirtyRule, OldValueDecidesWhetherAControlChanged) {
    CControl control(CRect(0, 0, 10, 10));
    EXPECT_FLOAT_EQ(control.getOldValue(), 1.f);
    EXPECT_FLOAT_EQ(control.getDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ(control.getWheelInc(), 0.1f);
    EXPECT_TRUE(control.isDirty()) << "value 0 differs from the old value 1";
    control.setValue(0.3f);
    control.setDirty(false);
    EXPECT_FLOAT_EQ(control.getOldValue(), 0.3f);
    EXPECT_FALSE(control.isDirty());
    control.setValue(0.4f);
    EXPECT_TRUE(control.isDirty()) << "a new value";
    control.setValue(0.3f);
    EXPECT_FALSE(control.isDirty()) << "back to the value last drawn";
    control.setDirty(true);
    EXPECT_FLOAT_EQ(control.getOldValue(), -1.f);
    EXPECT_TRUE(control.isDirty());
    // A value of -1 needs another old value to count as changed.
    control.setValue(-1.f);
    control.setDirty(true);
    EXPECT_FLOAT_EQ(control.getOldValue(), 0.f);
    EXPECT_TRUE(control.isDirty());
    control.setDirty(false);
    EXPECT_FALSE(control.isDirty());
}

class ParamDisplayTest : public ToolkitTest {
protected:
    static constexpr uint32_t kBack = 0xff0000ffu;    // blue
    static constexpr uint32_t kFrame = 0xffff0000u;   // red
    static constexpr uint32_t kShadow = 0xff00ff00u;  // green

    void SetUp() override {
        ToolkitTest::SetUp();
        display = new CParamDisplay(CRect(20, 20, 80, 40));
        display->setTransparency(false);
        display->setBackColor(kBlueCColor);
        display->setFrameColor(kRedCColor);
        display->setFontColor(kWhiteCColor);
        display->setShadowColor(kGreenCColor);
        display->setFont(kNormalFontVeryBig);
        display->setStringConvert([](float, char* s, void*) { std::strcpy(s, "WWW"); });
        frame->addView(display);
    }
    void draw(long style) {
        display->setStyle(style);
        display->setDirty(true);
        frame->idle();
    }
    // Pixels of one colour inside the display.
    int count(uint32_t colour) const {
        int n = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 80; ++x) n += pixel(x, y) == colour;
        return n;
    }
    int whitish() const {
        int n = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 80; ++x) n += (pixel(x, y) & 0xffffffu) == 0xffffffu;
        return n;
    }
    CParamDisplay* display = nullptr;  // owned by the frame
};

TEST_F(ParamDisplayTest, FilledAndFramedUnlessAStyleSaysOtherwise) {
    draw(0);
    EXPECT_EQ(pixel(20, 20), kFrame);
    EXPECT_EQ(pixel(79, 39), kFrame);
    EXPECT_EQ(pixel(22, 22), kBack);
    EXPECT_GT(whitish(), 10) << "the text";
    draw(kNoFrame);
    EXPECT_EQ(pixel(20, 20), kBack);
    EXPECT_EQ(pixel(79, 39), kBack);
    // Transparent: neither fill nor frame.
    display->setTransparency(true);
    frame->setBackgroundColor(kBlackCColor);
    frame->setDirty(true);
    frame->idle();
    EXPECT_EQ(pixel(20, 20), 0xff000000u);
    EXPECT_EQ(pixel(22, 22), 0xff000000u);
}

TEST_F(ParamDisplayTest, ThreeDBordersSwapTheirColoursWhenSunken) {
    draw(k3DOut);  // raised: frame colour on the top and left edges
    EXPECT_EQ(pixel(20, 30), kFrame);
    EXPECT_EQ(pixel(50, 20), kFrame);
    EXPECT_EQ(pixel(79, 30), kBack);
    EXPECT_EQ(pixel(50, 39), kBack);
    draw(k3DIn);  // sunken: the other way round
    EXPECT_EQ(pixel(20, 30), kBack);
    EXPECT_EQ(pixel(50, 20), kBack);
    EXPECT_EQ(pixel(79, 30), kFrame);
    EXPECT_EQ(pixel(50, 39), kFrame);
}

TEST_F(ParamDisplayTest, ShadowNoTextAndNoDrawStyles) {
    draw(kShadowText);
    EXPECT_GT(count(kShadow), 10) << "the shadow shows beside the text";
    EXPECT_GT(whitish(), 10);
    draw(0);
    EXPECT_EQ(count(kShadow), 0);
    draw(kNoTextStyle);
    EXPECT_EQ(whitish(), 0);
    EXPECT_EQ(pixel(22, 22), kBack) << "the background is still drawn";
    // Draw-nothing leaves the window as it was, and such a display starts clean.
    display->setBackColor(kYellowCColor);
    draw(kNoDrawStyle);
    EXPECT_EQ(pixel(22, 22), kBack);
    auto* quiet = new CParamDisplay(CRect(100, 100, 120, 110), nullptr, kNoDrawStyle);
    EXPECT_FALSE(quiet->isDirty());
    quiet->forget();
    auto* loud = new CParamDisplay(CRect(100, 100, 120, 110));
    EXPECT_TRUE(loud->isDirty());
    loud->forget();
}

TEST_F(ParamDisplayTest, OpaqueTextFillsOverTheBackgroundBitmap) {
    registerSolid(9301, 200, 150, 0xff808080u);
    CBitmap* back = new CBitmap(9301);
    display->setBackground(back);
    back->forget();
    display->setTextTransparency(true);
    draw(0);
    EXPECT_EQ(pixel(21, 21), 0xff808080u) << "transparent text keeps the bitmap around it";
    display->setTextTransparency(false);
    draw(0);
    EXPECT_EQ(pixel(21, 21), kBack) << "opaque text fills its rectangle with the back colour";
}

TEST_F(ParamDisplayTest, SettersMarkTheDisplayDirtyOnlyOnAChange) {
    frame->idle();
    ASSERT_FALSE(display->isDirty());
    display->setFontColor(kWhiteCColor);
    display->setHoriAlign(kCenterText);
    display->setFont(kNormalFontVeryBig);
    EXPECT_FALSE(display->isDirty());
    display->setHoriAlign(kLeftText);
    EXPECT_TRUE(display->isDirty());
    frame->idle();
    display->setTxtFace(kItalicFace);
    EXPECT_TRUE(display->isDirty());
}

}  // namespace
}  // namespace toolkit_test
