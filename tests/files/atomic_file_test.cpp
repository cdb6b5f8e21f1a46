// Saving through a temporary file: the target is replaced whole or not at all.

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "FilesTestSupport.h"
#include "platform/AtomicFile.h"

using moltaro::platform::writeFileAtomically;
using filestest::TempDir;

namespace {

const std::vector<std::uint8_t> kOld(100, 0x11);
const std::vector<std::uint8_t> kNew(5000, 0x22);

// Lets writes to regular files fail with "file too large" beyond `bytes`, as on a
// full disk; works for every user, root included.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace

TEST(AtomicFile, CreatesAndReplacesWithoutLeavingTemporaryFiles) {
    TempDir dir;
    std::string path = dir.file("bank.zub");
    ASSERT_TRUE(writeFileAtomically(path, kOld));
    ASSERT_TRUE(writeFileAtomically(path, kNew));
    EXPECT_EQ(filestest::readBytes(path), kNew);
    EXPECT_EQ(filestest::filesIn(dir.path()), std::vector<std::string>{"bank.zub"});
}

TEST(AtomicFile, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    std::string path = dir.file("p.zun");
    filestest::writeBytes(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(path, kNew));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicFile, SymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    std::string real = dir.file("real.zun"), link = dir.file("link.zun");
    filestest::writeBytes(real, kOld);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(link, kNew));
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(filestest::readBytes(real), kNew);
}

TEST(AtomicFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    std::string path = dir.file("bank.zub");
    filestest::writeBytes(path, kOld);
    std::string error;
    {
        ScopedFileSizeLimit limit(1000);
        EXPECT_FALSE(writeFileAtomically(path, kNew, &error));
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(filestest::readBytes(path), kOld);
    EXPECT_EQ(filestest::filesIn(dir.path()), std::vector<std::string>{"bank.zub"});
}

TEST(AtomicFile, MissingFolderOrAFolderAsTargetFails) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir.file("no/such/folder.zub"), kNew, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writeFileAtomically(dir.path().string(), kNew, &error)) << "a folder is not replaced";
    EXPECT_FALSE(writeFileAtomically("/proc/moltaro-test.zub", kNew, &error));
}

TEST(AtomicFile, ReadOnlyFolderAndWriteProtectedFileFail) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    std::string folder = dir.file("ro"), path = dir.file("ro/old.zub"), own = dir.file("protected.zub");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    filestest::writeBytes(path, kOld);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    filestest::writeBytes(own, kOld);
    ASSERT_EQ(::chmod(own.c_str(), 0444), 0);
    if (filestest::runningAsRoot()) {
        ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), filestest::runningAsRoot() ? 0777 : 0755), 0);

    EXPECT_TRUE(filestest::runWithPermissionsBinding([&] {
        std::string error;
        return !writeFileAtomically(path, kNew, &error) && !error.empty();
    })) << "read-only folder";
    EXPECT_TRUE(filestest::runWithPermissionsBinding([&] { return !writeFileAtomically(own, kNew); }))
        << "a write-protected file is respected although its folder is writable";
    EXPECT_EQ(filestest::readBytes(path), kOld);
    EXPECT_EQ(filestest::readBytes(own), kOld);
    EXPECT_EQ(filestest::filesIn(folder), std::vector<std::string>{"old.zub"});
}
