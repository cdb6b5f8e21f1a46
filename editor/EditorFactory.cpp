// The editor the effect creates, for programs that install a platform backend of
// their own (the tests install the headless one).
#include "editor/MoltaroEditor.h"
#include "shell/EditorFactory.h"
#include "shell/Moltaro.h"

AEffEditor* createMoltaroEditor(AudioEffect* effect) {
    auto* reverb = dynamic_cast<Moltaro*>(effect);
    return reverb ? new MoltaroEditor(reverb) : nullptr;
}
