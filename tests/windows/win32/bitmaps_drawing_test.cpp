// GDI drawing of the backend on images, and the module's BITMAP resources: every
// operation's pixels, the transparent and alpha-blended copies with msimg32 and with the
// fallbacks that work without it, and each bitmap resource against its PNG original.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Win32TestSupport.h"
#include "editor/PngDecoder.h"
#include "platform/win32/Win32Drawing.h"

namespace pf = moltaro::platform;
namespace w32 = moltaro::platform::win32;

namespace {

const pf::Color kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};

uint32_t opaque(uint32_t rgb) { return 0xff000000u | rgb; }

// A picture of 4 x 3 pixels: row 0 red, row 1 the key colour (magenta) between two
// green pixels, row 2 blue.
pf::Image sprite() {
    pf::Image image(4, 3);
    for (int x = 0; x < 4; ++x) {
        image.setPixel(x, 0, pf::Color{255, 0, 0, 255});
        image.setPixel(x, 1, x == 0 || x == 3 ? pf::Color{0, 255, 0, 255} : pf::Color{255, 0, 255, 255});
        image.setPixel(x, 2, pf::Color{0, 0, 255, 255});
    }
    return image;
}

// Restores msimg32 for the later tests whatever happens.
struct WithoutMsimg32 {
    WithoutMsimg32() { w32::Msimg32::allowForTests(false); }
    ~WithoutMsimg32() { w32::Msimg32::allowForTests(true); }
};

pf::Image drawTransparent() {
    pf::Image target(6, 5, opaque(0x808080));
    auto context = w32::createImageContext(target);
    context->drawImageTransparent(sprite(), pf::Rect{1, 1, 5, 4}, pf::Point{0, 0}, pf::Color{255, 0, 255, 255});
    return target;
}

pf::Image drawHalfBlended() {
    pf::Image target(4, 3, opaque(0x000000));
    auto context = w32::createImageContext(target);
    pf::Image white(4, 3, opaque(0xffffff));
    context->drawImageAlpha(white, pf::Rect{0, 0, 4, 3}, pf::Point{0, 0}, 128);
    return target;
}

}  // namespace

TEST(Win32Drawing, FillsFramesAndLinesLandOnTheirPixelsWithOffsetAndClip) {
    pf::Image image(20, 20, opaque(0x000000));
    auto context = w32::createImageContext(image);
    ASSERT_TRUE(context);
    context->setOffset(pf::Point{2, 3});
    context->fillRect(pf::Rect{0, 0, 4, 2}, kRed);  // device 2..5 x 3..4
    EXPECT_EQ(image.pixel(2, 3), opaque(0xff0000));
    EXPECT_EQ(image.pixel(5, 4), opaque(0xff0000));
    EXPECT_EQ(image.pixel(6, 4), opaque(0x000000));
    EXPECT_EQ(image.pixel(2, 5), opaque(0x000000));

    context->setOffset(pf::Point{0, 0});
    context->setClip(pf::Rect{10, 10, 15, 15});
    context->fillRect(pf::Rect{0, 0, 20, 20}, kBlue);
    EXPECT_EQ(image.pixel(10, 10), opaque(0x0000ff));
    EXPECT_EQ(image.pixel(14, 14), opaque(0x0000ff));
    EXPECT_EQ(image.pixel(15, 14), opaque(0x000000)) << "clip right edge is exclusive";
    EXPECT_EQ(image.pixel(9, 10), opaque(0x000000));

    context->resetClip();
    context->frameRect(pf::Rect{0, 10, 6, 16}, kWhite, 2);
    EXPECT_EQ(image.pixel(0, 10), opaque(0xffffff));
    EXPECT_EQ(image.pixel(1, 11), opaque(0xffffff));
    EXPECT_EQ(image.pixel(5, 15), opaque(0xffffff));
    EXPECT_EQ(image.pixel(2, 12), opaque(0x000000)) << "inside the frame stays";

    context->drawLine(pf::Point{0, 18}, pf::Point{7, 18}, kRed);
    EXPECT_EQ(image.pixel(0, 18), opaque(0xff0000));
    EXPECT_EQ(image.pixel(7, 18), opaque(0xff0000)) << "a line includes its last pixel";
    EXPECT_EQ(image.pixel(8, 18), opaque(0x000000));
}

TEST(Win32Drawing, TranslucentFillsBlendAndInvisibleOnesDrawNothing) {
    pf::Image image(4, 4, opaque(0x000000));
    auto context = w32::createImageContext(image);
    context->fillRect(pf::Rect{0, 0, 2, 2}, pf::Color{255, 255, 255, 51});
    const uint32_t p = image.pixel(0, 0);
    EXPECT_EQ(p >> 24, 0xffu);
    EXPECT_NEAR(static_cast<int>(p & 0xff), 51, 1);
    context->fillRect(pf::Rect{0, 0, 4, 4}, pf::Color{255, 255, 255, 0});
    EXPECT_EQ(image.pixel(3, 3), opaque(0x000000));
}

TEST(Win32Drawing, OpaqueCopiesAreExactAndStopAtThePictureEdge) {
    pf::Image target(6, 5, opaque(0x808080));
    auto context = w32::createImageContext(target);
    // Asking for more than the picture holds copies only what it has.
    context->drawImage(sprite(), pf::Rect{1, 1, 6, 5}, pf::Point{1, 0});
    EXPECT_EQ(target.pixel(1, 1), opaque(0xff0000));
    EXPECT_EQ(target.pixel(3, 2), opaque(0x00ff00));
    EXPECT_EQ(target.pixel(3, 3), opaque(0x0000ff));
    EXPECT_EQ(target.pixel(4, 1), opaque(0x808080)) << "beyond the picture nothing is drawn";
    EXPECT_EQ(target.pixel(1, 4), opaque(0x808080));
}

