#include "ToolkitDemo.h"

#include "DemoArtwork.h"

#include <cstdio>

namespace toolkit_demo {

using namespace VSTGUI;

namespace {

const CColor kLabelColor{176, 184, 200, 255};
const CColor kAccentColor{240, 150, 50, 255};
const CColor kDisplayBack{22, 24, 30, 255};
const CColor kDisplayFrame{88, 96, 112, 255};

// Labels show the text they were given as user data.
void showLabel(float, char* string, void* userData) {
    std::snprintf(string, 256, "%s", static_cast<const char*>(userData));
}

void showValue(float value, char* string, void*) { std::snprintf(string, 256, "%.2f", value); }

void showPercent(float value, char* string, void*) { std::snprintf(string, 256, "%.0f%%", value * 100.f); }

const char* const kAlgorithms[] = {"Ambience", "Room", "Chamber", "Club", "Hall", "Arena", "Cathedral", "Spring", "Plate"};

}  // namespace

// Stands in for an editor when the demo runs on its own.
class ToolkitDemo::Owner final : public CFrameOwner {
public:
    explicit Owner(ToolkitDemo* d) : demo(d) {}
    void doIdleStuff() override {
        CFrame* frame = demo->getFrame();
        if (!frame) return;
        frame->idle();
        if (auto* window = frame->getPlatformWindow()) window->pumpOnePaint();
        moltaro::platform::backend().sleep(5);
    }
    long getKnobMode() const override { return kLinearMode; }

private:
    ToolkitDemo* demo;
};

ToolkitDemo::ToolkitDemo() : ownOwner(std::make_unique<Owner>(this)) { registerDemoArtwork(); }

ToolkitDemo::~ToolkitDemo() { close(); }

void ToolkitDemo::addLabel(const CRect& rect, const char* text) {
    auto* label = new CParamDisplay(rect, nullptr, kNoFrame);
    label->setStringConvert(showLabel, const_cast<char*>(text));
    label->setTransparency(true);
    label->setFont(kNormalFontVerySmall);
    label->setTxtFace(kBoldFace);
    label->setFontColor(kLabelColor);
    label->setMouseEnabled(false);
    frame->addView(label);
}

bool ToolkitDemo::open(void* parentWindow, CFrameOwner* owner, double scale) {
    close();
    frame = new CFrame(CRect(0, 0, kDemoWidth, kDemoHeight), parentWindow, owner ? owner : ownOwner.get(), scale);
    CBitmap* background = new CBitmap(kDemoBackground);
    frame->setBackground(background);

    // Title strip; a click on it opens the splash screen.
    auto* title = new CParamDisplay(CRect(10, 2, 350, 22), nullptr, kNoFrame);
    title->setStringConvert(showLabel, const_cast<char*>("Widget toolkit demo"));
    title->setTransparency(true);
    title->setFont(kNormalFontBig);
    title->setTxtFace(kBoldFace);
    title->setHoriAlign(kLeftText);
    title->setFontColor(CColor{236, 238, 242, 255});
    title->setMouseEnabled(false);
    frame->addView(title);
    addLabel(CRect(150, 2, 350, 22), "click here for the splash screen  ");
    static_cast<CParamDisplay*>(frame->getView(frame->getNbViews() - 1))->setHoriAlign(kRightText);

    CBitmap* strip = new CBitmap(kDemoKnobStrip);
    animKnob = new CAnimKnob(CRect(24, 38, 72, 86), this, kTagAnimKnob, kKnobImages, kKnobSize, strip);
    strip->forget();
    animKnob->setValue(0.5f);
    animKnob->setDefaultValue(0.5f);
    frame->addView(animKnob);
    addLabel(CRect(8, 90, 88, 104), "FILM KNOB");

    CBitmap* body = new CBitmap(kDemoKnobBody);
    knob = new CKnob(CRect(106, 38, 154, 86), this, kTagKnob, body, nullptr);
    body->forget();
    knob->setInsetValue(10);
    knob->setColorHandle(CColor{250, 250, 245, 255});
    knob->setColorShadowHandle(CColor{30, 32, 38, 255});
    knob->setValue(0.3f);
    frame->addView(knob);
    addLabel(CRect(92, 90, 168, 104), "KNOB");

    CBitmap* ring = new CBitmap(kDemoMovieStrip);
    movie = new CMovieBitmap(CRect(186, 38, 234, 86), this, kTagMovie, kMovieImages, kKnobSize, ring);
    ring->forget();
    movie->setValue(0.5f);
    frame->addView(movie);
    addLabel(CRect(172, 90, 248, 104), "MOVIE");

    CBitmap* handleV = new CBitmap(kDemoHandleV);
    verticalSlider = new CSlider(CRect(264, 36, 284, 92), this, kTagVerticalSlider, 38, 80, handleV, background,
                                 CPoint(264, 36), kVertical | kBottom);
    handleV->forget();
    verticalSlider->setValue(0.7f);
    frame->addView(verticalSlider);
    addLabel(CRect(252, 93, 296, 106), "FADER");

    CBitmap* lamp = new CBitmap(kDemoOnOff);
    onOff = new COnOffButton(CRect(308, 44, 344, 64), this, kTagOnOff, lamp);
    lamp->forget();
    onOff->setValue(1.f);
    frame->addView(onOff);
    addLabel(CRect(300, 90, 352, 104), "ON/OFF");

    CBitmap* handleH = new CBitmap(kDemoHandleH);
    slider = new CHorizontalSlider(CRect(20, 124, 184, 136), this, kTagSlider, 20, 168, handleH, background,
                                   CPoint(20, 124));
    handleH->forget();
    slider->setValue(0.35f);
    frame->addView(slider);
    addLabel(CRect(8, 142, 192, 156), "SLIDER");

    CBitmap* kickStrip = new CBitmap(kDemoKick);
    kick = new CKickButton(CRect(202, 122, 238, 142), this, kTagKick, 20, kickStrip);
    kickStrip->forget();
    frame->addView(kick);
    addLabel(CRect(196, 144, 244, 158), "KICK");

    CBitmap* rockerStrip = new CBitmap(kDemoRocker);
    rocker = new CRockerSwitch(CRect(251, 122, 299, 142), this, kTagRocker, 20, rockerStrip);
    rockerStrip->forget();
    frame->addView(rocker);
    addLabel(CRect(248, 144, 302, 158), "ROCKER");

    valueDisplay = new CParamDisplay(CRect(310, 122, 348, 140));
    valueDisplay->setTag(kTagValue);
    valueDisplay->setStringConvert(showValue);
    valueDisplay->setBackColor(kDisplayBack);
    valueDisplay->setFrameColor(kDisplayFrame);
    valueDisplay->setFontColor(kAccentColor);
    valueDisplay->setFont(kNormalFontSmall);
    valueDisplay->setValue(0.5f);
    valueDisplay->setMouseEnabled(false);
    frame->addView(valueDisplay);
    addLabel(CRect(306, 144, 352, 158), "VALUE");

    textEdit = new CTextEdit(CRect(16, 174, 124, 190), this, kTagText, "Edit me");
    textEdit->setBackColor(CColor{237, 235, 213, 255});
    textEdit->setFrameColor(CColor{75, 75, 80, 255});
    textEdit->setFontColor(CColor{40, 40, 46, 255});
    textEdit->setFont(kNormalFontSmall);
    frame->addView(textEdit);
    addLabel(CRect(8, 194, 132, 208), "TEXT EDIT");

    menu = new COptionMenu(CRect(144, 174, 244, 190), this, kTagMenu, nullptr, nullptr, kCheckStyle | k3DIn);
    for (const char* name : kAlgorithms) menu->addEntry(name);
    menu->addEntry("-");
    menu->addEntry("-TMore");
    menu->addEntry("-GGreyed entry");
    menu->setCurrent(4);
    menu->setBackColor(kDisplayBack);
    menu->setFrameColor(kDisplayFrame);
    menu->setFontColor(kAccentColor);
    menu->setFont(kNormalFontSmall);
    menu->setNbItemsPerColumn(6);
    frame->addView(menu);
    addLabel(CRect(136, 194, 252, 208), "MENU");

    percent = new CParamDisplay(CRect(268, 174, 340, 190), nullptr, kShadowText | k3DIn);
    percent->setStringConvert(showPercent);
    percent->setValue(animKnob->getValue());
    percent->setBackColor(CColor{40, 44, 52, 255});
    percent->setFrameColor(CColor{16, 17, 20, 255});
    percent->setShadowColor(CColor{10, 10, 12, 255});
    percent->setFontColor(CColor{120, 220, 130, 255});
    percent->setTextTransparency(false);
    percent->setMouseEnabled(false);
    frame->addView(percent);
    addLabel(CRect(256, 194, 352, 208), "DISPLAY");

    addLabel(CRect(8, 218, 352, 234), "drag knobs and sliders - Shift drags finer - Control-click resets");

    CBitmap* about = new CBitmap(kDemoAbout);
    auto* splash = new CSplashScreen(CRect(0, 0, kDemoWidth, 24), this, kTagSplash, about, CRect(40, 45, 320, 195));
    about->forget();
    frame->addView(splash);
    background->forget();
    return frame->isOpen();
}

void ToolkitDemo::close() {
    animKnob = nullptr;
    knob = nullptr;
    movie = nullptr;
    verticalSlider = nullptr;
    onOff = nullptr;
    slider = nullptr;
    kick = nullptr;
    rocker = nullptr;
    valueDisplay = nullptr;
    textEdit = nullptr;
    menu = nullptr;
    percent = nullptr;
    if (frame) frame->forget();
    frame = nullptr;
}

void ToolkitDemo::valueChanged(CDrawContext*, CControl* control) {
    ++changeCount;
    if (!frame || !control) return;
    if (valueDisplay && control->getTag() != kTagMenu && control->getTag() != kTagText &&
        control->getTag() != kTagSplash) {
        valueDisplay->setValue(control->getValue());
        valueDisplay->setDirty(true);
    }
    if (control == animKnob && movie) {
        movie->setValue(animKnob->getValue());
        movie->setDirty(true);
        if (percent) {
            percent->setValue(animKnob->getValue());
            percent->setDirty(true);
        }
    }
}

}  // namespace toolkit_demo
