#pragma once
// UTF-8 helpers for the text the X11 widgets show and edit.

#include <cstddef>
#include <string>

namespace moltaro::platform::x11 {

// The text as valid UTF-8: valid sequences are kept, other bytes are read as
// Windows Latin-1 (so an old single-byte text still shows its accents), control
// characters are dropped. cairo refuses invalid UTF-8 for good, hence this.
std::string sanitizeUtf8(const std::string& bytes);

// Byte offset of the code point after / before the one at offset.
std::size_t nextCodePoint(const std::string& s, std::size_t offset);
std::size_t previousCodePoint(const std::string& s, std::size_t offset);

void appendUtf8(std::string& out, unsigned int codePoint);

}  // namespace moltaro::platform::x11
