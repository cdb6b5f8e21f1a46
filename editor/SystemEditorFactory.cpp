// The editor the plug-in module creates: it draws through the operating system's
// backend, installed here, before the first editor exists.
#include "editor/MoltaroEditor.h"
#include "platform/Platform.h"
#include "shell/EditorFactory.h"
#include "shell/Moltaro.h"

AEffEditor* createMoltaroEditor(AudioEffect* effect) {
    auto* reverb = dynamic_cast<Moltaro*>(effect);
    if (!reverb) return nullptr;
    moltaro::platform::setBackend(&moltaro::platform::systemBackend());
    return new MoltaroEditor(reverb);
}
