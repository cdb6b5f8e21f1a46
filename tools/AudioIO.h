#pragma once
// Audio in and out for moltaro-render: sources that deliver planar stereo blocks (a
// file read through libsndfile, or samples held in memory), and a WAV writer that
// never leaves a half-written file behind.

#include <cstdint>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "Options.h"

typedef struct sf_private_tag SNDFILE;

namespace render {

// Delivers audio as two planar channels; a mono source gives the same samples in both.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual int channels() const = 0;        // 1 or 2: what the source really holds
    virtual int sampleRate() const = 0;
    virtual int64_t totalFrames() const = 0;
    // Reads up to maxFrames frames; returns the count read (0 at the end), or -1 with error set.
    virtual long read(float* left, float* right, long maxFrames, std::string& error) = 0;
};

class MemorySource : public AudioSource {
public:
    MemorySource(std::vector<float> left, std::vector<float> right, int sampleRate, int channels = 2);
    int channels() const override { return channels_; }
    int sampleRate() const override { return rate_; }
    int64_t totalFrames() const override { return static_cast<int64_t>(left_.size()); }
    long read(float* left, float* right, long maxFrames, std::string& error) override;

private:
    std::vector<float> left_, right_;
    int rate_;
    int channels_;
    size_t pos_ = 0;
};

class SoundFileSource : public AudioSource {
public:
    SoundFileSource() = default;
    ~SoundFileSource() override;
    SoundFileSource(const SoundFileSource&) = delete;
    SoundFileSource& operator=(const SoundFileSource&) = delete;

    // Opens any file libsndfile reads. Refuses files with more than two channels,
    // without audio, or at a rate the effect cannot run at (above 200000 Hz).
    bool open(const std::string& path, std::string& error);
    int channels() const override { return channels_; }
    int sampleRate() const override { return rate_; }
    int64_t totalFrames() const override { return frames_; }
    long read(float* left, float* right, long maxFrames, std::string& error) override;
    // Short description of the container and encoding, e.g. "FLAC 16-bit".
    const std::string& formatDescription() const { return formatText_; }

private:
    SNDFILE* file_ = nullptr;
    std::string path_;
    int channels_ = 0;
    int rate_ = 0;
    int64_t frames_ = 0;
    std::string formatText_;
    std::vector<float> interleaved_;
};

// Receives the rendered stereo output.
class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual bool write(const float* left, const float* right, long frames, std::string& error) = 0;
};

// Writes a WAV file (stereo unless told otherwise) through a temporary file beside the
// target, renamed over the target only by commit(). Anything else (an error,
// destruction, discard) removes the temporary file and leaves an existing target untouched.
class AtomicWavWriter : public AudioSink {
public:
    AtomicWavWriter() = default;
    ~AtomicWavWriter() override;
    AtomicWavWriter(const AtomicWavWriter&) = delete;
    AtomicWavWriter& operator=(const AtomicWavWriter&) = delete;

    // maxFrames: the most frames the file may get; beyond 4 GiB of audio it is written as RF64.
    bool open(const std::string& target, int sampleRate, SampleFormat format, int64_t maxFrames,
              std::string& error, int channels = 2);
    bool write(const float* left, const float* right, long frames, std::string& error) override;
    // frames of all channels, interleaved.
    bool writeInterleaved(const float* samples, long frames, std::string& error);
    bool commit(std::string& error);
    void discard();
    const std::string& temporaryPath() const { return out_.temporaryPath(); }

private:
    SNDFILE* file_ = nullptr;
    AtomicFile out_;
    int channels_ = 2;
    std::vector<float> interleaved_;
};

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace render
