// The LV2 plug-in: translates LV2's instance calls, ports and state into the effect's own
// host interface, so that the very effect the VST module builds renders here too.
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <new>

#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2Shared.h"
#include "shell/Moltaro.h"
#include "shell/ParameterLaws.h"

namespace moltaro::lv2 {
namespace {

// Longest run handed to the effect at once; a multiple of the engine's piece length, so
// that splitting changes no sample.
constexpr std::uint32_t kMaxRun = 65536;
constexpr std::uint32_t kSilenceFrames = moltaro::Engine::kMaxPiece;

struct Instance {
    SharedInstance shared;  // first: the UI binary reads it through instance-access

    double rate = 44100.0;
    int nominalBlock = 0;  // the host's usual block length; 0 if it gave none
    int maxBlock = 0;
    bool active = false;
    // Whether the block being rendered has a second input and output (the effect asks).
    bool input1 = true, output1 = true;
    const LV2_URID_Map* map = nullptr;  // null: the host offers no URID mapping
    LV2_URID atomString = 0, programNameKey = 0;

    void* ports[kNumPorts] = {};
    // The control values last taken over, so that an unchanged port costs nothing and
    // leaves values set by the editor alone. NaN until the port is first read.
    float lastControl[kNumPortParameters];
    float silence[kSilenceFrames] = {};  // input while the host connects none

    Moltaro* effect() const { return shared.effect; }
    const float* in(std::uint32_t p) const { return static_cast<const float*>(ports[p]); }
    float* out(std::uint32_t p) const { return static_cast<float*>(ports[p]); }

    void takeControls();
    float render(std::uint32_t frames);
};

Instance* instanceOf(LV2_Handle h) { return static_cast<Instance*>(h); }

// [audio thread] Each control that changed since the last block becomes a parameter
// setting. A value the effect already holds (the editor set it and the host echoes the
// port write) is left as it is, so no rounding through the port's units can disturb it.
// While the UI replaces the effect's editor the changes wait for the next block.
void Instance::takeControls() {
    if (!shared.enterEffect()) return;
    for (int parameter = 0; parameter < kNumPortParameters; ++parameter) {
        const float* port = in(kFirstParameterPort + parameter);
        if (!port) continue;
        const float p = *port;
        if (p == lastControl[parameter]) continue;
        if (!std::isfinite(p)) continue;  // NaN, infinities: ignored, as in the VST module
        lastControl[parameter] = p;
        const ParameterLaw& law = *parameterLaw(parameter);
        const float x = normalisedValue(law, p);
        if (portValue(law, effect()->getParameter(parameter)) != portValue(law, x))
            effect()->setParameter(parameter, x);
    }
    shared.leaveEffect();
}

// [audio thread] Runs the effect over the connected buffers; answers the output's peak.
float Instance::render(std::uint32_t frames) {
    float* outL = out(kAudioOutLeftPort);
    float* outR = out(kAudioOutRightPort);
    if (!outL) {
        outL = outR;
        outR = nullptr;
    }
    if (!outL || frames == 0) return 0.0f;
    const float* inL = in(kAudioInLeftPort);
    const float* inR = in(kAudioInRightPort);
    if (!inL) {
        inL = inR;
        inR = nullptr;
    }
    input1 = inR != nullptr;
    output1 = outR != nullptr;
    const std::uint32_t chunk = inL ? kMaxRun : kSilenceFrames;
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t n = frames - done < chunk ? frames - done : chunk;
        float* ins[2] = {const_cast<float*>(inL ? inL + done : silence),
                         const_cast<float*>(inR ? inR + done : nullptr)};
        float* outs[2] = {outL + done, outR ? outR + done : nullptr};
        effect()->processReplacing(ins, outs, static_cast<VstInt32>(n));
        done += n;
    }
    float peak = 0.0f;
    for (std::uint32_t i = 0; i < frames; ++i) peak = std::fmax(peak, std::fabs(outL[i]));
    if (outR)
        for (std::uint32_t i = 0; i < frames; ++i) peak = std::fmax(peak, std::fabs(outR[i]));
    return peak;
}

// The effect's host callback. [any thread] Answers without blocking; the edit calls come
// from the editor on the UI thread and go on to the UI binary while its editor is open.
VstIntPtr hostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
    (void)ptr;
    if (opcode == audioMasterVersion) return 2400;
    // While the effect is being built its record does not point back here yet.
    Instance* self = e ? static_cast<Instance*>(e->user) : nullptr;
    if (!self) return 0;
    switch (opcode) {
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(self->rate);
    case audioMasterGetBlockSize:
        return self->nominalBlock > 0 ? self->nominalBlock : self->maxBlock;
    case audioMasterPinConnected:  // 0 means connected
        if (index != 1) return 0;
        return (value == 0 ? self->input1 : self->output1) ? 0 : 1;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: {
        const UiLink* link = self->shared.uiLink.load(std::memory_order_acquire);
        if (!link) return 0;
        if (opcode == audioMasterAutomate && link->automate) link->automate(link->ui, index, opt);
        if (opcode == audioMasterBeginEdit && link->beginEdit) link->beginEdit(link->ui, index);
        if (opcode == audioMasterEndEdit && link->endEdit) link->endEdit(link->ui, index);
        return 1;
    }
    default:
        return 0;
    }
}

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) return *features;
    return nullptr;
}

