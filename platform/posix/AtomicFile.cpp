// POSIX file replacement: write to a fresh file in the target's folder, flush it to
// disk, then rename it over the target (atomic within one file system).

#include "platform/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moltaro::platform {

namespace {

std::string reason(int err) { return std::strerror(err); }

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A temporary name unique enough across threads and processes; creation with
// O_EXCL settles any remaining clash.
std::string temporaryNameFor(const std::string& target, unsigned attempt) {
    static unsigned counter = 0;
    unsigned n = __atomic_add_fetch(&counter, 1u, __ATOMIC_RELAXED);
    return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(n) + "-" +
           std::to_string(attempt);
}

}  // namespace

bool writeFileAtomically(const std::string& requestedPath, const std::uint8_t* data,
                         std::size_t size, std::string* error) {
    if (requestedPath.empty()) {
        setError(error, "no file name");
        return false;
    }
    // A symbolic link stays a link: the file it points to is the one replaced.
    std::string path = requestedPath;
    struct stat targetInfo {};
    bool targetExists = false;
    if (::lstat(path.c_str(), &targetInfo) == 0 && S_ISLNK(targetInfo.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) path = resolved;
    }
    if (::stat(path.c_str(), &targetInfo) == 0) {
        targetExists = true;
        if (S_ISDIR(targetInfo.st_mode)) {
            setError(error, "it is a folder");
            return false;
        }
        // A write-protected file is respected, although the folder would let us replace it.
        if (::access(path.c_str(), W_OK) != 0) {
            setError(error, reason(errno));
            return false;
        }
    }

    int fd = -1;
    std::string temporary;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryNameFor(path, attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        setError(error, reason(errno));
        return false;
    }
    auto fail = [&](int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.c_str());
        setError(error, reason(err));
        return false;
    };
    if (targetExists) ::fchmod(fd, targetInfo.st_mode & 07777);
    if (!writeAll(fd, data, size)) return fail(errno);
    if (::fsync(fd) != 0 && errno != EINVAL) return fail(errno);
    int closing = ::close(fd);
    fd = -1;
    if (closing != 0) return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);

    // Make the rename itself durable; a failure here does not undo the save.
    int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace moltaro::platform
