#include "CParamDisplay.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cstdio>
#include <cstring>

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& r, CBitmap* background, long s)
    : CControl(r, nullptr, 0, background), style(s) {
    if (style & kNoDrawStyle) setDirty(false);
}

CParamDisplay::~CParamDisplay() = default;

bool CParamDisplay::isTypeOf(const char* className) const {
    return (className && std::strcmp(className, "CParamDisplay") == 0) || CControl::isTypeOf(className);
}

void CParamDisplay::setFont(long id) {
    if (id != fontID) setDirty(true);
    fontID = id;
}

void CParamDisplay::setFontColor(const CColor& color) {
    if (color != fontColor) setDirty(true);
    fontColor = color;
}

void CParamDisplay::setBackColor(const CColor& color) {
    if (color != backColor) setDirty(true);
    backColor = color;
}

void CParamDisplay::setFrameColor(const CColor& color) {
    if (color != frameColor) setDirty(true);
    frameColor = color;
}

void CParamDisplay::setShadowColor(const CColor& color) {
    if (color != shadowColor) setDirty(true);
    shadowColor = color;
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign align) {
    if (align != horiTxtAlign) setDirty(true);
    horiTxtAlign = align;
}

void CParamDisplay::setStringConvert(CParamDisplayConvert convert, void* data) {
    if (convert != stringConvert || data != userData) setDirty(true);
    stringConvert = convert;
    userData = data;
}

void CParamDisplay::setTextTransparency(bool val) {
    if (val != bTextTransparencyEnabled) setDirty(true);
    bTextTransparencyEnabled = val;
}

void CParamDisplay::setTextEditConvert(CTextEditConvert convert, void* data) {
    if (convert != editConvert || data != editUserData) setDirty(true);
    editConvert = convert;
    editUserData = data;
}

void CParamDisplay::setStyle(long val) {
    if (val != style) setDirty(true);
    style = val;
}

void CParamDisplay::setTxtFace(long val) {
    if (val != txtFace) setDirty(true);
    txtFace = val;
}

void CParamDisplay::draw(CDrawContext* context) {
    char string[256] = {0};
    if (stringConvert)
        stringConvert(value, string, userData);
    else
        std::snprintf(string, sizeof string, "%2.2f", value);
    drawText(context, string);
}

void CParamDisplay::drawText(CDrawContext* context, const char* string, CBitmap* newBack) {
    setDirty(false);
    if ((style & kNoDrawStyle) || !context) return;

    CBitmap* back = newBack ? newBack : pBackground;
    if (back) {
        if (bTransparencyEnabled)
            back->drawTransparent(context, size, backOffset);
        else
            back->draw(context, size, backOffset);
    } else if (!bTransparencyEnabled) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if (!(style & (k3DIn | k3DOut | kNoFrame))) {
            context->setLineWidth(1);
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }

    if (style & (k3DIn | k3DOut)) {
        // Light on the top and left edges, dark on the others; sunken swaps them.
        const CColor light = (style & k3DIn) ? backColor : frameColor;
        const CColor dark = (style & k3DIn) ? frameColor : backColor;
        context->setLineWidth(1);
        context->setFrameColor(light);
        context->drawLine(CPoint(size.left, size.bottom - 1), CPoint(size.left, size.top));
        context->drawLine(CPoint(size.left, size.top), CPoint(size.right - 1, size.top));
        context->setFrameColor(dark);
        context->drawLine(CPoint(size.right - 1, size.top + 1), CPoint(size.right - 1, size.bottom - 1));
        context->drawLine(CPoint(size.right - 1, size.bottom - 1), CPoint(size.left + 1, size.bottom - 1));
    }

    if ((style & kNoTextStyle) || !string || !*string) return;
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = size;
    clip.bound(oldClip);
    context->setClipRect(clip);
    context->setFont(fontID, 0, txtFace);
    context->setFillColor(backColor);
    const short opaque = bTextTransparencyEnabled ? 0 : 1;
    if (style & kShadowText) {
        CRect shadow = size;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(string, shadow, 0, horiTxtAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(string, size, (style & kShadowText) ? 0 : opaque, horiTxtAlign);
    context->setClipRect(oldClip);
}

}  // namespace VSTGUI
