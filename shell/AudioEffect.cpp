#include "shell/AudioEffect.h"

#include <cstring>

#include "shell/AEffEditor.h"

std::size_t copyText(char* dst, const char* src, std::size_t maxChars) {
    if (!dst) return 0;
    std::size_t n = 0;
    if (src) {
        while (n < maxChars && src[n]) {
            dst[n] = src[n];
            ++n;
        }
    }
    dst[n] = 0;
    return n;
}

AudioEffect::AudioEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params)
    : audioMaster(host), numPrograms(programs), numParams(params) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    // Stereo in and out until the effect says otherwise; the effect sets its own ID.
    cEffect.numInputs = 2;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleReplacingEntry;
}

AudioEffect::~AudioEffect() {
    AEffEditor* e = editor;
    editor = nullptr;
    delete e;
}

AudioEffect* AudioEffect::fromAeffect(AEffect* e) {
    if (!e || e->magic != kEffectMagic) return nullptr;
    return static_cast<AudioEffect*>(e->object);
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    if (newEditor == editor) return;
    AEffEditor* old = editor;
    editor = newEditor;
    if (editor) cEffect.flags |= effFlagsHasEditor;
    else cEffect.flags &= ~effFlagsHasEditor;
    delete old;
}

void AudioEffect::canProcessReplacing(bool state) {
    if (state) cEffect.flags |= effFlagsCanReplacing;
    else cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    (void)inputs; (void)outputs; (void)frames;
}

void AudioEffect::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) {
    (void)inputs; (void)outputs; (void)frames;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

VstInt32 AudioEffect::getMasterVersion() {
    return static_cast<VstInt32>(callHost(audioMasterVersion));
}

bool AudioEffect::isInputConnected(VstInt32 index) {
    return callHost(audioMasterPinConnected, index, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 index) {
    return callHost(audioMasterPinConnected, index, 1) == 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 1;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text) getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0) suspend();
        else resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify:
        return kEffectIdentify;
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr AudioEffect::dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index,
                                     VstIntPtr value, void* ptr, float opt) {
    AudioEffect* effect = fromAeffect(e);
    if (!effect) return 0;
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

// The deprecated accumulating entry: leaves the host's buffers untouched.
void AudioEffect::processEntry(AEffect*, float**, float**, VstInt32) {}

void AudioEffect::processReplacingEntry(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 frames) {
    if (AudioEffect* effect = fromAeffect(e)) effect->processReplacing(inputs, outputs, frames);
}

void AudioEffect::processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 frames) {
    if (AudioEffect* effect = fromAeffect(e))
        effect->processDoubleReplacing(inputs, outputs, frames);
}

void AudioEffect::setParameterEntry(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = fromAeffect(e)) effect->setParameter(index, value);
}

float AudioEffect::getParameterEntry(AEffect* e, VstInt32 index) {
    AudioEffect* effect = fromAeffect(e);
    return effect ? effect->getParameter(index) : 0.0f;
}
