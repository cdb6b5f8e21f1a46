#pragma once
// Helpers for the tools suite: a scratch folder per test and WAV files in and out.

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace toolstest {

class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/moltaro-tools-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of everything in the folder, hidden files included.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        return names;
    }

private:
    std::string path_;
};

struct Audio {
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<float> samples;   // interleaved
    long frames() const { return channels ? static_cast<long>(samples.size()) / channels : 0; }
    float at(long frame, int ch) const { return samples[static_cast<size_t>(frame) * channels + ch]; }
};

inline bool writeAudio(const std::string& path, const Audio& a, int format) {
    SF_INFO info{};
    info.samplerate = a.rate;
    info.channels = a.channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const sf_count_t n = sf_writef_float(f, a.samples.data(), a.frames());
    return sf_close(f) == 0 && n == a.frames();
}

inline bool readAudio(const std::string& path, Audio& a) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return false;
    a.channels = info.channels;
    a.rate = info.samplerate;
    a.format = info.format;
    a.samples.assign(static_cast<size_t>(info.frames) * info.channels, 0.0f);
    const sf_count_t n = sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return n == info.frames;
}

// A test signal: a decaying tone burst every half second, different on each channel.
inline Audio bursts(int channels, int rate, double seconds) {
    Audio a;
    a.channels = channels;
    a.rate = rate;
    const long frames = static_cast<long>(seconds * rate);
    a.samples.resize(static_cast<size_t>(frames) * channels);
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i % (rate / 2)) / rate;
        for (int c = 0; c < channels; ++c) {
            const double hz = 330.0 * (c + 1);
            a.samples[static_cast<size_t>(i) * channels + c] =
                static_cast<float>(0.4 * std::sin(6.283185307 * hz * t) * std::exp(-t * 12.0));
        }
    }
    return a;
}

}  // namespace toolstest
