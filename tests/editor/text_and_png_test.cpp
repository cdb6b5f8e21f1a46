// The editor's number texts and typed-number reader, and the PNG reader that turns
// the embedded artwork into bitmaps.

#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "editor/EditorText.h"
#include "editor/ModuleBitmaps.h"
#include "editor/PngDecoder.h"
#include "platform/headless/HeadlessBackend.h"
#include "resources/Resources.h"
#include "shell/Parameters.h"

namespace {

using moltaro::DecodedPicture;
using moltaro::decodePng;
namespace pf = moltaro::platform;

std::string text(int parameter, float value) {
    char t[moltaro::kFieldTextBytes];
    moltaro::fieldText(parameter, value, t);
    return t;
}

TEST(EditorText, TypedNumbersAreReadUpToTheFirstStrangeCharacter) {
    struct Case {
        const char* typed;
        double number;
    } cases[] = {{"12", 12},      {"-3.5", -3.5}, {"2,25", 2.25}, {".5", 0.5},   {"-,5", -0.5},
                 {"7kHz", 7},     {"1.2.3", 1.2}, {"abc", 0},     {" 5", 0},     {"", 0},
                 {"--5", 0},      {"+5", 0},      {"1e3", 1},     {"0012", 12},  {"-", 0}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(moltaro::readTypedNumber(c.typed), c.number) << c.typed;
    EXPECT_DOUBLE_EQ(moltaro::readTypedNumber(nullptr), 0.0);
}

TEST(EditorText, FieldTextsAtTheEndsAndTheMiddle) {
    EXPECT_EQ(text(kParamDecay, 0.f), "0%");
    EXPECT_EQ(text(kParamMix, 1.f), "100%");
    EXPECT_EQ(text(kParamHighDamp, 0.333f), "33%");
    EXPECT_EQ(text(kParamPreDelay, 0.f), "0ms");
    EXPECT_EQ(text(kParamPreDelay, 1.f), "1000ms");
    EXPECT_EQ(text(kParamPreDelay, 0.1f), "10ms");
    EXPECT_EQ(text(kParamLowFreq, 0.f), "25Hz");
    EXPECT_EQ(text(kParamLowFreq, 0.5f), "500Hz");
    EXPECT_EQ(text(kParamLowFreq, 1.f), "10.0kHz");
    EXPECT_EQ(text(kParamHighFreq, 0.5f), "1.00kHz");
    EXPECT_EQ(text(kParamHighFreq, 1.f), "20.0kHz");
    EXPECT_EQ(text(kParamLowGain, 0.f), "-oodB");
    EXPECT_EQ(text(kParamLowGain, 0.5f), "0.00dB");
    EXPECT_EQ(text(kParamHighGain, 1.f), "6.00dB");
    EXPECT_EQ(text(kParamHighGain, 0.25f), "-6.00dB");
    EXPECT_EQ(text(kParamOutput, 0.f), "-oo dB");
    EXPECT_EQ(text(kParamOutput, 0.5f), "0.00dB");
    EXPECT_EQ(text(kParamOutput, 1.f), "12.00dB");
    // Just above and below -100 dB.
    EXPECT_EQ(text(kParamOutput, 1.5e-3f), "-oo dB");
    EXPECT_EQ(text(kParamOutput, 1.7e-3f), "-98.40dB");
    EXPECT_EQ(text(kParamType, 0.5f), "") << "no field for Type";
}

TEST(EditorText, FieldNumbersAndTypedNumbersConvertBothWays) {
    for (const moltaro::NumberField& f : moltaro::kNumberFields) {
        SCOPED_TRACE(f.tag);
        EXPECT_EQ(moltaro::numberFieldForTag(f.tag), &f);
        EXPECT_EQ(moltaro::numberFieldForParameter(f.parameter), &f);
        const double minimum = moltaro::parameterLaw(f.parameter)->minimum;
        const double maximum = moltaro::parameterLaw(f.parameter)->maximum;
        for (int i = 0; i <= 10; ++i) {
            const double number = minimum + (maximum - minimum) * i / 10.0;
            const float p = moltaro::parameterFromFieldNumber(f, number);
            ASSERT_GE(p, 0.f);
            ASSERT_LE(p, 1.00001f);
            EXPECT_EQ(p, moltaro::normalisedValue(*moltaro::parameterLaw(f.parameter), static_cast<float>(number)))
                << "a typed number selects what a port with that number selects";
            if (number < -100.0) {
                EXPECT_EQ(p, 0.f) << "silence below -100 dB";
                continue;
            }
            EXPECT_NEAR(moltaro::fieldNumber(f.parameter, p), number, std::fabs(number) * 1e-5 + 1e-3);
        }
        // Out of range and not a number land on the ends.
        EXPECT_EQ(moltaro::parameterFromFieldNumber(f, 1e300), moltaro::parameterFromFieldNumber(f, maximum));
        EXPECT_EQ(moltaro::parameterFromFieldNumber(f, -1e300), moltaro::parameterFromFieldNumber(f, minimum));
        EXPECT_EQ(moltaro::parameterFromFieldNumber(f, NAN), moltaro::parameterFromFieldNumber(f, minimum));
    }
    EXPECT_EQ(moltaro::numberFieldForTag(21), nullptr);
    EXPECT_DOUBLE_EQ(moltaro::fieldNumber(kParamLowGain, 0.f), -200.0);
    EXPECT_DOUBLE_EQ(moltaro::fieldNumber(kParamOutput, 0.f), -120.0);
}

// ---------------------------------------------------------------- PNG

void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
}

void chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& body) {
    put32(out, static_cast<uint32_t>(body.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A PNG of the given kind from filtered rows (each starting with its filter byte),
// compressed with the given zlib strategy.
std::vector<unsigned char> makePng(int w, int h, int colorType, const std::vector<unsigned char>& rows,
                                   int strategy = Z_DEFAULT_STRATEGY, int depth = 8, int interlace = 0,
                                   const std::vector<unsigned char>& palette = {},
                                   const std::vector<unsigned char>& alphas = {}) {
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(w));
    put32(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colorType), 0, 0,
                                 static_cast<unsigned char>(interlace)});
    chunk(png, "IHDR", header);
    if (!palette.empty()) chunk(png, "PLTE", palette);
    if (!alphas.empty()) chunk(png, "tRNS", alphas);
    chunk(png, "tEXt", {'a', 0, 'b'});  // an ancillary chunk to skip

    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15, 8, strategy);
    std::vector<unsigned char> packed(compressBound(static_cast<uLong>(rows.size())) + 64);
    z.next_in = const_cast<unsigned char*>(rows.data());
    z.avail_in = static_cast<uInt>(rows.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    // Split over two IDAT chunks, as encoders may.
    const size_t half = packed.size() / 2;
    chunk(png, "IDAT", std::vector<unsigned char>(packed.begin(), packed.begin() + half));
    chunk(png, "IDAT", std::vector<unsigned char>(packed.begin() + half, packed.end()));
    chunk(png, "IEND", {});
    return png;
}

