#include "presetsystem/CPresetSystemEditor.h"

#include <cstdio>
#include <cstring>

#include "presetsystem/CPresetOnOffButton.h"
#include "presetsystem/CPresetRockerSwitch.h"
#include "presetsystem/CPresetSystemEffect.h"
#include "presetsystem/CSaveLoadButton.h"
#include "vstgui/CBitmap.h"
#include "vstgui/COptionMenu.h"
#include "vstgui/CTextEdit.h"

using namespace VSTGUI;

namespace {

const CColor kNameBackColor{207, 222, 235, 255};
const CColor kNameTextColor{76, 76, 72, 255};

// Index into memoryButtons for a tag, or -1.
int memorySlot(long tag) {
    return tag >= CPresetSystemEditor::kRecallATag && tag <= CPresetSystemEditor::kStoreBTag
               ? static_cast<int>(tag - CPresetSystemEditor::kRecallATag)
               : -1;
}

}  // namespace

CPresetSystemEditor::CPresetSystemEditor(CPresetSystemEffect* effect)
    : AEffGUIEditor(effect), presetEffect(effect), files(effect, this) {}

CPresetSystemEditor::~CPresetSystemEditor() = default;

CSaveLoadButton* CPresetSystemEditor::getFileButton(int mode) const {
    return mode >= 0 && mode < 4 ? fileButtons[mode] : nullptr;
}

CPresetOnOffButton* CPresetSystemEditor::getMemoryButton(long tag) const {
    const int slot = memorySlot(tag);
    return slot >= 0 ? memoryButtons[slot] : nullptr;
}

bool CPresetSystemEditor::open(void* systemWindow) {
    AEffGUIEditor::open(systemWindow);
    if (!frame || !presetEffect) return false;
    buildBar();
    return true;
}

void CPresetSystemEditor::buildBar() {
    // Rows from the bottom of the window (in the frame's coordinates, whatever its
    // scale); the columns are fixed.
    CRect frameSize;
    frame->getSize(&frameSize);
    const CCoord h = frameSize.height();
    const CCoord upperTop = h - 31, upperBottom = h - 17;
    const CCoord lowerTop = h - 16, lowerBottom = h - 2;
    const CCoord fieldTop = h - 24, fieldBottom = h - 9;
    const CCoord arrowsTop = h - 24, arrowsBottom = h - 10;

    const long current = presetEffect->getCurrentProgram();
    const CProgram* currentProgram = presetEffect->getProgramRecord(current);
    const char* currentName = currentProgram ? currentProgram->name() : "";

    CBitmap* background = new CBitmap(kBarBackgroundBitmap);
    nameField = new CTextEdit(CRect(89, fieldTop, 205, fieldBottom), this, kNameTag, currentName, background, 0);
    nameField->setBackOffset(CPoint(89, fieldTop));
    nameField->setBackColor(kNameBackColor);
    nameField->setFont(kNormalFontSmall);
    nameField->setFontColor(kNameTextColor);
    nameField->setFrameColor(kNameTextColor);
    nameField->setHoriAlign(kCenterText);
    frame->addView(nameField);
    background->forget();

    programMenu = new COptionMenu(CRect(207, fieldTop, 215, fieldBottom), this, kProgramMenuTag, nullptr, nullptr, 0);
    programMenu->setStyle(kNoDrawStyle | kCheckStyle);
    programMenu->setNbItemsPerColumn(kMenuItemsPerColumn);
    char entry[64];
    std::snprintf(entry, sizeof entry, "%s", currentName);
    programMenu->addEntry(entry);
    programMenu->addEntry("-");
    for (VstInt32 i = 1; i < CPresetSystemEffect::kNumBankPrograms; ++i) {
        const CProgram* p = presetEffect->getProgramRecord(i);
        programMenu->addEntry(p ? p->name() : "");
    }
    programMenu->setCurrent(current, false);
    frame->addView(programMenu);

    CBitmap* arrows = new CBitmap(kArrowsBitmap);
    programArrows = new CPresetRockerSwitch(CRect(220, arrowsTop, 251, arrowsBottom), this, kProgramArrowsTag, 14,
                                            arrows, CPoint(0, 0), kHorizontal);
    frame->addView(programArrows);
    arrows->forget();

    struct FileButton {
        int mode;
        long tag;
        int bitmap;
        CRect where;
    };
    const FileButton fileTable[4] = {
        {CSaveLoadButton::kLoadBank, kLoadBankTag, kLoadBankBitmap, CRect(71, lowerTop, 84, lowerBottom)},
        {CSaveLoadButton::kSaveBank, kSaveBankTag, kSaveBankBitmap, CRect(8, lowerTop, 20, lowerBottom)},
        {CSaveLoadButton::kLoadPreset, kLoadPresetTag, kLoadPresetBitmap, CRect(71, upperTop, 83, upperBottom)},
        {CSaveLoadButton::kSavePreset, kSavePresetTag, kSavePresetBitmap, CRect(8, upperTop, 20, upperBottom)},
    };
    for (const FileButton& b : fileTable) {
        CBitmap* bitmap = new CBitmap(b.bitmap);
        fileButtons[b.mode] = new CSaveLoadButton(b.where, this, b.tag, 14, bitmap, CPoint(0, 0), b.mode);
        frame->addView(fileButtons[b.mode]);
        bitmap->forget();
    }

    struct MemoryButton {
        long tag;
        int bitmap;
        CRect where;
    };
    const MemoryButton memoryTable[4] = {
        {kRecallATag, kRecallABitmap, CRect(279, upperTop, 291, upperBottom)},
        {kRecallBTag, kRecallBBitmap, CRect(279, lowerTop, 291, lowerBottom)},
        {kStoreATag, kStoreABitmap, CRect(255, upperTop, 267, upperBottom)},
        {kStoreBTag, kStoreBBitmap, CRect(255, lowerTop, 267, lowerBottom)},
    };
    for (const MemoryButton& b : memoryTable) {
        CBitmap* bitmap = new CBitmap(b.bitmap);
        CPresetOnOffButton* button = new CPresetOnOffButton(b.where, this, b.tag, bitmap);
        memoryButtons[memorySlot(b.tag)] = button;
        frame->addView(button);
        bitmap->forget();
    }
}

