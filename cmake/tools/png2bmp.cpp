// Build tool of the Windows builds: turns one of the module's PNG pictures into a BMP
// file for the resource script (24-bit when every pixel is opaque, else 32-bit with the
// alpha in the fourth byte), read with the same PNG reader the Linux module uses.
//
//   moltaro-png2bmp in.png out.bmp

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/PngDecoder.h"

namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s in.png out.bmp\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    moltaro::DecodedPicture picture;
    std::string why;
    if (png.empty() || !moltaro::decodePng(png.data(), png.size(), picture, &why)) {
        std::fprintf(stderr, "%s: cannot read the picture: %s\n", argv[1], why.c_str());
        return 1;
    }
    bool opaque = true;
    for (std::uint32_t p : picture.pixels) opaque = opaque && (p >> 24) == 0xff;
    const unsigned bytesPerPixel = opaque ? 3 : 4;
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(picture.width) * bytesPerPixel + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(picture.height);

    std::vector<std::uint8_t> out;
    // File header, then the information header (40 bytes), then the rows bottom up.
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + imageBytes);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(picture.width));
    put32(out, static_cast<std::uint32_t>(picture.height));
    put16(out, 1);
    put16(out, bytesPerPixel * 8);
    put32(out, 0);  // uncompressed
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::size_t start = out.size();
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            out.push_back(static_cast<std::uint8_t>(p));        // blue
            out.push_back(static_cast<std::uint8_t>(p >> 8));   // green
            out.push_back(static_cast<std::uint8_t>(p >> 16));  // red
            if (!opaque) out.push_back(static_cast<std::uint8_t>(p >> 24));
        }
        while (out.size() - start < rowBytes) out.push_back(0);
    }
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
