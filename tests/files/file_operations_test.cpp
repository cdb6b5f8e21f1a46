// The four file operations on a running effect: their dialogs, what a load
// replaces, and that every refused or failed file leaves the bank as it was.

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

#include "FilesTestSupport.h"
#include "platform/ScriptedDialogs.h"
#include "presetsystem/FileOperations.h"
#include "support/MoltaroFixture.h"

using namespace moltaro;
using platform::FileDialogRequest;
using filestest::TempDir;

namespace {

struct Snapshot {
    std::string names[53];
    float values[53][16];
    bool operator==(const Snapshot& o) const {
        for (int i = 0; i < 53; ++i)
            if (names[i] != o.names[i] || std::memcmp(values[i], o.values[i], sizeof values[i]) != 0) return false;
        return true;
    }
};

class RecordingView : public CPresetFileOperations::View {
public:
    void showProgramName(const char* name) override { shown.push_back(name); }
    void renameMenuEntry(int index, const char* name) override { entries.emplace_back(index, name); }
    void selectFirstMenuEntry() override { ++firstSelected; }
    std::vector<std::string> shown;
    std::vector<std::pair<int, std::string>> entries;
    int firstSelected = 0;
};

// A little-endian float as the file layout has it.
void putFloat(std::vector<std::uint8_t>& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(bits >> (8 * k)));
}

void putRecord(std::vector<std::uint8_t>& out, const std::string& name, const float* values) {
    for (std::size_t i = 0; i < 24; ++i) out.push_back(i < name.size() ? std::uint8_t(name[i]) : 0);
    for (int i = 0; i < 16; ++i) putFloat(out, values[i]);
}

// Values that differ from every factory setting and from program to program.
void fileValues(int program, float* values) {
    for (int i = 0; i < 16; ++i) values[i] = float((program * 7 + i * 3) % 41) / 40.0f;
}

std::vector<std::uint8_t> bankFileBytes() {
    std::vector<std::uint8_t> out = {'X', 'T', 'K', 'Q', '7'};
    for (int p = 0; p < 53; ++p) {
        float v[16];
        fileValues(p, v);
        putRecord(out, "File program " + std::to_string(p), v);
    }
    return out;
}

std::vector<std::uint8_t> presetFileBytes(const std::string& name, const float* values) {
    std::vector<std::uint8_t> out = {'X', 'T', 'K', 'Q', '!'};
    putRecord(out, name, values);
    return out;
}

class FileOperations : public MoltaroFixture {
protected:
    void SetUp() override {
        MoltaroFixture::SetUp();
        ops = std::make_unique<CPresetFileOperations>(&effect(), &view);
    }

    Snapshot snapshot() {
        Snapshot s;
        for (int i = 0; i < 53; ++i) {
            const CProgram* p = effect().getProgramRecord(i);
            s.names[i] = p->name();
            for (int j = 0; j < 16; ++j) s.values[i][j] = p->getParameter(j);
        }
        return s;
    }

    // Loads through the dialog and checks the file was refused with `message`
    // without any change to the bank or any call to the host.
    void expectRefused(const std::vector<std::uint8_t>& bytes, bool asBank, const std::string& message) {
        std::string path = dir.file(asBank ? "refused.zub" : "refused.zun");
        filestest::writeBytes(path, bytes);
        Snapshot before = snapshot();
        host.clearCalls();
        dialogs.messages.clear();
        dialogs.answer(path);
        asBank ? ops->loadBank() : ops->loadPreset();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].caption, "Error...");
        EXPECT_EQ(dialogs.messages[0].text, message);
        EXPECT_EQ(dialogs.messages[0].kind, platform::MessageKind::error);
        EXPECT_TRUE(snapshot() == before) << "the bank changed";
        EXPECT_TRUE(host.calls().empty()) << "the host was told of a change";
        EXPECT_TRUE(view.entries.empty() && view.shown.empty());
    }

    void selectProgram(int n) {
        effect().loadProgram(n);
        host.clearCalls();
    }

    TempDir dir;
    platform::ScopedScriptedDialogs dialogs;
    RecordingView view;
    std::unique_ptr<CPresetFileOperations> ops;
};

}  // namespace

