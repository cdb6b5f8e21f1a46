// The Linux key/value store: one text file per key under the user's configuration
// folder, $XDG_CONFIG_HOME (default ~/.config), e.g.
// ~/.config/ZUN-soundlab/ZUNmo15/MemoA. The file format is in StoreFileFormat.h.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/KeyValueStore.h"
#include "platform/posix/StoreFileFormat.h"

namespace moltaro::platform {

namespace {

// Larger files are not ours; their start is still read.
constexpr std::size_t kMaxStoreFile = 64 * 1024;

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;  // relative values are to be ignored
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return std::string(pw->pw_dir) + "/.config";
    return {};
}

bool validComponent(const std::string& c) {
    return !c.empty() && c != "." && c != ".." && c.find('/') == std::string::npos &&
           c.find('\0') == std::string::npos;
}

// The file of a key, or empty when the key cannot be mapped to one.
std::string fileOf(const StoreKey& key, std::string* folder = nullptr) {
    std::string path = configHome();
    if (path.empty() || key.empty()) return {};
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (!validComponent(key[i])) return {};
        if (i + 1 == key.size() && folder) *folder = path;
        path += '/';
        path += key[i];
    }
    return path;
}

bool makeFolders(const std::string& folder) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

StoreStatus readFile(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT || errno == ENOTDIR ? StoreStatus::notFound : StoreStatus::failed;
    text.resize(kMaxStoreFile);
    std::size_t n = std::fread(text.data(), 1, text.size(), f);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    text.resize(n);
    return bad ? StoreStatus::failed : StoreStatus::ok;
}

class PosixKeyValueStore : public KeyValueStore {
public:
    StoreStatus write(const StoreKey& key, const StoredValues& values) override {
        std::string folder;
        std::string path = fileOf(key, &folder);
        if (path.empty()) return StoreStatus::failed;
        for (const auto& entry : values)
            if (!canFormatValueName(entry.first)) return StoreStatus::failed;
        if (!makeFolders(folder)) return StoreStatus::failed;
        // Values of other names already in the key stay.
        StoredValues merged;
        std::string old;
        if (readFile(path, old) == StoreStatus::ok) merged = parseStoreFile(old);
        for (const auto& [name, value] : values) merged[name] = value;
        std::string text = formatStoreFile(merged);
        return writeFileAtomically(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())
                   ? StoreStatus::ok
                   : StoreStatus::failed;
    }

    StoreStatus read(const StoreKey& key, StoredValues& values) override {
        std::string path = fileOf(key);
        if (path.empty()) return StoreStatus::notFound;
        std::string text;
        StoreStatus status = readFile(path, text);
        if (status != StoreStatus::ok) return status;
        values = parseStoreFile(text);
        return StoreStatus::ok;
    }
};

}  // namespace

KeyValueStore& systemKeyValueStore() {
    static PosixKeyValueStore store;
    return store;
}

KeyValueStore& systemUserSettingsStore() { return systemKeyValueStore(); }

}  // namespace moltaro::platform
