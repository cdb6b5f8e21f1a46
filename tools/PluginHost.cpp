#include "PluginHost.h"

#include <cstring>

#include "presetsystem/CPresetSystemEffect.h"
#include "shell/Parameters.h"
#include "formats/vst2/PluginEntry.h"
#include "shell/vst2abi.h"

namespace render {

namespace {

// Hosts hand out generous text buffers; the interface's own limits are far smaller.
constexpr size_t kTextBuffer = 256;

// The host whose effect is being created: the effect calls back before its record
// carries our pointer in `user`.
thread_local PluginHost* creatingHost = nullptr;

void copyText(void* ptr, const char* text) {
    if (!ptr) return;
    std::strncpy(static_cast<char*>(ptr), text, 63);
    static_cast<char*>(ptr)[63] = '\0';
}

}  // namespace

struct HostCallback {
    static VstIntPtr call(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                          float opt) {
        (void)index;
        (void)value;
        (void)opt;
        PluginHost* host = effect && effect->user ? static_cast<PluginHost*>(effect->user) : creatingHost;
        if (host && opcode >= 0 && opcode < 64) ++host->calls_[opcode];
        switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterGetSampleRate: return host ? host->sampleRate_ : 44100;
        case audioMasterGetBlockSize: return host ? host->blockSize_ : 512;
        case audioMasterPinConnected: return 0;   // every input and output is connected
        case audioMasterGetCurrentProcessLevel: return 4;   // offline rendering
        case audioMasterGetVendorString: copyText(ptr, "ZUN-soundlab"); return 1;
        case audioMasterGetProductString: copyText(ptr, "moltaro-render"); return 1;
        case audioMasterGetVendorVersion: return 1;
        default: return 0;   // automation, display updates, edit gestures: nothing to do
        }
    }
};

std::unique_ptr<PluginHost> PluginHost::create(std::string& error) {
    std::unique_ptr<PluginHost> host(new PluginHost());
    creatingHost = host.get();
    AEffect* effect = moltaroPluginMain(&HostCallback::call);
    creatingHost = nullptr;
    if (!effect || effect->magic != kEffectMagic || !effect->dispatcher || !effect->processReplacing ||
        !effect->setParameter || !effect->getParameter) {
        error = "cannot create the effect";
        return nullptr;
    }
    host->effect_ = effect;
    effect->user = host.get();
    host->presets_ = dynamic_cast<CPresetSystemEffect*>(static_cast<AudioEffect*>(effect->object));
    host->dispatch(effOpen);
    if (!host->presets_) {
        error = "the effect has no program bank";
        return nullptr;
    }
    return host;
}

PluginHost::~PluginHost() {
    if (!effect_) return;
    stop();
    dispatch(effClose);   // the effect destroys itself here
    effect_ = nullptr;
}

intptr_t PluginHost::dispatch(int opcode, int index, intptr_t value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

int PluginHost::parameterCount() const { return effect_->numParams; }

std::vector<std::string> PluginHost::parameterNames() {
    std::vector<std::string> names;
    for (int i = 0; i < parameterCount(); ++i) {
        char text[kTextBuffer] = {};
        dispatch(effGetParamName, i, 0, text);
        names.emplace_back(text);
    }
    return names;
}

std::string PluginHost::parameterDisplay(int index) {
    char text[kTextBuffer] = {};
    dispatch(effGetParamDisplay, index, 0, text);
    return text;
}

float PluginHost::parameter(int index) { return effect_->getParameter(effect_, index); }

void PluginHost::setParameter(int index, float value) { effect_->setParameter(effect_, index, value); }

int PluginHost::programCount() const { return CPresetSystemEffect::kNumBankPrograms; }

std::vector<std::string> PluginHost::programNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < programCount(); ++i) {
        const CProgram* p = presets_->getProgramRecord(i);
        names.emplace_back(p ? p->name() : "");
    }
    return names;
}

bool PluginHost::loadProgram(int number) {
    if (number < 0 || number >= programCount()) return false;
    presets_->loadProgram(number);
    return true;
}

std::vector<ProgramInfo> PluginHost::listPrograms() {
    std::vector<ProgramInfo> list;
    const std::vector<std::string> names = programNames();
    for (int i = 0; i < programCount(); ++i) {
        loadProgram(i);
        list.push_back({i, names[i], parameterDisplay(kParamType)});   // Type shows the algorithm
    }
    return list;
}

std::string PluginHost::currentProgramName() {
    char text[kTextBuffer] = {};
    dispatch(effGetProgramName, 0, 0, text);
    return text;
}

namespace {

void putRecord(CProgram& program, const moltaro::ProgramRecord& record) {
    program.setName(record.name);
    for (int i = 0; i < moltaro::kFileValueCount; ++i) program.setParameter(i, record.values[i]);
}

}  // namespace

void PluginHost::replaceBank(const moltaro::BankRecords& bank) {
    for (int i = 0; i < programCount() && i < moltaro::kBankProgramCount; ++i)
        if (CProgram* p = presets_->getProgramRecord(i)) putRecord(*p, bank[i]);
    presets_->loadProgram(0);
}

void PluginHost::replaceCurrentProgram(const moltaro::ProgramRecord& program) {
    const int current = presets_->getCurrentProgram();
    if (CProgram* p = presets_->getProgramRecord(current)) putRecord(*p, program);
    presets_->loadProgram(current);
}

moltaro::BankRecords PluginHost::bank() const {
    moltaro::BankRecords records;
    for (int i = 0; i < moltaro::kBankProgramCount; ++i) {
        const CProgram* p = presets_->getProgramRecord(i);
        if (!p) continue;
        records[i].setName(p->name());
        for (int v = 0; v < moltaro::kFileValueCount; ++v) records[i].values[v] = p->getParameter(v);
    }
    return records;
}

void PluginHost::start(int sampleRate, int blockSize) {
    stop();
    sampleRate_ = sampleRate;
    blockSize_ = blockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    running_ = true;
}

void PluginHost::stop() {
    if (!running_) return;
    dispatch(effMainsChanged, 0, 0);
    running_ = false;
}

void PluginHost::process(float* const* inputs, float* const* outputs, int frames) {
    effect_->processReplacing(effect_, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
}

int PluginHost::hostCalls(int opcode) const { return opcode >= 0 && opcode < 64 ? calls_[opcode] : 0; }

}  // namespace render
