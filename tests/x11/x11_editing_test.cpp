// The text field's editing rules and the key translation, without a display.

#include <gtest/gtest.h>

#include "platform/x11/TextEditState.h"
#include "platform/x11/Utf8.h"
#include "platform/x11/X11Blit.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/X11TextField.h"

#include <X11/X.h>
#include <X11/keysym.h>

using namespace moltaro::platform;
using namespace moltaro::platform::x11;

TEST(TextEditState, StartsWithCaretAtStartAndSelectAllCoversEverything) {
    TextEditState s("120.5");
    EXPECT_EQ(s.caret(), 0u);
    EXPECT_FALSE(s.hasSelection());
    s.selectAll();
    EXPECT_EQ(s.selectedText(), "120.5");
    // Typing over a full selection replaces it, as in a fresh field.
    EXPECT_TRUE(s.insert("7"));
    EXPECT_EQ(s.text(), "7");
    EXPECT_EQ(s.caret(), 1u);
}

TEST(TextEditState, CaretMovesAndShiftExtendsTheSelection) {
    TextEditState s("abcdef");
    s.end(false);
    s.left(true);
    s.left(true);
    EXPECT_EQ(s.selectedText(), "ef");
    // A plain arrow collapses the selection to its near edge instead of moving on.
    s.left(false);
    EXPECT_EQ(s.caret(), 4u);
    EXPECT_FALSE(s.hasSelection());
    s.home(true);
    EXPECT_EQ(s.selectedText(), "abcd");
    s.right(false);
    EXPECT_EQ(s.caret(), 4u);
}

TEST(TextEditState, BackspaceAndDeleteRemoveOneCodePointOrTheSelection) {
    TextEditState s("a\xc3\xa9z");  // a, e-acute (two bytes), z
    s.setCaret(3, false);
    EXPECT_TRUE(s.backspace());
    EXPECT_EQ(s.text(), "az");
    EXPECT_EQ(s.caret(), 1u);
    EXPECT_TRUE(s.deleteForward());
    EXPECT_EQ(s.text(), "a");
    EXPECT_FALSE(s.deleteForward());  // nothing after the caret
    s.home(false);
    EXPECT_FALSE(s.backspace());      // nothing before it
    s.selectAll();
    EXPECT_TRUE(s.deleteForward());
    EXPECT_EQ(s.text(), "");
}

TEST(TextEditState, CaretNeverLandsInsideAMultiByteCharacter) {
    TextEditState s("\xe2\x82\xac" "5");  // euro sign then 5
    s.setCaret(2, false);                  // in the middle of the euro sign
    EXPECT_EQ(s.caret(), 0u);
    s.right(false);
    EXPECT_EQ(s.caret(), 3u);
    s.left(false);
    EXPECT_EQ(s.caret(), 0u);
}

TEST(TextEditState, LimitCutsInsertedTextOnACodePointBoundary) {
    TextEditState s("", 4);
    EXPECT_TRUE(s.insert("ab\xc3\xa9\xc3\xa9"));  // 6 bytes offered, 4 allowed
    EXPECT_EQ(s.text(), "ab\xc3\xa9");
    EXPECT_FALSE(s.insert("x"));                  // full
    EXPECT_EQ(s.text().size(), 4u);
    // A longer initial text is cut too, so it always fits the toolkit's buffer.
    TextEditState longer(std::string(300, '9'));
    EXPECT_EQ(longer.text().size(), 255u);
}

TEST(TextEditState, ControlCharactersAndLineBreaksAreNotInserted) {
    TextEditState s;
    s.insert("1\n2\t3\x7f");
    EXPECT_EQ(s.text(), "123");
}

TEST(TextEditState, WordStepsSkipSeparators) {
    TextEditState s("12.5 ms gain");
    s.end(false);
    s.wordLeft(false);
    EXPECT_EQ(s.caret(), 8u);
    s.wordLeft(false);
    EXPECT_EQ(s.caret(), 5u);
    s.wordRight(true);
    EXPECT_EQ(s.selectedText(), "ms ");
}

TEST(TextFieldKeys, EditingKeysAndTheirResults) {
    TextEditState s("100");
    s.selectAll();
    EXPECT_EQ(applyKey(s, XK_4, 0, "4"), KeyResult::changed);
    EXPECT_EQ(applyKey(s, XK_2, 0, "2"), KeyResult::changed);
    EXPECT_EQ(s.text(), "42");
    EXPECT_EQ(applyKey(s, XK_Home, 0, ""), KeyResult::moved);
    EXPECT_EQ(applyKey(s, XK_End, ShiftMask, ""), KeyResult::moved);
    EXPECT_EQ(s.selectedText(), "42");
    EXPECT_EQ(applyKey(s, XK_BackSpace, 0, ""), KeyResult::changed);
    EXPECT_EQ(s.text(), "");
    EXPECT_EQ(applyKey(s, XK_BackSpace, 0, ""), KeyResult::moved);  // nothing left to delete
    EXPECT_EQ(applyKey(s, XK_Return, 0, ""), KeyResult::enter);
    EXPECT_EQ(applyKey(s, XK_KP_Enter, 0, ""), KeyResult::enter);
    EXPECT_EQ(applyKey(s, XK_Escape, 0, ""), KeyResult::escape);
}