TEST_F(FileOperations, DialogsHaveTheirTitlesFiltersExtensionsAndRememberFolderAndNames) {
    std::error_code ec;
    const std::string cwd = filestest::fs::current_path(ec).string();
    dialogs.cancelNext();
    ops->loadBank();
    dialogs.answer(dir.file("mine.zun"));
    ops->savePreset();
    dialogs.cancelNext();
    ops->saveBank();
    dialogs.cancelNext();
    ops->loadPreset();

    ASSERT_EQ(dialogs.requests.size(), 4u);
    const auto& loadBank = dialogs.requests[0];
    EXPECT_EQ(loadBank.mode, FileDialogRequest::Mode::open);
    EXPECT_EQ(loadBank.title, "Select bank to load...");
    ASSERT_EQ(loadBank.filters.size(), 2u);
    EXPECT_EQ(loadBank.filters[0].name, "All Files");
    EXPECT_EQ(loadBank.filters[0].pattern, "*.*");
    EXPECT_EQ(loadBank.filters[1].name, "ZUN Banks");
    EXPECT_EQ(loadBank.filters[1].pattern, "*.zub");
    EXPECT_EQ(loadBank.selectedFilter, 1u);
    EXPECT_EQ(loadBank.defaultExtension, "zub");
    EXPECT_EQ(loadBank.initialFolder, cwd);
    EXPECT_EQ(loadBank.initialName, "");

    const auto& savePreset = dialogs.requests[1];
    EXPECT_EQ(savePreset.mode, FileDialogRequest::Mode::save);
    EXPECT_EQ(savePreset.title, "Save preset as...");
    EXPECT_EQ(savePreset.filters[1].name, "ZUN Presets");
    EXPECT_EQ(savePreset.filters[1].pattern, "*.zun");
    EXPECT_EQ(savePreset.defaultExtension, "zun");

    const auto& saveBank = dialogs.requests[2];
    EXPECT_EQ(saveBank.mode, FileDialogRequest::Mode::save);
    EXPECT_EQ(saveBank.title, "Save bank as...");
    EXPECT_EQ(saveBank.initialFolder, dir.path().string()) << "one folder for all four dialogs";
    EXPECT_EQ(saveBank.initialName, "") << "bank and preset names are remembered apart";

    const auto& loadPreset = dialogs.requests[3];
    EXPECT_EQ(loadPreset.title, "Select preset to load...");
    EXPECT_EQ(loadPreset.initialFolder, dir.path().string());
    EXPECT_EQ(loadPreset.initialName, "mine.zun");
    EXPECT_TRUE(dialogs.messages.empty()) << "a cancel says nothing";
}

