#include "ReportCommand.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "Lookup.h"
#include "Report.h"
#include "shell/Parameters.h"

namespace render {

namespace {

// The analysis follows a response further down than the -90 dBFS of the files, so that
// quieter bands keep enough range; the effect's silence gate closes at -120 dBFS.
constexpr float kAnalysisThreshold = 3.16227766e-6f;   // -110 dBFS

struct Measurement {
    ImpulseResponses ir;
    ProgramReport report;
};

bool measure(PluginHost& host, const ImpulseSettings& settings, int number, Measurement& m, std::string& error) {
    host.setParameter(kParamMix, 1.0f);   // wet only
    ImpulseSettings s = settings;
    s.threshold = std::min(s.threshold, kAnalysisThreshold);
    auto restart = [&] {
        host.stop();
        host.start(s.rate, s.blockSize);
    };
    if (!renderImpulseResponses(host, restart, s, m.ir, error)) return false;
    host.stop();
    ProgramReport& r = m.report;
    r.number = number;
    r.name = host.currentProgramName();
    r.algorithm = host.parameterDisplay(kParamType);
    const std::vector<std::string> names = host.parameterNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty()) r.parameters.push_back({names[i], host.parameterDisplay(static_cast<int>(i))});
    r.truncated = m.ir.truncated;
    const std::vector<float> left = m.ir.centreLeft(), right = m.ir.centreRight();
    std::vector<const std::vector<float>*> paths;
    for (const auto& p : m.ir.paths) paths.push_back(&p);
    r.figures = analysis::analyseResponse(s.rate, paths, left, right);
    return true;
}

bool writeResponseFile(const std::string& path, const ImpulseResponses& ir, std::string& error) {
    // Down to the last frame at or above -90 dBFS, as rendered tails end.
    size_t frames = 0;
    for (const auto& p : ir.paths)
        for (size_t i = p.size(); i > frames; --i)
            if (!(std::fabs(p[i - 1]) < kTailThreshold)) {
                frames = i;
                break;
            }
    frames = std::max<size_t>(frames, 1);
    std::vector<float> samples = ir.interleaved();
    samples.resize(frames * kPathCount);
    AtomicWavWriter writer;
    return writer.open(path, ir.rate, SampleFormat::Float, static_cast<int64_t>(frames), error, kPathCount) &&
           writer.writeInterleaved(samples.data(), static_cast<long>(frames), error) && writer.commit(error);
}

bool applySettings(PluginHost& host, const Options& o, std::string& error) {
    const std::vector<std::string> names = host.parameterNames();
    for (const ParamSetting& s : o.settings) {
        const int index = findParameter(s.name, names, error);
        if (index < 0) return false;
        host.setParameter(index, s.value);
    }
    return true;
}

// "22-basic-hall.png": the number keeps the bank's order, the name is for people.
std::string pageName(int number, const std::string& name) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", number);
    std::string s = prefix;
    bool dash = false;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (dash && s.back() != '-') s += '-';
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            dash = false;
        } else {
            dash = true;
        }
    }
    return s + ".png";
}

}  // namespace

bool measureProgram(PluginHost& host, const Options& o, const ImpulseSettings& s, int number, std::string& error) {
    Measurement m;
    if (!measure(host, s, number, m, error)) return false;
    if (!o.irFile.empty() && !writeResponseFile(o.irFile, m.ir, error)) return false;
    if (!o.reportFile.empty() &&
        !writeReportPage(o.reportFile, m.report, m.ir.centreLeft(), m.ir.centreRight(), error))
        return false;
    if (!o.csvFile.empty() && !writeTextFile(o.csvFile, csvHeader() + csvRow(m.report), error)) return false;
    if (!o.reportFile.empty() || !o.csvFile.empty()) std::fputs(figuresTable(m.report).c_str(), stdout);
    return true;
}

bool reportAll(const Options& o, const ImpulseSettings& s, const HostMaker& makeHost, std::string& error) {
    const std::string& dir = o.reportAllDir;
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "cannot write '" + dir + "': " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "cannot write '" + dir + "': it is not a folder";
        return false;
    }
    std::unique_ptr<PluginHost> first = makeHost(error);
    if (!first) return false;
    const int count = first->programCount();
    std::vector<ProgramReport> reports(count);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    auto work = [&](std::unique_ptr<PluginHost> host) {
        std::string e;
        if (!host) host = makeHost(e);
        for (int n = host ? next++ : count; n < count && !failed; n = next++) {
            Measurement m;
            const bool ok = host->loadProgram(n) && applySettings(*host, o, e) && measure(*host, s, n, m, e) &&
                            writeReportPage(dir + "/" + pageName(n, m.report.name), m.report, m.ir.centreLeft(),
                                            m.ir.centreRight(), e);
            if (!ok) break;
            reports[n] = std::move(m.report);
        }
        if (!e.empty() && !failed.exchange(true)) {
            std::lock_guard<std::mutex> lock(errorLock);
            error = e;
        }
    };
    const unsigned threads = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work, nullptr);
    work(std::move(first));
    for (auto& t : helpers) t.join();
    if (failed) return false;

    std::string csv = csvHeader();
    for (const auto& r : reports) csv += csvRow(r);
    if (!writeOverview(dir + "/overview.png", reports, error) || !writeTextFile(dir + "/programs.csv", csv, error))
        return false;
    {
        std::printf("number\tname\talgorithm\tT(1k)/s\tbrightness\n");
        for (const auto& r : reports) {
            const double t = chartTime(r.figures, 3), lo = chartTime(r.figures, 2), hi = chartTime(r.figures, 5);
            std::printf("%d\t%s\t%s\t%s\t%s\n", r.number, r.name.c_str(), r.algorithm.c_str(),
                        t > 0 ? std::to_string(t).substr(0, 5).c_str() : "not reached",
                        lo > 0 && hi > 0 ? std::to_string(hi / lo).substr(0, 4).c_str() : "-");
        }
    }
    return true;
}

}  // namespace render
