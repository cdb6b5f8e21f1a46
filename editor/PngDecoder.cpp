#include "editor/PngDecoder.h"

#include <cstring>

namespace moltaro {

namespace {

// ---------------------------------------------------------------- inflate

// LSB-first bit reader over the deflate data; reading past the end fails.
struct BitReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos = 0;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    bool overrun = false;

    BitReader(const unsigned char* d, std::size_t n) : data(d), size(n) {}

    int bits(int need) {
        uint32_t value = bitBuffer;
        while (bitCount < need) {
            if (pos >= size) {
                overrun = true;
                return 0;
            }
            value |= static_cast<uint32_t>(data[pos++]) << bitCount;
            bitCount += 8;
        }
        bitBuffer = value >> need;
        bitCount -= need;
        return static_cast<int>(value & ((1u << need) - 1u));
    }
    void alignToByte() {
        bitBuffer = 0;
        bitCount = 0;
    }
};

constexpr int kMaxBits = 15;

// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
    uint16_t count[kMaxBits + 1];
    uint16_t symbol[288];
};

// False for an over-subscribed set of lengths. An incomplete code is allowed (a
// single distance code is legal); decoding an unused code then fails.
bool buildHuffman(Huffman& h, const uint8_t* lengths, int n) {
    std::memset(h.count, 0, sizeof h.count);
    for (int s = 0; s < n; ++s) h.count[lengths[s]]++;
    if (h.count[0] == n) return true;  // no codes at all: only fails if used
    int left = 1;
    for (int len = 1; len <= kMaxBits; ++len) {
        left <<= 1;
        left -= h.count[len];
        if (left < 0) return false;
    }
    uint16_t offsets[kMaxBits + 1];
    offsets[1] = 0;
    for (int len = 1; len < kMaxBits; ++len) offsets[len + 1] = offsets[len] + h.count[len];
    for (int s = 0; s < n; ++s)
        if (lengths[s] != 0) h.symbol[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
    return true;
}

// The next symbol, or -1 when the bits match no code.
int decodeSymbol(BitReader& in, const Huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        code |= in.bits(1);
        if (in.overrun) return -1;
        const int count = h.count[len];
        if (code - count < first) return h.symbol[index + (code - first)];
        index += count;
        first += count;
        first <<= 1;
        code <<= 1;
    }
    return -1;
}

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool inflateCodes(BitReader& in, std::vector<uint8_t>& out, std::size_t limit, const Huffman& lengths,
                  const Huffman& distances) {
    for (;;) {
        const int symbol = decodeSymbol(in, lengths);
        if (symbol < 0) return false;
        if (symbol < 256) {
            if (out.size() >= limit) return false;
            out.push_back(static_cast<uint8_t>(symbol));
            continue;
        }
        if (symbol == 256) return true;
        const int l = symbol - 257;
        if (l >= 29) return false;
        const std::size_t length = kLengthBase[l] + static_cast<std::size_t>(in.bits(kLengthExtra[l]));
        const int d = decodeSymbol(in, distances);
        if (d < 0 || d >= 30) return false;
        const std::size_t distance = kDistanceBase[d] + static_cast<std::size_t>(in.bits(kDistanceExtra[d]));
        if (in.overrun || distance > out.size() || out.size() + length > limit) return false;
        const std::size_t from = out.size() - distance;
        for (std::size_t i = 0; i < length; ++i) out.push_back(out[from + i]);
    }
}

bool fixedTables(Huffman& lengths, Huffman& distances) {
    uint8_t l[288];
    int s = 0;
    for (; s < 144; ++s) l[s] = 8;
    for (; s < 256; ++s) l[s] = 9;
    for (; s < 280; ++s) l[s] = 7;
    for (; s < 288; ++s) l[s] = 8;
    uint8_t d[30];
    std::memset(d, 5, sizeof d);
    return buildHuffman(lengths, l, 288) && buildHuffman(distances, d, 30);
}