// Applies PNG filter `filter` to a row given the previous unfiltered row.
std::vector<unsigned char> filterRow(int filter, const std::vector<unsigned char>& row,
                                     const std::vector<unsigned char>& prev, int bpp) {
    std::vector<unsigned char> out{static_cast<unsigned char>(filter)};
    for (size_t i = 0; i < row.size(); ++i) {
        const int a = i >= static_cast<size_t>(bpp) ? row[i - bpp] : 0, b = prev[i],
                  c = i >= static_cast<size_t>(bpp) ? prev[i - bpp] : 0;
        int pred = 0;
        if (filter == 1) pred = a;
        if (filter == 2) pred = b;
        if (filter == 3) pred = (a + b) / 2;
        if (filter == 4) {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        }
        out.push_back(static_cast<unsigned char>(row[i] - pred));
    }
    return out;
}

// A w x h RGBA picture with every filter in turn, and its expected straight pixels.
struct TestPicture {
    std::vector<unsigned char> rows;
    std::vector<uint32_t> expected;
};
TestPicture rgbaPicture(int w, int h, int channels) {
    TestPicture t;
    std::vector<unsigned char> prev(static_cast<size_t>(w) * channels, 0);
    for (int y = 0; y < h; ++y) {
        std::vector<unsigned char> row;
        for (int x = 0; x < w; ++x) {
            const unsigned char r = static_cast<unsigned char>(x * 37 + y * 11), g = static_cast<unsigned char>(x * y + 3),
                                b = static_cast<unsigned char>(255 - x * 5), a = static_cast<unsigned char>(y * 50 + x);
            if (channels >= 3) row.insert(row.end(), {r, g, b});
            if (channels == 1 || channels == 2) row.push_back(r);
            if (channels == 2 || channels == 4) row.push_back(a);
            const unsigned char alpha = (channels == 2 || channels == 4) ? a : 255;
            const uint32_t R = r, G = channels >= 3 ? g : r, B = channels >= 3 ? b : r;
            t.expected.push_back((uint32_t{alpha} << 24) | (R << 16) | (G << 8) | B);
        }
        auto f = filterRow(y % 5, row, prev, channels);
        t.rows.insert(t.rows.end(), f.begin(), f.end());
        prev = row;
    }
    return t;
}

