#include "shell/Moltaro.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "shell/AEffEditor.h"
#include "shell/EditorFactory.h"
#include "shell/ParameterLaws.h"

using moltaro::relaxed;
using moltaro::store;

namespace {

const char* const kCanDo[] = {"offline", "plugAsChannelInsert", "plugAsSend", "mixDryWet",
                              "1in1out", "1in2out",             "2in2out"};

constexpr std::size_t kMaxParameterText = 16;

bool isParameterIndex(VstInt32 index) { return index >= 0 && index < kNumStoredParams; }

}  // namespace

Moltaro::Moltaro(audioMasterCallback host) : CPresetSystemEffect(host) {
    for (auto& v : values) v.store(0.0f, std::memory_order_relaxed);
    // The engine starts on algorithm 0; holding its Type value means applying program 0
    // (Ambience) below requests no pointless changeover.
    values[kParamType].store(typeValueOf(0), std::memory_order_relaxed);
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing();
    setUniqueID(vstFourCC('Q', 'K', 'T', 'X'));
    createMoltaroEditor(this);
    setParameter(kParamDiffusion, 1.0f);
    loadProgram(0);
    suspend();
}

Moltaro::~Moltaro() = default;

void Moltaro::setParameter(VstInt32 index, float x) {
    // A host may send anything; nothing it sends may destabilise a feedback loop.
    if (!std::isfinite(x)) return;
    if (x < 0.0f) x = 0.0f;
    else if (x > 1.0f) x = 1.0f;

    bool toPrograms = true;
    switch (index) {
    case kParamPower: {
        const int on = static_cast<int>(x + 0.5f);
        store(values[kParamPower], on ? 1.0f : 0.0f);
        store(engine.params.power, on);
        store(engine.setupPending, true);
        break;
    }
    case kParamType: {
        if (x == relaxed(values[kParamType])) {
            toPrograms = false;
            break;
        }
        if (x >= 1.0f) x = 8.0f / 9.0f;
        const int a = moltaro::algorithmOf(x);
        // A value that selects the algorithm already requested (a wheel step past either
        // end, automation jitter) must not fade the reverb out and cut its tail.
        if (a == relaxed(engine.params.requestedAlgorithm)) break;
        store(engine.params.requestedAlgorithm, a);
        store(values[kParamType], typeValueOf(a));
        engine.requestTypeChange();
        break;
    }
    case kParamPreDelay:
        store(values[index], x);
        store(engine.params.predelaySeconds, x * x);
        engine.updatePredelay();
        break;
    case kParamDecay:
        store(values[index], x);
        store(engine.params.decay, x);
        store(engine.setupPending, true);
        break;
    case kParamHighDamp:
        store(values[index], x);
        store(engine.params.highDamp, x);
        store(engine.setupPending, true);
        break;
    case kParamLowFreq:
        store(values[index], x);
        store(engine.params.lowFreq, moltaro::userValue(*moltaro::parameterLaw(index), x));
        store(engine.setupPending, true);
        break;
    case kParamLowGain:
        store(values[index], x);
        store(engine.params.lowGain, 2.0f * x);
        store(engine.setupPending, true);
        break;
    case kParamHighFreq:
        store(values[index], x);
        store(engine.params.highFreq, moltaro::userValue(*moltaro::parameterLaw(index), x));
        store(engine.setupPending, true);
        break;
    case kParamHighGain:
        store(values[index], x);
        store(engine.params.highGain, 2.0f * x);
        store(engine.setupPending, true);
        break;
    case kParamMix:
        store(values[index], x);
        store(engine.params.wet, x);
        break;
    case kParamOutput:
        store(values[index], x);
        store(engine.params.outGain, 4.0f * x * x);
        break;
    case kParamDiffusion:
        store(values[index], x);
        store(engine.params.diffusion, x);
        store(engine.setupPending, true);
        break;
    default:
        break;
    }

    if (toPrograms) CPresetSystemEffect::setParameter(index, x);
    // Power, Mix and Output belong to the whole bank, even while a program loads.
    if (index == kParamPower || index == kParamMix || index == kParamOutput)
        setParameterInAllPrograms(index, x);
    if (editor) editor->setParameter(index, x);
}

float Moltaro::getParameter(VstInt32 index) {
    if (!isParameterIndex(index)) return 0.0f;
    return relaxed(values[index]);
}

void Moltaro::getParameterName(VstInt32 index, char* text) {
    copyText(text, moltaro::parameterName(index), kMaxParameterText);
}

void Moltaro::getParameterLabel(VstInt32 index, char* label) {
    (void)index;
    copyText(label, "   ", kMaxParameterText);
}

