#pragma once
// The Windows key/value store: the registry. A key {"ZUN-soundlab", "ZUNmo15", "MemoA"}
// is the registry key SOFTWARE\ZUN-soundlab\ZUNmo15\MemoA under HKEY_LOCAL_MACHINE;
// binary values are REG_BINARY, strings REG_SZ with their terminator.
//
// Users without administrator rights may not write under HKEY_LOCAL_MACHINE. Their
// stores go to the same path under HKEY_CURRENT_USER instead, and a read takes
// whichever of the two keys was written last, so that a store is never lost silently.
// A later store that succeeds under HKEY_LOCAL_MACHINE removes that older copy.

#include <windows.h>

#include <string>

#include "platform/KeyValueStore.h"

namespace moltaro::platform::win32 {

class RegistryStore : public KeyValueStore {
public:
    // primary: where keys live (HKEY_LOCAL_MACHINE); fallback: where they go when
    // primary refuses the write (HKEY_CURRENT_USER), or null for none. prefix is put
    // before every key's path ("SOFTWARE"). The handles are not closed by the store.
    RegistryStore(HKEY primary, HKEY fallback, std::string prefix);

    StoreStatus write(const StoreKey& key, const StoredValues& values) override;
    StoreStatus read(const StoreKey& key, StoredValues& values) override;

    // The registry path of a key below the root, or empty when a component cannot be
    // part of one (empty, containing a backslash or a NUL).
    std::string pathOf(const StoreKey& key) const;

private:
    HKEY primary;
    HKEY fallback;
    std::string prefix;
};

}  // namespace moltaro::platform::win32
