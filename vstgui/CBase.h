#pragma once
// The toolkit's shared value types and constants: points, rectangles, colours,
// mouse-button and modifier bits, the standard font table, text styles and
// alignment, key codes, and the reference-counted base of every toolkit object.

#include <cstdint>

namespace VSTGUI {

using CCoord = int32_t;

struct CPoint {
    CCoord h = 0;
    CCoord v = 0;

    CPoint() = default;
    CPoint(CCoord x, CCoord y) : h(x), v(y) {}
    CPoint& offset(CCoord x, CCoord y) {
        h += x;
        v += y;
        return *this;
    }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

// Right and bottom are exclusive.
struct CRect {
    CCoord left = 0;
    CCoord top = 0;
    CCoord right = 0;
    CCoord bottom = 0;

    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    CRect(const CPoint& origin, const CPoint& size)
        : left(origin.h), top(origin.v), right(origin.h + size.h), bottom(origin.v + size.v) {}

    CCoord width() const { return right - left; }
    CCoord height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CRect& offset(CCoord x, CCoord y) {
        left += x;
        right += x;
        top += y;
        bottom += y;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    CRect& inset(CCoord x, CCoord y) {
        left += x;
        right -= x;
        top += y;
        bottom -= y;
        return *this;
    }
    CRect& bound(const CRect& r);  // intersection; empty when apart
    CRect& unite(const CRect& r);  // an empty side is ignored
    bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
    // As pointInside, with the right and bottom edges counted as inside.
    bool pointInsideWithEdges(const CPoint& p) const {
        return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom;
    }
    bool rectOverlap(const CRect& r) const {
        return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

inline CColor MakeCColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) { return CColor{r, g, b, a}; }

extern const CColor kTransparentCColor;
extern const CColor kBlackCColor;
extern const CColor kWhiteCColor;
extern const CColor kGreyCColor;
extern const CColor kRedCColor;
extern const CColor kGreenCColor;
extern const CColor kBlueCColor;
extern const CColor kYellowCColor;
extern const CColor kMagentaCColor;
extern const CColor kCyanCColor;

// Mouse buttons and modifiers. -1 for buttons means "read them yourself".
enum CButton : long {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
    kApple = 64,  // the system key
};
constexpr long kAnyModifier = kShift | kControl | kAlt | kApple;

// The standard fonts, by index.
enum CFont : long {
    kSystemFont = 0,
    kNormalFontVeryBig,
    kNormalFontBig,
    kNormalFont,
    kNormalFontSmall,
    kNormalFontSmaller,
    kNormalFontVerySmall,
    kSymbolFont,
    kNumStandardFonts
};

// Text style bits of fonts.
enum CTxtFace : long { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

enum CHoriTxtAlign : long { kLeftText = 0, kCenterText = 1, kRightText = 2 };

// Style bits of the sliders.
enum CSliderStyle : long { kHorizontal = 1, kVertical = 2, kLeft = 8, kRight = 16, kTop = 32, kBottom = 64 };

// Style bits of the parameter display and its subclasses (text edit, option menu).
enum CParamDisplayStyle : long {
    kMultipleCheckStyle = 0x1,  // option menu: a check mark per entry, toggled when chosen
    kShadowText = 0x4,
    k3DIn = 0x80,
    k3DOut = 0x100,
    kPopupStyle = 0x200,  // option menu opens at the control's top
    kCheckStyle = 0x400,  // option menu: check mark on the current entry
    kNoTextStyle = 0x800,
    kNoDrawStyle = 0x1000,
    kDoubleClickStyle = 0x2000,  // text edit opens on a double click only
    kNoFrame = 0x4000,
};

// Style bit of the on/off button: tell the listener before the redraw.
enum COnOffButtonStyle : long { kPostListenerUpdate = 0, kPreListenerUpdate = 1 };

// Process-wide knob modes.
enum CKnobMode : long { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// A key event as the host protocol delivers it: character, virtual key number
// and modifier bits (1 Shift, 2 Alt, 4 command, 8 Control).
struct VstKeyCode {
    long character = 0;
    unsigned char virt = 0;
    unsigned char modifier = 0;
};

enum VirtualKey : unsigned char {
    VKEY_BACK = 1,
    VKEY_TAB,
    VKEY_CLEAR,
    VKEY_RETURN,
    VKEY_PAUSE,
    VKEY_ESCAPE,
    VKEY_SPACE,
    VKEY_NEXT,
    VKEY_END,
    VKEY_HOME,
    VKEY_LEFT,
    VKEY_UP,
    VKEY_RIGHT,
    VKEY_DOWN,
    VKEY_PAGEUP,
    VKEY_PAGEDOWN,
    VKEY_ENTER = 19,
    VKEY_INSERT = 21,
    VKEY_DELETE = 22,
};

enum KeyModifier : unsigned char { MODIFIER_SHIFT = 1, MODIFIER_ALTERNATE = 2, MODIFIER_COMMAND = 4, MODIFIER_CONTROL = 8 };

// Messages sent with notify(); compared by pointer.
extern const char* const kMsgCheckIfViewContainer;
extern const char* const kMsgLooseFocus;

// Base of every toolkit object: a count of owners. A new object has one owner;
// forget() drops one and deletes the object when none is left.
class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;

    virtual void forget() {
        if (--nbReference == 0) delete this;
    }
    virtual void remember() { ++nbReference; }
    long getNbReference() const { return nbReference; }

private:
    long nbReference = 1;
};

}  // namespace VSTGUI
