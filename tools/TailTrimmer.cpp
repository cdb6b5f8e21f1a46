#include "TailTrimmer.h"

#include <algorithm>
#include <cmath>

namespace render {

TailTrimmer::TailTrimmer(float threshold, int64_t holdFrames, int64_t maxFrames)
    : threshold_(threshold), hold_(std::max<int64_t>(1, holdFrames)), max_(std::max<int64_t>(0, maxFrames)) {
    finished_ = max_ == 0;
}

// Non-finite samples count as loud: they must not end the tail unnoticed.
bool TailTrimmer::loud(float l, float r, float threshold) {
    return !(std::fabs(l) < threshold) || !(std::fabs(r) < threshold);
}

bool TailTrimmer::feed(const float* left, const float* right, long n, std::vector<float>& outLeft,
                       std::vector<float>& outRight) {
    outLeft.clear();
    outRight.clear();
    if (finished_) return false;
    n = static_cast<long>(std::min<int64_t>(std::max(0L, n), max_ - consumed_));

    long lastLoud = -1;
    for (long i = n - 1; i >= 0; --i) {
        if (loud(left[i], right[i], threshold_)) {
            lastLoud = i;
            break;
        }
    }
    if (lastLoud >= 0) {
        // Everything held so far, and this block up to its last loud frame, is tail.
        outLeft.swap(heldLeft_);
        outRight.swap(heldRight_);
        outLeft.insert(outLeft.end(), left, left + lastLoud + 1);
        outRight.insert(outRight.end(), right, right + lastLoud + 1);
        heldLeft_.assign(left + lastLoud + 1, left + n);
        heldRight_.assign(right + lastLoud + 1, right + n);
    } else {
        heldLeft_.insert(heldLeft_.end(), left, left + n);
        heldRight_.insert(heldRight_.end(), right, right + n);
    }
    consumed_ += n;
    emitted_ += static_cast<int64_t>(outLeft.size());

    if (static_cast<int64_t>(heldLeft_.size()) >= hold_ || consumed_ >= max_) {
        finished_ = true;
        heldLeft_.clear();
        heldRight_.clear();
    }
    return !finished_;
}

}  // namespace render
