#pragma once
// Helpers of the Windows files suite: temporary folders, whole-file reads and writes,
// registry keys of the tests' own, and a watcher that answers a dialog from another
// thread while the tested code waits in the dialog's modal loop.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace wintest {

namespace fs = std::filesystem;

inline unsigned nextSerial() {
    static std::atomic<unsigned> serial{0};
    return ++serial;
}

class TempDir {
public:
    TempDir() {
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "moltaro-win-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(nextSerial());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempDir() {
        std::error_code ec;
        // Write-protected files made by a test must lose the flag to be removed.
        for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            SetFileAttributesA(it->path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    return names;
}

// A key of the test's own under HKEY_CURRENT_USER\Software\MoltaroTests, removed with
// everything below it at the end.
class ScopedTestKey {
public:
    ScopedTestKey() {
        path_ = "Software\\MoltaroTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(nextSerial());
        RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~ScopedTestKey() {
        if (key_) RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    ScopedTestKey(const ScopedTestKey&) = delete;
    ScopedTestKey& operator=(const ScopedTestKey&) = delete;

    HKEY key() const { return key_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    HKEY key_ = nullptr;
};

struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

inline RawValue readRaw(HKEY root, const std::string& path, const std::string& name) {
    RawValue v;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(k, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.exists = RegQueryValueExA(k, name.c_str(), nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(k);
    return v;
}

// The first top-level dialog of this process with that caption, waiting up to timeoutMs.
inline HWND waitForDialog(const std::string& caption, int timeoutMs = 15000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        HWND w = FindWindowA("#32770", caption.c_str());
        DWORD pid = 0;
        if (w) GetWindowThreadProcessId(w, &pid);
        if (w && pid == GetCurrentProcessId() && IsWindowVisible(w)) return w;
        Sleep(20);
    }
    return nullptr;
}

inline std::string windowText(HWND w) {
    char text[1024] = {};
    if (w) GetWindowTextA(w, text, sizeof text);
    return text;
}

// Runs `answer` on another thread with the dialog of that caption once it shows; the
// thread is joined on destruction. found() tells whether the dialog ever appeared.
class DialogAnswerer {
public:
    DialogAnswerer(std::string caption, std::function<void(HWND)> answer)
        : thread_([this, caption, answer] {
              HWND dialog = waitForDialog(caption);
              found_ = dialog != nullptr;
              if (dialog) answer(dialog);
          }) {}
    ~DialogAnswerer() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    bool found() {
        join();
        return found_;
    }

private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

inline void pressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace wintest
