#include "AudioIO.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace render {

namespace {

// libsndfile's messages end in a full stop or a newline; ours are single lines.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string majorFormatName(int format) {
    SF_FORMAT_INFO info;
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name) return "audio";
    std::string name = info.name;
    const auto paren = name.find(" (");   // "WAV (Microsoft)" -> "WAV"
    if (paren != std::string::npos) name.erase(paren);
    return name;
}

}  // namespace

// ---------------------------------------------------------------------------------------

MemorySource::MemorySource(std::vector<float> left, std::vector<float> right, int sampleRate, int channels)
    : left_(std::move(left)), right_(std::move(right)), rate_(sampleRate), channels_(channels) {
    right_.resize(left_.size(), 0.0f);
}

long MemorySource::read(float* left, float* right, long maxFrames, std::string&) {
    const size_t n = std::min(static_cast<size_t>(std::max(0L, maxFrames)), left_.size() - pos_);
    std::copy_n(left_.begin() + pos_, n, left);
    std::copy_n(right_.begin() + pos_, n, right);
    pos_ += n;
    return static_cast<long>(n);
}

// ---------------------------------------------------------------------------------------

SoundFileSource::~SoundFileSource() {
    if (file_) sf_close(file_);
}

bool SoundFileSource::open(const std::string& path, std::string& error) {
    path_ = path;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot open " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "cannot read " + quoted(path) + ": it is a directory";
        return false;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_) {
        const int code = sf_error(nullptr);
        std::string why = oneLine(sf_strerror(nullptr));
        if (code == SF_ERR_UNRECOGNISED_FORMAT || code == SF_ERR_MALFORMED_FILE ||
            code == SF_ERR_UNSUPPORTED_ENCODING)
            why = "not an audio file in a format that can be read (" + why + ")";
        error = "cannot read " + quoted(path) + ": " + why;
        return false;
    }
    channels_ = info.channels;
    rate_ = info.samplerate;
    frames_ = info.frames;
    formatText_ = majorFormatName(info.format);
    if (channels_ < 1 || channels_ > 2) {
        error = "cannot render " + quoted(path) + ": it has " + std::to_string(channels_) +
                " channels; only mono and stereo files can be rendered";
        return false;
    }
    if (frames_ <= 0) {
        error = "cannot render " + quoted(path) + ": it contains no audio";
        return false;
    }
    if (rate_ <= 0 || rate_ > 200000) {
        error = "cannot render " + quoted(path) + ": its sample rate of " + std::to_string(rate_) +
                " Hz is above the effect's limit of 200000 Hz";
        return false;
    }
    return true;
}

long SoundFileSource::read(float* left, float* right, long maxFrames, std::string& error) {
    if (!file_ || maxFrames <= 0) return 0;
    interleaved_.resize(static_cast<size_t>(maxFrames) * channels_);
    const sf_count_t got = sf_readf_float(file_, interleaved_.data(), maxFrames);
    if (got < maxFrames && sf_error(file_) != SF_ERR_NO_ERROR) {
        error = "cannot read " + quoted(path_) + ": " + oneLine(sf_strerror(file_));
        return -1;
    }
    for (sf_count_t i = 0; i < got; ++i) {
        left[i] = interleaved_[static_cast<size_t>(i) * channels_];
        right[i] = interleaved_[static_cast<size_t>(i) * channels_ + channels_ - 1];
    }
    return static_cast<long>(got);
}

// ---------------------------------------------------------------------------------------

AtomicWavWriter::~AtomicWavWriter() { discard(); }

bool AtomicWavWriter::open(const std::string& target, int sampleRate, SampleFormat format,
                           int64_t maxFrames, std::string& error, int channels) {
    discard();
    channels_ = channels;
    if (!out_.open(target, error)) return false;

    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = sampleRate;
    info.channels = channels;
    int subtype = SF_FORMAT_FLOAT;
    if (format == SampleFormat::Pcm16) subtype = SF_FORMAT_PCM_16;
    if (format == SampleFormat::Pcm24) subtype = SF_FORMAT_PCM_24;
    // A WAV file holds at most 4 GiB of audio; only a render that might need more is
    // written as RF64, the WAV format's 64-bit extension.
    const int bytesPerFrame = channels * (format == SampleFormat::Pcm16 ? 2 : format == SampleFormat::Pcm24 ? 3 : 4);
    const bool large = maxFrames > (int64_t(0xffffffff) - 1024) / bytesPerFrame;
    info.format = (large ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | subtype;
    file_ = sf_open_fd(out_.fd(), SFM_WRITE, &info, SF_FALSE);
    if (!file_) {
        error = out_.failure(oneLine(sf_strerror(nullptr)));
        discard();
        return false;
    }
    if (format != SampleFormat::Float) sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AtomicWavWriter::write(const float* left, const float* right, long frames, std::string& error) {
    if (frames <= 0) return file_ ? true : writeInterleaved(nullptr, 0, error);
    interleaved_.resize(static_cast<size_t>(frames) * 2);
    for (long i = 0; i < frames; ++i) {
        interleaved_[2 * i] = left[i];
        interleaved_[2 * i + 1] = right[i];
    }
    return writeInterleaved(interleaved_.data(), frames, error);
}

bool AtomicWavWriter::writeInterleaved(const float* samples, long frames, std::string& error) {
    if (!file_) {
        error = out_.failure("the file is not open");
        return false;
    }
    if (frames <= 0) return true;
    const sf_count_t done = sf_writef_float(file_, samples, frames);
    if (done != frames) {
        const int code = sf_error(file_);
        error = out_.failure(code != SF_ERR_NO_ERROR ? oneLine(sf_strerror(file_)) : std::string("write failed"));
        discard();
        return false;
    }
    return true;
}

bool AtomicWavWriter::commit(std::string& error) {
    if (!file_) {
        error = out_.failure("the file is not open");
        return false;
    }
    const int closeResult = sf_close(file_);
    file_ = nullptr;
    if (closeResult != 0) {
        error = out_.failure(oneLine(sf_error_number(closeResult)));
        discard();
        return false;
    }
    return out_.commit(error);
}

void AtomicWavWriter::discard() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    out_.discard();
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace render
