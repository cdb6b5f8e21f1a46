#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace render {

namespace {

// Temporary files being written, for removal on an interruption. Fixed storage, so that
// the signal handler reads it without locks or allocation.
constexpr int kSlots = 64;
struct Slot {
    std::atomic<int> state{0};   // 0 free, 1 being filled, 2 holds a path
    char path[4096];
};
Slot slots[kSlots];
// Set once an interruption is being handled: no temporary file is made after that.
std::atomic<bool> ending{false};
// How long the handler waits for another thread to list the file it is creating (a
// few system calls; the bound only keeps a stalled thread from holding up the exit).
constexpr long kListingSpins = 100000000;

int claimSlot() {
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (slots[i].state.compare_exchange_strong(expected, 1)) return i;
    }
    return -1;
}

void releaseSlot(int& slot) {
    if (slot >= 0) slots[slot].state.store(0);
    slot = -1;
}

// Holds off interruptions on this thread while a file is created and listed, so that
// the handler never runs in between on this thread (on another it waits for the list).
class InterruptionsHeld {
public:
    InterruptionsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int sig : kInterruptions) sigaddset(&held, sig);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

}  // namespace

void removeUnfinishedFiles() {
    // A thread that claims a slot after this store sees it and gives the slot back; one
    // that claimed it before is waited for (sequentially consistent on both sides).
    ending.store(true);
    for (Slot& s : slots) {
        for (long spin = 0; s.state.load() == 1 && spin < kListingSpins; ++spin) {
        }
        if (s.state.load() == 2) ::unlink(s.path);
    }
}

AtomicFile::~AtomicFile() { discard(); }

std::string AtomicFile::failure(const std::string& why) const { return "cannot write '" + target_ + "': " + why; }

bool AtomicFile::open(const std::string& target, std::string& error) {
    discard();
    target_ = target;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = failure("it is a directory");
        return false;
    }
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string pattern = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    {
        InterruptionsHeld held;
        if (name.size() <= sizeof slots[0].path) slot_ = claimSlot();
        if (ending.load()) {
            releaseSlot(slot_);
            error = failure("interrupted");
            return false;
        }
        fd_ = ::mkstemp(name.data());
        if (fd_ < 0) {
            const int cause = errno;
            releaseSlot(slot_);
            error = failure(std::strerror(cause));
            return false;
        }
        if (slot_ >= 0) {
            std::memcpy(slots[slot_].path, name.data(), name.size());
            slots[slot_].state.store(2);
        }
    }
    tempPath_ = name.data();
    // mkstemp creates the file for its owner only; give it the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    return true;
}

bool AtomicFile::write(const void* data, size_t size, std::string& error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = fd_ >= 0 ? ::write(fd_, p, size) : -1;
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = failure(fd_ >= 0 ? std::strerror(errno) : "the file is not open");
            discard();
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::commit(std::string& error) {
    if (fd_ < 0) {
        error = failure("the file is not open");
        return false;
    }
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        error = failure(std::strerror(errno));
        fd_ = -1;
        discard();
        return false;
    }
    fd_ = -1;
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        error = failure(std::strerror(errno));
        discard();
        return false;
    }
    releaseSlot(slot_);
    tempPath_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    releaseSlot(slot_);
}

}  // namespace render
