// The measuring commands of moltaro-render, run as a user would: impulse responses that a
// convolution can use, reports and their failures.
#ifdef MOLTARO_HAVE_RENDER

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cairo.h>

#include <filesystem>
#include <map>

#include "Fft.h"
#include "RenderCommand.h"
#include "dsp/network_checks.h"

extern char** environ;

using namespace toolstest;

namespace {

// The first program of each algorithm, by the listing's number and algorithm columns.
std::vector<std::pair<std::string, std::string>> firstProgramOfEachAlgorithm(const ScratchDir& dir) {
    std::vector<std::pair<std::string, std::string>> found;
    std::istringstream list(render(dir, {"--list-presets"}).out);
    for (std::string line; std::getline(list, line);) {
        const auto tab1 = line.find('\t'), tab2 = line.rfind('\t');
        const std::string algorithm = line.substr(tab2 + 1);
        bool seen = false;
        for (const auto& f : found) seen = seen || f.second == algorithm;
        if (!seen) found.push_back({line.substr(0, tab1), algorithm});
    }
    return found;
}

Audio stereoNoise(int rate, double seconds, float level, unsigned seed) {
    Audio a;
    a.channels = 2;
    a.rate = rate;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-level, level);
    a.samples.resize(static_cast<size_t>(seconds * rate) * 2);
    for (float& v : a.samples) v = u(rng);
    return a;
}

std::vector<double> channel(const Audio& a, int c) {
    std::vector<double> x(static_cast<size_t>(a.frames()));
    for (long i = 0; i < a.frames(); ++i) x[static_cast<size_t>(i)] = a.at(i, c);
    return x;
}

// Level in dB of (wet render - input convolved with the impulse responses) against the
// wet render, over its first `frames` frames.
double convolutionResidualDb(const Audio& in, const Audio& ir, const Audio& wet, long frames) {
    double error = 0, signal = 0;
    for (int out = 0; out < 2; ++out) {
        const auto fromLeft = analysis::convolve(channel(in, 0), channel(ir, out));
        const auto fromRight = analysis::convolve(channel(in, 1), channel(ir, 2 + out));
        for (long i = 0; i < std::min(frames, wet.frames()); ++i) {
            const size_t k = static_cast<size_t>(i);
            const double predicted = (k < fromLeft.size() ? fromLeft[k] : 0.0) + (k < fromRight.size() ? fromRight[k] : 0.0);
            error += (wet.at(i, out) - predicted) * (wet.at(i, out) - predicted);
            signal += double(wet.at(i, out)) * wet.at(i, out);
        }
    }
    return 10 * std::log10(error / signal);
}

// The header and the one row of a CSV file, by column name.
std::map<std::string, std::string> csvFields(const std::string& text) {
    std::istringstream in(text);
    std::string header, row;
    std::getline(in, header);
    std::getline(in, row);
    auto split = [](const std::string& line) {
        std::vector<std::string> f(1);
        for (char c : line) {
            if (c == ',') f.emplace_back();
            else f.back().push_back(c);
        }
        return f;
    };
    const auto names = split(header), values = split(row);
    std::map<std::string, std::string> fields;
    for (size_t i = 0; i < names.size() && i < values.size(); ++i) fields[names[i]] = values[i];
    return fields;
}

std::set<std::string> ScratchDirView(const std::string& path) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec)) names.insert(e.path().filename());
    return names;
}

}  // namespace

