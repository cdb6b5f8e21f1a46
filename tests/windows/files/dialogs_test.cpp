// The real Windows dialogs, answered through their windows from a second thread while
// the code under test waits in them: the file dialogs' titles, filters, offered name,
// default extension and cancel, the "Error..." message box, and the preset bar's file
// operations end to end.

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/Dialogs.h"
#include "presetsystem/FileOperations.h"
#include "support/MoltaroFixture.h"

using namespace moltaro;
using platform::FileDialogRequest;
using wintest::TempDir;

namespace {

// Control numbers of the common file dialog.
constexpr int kFileTypeList = 0x470;   // cmb1
constexpr int kFileNameCombo = 0x47c;  // cmb13 (newer layout)
constexpr int kFileNameEdit = 0x480;   // edt1 (older layout)

HWND fileNameField(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
        if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, kFileNameEdit);
}

struct SeenDialog {
    std::vector<std::string> filters;
    int selectedFilter = -1;
    std::string offeredName;
};

SeenDialog look(HWND dialog) {
    SeenDialog seen;
    HWND types = GetDlgItem(dialog, kFileTypeList);
    int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        seen.filters.push_back(text);
    }
    seen.selectedFilter = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
    seen.offeredName = wintest::windowText(fileNameField(dialog));
    return seen;
}

void typeNameAndAccept(HWND dialog, const std::string& name) {
    SendMessageA(fileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    wintest::pressButton(dialog, IDOK);
}

FileDialogRequest request(FileDialogRequest::Mode mode, const std::string& title, const std::string& folder,
                          const std::string& name) {
    FileDialogRequest r;
    r.mode = mode;
    r.title = title;
    r.filters = {{"All Files", "*.*"}, {"ZUN Banks", "*.zub"}};
    r.selectedFilter = 1;
    r.defaultExtension = "zub";
    r.initialFolder = folder;
    r.initialName = name;
    return r;
}

}  // namespace

TEST(WindowsDialogs, OpenDialogShowsTitleFiltersAndNameAndGivesTheChosenFile) {
    TempDir dir;
    wintest::writeBytes(dir.file("mine.zub"), {1, 2, 3});
    SeenDialog seen;
    wintest::DialogAnswerer answer("Select bank to load...", [&](HWND d) {
        seen = look(d);
        typeNameAndAccept(d, "mine.zub");
    });
    auto chosen = platform::systemDialogs().chooseFile(
        request(FileDialogRequest::Mode::open, "Select bank to load...", dir.path(), "last.zub"));
    ASSERT_TRUE(answer.found()) << "no dialog appeared";
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.file("mine.zub"));
    ASSERT_EQ(seen.filters.size(), 2u);
    EXPECT_EQ(seen.filters[0], "All Files");
    EXPECT_EQ(seen.filters[1], "ZUN Banks");
    EXPECT_EQ(seen.selectedFilter, 1);
    EXPECT_EQ(seen.offeredName, "last.zub");
}

TEST(WindowsDialogs, SaveDialogAddsTheDefaultExtensionAndCancelGivesNothing) {
    TempDir dir;
    wintest::DialogAnswerer answer("Save bank as...", [&](HWND d) { typeNameAndAccept(d, "new bank"); });
    auto chosen = platform::systemDialogs().chooseFile(
        request(FileDialogRequest::Mode::save, "Save bank as...", dir.path(), ""));
    ASSERT_TRUE(answer.found());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.file("new bank.zub"));

    wintest::DialogAnswerer cancel("Save bank as...", [&](HWND d) { wintest::pressButton(d, IDCANCEL); });
    chosen = platform::systemDialogs().chooseFile(
        request(FileDialogRequest::Mode::save, "Save bank as...", dir.path(), "x.zub"));
    ASSERT_TRUE(cancel.found());
    EXPECT_FALSE(chosen.has_value());
}

TEST(WindowsDialogs, MessageBoxHasTheCaptionAndTheText) {
    std::string text;
    wintest::DialogAnswerer answer("Error...", [&](HWND box) {
        // The text is the box's static control with text in it.
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[32] = {};
            GetClassNameA(child, cls, sizeof cls);
            std::string t = wintest::windowText(child);
            if (lstrcmpiA(cls, "Static") == 0 && !t.empty()) text = t;
        }
        wintest::pressButton(box, IDOK);
    });
    platform::systemDialogs().showMessage("Error...", "Not a bank file!", platform::MessageKind::error);
    ASSERT_TRUE(answer.found()) << "no message box appeared";
    EXPECT_EQ(text, "Not a bank file!");
}

class WindowsFileOperations : public MoltaroFixture {};

TEST_F(WindowsFileOperations, PresetSavedAndLoadedThroughTheRealDialogs) {
    TempDir dir;
    CPresetFileOperations ops(&effect());
    effect().loadProgram(22);
    host.setParameter(3, 0.77f);
    effect().renameCurrent("Through dialogs");

    // The dialogs start in the remembered folder; the first one in the working folder.
    SetCurrentDirectoryA(dir.path().c_str());
    CPresetFileOperations inDir(&effect());
    wintest::DialogAnswerer save("Save preset as...", [&](HWND d) { typeNameAndAccept(d, dir.file("saved")); });
    inDir.savePreset();
    ASSERT_TRUE(save.found());
    auto bytes = wintest::readBytes(dir.file("saved.zun"));
    ASSERT_EQ(bytes.size(), 93u);
    EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 20), "Through dialogs");
    EXPECT_EQ(inDir.lastPresetName(), "saved.zun");

    host.setParameter(3, 0.1f);
    effect().renameCurrent("changed");
    SeenDialog seen;
    wintest::DialogAnswerer load("Select preset to load...", [&](HWND d) {
        seen = look(d);
        typeNameAndAccept(d, "saved.zun");
    });
    inDir.loadPreset();
    ASSERT_TRUE(load.found());
    EXPECT_EQ(seen.offeredName, "saved.zun");
    EXPECT_EQ(seen.filters.size(), 2u);
    EXPECT_FLOAT_EQ(host.getParameter(3), 0.77f);
    EXPECT_STREQ(effect().getProgramRecord(0)->name(), "Through dialogs");
}

TEST_F(WindowsFileOperations, RefusedFileIsToldInTheErrorBox) {
    TempDir dir;
    CPresetFileOperations ops(&effect());
    // A preset file offered to the bank loader.
    std::vector<std::uint8_t> preset = {'X', 'T', 'K', 'Q', '!'};
    preset.resize(93, 0);
    wintest::writeBytes(dir.file("p.zun"), preset);
    std::string text;
    wintest::DialogAnswerer box("Error...", [&](HWND b) {
        for (HWND child = GetWindow(b, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (!wintest::windowText(child).empty() && wintest::windowText(child) != "OK")
                text = wintest::windowText(child);
        wintest::pressButton(b, IDOK);
    });
    EXPECT_EQ(ops.loadBankFrom(dir.file("p.zun")), FileError::notBank);
    ASSERT_TRUE(box.found());
    EXPECT_EQ(text, "Not a bank file!");
}
