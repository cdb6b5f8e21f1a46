#include "editor/MoltaroEditor.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "editor/CAbout.h"
#include "editor/CMyRocker.h"
#include "editor/CTextLED.h"
#include "editor/CSizeChooser.h"
#include "editor/EditorScale.h"
#include "editor/EditorText.h"
#include "editor/ModuleBitmaps.h"
#include "shell/Moltaro.h"
#include "platform/Scaling.h"
#include "vstgui/VSTGUI.h"

using namespace VSTGUI;
using moltaro::NumberField;

namespace {

const CColor kFieldBackColor{237, 235, 213, 255};
const CColor kFieldTextColor{75, 75, 80, 255};

struct KnobPlace {
    int parameter;
    int bitmap;
    CRect where;
    float defaultValue;
};

// In the order the controls are made (interleaved with their text fields below).
const KnobPlace kTimeKnob{kParamDecay, MoltaroEditor::kTimeKnobBitmap, CRect(39, 42, 96, 99), 0.5f};
const KnobPlace kDampKnob{kParamHighDamp, MoltaroEditor::kDampKnobBitmap, CRect(204, 42, 261, 99), 0.2f};
const KnobPlace kLowGainKnob{kParamLowGain, MoltaroEditor::kLowShelfKnobBitmap, CRect(48, 126, 87, 165), 0.5f};
const KnobPlace kLowFreqKnob{kParamLowFreq, MoltaroEditor::kLowShelfKnobBitmap, CRect(103, 126, 142, 165), 0.25f};
const KnobPlace kHighGainKnob{kParamHighGain, MoltaroEditor::kHighShelfKnobBitmap, CRect(213, 126, 252, 165), 0.5f};
const KnobPlace kHighFreqKnob{kParamHighFreq, MoltaroEditor::kHighShelfKnobBitmap, CRect(158, 126, 197, 165), 0.5f};
const KnobPlace kMixKnob{kParamMix, MoltaroEditor::kMixKnobBitmap, CRect(103, 195, 142, 234), 0.5f};
const KnobPlace kOutputKnob{kParamOutput, MoltaroEditor::kOutputKnobBitmap, CRect(158, 195, 197, 234), 0.5f};

}  // namespace

MoltaroEditor::MoltaroEditor(Moltaro* effect)
    : CPresetSystemEditor(effect), plugin(effect), uiThread(std::this_thread::get_id()) {
    // The window is exactly the background's size. Its pictures are decoded when the
    // window first opens: a host that only scans the plug-in need not wait for them.
    int width = kWindowWidth, height = kWindowHeight;
    if (!moltaro::moduleBitmapSize(kBackgroundBitmap, width, height)) {
        width = kWindowWidth;
        height = kWindowHeight;
    }
    designWidth = width;
    designHeight = height;
    setScaledRect(1.0);
    scaleGeneration = moltaro::userScaleGeneration();
}

void MoltaroEditor::setScaledRect(double factor) {
    const moltaro::platform::Scaling s{factor};
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(s.toDevice(designHeight));
    rect.right = static_cast<VstInt16>(s.toDevice(designWidth));
}

double MoltaroEditor::resolveScale(void* parent) const {
    return moltaro::resolveScale(moltaro::currentScaleSources(parent, hostScale), designWidth, designHeight);
}

bool MoltaroEditor::getRect(ERect** r) {
    // Hosts ask before opening, to size their window: answer the size it will open at.
    if (!frame) {
        scale = resolveScale(nullptr);
        setScaledRect(scale);
    }
    return AEffGUIEditor::getRect(r);
}

void MoltaroEditor::setHostScale(double factor) {
    hostScale = factor > 0 && factor < 16 ? factor : 0.0;
    scaleCheckPending = true;
}

void MoltaroEditor::chooseScale(double factor) {
    moltaro::writeUserScale(factor);
    scaleCheckPending = true;
}

void MoltaroEditor::applyScale(double factor) {
    void* parent = systemWindow;
    if (!parent || factor == scale) return;
    close();
    scale = factor;
    setScaledRect(scale);
    if (effect) effect->callHost(audioMasterSizeWindow, rect.right, rect.bottom);
    open(parent);
}

MoltaroEditor::~MoltaroEditor() {
    // The effect is being destroyed: nothing may reach it from here on, not even a
    // text field that ends its editing as the window goes.
    plugin = nullptr;
    presetEffect = nullptr;
    effect = nullptr;
    if (frame) close();
    if (background) background->forget();
}

