#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/Renderer.h"
#include "tools/TailTrimmer.h"

using namespace render;

namespace {

// Feeds a whole signal in blocks and collects what the trimmer hands out.
std::vector<float> trim(TailTrimmer& t, const std::vector<float>& signal, long block) {
    std::vector<float> all, l, r;
    for (size_t pos = 0; pos < signal.size(); pos += block) {
        const long n = static_cast<long>(std::min<size_t>(block, signal.size() - pos));
        const bool more = t.feed(signal.data() + pos, signal.data() + pos, n, l, r);
        EXPECT_EQ(l.size(), r.size());
        all.insert(all.end(), l.begin(), l.end());
        if (!more) break;
    }
    return all;
}

constexpr float kLoud = 0.01f;

// Records what it is given and writes it out; can be told to fail.
class MemorySink : public AudioSink {
public:
    bool write(const float* l, const float* r, long n, std::string& error) override {
        if (failAfter >= 0 && static_cast<long>(left.size()) + n > failAfter) {
            error = "disk full";
            return false;
        }
        left.insert(left.end(), l, l + n);
        right.insert(right.end(), r, r + n);
        return true;
    }
    std::vector<float> left, right;
    long failAfter = -1;
};

// A tiny reverb stand-in: a feedback echo of `delay` frames with gain `feedback`, mixed
// with the dry signal. Before `warmup` frames have passed it outputs a loud constant, as
// an effect fading in would; those frames must never reach the file.
class EchoProcessor : public BlockProcessor {
public:
    EchoProcessor(int delay, float feedback, long warmup = 0)
        : line_(delay, 0.0f), feedback_(feedback), warmup_(warmup) {}
    void process(float* const* in, float* const* out, int frames) override {
        blockSizes.push_back(frames);
        for (int i = 0; i < frames; ++i) {
            const float echo = line_[pos_];
            line_[pos_] = in[0][i] + feedback_ * echo;
            pos_ = (pos_ + 1) % line_.size();
            out[0][i] = in[0][i] + echo;
            out[1][i] = in[1][i] - echo;
            if (seen_++ < warmup_) out[0][i] = out[1][i] = 0.75f;
        }
    }
    std::vector<int> blockSizes;

private:
    std::vector<float> line_;
    size_t pos_ = 0;
    float feedback_;
    long warmup_;
    long seen_ = 0;
};

class PoisonProcessor : public BlockProcessor {
public:
    void process(float* const* in, float* const* out, int frames) override {
        for (int i = 0; i < frames; ++i) {
            out[0][i] = in[0][i];
            out[1][i] = i == 3 ? std::numeric_limits<float>::quiet_NaN() : in[1][i];
        }
    }
};

class FailingSource : public AudioSource {
public:
    int channels() const override { return 2; }
    int sampleRate() const override { return 44100; }
    int64_t totalFrames() const override { return 100000; }
    long read(float* l, float* r, long n, std::string& error) override {
        if (calls++ == 2) {
            error = "cannot read 'x.flac': unexpected end";
            return -1;
        }
        std::fill(l, l + n, 0.1f);
        std::fill(r, r + n, 0.1f);
        return n;
    }
    int calls = 0;
};

MemorySource impulseSource(long frames, int rate = 44100) {
    std::vector<float> l(frames, 0.0f), r(frames, 0.0f);
    l[0] = r[0] = 1.0f;
    return MemorySource(l, r, rate);
}

}  // namespace

TEST(TailTrimmer, EndsAtLastLoudFrameOnceQuietLongEnough) {
    std::vector<float> s(5000, 0.0f);
    for (int i = 0; i < 1234; ++i) s[i] = kLoud;
    TailTrimmer t(kTailThreshold, 1000, 100000);
    const auto out = trim(t, s, 512);
    EXPECT_TRUE(t.finished());
    EXPECT_EQ(out.size(), 1234u);
    EXPECT_EQ(t.emittedFrames(), 1234);
    EXPECT_LT(t.consumedFrames(), 1234 + 1000 + 512);   // stopped soon after the hold time
}

