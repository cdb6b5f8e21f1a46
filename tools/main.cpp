// moltaro-render: renders audio files, or a built-in demo phrase, through the Moltaro
// reverb into WAV files, driving the effect as a host would.

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AudioIO.h"
#include "DemoSound.h"
#include "Lookup.h"
#include "Options.h"
#include "PluginHost.h"
#include "Renderer.h"
#include "ReportCommand.h"

using namespace render;

namespace {

constexpr int kBlockSize = 512;
// Silence run through the effect before the input: it fades its wet signal in after
// being switched on, and mutes and fades it back across an algorithm change (about
// 15500 host samples at blocks of 512); a render should start with the reverb fully there.
constexpr int64_t kPrerollFrames = 64 * kBlockSize;
// Quiet output that ends the tail: longer than the longest pre-delay (1 s), so a
// delayed reverb is never cut off before it arrives.
constexpr double kTailHoldSeconds = 1.5;

enum ExitCode { kOk = 0, kFailed = 1, kBadUsage = 2 };   // 128 + signal when interrupted

// An interruption ends the program at once, wherever it is (even in a read from a pipe
// that waits for data): the handler removes the unfinished files and exits.
volatile std::sig_atomic_t progressShown = 0;

void onSignal(int sig) {
    removeUnfinishedFiles();
    static const char message[] = "moltaro-render: interrupted\n";
    if (progressShown) (void)!::write(STDERR_FILENO, "\n", 1);
    (void)!::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(128 + sig);
}

void catchInterruptions(bool progress) {
    progressShown = progress;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kInterruptions) ::sigaction(sig, &sa, nullptr);
}

void releaseInterruptions() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = SIG_DFL;
    for (int sig : kInterruptions) ::sigaction(sig, &sa, nullptr);
}

int fail(const std::string& message, int code = kFailed) {
    std::fprintf(stderr, "moltaro-render: %s\n", message.c_str());
    return code;
}

void warn(const std::string& message) { std::fprintf(stderr, "moltaro-render: warning: %s\n", message.c_str()); }

std::string quoted(const std::string& s) { return "'" + s + "'"; }

bool loadBankFile(PluginHost& host, const std::string& path, std::string& error) {
    moltaro::BankRecords bank;
    std::string detail;
    const moltaro::FileError e = moltaro::readBankFile(path, bank, &detail);
    if (e != moltaro::FileError::none) {
        error = "cannot load bank " + quoted(path) + ": " + (detail.empty() ? moltaro::fileErrorMessage(e) : detail);
        return false;
    }
    host.replaceBank(bank);
    return true;
}

// Brings the effect into the state to render or list: bank file, program or preset
// file, then the parameter settings. Fills the texts that describe the choice for
// the summary, and the number of the chosen program (-1 for a preset file or none).
// Unknown names are bad options (exit 2); unreadable files are failures (exit 1).
bool prepare(PluginHost& host, const Options& o, std::string& presetText, std::string& settingsText,
             int& program, std::string& error, int& code) {
    code = kFailed;
    program = o.bankFile.empty() || !o.presetFile.empty() ? -1 : 0;
    if (!o.bankFile.empty() && !loadBankFile(host, o.bankFile, error)) return false;
    if (!o.presetFile.empty()) {
        moltaro::ProgramRecord program;
        std::string detail;
        const moltaro::FileError e = moltaro::readPresetFile(o.presetFile, program, &detail);
        if (e != moltaro::FileError::none) {
            error = "cannot load preset " + quoted(o.presetFile) + ": " +
                    (detail.empty() ? moltaro::fileErrorMessage(e) : detail);
            return false;
        }
        host.replaceCurrentProgram(program);
        presetText = quoted(o.presetFile) + " \"" + program.name + "\"";
    }
    if (!o.preset.empty()) {
        const int n = findProgram(o.preset, host.programNames(), error);
        if (n < 0) {
            code = kBadUsage;
            return false;
        }
        host.loadProgram(n);
        program = n;
        presetText = std::to_string(n) + " \"" + host.programNames()[n] + "\"";
    } else if (!o.bankFile.empty()) {
        presetText = "0 \"" + host.programNames()[0] + "\"";
    }
    const std::vector<std::string> names = host.parameterNames();
    for (const ParamSetting& s : o.settings) {
        const int index = findParameter(s.name, names, error);
        if (index < 0) {
            code = kBadUsage;
            return false;
        }
        host.setParameter(index, s.value);
        char value[32];
        std::snprintf(value, sizeof value, "%g", static_cast<double>(s.value));
        settingsText += (settingsText.empty() ? "" : " ") + names[index] + "=" + value;
    }
    if (!o.bankFile.empty()) presetText += " of " + quoted(o.bankFile);
    return true;
}

