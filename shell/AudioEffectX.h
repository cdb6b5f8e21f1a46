#pragma once
// Extended plug-in layer: the dispatcher opcodes 25..79 with their default answers,
// and the extended host calls. Opcodes not handled here fall through to AudioEffect.

#include "shell/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(host, numPrograms, numParams) {}

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // [ui thread] Asks the effect itself whether it wants MIDI before switching on.
    void resume() override;

    // Every default below is the answer of an effect that does not support the request.
    virtual VstInt32 processEvents(void* events) {
        (void)events;
        return 0;
    }
    virtual bool canParameterBeAutomated(VstInt32 index) {
        (void)index;
        return true;
    }
    virtual bool string2parameter(VstInt32 index, char* text) {
        (void)index; (void)text;
        return false;
    }
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
        (void)category; (void)index; (void)text;
        return false;
    }
    virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties) {
        (void)index; (void)properties;
        return false;
    }
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties) {
        (void)index; (void)properties;
        return false;
    }
    virtual VstInt32 getPlugCategory() { return kPlugCategUnknown; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input,
                                       VstSpeakerArrangement* output) {
        (void)input; (void)output;
        return false;
    }
    // Sets both arrangement pointers to null: the effect keeps no arrangement of its own.
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input,
                                       VstSpeakerArrangement** output) {
        if (input) *input = nullptr;
        if (output) *output = nullptr;
        return false;
    }
    virtual bool setBypass(bool onOff) {
        (void)onOff;
        return false;
    }
    virtual bool getEffectName(char* name) {
        (void)name;
        return false;
    }
    virtual bool getVendorString(char* text) {
        (void)text;
        return false;
    }
    virtual bool getProductString(char* text) {
        (void)text;
        return false;
    }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
        (void)index; (void)value; (void)ptr; (void)opt;
        return 0;
    }
    // 1 yes, 0 don't know, -1 no.
    virtual VstInt32 canDo(const char* text) {
        (void)text;
        return 0;
    }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual bool getParameterProperties(VstInt32 index, VstParameterProperties* p) {
        (void)index; (void)p;
        return false;
    }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 channel, void* program) {
        (void)channel; (void)program;
        return -1;
    }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual VstIntPtr setTotalSampleToProcess(VstIntPtr value) { return value; }

    // Host calls (skipped without a callback).
    // [ui thread] asks the host to re-read names, values and displays.
    bool updateDisplay();
    // [ui thread] bracket a parameter change made by the user for host automation.
    bool beginEdit(VstInt32 index);
    bool endEdit(VstInt32 index);
    // [ui thread] the host's block size, 0 or less if it gives none.
    VstInt32 getHostBlockSize();
    // [ui thread] asks for MIDI events.
    void wantEvents(VstInt32 filter = 1);
};