TEST(TailTrimmer, QuietGapShorterThanHoldStaysInTail) {
    // Loud, 900 quiet frames (a long pre-delay, say), loud again, then silence.
    std::vector<float> s(6000, 0.0f);
    for (int i = 0; i < 100; ++i) s[i] = kLoud;
    for (int i = 1000; i < 1100; ++i) s[i] = -kLoud;
    TailTrimmer t(kTailThreshold, 1000, 100000);
    const auto out = trim(t, s, 300);
    ASSERT_EQ(out.size(), 1100u);
    EXPECT_EQ(std::vector<float>(out.begin(), out.end()), std::vector<float>(s.begin(), s.begin() + 1100));

    // With a shorter hold the gap ends the tail.
    TailTrimmer shortHold(kTailThreshold, 800, 100000);
    EXPECT_EQ(trim(shortHold, s, 300).size(), 100u);
}

TEST(TailTrimmer, LimitCutsAnEndlessTail) {
    std::vector<float> s(10000, kLoud);
    TailTrimmer t(kTailThreshold, 100, 2500);
    const auto out = trim(t, s, 512);
    EXPECT_EQ(out.size(), 2500u);
    EXPECT_EQ(t.consumedFrames(), 2500);
    EXPECT_TRUE(t.finished());

    TailTrimmer none(kTailThreshold, 100, 0);
    EXPECT_TRUE(none.finished());
    EXPECT_TRUE(trim(none, s, 512).empty());
}

TEST(TailTrimmer, ThresholdIsMinus90DbfsAndNonFiniteCountsAsLoud) {
    EXPECT_NEAR(20.0 * std::log10(kTailThreshold), -90.0, 1e-4);
    std::vector<float> s(3000, 0.0f);
    s[10] = kTailThreshold;                  // at the threshold: still tail
    s[20] = kTailThreshold * 0.999f;         // just below: quiet
    TailTrimmer a(kTailThreshold, 500, 100000);
    EXPECT_EQ(trim(a, s, 64).size(), 11u);

    s[400] = std::numeric_limits<float>::quiet_NaN();
    TailTrimmer b(kTailThreshold, 500, 100000);
    EXPECT_EQ(trim(b, s, 64).size(), 401u);
}

TEST(RenderLoop, InputIsWrittenWholeAndTailFollowsTheEcho) {
    // 1000 frames in, an echo every 441 frames decaying by 0.5: it falls below -90 dBFS
    // (3.16e-5) after the 15th echo, at frame 15 * 441 = 6615.
    MemorySource src = impulseSource(1000);
    EchoProcessor fx(441, 0.5f);
    MemorySink sink;
    RenderSettings rs;
    rs.maxTailFrames = 44100;
    rs.holdFrames = 2000;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(renderStream(src, fx, sink, rs, nullptr, stats, error)) << error;
    EXPECT_EQ(stats.inputFrames, 1000);
    EXPECT_EQ(stats.outputFrames(), 6616);
    ASSERT_EQ(static_cast<long>(sink.left.size()), stats.outputFrames());
    EXPECT_FLOAT_EQ(sink.left[0], 1.0f);
    EXPECT_FLOAT_EQ(sink.left[441], 1.0f);
    EXPECT_FLOAT_EQ(sink.right[882], -0.5f);
    EXPECT_NEAR(sink.left[6615], std::pow(0.5f, 14), 1e-9);
    EXPECT_FLOAT_EQ(stats.peak, 1.0f);
    EXPECT_EQ(stats.nonFinite, 0);
    for (int n : fx.blockSizes) EXPECT_EQ(n, 512);   // whole blocks, also at the end
}

TEST(RenderLoop, TailLimitAndNoTail) {
    RenderSettings rs;
    rs.holdFrames = 2000;
    rs.maxTailFrames = 3000;
    RenderStats stats;
    std::string error;
    {
        MemorySource src = impulseSource(1000);
        EchoProcessor fx(441, 0.5f);
        MemorySink sink;
        ASSERT_TRUE(renderStream(src, fx, sink, rs, nullptr, stats, error)) << error;
        EXPECT_EQ(stats.tailFrames, 2970);   // last echo inside the limit: frame 9 * 441 = 3969
        EXPECT_EQ(sink.left.size(), 3970u);
    }
    {
        // No tail: exactly the input length, and the peak counts only what was written.
        // The echoes grow: 0.5 at frame 980 is written, 0.95 at 1010 falls after the input.
        std::vector<float> l(1000, 0.0f);
        l[950] = 0.5f;
        MemorySource src(l, l, 44100);
        EchoProcessor fx(30, 1.9f);
        MemorySink sink;
        rs.maxTailFrames = 0;
        ASSERT_TRUE(renderStream(src, fx, sink, rs, nullptr, stats, error)) << error;
        EXPECT_EQ(sink.left.size(), 1000u);
        EXPECT_EQ(stats.tailFrames, 0);
        EXPECT_FLOAT_EQ(stats.peak, 0.5f);
    }
}