TEST(Win32Drawing, TransparentCopiesLeaveOutTheKeyColourWithAndWithoutMsimg32) {
    const pf::Image withLibrary = drawTransparent();
    EXPECT_EQ(withLibrary.pixel(1, 1), opaque(0xff0000));
    EXPECT_EQ(withLibrary.pixel(1, 2), opaque(0x00ff00));
    EXPECT_EQ(withLibrary.pixel(2, 2), opaque(0x808080)) << "key colour left out";
    EXPECT_EQ(withLibrary.pixel(3, 2), opaque(0x808080));
    EXPECT_EQ(withLibrary.pixel(4, 2), opaque(0x00ff00));
    EXPECT_EQ(withLibrary.pixel(4, 3), opaque(0x0000ff));
    EXPECT_EQ(withLibrary.pixel(5, 2), opaque(0x808080));
    WithoutMsimg32 off;
    const pf::Image withMask = drawTransparent();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(withMask.pixel(x, y), withLibrary.pixel(x, y)) << "mask method differs at " << x << "," << y;
}

TEST(Win32Drawing, AlphaCopiesBlendWithAndWithoutMsimg32) {
    const pf::Image withLibrary = drawHalfBlended();
    WithoutMsimg32 off;
    const pf::Image byHand = drawHalfBlended();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_NEAR(static_cast<int>(withLibrary.pixel(x, y) & 0xff), 128, 1);
            EXPECT_NEAR(static_cast<int>(byHand.pixel(x, y) & 0xff), 128, 1);
        }
}

TEST(Win32Drawing, TextStaysInsideItsRectangleAndFollowsTheAlignment) {
    const pf::FontSpec font{pf::FontFamily::Sans, 12, pf::kFontBold};
    auto inkCentre = [&](pf::HAlign align, int& outside) {
        pf::Image image(120, 30, opaque(0xffffff));
        auto context = w32::createImageContext(image);
        context->drawText("Moltaro", pf::Rect{10, 5, 110, 25}, font, pf::Color{0, 0, 0, 255}, align);
        long sum = 0, count = 0;
        outside = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 120; ++x) {
                if ((image.pixel(x, y) & 0xffffff) == 0xffffff) continue;
                if (x < 10 || x >= 110 || y < 5 || y >= 25) ++outside;
                sum += x;
                ++count;
            }
        return count ? sum / count : -1;
    };
    int outside = 0;
    const long left = inkCentre(pf::HAlign::Left, outside);
    EXPECT_EQ(outside, 0);
    const long centre = inkCentre(pf::HAlign::Center, outside);
    EXPECT_EQ(outside, 0);
    const long right = inkCentre(pf::HAlign::Right, outside);
    EXPECT_EQ(outside, 0);
    ASSERT_GT(left, 0) << "no text drawn";
    EXPECT_LT(left, centre);
    EXPECT_LT(centre, right);
    EXPECT_NEAR(centre, 60, 4);

    pf::Image image(50, 20, opaque(0x000000));
    auto context = w32::createImageContext(image);
    const int narrow = context->textWidth("ii", font), wide = context->textWidth("MMMM", font);
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, 2 * narrow);
    const pf::Color back{10, 20, 30, 255};
    context->drawText("", pf::Rect{0, 0, 10, 10}, font, kWhite, pf::HAlign::Left, &back);
    EXPECT_EQ(image.pixel(9, 9), opaque(0x0a141e)) << "the background is filled even without text";
}

TEST(Win32Drawing, AnImageIsCurrentWhileItsContextStillDraws) {
    pf::Image target(8, 8, opaque(0x000000));
    auto context = w32::createImageContext(target);
    context->fillRect(pf::Rect{0, 0, 8, 8}, kBlue);
    pf::Image copy(8, 8, opaque(0xffffff));
    auto other = w32::createImageContext(copy);
    other->drawImage(target, pf::Rect{0, 0, 8, 8}, pf::Point{0, 0});
    EXPECT_EQ(copy.pixel(4, 4), opaque(0x0000ff));
    context->fillRect(pf::Rect{0, 0, 8, 8}, kRed);
    other->drawImage(target, pf::Rect{0, 0, 8, 8}, pf::Point{0, 0});
    EXPECT_EQ(copy.pixel(4, 4), opaque(0xff0000)) << "a changed image is not drawn from a stale copy";
}

TEST(Win32Bitmaps, EveryBitmapResourceHasThePixelsOfItsPicture) {
    const int registered = w32::registerModuleBitmaps();
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(MOLTARO_SOURCE_DIR) + "/resources/bitmaps")) {
        if (entry.path().extension() != ".png") continue;  // the larger sets' folders
        const int id = std::stoi(entry.path().stem().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        moltaro::DecodedPicture decoded;
        ASSERT_TRUE(moltaro::decodePng(png.data(), png.size(), decoded)) << entry.path();
        auto image = pf::loadBitmapResource(id);
        ASSERT_TRUE(image) << "bitmap " << id << " is not registered";
        ASSERT_EQ(image->width(), decoded.width) << id;
        ASSERT_EQ(image->height(), decoded.height) << id;
        int differing = 0;
        for (int y = 0; y < decoded.height; ++y)
            for (int x = 0; x < decoded.width; ++x)
                differing += image->pixel(x, y) != decoded.pixels[static_cast<std::size_t>(y) * decoded.width + x];
        EXPECT_EQ(differing, 0) << "bitmap " << id;
        ++compared;
    }
    EXPECT_EQ(registered, compared);
    EXPECT_GE(compared, 20);
    pf::Image none;
    EXPECT_FALSE(w32::readBitmapResource(w32::moduleHandle(), 4242, none));
}
