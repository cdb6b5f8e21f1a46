#pragma once
// Basic plug-in layer: owns the effect record handed to the host, translates the
// basic dispatcher opcodes (0..24) into virtual operations, and wraps the host callback.
// Effects derive from AudioEffectX, which adds the extended opcodes.

#include <cstddef>

#include "shell/vst2abi.h"

class AEffEditor;

// Copies at most maxChars characters of src plus a terminator into dst.
// Null pointers are ignored. Returns the number of characters written.
std::size_t copyText(char* dst, const char* src, std::size_t maxChars);

class AudioEffect {
public:
    // [ui thread] host may be null (no calls are made then).
    AudioEffect(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams);
    // Deletes the attached editor.
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect; }
    // Finds the effect object behind a record; null for a null or foreign record.
    static AudioEffect* fromAeffect(AEffect* e);

    // Translates one dispatcher call (effClose is handled by the record's entry,
    // which destroys the object afterwards).
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    // [ui thread] lifecycle
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    // [ui thread] stored only; takes effect at the next resume.
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }

    // [audio thread] no allocation, no locks.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames);
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);

    // [any thread] parameters in 0..1.
    virtual void setParameter(VstInt32 index, float value) { (void)index; (void)value; }
    virtual float getParameter(VstInt32 index) {
        (void)index;
        return 0.0f;
    }
    // setParameter, then tells the host (editor gestures, memory recalls).
    virtual void setParameterAutomated(VstInt32 index, float value);

    // [ui thread] programs as the host sees them.
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(const char* name) { (void)name; }
    virtual void getProgramName(char* name) { name[0] = 0; }

    // [ui thread] texts; buffers are the host's.
    virtual void getParameterLabel(VstInt32 index, char* label) { (void)index; label[0] = 0; }
    virtual void getParameterDisplay(VstInt32 index, char* text) { (void)index; text[0] = 0; }
    virtual void getParameterName(VstInt32 index, char* text) { (void)index; text[0] = 0; }

    // No chunks by default.
    virtual VstInt32 getChunk(void** data, bool isPreset) {
        (void)data; (void)isPreset;
        return 0;
    }
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) {
        (void)data; (void)byteSize; (void)isPreset;
        return 0;
    }

    // Attaches (or, with null, detaches) the editor; the effect takes ownership and
    // keeps the record's editor flag in step. A previous editor is deleted.
    void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }

    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }
    VstInt32 getNumParams() const { return numParams; }
    VstInt32 getNumPrograms() const { return numPrograms; }
    audioMasterCallback getHostCallback() const { return audioMaster; }

    // Host calls; each is skipped (answering 0) when no callback is stored.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    VstInt32 getMasterVersion();
    // [audio thread] pin-connected query; the host answers 0 for a connected pin.
    bool isInputConnected(VstInt32 index);
    bool isOutputConnected(VstInt32 index);

protected:
    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
    void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
    void setInitialDelay(VstInt32 d) { cEffect.initialDelay = d; }
    void canProcessReplacing(bool state = true);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;  // owned; null when no editor is attached
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect;

private:
    static VstIntPtr dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void* ptr, float opt);
    static void processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void processReplacingEntry(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 frames);
    static void processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 frames);
    static void setParameterEntry(AEffect* e, VstInt32 index, float value);
    static float getParameterEntry(AEffect* e, VstInt32 index);
};
