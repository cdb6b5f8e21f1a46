#include "Utf8.h"

namespace moltaro::platform::x11 {

namespace {

// Windows code page 1252 in 0x80..0x9f; 0xfffd where it has no character.
constexpr unsigned short kCp1252High[32] = {
    0x20ac, 0xfffd, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
    0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0xfffd, 0x017d, 0xfffd,
    0xfffd, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
    0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0xfffd, 0x017e, 0x0178};

// Length of a valid UTF-8 sequence starting at s[i] (shortest form, no surrogates),
// or 0 when the bytes there are not one.
std::size_t sequenceLength(const std::string& s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned int cp;
    if ((c & 0xe0) == 0xc0) { len = 2; cp = c & 0x1f; }
    else if ((c & 0xf0) == 0xe0) { len = 3; cp = c & 0x0f; }
    else if ((c & 0xf8) == 0xf0) { len = 4; cp = c & 0x07; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3f);
    }
    static constexpr unsigned int kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return len;
}

}  // namespace

std::string sanitizeUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = sequenceLength(bytes, i);
        if (len > 1) {
            out.append(bytes, i, len);
            i += len;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(bytes[i++]);
        if (c < 0x20 || c == 0x7f)
            continue;
        appendUtf8(out, c >= 0x80 && c < 0xa0 ? kCp1252High[c - 0x80] : c);
    }
    return out;
}

void appendUtf8(std::string& out, unsigned int cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

std::size_t nextCodePoint(const std::string& s, std::size_t offset) {
    if (offset >= s.size())
        return s.size();
    ++offset;
    while (offset < s.size() && (static_cast<unsigned char>(s[offset]) & 0xc0) == 0x80)
        ++offset;
    return offset;
}

std::size_t previousCodePoint(const std::string& s, std::size_t offset) {
    if (offset == 0)
        return 0;
    if (offset > s.size())
        offset = s.size();
    --offset;
    while (offset > 0 && (static_cast<unsigned char>(s[offset]) & 0xc0) == 0x80)
        --offset;
    return offset;
}

}  // namespace moltaro::platform::x11