TEST(PngDecoder, ReadsEveryColourTypeThroughEveryRowFilter) {
    const struct {
        int colorType, channels;
    } kinds[] = {{0, 1}, {2, 3}, {4, 2}, {6, 4}};
    for (const auto& k : kinds)
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
            SCOPED_TRACE("colour type " + std::to_string(k.colorType) + ", strategy " + std::to_string(strategy));
            const TestPicture t = rgbaPicture(13, 10, k.channels);
            const auto png = makePng(13, 10, k.colorType, t.rows, strategy);
            DecodedPicture out;
            std::string why;
            ASSERT_TRUE(decodePng(png.data(), png.size(), out, &why)) << why;
            EXPECT_EQ(out.width, 13);
            EXPECT_EQ(out.height, 10);
            EXPECT_EQ(out.pixels, t.expected);
        }
}

TEST(PngDecoder, ReadsPalettePicturesWithTransparency) {
    const std::vector<unsigned char> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    const std::vector<unsigned char> rows = {0, 0, 1, 2, 1, 2, 255, 255};  // rows 0 1 2 (None), 2 1 0 (Sub)
    const auto png = makePng(3, 2, 3, rows, Z_DEFAULT_STRATEGY, 8, 0, palette, {128});
    DecodedPicture out;
    ASSERT_TRUE(decodePng(png.data(), png.size(), out));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x80ff0000u, 0xff00ff00u, 0xff0000ffu, 0xff0000ffu, 0xff00ff00u,
                                                 0x80ff0000u}));
}

TEST(PngDecoder, StoredBlocksOfAnUncompressedStream) {
    const TestPicture t = rgbaPicture(20, 20, 3);
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> header;
    put32(header, 20);
    put32(header, 20);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", header);
    std::vector<unsigned char> packed(compressBound(static_cast<uLong>(t.rows.size())));
    uLongf size = static_cast<uLongf>(packed.size());
    ASSERT_EQ(compress2(packed.data(), &size, t.rows.data(), static_cast<uLong>(t.rows.size()), 0), Z_OK);
    packed.resize(size);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    DecodedPicture out;
    ASSERT_TRUE(decodePng(png.data(), png.size(), out));
    EXPECT_EQ(out.pixels, t.expected);
}

TEST(PngDecoder, RefusesWhatItCannotReadWithoutReadingPastTheData) {
    const TestPicture t = rgbaPicture(9, 7, 4);
    const auto good = makePng(9, 7, 6, t.rows);
    DecodedPicture out;
    std::string why;
    // Every truncation fails cleanly.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(decodePng(cut.data(), cut.size(), out)) << n;
        EXPECT_TRUE(out.pixels.empty());
    }
    // Damaged compressed bytes fail or decode, but never overrun.
    for (size_t i = 60; i < good.size() - 12; ++i) {
        std::vector<unsigned char> bad = good;
        bad[i] ^= 0x5a;
        if (decodePng(bad.data(), bad.size(), out)) {
            EXPECT_EQ(out.pixels.size(), 63u);
        }
    }
    const auto deep = makePng(9, 7, 6, t.rows, Z_DEFAULT_STRATEGY, 16);
    EXPECT_FALSE(decodePng(deep.data(), deep.size(), out, &why));
    EXPECT_NE(why.find("8 bits"), std::string::npos);
    const auto interlaced = makePng(9, 7, 6, t.rows, Z_DEFAULT_STRATEGY, 8, 1);
    EXPECT_FALSE(decodePng(interlaced.data(), interlaced.size(), out, &why));
    EXPECT_NE(why.find("interlaced"), std::string::npos);
    const auto huge = makePng(70000, 70000, 6, t.rows);
    EXPECT_FALSE(decodePng(huge.data(), huge.size(), out, &why));
    EXPECT_NE(why.find("size"), std::string::npos);
    const auto noPalette = makePng(9, 7, 3, t.rows);
    EXPECT_FALSE(decodePng(noPalette.data(), noPalette.size(), out));
    const auto wrongSize = makePng(10, 7, 6, t.rows);  // fewer bytes than the header promises
    EXPECT_FALSE(decodePng(wrongSize.data(), wrongSize.size(), out));
    EXPECT_FALSE(decodePng(nullptr, 100, out));
}

