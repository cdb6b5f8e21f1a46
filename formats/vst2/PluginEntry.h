#pragma once
// The VST 2.4 entry point's work. The module's exported VSTPluginMain and main call
// moltaroPluginMain; in-process hosts (tests, the renderer) may call it directly.

#include "shell/vst2abi.h"

// [ui thread] Null without a callback or when the host answers 0 to the version query;
// otherwise the new effect's record.
AEffect* moltaroPluginMain(audioMasterCallback host);
