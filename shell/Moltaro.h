#pragma once
// The effect the host talks to: parameter model, lifecycle, audio entry and the
// plug-in's properties. The reverb itself is the engine it owns.

#include <atomic>

#include "dsp/Engine.h"
#include "presetsystem/CPresetSystemEffect.h"
#include "shell/Parameters.h"

class Moltaro : public CPresetSystemEffect {
public:
    // [ui thread] Builds bank, engine and editor, applies program 0 (reporting each
    // parameter to the host) and leaves the engine suspended. May throw std::bad_alloc.
    explicit Moltaro(audioMasterCallback host);
    ~Moltaro() override;

    // [any thread] Non-finite values are ignored; others are clamped to 0..1, turned into
    // engine quantities, written into the programs and passed to the editor.
    void setParameter(VstInt32 index, float value) override;
    // [any thread] The value as held: Power 0 or 1, Type the value of the chosen algorithm.
    float getParameter(VstInt32 index) override;
    // [ui thread] Texts are written whole with their terminator (at most 10 bytes).
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    bool getParameterProperties(VstInt32 index, VstParameterProperties* p) override;

    // [ui thread, no audio running]
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;

    // [audio thread] no allocation, no locks; asks the host whether input 1 and output 1
    // are connected, then runs the engine.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;

    // [ui thread] fixed properties; any thread may ask, none of them changes anything.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;   // the project's version: 1.6.0 is 1600
    VstInt32 getPlugCategory() override { return kPlugCategRoomFx; }
    VstInt32 canDo(const char* text) override;
    // The host's scale factor for the editor: index 'PreS', value 'AeCs', opt the factor.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* input,
                               VstSpeakerArrangement* output) override;

    moltaro::Engine engine;

private:
    // Normalised values as last set (after clamping); Power and Type hold the values the
    // effect reports for them. Indices 11..16 stay 0.
    std::atomic<float> values[kNumStoredParams];
};

// [ui thread] Asks the host for its version once more and builds the effect; null when
// the host answers 0, memory runs out or the engine lacks its delay memory. Every plug-in
// format's entry makes its effect here.
AudioEffect* createEffectInstance(audioMasterCallback host);
