// End-to-end tests of the moltaro-render command: the built program is run as a user
// would run it, and its files are read back with libsndfile.
#ifdef MOLTARO_HAVE_RENDER

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "RenderCommand.h"

extern char** environ;

using namespace toolstest;

TEST(RenderCommand, TenSecondStereoFileThroughBasicHall) {
    ScratchDir dir;
    const Audio in = toolstest::bursts(2, 44100, 10.0);
    ASSERT_TRUE(toolstest::writeAudio(dir.file("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_PCM_24));

    const RunResult r = render(dir, {dir.file("in.wav"), "--preset", "Basic Hall", "-o", dir.file("hall.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio out;
    ASSERT_TRUE(toolstest::readAudio(dir.file("hall.wav"), out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // The whole input, then a reverb tail of at most 20 s.
    EXPECT_GE(out.frames(), 441000);
    EXPECT_LE(out.frames(), 441000 + 20 * 44100);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peakOf(out, 0, 441000), 0.1f);         // not silent
    EXPECT_LT(peakOf(out), 2.0f);                    // and not blown up
    // The output is not simply the input passed through: the mix takes the dry signal
    // down by 3 dB, and the reverb adds its own.
    double diff = 0;
    for (long i = 0; i < 441000; ++i) diff += std::fabs(out.at(i, 0) - in.at(i, 0));
    EXPECT_GT(diff / 441000, 1e-3);

    // The summary names input, output, preset, length and peak, on one line.
    const auto lines = r.errLines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);   // no progress bar without a terminal
    for (const char* part : {"in.wav", "hall.wav", "Basic Hall", "peak", "CPU", "real time"})
        EXPECT_NE(lines[0].find(part), std::string::npos) << part << " missing: " << lines[0];
}

TEST(RenderCommand, ReverbTailFollowsAndFallsBelowMinus90Dbfs) {
    ScratchDir dir;
    // Half a second of bursts, then the file ends.
    ASSERT_TRUE(toolstest::writeAudio(dir.file("short.wav"), toolstest::bursts(2, 44100, 0.5),
                                      SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    const RunResult r = render(dir, {dir.file("short.wav"), "-p", "22", "-o", dir.file("tail.wav"), "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;   // quiet
    Audio out;
    ASSERT_TRUE(toolstest::readAudio(dir.file("tail.wav"), out));
    const long in = 22050;
    ASSERT_GT(out.frames(), in + 4410) << "no reverb tail after the input";
    EXPECT_LE(out.frames(), in + 20 * 44100);
    EXPECT_TRUE(allFinite(out));
    // The tail carries the reverb, ends at its last sample at or above -90 dBFS, and
    // nothing louder follows it.
    EXPECT_GT(peakOf(out, in, in + 4410), 1e-3f);
    EXPECT_GE(peakOf(out, out.frames() - 1, out.frames()), 3.16e-5f);
    EXPECT_LT(peakOf(out, out.frames() - 4410, out.frames()), 1e-2f);

    // --tail limits it; --tail 0 keeps exactly the input's length.
    ASSERT_EQ(render(dir, {dir.file("short.wav"), "-p", "22", "-o", dir.file("t1.wav"), "--tail", "0.25"}).status, 0);
    ASSERT_TRUE(toolstest::readAudio(dir.file("t1.wav"), out));
    EXPECT_LE(out.frames(), in + 11025);
    ASSERT_EQ(render(dir, {dir.file("short.wav"), "-p", "22", "-o", dir.file("t0.wav"), "--tail", "0"}).status, 0);
    ASSERT_TRUE(toolstest::readAudio(dir.file("t0.wav"), out));
    EXPECT_EQ(out.frames(), in);
}

TEST(RenderCommand, ReverbIsThereFromTheFirstSample) {
    // The effect fades its wet signal in after being switched on, and mutes it for a
    // while across an algorithm change (the bank starts on Ambience, Basic Hall is a
    // Hall). A render must not start inside those fades: an impulse at frame 0, heard
    // wet only, must ring at once.
    ScratchDir dir;
    Audio impulse;
    impulse.channels = 2;
    impulse.rate = 44100;
    impulse.samples.assign(2 * 44100, 0.0f);
    impulse.samples[0] = impulse.samples[1] = 0.5f;
    ASSERT_TRUE(toolstest::writeAudio(dir.file("imp.wav"), impulse, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    for (const char* preset : {"Basic Hall", "Basic Plate"}) {
        SCOPED_TRACE(preset);
        const RunResult r = render(dir, {dir.file("imp.wav"), "-p", preset, "--set", "Mix=1", "-o", dir.file("w.wav")});
        ASSERT_EQ(r.status, 0) << r.err;
        Audio out;
        ASSERT_TRUE(toolstest::readAudio(dir.file("w.wav"), out));
        long first = -1;
        for (long i = 0; i < out.frames() && first < 0; ++i)
            if (std::fabs(out.at(i, 0)) > 1e-4f || std::fabs(out.at(i, 1)) > 1e-4f) first = i;
        EXPECT_GE(first, 0);
        EXPECT_LT(first, 4410) << "the reverb starts late: the render began inside a fade";
    }
}

TEST(RenderCommand, DryMixPassesTheInputThroughUnchanged) {
    // Mix 0 and Output 0.5 give exactly the dry signal: this checks the whole route from
    // file through the effect to file (channel order, alignment, gain, mono duplication).
    ScratchDir dir;
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        const Audio in = toolstest::bursts(channels, 48000, 1.7);
        ASSERT_TRUE(toolstest::writeAudio(dir.file("dry.flac"), in, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
        Audio decoded;
        ASSERT_TRUE(toolstest::readAudio(dir.file("dry.flac"), decoded));
        const RunResult r = render(dir, {dir.file("dry.flac"), "-p", "Basic Plate", "--set", "Mix=0", "--set",
                                   "output=0.5", "-o", dir.file("dry.wav"), "--tail", "0"});
        ASSERT_EQ(r.status, 0) << r.err;
        Audio out;
        ASSERT_TRUE(toolstest::readAudio(dir.file("dry.wav"), out));
        ASSERT_EQ(out.channels, 2);
        EXPECT_EQ(out.rate, 48000);
        ASSERT_EQ(out.frames(), decoded.frames());
        long mismatches = 0;
        for (long i = 0; i < out.frames(); ++i)
            for (int c = 0; c < 2; ++c)
                if (out.at(i, c) != decoded.at(i, std::min(c, channels - 1))) ++mismatches;
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(RenderCommand, DemoSoundInEachFormat) {
    ScratchDir dir;
    struct Case {
        const char* format;
        int subtype;
    } cases[] = {{"pcm16", SF_FORMAT_PCM_16}, {"pcm24", SF_FORMAT_PCM_24}, {"float", SF_FORMAT_FLOAT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const std::string path = dir.file(std::string("demo-") + c.format + ".wav");
        const RunResult r = render(dir, {"-p", "Basic Room", "--format", c.format, "--rate", "48000", "--tail", "2",
                                   "-o", path});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("demo sound"), std::string::npos) << r.err;
        Audio out;
        ASSERT_TRUE(toolstest::readAudio(path, out));
        EXPECT_EQ(out.format, SF_FORMAT_WAV | c.subtype);
        EXPECT_EQ(out.rate, 48000);
        EXPECT_GE(out.frames(), 4 * 48000);
        EXPECT_LE(out.frames(), 6 * 48000);
        EXPECT_GT(peakOf(out), 0.1f);
        EXPECT_TRUE(allFinite(out));
    }
}

TEST(RenderCommand, ErrorsAreOneLineAndLeaveNoFile) {
    ScratchDir dir;
    ASSERT_TRUE(toolstest::writeAudio(dir.file("ok.wav"), toolstest::bursts(2, 44100, 0.3),
                                      SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    std::ofstream(dir.file("notes.wav")) << "RIFF? no, just a text file pretending to be audio\n";
    const std::string out = dir.file("out.wav");

    expectCleanFailure(dir, {dir.file("missing.wav"), "-o", out}, "missing.wav");
    expectCleanFailure(dir, {dir.file("notes.wav"), "-o", out}, "notes.wav");
    expectCleanFailure(dir, {dir.file("ok.wav"), "-p", "Small Cathedral", "-o", out}, "Small Cathedral");
    expectCleanFailure(dir, {dir.file("ok.wav"), "-p", "53", "-o", out}, "53");
    expectCleanFailure(dir, {dir.file("ok.wav"), "--set", "Reverb=0.5", "-o", out}, "Reverb");
    expectCleanFailure(dir, {dir.file("ok.wav"), "--set", "Decay=1.5", "-o", out}, "Decay");
    expectCleanFailure(dir, {dir.file("ok.wav"), "--format", "mp3", "-o", out}, "mp3");
    expectCleanFailure(dir, {dir.file("ok.wav"), "--tail", "-1", "-o", out}, "--tail");
    expectCleanFailure(dir, {dir.file("ok.wav"), "--frobnicate", "-o", out}, "--frobnicate");
    expectCleanFailure(dir, {dir.file("ok.wav")}, "-o");
    expectCleanFailure(dir, {dir.file("ok.wav"), "-o", dir.file("nowhere/out.wav")}, "nowhere/out.wav");
    expectCleanFailure(dir, {dir.file("ok.wav"), "-o", dir.path()}, "directory");
    expectCleanFailure(dir, {dir.path(), "-o", out}, "directory");
}

TEST(RenderCommand, FailedRunNeverTouchesAnExistingOutput) {
    ScratchDir dir;
    ASSERT_TRUE(toolstest::writeAudio(dir.file("in.wav"), toolstest::bursts(1, 44100, 0.3),
                                      SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    std::ofstream(dir.file("keep.wav")) << "an earlier render";
    expectCleanFailure(dir, {dir.file("in.wav"), "-p", "No Such Program", "-o", dir.file("keep.wav")}, "No Such");
    expectCleanFailure(dir, {dir.file("gone.wav"), "-o", dir.file("keep.wav")}, "gone.wav");
    EXPECT_EQ(slurp(dir.file("keep.wav")), "an earlier render");

    // Rendering a file onto itself would destroy the source: refused.
    const std::string before = slurp(dir.file("in.wav"));
    expectCleanFailure(dir, {dir.file("in.wav"), "-o", dir.path() + "/./in.wav"}, "input");
    EXPECT_EQ(slurp(dir.file("in.wav")), before);
}

TEST(RenderCommand, InterruptionRemovesTheUnfinishedFile) {
    // The input is a pipe that delivers one second of a promised ten and then waits, so
    // the renderer is surely mid-render, blocked in a read, when Ctrl-C arrives.
    ScratchDir dir;
    const std::string fifo = dir.file("live.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(dir.file("out.wav")) << "previous render";

    const std::string bin = std::string(MOLTARO_BUILD_DIR) + "/moltaro-render";
    const std::string out = dir.file("out.wav"), err = dir.file("err.txt");
    const char* argv[] = {bin.c_str(), fifo.c_str(), "-o", out.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, bin.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    const int fd = open(fifo.c_str(), O_WRONLY);   // waits for the renderer to open it
    ASSERT_GE(fd, 0);
    const uint32_t rate = 44100, dataBytes = 10 * rate * 4;
    auto le = [](std::string& b, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    std::string wav = "RIFF";
    le(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    le(wav, 16, 4), le(wav, 1, 2), le(wav, 2, 2), le(wav, rate, 4), le(wav, rate * 4, 4), le(wav, 4, 2), le(wav, 16, 2);
    wav += "data";
    le(wav, dataBytes, 4);
    wav += std::string(rate * 4, '\x10');
    ASSERT_EQ(write(fd, wav.data(), wav.size()), static_cast<ssize_t>(wav.size()));

    // Wait until the output is being written: a temporary file beside the target.
    auto writing = [&] {
        for (const auto& name : dir.entries())
            if (name.rfind(".out.wav.", 0) == 0) return true;
        return false;
    };
    for (int i = 0; i < 500 && !writing(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(writing());

    kill(pid, SIGINT);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 500 && done == 0; ++i) {
        done = waitpid(pid, &status, WNOHANG);
        if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the renderer did not stop on Ctrl-C";
    }
    close(fd);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGINT) << status;
    EXPECT_EQ(entries(dir), (std::set<std::string>{"live.wav", "out.wav", "err.txt"}));
    EXPECT_EQ(slurp(out), "previous render");
    EXPECT_NE(slurp(err).find("moltaro-render: interrupted"), std::string::npos) << slurp(err);
}

TEST(RenderCommand, ListsAll53ProgramsWithTheirAlgorithm) {
    ScratchDir dir;
    const RunResult r = render(dir, {"--list-presets"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream fs(line);
        for (std::string f; std::getline(fs, f, '\t');) fields.push_back(f);
        ASSERT_EQ(fields.size(), 3u) << line;
        rows.push_back(fields);
    }
    ASSERT_EQ(rows.size(), 53u);
    std::map<std::string, int> perAlgorithm;
    for (int i = 0; i < 53; ++i) {
        EXPECT_EQ(rows[i][0], std::to_string(i));
        EXPECT_FALSE(rows[i][1].empty()) << "program " << i << " has no name";
        ++perAlgorithm[rows[i][2]];
    }
    // The factory bank: two neutral programs, then each algorithm's presets in a run.
    EXPECT_EQ(rows[0][1], "Current");
    EXPECT_EQ(rows[1][1], "Default");
    EXPECT_EQ(rows[22][1], "Basic Hall");
    EXPECT_EQ(rows[22][2], "Hall");
    EXPECT_EQ(rows[52][1], "Phat Drums");
    EXPECT_EQ(rows[52][2], "Plate");
    const std::map<std::string, int> expected = {{"Ambience", 7}, {"Room", 6},  {"Chamber", 4},
                                                 {"Club", 5},     {"Hall", 5},  {"Arena", 4},
                                                 {"Cathedral", 8}, {"Spring", 9}, {"Plate", 5}};
    EXPECT_EQ(perAlgorithm, expected);
    for (const auto& [algorithm, count] : expected) {
        (void)count;
        bool found = false;
        for (const auto& row : rows) found = found || row[1] == "Basic " + algorithm;
        EXPECT_TRUE(found) << "no \"Basic " << algorithm << "\"";
    }
}

TEST(RenderCommand, ListsParametersAfterProgramAndSettings) {
    ScratchDir dir;
    const RunResult r = render(dir, {"--list-params", "-p", "basic plate", "--set", "DECAY=0.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("# program \"Basic Plate\""), std::string::npos) << r.out;
    for (const char* row : {"0\tPower\t1\tOn", "1\tType\t", "3\tDecay\t0.25\t25%", "9\tMix\t0.5\t50%",
                            "10\tOutput\t0.5\t0.0dB"})
        EXPECT_NE(r.out.find(row), std::string::npos) << row << " missing in:\n" << r.out;
    EXPECT_NE(r.out.find("Plate"), std::string::npos);
    // The parameters without a function are not listed.
    EXPECT_EQ(r.out.find("\n11\t"), std::string::npos);
}

TEST(RenderCommand, ProgressBarOnlyOnATerminal) {
    ScratchDir dir;
    ASSERT_TRUE(toolstest::writeAudio(dir.file("in.wav"), toolstest::bursts(2, 44100, 3.0),
                                      SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    // script(1) gives the program a terminal; its output is what that terminal showed.
    const std::string inner = quote(std::string(MOLTARO_BUILD_DIR) + "/moltaro-render") + " " +
                              quote(dir.file("in.wav")) + " -o " + quote(dir.file("tty.wav"));
    const std::string cmd = "script -qec " + quote(inner) + " /dev/null </dev/null >" + quote(dir.file("tty.log")) +
                            " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string shown = slurp(dir.file("tty.log"));
    EXPECT_NE(shown.find('\r'), std::string::npos) << shown;
    EXPECT_NE(shown.find("/ 3.0 s"), std::string::npos) << shown;
    EXPECT_NE(shown.find("tty.wav"), std::string::npos) << shown;   // the summary follows

    // Quiet on a terminal too.
    const std::string quiet = "script -qec " + quote(inner + " -q") + " /dev/null </dev/null >" +
                              quote(dir.file("q.log")) + " 2>&1";
    ASSERT_EQ(std::system(quiet.c_str()), 0);
    EXPECT_EQ(slurp(dir.file("q.log")).find('%'), std::string::npos);
}

TEST(RenderCommand, HelpAndVersion) {
    ScratchDir dir;
    const RunResult help = render(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"--preset", "--set", "--format", "--tail", "--list-presets", "--list-params", "-o"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    const RunResult v = render(dir, {"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("moltaro-render ", 0), 0u);
}

#endif  // MOLTARO_HAVE_RENDER
