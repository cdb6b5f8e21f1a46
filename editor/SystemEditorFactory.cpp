// The editor the plug-in module creates: it draws through the operating system's
// backend, installed here, before the first editor exists.
#include "editor/MoltaroEditor.h"
#include "platform/Platform.h"
#include "shell/EditorFactory.h"
#include "shell/Moltaro.h"

AEffEditor* createMoltaroEditor(AudioEffect* effect) {
    auto* reverb = dynamic_cast<Moltaro*>(effect);
    if (!reverb) return nullptr;
    // Once per process, whichever thread the host creates its effects on.
    static const bool installed = (moltaro::platform::setBackend(&moltaro::platform::systemBackend()), true);
    (void)installed;
    return new MoltaroEditor(reverb);
}
