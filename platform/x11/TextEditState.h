#pragma once
// The editing state of a single-line text field: UTF-8 text, caret and selection
// anchor (byte offsets on code-point boundaries) and the operations the keys and the
// mouse perform. Knows nothing of windows, so it can be tested on its own.

#include <cstddef>
#include <string>

namespace moltaro::platform::x11 {

class TextEditState {
public:
    // maxBytes bounds the text so that it fits the toolkit's 256-byte buffer.
    explicit TextEditState(std::string initial = {}, std::size_t maxBytes = 255);

    const std::string& text() const { return value; }
    std::size_t caret() const { return caretPos; }
    std::size_t anchor() const { return anchorPos; }
    std::size_t selectionStart() const { return caretPos < anchorPos ? caretPos : anchorPos; }
    std::size_t selectionEnd() const { return caretPos < anchorPos ? anchorPos : caretPos; }
    bool hasSelection() const { return caretPos != anchorPos; }
    std::string selectedText() const;

    void selectAll();
    // Moves the caret; with extend the anchor stays, so the selection grows or shrinks.
    void setCaret(std::size_t offset, bool extend);
    void left(bool extend);
    void right(bool extend);
    void wordLeft(bool extend);
    void wordRight(bool extend);
    void home(bool extend);
    void end(bool extend);

    // Replaces the selection with the text (cut to the limit on a code-point boundary,
    // line breaks and other control characters left out). False when nothing changed.
    bool insert(const std::string& utf8);
    // Deletes the selection, or the code point before / after the caret.
    bool backspace();
    bool deleteForward();
    bool deleteSelection();

private:
    std::string value;
    std::size_t maxBytes;
    std::size_t caretPos = 0;
    std::size_t anchorPos = 0;
};

}  // namespace moltaro::platform::x11
