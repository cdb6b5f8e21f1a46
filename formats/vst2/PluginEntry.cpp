#include "formats/vst2/PluginEntry.h"

#include "shell/Moltaro.h"

AEffect* moltaroPluginMain(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffectInstance(host);
    return effect ? effect->getAeffect() : nullptr;
}
