// The services the preset system asks for: a replacement installed by a test or an
// editor, else the platform backend's own. Shared by every backend's service library.

#include "platform/Dialogs.h"
#include "platform/KeyValueStore.h"

namespace moltaro::platform {

namespace {

Dialogs* installedDialogs = nullptr;
KeyValueStore* installedStore = nullptr;

}  // namespace

Dialogs& dialogs() { return installedDialogs ? *installedDialogs : systemDialogs(); }

void installDialogs(Dialogs* replacement) { installedDialogs = replacement; }

KeyValueStore& keyValueStore() { return installedStore ? *installedStore : systemKeyValueStore(); }

KeyValueStore& userSettingsStore() { return installedStore ? *installedStore : systemUserSettingsStore(); }

void installKeyValueStore(KeyValueStore* replacement) { installedStore = replacement; }

}  // namespace moltaro::platform
