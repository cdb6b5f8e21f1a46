// The preset bar along the bottom of the window: the program menu and its layout,
// the previous/next arrows, renaming, the file buttons reaching the file operations
// with their dialogs, the A/B memories, and the highlight under the mouse.

#include "EditorFixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "presetsystem/CPresetOnOffButton.h"
#include "presetsystem/CPresetRockerSwitch.h"
#include "presetsystem/CSaveLoadButton.h"
#include "files/FilesTestSupport.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;

// Where the bar's controls are (a point inside each).
constexpr int kNameX = 147, kNameY = 277;
constexpr int kMenuX = 210, kMenuY = 277;
constexpr int kPreviousX = 227, kNextX = 243, kArrowsY = 277;
struct Spot {
    const char* name;
    long tag;
    int x, y;
};
const Spot kFileButtons[] = {
    {"BANK load", CPresetSystemEditor::kLoadBankTag, 77, 285},
    {"BANK save", CPresetSystemEditor::kSaveBankTag, 14, 285},
    {"PRESET load", CPresetSystemEditor::kLoadPresetTag, 77, 270},
    {"PRESET save", CPresetSystemEditor::kSavePresetTag, 14, 270},
};
const Spot kMemoryButtons[] = {
    {"A recall", CPresetSystemEditor::kRecallATag, 285, 270},
    {"B recall", CPresetSystemEditor::kRecallBTag, 285, 285},
    {"A store", CPresetSystemEditor::kStoreATag, 261, 270},
    {"B store", CPresetSystemEditor::kStoreBTag, 261, 285},
};

using filestest::TempDir;

// Dialogs that also run a check while the dialog is "on screen".
class WatchedDialogs : public pf::ScriptedDialogs {
public:
    std::function<void()> whileShown;
    std::optional<std::string> chooseFile(const pf::FileDialogRequest& request) override {
        if (whileShown) whileShown();
        return ScriptedDialogs::chooseFile(request);
    }
};

class PresetBarTest : public EditorTest {
protected:
    std::string programName(int i) { return effect().getProgramRecord(i)->name(); }
    std::string entry(long i) {
        char text[256] = {0};
        editor->getProgramMenu()->getEntry(i, text);
        return text;
    }
    std::string nameShown() { return editor->getNameField()->getTextPointer(); }
    void choose(long menuEntry) {
        window->answerMenu(0, static_cast<int>(menuEntry));
        click(kMenuX, kMenuY);
    }
};

TEST_F(PresetBarTest, ProgramMenuListsTheBankAfterTheCurrentName) {
    COptionMenu* menu = editor->getProgramMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->getNbEntries(), 54);
    EXPECT_EQ(entry(0), "Current");
    EXPECT_EQ(entry(1), "-");
    for (int i = 1; i < 53; ++i) EXPECT_EQ(entry(i + 1), programName(i)) << "program " << i;
    EXPECT_EQ(menu->getCurrent(), 0);
    EXPECT_EQ(nameShown(), "Current");

    click(kMenuX, kMenuY);  // shown, then cancelled
    ASSERT_EQ(window->menusShown(), 1);
    const pf::Menu& shown = window->lastMenu();
    ASSERT_EQ(shown.items.size(), 54u);
    EXPECT_EQ(shown.items[1].kind, pf::MenuItem::Kind::Separator);
    EXPECT_TRUE(shown.items[0].checked);
    for (size_t i = 1; i < shown.items.size(); ++i) {
        EXPECT_FALSE(shown.items[i].checked) << i;
        EXPECT_EQ(shown.items[i].columnBreak, i % 14 == 0) << "fourteen entries per column, entry " << i;
    }
    EXPECT_EQ(window->lastMenuPosition().x, 207);
    EXPECT_EQ(window->lastMenuPosition().y, 285);
    EXPECT_EQ(effect().getCurrentProgram(), 0);
}

TEST_F(PresetBarTest, ChoosingAProgramLoadsItAndShowsItsName) {
    int phat = -1;
    for (int i = 0; i < 53; ++i)
        if (programName(i) == "Phat Drums") phat = i;
    ASSERT_GT(phat, 1);
    choose(phat + 1);
    EXPECT_EQ(effect().getCurrentProgram(), phat);
    EXPECT_EQ(nameShown(), "Phat Drums");
    EXPECT_EQ(entry(0), "Phat Drums");
    EXPECT_EQ(editor->getProgramMenu()->getCurrent(), phat + 1);
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.96f);
    EXPECT_FLOAT_EQ(host.getParameter(kParamType), typeValueOf(8));
    // The reverb controls follow the load.
    EXPECT_EQ(fieldText(kParamDecay), "96%");
    EXPECT_EQ(editor->getAlgorithmMenu()->getCurrent(), 8);
    // The load is reported to the host parameter by parameter.
    EXPECT_EQ(host.count(audioMasterBeginEdit), 16u);
    EXPECT_EQ(host.count(audioMasterEndEdit), 16u);
    EXPECT_EQ(host.text(effGetProgramName), "Phat Drums");

    // The first entry (the current name) selects program 0, which now holds Phat Drums.
    choose(0);
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_EQ(nameShown(), "Phat Drums");
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.96f);
}