bool dynamicTables(BitReader& in, Huffman& lengths, Huffman& distances) {
    static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int nlen = in.bits(5) + 257;
    const int ndist = in.bits(5) + 1;
    const int ncode = in.bits(4) + 4;
    if (in.overrun || nlen > 286 || ndist > 30) return false;
    uint8_t codeLengths[19] = {0};
    for (int i = 0; i < ncode; ++i) codeLengths[order[i]] = static_cast<uint8_t>(in.bits(3));
    Huffman lencode;
    if (in.overrun || !buildHuffman(lencode, codeLengths, 19)) return false;

    uint8_t l[320] = {0};
    int index = 0;
    while (index < nlen + ndist) {
        int symbol = decodeSymbol(in, lencode);
        if (symbol < 0) return false;
        if (symbol < 16) {
            l[index++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t value = 0;
        int repeat;
        if (symbol == 16) {
            if (index == 0) return false;
            value = l[index - 1];
            repeat = 3 + in.bits(2);
        } else if (symbol == 17) {
            repeat = 3 + in.bits(3);
        } else {
            repeat = 11 + in.bits(7);
        }
        if (in.overrun || index + repeat > nlen + ndist) return false;
        while (repeat--) l[index++] = value;
    }
    if (l[256] == 0) return false;  // a block must be able to end
    return buildHuffman(lengths, l, nlen) && buildHuffman(distances, l + nlen, ndist);
}

// ---------------------------------------------------------------- PNG

uint32_t bigEndian32(const unsigned char* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

bool inflateRaw(const unsigned char* data, std::size_t size, std::vector<uint8_t>& out, std::size_t expected) {
    out.clear();
    out.reserve(expected);
    BitReader in(data, size);
    bool last = false;
    while (!last) {
        last = in.bits(1) != 0;
        const int type = in.bits(2);
        if (in.overrun) return false;
        if (type == 0) {
            in.alignToByte();
            if (in.pos + 4 > size) return false;
            const unsigned len = data[in.pos] | (data[in.pos + 1] << 8);
            const unsigned nlen = data[in.pos + 2] | (data[in.pos + 3] << 8);
            in.pos += 4;
            if ((len ^ 0xffffu) != nlen || in.pos + len > size || out.size() + len > expected) return false;
            out.insert(out.end(), data + in.pos, data + in.pos + len);
            in.pos += len;
        } else if (type == 1 || type == 2) {
            Huffman lengths, distances;
            const bool ok = type == 1 ? fixedTables(lengths, distances) : dynamicTables(in, lengths, distances);
            if (!ok || !inflateCodes(in, out, expected, lengths, distances)) return false;
        } else {
            return false;
        }
    }
    return out.size() == expected;
}

bool decodePng(const unsigned char* data, std::size_t size, DecodedPicture& out, std::string* why) {
    out = DecodedPicture{};
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!data || size < 8 || std::memcmp(data, signature, 8) != 0) return fail(why, "not a PNG file");

    uint32_t width = 0, height = 0;
    int colorType = -1;
    bool seenHeader = false, seenEnd = false;
    std::vector<uint8_t> compressed;
    uint32_t palette[256];
    int paletteSize = 0;
    for (uint32_t& p : palette) p = 0xff000000u;

    std::size_t pos = 8;
    while (pos + 12 <= size && !seenEnd) {
        const uint32_t length = bigEndian32(data + pos);
        const unsigned char* type = data + pos + 4;
        const unsigned char* body = data + pos + 8;
        if (length > size - pos - 12) return fail(why, "a chunk runs past the end of the file");
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length != 13 || seenHeader) return fail(why, "bad header chunk");
            width = bigEndian32(body);
            height = bigEndian32(body + 4);
            const int depth = body[8];
            colorType = body[9];
            if (body[10] != 0 || body[11] != 0) return fail(why, "unknown compression or filter method");
            if (body[12] != 0) return fail(why, "interlaced pictures are not supported");
            if (depth != 8) return fail(why, "only 8 bits per sample are supported");
            if (colorType != 0 && colorType != 2 && colorType != 3 && colorType != 4 && colorType != 6)
                return fail(why, "unknown colour type");
            if (width == 0 || height == 0 ||
                static_cast<long long>(width) * static_cast<long long>(height) > kMaxPicturePixels)
                return fail(why, "picture size out of range");
            seenHeader = true;
        } else if (!seenHeader) {
            return fail(why, "the header chunk is not first");
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (length % 3 != 0 || length / 3 > 256) return fail(why, "bad palette");
            paletteSize = static_cast<int>(length / 3);
            for (int i = 0; i < paletteSize; ++i)
                palette[i] = 0xff000000u | (static_cast<uint32_t>(body[3 * i]) << 16) |
                             (static_cast<uint32_t>(body[3 * i + 1]) << 8) | body[3 * i + 2];
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (colorType == 3)
                for (uint32_t i = 0; i < length && i < 256; ++i)
                    palette[i] = (palette[i] & 0x00ffffffu) | (static_cast<uint32_t>(body[i]) << 24);
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            seenEnd = true;
        } else if (!(type[0] & 0x20)) {
            return fail(why, "unknown critical chunk");
        }
        pos += 12 + length;
    }
    if (!seenHeader || !seenEnd) return fail(why, "the file is cut short");
    if (colorType == 3 && paletteSize == 0) return fail(why, "palette picture without a palette");

    const int channels = colorType == 0 ? 1 : colorType == 2 ? 3 : colorType == 3 ? 1 : colorType == 4 ? 2 : 4;
    const std::size_t stride = static_cast<std::size_t>(width) * channels;
    const std::size_t expected = (stride + 1) * height;
    // The zlib wrapper: method 8 with a window of at most 32 KiB, a valid check, no dictionary.
    if (compressed.size() < 6) return fail(why, "no picture data");
    const unsigned cmf = compressed[0], flg = compressed[1];
    if ((cmf & 0x0f) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20))
        return fail(why, "bad compressed data header");
    std::vector<uint8_t> raw;
    if (!inflateRaw(compressed.data() + 2, compressed.size() - 2, raw, expected))
        return fail(why, "damaged picture data");

    // Undo the row filters in place.
    std::vector<uint8_t> previous(stride, 0);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + y * (stride + 1);
        const int filter = row[0];
        uint8_t* px = row + 1;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= static_cast<std::size_t>(channels) ? px[i - channels] : 0;
            const int b = previous[i];
            const int c = i >= static_cast<std::size_t>(channels) ? previous[i - channels] : 0;
            int predictor;
            switch (filter) {
            case 0: predictor = 0; break;
            case 1: predictor = a; break;
            case 2: predictor = b; break;
            case 3: predictor = (a + b) / 2; break;
            case 4: predictor = paeth(a, b, c); break;
            default: return fail(why, "unknown row filter");
            }
            px[i] = static_cast<uint8_t>(px[i] + predictor);
        }
        std::memcpy(previous.data(), px, stride);
    }

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* px = raw.data() + y * (stride + 1) + 1;
        uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x, px += channels) {
            uint32_t a = 255, r, g, b;
            switch (colorType) {
            case 0: r = g = b = px[0]; break;
            case 2: r = px[0]; g = px[1]; b = px[2]; break;
            case 3: dst[x] = palette[px[0]]; continue;
            case 4: r = g = b = px[0]; a = px[1]; break;
            default: r = px[0]; g = px[1]; b = px[2]; a = px[3]; break;
            }
            dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return true;
}

}  // namespace moltaro
