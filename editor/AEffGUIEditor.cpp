#include "editor/AEffGUIEditor.h"

#include "platform/Platform.h"
#include "vstgui/CDrawContext.h"

namespace pf = moltaro::platform;
using VSTGUI::CDrawContext;
using VSTGUI::CFrame;
using VSTGUI::CPoint;

long AEffGUIEditor::knobMode = VSTGUI::kCircularMode;

namespace {

// True when tick count a lies before b (the count wraps after 49 days).
bool before(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* owner) : AEffEditor(owner) {
    nextIdleDue = pf::backend().ticks();
}

AEffGUIEditor::~AEffGUIEditor() {
    if (frame) frame->forget();
    frame = nullptr;
    for (CFrame* f : retiredFrames) f->forget();
}

AEffGUIEditor::FrameUse::~FrameUse() {
    if (--editor->useDepth > 0 || editor->retiredFrames.empty()) return;
    std::vector<CFrame*> done;
    done.swap(editor->retiredFrames);
    for (CFrame* f : done) f->forget();
}

void AEffGUIEditor::destroyFrame() {
    if (!frame) return;
    CFrame* f = frame;
    frame = nullptr;
    if (useDepth > 0)
        retiredFrames.push_back(f);
    else
        f->forget();
}

bool AEffGUIEditor::getRect(ERect** r) {
    if (!r) return false;
    *r = &rect;
    return true;
}

void AEffGUIEditor::idle() {
    if (inIdle || !frame) return;
    FrameUse use(this);
    frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) {
    if (!frame) return false;
    FrameUse use(this);
    VSTGUI::VstKeyCode code;
    code.character = character;
    code.virt = static_cast<unsigned char>(virtualKey);
    code.modifier = static_cast<unsigned char>(modifiers);
    return frame->onKeyDown(code) == 1;
}

bool AEffGUIEditor::onKeyUp(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) {
    if (!frame) return false;
    FrameUse use(this);
    VSTGUI::VstKeyCode code;
    code.character = character;
    code.virt = static_cast<unsigned char>(virtualKey);
    code.modifier = static_cast<unsigned char>(modifiers);
    return frame->onKeyUp(code) == 1;
}

bool AEffGUIEditor::onWheel(float distance) {
    if (!frame) return false;
    FrameUse use(this);
    CDrawContext* context = frame->createDrawContext();
    CPoint where;
    context->getMouseLocation(where);
    const bool handled = frame->onWheel(context, where, distance);
    context->forget();
    return handled;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode = mode;
    return true;
}

long AEffGUIEditor::hostParameterForTag(long tag) const {
    return effect && tag >= 0 && tag < effect->getNumParams() ? tag : -1;
}

void AEffGUIEditor::beginEdit(long tag) {
    const long index = hostParameterForTag(tag);
    if (index >= 0) effect->callHost(audioMasterBeginEdit, static_cast<VstInt32>(index));
}

void AEffGUIEditor::endEdit(long tag) {
    const long index = hostParameterForTag(tag);
    if (index >= 0) effect->callHost(audioMasterEndEdit, static_cast<VstInt32>(index));
}

void AEffGUIEditor::doIdleStuff() {
    uint32_t now = pf::backend().ticks();
    if (before(now, nextIdleDue)) {
        pf::backend().sleep(4);
        now += 4;
        if (before(now + 50, nextIdleDue)) return;
    }
    idle();
    if (frame && frame->getPlatformWindow()) frame->getPlatformWindow()->pumpOnePaint();
    nextIdleDue = now + 100;
    inIdle = true;
    if (effect) effect->callHost(audioMasterIdle);
    inIdle = false;
}
