#pragma once
// Decides how much reverb tail follows the input. The tail ends at its last frame at or
// above the threshold, once the output has stayed below it for a hold time (long enough
// to bridge the longest pre-delay) or once the tail reaches its limit. Quiet frames are
// held back until a louder frame shows they are still part of the tail, so the tail can
// be written as it is rendered and the file never ends in a stretch of near-silence.

#include <cstdint>
#include <vector>

namespace render {

// -90 dBFS.
constexpr float kTailThreshold = 3.16227766e-5f;

class TailTrimmer {
public:
    TailTrimmer(float threshold, int64_t holdFrames, int64_t maxFrames);

    // Takes the next n frames of tail. Frames certain to belong to the tail are appended
    // to outLeft/outRight (cleared first). Returns false once the tail has ended: no more
    // frames need rendering.
    bool feed(const float* left, const float* right, long n, std::vector<float>& outLeft,
              std::vector<float>& outRight);

    bool finished() const { return finished_; }
    int64_t consumedFrames() const { return consumed_; }   // frames fed, up to the limit
    int64_t emittedFrames() const { return emitted_; }     // frames handed out: the tail length

private:
    static bool loud(float l, float r, float threshold);

    float threshold_;
    int64_t hold_;
    int64_t max_;
    int64_t consumed_ = 0;
    int64_t emitted_ = 0;
    bool finished_ = false;
    std::vector<float> heldLeft_, heldRight_;
};

}  // namespace render
