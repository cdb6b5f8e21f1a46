// Atomic replacement of files on Windows: the new content or the old, never a mix and
// never a leftover temporary file, also when the target is protected or in use.

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/AtomicFile.h"

using moltaro::platform::writeFileAtomically;
using wintest::TempDir;

namespace {

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', ' ', 'b', 'y', 't', 'e', 's', 0, 255};

}  // namespace

TEST(WindowsAtomicFile, CreatesAndReplacesWithoutLeavingTemporaryFiles) {
    TempDir dir;
    const std::string target = dir.file("bank.zub");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(target, kOld, &error)) << error;
    EXPECT_EQ(wintest::readBytes(target), kOld);
    ASSERT_TRUE(writeFileAtomically(target, kNew, &error)) << error;
    EXPECT_EQ(wintest::readBytes(target), kNew);
    EXPECT_EQ(wintest::filesIn(dir.path()), std::vector<std::string>{"bank.zub"});
    // Forward slashes are Windows paths too.
    std::string forward = target;
    for (char& c : forward)
        if (c == '\\') c = '/';
    ASSERT_TRUE(writeFileAtomically(forward, kOld, &error)) << error;
    EXPECT_EQ(wintest::readBytes(target), kOld);
}

TEST(WindowsAtomicFile, WriteProtectedFileIsRefusedAndKept) {
    TempDir dir;
    const std::string target = dir.file("locked.zun");
    wintest::writeBytes(target, kOld);
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string error;
    EXPECT_FALSE(writeFileAtomically(target, kNew, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(wintest::readBytes(target), kOld);
    EXPECT_EQ(wintest::filesIn(dir.path()).size(), 1u);
}

TEST(WindowsAtomicFile, FileInUseByAnotherProgramIsKeptAndNoTemporaryRemains) {
    TempDir dir;
    const std::string target = dir.file("open.zub");
    wintest::writeBytes(target, kOld);
    // Another program reading the file without letting anyone delete or rename it.
    HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::string error;
    EXPECT_FALSE(writeFileAtomically(target, kNew, &error));
    EXPECT_FALSE(error.empty());
    CloseHandle(reader);
    EXPECT_EQ(wintest::readBytes(target), kOld);
    EXPECT_EQ(wintest::filesIn(dir.path()), std::vector<std::string>{"open.zub"});
}

TEST(WindowsAtomicFile, FolderMissingFolderAndEmptyNameFail) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir.path(), kNew, &error));
    EXPECT_EQ(error, "it is a folder");
    error.clear();
    EXPECT_FALSE(writeFileAtomically(dir.file("missing\\x.zun"), kNew, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << "system texts are trimmed: " << error;
    EXPECT_FALSE(writeFileAtomically("", kNew, &error));
    EXPECT_TRUE(wintest::filesIn(dir.path()).empty());
}
