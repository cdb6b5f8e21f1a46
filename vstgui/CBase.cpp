#include "CBase.h"

#include <algorithm>

namespace VSTGUI {

const CColor kTransparentCColor{255, 255, 255, 0};
const CColor kBlackCColor{0, 0, 0, 255};
const CColor kWhiteCColor{255, 255, 255, 255};
const CColor kGreyCColor{127, 127, 127, 255};
const CColor kRedCColor{255, 0, 0, 255};
const CColor kGreenCColor{0, 255, 0, 255};
const CColor kBlueCColor{0, 0, 255, 255};
const CColor kYellowCColor{255, 255, 0, 255};
const CColor kMagentaCColor{255, 0, 255, 255};
const CColor kCyanCColor{0, 255, 255, 255};

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";
const char* const kMsgLooseFocus = "LooseFocus";

CRect& CRect::bound(const CRect& r) {
    left = std::max(left, r.left);
    top = std::max(top, r.top);
    right = std::min(right, r.right);
    bottom = std::min(bottom, r.bottom);
    if (isEmpty()) *this = CRect(left, top, left, top);
    return *this;
}

CRect& CRect::unite(const CRect& r) {
    if (r.isEmpty()) return *this;
    if (isEmpty()) return *this = r;
    left = std::min(left, r.left);
    top = std::min(top, r.top);
    right = std::max(right, r.right);
    bottom = std::max(bottom, r.bottom);
    return *this;
}

}  // namespace VSTGUI
