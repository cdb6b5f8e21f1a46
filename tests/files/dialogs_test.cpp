// The Linux dialogs run the desktop's dialog program. Here a small script named
// zenity (or kdialog) on a temporary PATH stands in for it: it records the
// arguments it was given and answers a path, a cancel, or a question.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "FilesTestSupport.h"
#include "platform/Dialogs.h"
#include "platform/posix/DialogCommands.h"

using namespace moltaro::platform;
using filestest::ScopedEnv;
using filestest::TempDir;

namespace {

// Each call appends "--call--" and then its arguments, one per line, to $FAKE_LOG.
// A file selection prints $FAKE_ANSWER and exits with $FAKE_EXIT (default 0); a
// question exits with $FAKE_QUESTION_EXIT (default 0).
const char* kFakeProgram = R"(#!/bin/sh
{ echo "--call--"; for a in "$@"; do printf '%s\n' "$a"; done; } >> "$FAKE_LOG"
case "$*" in
  *--question*|*--yesno*) exit "${FAKE_QUESTION_EXIT:-0}" ;;
  *--file-selection*|*--get*filename*) [ -n "$FAKE_ANSWER" ] && printf '%s\n' "$FAKE_ANSWER"; exit "${FAKE_EXIT:-0}" ;;
esac
exit 0
)";

class FakeDialogProgram {
public:
    explicit FakeDialogProgram(const std::string& name, bool install = true)
        : path_("PATH", dir_.path().string()), log_("FAKE_LOG", dir_.file("log")) {
        if (!install) return;
        filestest::writeText(dir_.file(name), kFakeProgram);
        ::chmod(dir_.file(name).c_str(), 0755);
    }

    // The arguments of every call so far.
    std::vector<std::vector<std::string>> calls() const {
        std::vector<std::vector<std::string>> out;
        std::string text = filestest::readText(dir_.file("log")), line;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            line = text.substr(start, end - start);
            start = end == std::string::npos ? text.size() : end + 1;
            if (line == "--call--")
                out.emplace_back();
            else if (!out.empty())
                out.back().push_back(line);
        }
        return out;
    }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    ScopedEnv path_, log_;
};

FileDialogRequest bankRequest(FileDialogRequest::Mode mode, const std::string& folder) {
    FileDialogRequest r;
    r.mode = mode;
    r.title = mode == FileDialogRequest::Mode::open ? "Select bank to load..." : "Save bank as...";
    r.filters = {{"All Files", "*.*"}, {"ZUN Banks", "*.zub"}};
    r.selectedFilter = 1;
    r.defaultExtension = "zub";
    r.initialFolder = folder;
    r.initialName = "last.zub";
    return r;
}

bool contains(const std::vector<std::string>& args, const std::string& a) {
    return std::find(args.begin(), args.end(), a) != args.end();
}

}  // namespace

TEST(LinuxDialogs, ZenityGetsTitleFiltersAndStartFileAndItsAnswerIsReturned) {
    FakeDialogProgram fake("zenity");
    ScopedEnv answer("FAKE_ANSWER", "/music/my banks/it's a bank.zub");
    auto chosen = systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::open, "/music/my banks"));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, "/music/my banks/it's a bank.zub");
    auto calls = fake.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"--file-selection", "--title=Select bank to load...",
                                                  "--filename=/music/my banks/last.zub",
                                                  "--file-filter=ZUN Banks | *.zub", "--file-filter=All Files | *"}));
}

TEST(LinuxDialogs, ZenitySaveAsksBeforeReplacingAndCancelGivesNothing) {
    FakeDialogProgram fake("zenity");
    ScopedEnv answer("FAKE_ANSWER", "/tmp/x.zub");
    auto chosen = systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::save, "/tmp"));
    ASSERT_TRUE(chosen);
    auto args = fake.calls().at(0);
    EXPECT_TRUE(contains(args, "--save"));
    EXPECT_TRUE(contains(args, "--confirm-overwrite"));
    EXPECT_TRUE(contains(args, "--title=Save bank as..."));

    ScopedEnv cancel("FAKE_EXIT", "1");
    ScopedEnv noAnswer("FAKE_ANSWER", std::nullopt);
    EXPECT_FALSE(systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::save, "/tmp")));
    ScopedEnv failure("FAKE_EXIT", "5");
    EXPECT_FALSE(systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::open, "/tmp")));
}