TEST_F(PresetBarTest, ArrowsStepOneProgramAndStopAtBothEnds) {
    click(kPreviousX, kArrowsY);  // at program 0: stays there, loaded again
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_EQ(host.count(audioMasterBeginEdit), 16u);
    click(kNextX, kArrowsY);
    EXPECT_EQ(effect().getCurrentProgram(), 1);
    EXPECT_EQ(nameShown(), "Default");
    EXPECT_EQ(entry(0), "Default");
    EXPECT_EQ(editor->getProgramMenu()->getCurrent(), 2);
    click(kNextX, kArrowsY);
    EXPECT_EQ(nameShown(), programName(2));
    click(kPreviousX, kArrowsY);
    EXPECT_EQ(effect().getCurrentProgram(), 1);

    choose(53);  // program 52, the last
    ASSERT_EQ(effect().getCurrentProgram(), 52);
    click(kNextX, kArrowsY);
    EXPECT_EQ(effect().getCurrentProgram(), 52);
    EXPECT_EQ(nameShown(), programName(52));
    EXPECT_EQ(editor->getProgramMenu()->getCurrent(), 53);
    EXPECT_EQ(editor->getProgramArrows()->getValue(), 0.f) << "the arrows spring back";
}

TEST_F(PresetBarTest, HoldingAnArrowStepsOnlyOnce) {
    window->move(kNextX, kArrowsY);
    window->press();
    for (int i = 0; i < 30; ++i) window->move(kNextX, kArrowsY);
    window->release();
    settle();
    EXPECT_EQ(effect().getCurrentProgram(), 1);
}

TEST_F(PresetBarTest, RenamingKeepsTwentyFourCharactersEverywhere) {
    choose(5);  // program 4
    const std::string typed = "A Very Long Program Name 1234";  // 29 characters
    const std::string typed30 = typed + "5";
    ASSERT_EQ(typed30.size(), 30u);
    host.clearCalls();
    click(kNameX, kNameY);
    ASSERT_NE(window->textField(), nullptr);
    window->textField()->type(typed30);
    window->textField()->pressEnter();
    settle();
    const std::string cut = typed30.substr(0, 24);
    EXPECT_EQ(programName(4), cut);
    EXPECT_EQ(programName(0), cut);
    EXPECT_EQ(nameShown(), cut);
    EXPECT_EQ(entry(0), cut);
    EXPECT_EQ(entry(5), cut);
    EXPECT_EQ(host.text(effGetProgramName), cut);
    EXPECT_GE(host.count(audioMasterUpdateDisplay), 1u);
}

TEST_F(PresetBarTest, RenamingFromTheHostShowsInTheBar) {
    char name[] = "From the host";
    host.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(nameShown(), "From the host");
    EXPECT_EQ(entry(0), "From the host");
}

TEST_F(PresetBarTest, FileButtonsOpenTheirDialogs) {
    const char* titles[] = {"Select bank to load...", "Save bank as...", "Select preset to load...",
                            "Save preset as..."};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(kFileButtons[i].name);
        dialogs.requests.clear();
        click(kFileButtons[i].x, kFileButtons[i].y);  // cancelled: the queue is empty
        ASSERT_EQ(dialogs.requests.size(), 1u);
        EXPECT_EQ(dialogs.requests[0].title, titles[i]);
        EXPECT_EQ(editor->getFileButton(i)->getValue(), 0.f) << "back up after the dialog";
    }
    EXPECT_EQ(gestures(), "") << "file buttons edit no parameter";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PresetBarTest, SavedPresetAndBankComeBackThroughTheLoadButtons) {
    TempDir folder;
    ASSERT_FALSE(folder.path().empty());
    choose(8);  // program 7
    host.setParameter(kParamDecay, 0.123f);
    const std::string presetFile = folder.file("mine.zun"), bankFile = folder.file("all.zub");

    dialogs.answer(presetFile);
    click(14, 270);  // PRESET save
    ASSERT_TRUE(fs::exists(presetFile));
    EXPECT_EQ(fs::file_size(presetFile), 93u);
    dialogs.answer(bankFile);
    click(14, 285);  // BANK save
    EXPECT_EQ(fs::file_size(bankFile), 4669u);

    host.setParameter(kParamDecay, 0.9f);
    dialogs.answer(presetFile);
    click(77, 270);  // PRESET load: into the current program
    EXPECT_NEAR(host.getParameter(kParamDecay), 0.123f, 1e-6);
    EXPECT_EQ(fieldText(kParamDecay), "12%");
    EXPECT_EQ(effect().getCurrentProgram(), 7);

    // A bank with a renamed program comes back under the old names.
    char renamed[] = "Renamed";
    host.dispatch(effSetProgramName, 0, 0, renamed);
    EXPECT_EQ(entry(8), "Renamed");
    dialogs.answer(bankFile);
    click(77, 285);  // BANK load: the bank, then program 0
    EXPECT_EQ(entry(8), programName(7));
    EXPECT_NE(programName(7), "Renamed");
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_EQ(editor->getProgramMenu()->getCurrent(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PresetBarTest, AFileThatCannotBeReadIsReportedAndChangesNothing) {
    TempDir folder;
    const std::string junk = folder.file("junk.zun");
    FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a preset", f);
    std::fclose(f);
    const float decay = host.getParameter(kParamDecay);
    dialogs.answer(junk);
    click(77, 270);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error...");
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), decay);
    EXPECT_EQ(nameShown(), "Current");
}

