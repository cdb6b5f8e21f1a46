#include "Renderer.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

namespace render {

double processCpuSeconds() {
    timespec ts;
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0.0;
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

namespace {

// Runs over samples about to be written: replaces non-finite ones by silence (the
// trimmer keeps them in the tail, so none goes unnoticed) and tracks the peak.
void sanitise(float* samples, long n, RenderStats& stats) {
    for (long i = 0; i < n; ++i) {
        if (!std::isfinite(samples[i])) {
            samples[i] = 0.0f;
            ++stats.nonFinite;
        }
        stats.peak = std::max(stats.peak, std::fabs(samples[i]));
    }
}

// Reads until the block is full or the source has ended.
long readBlock(AudioSource& source, float* left, float* right, long frames, std::string& error) {
    long got = 0;
    while (got < frames) {
        const long n = source.read(left + got, right + got, frames - got, error);
        if (n < 0) return -1;
        if (n == 0) break;
        got += n;
    }
    return got;
}

}  // namespace

bool renderStream(AudioSource& source, BlockProcessor& processor, AudioSink& sink,
                  const RenderSettings& settings, ProgressBar* progress, RenderStats& stats,
                  std::string& error) {
    stats = RenderStats();
    const int block = std::max(1, settings.blockSize);
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    for (int64_t done = 0; done < settings.prerollFrames; done += block) {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        processor.process(inputs, outputs, block);
    }

    TailTrimmer tail(settings.threshold, settings.holdFrames, settings.maxTailFrames);
    std::vector<float> tailL, tailR;
    bool inputEnded = false;
    for (;;) {
        long n = 0;
        if (!inputEnded) {
            n = readBlock(source, inL.data(), inR.data(), block, error);
            if (n < 0) return false;
            inputEnded = n < block;
        }
        if (inputEnded && n == 0 && tail.finished()) break;
        std::fill(inL.begin() + n, inL.end(), 0.0f);
        std::fill(inR.begin() + n, inR.end(), 0.0f);

        const double before = processCpuSeconds();
        processor.process(inputs, outputs, block);
        stats.cpuSeconds += processCpuSeconds() - before;

        if (n > 0) {
            sanitise(outL.data(), n, stats);
            sanitise(outR.data(), n, stats);
            if (!sink.write(outL.data(), outR.data(), n, error)) return false;
            stats.inputFrames += n;
        }
        if (n < block && !tail.finished()) {
            tail.feed(outL.data() + n, outR.data() + n, block - n, tailL, tailR);
            sanitise(tailL.data(), static_cast<long>(tailL.size()), stats);
            sanitise(tailR.data(), static_cast<long>(tailR.size()), stats);
            if (!tailL.empty() && !sink.write(tailL.data(), tailR.data(), static_cast<long>(tailL.size()), error))
                return false;
            stats.tailFrames = tail.emittedFrames();
        }
        if (progress) progress->update(stats.inputFrames, tail.consumedFrames());
        if (inputEnded && tail.finished()) break;
    }
    if (progress) progress->finish();
    return true;
}

}  // namespace render
