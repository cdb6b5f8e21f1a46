#pragma once
// A file written under a temporary name beside its target and renamed over the target
// only when complete: an error, a full disk or an interruption never leaves a
// half-written file, and an existing file of that name stays untouched until then.

#include <csignal>
#include <string>

namespace render {

// The signals that interrupt the program; their handler calls removeUnfinishedFiles().
inline constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();   // discards an uncommitted file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false with a one-line error naming the target.
    bool open(const std::string& target, std::string& error);
    int fd() const { return fd_; }
    // Writes all of data; false with a one-line error (the file is then discarded).
    bool write(const void* data, size_t size, std::string& error);
    // Flushes to disk, closes and renames over the target.
    bool commit(std::string& error);
    void discard();
    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return tempPath_; }
    // The one-line message for a failed operation on this file.
    std::string failure(const std::string& why) const;

private:
    int fd_ = -1;
    int slot_ = -1;   // in the list of unfinished files
    std::string target_;
    std::string tempPath_;
};

// Removes every temporary file not yet committed or discarded, and from then on no new
// one is created (open fails): other threads go on running until the program ends.
// Async-signal-safe: for the handler of an interruption, which then ends the program.
void removeUnfinishedFiles();

}  // namespace render
