#include "CDrawContext.h"

#include "CBitmap.h"
#include "CFrame.h"
#include "platform/Scaling.h"

namespace VSTGUI {

namespace pf = moltaro::platform;

namespace {

// The standard font table: sizes in pixels; Arial's stand-in for all but the
// symbol font.
constexpr long kFontSizes[kNumStandardFonts] = {12, 18, 14, 12, 11, 10, 9, 13};

pf::Color toColor(const CColor& c) { return pf::Color{c.red, c.green, c.blue, c.alpha}; }
pf::Rect toRect(const CRect& r) { return pf::Rect{r.left, r.top, r.right, r.bottom}; }
pf::Point toPoint(const CPoint& p) { return pf::Point{p.h, p.v}; }

}  // namespace

CDrawContext::CDrawContext(CFrame* f, std::unique_ptr<pf::DrawContext> d)
    : frame(f), ownedDevice(std::move(d)), device(ownedDevice.get()) {
    readDevice();
}

CDrawContext::CDrawContext(CFrame* f, pf::DrawContext* d) : frame(f), device(d) { readDevice(); }

void CDrawContext::readDevice() {
    if (!device) return;
    const pf::Rect c = device->getClip();
    deviceClip = CRect(c.left, c.top, c.right, c.bottom);
    if (auto* scaled = dynamic_cast<pf::ScaledDrawContext*>(device)) scale = scaled->factor();
}

CDrawContext::~CDrawContext() = default;

void CDrawContext::setOffset(const CPoint& p) {
    offset = p;
    if (device) device->setOffset(toPoint(p));
}

void CDrawContext::lineTo(const CPoint& point) {
    drawLine(penLocation, point);
    penLocation = point;
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    if (device) device->drawLine(toPoint(from), toPoint(to), toColor(frameColor), lineWidth);
}

void CDrawContext::drawRect(const CRect& rect) {
    if (device) device->frameRect(toRect(rect), toColor(frameColor), lineWidth);
}

void CDrawContext::fillRect(const CRect& rect) {
    if (device) device->fillRect(toRect(rect), toColor(fillColor));
}

void CDrawContext::drawEllipse(const CRect& rect) {
    if (device) device->frameEllipse(toRect(rect), toColor(frameColor), lineWidth);
}

void CDrawContext::fillEllipse(const CRect& rect) {
    if (device) device->fillEllipse(toRect(rect), toColor(fillColor));
}

void CDrawContext::drawPoint(const CPoint& p, const CColor& color) {
    if (device) device->fillRect(pf::Rect{p.h, p.v, p.h + 1, p.v + 1}, toColor(color));
}

void CDrawContext::setFont(long fontID, long size, long style) {
    if (fontID < 0 || fontID >= kNumStandardFonts) fontID = kSystemFont;
    fontId = fontID;
    fontSize = size > 0 ? size : kFontSizes[fontID];
    fontStyle = style;
}

pf::FontSpec standardFontSpec(long fontID, long size, long style) {
    if (fontID < 0 || fontID >= kNumStandardFonts) fontID = kSystemFont;
    pf::FontSpec desc;
    desc.family = fontID == kSymbolFont ? pf::FontFamily::Symbol : pf::FontFamily::Sans;
    desc.sizePx = static_cast<int>(size > 0 ? size : kFontSizes[fontID]);
    desc.style = static_cast<int>(style & (kBoldFace | kItalicFace | kUnderlineFace));
    if (fontID == kSystemFont) desc.style |= pf::kFontBold;
    return desc;
}

pf::FontSpec CDrawContext::currentFontSpec() const { return standardFontSpec(fontId, fontSize, fontStyle); }

long CDrawContext::getStringWidth(const char* string) {
    if (!device || !string) return 0;
    return device->textWidth(string, currentFontSpec());
}

void CDrawContext::drawString(const char* string, const CRect& rect, short opaque, CHoriTxtAlign hAlign) {
    if (!device || !string) return;
    const pf::HAlign align = hAlign == kCenterText ? pf::HAlign::Center
                             : hAlign == kRightText ? pf::HAlign::Right
                                                    : pf::HAlign::Left;
    const pf::Color back = toColor(fillColor);
    device->drawText(string, toRect(rect), currentFontSpec(), toColor(fontColor), align, opaque ? &back : nullptr);
}

void CDrawContext::setClipRect(const CRect& clip) {
    CRect r = clip;
    r.offset(offset.h, offset.v);
    if (device) {
        device->setClip(toRect(r));
        const pf::Rect c = device->getClip();
        deviceClip = CRect(c.left, c.top, c.right, c.bottom);
    } else {
        deviceClip = r;
    }
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
    clip = deviceClip;
    clip.offset(-offset.h, -offset.v);
    return clip;
}

void CDrawContext::resetClipRect() {
    if (device) {
        device->resetClip();
        const pf::Rect c = device->getClip();
        deviceClip = CRect(c.left, c.top, c.right, c.bottom);
    }
}

long CDrawContext::getMouseButtons() {
    pf::Window* w = frame ? frame->getPlatformWindow() : nullptr;
    return w ? w->mouseButtons() : 0;
}

void CDrawContext::getMouseLocation(CPoint& point) {
    pf::Window* w = frame ? frame->getPlatformWindow() : nullptr;
    if (!w) {
        point = CPoint();
        return;
    }
    const pf::Point p = frame->toFramePoint(w->mousePosition());
    point = CPoint(p.x - offset.h, p.y - offset.v);
}

void CDrawContext::drawImage(const pf::Image& image, const CRect& dest, const CPoint& src, int mode,
                             const CColor& key, unsigned char alpha) {
    if (!device || dest.isEmpty()) return;
    switch (mode) {
    case kDrawTransparent: device->drawImageTransparent(image, toRect(dest), toPoint(src), toColor(key)); break;
    case kDrawAlpha: device->drawImageAlpha(image, toRect(dest), toPoint(src), alpha); break;
    default: device->drawImage(image, toRect(dest), toPoint(src)); break;
    }
}

// ---------------------------------------------------------------- off-screen

COffscreenContext::COffscreenContext(CFrame* f, long w, long h, const CColor& background)
    : CDrawContext(f, std::unique_ptr<pf::DrawContext>()),
      ownImage(static_cast<int>(w), static_cast<int>(h)),
      target(&ownImage),
      width(w > 0 ? w : 0),
      height(h > 0 ? h : 0) {
    // A picture of the frame's window pixels when the frame is scaled.
    const double factor = f ? f->getScale() : 1.0;
    if (factor != 1.0 && !ownImage.isEmpty()) {
        const pf::Scaling s{factor};
        ownImage = pf::Image(s.toDevice(static_cast<int>(width)), s.toDevice(static_cast<int>(height)));
        ownImage.setScale(factor);
    }
    if (!ownImage.isEmpty()) {
        ownedDevice = pf::backend().createImageContext(ownImage);
        if (ownedDevice && factor != 1.0) ownedDevice = std::make_unique<pf::ScaledDrawContext>(std::move(ownedDevice), factor);
        device = ownedDevice.get();
        if (device) scale = factor;
    }
    deviceClip = CRect(0, 0, width, height);
    if (device) device->fillRect(pf::Rect{0, 0, static_cast<int>(width), static_cast<int>(height)}, toColor(background));
}

COffscreenContext::COffscreenContext(CDrawContext* context, CBitmap* b)
    : CDrawContext(context ? context->getFrame() : nullptr, std::unique_ptr<pf::DrawContext>()), bitmap(b) {
    if (bitmap) {
        bitmap->remember();
        target = bitmap->getWritableImage();
    }
    if (target) {
        width = target->width();
        height = target->height();
        ownedDevice = pf::backend().createImageContext(*target);
        device = ownedDevice.get();
    }
    deviceClip = CRect(0, 0, width, height);
}

COffscreenContext::~COffscreenContext() {
    ownedDevice.reset();
    device = nullptr;
    if (bitmap) bitmap->forget();
}

void COffscreenContext::copyFrom(CDrawContext* dest, CRect destRect, CPoint srcOffset) {
    if (!dest || !target || target->isEmpty()) return;
    dest->drawImage(*target, destRect, srcOffset, kDrawOpaque, kTransparentCColor, 255);
}

}  // namespace VSTGUI