TEST_F(FileOperations, PresetRoundTripRestoresTheCurrentProgramAndProgramZeroOnly) {
    selectProgram(5);
    effect().renameCurrent("ABCDEFGHIJKLMNOPQRSTUVWX");
    const Snapshot saved = snapshot();
    dialogs.answer(dir.file("five.zun"));
    ops->savePreset();
    ASSERT_TRUE(dialogs.messages.empty());

    // What was saved is program 5, in the layout.
    float values[16];
    for (int i = 0; i < 16; ++i) values[i] = saved.values[5][i];
    EXPECT_EQ(filestest::readBytes(dir.file("five.zun")), presetFileBytes("ABCDEFGHIJKLMNOPQRSTUVWX", values));

    // Change program 5 (and so program 0), then load the file back.
    for (int i = 1; i < 9; ++i) host.setParameter(i, 0.03f * float(i));
    effect().renameCurrent("changed");
    const Snapshot changed = snapshot();
    host.clearCalls();
    dialogs.answer(dir.file("five.zun"));
    ops->loadPreset();
    ASSERT_TRUE(dialogs.messages.empty());

    const Snapshot loaded = snapshot();
    EXPECT_EQ(loaded.names[5], "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(loaded.names[0], "ABCDEFGHIJKLMNOPQRSTUVWX");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(loaded.values[5][i], saved.values[5][i]) << i;
        EXPECT_EQ(loaded.values[0][i], saved.values[5][i]) << i;
    }
    // Other programs keep everything but Power, Mix and Output, which belong to the whole bank.
    for (int p = 1; p < 53; ++p) {
        if (p == 5) continue;
        EXPECT_EQ(loaded.names[p], changed.names[p]);
        for (int i = 0; i < 16; ++i)
            if (i != 0 && i != 9 && i != 10) {
                EXPECT_EQ(loaded.values[p][i], changed.values[p][i]) << p << "/" << i;
            }
    }
    EXPECT_EQ(effect().getCurrentProgram(), 5);
    EXPECT_EQ(host.getParameter(3), saved.values[5][3]) << "the program is applied to the effect";
    EXPECT_EQ(host.count(audioMasterBeginEdit), 16u);
    EXPECT_EQ(view.shown, std::vector<std::string>{"ABCDEFGHIJKLMNOPQRSTUVWX"});
}

TEST_F(FileOperations, BankLoadReplacesAllProgramsAndAppliesProgramZero) {
    selectProgram(7);
    std::string path = dir.file("bank.zub");
    filestest::writeBytes(path, bankFileBytes());
    dialogs.answer(path);
    ops->loadBank();
    ASSERT_TRUE(dialogs.messages.empty());

    Snapshot s = snapshot();
    float first[16];
    fileValues(0, first);
    for (int p = 0; p < 53; ++p) {
        EXPECT_EQ(s.names[p], "File program " + std::to_string(p));
        float v[16];
        fileValues(p, v);
        for (int i = 0; i < 16; ++i) {
            float expected = (i == 0 || i == 9 || i == 10) ? first[i] : v[i];
            EXPECT_EQ(s.values[p][i], expected) << p << "/" << i;
        }
    }
    EXPECT_EQ(effect().getCurrentProgram(), 0);
    EXPECT_EQ(host.getParameter(3), first[3]);
    EXPECT_EQ(host.getParameter(9), first[9]);
    EXPECT_EQ(host.count(audioMasterBeginEdit), 16u);
    EXPECT_EQ(view.entries.size(), 53u);
    EXPECT_EQ(view.entries[52], (std::pair<int, std::string>(52, "File program 52")));
    EXPECT_EQ(view.firstSelected, 1);
    EXPECT_EQ(view.shown, std::vector<std::string>{"File program 0"});

    // Saving the bank writes back exactly what was loaded (after the spread of program 0).
    dialogs.answer(dir.file("again.zub"));
    ops->saveBank();
    auto saved = filestest::readBytes(dir.file("again.zub"));
    ASSERT_EQ(saved.size(), 4669u);
    std::vector<std::uint8_t> expected = {'X', 'T', 'K', 'Q', '7'};
    for (int p = 0; p < 53; ++p) putRecord(expected, s.names[p], s.values[p]);
    EXPECT_EQ(saved, expected);
}

