#include "presetsystem/CPresetSystemEffect.h"

#include "presetsystem/FactoryPresets.h"
#include "shell/AEffEditor.h"

static_assert(kNumFactoryPresets == CPresetSystemEffect::kNumBankPrograms,
              "one factory preset per program");

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback host)
    : AudioEffectX(host, 1, 16), programs(new CProgram[kNumBankPrograms]) {
    fillFactoryBank();
}

CPresetSystemEffect::~CPresetSystemEffect() = default;

VstInt32 CPresetSystemEffect::getCurrentProgram() const {
    return currentProgram.load(std::memory_order_relaxed);
}

CProgram* CPresetSystemEffect::getProgramRecord(VstInt32 index) {
    if (!programs || index < 0 || index >= kNumBankPrograms) return nullptr;
    return &programs[index];
}

const CProgram* CPresetSystemEffect::getProgramRecord(VstInt32 index) const {
    if (!programs || index < 0 || index >= kNumBankPrograms) return nullptr;
    return &programs[index];
}

void CPresetSystemEffect::renameCurrent(const char* text) {
    char name[CProgram::kNameBytes];
    copyText(name, text, CProgram::kMaxNameLength);
    programs[getCurrentProgram()].setName(name);
    programs[0].setName(name);
    if (editor) editor->showProgramName(name);
}

void CPresetSystemEffect::renameWithRefresh(const char* text) {
    programs[getCurrentProgram()].setName(text);
    programs[0].setName(text);
    updateDisplay();
}

void CPresetSystemEffect::loadProgram(VstInt32 n) {
    if (n < 0 || n >= kNumBankPrograms) return;
    loadingProgram.store(true, std::memory_order_relaxed);
    currentProgram.store(n, std::memory_order_relaxed);
    for (int i = 0; i < CProgram::kNumValues; ++i) {
        setParameterAndNotify(i, programs[n].getParameter(i));
        programs[0].setParameter(i, programs[n].getParameter(i));
    }
    programs[0].setName(programs[n].name());
    loadingProgram.store(false, std::memory_order_relaxed);
    updateDisplay();
}

void CPresetSystemEffect::setParameterAndNotify(VstInt32 index, float value) {
    setParameter(index, value);
    if (!audioMaster) return;
    beginEdit(index);
    callHost(audioMasterAutomate, index, 0, nullptr, getParameter(index));
    callHost(audioMasterAutomate, index, 0, nullptr, value);
    endEdit(index);
}

void CPresetSystemEffect::fillFactoryBank() {
    if (!programs) return;
    for (int i = 0; i < kNumBankPrograms; ++i) {
        char name[CProgram::kNameBytes] = {};
        copyText(name, kFactoryPresets[i].name, CProgram::kMaxNameLength);
        programs[i].setName(name);
        for (int j = 0; j < CProgram::kNumValues; ++j)
            programs[i].setParameter(j, static_cast<float>(kFactoryPresets[i].values[j]));
    }
}

void CPresetSystemEffect::setParameter(VstInt32 index, float value) {
    if (isLoadingProgram() || index < 0 || index >= CProgram::kNumValues) return;
    programs[getCurrentProgram()].setParameter(index, value);
    programs[0].setParameter(index, value);
}

void CPresetSystemEffect::setParameterInAllPrograms(VstInt32 index, float value) {
    for (int i = 0; i < kNumBankPrograms; ++i) programs[i].setParameter(index, value);
}

void CPresetSystemEffect::getProgramName(char* name) { programs[0].getName(name); }

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
    (void)category;
    if (index != 0) return false;
    programs[0].getName(text);
    return true;
}
