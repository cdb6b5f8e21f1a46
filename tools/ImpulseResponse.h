#pragma once
// The effect's stereo impulse responses: a unit impulse into one input at a time, after
// the same silent pre-roll as a render, and the outputs until they stay below a threshold.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Renderer.h"

namespace render {

// The four paths, in the order of the channels of an impulse response file.
enum ResponsePath { kLeftToLeft, kLeftToRight, kRightToLeft, kRightToRight, kPathCount };

struct ImpulseResponses {
    int rate = 0;
    std::vector<float> paths[kPathCount];   // all of the same length
    bool truncated = false;                 // stopped at the longest length, still above the threshold
    size_t frames() const { return paths[0].size(); }
    // The outputs for a source in the middle, fed to both inputs at once.
    std::vector<float> centreLeft() const;
    std::vector<float> centreRight() const;
    // All four paths interleaved, frame by frame.
    std::vector<float> interleaved() const;
};

struct ImpulseSettings {
    int rate = 44100;
    int blockSize = 512;
    int64_t prerollFrames = 0;
    int64_t holdFrames = 1;       // quiet frames that end a response
    int64_t maxFrames = 0;        // longest response
    float threshold = kTailThreshold;
    // Impulse positions averaged: an effect that runs part of its work at a fraction of
    // the rate responds differently to an impulse at each position within that fraction;
    // the average of those responses is the time-invariant filter closest to it.
    int positions = 1;
};

// restart brings the processor back to its state after switching on (called before
// each of the two renders). False with error set when rendering fails.
bool renderImpulseResponses(BlockProcessor& processor, const std::function<void()>& restart,
                            const ImpulseSettings& settings, ImpulseResponses& out, std::string& error);

}  // namespace render
