#include "MemoryChild.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/Moltaro.h"
#include "formats/vst2/PluginEntry.h"
#include "support/RecordingHost.h"

namespace memorychild {

int run(const std::string& which) {
    testhost::RecordingHost host;
    if (!host.load(moltaroPluginMain)) return 3;
    auto& effect = *static_cast<Moltaro*>(AudioEffect::fromAeffect(host.effect()));
    host.clearCalls();
    int status = which == "A" ? effect.recallMemoA() : effect.recallMemoB();
    std::printf("status %d\n", status);
    for (int i = 0; i < 16; ++i) {
        float v = host.getParameter(i);
        unsigned bits;
        std::memcpy(&bits, &v, 4);
        std::printf("value %d %08x\n", i, bits);
    }
    std::printf("name %s\n", effect.getProgramRecord(effect.getCurrentProgram())->name());
    std::printf("automations %zu\n", host.count(audioMasterAutomate));
    std::fflush(stdout);
    return 0;
}

std::string runInSecondProcess(const std::string& which, int* exitCode) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + std::string(self) + "\" --recall-child " + which;
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) output.append(buffer, n);
        WaitForSingleObject(pi.hProcess, 30000);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        if (exitCode) *exitCode = static_cast<int>(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    return output;
}

}  // namespace memorychild