void Moltaro::getParameterDisplay(VstInt32 index, char* text) {
    char s[moltaro::kLawTextBytes] = {};
    if (isParameterIndex(index)) moltaro::hostText(index, getParameter(index), s);
    copyText(text, s, kMaxParameterText);
}

bool Moltaro::getParameterProperties(VstInt32 index, VstParameterProperties* p) {
    if (index != kParamPower || !p) return false;
    p->stepFloat = p->smallStepFloat = p->largeStepFloat = 1.0f;
    p->flags = kVstParameterIsSwitch | kVstParameterUsesFloatStep;
    copyText(p->label, moltaro::parameterName(index), kVstMaxLabelLen - 1);
    copyText(p->shortLabel, moltaro::parameterName(index), kVstMaxShortLabelLen - 1);
    return true;
}

void Moltaro::suspend() {
    engine.suspend();
    updateDisplay();
}

void Moltaro::resume() {
    AudioEffectX::resume();
    const VstInt32 hostBlock = getHostBlockSize();
    engine.resume(getSampleRate(), getBlockSize(), hostBlock);
    updateDisplay();
    store(engine.setupPending, true);
}

void Moltaro::setSampleRate(float rate) {
    // A non-finite rate would slip past every range check; 0 is replaced by the default
    // rate at the next resume like any other unusable rate.
    if (!std::isfinite(rate)) rate = 0.0f;
    AudioEffect::setSampleRate(rate);
    store(engine.hostRate, rate);
}

void Moltaro::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (frames < 0) frames = 0;
    if (frames > 0 && (!inputs || !outputs || !inputs[0] || !outputs[0])) return;

    bool input1 = isInputConnected(1);
    bool output1 = isOutputConnected(1);
    // The second channel is read only when routed; a missing buffer counts as unconnected.
    if (input1 && relaxed(engine.stereoIn) && frames > 0 && !inputs[1]) input1 = false;
    if (output1 && relaxed(engine.stereoOut) && frames > 0 && !outputs[1]) output1 = false;

    const float* in[2] = {inputs ? inputs[0] : nullptr, input1 && inputs ? inputs[1] : nullptr};
    float* out[2] = {outputs ? outputs[0] : nullptr, output1 && outputs ? outputs[1] : nullptr};
    // The engine runs blocks of any length in pieces its buffers hold.
    engine.process(in, out, frames, input1, output1);
}

bool Moltaro::getEffectName(char* name) {
    copyText(name, "ZUN Moltaro", kVstMaxEffectNameLen);
    return true;
}

bool Moltaro::getVendorString(char* text) {
    copyText(text, "ZUN-soundlab", kVstMaxVendorStrLen - 1);
    return true;
}

bool Moltaro::getProductString(char* text) {
    copyText(text, "ZUN Moltaro - general purpose reverb plug-in", kVstMaxProductStrLen - 1);
    return true;
}

VstInt32 Moltaro::getVendorVersion() { return MOLTARO_VENDOR_VERSION; }

VstInt32 Moltaro::canDo(const char* text) {
    if (!text) return 0;
    for (const char* c : kCanDo)
        if (std::strcmp(text, c) == 0) return 1;
    return 0;
}

VstIntPtr Moltaro::vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    constexpr VstInt32 kScaleIndex = ('P' << 24) | ('r' << 16) | ('e' << 8) | 'S';
    constexpr VstIntPtr kScaleValue = ('A' << 24) | ('e' << 16) | ('C' << 8) | 's';
    if (index == kScaleIndex && value == kScaleValue) {
        if (!(opt > 0.0f && opt < 16.0f)) return 0;
        if (AEffEditor* e = getEditor()) e->setHostScale(opt);
        return 1;
    }
    return CPresetSystemEffect::vendorSpecific(index, value, ptr, opt);
}

namespace {
bool pinProperties(VstInt32 index, VstPinProperties* p, const char* direction) {
    if (!p || index < 0 || index > 1) return false;
    std::snprintf(p->label, sizeof p->label, "ZUN Dravik %1d %s", static_cast<int>(index) + 1,
                  direction);
    p->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}
}  // namespace

bool Moltaro::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    return pinProperties(index, properties, "In");
}

bool Moltaro::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return pinProperties(index, properties, "Out");
}

bool Moltaro::setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) {
    bool stereoIn = true, stereoOut = true, accepted = false;
    if (input && output) {
        const VstInt32 ins = input->numChannels, outs = output->numChannels;
        if (ins == 1 && outs == 1) {
            stereoIn = stereoOut = false;
            accepted = true;
        } else if (ins == 1 && outs == 2) {
            stereoIn = false;
            accepted = true;
        } else if (ins == 2 && outs == 2) {
            accepted = true;
        }
    }
    store(engine.stereoIn, stereoIn);
    store(engine.stereoOut, stereoOut);
    return accepted;
}

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
