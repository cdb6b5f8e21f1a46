#include "ImpulseResponse.h"

#include <algorithm>

namespace render {

namespace {

struct MemorySink : AudioSink {
    std::vector<float> left, right;
    bool write(const float* l, const float* r, long frames, std::string&) override {
        left.insert(left.end(), l, l + frames);
        right.insert(right.end(), r, r + frames);
        return true;
    }
};

}  // namespace

std::vector<float> ImpulseResponses::centreLeft() const {
    std::vector<float> x(paths[kLeftToLeft]);
    for (size_t i = 0; i < x.size(); ++i) x[i] += paths[kRightToLeft][i];
    return x;
}

std::vector<float> ImpulseResponses::centreRight() const {
    std::vector<float> x(paths[kLeftToRight]);
    for (size_t i = 0; i < x.size(); ++i) x[i] += paths[kRightToRight][i];
    return x;
}

std::vector<float> ImpulseResponses::interleaved() const {
    std::vector<float> x(frames() * kPathCount);
    for (size_t i = 0; i < frames(); ++i)
        for (int p = 0; p < kPathCount; ++p) x[i * kPathCount + p] = paths[p][i];
    return x;
}

bool renderImpulseResponses(BlockProcessor& processor, const std::function<void()>& restart,
                            const ImpulseSettings& settings, ImpulseResponses& out, std::string& error) {
    out = ImpulseResponses();
    out.rate = settings.rate;
    RenderSettings rs;
    rs.blockSize = settings.blockSize;
    rs.prerollFrames = settings.prerollFrames;
    rs.holdFrames = settings.holdFrames;
    rs.maxTailFrames = std::max<int64_t>(0, settings.maxFrames - 1);
    rs.threshold = settings.threshold;
    const int positions = std::max(1, settings.positions);
    for (int input = 0; input < 2; ++input) {
        for (int k = 0; k < positions; ++k) {
            restart();
            std::vector<float> impulse(static_cast<size_t>(k) + 1, 0.0f), silence(impulse.size(), 0.0f);
            impulse[static_cast<size_t>(k)] = 1.0f;   // full scale, so each render runs as far down
            MemorySource source(input == 0 ? impulse : silence, input == 0 ? silence : impulse, settings.rate);
            MemorySink sink;
            RenderStats stats;
            if (!renderStream(source, processor, sink, rs, nullptr, stats, error)) return false;
            // Still loud within the hold time before the limit: the response went on.
            if (stats.tailFrames > rs.maxTailFrames - rs.holdFrames) out.truncated = true;
            // Shifted back to the impulse and added to the average.
            for (int c = 0; c < 2; ++c) {
                std::vector<float>& path = out.paths[2 * input + c];
                const std::vector<float>& got = c == 0 ? sink.left : sink.right;
                if (path.size() + k < got.size()) path.resize(got.size() - k, 0.0f);
                for (size_t i = k; i < got.size(); ++i) path[i - k] += got[i] / positions;
            }
        }
    }
    const size_t n = std::max(out.paths[0].size(), out.paths[2].size());
    for (auto& p : out.paths) p.resize(n, 0.0f);
    return true;
}

}  // namespace render