TEST(LinuxDialogs, SavedNameWithoutExtensionGetsItAndAnExistingFileIsAskedAbout) {
    FakeDialogProgram fake("zenity");
    std::string typed = fake.dir().file("mine");
    ScopedEnv answer("FAKE_ANSWER", typed);
    auto chosen = systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::save, "/tmp"));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, typed + ".zub");
    EXPECT_EQ(fake.calls().size(), 1u) << "no question while mine.zub does not exist";

    filestest::writeText(typed + ".zub", "old");
    ScopedEnv no("FAKE_QUESTION_EXIT", "1");
    EXPECT_FALSE(systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::save, "/tmp")));
    auto calls = fake.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(contains(calls[2], "--question"));
    ScopedEnv yes("FAKE_QUESTION_EXIT", "0");
    EXPECT_EQ(systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::save, "/tmp")), typed + ".zub");
}

TEST(LinuxDialogs, KdialogIsUsedWhenZenityIsMissing) {
    FakeDialogProgram fake("kdialog");
    ScopedEnv answer("FAKE_ANSWER", "/b/c.zun");
    FileDialogRequest r;
    r.mode = FileDialogRequest::Mode::save;
    r.title = "Save preset as...";
    r.filters = {{"All Files", "*.*"}, {"ZUN Presets", "*.zun"}};
    r.selectedFilter = 1;
    r.defaultExtension = "zun";
    r.initialFolder = "/b/";
    r.initialName = "";
    EXPECT_EQ(systemDialogs().chooseFile(r), std::optional<std::string>("/b/c.zun"));
    EXPECT_EQ(fake.calls().at(0), (std::vector<std::string>{"--title", "Save preset as...", "--getsavefilename",
                                                            "/b/", "*.zun|ZUN Presets", "*|All Files"}));

    systemDialogs().showMessage("Error...", "Not a preset file!", MessageKind::error);
    EXPECT_EQ(fake.calls().at(1), (std::vector<std::string>{"--title", "Error...", "--error", "Not a preset file!"}));
}

TEST(LinuxDialogs, MessageBoxShowsCaptionAndPlainText) {
    FakeDialogProgram fake("zenity");
    systemDialogs().showMessage("Error...", "Invalid <file> format!", MessageKind::error);
    EXPECT_EQ(fake.calls().at(0), (std::vector<std::string>{"--error", "--title=Error...", "--no-markup",
                                                            "--text=Invalid <file> format!"}));
}

TEST(LinuxDialogs, WithoutADialogProgramTheUserIsToldWhatToInstall) {
    FakeDialogProgram nothing("zenity", false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(systemDialogs().chooseFile(bankRequest(FileDialogRequest::Mode::open, "/tmp")));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Error..."), std::string::npos) << said;
    EXPECT_NE(said.find("install zenity"), std::string::npos) << said;
    EXPECT_NE(said.find("kdialog"), std::string::npos) << said;
}

TEST(LinuxDialogs, OpenedNameWithoutExtensionFindsTheFileWithIt) {
    TempDir dir;
    auto exists = [](const std::string& p) { return filestest::fs::exists(p); };
    auto never = [](const std::string&) { return false; };
    auto request = bankRequest(FileDialogRequest::Mode::open, dir.path().string());
    filestest::writeText(dir.file("a.zub"), "x");
    EXPECT_EQ(completeChosenPath(request, dir.file("a"), exists, never), dir.file("a.zub"));
    filestest::writeText(dir.file("a"), "x");
    EXPECT_EQ(completeChosenPath(request, dir.file("a"), exists, never), dir.file("a"));
    EXPECT_EQ(completeChosenPath(request, dir.file("b.txt"), exists, never), dir.file("b.txt"));
    EXPECT_EQ(completeChosenPath(request, dir.file(".hidden"), exists, never), dir.file(".hidden"));
}

TEST(LinuxDialogs, ScriptedReplacementIsWhatEveryoneGetsWhileInstalled) {
    class Counting : public Dialogs {
    public:
        std::optional<std::string> chooseFile(const FileDialogRequest&) override { return "/x"; }
        void showMessage(const std::string&, const std::string&, MessageKind) override { ++messages; }
        int messages = 0;
    } counting;
    installDialogs(&counting);
    dialogs().showMessage("Error...", "x", MessageKind::error);
    EXPECT_EQ(dialogs().chooseFile({}), std::optional<std::string>("/x"));
    installDialogs(nullptr);
    EXPECT_EQ(counting.messages, 1);
    EXPECT_EQ(&dialogs(), &systemDialogs());
}