CAnimKnob* MoltaroEditor::getKnob(int parameter) const {
    return parameter >= 0 && parameter < kMirrored ? knobs[parameter] : nullptr;
}

CTextEdit* MoltaroEditor::getTextField(int parameter) const {
    return parameter >= 0 && parameter < kMirrored ? textFields[parameter] : nullptr;
}

bool MoltaroEditor::open(void* systemWindow) {
    if (frame) close();
    // A window needs the host's window to live in.
    if (!plugin || !systemWindow) return false;
    AEffEditor::open(systemWindow);
    uiThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    pendingParameters.store(0, std::memory_order_relaxed);
    heldPeak = 0.0;
    holdCount = 0;
    scale = resolveScale(systemWindow);
    setScaledRect(scale);
    scaleGeneration = moltaro::userScaleGeneration();
    scaleCheckPending = false;
    try {
        moltaro::registerModuleBitmaps();
        moltaro::registerModuleBitmaps(moltaro::platform::scalePercent(scale));
        if (!background) background = new CBitmap(kBackgroundBitmap);
        frame = new CFrame(CRect(0, 0, designWidth, designHeight), systemWindow, this, scale);
        if (!frame->isOpen()) {
            close();
            return false;
        }
        frame->setBackground(background);
        setKnobMode(kLinearMode);
        buildControls();
        CPresetSystemEditor::open(systemWindow);
    } catch (const std::bad_alloc&) {
        // Nothing may escape into the host; what was built goes with the frame.
        close();
        return false;
    }
    for (int i = 0; i < kMirrored; ++i) mirrorParameter(i);
    return true;
}

