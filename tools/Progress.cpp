#include "Progress.h"

#include <algorithm>

namespace render {

std::string progressLine(int64_t inputDone, int64_t inputTotal, int64_t tailDone, int sampleRate,
                         int barWidth) {
    const double fraction =
        inputTotal > 0 ? std::min(1.0, std::max(0.0, static_cast<double>(inputDone) / inputTotal)) : 1.0;
    const int filled = static_cast<int>(fraction * barWidth);
    std::string line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]";
    char text[96];
    const double rate = sampleRate > 0 ? sampleRate : 1;
    std::snprintf(text, sizeof text, " %3d%%  %.1f / %.1f s", static_cast<int>(fraction * 100.0),
                  inputDone / rate, inputTotal / rate);
    line += text;
    if (tailDone > 0) {
        std::snprintf(text, sizeof text, "  + tail %.1f s", tailDone / rate);
        line += text;
    }
    return line;
}

ProgressBar::ProgressBar(bool enabled, int64_t inputTotal, int sampleRate, std::FILE* out)
    : enabled_(enabled), total_(inputTotal), rate_(sampleRate), out_(out) {}

void ProgressBar::update(int64_t inputDone, int64_t tailDone) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    drawn_ = true;
    const std::string line = progressLine(inputDone, total_, tailDone, rate_);
    // Pad with blanks so that a shorter line covers the previous one completely.
    const size_t pad = lastLength_ > line.size() ? lastLength_ - line.size() : 0;
    std::fprintf(out_, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
    std::fflush(out_);
    lastLength_ = line.size();
}

void ProgressBar::finish() {
    if (!enabled_ || !drawn_) return;
    std::fprintf(out_, "\r%s\r", std::string(lastLength_, ' ').c_str());
    std::fflush(out_);
    drawn_ = false;
}

}  // namespace render
