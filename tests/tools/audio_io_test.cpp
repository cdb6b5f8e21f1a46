#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "ToolsSupport.h"
#include "tools/AtomicFile.h"
#include "tools/AudioIO.h"

using namespace render;
using toolstest::Audio;
using toolstest::ScratchDir;

namespace {

// Reads a source to its end in blocks of the given size.
bool drain(AudioSource& s, long block, std::vector<float>& l, std::vector<float>& r, std::string& error) {
    std::vector<float> bl(block), br(block);
    for (;;) {
        const long n = s.read(bl.data(), br.data(), block, error);
        if (n < 0) return false;
        if (n == 0) return true;
        l.insert(l.end(), bl.begin(), bl.begin() + n);
        r.insert(r.end(), br.begin(), br.begin() + n);
    }
}

}  // namespace

TEST(SoundFileSource, ReadsStereoAndMonoInEveryContainer) {
    ScratchDir dir;
    struct Case {
        const char* name;
        int format;
        float tolerance;
    } cases[] = {
        {"s.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0f},
        {"s.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1e-6f},
        {"s.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1e-4f},
        {"s.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.05f},
    };
    for (const Case& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::string(c.name) + " channels " + std::to_string(channels));
            const Audio a = toolstest::bursts(channels, 48000, 1.3);
            const std::string path = dir.file(std::to_string(channels) + c.name);
            ASSERT_TRUE(toolstest::writeAudio(path, a, c.format));

            SoundFileSource src;
            std::string error;
            ASSERT_TRUE(src.open(path, error)) << error;
            EXPECT_EQ(src.channels(), channels);
            EXPECT_EQ(src.sampleRate(), 48000);
            EXPECT_EQ(src.totalFrames(), a.frames());
            std::vector<float> l, r;
            ASSERT_TRUE(drain(src, 500, l, r, error)) << error;
            ASSERT_EQ(static_cast<long>(l.size()), a.frames());
            float worst = 0;
            for (long i = 0; i < a.frames(); ++i) {
                worst = std::max(worst, std::fabs(l[i] - a.at(i, 0)));
                // A mono file gives the same samples on both channels.
                worst = std::max(worst, std::fabs(r[i] - a.at(i, channels - 1)));
            }
            EXPECT_LE(worst, c.tolerance);
        }
    }
}

TEST(SoundFileSource, RefusesWhatCannotBeRendered) {
    ScratchDir dir;
    std::string error;
    {
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.file("missing.wav"), error));
        EXPECT_NE(error.find("missing.wav"), std::string::npos) << error;
        EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    }
    {
        std::ofstream(dir.file("text.wav")) << "this is not audio at all, just some words\n";
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.file("text.wav"), error));
        EXPECT_NE(error.find("text.wav"), std::string::npos) << error;
        EXPECT_NE(error.find("format"), std::string::npos) << error;
    }
    {
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.path(), error));
        EXPECT_NE(error.find("directory"), std::string::npos) << error;
    }
    {
        ASSERT_TRUE(toolstest::writeAudio(dir.file("six.wav"), toolstest::bursts(6, 44100, 0.1),
                                          SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.file("six.wav"), error));
        EXPECT_NE(error.find("6 channels"), std::string::npos) << error;
    }
    {
        Audio empty;
        empty.channels = 2;
        empty.rate = 44100;
        ASSERT_TRUE(toolstest::writeAudio(dir.file("empty.wav"), empty, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.file("empty.wav"), error));
        EXPECT_NE(error.find("no audio"), std::string::npos) << error;
    }
    {
        ASSERT_TRUE(toolstest::writeAudio(dir.file("fast.wav"), toolstest::bursts(2, 384000, 0.05),
                                          SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        SoundFileSource s;
        EXPECT_FALSE(s.open(dir.file("fast.wav"), error));
        EXPECT_NE(error.find("384000"), std::string::npos) << error;
    }
}

TEST(MemorySource, DeliversInPiecesThenEnds) {
    MemorySource s({1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, 44100);
    std::string error;
    std::vector<float> l, r;
    ASSERT_TRUE(drain(s, 2, l, r, error));
    EXPECT_EQ(l, (std::vector<float>{1, 2, 3, 4, 5}));
    EXPECT_EQ(r, (std::vector<float>{6, 7, 8, 9, 10}));
    float x, y;
    EXPECT_EQ(s.read(&x, &y, 1, error), 0);
}

TEST(AtomicWavWriter, WritesEachFormatAndRoundTrips) {
    ScratchDir dir;
    std::vector<float> l(1000), r(1000);
    for (int i = 0; i < 1000; ++i) {
        l[i] = std::sin(i * 0.01f) * 0.9f;
        r[i] = -l[i] * 0.5f;
    }
    struct Case {
        SampleFormat format;
        int subtype;
        float tolerance;
    } cases[] = {{SampleFormat::Float, SF_FORMAT_FLOAT, 0.0f},
                 {SampleFormat::Pcm24, SF_FORMAT_PCM_24, 2e-7f},
                 {SampleFormat::Pcm16, SF_FORMAT_PCM_16, 5e-5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(sampleFormatName(c.format));
        const std::string path = dir.file(std::string("out-") + sampleFormatName(c.format) + ".wav");
        AtomicWavWriter w;
        std::string error;
        ASSERT_TRUE(w.open(path, 96000, c.format, 1000, error)) << error;
        ASSERT_TRUE(w.write(l.data(), r.data(), 600, error)) << error;
        ASSERT_TRUE(w.write(l.data() + 600, r.data() + 600, 400, error)) << error;
        ASSERT_TRUE(w.commit(error)) << error;

        Audio a;
        ASSERT_TRUE(toolstest::readAudio(path, a));
        EXPECT_EQ(a.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);   // plain WAV, not RF64
        EXPECT_EQ(a.format & SF_FORMAT_SUBMASK, c.subtype);
        EXPECT_EQ(a.channels, 2);
        EXPECT_EQ(a.rate, 96000);
        ASSERT_EQ(a.frames(), 1000);
        for (long i = 0; i < 1000; ++i) {
            ASSERT_NEAR(a.at(i, 0), l[i], c.tolerance) << i;
            ASSERT_NEAR(a.at(i, 1), r[i], c.tolerance) << i;
        }
    }
    // Only the finished files remain: no temporary files beside them.
    EXPECT_EQ(dir.entries().size(), 3u);

    // A render that may pass 4 GiB goes into RF64.
    AtomicWavWriter big;
    std::string error;
    ASSERT_TRUE(big.open(dir.file("big.wav"), 48000, SampleFormat::Float, int64_t(600000000), error)) << error;
    ASSERT_TRUE(big.write(l.data(), r.data(), 10, error) && big.commit(error)) << error;
    Audio a;
    ASSERT_TRUE(toolstest::readAudio(dir.file("big.wav"), a));
    EXPECT_EQ(a.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(a.frames(), 10);
}

TEST(AtomicWavWriter, PcmClipsInsteadOfWrapping) {
    ScratchDir dir;
    const std::string path = dir.file("loud.wav");
    std::vector<float> l = {1.5f, -2.0f, 0.5f}, r = {3.0f, -1.0f, -0.5f};
    AtomicWavWriter w;
    std::string error;
    ASSERT_TRUE(w.open(path, 44100, SampleFormat::Pcm16, 3, error)) << error;
    ASSERT_TRUE(w.write(l.data(), r.data(), 3, error));
    ASSERT_TRUE(w.commit(error)) << error;
    Audio a;
    ASSERT_TRUE(toolstest::readAudio(path, a));
    EXPECT_GT(a.at(0, 0), 0.99f);
    EXPECT_LT(a.at(1, 0), -0.99f);
    EXPECT_GT(a.at(0, 1), 0.99f);
    EXPECT_NEAR(a.at(2, 0), 0.5f, 1e-4f);
}

TEST(AtomicWavWriter, UnfinishedWriteLeavesExistingFileUntouched) {
    ScratchDir dir;
    const std::string path = dir.file("keep.wav");
    std::ofstream(path) << "old contents";
    std::vector<float> l(100, 0.25f), r(100, -0.25f);
    {
        AtomicWavWriter w;
        std::string error;
        ASSERT_TRUE(w.open(path, 44100, SampleFormat::Float, 1000, error)) << error;
        ASSERT_TRUE(w.write(l.data(), r.data(), 100, error));
        // The temporary file sits beside the target while rendering goes on.
        EXPECT_EQ(w.temporaryPath().rfind(dir.path() + "/.", 0), 0u) << w.temporaryPath();
        EXPECT_EQ(dir.entries().size(), 2u);
    }   // destroyed without commit: as after an error or an interruption
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.wav"});
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "old contents");

    // A committed write replaces it.
    AtomicWavWriter w;
    std::string error;
    ASSERT_TRUE(w.open(path, 44100, SampleFormat::Float, 1000, error)) << error;
    ASSERT_TRUE(w.write(l.data(), r.data(), 100, error));
    ASSERT_TRUE(w.commit(error)) << error;
    Audio a;
    ASSERT_TRUE(toolstest::readAudio(path, a));
    EXPECT_EQ(a.frames(), 100);
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(AtomicWavWriter, ImpossibleTargetsFailAtOpen) {
    ScratchDir dir;
    std::string error;
    AtomicWavWriter w;
    EXPECT_FALSE(w.open(dir.file("no/such/folder/out.wav"), 44100, SampleFormat::Float, 1000, error));
    EXPECT_NE(error.find("out.wav"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(w.open(dir.path(), 44100, SampleFormat::Float, 1000, error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    float x = 0;
    EXPECT_FALSE(w.write(&x, &x, 1, error));
    EXPECT_FALSE(w.commit(error));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(AtomicWavWriter, WriteInCurrentFolderWithoutSlash) {
    ScratchDir dir;
    const std::string old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    AtomicWavWriter w;
    std::string error;
    float x = 0.1f;
    const bool ok = w.open("here.wav", 44100, SampleFormat::Float, 1000, error) && w.write(&x, &x, 1, error) &&
                    w.commit(error);
    std::filesystem::current_path(old);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"here.wav"});
}

TEST(SameFile, RecognisesTheSameFileUnderAnotherName) {
    ScratchDir dir;
    std::ofstream(dir.file("a.wav")) << "x";
    std::ofstream(dir.file("b.wav")) << "x";
    EXPECT_TRUE(sameFile(dir.file("a.wav"), dir.path() + "/./a.wav"));
    EXPECT_FALSE(sameFile(dir.file("a.wav"), dir.file("b.wav")));
    EXPECT_FALSE(sameFile(dir.file("a.wav"), dir.file("missing.wav")));
}

// An interruption handled on one thread while another keeps making files (as the two
// threads of --report-all do): once the removal has run, no unfinished file is left and
// none appears before the program ends. In a child process, which ends as the
// interruption's handler would, with the other thread still running.
TEST(AtomicFile, NoUnfinishedFileOutlivesAnInterruption) {
    ScratchDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<int> made{0};
        std::thread writer([&] {
            std::vector<std::unique_ptr<AtomicFile>> open;
            for (int i = 0;; ++i) {
                auto f = std::make_unique<AtomicFile>();
                std::string error;
                if (!f->open(dir.file("page" + std::to_string(i % 4) + ".png"), error)) continue;
                ++made;
                open.push_back(std::move(f));
                if (open.size() > 3) open.erase(open.begin());
            }
        });
        writer.detach();
        while (made < 100) std::this_thread::yield();
        removeUnfinishedFiles();
        usleep(50000);   // the writer goes on meanwhile
        _exit(made < 100 ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}
