#pragma once
// Reads the PNG pictures the module carries (resources/bitmaps) into straight ARGB
// pixels, without any graphics library, so that every backend gets the same pixels.
// Handles 8-bit greyscale, RGB, palette, greyscale with alpha and RGBA pictures,
// not interlaced: what the artwork program writes, and what common tools write.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace moltaro {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // straight 0xAARRGGBB, row by row
};

// Largest picture accepted, in pixels: a damaged header cannot ask for more memory.
constexpr long long kMaxPicturePixels = 16LL * 1024 * 1024;

// False (with a short reason in *why when given) for anything that is not a whole,
// well-formed PNG of a supported kind; `out` is then left empty.
bool decodePng(const unsigned char* data, std::size_t size, DecodedPicture& out, std::string* why = nullptr);

// Raw deflate data (no zlib header) into out, which must end up exactly `expected`
// bytes long. Exposed for tests.
bool inflateRaw(const unsigned char* data, std::size_t size, std::vector<uint8_t>& out, std::size_t expected);

}  // namespace moltaro