TEST_F(FileOperations, EveryRefusedFileShowsItsMessageAndChangesNothing) {
    const auto bank = bankFileBytes();
    float v[16];
    fileValues(3, v);
    const auto preset = presetFileBytes("preset", v);

    for (int which = 0; which < 4; ++which) {
        auto b = bank, p = preset;
        b[which] = 'x';
        p[which] = 'x';
        expectRefused(b, true, "Invalid file format!");
        expectRefused(p, false, "Invalid file format!");
    }
    expectRefused(preset, true, "Not a bank file!");
    expectRefused(bank, false, "Not a preset file!");

    auto shortBank = bank;
    shortBank.resize(4668);
    expectRefused(shortBank, true, "Invalid file format!");
    auto shortPreset = preset;
    shortPreset.resize(60);
    expectRefused(shortPreset, false, "Invalid file format!");
    expectRefused({}, false, "Invalid file format!");

    auto nanBank = bank;
    std::uint32_t nan = 0x7fc00000;
    std::memcpy(&nanBank[5 + 88 * 40 + 24 + 4 * 2], &nan, 4);
    expectRefused(nanBank, true, "Invalid file format!");
    auto infPreset = preset;
    std::uint32_t inf = 0x7f800000;
    std::memcpy(&infPreset[29 + 4 * 15], &inf, 4);
    expectRefused(infPreset, false, "Invalid file format!");
}

TEST_F(FileOperations, OutOfRangeValuesAreClampedAndWriteProtectedFilesLoad) {
    float v[16];
    fileValues(9, v);
    v[3] = 7.5f;
    v[4] = -2.0f;
    std::string path = dir.file("wild.zun");
    filestest::writeBytes(path, presetFileBytes("wild", v));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    dialogs.answer(path);
    ops->loadPreset();
    EXPECT_TRUE(dialogs.messages.empty());
    const CProgram* p = effect().getProgramRecord(0);
    EXPECT_STREQ(p->name(), "wild");
    EXPECT_EQ(p->getParameter(3), 1.0f);
    EXPECT_EQ(p->getParameter(4), 0.0f);
}

TEST_F(FileOperations, UnreadableChoiceIsToldAndChangesNothing) {
    Snapshot before = snapshot();
    dialogs.answer(dir.file("missing.zub"));
    ops->loadBank();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error...");
    EXPECT_NE(dialogs.messages[0].text.find("missing.zub"), std::string::npos);
    EXPECT_TRUE(snapshot() == before);

    dialogs.answer("/");  // no file name: nothing to do
    ops->loadPreset();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(snapshot() == before);
}

TEST_F(FileOperations, FailedSaveIsToldAndTheOldFileIsIntact) {
    std::string path = dir.file("keep.zub");
    const std::vector<std::uint8_t> old = bankFileBytes();
    filestest::writeBytes(path, old);

    // A write that stops part way, as on a full disk (works for root too).
    {
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        dialogs.answer(path);
        ops->saveBank();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error...");
    EXPECT_NE(dialogs.messages[0].text.find("Could not save \"keep.zub\""), std::string::npos)
        << dialogs.messages[0].text;
    EXPECT_NE(dialogs.messages[0].text.find("unchanged"), std::string::npos);
    EXPECT_EQ(filestest::readBytes(path), old);
    EXPECT_EQ(filestest::filesIn(dir.path()), std::vector<std::string>{"keep.zub"});

}

TEST_F(FileOperations, SaveIntoAReadOnlyFolderIsToldAndTheOldFileIsIntact) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    std::string folder = dir.file("ro"), path = dir.file("ro/keep.zun");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::vector<std::uint8_t> old(93, 0x5a);
    filestest::writeBytes(path, old);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    EXPECT_TRUE(filestest::runWithPermissionsBinding([&] {
        dialogs.answer(path);
        ops->savePreset();
        return dialogs.messages.size() == 1 && dialogs.messages[0].caption == "Error..." &&
               dialogs.messages[0].text.find("Could not save \"keep.zun\"") != std::string::npos;
    }));
    EXPECT_EQ(filestest::readBytes(path), old);
    EXPECT_EQ(filestest::filesIn(folder), std::vector<std::string>{"keep.zun"});
}

TEST(FileOperationsWithoutEffect, DoNothing) {
    platform::ScopedScriptedDialogs dialogs;
    CPresetFileOperations ops(nullptr);
    ops.loadBank();
    ops.saveBank();
    ops.loadPreset();
    ops.savePreset();
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}