TEST(TextFieldKeys, ControlShortcutsDoNotTypeTheirLetters) {
    TextEditState s("abc def");
    EXPECT_EQ(applyKey(s, XK_a, ControlMask, "\x01"), KeyResult::moved);
    EXPECT_EQ(s.selectedText(), "abc def");
    EXPECT_EQ(applyKey(s, XK_q, ControlMask, "\x11"), KeyResult::ignored);
    EXPECT_EQ(applyKey(s, XK_x, Mod1Mask, "x"), KeyResult::ignored);
    EXPECT_EQ(s.text(), "abc def");
    // Control-Backspace removes the word before the caret.
    s.end(false);
    EXPECT_EQ(applyKey(s, XK_BackSpace, ControlMask, ""), KeyResult::changed);
    EXPECT_EQ(s.text(), "abc ");
}

TEST(TextFieldKeys, ClipboardKeysAskForTheClipboardAndChangeNothingThemselves) {
    TextEditState s("12.5");
    s.selectAll();
    EXPECT_EQ(applyKey(s, XK_c, ControlMask, "\x03"), KeyResult::copy);
    EXPECT_EQ(applyKey(s, XK_Insert, ControlMask, ""), KeyResult::copy);
    EXPECT_EQ(applyKey(s, XK_x, ControlMask, "\x18"), KeyResult::cut);
    EXPECT_EQ(applyKey(s, XK_Delete, ShiftMask, ""), KeyResult::cut);
    EXPECT_EQ(applyKey(s, XK_v, ControlMask, "\x16"), KeyResult::paste);
    EXPECT_EQ(applyKey(s, XK_Insert, ShiftMask, ""), KeyResult::paste);
    EXPECT_EQ(s.text(), "12.5");
    EXPECT_EQ(s.selectedText(), "12.5");
    // A plain Delete still deletes.
    EXPECT_EQ(applyKey(s, XK_Delete, 0, ""), KeyResult::changed);
    EXPECT_EQ(s.text(), "");
}

TEST(Utf8Text, InvalidBytesBecomeLatin1AndValidTextIsKept) {
    EXPECT_EQ(sanitizeUtf8("plain"), "plain");
    EXPECT_EQ(sanitizeUtf8("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(sanitizeUtf8("caf\xe9"), "caf\xc3\xa9");         // Latin-1 e-acute
    EXPECT_EQ(sanitizeUtf8("\x80"), "\xe2\x82\xac");           // code page 1252 euro
    EXPECT_EQ(sanitizeUtf8("\xc3"), "\xc3\x83");               // a lead byte at the end
    EXPECT_EQ(sanitizeUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xe2\x82\xac");  // a surrogate is not UTF-8
    EXPECT_EQ(sanitizeUtf8("a\tb\nc"), "abc");
}

TEST(KeyTranslation, VirtualKeysCharactersAndModifiers) {
    KeyEvent up = translateKey(XK_Up, ShiftMask, "");
    EXPECT_EQ(up.virt, kKeyUp);
    EXPECT_EQ(up.character, 0);
    EXPECT_EQ(up.modifiers, kKeyModShift);

    KeyEvent a = translateKey(XK_a, 0, "a");
    EXPECT_EQ(a.virt, kKeyNone);
    EXPECT_EQ(a.character, 'a');

    KeyEvent ctrlA = translateKey(XK_a, ControlMask, "\x01");
    EXPECT_EQ(ctrlA.character, 'a');
    EXPECT_EQ(ctrlA.modifiers, kKeyModControl);

    EXPECT_EQ(translateKey(XK_KP_Enter, 0, "\r").virt, kKeyEnter);
    EXPECT_EQ(translateKey(XK_Return, 0, "\r").virt, kKeyReturn);
    EXPECT_EQ(translateKey(XK_Page_Down, 0, "").virt, kKeyPageDown);
    EXPECT_EQ(translateKey(XK_KP_Left, 0, "").virt, kKeyLeft);
    KeyEvent space = translateKey(XK_space, Mod1Mask, " ");
    EXPECT_EQ(space.virt, kKeySpace);
    EXPECT_EQ(space.character, ' ');
    EXPECT_EQ(space.modifiers, kKeyModAlt);
    EXPECT_EQ(translateKey(XK_eacute, 0, "\xc3\xa9").character, 0xe9);
}

TEST(VisualChannels, EightBitChannelsScaleIntoAndOutOfNarrowerMasks) {
    // A 16-bit visual: 5 bits red, 6 green, 5 blue.
    EXPECT_EQ(channelToMask(255, 0xf800), 0xf800ul);
    EXPECT_EQ(channelToMask(255, 0x07e0), 0x07e0ul);
    EXPECT_EQ(channelToMask(0, 0x001f), 0ul);
    EXPECT_EQ(channelToMask(128, 0x001f), 16ul);
    EXPECT_EQ(channelFromMask(0xffff, 0xf800), 255u);
    EXPECT_EQ(channelFromMask(0x0000, 0x07e0), 0u);
    for (uint32_t v = 0; v < 256; v += 5) {
        const uint32_t back = channelFromMask(channelToMask(v, 0x07e0), 0x07e0);
        EXPECT_LE(back > v ? back - v : v - back, 4u) << v;
    }
    // The usual 24-bit layout keeps every value.
    EXPECT_EQ(channelFromMask(channelToMask(77, 0xff00), 0xff00), 77u);
    EXPECT_EQ(channelToMask(200, 0), 0ul);  // a visual without the channel
}
