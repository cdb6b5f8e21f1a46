// Linux file dialogs and message boxes through the desktop's dialog program:
// zenity when installed, else kdialog. The program is started with an argument
// vector (no shell), its answer read from its standard output.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Dialogs.h"
#include "platform/posix/DialogCommands.h"

namespace moltaro::platform {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

int highestFileNumber() {
    long max = ::sysconf(_SC_OPEN_MAX);
    return max < 0 || max > 65536 ? 65536 : static_cast<int>(max);
}

struct RunResult {
    bool started = false;
    int exitCode = -1;  // -1 when unknown or killed
    std::string output;
};

// Runs program with args (args[0] is the program's name), waits for it and
// collects its standard output. Standard error is discarded.
RunResult run(const std::string& program, const std::vector<std::string>& args) {
    RunResult result;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const int maxFd = highestFileNumber();
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return result;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return result;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull >= 0 ? devnull : out[1], 0);
        ::dup2(out[1], 1);
        if (devnull >= 0) ::dup2(devnull, 2);
        for (int fd = 3; fd < maxFd; ++fd) ::close(fd);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    result.started = true;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0) {
            result.output.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    ::close(out[0]);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    // A host that ignores SIGCHLD leaves no status to collect: judge by the answer.
    if (waited < 0 && errno == ECHILD) result.exitCode = result.output.empty() ? 1 : 0;
    return result;
}

void writeToStandardError(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "ZUN Moltaro: %s %s\n", caption.c_str(), text.c_str());
}

class PosixDialogs : public Dialogs {
public:
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
        DialogProgram program = findDialogProgram();
        if (program.kind == DialogProgram::Kind::none) {
            showMessage("Error...", kNoDialogProgramMessage, MessageKind::error);
            return std::nullopt;
        }
        RunResult r = run(program.path, fileDialogArguments(program.kind, request));
        if (!r.started || r.exitCode != 0) return std::nullopt;
        std::string path = firstLine(r.output);
        if (path.empty()) return std::nullopt;
        return completeChosenPath(request, path, fileExists, [&](const std::string& question) {
            RunResult q = run(program.path, questionArguments(program.kind, request.title, question));
            return q.started && q.exitCode == 0;
        });
    }

    void showMessage(const std::string& caption, const std::string& text, MessageKind kind) override {
        DialogProgram program = findDialogProgram();
        if (program.kind != DialogProgram::Kind::none) {
            RunResult r = run(program.path, messageArguments(program.kind, caption, text, kind));
            if (r.started && (r.exitCode == 0 || r.exitCode == 1)) return;
        }
        std::string xmessage = findOnPath("xmessage");
        if (!xmessage.empty()) {
            RunResult r = run(xmessage, {"xmessage", "-center", "-title", caption, text});
            if (r.started && r.exitCode == 0) return;
        }
        writeToStandardError(caption, text);
    }
};

}  // namespace

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

DialogProgram findDialogProgram() {
    if (std::string p = findOnPath("zenity"); !p.empty()) return {DialogProgram::Kind::zenity, p};
    if (std::string p = findOnPath("kdialog"); !p.empty()) return {DialogProgram::Kind::kdialog, p};
    return {};
}

Dialogs& systemDialogs() {
    static PosixDialogs d;
    return d;
}

}  // namespace moltaro::platform
