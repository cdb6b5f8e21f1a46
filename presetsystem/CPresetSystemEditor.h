#pragma once
// The editor layer that owns the preset bar along the bottom of the window: the name
// of the current program (editable), a menu of all programs, previous/next arrows,
// save and load of bank and preset files, and store and recall of the A/B memories.
// The reverb editor derives from it and lets it add the bar at the end of its open.
//
// [ui thread] everything.

#include "editor/AEffGUIEditor.h"
#include "presetsystem/CPresetSystemListener.h"
#include "presetsystem/FileOperations.h"

namespace VSTGUI {
class CBitmap;
class COptionMenu;
class CTextEdit;
}  // namespace VSTGUI
class CPresetSystemEffect;
class CPresetOnOffButton;
class CPresetRockerSwitch;
class CSaveLoadButton;

class CPresetSystemEditor : public AEffGUIEditor,
                            public CPresetSystemListener,
                            protected moltaro::CPresetFileOperations::View {
public:
    // Tags of the bar's controls.
    enum : long {
        kNameTag = 32,
        kProgramArrowsTag = 33,
        kLoadBankTag = 34,
        kSaveBankTag = 35,
        kLoadPresetTag = 36,
        kSavePresetTag = 37,
        kProgramMenuTag = 38,
        kRecallATag = 39,
        kRecallBTag = 40,
        kStoreATag = 41,
        kStoreBTag = 42,
    };
    // Bitmaps of the bar's buttons and arrows.
    enum : int {
        kRecallABitmap = 19991,
        kRecallBBitmap = 19992,
        kLoadBankBitmap = 19993,
        kSaveBankBitmap = 19994,
        kStoreABitmap = 19995,
        kStoreBBitmap = 19996,
        kArrowsBitmap = 19997,
        kLoadPresetBitmap = 19998,
        kSavePresetBitmap = 19999,
        kBarBackgroundBitmap = 11200,
    };
    static constexpr int kMenuItemsPerColumn = 14;

    // Remembers the working directory for the file dialogs.
    explicit CPresetSystemEditor(CPresetSystemEffect* effect);
    ~CPresetSystemEditor() override;

    // Adds the bar to the frame the derived editor made; true when it did (a frame
    // and an effect exist).
    bool open(void* systemWindow) override;
    // Forgets the bar's controls (the frame releases them).
    void close() override;
    // Redraws, then lights up the bar control under the mouse.
    void idle() override;

    // Name field, the current program's menu entry and entry 0.
    void showProgramName(const char* name) override;
    // Keeps the first 24 characters, shows them, and renames the current program and
    // program 0.
    virtual void renameProgram(const char* text);
    // Shows the name and loads program index.
    virtual void selectProgram(long index, const char* name);

    // Tags 32, 38 and 39..42; others are the derived editor's.
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    long controlModifierClicked(VSTGUI::CDrawContext*, VSTGUI::CControl*, long) override { return 0; }
    void loadBank() override;
    void saveBank() override;
    void loadPreset() override;
    void savePreset() override;
    void stepProgram(bool up) override;

    // The bar's controls while the window is open (null otherwise), for tests and
    // the derived editor.
    VSTGUI::CTextEdit* getNameField() const { return nameField; }
    VSTGUI::COptionMenu* getProgramMenu() const { return programMenu; }
    CPresetRockerSwitch* getProgramArrows() const { return programArrows; }
    CSaveLoadButton* getFileButton(int mode) const;  // CSaveLoadButton::Mode
    CPresetOnOffButton* getMemoryButton(long tag) const;  // kRecallATag .. kStoreBTag
    moltaro::CPresetFileOperations& fileOperations() { return files; }

protected:
    // CPresetFileOperations::View
    void renameMenuEntry(int index, const char* name) override;
    void selectFirstMenuEntry() override;

    // The menu entry of program index: 0 for program 0, index + 1 for the others
    // (entry 1 is a separator).
    static long menuEntryOfProgram(long index) { return index <= 0 ? 0 : index + 1; }

    CPresetSystemEffect* presetEffect;  // not owned; null once the editor is being destroyed

private:
    void buildBar();

    moltaro::CPresetFileOperations files;
    VSTGUI::CTextEdit* nameField = nullptr;
    VSTGUI::COptionMenu* programMenu = nullptr;
    CPresetRockerSwitch* programArrows = nullptr;
    CSaveLoadButton* fileButtons[4] = {nullptr, nullptr, nullptr, nullptr};  // by mode
    CPresetOnOffButton* memoryButtons[4] = {nullptr, nullptr, nullptr, nullptr};  // A recall, B recall, A store, B store
};
