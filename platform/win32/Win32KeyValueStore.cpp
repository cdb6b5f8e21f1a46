#include "platform/win32/Win32KeyValueStore.h"

#include <vector>

namespace moltaro::platform::win32 {

namespace {

// Several instances (even in several hosts) may store and recall at once: each write
// and each read of a key happens under one lock shared by every process of the session.
class StoreLock {
public:
    StoreLock() : mutex(CreateMutexA(nullptr, FALSE, "ZUN-Moltaro-registry-store")) {
        if (mutex) {
            DWORD r = WaitForSingleObject(mutex, 5000);
            owned = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
        }
    }
    ~StoreLock() {
        if (owned) ReleaseMutex(mutex);
        if (mutex) CloseHandle(mutex);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    HANDLE mutex;
    bool owned = false;
};

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The value's type and bytes, or false when it does not exist or cannot be read.
bool queryValue(HKEY key, const std::string& name, RawValue& out) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS) return false;
    out.data.resize(size);
    LONG r = RegQueryValueExA(key, name.c_str(), nullptr, &out.type, size ? out.data.data() : nullptr, &size);
    if (r != ERROR_SUCCESS) return false;
    out.data.resize(size);
    return true;
}

LONG setValue(HKEY key, const std::string& name, const StoredValue& value) {
    if (value.type == StoredValue::Type::string) {
        std::vector<BYTE> data(value.bytes.begin(), value.bytes.end());
        data.push_back(0);
        return RegSetValueExA(key, name.c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    }
    return RegSetValueExA(key, name.c_str(), 0, REG_BINARY, value.bytes.empty() ? nullptr : value.bytes.data(),
                          static_cast<DWORD>(value.bytes.size()));
}

// Writes every value; when one fails, the values already written are put back as they
// were (or removed when they did not exist), so that the key is left unchanged.
LONG writeAllOrNothing(HKEY key, const StoredValues& values) {
    std::vector<std::pair<std::string, std::pair<bool, RawValue>>> before;
    for (const auto& entry : values) {
        RawValue old;
        bool existed = queryValue(key, entry.first, old);
        before.push_back({entry.first, {existed, old}});
    }
    LONG status = ERROR_SUCCESS;
    std::size_t written = 0;
    for (const auto& [name, value] : values) {
        status = setValue(key, name, value);
        if (status != ERROR_SUCCESS) break;
        ++written;
    }
    if (status == ERROR_SUCCESS) return status;
    for (std::size_t i = 0; i <= written && i < before.size(); ++i) {
        const auto& [name, old] = before[i];
        if (old.first)
            RegSetValueExA(key, name.c_str(), 0, old.second.type, old.second.data.data(),
                           static_cast<DWORD>(old.second.data.size()));
        else
            RegDeleteValueA(key, name.c_str());
    }
    return status;
}

ULONGLONG lastWriteTime(HKEY key) {
    FILETIME t{};
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &t) != ERROR_SUCCESS)
        return 0;
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void readAll(HKEY key, StoredValues& values) {
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(longestName + 2);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            continue;
        std::string valueName(name.data(), nameSize);
        if (type == REG_BINARY) {
            values[valueName] = StoredValue::binaryValue({data.begin(), data.begin() + dataSize});
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::string text(reinterpret_cast<const char*>(data.data()), dataSize);
            text = text.substr(0, text.find('\0'));
            values[valueName] = StoredValue::stringValue(text);
        }
        // Values of other types were not written by us and are left out.
    }
}

}  // namespace

RegistryStore::RegistryStore(HKEY primary, HKEY fallback, std::string prefix)
    : primary(primary), fallback(fallback), prefix(std::move(prefix)) {}

std::string RegistryStore::pathOf(const StoreKey& key) const {
    if (key.empty()) return {};
    std::string path = prefix;
    for (const auto& component : key) {
        if (component.empty() || component.find('\\') != std::string::npos ||
            component.find('\0') != std::string::npos)
            return {};
        if (!path.empty()) path += '\\';
        path += component;
    }
    return path;
}

StoreStatus RegistryStore::write(const StoreKey& key, const StoredValues& values) {
    const std::string path = pathOf(key);
    if (path.empty()) return StoreStatus::failed;
    for (const auto& entry : values)
        if (entry.first.find('\0') != std::string::npos) return StoreStatus::failed;
    StoreLock lock;
    for (HKEY root : {primary, fallback}) {
        if (!root) continue;
        HKEY k = nullptr;
        LONG r = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &k, nullptr);
        if (r != ERROR_SUCCESS) continue;
        r = writeAllOrNothing(k, values);
        RegCloseKey(k);
        if (r != ERROR_SUCCESS) continue;
        // A copy left in the fall-back by an earlier refused write is older now.
        if (root == primary && fallback) RegDeleteKeyA(fallback, path.c_str());
        return StoreStatus::ok;
    }
    return StoreStatus::failed;
}

StoreStatus RegistryStore::read(const StoreKey& key, StoredValues& values) {
    const std::string path = pathOf(key);
    if (path.empty()) return StoreStatus::notFound;
    StoreLock lock;
    HKEY newest = nullptr;
    ULONGLONG newestTime = 0;
    bool refused = false;
    for (HKEY root : {primary, fallback}) {
        if (!root) continue;
        HKEY k = nullptr;
        LONG r = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &k);
        if (r != ERROR_SUCCESS) {
            if (r != ERROR_FILE_NOT_FOUND && r != ERROR_PATH_NOT_FOUND) refused = true;
            continue;
        }
        ULONGLONG t = lastWriteTime(k);
        if (!newest || t > newestTime) {
            if (newest) RegCloseKey(newest);
            newest = k;
            newestTime = t;
        } else {
            RegCloseKey(k);
        }
    }
    if (!newest) return refused ? StoreStatus::failed : StoreStatus::notFound;
    StoredValues read;
    readAll(newest, read);
    RegCloseKey(newest);
    values = std::move(read);
    return StoreStatus::ok;
}

}  // namespace moltaro::platform::win32

namespace moltaro::platform {

KeyValueStore& systemKeyValueStore() {
    static win32::RegistryStore store(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, "SOFTWARE");
    return store;
}

KeyValueStore& systemUserSettingsStore() {
    static win32::RegistryStore store(HKEY_CURRENT_USER, nullptr, "SOFTWARE");
    return store;
}

}  // namespace moltaro::platform