// Block lengths from the host's options, when it gives them as integers.
void readBlockLengths(Instance& self, const LV2_Options_Option* options) {
    if (!options || !self.map) return;
    LV2_URID_Map_Handle h = self.map->handle;
    const LV2_URID atomInt = self.map->map(h, LV2_ATOM__Int);
    const LV2_URID nominal = self.map->map(h, LV2_BUF_SIZE__nominalBlockLength);
    const LV2_URID maximum = self.map->map(h, LV2_BUF_SIZE__maxBlockLength);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
        if (o->type != atomInt || o->size != sizeof(std::int32_t) || !o->value) continue;
        const std::int32_t v = *static_cast<const std::int32_t*>(o->value);
        if (o->key == nominal) self.nominalBlock = v;
        if (o->key == maximum) self.maxBlock = v;
    }
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    Instance* self = new (std::nothrow) Instance;
    if (!self) return nullptr;
    for (float& v : self->lastControl) v = std::nanf("");
    // Kept for the effect's rate query; the effect itself replaces unusable rates.
    self->rate = std::isfinite(rate) && rate > 0.0 && rate < 1e7 ? rate : 0.0;
    if (const LV2_Feature* f = findFeature(features, LV2_URID__map))
        self->map = static_cast<const LV2_URID_Map*>(f->data);
    if (self->map && self->map->map) {
        self->atomString = self->map->map(self->map->handle, LV2_ATOM__String);
        self->programNameKey = self->map->map(self->map->handle, kProgramNameKey);
    } else {
        self->map = nullptr;
    }
    if (const LV2_Feature* f = findFeature(features, LV2_OPTIONS__options))
        readBlockLengths(*self, static_cast<const LV2_Options_Option*>(f->data));

    AudioEffect* effect = createEffectInstance(hostCallback);
    if (!effect) {
        delete self;
        return nullptr;
    }
    self->shared.effect = static_cast<Moltaro*>(effect);
    effect->getAeffect()->user = self;
    // Rates the engine cannot run at are replaced by its default at resume, as in the
    // VST module; the instance stays usable.
    effect->setSampleRate(static_cast<float>(rate));
    const int block = self->maxBlock > 0 ? self->maxBlock : self->nominalBlock;
    if (block > 0) effect->setBlockSize(block);
    return self;
}

void connectPort(LV2_Handle h, std::uint32_t port, void* data) {
    if (h && port < kNumPorts) instanceOf(h)->ports[port] = data;
}

void activate(LV2_Handle h) {
    Instance* self = instanceOf(h);
    if (!self || self->active) return;
    self->effect()->resume();
    self->active = true;
}

void run(LV2_Handle h, std::uint32_t frames) {
    Instance* self = instanceOf(h);
    if (!self) return;
    self->takeControls();
    float peak = 0.0f;
    if (self->active) {
        peak = self->render(frames);
    } else {
        // Not switched on: silence rather than a reverb set up for no sample rate.
        for (std::uint32_t p : {kAudioOutLeftPort, kAudioOutRightPort})
            if (float* o = self->out(p)) std::memset(o, 0, sizeof(float) * frames);
    }
    if (float* meter = self->out(kPeakPort)) *meter = peak;
}

void deactivate(LV2_Handle h) {
    Instance* self = instanceOf(h);
    if (!self || !self->active) return;
    self->effect()->suspend();
    self->active = false;
}

void cleanup(LV2_Handle h) {
    Instance* self = instanceOf(h);
    if (!self) return;
    delete self->shared.effect;
    delete self;
}

// [main thread] The program name the editor shows; the port values the host keeps itself.
LV2_State_Status saveState(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                           std::uint32_t, const LV2_Feature* const*) {
    Instance* self = instanceOf(h);
    if (!self || !store) return LV2_STATE_ERR_UNKNOWN;
    if (!self->map) return LV2_STATE_ERR_NO_FEATURE;
    char name[CProgram::kNameBytes + 1] = {};
    self->effect()->getProgramName(name);
    return store(handle, self->programNameKey, name, std::strlen(name) + 1, self->atomString,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status restoreState(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                              LV2_State_Handle handle, std::uint32_t, const LV2_Feature* const*) {
    Instance* self = instanceOf(h);
    if (!self || !retrieve) return LV2_STATE_ERR_UNKNOWN;
    if (!self->map) return LV2_STATE_ERR_NO_FEATURE;
    std::size_t size = 0;
    std::uint32_t type = 0, flags = 0;
    const void* value = retrieve(handle, self->programNameKey, &size, &type, &flags);
    // A state without a name (an older project, another tool) keeps the current one.
    if (!value || size == 0) return LV2_STATE_SUCCESS;
    if (type != self->atomString) return LV2_STATE_ERR_BAD_TYPE;
    char name[CProgram::kNameBytes] = {};
    const std::size_t n = size < sizeof name - 1 ? size : sizeof name - 1;
    std::memcpy(name, value, n);  // cut to the program name's length, always terminated
    self->effect()->setProgramName(name);
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface kStateInterface = {saveState, restoreState};

const void* extensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &kStateInterface;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate, cleanup,     extensionData};

}  // namespace
}  // namespace moltaro::lv2

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &moltaro::lv2::kDescriptor : nullptr;
}
