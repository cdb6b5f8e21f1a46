#pragma once
// The editor the effect creates during its construction. Exactly one library linked into a
// program defines this function: the placeholder in shell/ or the real editor layer.

class AEffEditor;
class AudioEffect;

// Creates the editor; it attaches itself to the effect, which then owns it.
AEffEditor* createMoltaroEditor(AudioEffect* effect);
