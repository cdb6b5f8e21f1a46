#include "TextEditState.h"

#include "Utf8.h"

namespace moltaro::platform::x11 {

namespace {
bool isWordByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
           u == '_' || u == '.' || u == ',';
}

// The longest prefix of s of at most max bytes that ends on a code-point boundary.
std::size_t fitPrefix(const std::string& s, std::size_t max) {
    if (s.size() <= max)
        return s.size();
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xc0) == 0x80)
        --n;
    return n;
}
}  // namespace

TextEditState::TextEditState(std::string initial, std::size_t limit) : maxBytes(limit) {
    insert(initial);
    caretPos = anchorPos = 0;
}

std::string TextEditState::selectedText() const {
    return value.substr(selectionStart(), selectionEnd() - selectionStart());
}

void TextEditState::selectAll() {
    anchorPos = 0;
    caretPos = value.size();
}

void TextEditState::setCaret(std::size_t offset, bool extend) {
    if (offset > value.size())
        offset = value.size();
    // Keep to code-point boundaries.
    while (offset > 0 && offset < value.size() && (static_cast<unsigned char>(value[offset]) & 0xc0) == 0x80)
        --offset;
    caretPos = offset;
    if (!extend)
        anchorPos = offset;
}

void TextEditState::left(bool extend) {
    if (hasSelection() && !extend)
        setCaret(selectionStart(), false);
    else
        setCaret(previousCodePoint(value, caretPos), extend);
}

void TextEditState::right(bool extend) {
    if (hasSelection() && !extend)
        setCaret(selectionEnd(), false);
    else
        setCaret(nextCodePoint(value, caretPos), extend);
}

void TextEditState::wordLeft(bool extend) {
    std::size_t p = caretPos;
    while (p > 0 && !isWordByte(value[p - 1]))
        --p;
    while (p > 0 && isWordByte(value[p - 1]))
        --p;
    setCaret(p, extend);
}

void TextEditState::wordRight(bool extend) {
    std::size_t p = caretPos;
    while (p < value.size() && isWordByte(value[p]))
        ++p;
    while (p < value.size() && !isWordByte(value[p]))
        ++p;
    setCaret(p, extend);
}

void TextEditState::home(bool extend) { setCaret(0, extend); }

void TextEditState::end(bool extend) { setCaret(value.size(), extend); }

bool TextEditState::insert(const std::string& utf8) {
    std::string clean;
    clean.reserve(utf8.size());
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
            clean += c;
    bool removed = deleteSelection();
    std::size_t room = maxBytes > value.size() ? maxBytes - value.size() : 0;
    clean.resize(fitPrefix(clean, room));
    if (clean.empty())
        return removed;
    value.insert(caretPos, clean);
    caretPos += clean.size();
    anchorPos = caretPos;
    return true;
}

bool TextEditState::deleteSelection() {
    if (!hasSelection())
        return false;
    std::size_t start = selectionStart();
    value.erase(start, selectionEnd() - start);
    caretPos = anchorPos = start;
    return true;
}

bool TextEditState::backspace() {
    if (deleteSelection())
        return true;
    if (caretPos == 0)
        return false;
    std::size_t p = previousCodePoint(value, caretPos);
    value.erase(p, caretPos - p);
    caretPos = anchorPos = p;
    return true;
}

bool TextEditState::deleteForward() {
    if (deleteSelection())
        return true;
    if (caretPos >= value.size())
        return false;
    std::size_t p = nextCodePoint(value, caretPos);
    value.erase(caretPos, p - caretPos);
    return true;
}

}  // namespace moltaro::platform::x11
