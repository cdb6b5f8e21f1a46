#pragma once
// The progress bar on stderr: drawn only when stderr is a terminal, redrawn at most ten
// times a second, and cleared again when rendering ends.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace render {

// One line of progress: the input part as a bar with percent and seconds, then the tail.
std::string progressLine(int64_t inputDone, int64_t inputTotal, int64_t tailDone, int sampleRate,
                         int barWidth = 30);

class ProgressBar {
public:
    // enabled: draw at all (stderr is a terminal and the user did not ask for quiet).
    ProgressBar(bool enabled, int64_t inputTotal, int sampleRate, std::FILE* out = stderr);
    void update(int64_t inputDone, int64_t tailDone);
    void finish();   // clears the line

private:
    bool enabled_;
    bool drawn_ = false;
    int64_t total_;
    int rate_;
    std::FILE* out_;
    std::chrono::steady_clock::time_point last_;
    size_t lastLength_ = 0;
};

}  // namespace render
