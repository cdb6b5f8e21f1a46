#pragma once
// A small persistent store of named values grouped under a key, for settings that
// outlive the host session and are shared between instances (the A/B memories).
// The key is given as path components, e.g. {"ZUN-soundlab", "ZUNmo15", "MemoA"};
// each backend maps it to its own storage (a registry key, a file).
//
// Threads: user-interface thread; a backend must make each write all-or-nothing so
// that concurrent writers from several instances never leave a damaged key.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace moltaro::platform {

struct StoredValue {
    enum class Type { binary, string };
    Type type = Type::binary;
    std::vector<std::uint8_t> bytes;  // for a string: its characters, no terminator

    static StoredValue binaryValue(std::vector<std::uint8_t> b) { return {Type::binary, std::move(b)}; }
    static StoredValue stringValue(const std::string& s) { return {Type::string, {s.begin(), s.end()}}; }
    std::string text() const { return std::string(bytes.begin(), bytes.end()); }
};

using StoredValues = std::map<std::string, StoredValue>;
using StoreKey = std::vector<std::string>;

enum class StoreStatus { ok, notFound, failed };

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    // Creates the key when needed and writes the values into it, replacing values
    // of the same names. All or nothing.
    virtual StoreStatus write(const StoreKey& key, const StoredValues& values) = 0;
    // Reads every value of the key. notFound when the key does not exist; values
    // that cannot be read are left out.
    virtual StoreStatus read(const StoreKey& key, StoredValues& values) = 0;
};

// The backend's store for this platform.
KeyValueStore& systemKeyValueStore();
// The backend's store for one user's own settings: the same files on Linux (they
// are per user already); HKEY_CURRENT_USER only on Windows.
KeyValueStore& systemUserSettingsStore();

// What the preset system uses: the installed replacement, or the backend's.
KeyValueStore& keyValueStore();
// What the editor's per-user settings use: the installed replacement, or the backend's.
KeyValueStore& userSettingsStore();
void installKeyValueStore(KeyValueStore* replacement);

}  // namespace moltaro::platform