void MoltaroEditor::buildControls() {
    auto value = [this](int index) { return plugin->getParameter(index); };

    // Under every control: the size menu on a right click on the bare panel.
    frame->addView(new CSizeChooser(CRect(0, 0, designWidth, designHeight), [this](double f) { chooseScale(f); }));

    auto addKnob = [&](const KnobPlace& k, CBitmap* strip) {
        const CCoord imageHeight = k.where.height();
        auto* knob = new CAnimKnob(k.where, this, k.parameter, kKnobImages, imageHeight, strip, CPoint(0, 0));
        knob->copyBackOffset();
        knob->setDefaultValue(k.defaultValue);
        knob->setValue(value(k.parameter));
        frame->addView(knob);
        knobs[k.parameter] = knob;
    };
    auto addField = [&](long tag, const CRect& where) {
        const NumberField* field = moltaro::numberFieldForTag(tag);
        auto* text = new CTextEdit(where, this, tag, nullptr, background, 0);
        text->setBackColor(kFieldBackColor);
        text->setFrameColor(kFieldTextColor);
        text->setFontColor(kFieldTextColor);
        text->copyBackOffset();
        text->setHoriAlign(kCenterText);
        text->setFont(kNormalFontVerySmall);
        const moltaro::ParameterLaw* law = moltaro::parameterLaw(field->parameter);
        text->setMin(law->minimum);
        text->setMax(law->maximum);
        frame->addView(text);
        textFields[field->parameter] = text;
    };
    auto addSingleKnob = [&](const KnobPlace& k) {
        CBitmap* strip = new CBitmap(k.bitmap);
        addKnob(k, strip);
        strip->forget();
    };

    addSingleKnob(kTimeKnob);
    addField(kTimeTextTag, CRect(47, 99, 89, 110));
    addSingleKnob(kDampKnob);
    addField(kDampTextTag, CRect(212, 99, 254, 110));

    CBitmap* arrows = new CBitmap(kArrowsBitmap);
    algorithmArrows = new CMyRocker(CRect(120, 43, 181, 63), this, kParamType, 20, arrows, CPoint(0, 0), 9,
                                    kHorizontal);
    algorithmArrows->setDefaultValue(0.5f);
    algorithmArrows->setValue(value(kParamType));
    frame->addView(algorithmArrows);
    arrows->forget();

    algorithmMenu = new COptionMenu(CRect(94, 103, 207, 113), this, kAlgorithmMenuTag, background, nullptr,
                                    kCheckStyle);
    algorithmMenu->setFont(kNormalFontVerySmall);
    algorithmMenu->setHoriAlign(kCenterText);
    algorithmMenu->setFontColor(kFieldTextColor);
    algorithmMenu->setFrameColor(kFieldTextColor);
    algorithmMenu->setBackOffset(CPoint(94, 103));
    for (const char* name : moltaro::kAlgorithmNames) algorithmMenu->addEntry(name);
    algorithmMenu->setValue(static_cast<float>(static_cast<int>(value(kParamType) * 9.f)));
    frame->addView(algorithmMenu);

    CBitmap* pictures = new CBitmap(kPicturesBitmap);
    algorithmPicture = new CMovieBitmap(CRect(118, 63, 182, 103), this, kParamType, 9, 40, pictures, CPoint(0, 0));
    algorithmPicture->setTransparency(true);
    algorithmPicture->setValue(value(kParamType) * 9.f * 0.125f);
    frame->addView(algorithmPicture);
    pictures->forget();

    CBitmap* handle = new CBitmap(kSliderHandleBitmap);
    preDelaySlider = new CHorizontalSlider(CRect(45, 177, 240, 186), this, kParamPreDelay, 45, 219, handle, background,
                                           CPoint(45, 177), kLeft);
    preDelaySlider->setFreeClick(false);
    preDelaySlider->setDefaultValue(0.f);
    preDelaySlider->setValue(value(kParamPreDelay));
    frame->addView(preDelaySlider);
    handle->forget();
    addField(kPreDelayTextTag, CRect(242, 176, 274, 187));

    // Each shelf's gain and frequency knobs share one copy of their strip.
    CBitmap* lowShelf = new CBitmap(kLowShelfKnobBitmap);
    addKnob(kLowGainKnob, lowShelf);
    addField(kLowGainTextTag, CRect(44, 165, 92, 176));
    addKnob(kLowFreqKnob, lowShelf);
    lowShelf->forget();
    addField(kLowFreqTextTag, CRect(99, 165, 147, 176));
    CBitmap* highShelf = new CBitmap(kHighShelfKnobBitmap);
    addKnob(kHighGainKnob, highShelf);
    addField(kHighGainTextTag, CRect(209, 165, 257, 176));
    addKnob(kHighFreqKnob, highShelf);
    highShelf->forget();
    addField(kHighFreqTextTag, CRect(154, 165, 202, 176));

    addSingleKnob(kMixKnob);
    addField(kMixTextTag, CRect(99, 234, 147, 245));
    addSingleKnob(kOutputKnob);
    addField(kOutputTextTag, CRect(154, 234, 202, 245));

    CBitmap* proc = new CBitmap(kProcBitmap);
    procButton = new COnOffButton(CRect(50, 202, 85, 228), this, kParamPower, proc, kPostListenerUpdate);
    procButton->setValue(value(kParamPower));
    frame->addView(procButton);
    proc->forget();

    CBitmap* lampStrip = new CBitmap(kLampBitmap);
    lamp = new CTextLED(CRect(226, 209, 239, 222), CRect(210, 229, 255, 242), this, kLampTag, lampStrip, background);
    frame->addView(lamp);
    lampStrip->forget();

    CBitmap* aboutPicture = new CBitmap(kAboutBitmap);
    about = new CAbout(CRect(24, 4, 276, 20), this, kAboutTag, aboutPicture, CRect(0, 0, 300, 262), CPoint(0, 0),
                       CPoint(85, 181));
    frame->addView(about);
    aboutPicture->forget();
}

void MoltaroEditor::close() {
    for (auto& k : knobs) k = nullptr;
    for (auto& t : textFields) t = nullptr;
    algorithmArrows = nullptr;
    algorithmMenu = nullptr;
    algorithmPicture = nullptr;
    preDelaySlider = nullptr;
    procButton = nullptr;
    lamp = nullptr;
    about = nullptr;
    CPresetSystemEditor::close();
    destroyFrame();
    AEffEditor::close();
}

void MoltaroEditor::setParameter(VstInt32 index, float) {
    if (index < 0 || index >= kMirrored) return;
    if (std::this_thread::get_id() == uiThread.load(std::memory_order_relaxed)) {
        if (frame) mirrorParameter(index);
        return;
    }
    pendingParameters.fetch_or(1u << index, std::memory_order_relaxed);
}