int listPresets(const Options& o) {
    std::string error;
    auto host = PluginHost::create(error);   // a host of its own: listing loads every program
    if (!host) return fail(error);
    if (!o.bankFile.empty() && !loadBankFile(*host, o.bankFile, error)) return fail(error);
    for (const ProgramInfo& p : host->listPrograms())
        std::printf("%d\t%s\t%s\n", p.number, p.name.c_str(), p.algorithm.c_str());
    return kOk;
}

int saveBank(PluginHost& host, const Options& o) {
    std::string error;
    if (!moltaro::writeBankFile(o.saveBank, host.bank(), &error))
        return fail("cannot save bank " + quoted(o.saveBank) + ": " + error);
    if (!o.quiet) std::fprintf(stderr, "bank of %d programs -> %s\n", host.programCount(), o.saveBank.c_str());
    return kOk;
}

int listParams(PluginHost& host) {
    std::printf("# program \"%s\"\n", host.currentProgramName().c_str());
    const std::vector<std::string> names = host.parameterNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty()) continue;   // indices without a function
        const int index = static_cast<int>(i);
        std::printf("%d\t%s\t%.6g\t%s\n", index, names[i].c_str(), static_cast<double>(host.parameter(index)),
                    host.parameterDisplay(index).c_str());
    }
    return kOk;
}

int renderFile(PluginHost& host, const Options& o, const std::string& presetText,
               const std::string& settingsText) {
    std::string error;
    std::unique_ptr<AudioSource> source;
    std::string inputText;
    if (o.input.empty()) {
        const int rate = o.demoRate > 0 ? o.demoRate : 44100;
        DemoSound demo = synthesiseDemo(rate);
        source.reset(new MemorySource(std::move(demo.left), std::move(demo.right), rate));
        inputText = "demo sound (stereo, " + std::to_string(rate) + " Hz)";
    } else {
        auto file = std::make_unique<SoundFileSource>();
        if (!file->open(o.input, error)) return fail(error);
        inputText = o.input + " (" + file->formatDescription() + ", " +
                    (file->channels() == 1 ? "mono" : "stereo") + ", " + std::to_string(file->sampleRate()) + " Hz)";
        if (file->sampleRate() < 20000)
            warn("'" + o.input + "' is at " + std::to_string(file->sampleRate()) +
                 " Hz, below the effect's range of 20000-200000 Hz: it reverberates as if at 44100 Hz, "
                 "so its reverb times are stretched");
        source = std::move(file);
        if (sameFile(o.input, o.output)) return fail("the output file '" + o.output + "' is the input file");
    }
    const int rate = source->sampleRate();
    const int64_t maxTail = static_cast<int64_t>(o.tailSeconds * rate);

    AtomicWavWriter writer;
    if (!writer.open(o.output, rate, o.format, source->totalFrames() + maxTail + kBlockSize, error))
        return fail(error);

    RenderSettings rs;
    rs.blockSize = kBlockSize;
    rs.prerollFrames = kPrerollFrames;
    rs.maxTailFrames = maxTail;
    rs.holdFrames = static_cast<int64_t>(kTailHoldSeconds * rate);
    const bool showProgress = !o.quiet && ::isatty(STDERR_FILENO);
    ProgressBar progress(showProgress, source->totalFrames(), rate);
    RenderStats stats;

    catchInterruptions(showProgress);
    host.start(rate, kBlockSize);
    const bool rendered = renderStream(*source, host, writer, rs, &progress, stats, error);
    host.stop();
    progress.finish();
    if (!rendered) {
        writer.discard();
        releaseInterruptions();
        return fail(error);
    }
    const bool committed = writer.commit(error);
    releaseInterruptions();
    if (!committed) return fail(error);

    if (stats.nonFinite > 0)
        warn("the effect produced " + std::to_string(stats.nonFinite) +
             " non-finite samples; they were written as silence");
    if (stats.peak > 1.0f && o.format != SampleFormat::Float)
        warn("the output peaks at " + dbfsText(stats.peak) + " and was clipped in the " +
             sampleFormatName(o.format) + " file (use --format float or a lower Output)");
    if (!o.quiet) {
        SummaryInfo s;
        s.input = inputText;
        s.output = o.output;
        s.preset = presetText;
        s.settings = settingsText;
        s.sampleRate = rate;
        s.inputFrames = stats.inputFrames;
        s.tailFrames = stats.tailFrames;
        s.peak = stats.peak;
        s.cpuSeconds = stats.cpuSeconds;
        std::fprintf(stderr, "%s\n", summaryLine(s).c_str());
    }
    return kOk;
}

