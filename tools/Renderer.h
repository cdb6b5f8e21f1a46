#pragma once
// The render loop: input blocks through an effect into a sink, then the reverb tail.
// It knows the effect only as a block processor, so it can be tested without one.

#include <cstdint>
#include <string>

#include "AudioIO.h"
#include "Progress.h"
#include "TailTrimmer.h"

namespace render {

class BlockProcessor {
public:
    virtual ~BlockProcessor() = default;
    // Replaces outputs[0..1] with frames of processed audio from inputs[0..1].
    virtual void process(float* const* inputs, float* const* outputs, int frames) = 0;
};

struct RenderSettings {
    int blockSize = 512;
    int64_t prerollFrames = 0;    // silence run through the effect and discarded first
    int64_t maxTailFrames = 0;    // longest tail after the input
    int64_t holdFrames = 1;       // quiet frames that end the tail
    float threshold = kTailThreshold;
};

struct RenderStats {
    int64_t inputFrames = 0;
    int64_t tailFrames = 0;
    float peak = 0;               // largest magnitude written
    int64_t nonFinite = 0;        // non-finite samples from the effect, written as 0
    double cpuSeconds = 0;        // CPU time inside the effect for input and tail
    int64_t outputFrames() const { return inputFrames + tailFrames; }
};

// Every block handed to the processor has blockSize frames; the last input block is
// padded with silence, which counts as tail. Returns false with error set when reading
// or writing fails.
bool renderStream(AudioSource& source, BlockProcessor& processor, AudioSink& sink,
                  const RenderSettings& settings, ProgressBar* progress, RenderStats& stats,
                  std::string& error);

// CPU time of this process in seconds.
double processCpuSeconds();

}  // namespace render
