#pragma once
// Shows a value (or a text) on a background: colours, font, alignment, frame,
// 3-D border and shadow after its style bits. The base of the text edit and the
// option menu.

#include "CControl.h"

namespace VSTGUI {

// Writes the text for a value into string (at least 256 bytes).
using CParamDisplayConvert = void (*)(float value, char* string, void* userData);
// Turns an edited text into the text to show (both at least 256 bytes).
using CTextEditConvert = void (*)(const char* text, char* string, void* userData);

class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, long style = 0);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;

    virtual void setFont(long fontID);
    virtual long getFont() const { return fontID; }
    virtual void setFontColor(const CColor& color);
    virtual CColor getFontColor() const { return fontColor; }
    virtual void setBackColor(const CColor& color);
    virtual CColor getBackColor() const { return backColor; }
    virtual void setFrameColor(const CColor& color);
    virtual CColor getFrameColor() const { return frameColor; }
    virtual void setShadowColor(const CColor& color);
    virtual CColor getShadowColor() const { return shadowColor; }
    virtual void setHoriAlign(CHoriTxtAlign align);
    virtual CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
    virtual void setStringConvert(CParamDisplayConvert convert, void* userData = nullptr);
    virtual void setTextTransparency(bool val);
    virtual bool getTextTransparency() const { return bTextTransparencyEnabled; }
    virtual void setTextEditConvert(CTextEditConvert convert, void* userData = nullptr);
    virtual void setStyle(long val);
    virtual long getStyle() const { return style; }
    virtual void setTxtFace(long val);
    virtual long getTxtFace() const { return txtFace; }
    // Redraws the background beneath (the background bitmap, offset by the back offset).
    virtual void setBackgroundBitmap(CBitmap* bitmap) { setBackground(bitmap); }

protected:
    // Draws background, border and string; newBack replaces the background bitmap.
    virtual void drawText(CDrawContext* context, const char* string, CBitmap* newBack = nullptr);

    CParamDisplayConvert stringConvert = nullptr;
    void* userData = nullptr;
    CTextEditConvert editConvert = nullptr;
    void* editUserData = nullptr;
    CHoriTxtAlign horiTxtAlign = kCenterText;
    long style;
    long fontID = kNormalFont;
    long txtFace = kNormalFace;
    bool bTextTransparencyEnabled = true;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kRedCColor;
};

}  // namespace VSTGUI