ImpulseSettings impulseSettings(const Options& o) {
    ImpulseSettings s;
    s.rate = o.demoRate > 0 ? o.demoRate : 44100;
    s.blockSize = kBlockSize;
    s.prerollFrames = kPrerollFrames;
    s.holdFrames = static_cast<int64_t>(kTailHoldSeconds * s.rate);
    s.maxFrames = std::max<int64_t>(1, static_cast<int64_t>(o.tailSeconds * s.rate));
    // Above 50 kHz the reverb runs at a half or a quarter of the rate (Engine::resume).
    s.positions = s.rate > 50000 ? 4 : 1;
    return s;
}

int measure(PluginHost& host, const Options& o, int program) {
    std::string error;
    catchInterruptions(false);
    bool ok;
    if (!o.reportAllDir.empty()) {
        HostMaker makeHost = [&o](std::string& e) {
            auto h = PluginHost::create(e);
            if (h && !o.bankFile.empty() && !loadBankFile(*h, o.bankFile, e)) h.reset();
            return h;
        };
        ok = reportAll(o, impulseSettings(o), makeHost, error);
    } else {
        ok = measureProgram(host, o, impulseSettings(o), program, error);
    }
    releaseInterruptions();
    return ok ? kOk : fail(error);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), o, error))
        return fail(error + " (see --help)", kBadUsage);
    if (o.help) {
        std::fputs(usageText(), stdout);
        return kOk;
    }
    if (o.version) {
        std::puts("moltaro-render " MOLTARO_VERSION);
        return kOk;
    }

    if (o.listPresets) {
        const int code = listPresets(o);
        if (code != kOk || (!o.listParams && o.saveBank.empty())) return code;
    }

    auto host = PluginHost::create(error);
    if (!host) return fail(error);
    std::string presetText, settingsText;
    int code = kOk, program = -1;
    if (!prepare(*host, o, presetText, settingsText, program, error, code)) return fail(error, code);
    if (!o.saveBank.empty() && (code = saveBank(*host, o)) != kOk) return code;
    if (o.listParams) return listParams(*host);
    if (o.rendering() && (code = renderFile(*host, o, presetText, settingsText)) != kOk) return code;
    if (o.measuring()) return measure(*host, o, program);
    return kOk;
}
