// The embedded bitmaps decode, and have exactly the sizes and film-strip layouts the
// editor and the preset bar cut them into.
#include <gtest/gtest.h>
#include <cairo.h>

#include <cstring>

#include "resources/Resources.h"

namespace {

struct Reader {
    const unsigned char* data;
    std::size_t left;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (length > r->left) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data, length);
    r->data += length;
    r->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

struct Size {
    int id, width, height;
};

// Resource number, width, height (film strips: one image height times the image count).
const Size kSizes[] = {
    {11200, 300, 294},                                          // background
    {11201, 35, 2 * 26},                                        // PROC button
    {11204, 61, 3 * 20},                                        // algorithm arrows
    {11205, 64, 9 * 40},                                        // algorithm pictures
    {11206, 13, 3 * 13},                                        // OVER lamp
    {11210, 57, 51 * 57}, {11211, 57, 51 * 57},                 // TIME, DAMP knobs
    {11212, 39, 51 * 39}, {11215, 39, 51 * 39},                 // shelf knobs
    {11216, 39, 51 * 39}, {11217, 39, 51 * 39},                 // MIX, OUTPUT knobs
    {11220, 300, 262},                                          // about screen
    {11250, 21, 9},                                             // slider handle
    {19991, 12, 4 * 14}, {19992, 12, 4 * 14}, {19993, 12, 4 * 14}, {19994, 12, 4 * 14},
    {19995, 12, 4 * 14}, {19996, 12, 4 * 14}, {19998, 12, 4 * 14}, {19999, 12, 4 * 14},
    {19997, 31, 5 * 14},                                        // preset arrows
};

TEST(EmbeddedBitmaps, EveryBitmapHasItsExactSize) {
    for (const Size& s : kSizes) {
        const moltaro::EmbeddedBitmap* b = moltaro::findEmbeddedBitmap(s.id);
        ASSERT_NE(b, nullptr) << "missing bitmap " << s.id;
        Reader r{b->png, b->size};
        cairo_surface_t* img = cairo_image_surface_create_from_png_stream(readPng, &r);
        ASSERT_EQ(cairo_surface_status(img), CAIRO_STATUS_SUCCESS) << "bitmap " << s.id << " does not decode";
        EXPECT_EQ(cairo_image_surface_get_width(img), s.width) << "bitmap " << s.id;
        EXPECT_EQ(cairo_image_surface_get_height(img), s.height) << "bitmap " << s.id;
        cairo_surface_destroy(img);
    }
}

TEST(EmbeddedBitmaps, NothingBeyondTheListIsEmbeddedAndUnknownNumbersAreNull) {
    std::size_t count = 0;
    moltaro::embeddedBitmaps(count);
    EXPECT_EQ(count, sizeof(kSizes) / sizeof(kSizes[0]));
    EXPECT_EQ(moltaro::findEmbeddedBitmap(0), nullptr);
    EXPECT_EQ(moltaro::findEmbeddedBitmap(11202), nullptr);
}

}  // namespace