TEST_F(PresetBarTest, FileButtonShowsItsPressedImageWhileTheDialogIsOpen) {
    WatchedDialogs watched;
    long imageDuringDialog = -1;
    watched.whileShown = [&] { imageDuringDialog = editor->getFileButton(CSaveLoadButton::kSaveBank)->getImageIndex(); };
    pf::installDialogs(&watched);
    click(14, 285);
    pf::installDialogs(&dialogs);
    EXPECT_EQ(imageDuringDialog, 2);
    EXPECT_EQ(editor->getFileButton(CSaveLoadButton::kSaveBank)->getImageIndex(), 1) << "highlighted: the mouse is on it";
}

TEST_F(PresetBarTest, MemoryButtonsStoreAndRecallTheSettings) {
    host.setParameter(kParamDecay, 0.2f);
    click(261, 270);  // A store
    host.setParameter(kParamDecay, 0.4f);
    click(261, 285);  // B store
    EXPECT_EQ(store.keys.size(), 2u);

    host.setParameter(kParamDecay, 0.9f);
    host.clearCalls();
    click(285, 270);  // A recall
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.2f);
    EXPECT_EQ(fieldText(kParamDecay), "20%");
    EXPECT_GE(host.count(audioMasterAutomate), 16u) << "recalled values reach the host";
    click(285, 285);  // B recall
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.4f);
    EXPECT_FALSE(editor->getMemoryButton(CPresetSystemEditor::kRecallBTag)->isPressed());
}

TEST_F(PresetBarTest, RecallingAnEmptyMemoryChangesNothing) {
    host.setParameter(kParamDecay, 0.77f);
    click(285, 285);
    EXPECT_FLOAT_EQ(host.getParameter(kParamDecay), 0.77f);
}

TEST_F(PresetBarTest, ControlsUnderTheMouseLightUp) {
    CPresetRockerSwitch* arrows = editor->getProgramArrows();
    window->move(kNextX, kArrowsY);
    settle();
    EXPECT_EQ(arrows->getImageIndex(), 2);
    const uint32_t rightLit = pixel(kNextX, kArrowsY);
    window->move(kPreviousX, kArrowsY);
    settle();
    EXPECT_EQ(arrows->getImageIndex(), 1);
    for (const Spot& s : kFileButtons) {
        window->move(s.x, s.y);
        settle();
        CSaveLoadButton* b = nullptr;
        for (int m = 0; m < 4; ++m)
            if (editor->getFileButton(m)->getTag() == s.tag) b = editor->getFileButton(m);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->getImageIndex(), 1) << s.name;
        EXPECT_EQ(arrows->getImageIndex(), 0) << "only one control is lit";
    }
    for (const Spot& s : kMemoryButtons) {
        const uint32_t before = pixel(s.x, s.y);
        window->move(s.x, s.y);
        settle();
        EXPECT_EQ(editor->getMemoryButton(s.tag)->getImageIndex(), 1) << s.name;
        EXPECT_NE(pixel(s.x, s.y), before) << s.name << " looks the same lit";
    }
    // Leaving the bar puts every control back to its resting image.
    window->move(150, 100);
    settle();
    EXPECT_EQ(arrows->getImageIndex(), 0);
    EXPECT_NE(pixel(kNextX, kArrowsY), rightLit);
    for (int m = 0; m < 4; ++m) EXPECT_EQ(editor->getFileButton(m)->getImageIndex(), 0);
    for (const Spot& s : kMemoryButtons) EXPECT_EQ(editor->getMemoryButton(s.tag)->getImageIndex(), 0);
}

}  // namespace
}  // namespace editor_test
