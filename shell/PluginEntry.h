#pragma once
// Creation of the effect for a host. The module's exported VSTPluginMain and main call
// moltaroPluginMain; in-process hosts (tests, the renderer) may call it directly.

#include "shell/vst2abi.h"

class AudioEffect;

// Asks the host for its version once more and builds the effect; null when the host
// answers 0 or memory runs out.
AudioEffect* createEffectInstance(audioMasterCallback host);

// The entry point's work: null without a callback or when the host answers 0 to the
// version query; otherwise the new effect's record.
AEffect* moltaroPluginMain(audioMasterCallback host);