void MoltaroEditor::mirrorParameter(int index) {
    if (!frame || !plugin || index < 0 || index >= kMirrored) return;
    const float p = plugin->getParameter(index);
    switch (index) {
    case kParamPower:
        if (procButton) procButton->setValue(p);
        break;
    case kParamType:
        if (algorithmArrows) algorithmArrows->setValue(p);
        if (algorithmMenu) algorithmMenu->setValue(p * 9.f);
        if (algorithmPicture) algorithmPicture->setValue(p * 9.f * 0.125f);
        break;
    case kParamPreDelay:
        if (preDelaySlider) preDelaySlider->setValue(p);
        break;
    default:
        if (knobs[index]) knobs[index]->setValue(p);
        break;
    }
    if (CTextEdit* field = textFields[index]) {
        char text[moltaro::kFieldTextBytes];
        moltaro::fieldText(index, p, text);
        field->setText(text);
        field->setValue(static_cast<float>(moltaro::fieldNumber(index, p)));
    }
    frame->setDirty(true);
}

void MoltaroEditor::applyPendingParameters() {
    const uint32_t pending = pendingParameters.exchange(0, std::memory_order_relaxed);
    if (!pending || !frame) return;
    for (int i = 0; i < kMirrored; ++i)
        if (pending & (1u << i)) mirrorParameter(i);
}

long MoltaroEditor::hostParameterForTag(long tag) const {
    if (!effect) return -1;
    if (tag >= kParamPower && tag <= kParamOutput) return tag;
    if (tag == kAlgorithmMenuTag) return kParamType;
    return -1;
}

void MoltaroEditor::valueChanged(CDrawContext* context, CControl* control) {
    CPresetSystemEditor::valueChanged(context, control);
    if (!plugin || !control) return;
    const long tag = control->getTag();
    if ((tag >= kParamPower && tag <= kParamOutput) || tag == kParamDiffusion) {
        plugin->setParameterAutomated(static_cast<VstInt32>(tag), control->getValue());
    } else if (tag == kLampTag) {
        if (lamp && lamp->isLatched()) lamp->reset();
        heldPeak = 0.0;
        holdCount = 0;
    } else if (tag == kAlgorithmMenuTag) {
        if (control != algorithmMenu) return;
        const long entry = algorithmMenu->getCurrent();
        if (entry < 0) return;
        plugin->setParameterAutomated(kParamType, typeValueOf(static_cast<int>(entry)));
    } else if (const NumberField* field = moltaro::numberFieldForTag(tag)) {
        char text[CTextEdit::kMaxLength + 1] = {0};
        static_cast<CTextEdit*>(control)->getText(text);
        const float p = moltaro::parameterFromFieldNumber(*field, moltaro::readTypedNumber(text));
        // A typed number is one complete edit of its parameter.
        plugin->callHost(audioMasterBeginEdit, field->parameter);
        plugin->setParameterAutomated(field->parameter, p);
        plugin->callHost(audioMasterEndEdit, field->parameter);
    } else {
        return;
    }
    control->setDirty(true);
}

void MoltaroEditor::idle() {
    // A new size chosen here or in another instance, or announced by the host: the
    // window follows once no control is busy with it.
    if (frame && !frameInUse() && (scaleCheckPending || scaleGeneration != moltaro::userScaleGeneration())) {
        scaleCheckPending = false;
        scaleGeneration = moltaro::userScaleGeneration();
        const double wanted = resolveScale(systemWindow);
        if (wanted != scale) {
            applyScale(wanted);
            return;
        }
    }
    applyPendingParameters();
    CPresetSystemEditor::idle();
    updateOverloadLamp();
}

void MoltaroEditor::updateOverloadLamp() {
    if (!plugin) return;
    moltaro::Engine& engine = plugin->engine;
    // Each meter is read and cleared at once, so that a peak arriving in between is not
    // lost. The lamp follows the louder channel: an overload on either one clips.
    const float peak = std::max(engine.peakL.exchange(0.0f, std::memory_order_relaxed),
                                engine.peakR.exchange(0.0f, std::memory_order_relaxed));
    const int blocks = engine.blockCount.exchange(0, std::memory_order_relaxed);
    const float over = peak >= 1.0f ? 1.0f : 0.0f;
    if (peak >= heldPeak) {
        heldPeak = peak;
        holdCount = 0;
    } else {
        holdCount += blocks;
        if (holdCount >= engine.meterHoldBlocks.load(std::memory_order_relaxed)) {
            heldPeak = peak;
            holdCount = 0;
        }
    }
    // While the about screen covers it the lamp keeps what it showed.
    if (!frame || !lamp || !about || about->getValue() != 0.f) return;
    const long imageBefore = lamp->getImageIndex();
    const double levelBefore = lamp->getLevel();
    lamp->setStateAndLevel(over, heldPeak);
    if (lamp->getImageIndex() != imageBefore || lamp->getLevel() != levelBefore) lamp->setDirty(true);
}