TEST(PngDecoder, InflateRefusesBadStreams) {
    std::vector<uint8_t> out;
    // A stored block whose length check does not match.
    const unsigned char badStored[] = {0x01, 0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'};
    EXPECT_FALSE(moltaro::inflateRaw(badStored, sizeof badStored, out, 3));
    const unsigned char stored[] = {0x01, 0x03, 0x00, 0xfc, 0xff, 'a', 'b', 'c'};
    EXPECT_TRUE(moltaro::inflateRaw(stored, sizeof stored, out, 3));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abc");
    EXPECT_FALSE(moltaro::inflateRaw(stored, sizeof stored, out, 2)) << "more than expected";
    EXPECT_FALSE(moltaro::inflateRaw(stored, sizeof stored, out, 4)) << "less than expected";
    const unsigned char reserved[] = {0x07};  // block type 3
    EXPECT_FALSE(moltaro::inflateRaw(reserved, sizeof reserved, out, 0));
    // Fixed codes: a back reference before the start of the output.
    const unsigned char farBack[] = {0x03, 0x02, 0x00};  // length 3, distance code 0 at offset 0
    EXPECT_FALSE(moltaro::inflateRaw(farBack, sizeof farBack, out, 3));
}

TEST(PngDecoder, EmbeddedArtworkDecodesToWhatCairoReads) {
    std::size_t count = 0;
    const moltaro::EmbeddedBitmap* bitmaps = moltaro::embeddedBitmaps(count);
    ASSERT_GE(count, 22u);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(bitmaps[i].id);
        DecodedPicture ours;
        std::string why;
        ASSERT_TRUE(decodePng(bitmaps[i].png, bitmaps[i].size, ours, &why)) << why;
        int w = 0, h = 0;
        ASSERT_TRUE(moltaro::moduleBitmapSize(bitmaps[i].id, w, h));
        EXPECT_EQ(w, ours.width);
        EXPECT_EQ(h, ours.height);
        pf::Image theirs;
        const std::string file =
            std::string(MOLTARO_SOURCE_DIR) + "/resources/bitmaps/" + std::to_string(bitmaps[i].id) + ".png";
        ASSERT_TRUE(pf::headless::readPng(file, theirs));
        ASSERT_EQ(theirs.width(), ours.width);
        ASSERT_EQ(theirs.height(), ours.height);
        int differing = 0;
        for (int y = 0; y < ours.height; ++y)
            for (int x = 0; x < ours.width; ++x) {
                const pf::Color c = theirs.colorAt(x, y);
                const uint32_t straight = (uint32_t{c.a} << 24) | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
                differing += straight != ours.pixels[static_cast<size_t>(y) * ours.width + x];
            }
        EXPECT_EQ(differing, 0);
    }
    int w = 0, h = 0;
    EXPECT_FALSE(moltaro::moduleBitmapSize(4711, w, h));
}

TEST(ModuleBitmaps, RegisteredOnceUnderTheirNumbers) {
    const int n = moltaro::registerModuleBitmaps();
    EXPECT_GE(n, 22);
    EXPECT_EQ(moltaro::registerModuleBitmaps(), n);
    auto background = pf::loadBitmapResource(11200);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->width(), 300);
    EXPECT_EQ(background->height(), 294);
    auto knob = pf::loadBitmapResource(11210);
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->height(), 57 * 51);
}

}  // namespace