// The first program of each algorithm. A wet render of noise against the noise convolved
// with the program's impulse responses: every algorithm but the Spring, whose loop gain
// follows the level in its springs, is linear and time-invariant at 44100 Hz, so the two
// agree to the float rounding; the Spring's differ. And the reported reverberation time
// against the engine tests' -30 dB time of the same response, which an exponential
// decay reaches half a reverberation time after it starts: the engine's measure counts
// from its loudest 10 ms, broadband, so early reflections above the tail shorten it and
// a slow build-up lengthens it, within the bounds below for every factory program.
TEST(MeasureCommand, ConvolutionReproducesTheWetRenderAndDecayAgreesWithTheEngineTests) {
    ScratchDir dir;
    const auto programs = firstProgramOfEachAlgorithm(dir);
    ASSERT_EQ(programs.size(), 9u);
    for (const auto& p : programs) {
        SCOPED_TRACE(p.second);
        ASSERT_EQ(render(dir, {"-p", p.first, "--ir", dir.file("ir.wav"), "--csv", dir.file("f.csv")}).status, 0);
        Audio ir;
        ASSERT_TRUE(readAudio(dir.file("ir.wav"), ir));
        ASSERT_EQ(ir.channels, 4);
        // Both inputs at once, as the engine tests feed them: channels 1 and 3 from the
        // left and right input to the left output, 2 and 4 to the right.
        coretest::Signal left(ir.frames()), right(ir.frames());
        for (long i = 0; i < ir.frames(); ++i) {
            left[i] = ir.at(i, 0) + ir.at(i, 2);
            right[i] = ir.at(i, 1) + ir.at(i, 3);
        }
        const auto figures = csvFields(slurp(dir.file("f.csv")));
        const double tMid = (std::stod(figures.at("t30_500")) + std::stod(figures.at("t30_1000"))) / 2;
        const double engine = coretest::decayTime30dB(left, right, 44100.0);
        const double ratio = engine / (std::stod(figures.at("arrival_ms")) / 1000 + tMid / 2);
        std::printf("%-10s engine -30 dB time %.2f s, T30 (500 Hz, 1 kHz) %.2f s: ratio %.2f\n", p.second.c_str(),
                    engine, tMid, ratio);
        EXPECT_GT(ratio, 0.45);
        EXPECT_LT(ratio, 2.0);
        // The Spring at a second, lower level too: its error changes with the level.
        for (float level : {0.5f, 0.005f}) {
            if (level < 0.1f && p.second != "Spring") continue;
            const Audio in = stereoNoise(44100, 0.3, level, 11);
            ASSERT_TRUE(writeAudio(dir.file("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
            ASSERT_EQ(render(dir, {dir.file("in.wav"), "-p", p.first, "--set", "Mix=1", "-q", "-o", dir.file("wet.wav")}).status, 0);
            Audio wet;
            ASSERT_TRUE(readAudio(dir.file("wet.wav"), wet));
            // Within the response's length the file's end at -90 dBFS plays no part.
            const double residual = convolutionResidualDb(in, ir, wet, std::min(ir.frames(), in.frames() * 2));
            std::printf("%-10s input peak %5.1f dBFS: convolution residual %6.1f dB\n", p.second.c_str(),
                        20 * std::log10(level), residual);
            if (p.second == "Spring") EXPECT_GT(residual, -40.0);
            else EXPECT_LT(residual, -85.0);
        }
    }
}


// The response file: four channels of 32-bit float at the chosen rate, wet only (silent
// until the reverb arrives, where a dry path would show at once), ending at -90 dBFS.
// At 96 kHz, where the responses are averaged over impulse positions, the analysis
// still follows them as far down as at 44.1 kHz.
TEST(MeasureCommand, ImpulseResponseFile) {
    ScratchDir dir;
    const RunResult r =
        render(dir, {"-p", "Basic Hall", "--rate", "96000", "--ir", dir.file("hall.wav"), "--csv", dir.file("hall.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio ir;
    ASSERT_TRUE(readAudio(dir.file("hall.wav"), ir));
    EXPECT_EQ(ir.channels, 4);
    EXPECT_EQ(ir.rate, 96000);
    EXPECT_EQ(ir.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_LT(peakOf(ir, 0, 96), 1e-6f) << "a dry signal in the first millisecond";
    EXPECT_GT(peakOf(ir), 1e-3f);
    float last = 0, sideways = 0, crossed = 0;
    for (int c = 0; c < 4; ++c) last = std::max(last, std::fabs(ir.at(ir.frames() - 1, c)));
    EXPECT_GE(last, 3.16e-5f);
    EXPECT_LT(peakOf(ir, ir.frames() - 9600, ir.frames()), 1e-3f);
    for (long i = 0; i < ir.frames(); ++i) {
        sideways = std::max(sideways, std::fabs(ir.at(i, 0) - ir.at(i, 3)));   // left-left against right-right
        crossed = std::max(crossed, std::fabs(ir.at(i, 1)));
    }
    EXPECT_GT(sideways, 1e-3f) << "the two inputs' responses are the same";
    EXPECT_GT(crossed, 1e-3f) << "nothing crosses from the left input to the right output";
    EXPECT_GT(std::stod(csvFields(slurp(dir.file("hall.csv"))).at("range_db_1000")), 60.0);
}

// The page, the table and the CSV tell the same figures; SVG by the name.
TEST(MeasureCommand, ReportTableAndCsvAgree) {
    ScratchDir dir;
    const RunResult r = render(dir, {"-p", "Small Room", "--report", dir.file("room.svg"), "--report", dir.file("room.png"),
                                     "--csv", dir.file("room.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_FALSE(std::ifstream(dir.file("room.svg")).good()) << "the last --report wins";
    cairo_surface_t* page = cairo_image_surface_create_from_png(dir.file("room.png").c_str());
    EXPECT_EQ(cairo_surface_status(page), CAIRO_STATUS_SUCCESS);
    EXPECT_GT(cairo_image_surface_get_width(page), 1000);
    cairo_surface_destroy(page);

    const std::string csv = slurp(dir.file("room.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
    auto v = csvFields(csv);
    EXPECT_EQ(v["number"], "8");
    EXPECT_EQ(v["name"], "Small Room");
    EXPECT_EQ(v["algorithm"], "Room");
    // The table's 1 kHz line carries the CSV's figures, rounded.
    std::istringstream table(r.out);
    std::string line, band;
    while (std::getline(table, line) && line.rfind("1 kHz", 0) != 0) {
    }
    double edt, t20, t30;
    ASSERT_EQ(std::sscanf(line.c_str(), "1 kHz %lf %lf %lf", &edt, &t20, &t30), 3) << r.out;
    EXPECT_NEAR(edt, std::stod(v["edt_1000"]), 0.006);
    EXPECT_NEAR(t30, std::stod(v["t30_1000"]), 0.006);
    EXPECT_GT(t30, 0.3);
    EXPECT_LT(t30, 3.0);

    ASSERT_EQ(render(dir, {"-p", "Small Room", "--report", dir.file("room.svg")}).status, 0);
    EXPECT_EQ(slurp(dir.file("room.svg")).find("<svg"), 39u);
}

// Settings that hardly decay within the window: no invented figures.
TEST(MeasureCommand, DecayBeyondTheWindowSaysNotReached) {
    ScratchDir dir;
    const RunResult r = render(dir, {"-p", "Basic Club", "--set", "Decay=1", "--set", "HighDamp=0", "--tail", "3",
                                     "--csv", dir.file("club.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("not reached"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3.0 s window"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cut at the window's end"), std::string::npos) << r.out;
    EXPECT_NE(slurp(dir.file("club.csv")).find(",,,,,,,"), std::string::npos) << "T30 columns not empty";
}

TEST(MeasureCommand, FailuresAreOneLineAndLeaveNoFiles) {
    ScratchDir dir;
    std::ofstream(dir.file("plain")) << "not a folder";
    expectCleanFailure(dir, {"-p", "No Such Program", "--report", dir.file("r.png")}, "No Such Program");
    expectCleanFailure(dir, {"--rate", "10000", "--ir", dir.file("ir.wav")}, "--rate");
    expectCleanFailure(dir, {"--rate", "250000", "--report", dir.file("r.png")}, "--rate");
    expectCleanFailure(dir, {"-p", "1", "--report", dir.file("plain/r.png")}, "plain/r.png");
    expectCleanFailure(dir, {"-p", "1", "--csv", dir.file("missing/r.csv")}, "missing/r.csv");
    expectCleanFailure(dir, {"--report-all", dir.file("plain")}, "plain");
    expectCleanFailure(dir, {"--report-all", dir.file("plain/sub")}, "plain/sub");
    expectCleanFailure(dir, {"in.wav", "--ir", dir.file("ir.wav")}, "input file");
    expectCleanFailure(dir, {"--report-all", dir.file("bank"), "--csv", dir.file("all.csv")}, "--report-all");
}

// Ctrl-C part way through the bank leaves only complete pages.
TEST(MeasureCommand, InterruptedReportAllLeavesCompletePagesOnly) {
    ScratchDir dir;
    const std::string bin = std::string(MOLTARO_BUILD_DIR) + "/moltaro-render", out = dir.file("cut");
    const char* argv[] = {bin.c_str(), "--report-all", out.c_str(), "-q", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, bin.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 1000 && ScratchDirView(out).size() < 3; ++i) usleep(10000);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGINT) << status;
    for (const auto& n : ScratchDirView(out)) {
        EXPECT_NE(n[0], '.') << "unfinished file " << n;
        cairo_surface_t* page = cairo_image_surface_create_from_png((out + "/" + n).c_str());
        EXPECT_EQ(cairo_surface_status(page), CAIRO_STATUS_SUCCESS) << n;
        cairo_surface_destroy(page);
    }
}

#endif  // MOLTARO_HAVE_RENDER
