#pragma once
// Drawing contexts: one bound to the frame's window (or a paint in progress),
// and the off-screen context that draws into a picture of its own.

#include "CBase.h"
#include "platform/Platform.h"

#include <memory>

namespace VSTGUI {

class CFrame;
class CBitmap;

// The platform font for an entry of the standard font table (an index outside
// the table means the system font; size 0 means the table's size).
moltaro::platform::FontSpec standardFontSpec(long fontID, long size = 0, long style = 0);

class CDrawContext : public CReferenceCounter {
public:
    // Owns the device context (may be null: then nothing is drawn).
    CDrawContext(CFrame* frame, std::unique_ptr<moltaro::platform::DrawContext> device);
    // Borrows the device context, which must outlive this one.
    CDrawContext(CFrame* frame, moltaro::platform::DrawContext* device);
    ~CDrawContext() override;

    // Lines with the frame colour and line width.
    void moveTo(const CPoint& point) { penLocation = point; }
    void getLoc(CPoint& where) const { where = penLocation; }
    void lineTo(const CPoint& point);
    void drawLine(const CPoint& from, const CPoint& to);
    void setLineWidth(CCoord width) { lineWidth = width < 1 ? 1 : width; }
    CCoord getLineWidth() const { return lineWidth; }

    void drawRect(const CRect& rect);  // outline in the frame colour
    void fillRect(const CRect& rect);  // fill colour
    void drawEllipse(const CRect& rect);
    void fillEllipse(const CRect& rect);
    void drawPoint(const CPoint& point, const CColor& color);

    void setFrameColor(const CColor& color) { frameColor = color; }
    CColor getFrameColor() const { return frameColor; }
    void setFillColor(const CColor& color) { fillColor = color; }
    CColor getFillColor() const { return fillColor; }
    void setFontColor(const CColor& color) { fontColor = color; }
    CColor getFontColor() const { return fontColor; }

    // An index outside the table means the system font; size 0 means the
    // table's size; the system font is always bold.
    void setFont(long fontID, long size = 0, long style = 0);
    long getFont() const { return fontId; }
    long getFontSize() const { return fontSize; }
    long getFontStyle() const { return fontStyle; }
    long getStringWidth(const char* string);
    // One line, vertically centred; opaque fills the rectangle with the fill colour first.
    void drawString(const char* string, const CRect& rect, short opaque = 0, CHoriTxtAlign hAlign = kCenterText);

    // Clipping in this context's coordinates (the offset applies).
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;
    void resetClipRect();

    // Added to every coordinate; containers move it to their origin.
    void setOffset(const CPoint& offset);
    CPoint getOffset() const { return offset; }

    // The mouse, read now: buttons and modifiers, and position in this
    // context's coordinates.
    long getMouseButtons();
    void getMouseLocation(CPoint& point);

    CFrame* getFrame() const { return frame; }
    moltaro::platform::DrawContext* getDevice() const { return device; }
    // Window pixels per coordinate unit: the frame's scale factor (1 off-screen
    // into a blank bitmap).
    double getScale() const { return scale; }

    // Draws a picture (used by CBitmap).
    void drawImage(const moltaro::platform::Image& image, const CRect& dest, const CPoint& src, int mode,
                   const CColor& key, unsigned char alpha);
    enum { kDrawOpaque = 0, kDrawTransparent = 1, kDrawAlpha = 2 };

protected:
    moltaro::platform::FontSpec currentFontSpec() const;

    void readDevice();

    CFrame* frame;  // not owned
    double scale = 1.0;
    std::unique_ptr<moltaro::platform::DrawContext> ownedDevice;
    moltaro::platform::DrawContext* device;  // ownedDevice or borrowed; may be null
    CPoint offset;
    CRect deviceClip;  // in device coordinates; used when there is no device
    CPoint penLocation;
    CCoord lineWidth = 1;
    CColor frameColor = kBlackCColor;
    CColor fillColor = kWhiteCColor;
    CColor fontColor = kBlackCColor;
    long fontId = kSystemFont;
    long fontSize = 12;
    long fontStyle = kBoldFace;
};

// Draws into a picture of its own (or into a given blank bitmap), to be copied
// to another context in one piece.
class COffscreenContext : public CDrawContext {
public:
    COffscreenContext(CFrame* frame, long width, long height, const CColor& background = kBlackCColor);
    // Draws into a blank bitmap made with CBitmap(width, height); retained.
    COffscreenContext(CDrawContext* context, CBitmap* bitmap);
    ~COffscreenContext() override;

    // Copies destRect's size from the picture at srcOffset into dest at destRect.
    void copyFrom(CDrawContext* dest, CRect destRect, CPoint srcOffset = CPoint(0, 0));

    long getWidth() const { return width; }
    long getHeight() const { return height; }
    const moltaro::platform::Image* getImage() const { return target; }

private:
    moltaro::platform::Image ownImage;
    moltaro::platform::Image* target = nullptr;
    CBitmap* bitmap = nullptr;  // retained when drawing into a bitmap
    long width = 0;
    long height = 0;
};

}  // namespace VSTGUI
