#pragma once
// Running the built moltaro-render from a test, and checks shared by its tests.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <set>
#include <sstream>

#include "ToolsSupport.h"

namespace toolstest {

struct RunResult {
    int status = -1;
    std::string out, err;
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
};

inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs moltaro-render with the arguments; stdout and stderr go to files, never a terminal.
inline RunResult render(const ScratchDir& dir, const std::vector<std::string>& args) {
    std::string cmd = quote(std::string(MOLTARO_BUILD_DIR) + "/moltaro-render");
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " </dev/null >" + quote(dir.file(".stdout")) + " 2>" + quote(dir.file(".stderr"));
    RunResult r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir.file(".stdout"));
    r.err = slurp(dir.file(".stderr"));
    std::remove(dir.file(".stdout").c_str());
    std::remove(dir.file(".stderr").c_str());
    return r;
}

inline std::set<std::string> entries(const ScratchDir& dir) {
    const auto v = dir.entries();
    return std::set<std::string>(v.begin(), v.end());
}

inline float peakOf(const Audio& a, long from = 0, long to = -1) {
    if (to < 0) to = a.frames();
    float p = 0;
    for (long i = from; i < to; ++i)
        for (int c = 0; c < a.channels; ++c) p = std::max(p, std::fabs(a.at(i, c)));
    return p;
}

inline bool allFinite(const Audio& a) {
    for (float v : a.samples)
        if (!std::isfinite(v)) return false;
    return true;
}

// A failed run: non-zero exit, exactly one line on stderr naming the problem, nothing on
// stdout, and no file (not even a temporary one) left in the folder.
inline void expectCleanFailure(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& mention) {
    SCOPED_TRACE(testing::PrintToString(args));
    const auto before = entries(dir);
    const RunResult r = render(dir, args);
    EXPECT_NE(r.status, 0);
    const auto lines = r.errLines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind("moltaro-render: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(mention), std::string::npos) << lines[0];
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(entries(dir), before);
}

}  // namespace toolstest