TEST(RenderLoop, PrerollIsProcessedButNeverWritten) {
    MemorySource src = impulseSource(700);
    EchoProcessor fx(441, 0.0f, 1500);   // loud for its first 1500 frames
    MemorySink sink;
    RenderSettings rs;
    rs.prerollFrames = 1536;
    rs.maxTailFrames = 0;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(renderStream(src, fx, sink, rs, nullptr, stats, error)) << error;
    ASSERT_EQ(sink.left.size(), 700u);
    EXPECT_FLOAT_EQ(sink.left[0], 1.0f);
    EXPECT_FLOAT_EQ(sink.left[1], 0.0f);
    EXPECT_EQ(fx.blockSizes.size(), 3u + 2u);   // three of preroll, two of input
}

TEST(RenderLoop, NonFiniteOutputIsCountedAndWrittenAsSilence) {
    std::vector<float> l(600, 0.2f);
    MemorySource src(l, l, 44100);
    PoisonProcessor fx;
    MemorySink sink;
    RenderSettings rs;
    rs.maxTailFrames = 0;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(renderStream(src, fx, sink, rs, nullptr, stats, error)) << error;
    EXPECT_EQ(stats.nonFinite, 2);   // frame 3 of each of the two blocks
    EXPECT_EQ(sink.right[3], 0.0f);
    EXPECT_EQ(sink.right[515], 0.0f);
    for (float v : sink.right) EXPECT_TRUE(std::isfinite(v));
}

TEST(RenderLoop, FailuresStopTheRender) {
    RenderSettings rs;
    rs.maxTailFrames = 44100;
    RenderStats stats;
    std::string error;
    {
        FailingSource src;
        EchoProcessor fx(10, 0.0f);
        MemorySink sink;
        EXPECT_FALSE(renderStream(src, fx, sink, rs, nullptr, stats, error));
        EXPECT_NE(error.find("x.flac"), std::string::npos);
    }
    {
        std::vector<float> l(5000, 0.1f);
        MemorySource src(l, l, 44100);
        EchoProcessor fx(10, 0.0f);
        MemorySink sink;
        sink.failAfter = 2000;
        EXPECT_FALSE(renderStream(src, fx, sink, rs, nullptr, stats, error));
        EXPECT_EQ(error, "disk full");
    }
}

TEST(ProgressLine, ShowsInputShareThenTail) {
    EXPECT_EQ(progressLine(0, 441000, 0, 44100, 10), "[----------]   0%  0.0 / 10.0 s");
    EXPECT_EQ(progressLine(220500, 441000, 0, 44100, 10), "[#####-----]  50%  5.0 / 10.0 s");
    EXPECT_EQ(progressLine(441000, 441000, 66150, 44100, 10),
              "[##########] 100%  10.0 / 10.0 s  + tail 1.5 s");
    // Nothing odd for an empty total or a count past the end.
    EXPECT_EQ(progressLine(5, 0, 0, 44100, 4), "[####] 100%  0.0 / 0.0 s");
    EXPECT_EQ(progressLine(900, 100, 0, 100, 4), "[####] 100%  9.0 / 1.0 s");
}

TEST(ProgressBar, DrawsNothingWhenDisabled) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        ProgressBar off(false, 1000, 100, out);
        off.update(500, 0);
        off.finish();
    }
    std::fflush(out);
    EXPECT_EQ(size, 0u);
    {
        ProgressBar on(true, 1000, 100, out);
        on.update(500, 0);
        on.finish();
    }
    std::fflush(out);
    const std::string drawn(text, size);
    EXPECT_NE(drawn.find("50%"), std::string::npos);
    EXPECT_EQ(drawn.back(), '\r');   // the line is cleared again
    std::fclose(out);
    free(text);
}