void CPresetSystemEditor::close() {
    nameField = nullptr;
    programMenu = nullptr;
    programArrows = nullptr;
    for (auto& b : fileButtons) b = nullptr;
    for (auto& b : memoryButtons) b = nullptr;
}

void CPresetSystemEditor::idle() {
    AEffGUIEditor::idle();
    if (!presetEffect || !frame) return;

    CView* under = frame->getCurrentView();
    CPoint where;
    frame->getCurrentLocation(where);
    for (CSaveLoadButton* b : fileButtons) {
        if (!b) return;
        b->setHighlight(false);
    }
    if (!programArrows) return;
    programArrows->setHighlight(false, where.h, where.v);
    for (CPresetOnOffButton* b : memoryButtons) {
        if (!b) return;
        b->setHighlight(false);
    }
    if (!under) return;
    if (under == programArrows) {
        programArrows->setHighlight(true, where.h, where.v);
        return;
    }
    for (CSaveLoadButton* b : fileButtons)
        if (under == b) b->setHighlight(true);
    for (CPresetOnOffButton* b : memoryButtons)
        if (under == b) b->setHighlight(true);
}

void CPresetSystemEditor::showProgramName(const char* name) {
    if (!name) name = "";
    if (nameField) nameField->setText(name);
    if (programMenu) {
        programMenu->setEntry(programMenu->getCurrent(), name);
        programMenu->setEntry(0, name);
    }
}

void CPresetSystemEditor::renameProgram(const char* text) {
    char name[CProgram::kNameBytes] = {0};
    if (text) std::strncpy(name, text, CProgram::kMaxNameLength);
    if (nameField) nameField->setText(name);
    if (programMenu) {
        programMenu->setEntry(programMenu->getCurrent(), name);
        programMenu->setEntry(0, name);
    }
    if (nameField) nameField->setText(name);
    if (presetEffect) presetEffect->renameWithRefresh(name);
}

void CPresetSystemEditor::selectProgram(long index, const char* name) {
    if (nameField) nameField->setText(name ? name : "");
    if (programMenu) programMenu->setEntry(0, name ? name : "");
    if (presetEffect) presetEffect->loadProgram(static_cast<VstInt32>(index));
}

void CPresetSystemEditor::renameMenuEntry(int index, const char* name) {
    if (programMenu) programMenu->setEntry(menuEntryOfProgram(index), name ? name : "");
}

void CPresetSystemEditor::selectFirstMenuEntry() {
    if (programMenu) programMenu->setCurrent(0, true);
}

void CPresetSystemEditor::valueChanged(CDrawContext*, CControl* control) {
    if (!presetEffect || !control) return;
    switch (control->getTag()) {
    case kNameTag: {
        char text[CTextEdit::kMaxLength + 1] = {0};
        static_cast<CTextEdit*>(control)->getText(text);
        renameProgram(text);
        break;
    }
    case kProgramMenuTag: {
        if (control != programMenu) break;
        char text[COptionMenu::kMaxEntryLength + 1] = {0};
        const long position = programMenu->getCurrent(text, false);
        if (position >= 0) selectProgram(position, text);
        break;
    }
    case kRecallATag: presetEffect->recallMemoA(); break;
    case kRecallBTag: presetEffect->recallMemoB(); break;
    case kStoreATag: presetEffect->storeMemoA(); break;
    case kStoreBTag: presetEffect->storeMemoB(); break;
    default: break;
    }
}

void CPresetSystemEditor::loadBank() {
    if (presetEffect) files.loadBank();
}

void CPresetSystemEditor::saveBank() {
    if (presetEffect) files.saveBank();
}

void CPresetSystemEditor::loadPreset() {
    if (presetEffect) files.loadPreset();
}

void CPresetSystemEditor::savePreset() {
    if (presetEffect) files.savePreset();
}

void CPresetSystemEditor::stepProgram(bool up) {
    if (!presetEffect) return;
    long index = presetEffect->getCurrentProgram() + (up ? 1 : -1);
    if (index < 0) index = 0;
    if (index > CPresetSystemEffect::kNumBankPrograms - 1) index = CPresetSystemEffect::kNumBankPrograms - 1;
    if (programMenu) programMenu->setCurrent(index, false);
    const CProgram* program = presetEffect->getProgramRecord(static_cast<VstInt32>(index));
    const char* name = program ? program->name() : "";
    if (nameField) nameField->setText(name);
    if (programMenu) programMenu->setEntry(0, name);
    presetEffect->loadProgram(static_cast<VstInt32>(index));
}
