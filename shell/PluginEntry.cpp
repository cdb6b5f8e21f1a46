#include "shell/PluginEntry.h"

#include <new>

#include "shell/Moltaro.h"

AudioEffect* createEffectInstance(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        Moltaro* effect = new Moltaro(host);
        // An engine without its delay memory cannot run: refuse like any failed allocation.
        if (!effect->engine.ok()) {
            delete effect;
            return nullptr;
        }
        return effect;
    } catch (const std::bad_alloc&) {
        // Nothing may escape into the host.
        return nullptr;
    }
}

AEffect* moltaroPluginMain(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffectInstance(host);
    return effect ? effect->getAeffect() : nullptr;
}
